#!/usr/bin/env python3
"""Long input never sticks: the menu given a 1 MiB line at its prompt.

usage: bench/long_input_bench.py [PATH_TO_MENU] [--size BYTES]

Measures, each from the moment the input is written (and the program's
CPU time, which a busy machine does not stretch):
- piped line: a script "1", then a line of SIZE digits as n, through a pipe,
  until the program has read it and ended (its input runs out after it);
- pasted line: the same digits as one bracketed paste, then Enter, at the
  prompt "Input n" in a pseudo-terminal of 80 x 25, until the menu is back
  (a number that long is no number);
- Ctrl+C in a paste: a paste of SIZE digits whose end never comes, then
  Ctrl+C, until the program has ended (status 130); timed from the Ctrl+C.
"""
import os
import resource
import select
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import i386  # noqa: E402
from menu_input_bench import drain, start_menu  # noqa: E402
from tmux_session import cpu_ticks  # noqa: E402

PASTE_START, PASTE_END = b"\x1b[200~", b"\x1b[201~"


def piped_line(path, size):
    script = b"1\n" + b"7" * size + b"\n"
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    done = subprocess.run(i386.command(path), input=script, stdout=subprocess.DEVNULL, timeout=600)
    took = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    assert done.returncode == 1, f"the script should end the program with 1, not {done.returncode}"
    return took, after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime


def write_all(master, data, until=None, limit=600.0):
    """Writes data while reading the screen; then reads until `until` shows.
    Returns the seconds from the first byte written."""
    start = time.perf_counter()
    seen = b""
    while time.perf_counter() - start < limit:
        want_write = [master] if data else []
        readable, writable, _ = select.select([master], want_write, [], 0.5)
        if writable:
            data = data[os.write(master, data[:65536]):]
        if readable:
            try:
                seen = (seen + os.read(master, 65536))[-4096:]
            except OSError:
                break
        if not data and (until is None or until in seen):
            return time.perf_counter() - start
    raise RuntimeError(f"no {until!r} within {limit} s")


def menu_at_prompt(path):
    """The menu on a terminal, option 1 chosen, waiting for n."""
    proc, master = start_menu(path)
    drain(master, quiet=0.5)
    write_all(master, b"1", b"Input n")
    drain(master, quiet=0.2)
    return proc, master


def pasted_line(path, size):
    proc, master = menu_at_prompt(path)
    try:
        before = cpu_ticks(proc.pid)
        took = write_all(master, PASTE_START + b"7" * size + PASTE_END + b"\r", b"My student ID")
        return took, (cpu_ticks(proc.pid) - before) / os.sysconf("SC_CLK_TCK")
    finally:
        proc.kill()
        proc.wait()
        os.close(master)


def ctrl_c_in_paste(path, size):
    proc, master = menu_at_prompt(path)
    try:
        write_all(master, PASTE_START + b"7" * size)
        start = time.perf_counter()
        os.write(master, b"\x03")
        while proc.poll() is None and time.perf_counter() - start < 600:
            drain(master, quiet=0.001, limit=0.01)
        took = time.perf_counter() - start
        assert proc.poll() == 130, f"Ctrl+C should end the program with 130, not {proc.poll()}"
        return took
    finally:
        if proc.poll() is None:
            proc.kill()
        proc.wait()
        os.close(master)


def main():
    args = sys.argv[1:]
    path = "build/linux/bin/menu"
    size = 1 << 20
    while args:
        a = args.pop(0)
        if a == "--size":
            size = int(args.pop(0))
        else:
            path = a
    took, cpu = piped_line(path, size)
    print(f"line of {size} bytes piped in, read to the end: {took:.3f} s ({cpu:.3f} s CPU)")
    took, cpu = pasted_line(path, size)
    print(f"line of {size} bytes pasted, answered: {took:.3f} s ({cpu:.3f} s CPU)")
    print(f"Ctrl+C after {size} bytes of an endless paste, to the exit: "
          f"{ctrl_c_in_paste(path, size) * 1000:.1f} ms")


if __name__ == "__main__":
    main()
