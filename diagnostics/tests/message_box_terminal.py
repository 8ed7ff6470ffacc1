#!/usr/bin/env python3
"""Message boxes in a real terminal (tmux): the box is drawn over the
screen, keys answer it, and the screen under it comes back. As a script
(piped input) the boxes take their answers from the input.

usage: message_box_terminal.py PATH_TO_PROBE
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
import i386  # noqa: E402
from tmux_session import Checks, Tmux, require_tmux  # noqa: E402

check = Checks()


def background_row(n):
    """Row n as the probe paints it, cut at the terminal's 80 columns."""
    return (f"BACKGROUND ROW {n} " + "." * 66)[:80]


def expected_row(screen, row):
    number = row.split()[2] if row.startswith("BACKGROUND ROW") else None
    return background_row(int(number)) if number and number.isdigit() else None


def run_script(probe):
    done = subprocess.run(i386.command(probe), input=b"n\r\ry", capture_output=True, timeout=30)
    out = done.stdout.decode("utf-8", "replace")
    check(done.returncode == 0, f"the script runs to its end (status {done.returncode})")
    check("ANSWER=7 SHOWN Press any key to continue..." in out,
          "N answers the question, the next line's Enter closes the notice")
    ended = subprocess.run(i386.command(probe), input=b"\r", capture_output=True, timeout=30)
    check("ANSWER=6" in ended.stdout.decode("utf-8", "replace"), "Enter takes the first button")
    check(ended.returncode == 1, "input that ends inside a box ends the program with status 1")


def run_busy(probe):
    """Output shows while the program computes, and so does the screen that
    an answered box gives back."""
    tmux = Tmux(f"conrt-busy-{os.getpid()}", "busy")
    tmux.start(80, 25, f"{i386.shell_command(probe, 'busy')}; echo SESSION-DONE; sleep 30")
    try:
        check(tmux.wait_for_text("WORKING", seconds=2), "text written before computing shows")
        check(tmux.wait_for_text("[ OK ]"), "the notice box appears")
        tmux.send("Enter", pause=0)
        back = False
        for _ in range(40):
            screen = tmux.capture()
            if "[ OK ]" not in screen:
                back = all(r == background_row(n) for n, r in enumerate(screen.splitlines()[:20]))
                break
            time.sleep(0.05)
        check(back and "DONE" not in screen, "the covered rows come back while it computes")
        check(tmux.wait_for_text("DONE"), "the program goes on")
        tmux.send("x")
        check(tmux.wait_for_text("SESSION-DONE"), "the last key ends the program")
    finally:
        tmux.stop()


def main():
    probe = sys.argv[1]
    run_script(probe)
    require_tmux()
    run_busy(probe)
    work = tempfile.mkdtemp()
    tmux = Tmux(f"conrt-box-{os.getpid()}", "box")
    tmux.start(80, 25, f"{i386.shell_command(probe)}; echo $? > {work}/status; echo SESSION-DONE; sleep 30")
    try:
        check(tmux.wait_for_text("[ Yes ]"), "the question box appears")
        screen = tmux.capture()
        check("Question" in screen and "[ No ]" in screen, "caption and both buttons")
        check("Save the changes?" in screen and "They will be kept." in screen,
              "the text, broken at CR LF")
        covered = [row for row in screen.splitlines()[:20] if row != expected_row(screen, row)]
        check(len(covered) >= 6, "the box covers part of the background")

        tmux.send("Escape")
        check("[ Yes ]" in tmux.capture(), "Escape does not close a Yes/No box")
        tmux.send("Tab", "Enter")
        check(tmux.wait_for_text("ANSWER=7"), "Tab then Enter answers No")
        check("[ OK ]" in tmux.capture(), "the notice box with its OK button")
        tmux.send("Escape")
        check(tmux.wait_for_text("SHOWN"), "Escape closes the OK box")
        check(tmux.wait_for_text("Press any key to continue..."), "the program goes on")
        screen = tmux.capture()
        lines = screen.splitlines()
        check(all(lines[n] == background_row(n) for n in range(20)),
              "every background row is back as it was")
        check("\x1b[47m" not in tmux.capture(colours=True), "no cell keeps the box's colours")
        tmux.send("x")
        check(tmux.wait_for_text("SESSION-DONE"), "the last key ends the program")
        status = open(f"{work}/status").read().strip()
        check(status == "0", f"exit status 0 (got {status})")
    finally:
        tmux.stop()
        shutil.rmtree(work, ignore_errors=True)
    check.finish()


if __name__ == "__main__":
    main()
