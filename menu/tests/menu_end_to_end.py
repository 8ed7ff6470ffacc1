#!/usr/bin/env python3
"""The menu program end to end as a script: its input and output are pipes
(or a file), so it writes plain text. Its session in a real terminal is
tests/menu_session_tmux.py.

usage: menu_end_to_end.py PATH_TO_MENU
"""
import os
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import i386  # noqa: E402
from tmux_session import Checks  # noqa: E402

ELLIPSIS = "\u2026"
check = Checks()


def run_script(menu):
    typed = b"1\n3\n4\n0\n4\n\n"
    done = subprocess.run(i386.command(menu), input=typed, capture_output=True, timeout=30)
    out = done.stdout.decode("utf-8")
    check(done.returncode == 0, f"quit gives exit status 0 (got {done.returncode})")
    check("\x1b" not in out, "plain output carries no escape sequences")
    check(f"  Please enter an option{ELLIPSIS}{ELLIPSIS}\r\n" in out, "menu text in UTF-8")
    check(f"1. Compute (1^2+2^2+3^2+{ELLIPSIS}+n^2)/m\n\nInput n [0, 100]: 3\r\n" in out,
          "option 1 prompt and the echo of n")
    check("Input m (non-zero, signed integer):4\r\nQuotient: +3\r\nRemainder: +2\r\n" in out,
          "the echo of m and the result")
    check(out.count("My student ID is: 5038271") == 2, "the menu is painted again after n = 0")
    check(out.endswith("Press ENTER to quit.\r\n") or out.endswith("Press ENTER to quit."),
          "the farewell ends the output")
    # The transcript reads as the screens did: the frame's blanks left out,
    # each clear a new page, the farewell on a line of its own.
    check(f"option{ELLIPSIS}{ELLIPSIS}\r\n\r\n1. Compute (1^2" in out,
          "option 1 starts a new page after the menu")
    check(f"option{ELLIPSIS}{ELLIPSIS}\r\nThanks for playing" in out,
          "the farewell follows the menu on a line of its own")
    lines = re.split(r"\r?\n|\r", out)
    check(max(len(line) for line in lines) <= 80, "no line is wider than the console")
    check(not any(re.search(r" {3,}", line) for line in lines),
          "no runs of blanks painted only for their colour")

    ended = subprocess.run(i386.command(menu), input=b"1\n3\n", capture_output=True, timeout=30)
    check(ended.returncode == 1, f"input that ends early gives exit status 1 (got {ended.returncode})")

    with tempfile.TemporaryFile() as empty:
        eof = subprocess.run(i386.command(menu), stdin=empty, capture_output=True, timeout=30)
    check(eof.returncode == 1, "empty input ends the program at once")

    # A line answers one question whatever it holds; the transcript shows
    # the line as read; the end of the input ends the last line.
    edited = subprocess.run(i386.command(menu), input=b"12\n35\b4\n10", capture_output=True, timeout=30)
    out = edited.stdout.decode("utf-8")
    check("Input n [0, 100]: 34\r\n" in out, "12 picks option 1 alone; 35, BS, 4 shows as 34")
    check("Input m (non-zero, signed integer):10\r\nQuotient: +1368\r\nRemainder: +5" in out,
          "the last line, without a line end, is answered")

    # What the program does not use stays in the pipe for the next reader.
    shared = subprocess.run(["sh", "-c", f"{i386.shell_command(menu)} > /dev/null; cat"], input=b"4\nrest\n",
                            capture_output=True, timeout=30)
    check(shared.stdout == b"rest\n", f"the rest of the input is left (got {shared.stdout!r})")

    # A non-blocking pipe with nothing in it yet is waited on.
    reader, writer = os.pipe()
    os.set_blocking(reader, False)
    waiting = subprocess.Popen(i386.command(menu), stdin=reader, stdout=subprocess.DEVNULL)
    os.close(reader)
    time.sleep(0.5)
    try:
        os.write(writer, b"4\n")
    except BrokenPipeError:
        pass  # the program did not wait
    os.close(writer)
    status = waiting.wait(timeout=30)
    check(status == 0, f"a non-blocking input pipe is waited on (status {status})")


def main():
    run_script(sys.argv[1])
    check.finish()


if __name__ == "__main__":
    main()
