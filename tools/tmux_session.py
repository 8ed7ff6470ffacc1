"""Test support: one program in a tmux pane of a private tmux server, keys
sent with send-keys, the screen read back with capture-pane, and the checks
of a test script counted for its exit status."""
import os
import shutil
import subprocess
import sys
import time


class Checks:
    """Named checks; a script ends with finish(), which sets its status."""

    def __init__(self):
        self.failures = []

    def __call__(self, condition, what, detail=None):
        if condition:
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


def require_tmux():
    if not shutil.which("tmux"):
        sys.exit("tmux is not installed: the project's set-up (make test) installs it")


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
