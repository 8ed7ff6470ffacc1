#!/usr/bin/env python3
"""Keys typed into a real terminal reach the program as key events.

usage: key_probe_test.py PATH_TO_KEY_PROBE

Runs key_probe in a pseudo-terminal, writes the bytes a terminal sends for
keys and checks what the program logs: the key events of polls (lone ESC
after its delay, Alt as an ESC prefix, grey keys, function keys, UTF-8 in
the code page), line reads with their editing, a paste whose end is lost,
Ctrl+C ending the program with status 130 (in a paste too) and the terminal
given back, Ctrl+Z taken as no key; with processed input kept off, Ctrl+C
is a key. In tmux, in UTF-8 (code page 65001): text beyond ASCII typed,
edited and read back, and shown in the cells it takes.
"""
import os
import select
import sys
import tempfile
import termios
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..",
                                "..", "tools"))
import i386  # noqa: E402
from tmux_session import Checks, Tmux, capture_cells, start_in_terminal  # noqa: E402

check = Checks(show_passed=True)


class Probe:
    def __init__(self, probe, mode):
        self.log_path = tempfile.mktemp(prefix="key_probe_")
        env = dict(os.environ, TERM="xterm-256color", CONRT_CODEPAGE="437")
        self.proc, self.master = start_in_terminal(i386.command(probe, mode, self.log_path), env)
        self.seen = 0
        self.wait_for_log(lambda lines: "ready" in lines)
        self.read_screen(0.2)

    def log_lines(self):
        try:
            with open(self.log_path) as f:
                return f.read().splitlines()
        except FileNotFoundError:
            return []

    def wait_for_log(self, condition, seconds=3.0):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            lines = self.log_lines()
            if condition(lines):
                return lines
            self.read_screen(0.005)
        return self.log_lines()

    def read_screen(self, quiet):
        data = b""
        while True:
            ready, _, _ = select.select([self.master], [], [], quiet)
            if not ready:
                return data
            try:
                chunk = os.read(self.master, 65536)
            except OSError:
                return data
            if not chunk:
                return data
            data += chunk

    def type(self, data):
        """Writes bytes; returns the log lines they added and the seconds it took."""
        start = time.monotonic()
        os.write(self.master, data)
        lines = self.wait_for_log(lambda lines: len(lines) > self.seen + 1)
        took = time.monotonic() - start
        added = lines[self.seen + 1:]
        self.seen = len(lines) - 1
        return added, took

    def ended(self, seconds=3.0):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.read_screen(0.01)
            code = self.proc.poll()
            if code is not None:
                return code
        return None

    def terminal_is_cooked(self):
        attributes = termios.tcgetattr(self.master)
        return bool(attributes[3] & termios.ICANON) and bool(attributes[3] & termios.ECHO)

    def close(self):
        if self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        os.close(self.master)
        if os.path.exists(self.log_path):
            os.unlink(self.log_path)


POLLED_KEYS = [
    ("letter", b"a", "key 41 1E 61 0000"),
    ("shifted letter", b"A", "key 41 1E 41 0010"),
    ("digit", b"1", "key 31 02 31 0000"),
    ("enter", b"\r", "key 0D 1C 0D 0000"),
    ("backspace", b"\x7f", "key 08 0E 08 0000"),
    ("ctrl letter", b"\x01", "key 41 1E 01 0008"),
    ("up", b"\x1b[A", "key 26 48 00 0100"),
    ("ctrl left", b"\x1b[1;5D", "key 25 4B 00 0108"),
    ("shift delete", b"\x1b[3;2~", "key 2E 53 00 0110"),
    ("page down", b"\x1b[6~", "key 22 51 00 0100"),
    ("f1 ss3", b"\x1bOP", "key 70 3B 00 0000"),
    ("f5", b"\x1b[15~", "key 74 3F 00 0000"),
    ("f1 linux console", b"\x1b[[A", "key 70 3B 00 0000"),
    ("alt f12", b"\x1b[24;3~", "key 7B 58 00 0002"),
    ("shift tab", b"\x1b[Z", "key 09 0F 09 0010"),
    ("alt x", b"\x1bx", "key 58 2D 78 0002"),
    ("utf-8 in code page 437", "é".encode(), "key E7 00 82 0000"),
    ("no code page form", "€".encode(), "key E7 00 3F 0000"),
    ("unknown sequence swallowed", b"\x1b[?1;2cz", "key 5A 2C 7A 0000"),
]


def run_poll(probe_path):
    probe = Probe(probe_path, "poll")
    try:
        for name, data, expected in POLLED_KEYS:
            added, _ = probe.type(data)
            check(added == [expected], f"poll: {name} gives {expected} (got {added})")
        added, took = probe.type(b"\x1b")
        check(added == ["key 1B 01 1B 0000"], f"poll: a lone ESC is Escape (got {added})")
        check(took >= 0.025, f"poll: Escape waits for the delay ({took * 1000:.1f} ms)")
        # Split across writes: the second half arrives before the delay ends.
        os.write(probe.master, b"\x1b[")
        time.sleep(0.005)
        added, _ = probe.type(b"B")
        check(added == ["key 28 50 00 0100"], f"poll: a split sequence stays whole (got {added})")
        # Ctrl+Z suspends (a stop the kernel drops here, the group being
        # orphaned): it is never a key.
        os.write(probe.master, b"\x1a")
        time.sleep(0.1)
        added, _ = probe.type(b"b")
        check(added == ["key 42 30 62 0000"], f"poll: Ctrl+Z is no key (got {added})")
        # A paste whose end never comes: after a short silence keys are
        # keys again.
        added, _ = probe.type(b"\x1b[200~p")
        check(added == ["key 50 19 70 0000"], f"poll: pasted text arrives (got {added})")
        time.sleep(0.7)
        added, _ = probe.type(b"\x1b[A")
        check(added == ["key 26 48 00 0100"], f"poll: a paste without end ends (got {added})")
        os.write(probe.master, b"\x03")
        code = probe.ended()
        check(code == 130, f"poll: Ctrl+C ends the program with 130 (got {code})")
        check(probe.terminal_is_cooked(), "poll: the terminal is given back after Ctrl+C")
    finally:
        probe.close()


def run_raw(probe_path):
    """With processed input kept off, a Peek takes in what arrived."""
    probe = Probe(probe_path, "raw")
    try:
        added, _ = probe.type(b"\x03")
        check(added == ["key 43 2E 03 0008"], f"raw: Ctrl+C is a key (got {added})")
        probe.type(b"q")
        code = probe.ended()
        check(code == 0, f"raw: q ends with status 0 (got {code})")
    finally:
        probe.close()


def hex_line(data):
    return "line " + " ".join(f"{b:02X}" for b in data)


def run_line(probe_path):
    probe = Probe(probe_path, "line")
    try:
        added, _ = probe.type(b"ab\x7fc\x1b[D\x1b[DX\r")
        check(added == [hex_line(b"Xac\r\n")], f"line: edited line delivered (got {added})")
        probe.read_screen(0.1)
        added, _ = probe.type(b"12\x1b[A\r")
        check(added == [hex_line(b"Xac\r\n")], f"line: Up recalls the last line (got {added})")
        probe.type(b"quit\r")
        code = probe.ended()
        check(code == 0, f"line: quit ends with status 0 (got {code})")
    finally:
        probe.close()
    probe = Probe(probe_path, "line")
    try:
        os.write(probe.master, b"ab\x1b[200~cd\x03")
        code = probe.ended()
        check(code == 130, f"line: Ctrl+C in a paste ends with 130 (got {code})")
        check(probe.terminal_is_cooked(), "line: the terminal is given back after Ctrl+C")
    finally:
        probe.close()


def run_utf8_in_tmux(probe_path):
    """Wide, narrow and four-byte characters typed, one taken off with
    Backspace: the line holds whole characters and the pane shows each in
    its cells."""
    log_path = tempfile.mktemp(prefix="key_probe_")
    tmux = Tmux(f"key_probe_{os.getpid()}", "utf8")
    os.environ["LANG"] = "C.UTF-8"
    os.environ["CONRT_CODEPAGE"] = "65001"
    tmux.start(40, 5, i386.shell_command(probe_path, "line", log_path))
    try:
        tmux.wait_for_text(">")
        tmux.send("naïve 中文😀x", "Left", "BSpace", "|", "Enter")
        end = time.monotonic() + 5
        lines = []
        while time.monotonic() < end and len(lines) < 2:
            with open(log_path) as f:
                lines = f.read().splitlines()
            time.sleep(0.05)
        typed = "naïve 中文|x\r\n".encode()
        check(lines[1:] == [hex_line(typed)], f"utf-8: the edited line read back (got {lines})")
        row = [cell for cell, _ in capture_cells(tmux.capture(colours=True), 40, 5)[0]]
        check("".join(row).rstrip() == "> naïve 中文|x" and row[12] == "|",
              f"utf-8: the pane shows each character in its cells (got {row})")
    finally:
        tmux.stop()
        if os.path.exists(log_path):
            os.unlink(log_path)


def main():
    probe = sys.argv[1]
    run_poll(probe)
    run_raw(probe)
    run_line(probe)
    run_utf8_in_tmux(probe)
    check.finish()


if __name__ == "__main__":
    main()
