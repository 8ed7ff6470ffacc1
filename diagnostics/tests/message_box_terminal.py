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

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAILED:", what)


class Tmux:
    def __init__(self, name):
        self.base = ["tmux", "-L", name, "-f", "/dev/null"]

    def __call__(self, *args, check_status=True):
        return subprocess.run(self.base + list(args), capture_output=True, text=True,
                              check=check_status).stdout

    def screen(self, colours=False):
        return self("capture-pane", "-p", *(["-e"] if colours else []), "-t", "box")

    def wait_for(self, text, seconds=10):
        deadline = time.time() + seconds
        while time.time() < deadline:
            if text in self.screen():
                return True
            time.sleep(0.05)
        print(self.screen())
        return False

    def keys(self, *keys):
        for key in keys:
            self("send-keys", "-t", "box", "--", key)
            time.sleep(0.2)


def background_row(n):
    """Row n as the probe paints it, cut at the terminal's 80 columns."""
    return (f"BACKGROUND ROW {n} " + "." * 66)[:80]


def expected_row(screen, row):
    number = row.split()[2] if row.startswith("BACKGROUND ROW") else None
    return background_row(int(number)) if number and number.isdigit() else None


def run_script(probe):
    done = subprocess.run([probe], input=b"n\ry", capture_output=True, timeout=30)
    out = done.stdout.decode("utf-8", "replace")
    check(done.returncode == 0, f"the script runs to its end (status {done.returncode})")
    check("ANSWER=7 SHOWN Press any key to continue..." in out,
          "N answers the question, Enter closes the notice")
    ended = subprocess.run([probe], input=b"\r", capture_output=True, timeout=30)
    check("ANSWER=6" in ended.stdout.decode("utf-8", "replace"), "Enter takes the first button")
    check(ended.returncode == 1, "input that ends inside a box ends the program with status 1")


def main():
    probe = sys.argv[1]
    run_script(probe)
    if not shutil.which("tmux"):
        print("tmux is not installed: the project's set-up (make test) installs it")
        sys.exit(1)
    work = tempfile.mkdtemp()
    tmux = Tmux(f"conrt-box-{os.getpid()}")
    shell = f"{probe}; echo $? > {work}/status; echo SESSION-DONE; sleep 30"
    tmux("new-session", "-d", "-s", "box", "-x", "80", "-y", "25", "sh", "-c", shell)
    try:
        check(tmux.wait_for("[ Yes ]"), "the question box appears")
        screen = tmux.screen()
        check("Question" in screen and "[ No ]" in screen, "caption and both buttons")
        check("Save the changes?" in screen and "They will be kept." in screen,
              "the text, broken at CR LF")
        covered = [row for row in screen.splitlines()[:20] if row != expected_row(screen, row)]
        check(len(covered) >= 6, "the box covers part of the background")

        tmux.keys("Escape")
        check("[ Yes ]" in tmux.screen(), "Escape does not close a Yes/No box")
        tmux.keys("Tab", "Enter")
        check(tmux.wait_for("ANSWER=7"), "Tab then Enter answers No")
        check("[ OK ]" in tmux.screen(), "the notice box with its OK button")
        tmux.keys("Escape")
        check(tmux.wait_for("SHOWN"), "Escape closes the OK box")
        check(tmux.wait_for("Press any key to continue..."), "the program goes on")
        screen = tmux.screen()
        lines = screen.splitlines()
        check(all(lines[n] == background_row(n) for n in range(20)),
              "every background row is back as it was")
        check("\x1b[47m" not in tmux.screen(colours=True), "no cell keeps the box's colours")
        tmux.keys("x")
        check(tmux.wait_for("SESSION-DONE"), "the last key ends the program")
        status = open(f"{work}/status").read().strip()
        check(status == "0", f"exit status 0 (got {status})")
    finally:
        tmux("kill-server", check_status=False)
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print(f"{len(failures)} check(s) failed")
        sys.exit(1)
    print("all checks passed")


if __name__ == "__main__":
    main()
