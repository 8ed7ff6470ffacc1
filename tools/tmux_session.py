"""Test support for every terminal test, tool and benchmark: a program on a
pseudo-terminal of its own, one in a tmux pane of a private tmux server
(keys sent with send-keys, the screen read back with capture-pane), the CPU
time a process used, and the checks of a script counted for its exit
status."""
import contextlib
import fcntl
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import termios
import time
import unicodedata

from i386 import SKIPPED


class Checks:
    """Named checks; a script ends with finish(), which sets its status."""

    def __init__(self, show_passed=False):
        self.failures = []
        self.show_passed = show_passed

    def __call__(self, condition, what, detail=None):
        if condition:
            if self.show_passed:
                print("ok   ", what)
            return True
        self.failures.append(what)
        print("FAILED:", what)
        if detail is not None:
            print(detail)
        return False

    def finish(self, success_text="all checks passed"):
        if self.failures:
            print(f"{len(self.failures)} check(s) failed")
            sys.exit(1)
        print(success_text)


# What a pane's cell is drawn with: (foreground, background, bold), colours as
# SGR numbers 0-15 (bright 8-15) or None for the terminal's own.
PLAIN = (None, None, False)
SGR = re.compile(r"\x1b\[([0-9;]*)m")


def apply_sgr(parameters, pen):
    """The pen after one SGR sequence's parameters."""
    fg, bg, bold = pen
    codes = [int(p) if p else 0 for p in parameters.split(";")]
    i = 0
    while i < len(codes):
        code = codes[i]
        if code == 0: fg, bg, bold = PLAIN
        elif code == 1: bold = True
        elif code == 22: bold = False
        elif 30 <= code <= 37: fg = code - 30
        elif 90 <= code <= 97: fg = code - 90 + 8
        elif code == 39: fg = None
        elif 40 <= code <= 47: bg = code - 40
        elif 100 <= code <= 107: bg = code - 100 + 8
        elif code == 49: bg = None
        elif code in (38, 48) and i + 2 < len(codes) and codes[i + 1] == 5:
            colour = codes[i + 2] if codes[i + 2] < 16 else None
            if code == 38: fg = colour
            else: bg = colour
            i += 2
        i += 1
    return fg, bg, bold


def capture_cells(text, columns, rows):
    """A pane read with capture-pane -e, as rows of (character, pen); a wide
    character fills its first cell and leaves "" in the second, a combining
    mark joins the character of its cell. tmux stops
    at the last cell ever drawn on a line: the rest is blank in the
    terminal's own colours. The pen carries from line to line, as
    capture-pane writes it."""
    pen = PLAIN
    grid = []
    for line in text.split("\n")[:rows]:
        row = []
        at = 0
        while at < len(line):
            m = SGR.match(line, at)
            if m:
                pen = apply_sgr(m.group(1), pen)
                at = m.end()
                continue
            if row and unicodedata.combining(line[at]):  # drawn on the cell before
                row[-1] = (row[-1][0] + line[at], row[-1][1])
                at += 1
                continue
            row.append((line[at], pen))
            if unicodedata.east_asian_width(line[at]) in "WF":
                row.append(("", pen))
            at += 1
        row += [(" ", PLAIN)] * (columns - len(row))
        grid.append(row[:columns])
    grid += [[(" ", PLAIN)] * columns for _ in range(rows - len(grid))]
    return grid


def start_in_terminal(command, env, columns=80, rows=25, stderr=None):
    """Starts command on a new pseudo-terminal of columns x rows, its
    controlling terminal (and its standard error, unless stderr says where
    else); returns the process and the master side."""
    master, slave = os.openpty()
    fcntl.ioctl(slave, termios.TIOCSWINSZ, struct.pack("HHHH", rows, columns, 0, 0))

    def take_terminal():
        os.setsid()
        fcntl.ioctl(0, termios.TIOCSCTTY, 0)

    process = subprocess.Popen(command, stdin=slave, stdout=slave,
                               stderr=stderr if stderr is not None else slave,
                               preexec_fn=take_terminal, env=env, close_fds=True)
    os.close(slave)
    return process, master


def cpu_seconds(pid):
    """CPU time of all the process's threads, to the nanosecond (schedstat);
    the clock ticks of /proc/<pid>/stat are too coarse for an idle program."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as f:
            total += int(f.read().split()[0])
    return total / 1e9


def cpu_ticks(pid):
    """Clock ticks of CPU time, user and system, that the process has used."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def require_tmux(skip=False):
    """Ends the script where tmux is missing: as failed, or as skipped (SKIP)."""
    if not shutil.which("tmux"):
        print("tmux is not installed: the project's set-up (make test) installs it",
              file=sys.stderr)
        sys.exit(SKIPPED if skip else 1)


class Tmux:
    """A private tmux server (its own socket) holding one session."""

    def __init__(self, name, session):
        self.base = ["tmux", "-L", name, "-f", "/dev/null"]
        self.session = session

    def __call__(self, *args, check_status=True):
        return subprocess.run(self.base + list(args), capture_output=True, text=True,
                              check=check_status).stdout

    def start(self, columns, rows, shell):
        self("new-session", "-d", "-s", self.session, "-x", str(columns), "-y", str(rows),
             "sh", "-c", shell)

    def capture(self, colours=False):
        return self("capture-pane", "-p", *(["-e", "-N"] if colours else []), "-t",
                    self.session)

    def cursor(self):
        x, y = self("display-message", "-p", "-t", self.session,
                    "#{cursor_x} #{cursor_y}").split()
        return int(y), int(x)

    def wait_for_text(self, text, seconds=10):
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline:
            if text in self.capture():
                return True
            time.sleep(0.05)
        print(self.capture())
        return False

    def send(self, *keys, pause=0.15):
        for key in keys:
            self("send-keys", "-t", self.session, "--", key)
            time.sleep(pause)

    def stop(self):
        socket = self("display-message", "-p", "#{socket_path}", check_status=False).strip()
        self("kill-server", check_status=False)
        # The server leaves its socket file behind.
        if socket and os.path.exists(socket):
            os.unlink(socket)


@contextlib.contextmanager
def tmux_in_folder(session, columns, rows, shell_of, kind=Tmux):
    """A session of a private server running shell_of(folder), the shell
    line, in a new work folder; yields the server and the folder, both gone
    afterwards."""
    work = tempfile.mkdtemp(prefix=f"{session}.")
    tmux = kind(f"conrt-{session}-{os.getpid()}", session)
    try:
        tmux.start(columns, rows, shell_of(work))
        yield tmux, work
    finally:
        tmux.stop()
        shutil.rmtree(work, ignore_errors=True)
