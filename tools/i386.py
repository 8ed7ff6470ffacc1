"""How the build's i386 programs start on this machine: directly where the
kernel runs i386 programs, through the emulator where it does not.

The answer is tools/i386-probe's, kept in each build folder; under CTest it
also arrives as CONRT_I386_EMULATOR (empty: natively). Every test driver,
tool and benchmark that starts an i386 program builds its command here."""
import os
import shlex

HERE = os.path.dirname(os.path.abspath(__file__))
# What a Windows test prints, and CTest takes as "skipped", where Wine's own
# i386 loader cannot start.
WINE_CANNOT_START = "this kernel cannot run 32-bit programs; Wine needs it"
SKIPPED = 77


def build_dir_of(program):
    """The nearest directory above the program that holds a CMakeCache.txt."""
    directory = os.path.dirname(os.path.abspath(program))
    while directory != os.path.dirname(directory):
        if os.path.exists(os.path.join(directory, "CMakeCache.txt")):
            return directory
        directory = os.path.dirname(directory)
    return None


def host_setting(name):
    with open(os.path.join(HERE, "i386-host.conf")) as conf:
        for line in conf:
            if line.startswith(name + "="):
                return line.split("=", 1)[1].strip().strip('"')
    return None


def emulator_command():
    """The emulator with its options, as tools/i386-host.conf names them."""
    return [host_setting("I386_EMULATOR")] + shlex.split(host_setting("I386_EMULATOR_OPTIONS") or "")


def emulator(program):
    """The command prefix for PROGRAM's build folder: [] where i386 runs natively."""
    if "CONRT_I386_EMULATOR" in os.environ:
        return shlex.split(os.environ["CONRT_I386_EMULATOR"])
    build = build_dir_of(program)
    probe = os.path.join(build, "i386-probe.txt") if build else None
    if probe and os.path.exists(probe) and open(probe).read().strip() == "emulated":
        return emulator_command()
    return []


def command(program, *arguments):
    """The argument list that starts PROGRAM with ARGUMENTS."""
    return emulator(program) + [program, *arguments]


def shell_command(program, *arguments):
    """The same, as a shell command line."""
    return shlex.join(command(program, *arguments))


def wine_can_start(program):
    """Wine's loader is an i386 program: it starts only where the kernel
    runs those natively."""
    return not emulator(program)
