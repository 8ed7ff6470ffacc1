#!/usr/bin/env python3
"""The menu program end to end: as a script through pipes, and in a real
terminal (tmux) driven by keystrokes, its screen and colours read back.

usage: menu_end_to_end.py script|terminal PATH_TO_MENU
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import i386  # noqa: E402
from tmux_session import Checks, Tmux, require_tmux  # noqa: E402

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


def run_terminal(menu):
    require_tmux()
    work = tempfile.mkdtemp()
    tmux = Tmux(f"conrt-e2e-{os.getpid()}", "menu")
    tmux.start(100, 30, f"stty -g > {work}/before; {i386.shell_command(menu)}; echo $? > {work}/status; "
               f"stty -g > {work}/after; echo SESSION-DONE; sleep 30")
    try:
        # A double-byte character fills two cells; its second shows blank.
        check(tmux.wait_for_text(f"Please enter an option{ELLIPSIS}"), "the menu appears")
        painted = tmux.capture(colours=True)
        check(re.search(r"\x1b\[[0-9;]*44[;m]", painted) is not None, "a blue background is drawn")
        check(re.search(r"\x1b\[[0-9;]*42[;m]", painted) is not None, "the green frame is drawn")
        tmux.send("x", "1")
        check(tmux.wait_for_text("Input n [0, 100]:"), "key 1 opens option 1")
        tmux.send("3", "Enter", "4", "Enter")
        check(tmux.wait_for_text("Remainder: +2"), "option 1 answers n = 3, m = 4")
        check("Quotient: +3" in tmux.capture(), "the quotient")
        tmux.send("0", "Enter")
        check(tmux.wait_for_text("Please enter an option"), "n = 0 brings the menu back")
        tmux.send("2")
        check(tmux.wait_for_text("Please input n [0, 50]:"), "key 2 opens option 2")
        tmux.send("3", "Enter", "-", "2", "Enter")
        check(tmux.wait_for_text("-12"), "option 2 answers n = 3, m = -2")
        tmux.send("0", "Enter", "4")
        check(tmux.wait_for_text("Press ENTER to quit."), "key 4 says goodbye")
        tmux.send("a", "Escape")
        time.sleep(0.3)
        check(not os.path.exists(f"{work}/status"), "keys other than Enter do not quit")
        tmux.send("Enter")
        check(tmux.wait_for_text("SESSION-DONE"), "Enter ends the program")
        status = open(f"{work}/status").read().strip()
        check(status == "0", f"exit status 0 (got {status})")
        check(open(f"{work}/before").read() == open(f"{work}/after").read(),
              "the terminal settings are given back as they were")
    finally:
        tmux.stop()
        shutil.rmtree(work, ignore_errors=True)


def main():
    mode, menu = sys.argv[1], sys.argv[2]
    {"script": run_script, "terminal": run_terminal}[mode](menu)
    check.finish()


if __name__ == "__main__":
    main()
