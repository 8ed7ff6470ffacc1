#!/usr/bin/env python3
"""The console in a real terminal: tty_probe paints coloured text in a tmux
pane and ends in each way a program can end. After each, the pane's
terminal settings (stty -g) must be those from before, bracketed paste and
win32-input-mode off again, the exit status the true one, and the shell's
prompt on the line below the probe's output.

usage: tmux_terminal_test.py PATH/TO/tty_probe
"""
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), *[".."] * 4, "tools"))
import i386  # noqa: E402
from tmux_session import Checks, require_tmux, tmux_in_folder  # noqa: E402

# Under the emulator a death by a core-dumping signal adds this one line of
# the emulator's own, which alone is accepted before the prompt.
EMULATOR_DEATH = re.compile(r"qemu: uncaught target signal \d+ \([^)]*\) - core dumped$")
# What follows the probe's last line: the prompt, or the shell's word for the
# signal that ended the probe.
AFTER_OUTPUT = ("probe>", "Terminated", "Hangup", "Quit", "Segmentation fault", "Aborted",
                "User defined signal", "Alarm clock", "Virtual timer expired",
                "Profiling timer expired", "CPU time limit", "File size limit", "Bad system call",
                "Trace/breakpoint trap", "Stack fault", "Power failure", "I/O possible",
                "Real-time signal", "Broken pipe")
# Every signal that ends a process by default (SIGKILL cannot be caught); of
# the real-time ones the first the C library leaves to programs and the last.
SIGNALS = ("INT TERM HUP QUIT PIPE USR1 USR2 ALRM VTALRM PROF XCPU XFSZ SYS TRAP STKFLT PWR IO "
           "RTMIN RTMAX").split()
RAW_MODE = {"-isig", "-icanon", "-echo", "-ixon", "-icrnl"}
check = Checks()


def wait_until(condition, seconds):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.1)
    return True


def read(path):
    try:
        with open(path, errors="replace") as f:
            return f.read().strip()
    except OSError:
        return ""


class Pane:
    def __init__(self, tmux, probe, work):
        self.tmux, self.probe, self.work = tmux, probe, work
        self.emulated = bool(i386.emulator(probe))
        self.tty = tmux("display", "-p", "-t", tmux.session, "#{pane_tty}").strip()
        self.log = os.path.join(work, "pane")  # all the pane receives, as written
        tmux("pipe-pane", "-O", "-t", tmux.session, f"cat >> {shlex.quote(self.log)}")

    def file(self, name):
        return os.path.join(self.work, "case", name)

    def start(self, mode, input_redirection=""):
        """The probe's pid once its screen is drawn, None if never. A script
        runs it: the interactive shell would drop the rest of the line after
        a child killed by SIGINT."""
        shutil.rmtree(self.file(""), ignore_errors=True)
        os.mkdir(self.file(""))
        open(self.log, "w").close()
        # The pane's shell has a clean environment: the sanitizers' options
        # are handed on.
        asan = os.environ.get("ASAN_OPTIONS")
        with open(self.file("run.sh"), "w") as script:
            script.write(f"ulimit -c 0\nstty -g > {self.file('before')}\n"
                         + (f"ASAN_OPTIONS={shlex.quote(asan)} " if asan else "")
                         + i386.shell_command(self.probe, mode, self.file("pid"))
                         + f" {input_redirection}\necho $? > {self.file('status')}\n"
                         f"stty -g > {self.file('after')}\n")
        self.tmux.send(f"clear; sh {self.file('run.sh')}", "Enter")
        drawn = wait_until(lambda: read(self.file("pid")), 10)
        return int(read(self.file("pid"))) if drawn else None

    def ended(self):
        return wait_until(lambda: read(self.file("after")), 10)

    def stty(self, *options):
        with open(self.tty) as tty:
            return subprocess.run(["stty", *options], stdin=tty, capture_output=True,
                                  text=True).stdout.strip()

    def wipe_then(self, action):
        """Wipes the screen behind the program's back; after ACTION the
        program must have painted it again."""
        with open(self.tty, "w") as tty:
            tty.write("\x1b[H\x1b[2J")
        action()
        return self.tmux.wait_for_text("bright white on blue")

    def line_after_output(self):
        lines = self.tmux.capture().splitlines()
        at = next((n for n, line in enumerate(lines) if "plain ♥ end" in line), None)
        after = lines[at + 1:at + 2] if at is not None else [""]
        if self.emulated and after and EMULATOR_DEATH.match(after[0]):
            after = lines[at + 2:at + 3]
        return after[0] if after else lines[at]

    def last_input_mode(self, mode):
        with open(self.log, "rb") as log:
            found = re.findall(rb"\?%d[hl]" % mode, log.read())
        return found[-1].decode() if found else ""


def stopped(pid):
    return read(f"/proc/{pid}/stat").rsplit(")", 1)[-1].split()[:1] == ["T"]


def check_colours(pane, name):
    """The text and its colours as the terminal shows them."""
    screen = pane.tmux.capture(colours=True)
    check("bright white on blue …" in screen, f"{name}: the Big5 text is on the screen")
    for text, fg, bg in (("bright white on blue", 97, 44), ("yellow on green", 93, 42)):
        line = next((line for line in screen.splitlines() if text in line), "")
        check(re.search(rf"\[{fg}m.*\[{bg}m|\[{fg};{bg}m", line),
              f"{name}: {text} is shown as SGR {fg} and {bg}", line)


def check_way_out(pane, name, mode, expected, signal_number=0, input_redirection=""):
    pid = pane.start(mode, input_redirection)
    if not check(pid is not None, f"{name}: the probe draws its screen"):
        return
    if name == "SIGINT":
        check_colours(pane, name)
    if signal_number:
        os.kill(pid, signal_number)
    if not check(pane.ended(), f"{name}: the probe ends"):
        return
    status = read(pane.file("status"))
    check(status == str(expected), f"{name}: exit status {expected}", f"got {status}")
    before, after = read(pane.file("before")), read(pane.file("after"))
    if not check(before == after, f"{name}: terminal settings unchanged", f"{before} -> {after}"):
        pane.stty(before)  # so that the next cases stand alone
    # The shell may take a moment to print, and the log to receive: 5 s.
    check(wait_until(lambda: pane.line_after_output().startswith(AFTER_OUTPUT), 5),
          f"{name}: the prompt is on the line below the output", pane.line_after_output())
    # With keys from the terminal the input modes were turned on first.
    for mode in (2004, 9001):
        def off():
            last = pane.last_input_mode(mode)
            return last == f"?{mode}l" or (not last and input_redirection)
        check(wait_until(off, 5), f"{name}: input mode {mode} is turned off",
              pane.last_input_mode(mode))
    if input_redirection:
        check_colours(pane, name)


def check_stop_and_resize(pane, name, mode, send_stop):
    """Stop gives the terminal back; continue takes raw mode again and
    repaints; a resize repaints within the new size. Ends with SIGTERM. The
    stop comes from outside (SIGTSTP) or from the program itself (Ctrl+Z
    read as a key)."""
    pid = pane.start(mode)
    if not check(pid is not None, f"{name}: the probe draws its screen"):
        return
    if send_stop:
        os.kill(pid, signal.SIGTSTP)
    check(wait_until(lambda: stopped(pid), 10), f"{name}: the probe stops")
    check(pane.stty("-g") == read(pane.file("before")),
          f"{name}: the terminal is given back while stopped")
    check(pane.wipe_then(lambda: os.kill(pid, signal.SIGCONT)),
          f"{name}: the screen is repainted on continue")
    check(RAW_MODE <= set(pane.stty("-a").split()), f"{name}: raw mode comes back")
    resize = ["resize-window", "-t", pane.tmux.session, "-x"]
    check(pane.wipe_then(lambda: pane.tmux(*resize, "30", "-y", "10")),
          f"{name}: the screen is repainted on resize")
    pane.tmux(*resize, "80", "-y", "25")
    os.kill(pid, signal.SIGTERM)
    if check(pane.ended(), f"{name}: the probe ends"):
        check(read(pane.file("before")) == read(pane.file("after")),
              f"{name}: terminal settings unchanged")


def check_stop_during_output(pane, name):
    """Stopped from outside while it writes without pause, the program gets
    its whole screen back on continue, whatever the terminal showed."""
    pid = pane.start("loop")
    if not check(pid is not None, f"{name}: the probe draws its screen"):
        return
    os.kill(pid, signal.SIGTSTP)
    check(wait_until(lambda: stopped(pid), 10), f"{name}: the probe stops")
    check(pane.stty("-g") == read(pane.file("before")),
          f"{name}: the terminal is given back while stopped")
    with open(pane.tty, "w") as tty:
        tty.write("\x1b[H\x1b[2Jthe shell's lines\r\n")
    os.kill(pid, signal.SIGCONT)

    def whole():
        rows = pane.tmux.capture().splitlines()[:24]
        return len(rows) == 24 and all(row.startswith("FLOOD") for row in rows)
    check(wait_until(whole, 5), f"{name}: every row is the program's again",
          pane.tmux.capture())
    os.kill(pid, signal.SIGTERM)
    if check(pane.ended(), f"{name}: the probe ends"):
        check(read(pane.file("before")) == read(pane.file("after")),
              f"{name}: terminal settings unchanged")


def cases(emulated):
    """Each case's check and its arguments."""
    yield check_way_out, ("return from main", "return", 0)
    yield check_way_out, ("ExitProcess", "exit", 3)
    for name in SIGNALS:
        number = signal.Signals[f"SIG{name}"]
        # The emulator keeps the lowest real-time signals for itself: the
        # host's SIGRTMIN never reaches the program as its SIGRTMIN.
        if emulated and name == "RTMIN":
            print("skipped under the emulator: SIGRTMIN")
        else:
            yield check_way_out, (f"SIG{name}", "wait", 128 + number, number)
    yield check_way_out, ("SIGSEGV", "segv", 139)
    yield check_way_out, ("abort", "abort", 134)
    yield check_way_out, ("input from a file", "return", 0, 0, "< /dev/null")
    yield check_stop_and_resize, ("SIGTSTP, continue and resize", "wait", True)
    yield check_stop_and_resize, ("Ctrl+Z from the program, continue and resize", "suspend", False)
    # Continued while it computes, the program never writes: the presenter repaints.
    yield check_stop_and_resize, ("SIGTSTP while computing, continue and resize", "compute", True)
    yield check_stop_during_output, ("SIGTSTP during heavy output, continue",)


def run_cases(pane):
    for run, case in cases(pane.emulated):
        failed_before = len(check.failures)
        run(pane, *case)
        if len(check.failures) == failed_before:
            print(f"ok: {case[0]}")


def main():
    require_tmux(skip=True)
    probe = os.path.abspath(sys.argv[1])
    if not os.access(probe, os.X_OK):
        sys.exit(f"no probe at '{probe}'")
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # cleans up on the way out
    shell = "env -i PATH=/usr/bin:/bin TERM=screen PS1='probe> ' sh"
    with tmux_in_folder("probe", 80, 25, lambda work: shell) as (tmux, work):
        run_cases(Pane(tmux, probe, work))
    check.finish("all ways out give the terminal back")


if __name__ == "__main__":
    main()
