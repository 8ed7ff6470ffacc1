#!/usr/bin/env python3
"""Differential renderer check: the probe applies random console operations
to a screen buffer and writes each flush's bytes to a tmux pane; after every
frame the pane's cells (characters and colours, read back with capture-pane)
and its cursor must be what the buffer holds.

usage: render_diff_test.py PROBE [--sequences N] [--seed S]
"""
import argparse
import json
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), *[".."] * 4, "tools"))
import i386  # noqa: E402
from tmux_session import Checks, Tmux, capture_cells, require_tmux  # noqa: E402

DEFAULT = None  # the terminal's own colour


def windows_to_terminal(attribute):
    """Expected (foreground, background) of a Windows attribute, as SGR
    colour numbers 0-15 (bright 8-15) or DEFAULT: light grey text and a black
    background are the terminal's own colours."""
    def swap(colour):  # Windows has blue in bit 0, SGR red
        return (colour & 8) | ((colour & 1) << 2) | (colour & 2) | ((colour & 4) >> 2)
    fg, bg = attribute & 15, (attribute >> 4) & 15
    return (DEFAULT if fg == 7 else swap(fg), DEFAULT if bg == 0 else swap(bg))


def differences(frame, grid, cursor):
    found = []
    for r, (texts, attributes) in enumerate(zip(frame["texts"], frame["attributes"])):
        for c, (text, attribute) in enumerate(zip(texts, attributes)):
            shown, pen = grid[r][c]
            want = windows_to_terminal(attribute)
            if shown != text or pen[:2] != want:
                found.append(f"row {r} column {c}: want {text!r} {want}, pane {shown!r} {pen[:2]}")
    if list(cursor) != frame["cursor"]:
        found.append(f"cursor: want {frame['cursor']}, pane {list(cursor)}")
    return found


class Pane:
    def __init__(self, tmux):
        self.tmux = tmux

    def wait_for_frame(self, number, seconds=5):
        """The title the probe sets after a frame's bytes: once the pane has
        it, tmux has taken in every byte before it."""
        deadline = time.monotonic() + seconds
        while True:
            out = self.tmux("display-message", "-p", "-t", self.tmux.session,
                            "#{pane_title}|#{cursor_y} #{cursor_x}", ";",
                            "capture-pane", "-p", "-e", "-N", "-t", self.tmux.session)
            head, _, capture = out.partition("\n")
            title, _, cursor = head.partition("|")
            if title == f"frame {number}":
                return capture, tuple(int(v) for v in cursor.split())
            if time.monotonic() > deadline:
                raise RuntimeError(f"frame {number} never reached the pane (title {title!r})")
            time.sleep(0.002)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("probe")
    parser.add_argument("--sequences", type=int, default=300)
    parser.add_argument("--seed", type=int, default=20261209)
    parser.add_argument("--codepage", default="950")
    args = parser.parse_args()
    require_tmux()
    checks = Checks()
    work = tempfile.mkdtemp(prefix="render_diff.")
    expect_path, go_path = os.path.join(work, "expect"), os.path.join(work, "go")
    os.mkfifo(expect_path)
    os.mkfifo(go_path)
    tmux = Tmux(f"render_diff_{os.getpid()}", "diff")
    os.environ["LANG"] = "C.UTF-8"  # the server shows UTF-8
    os.environ["CONRT_CODEPAGE"] = args.codepage
    command = i386.shell_command(args.probe, str(args.seed), str(args.sequences),
                                 expect_path, go_path)
    tmux.start(40, 10, command + f" 2>{work}/stderr")
    pane = Pane(tmux)
    frames = mismatched = 0
    sequence = None
    try:
        with open(expect_path) as expect, open(go_path, "w") as go:
            for line in expect:
                message = json.loads(line)
                if "sequence" in message:
                    sequence = message["sequence"]
                    continue
                if "resize" in message:
                    columns, rows = message["resize"]
                    tmux("resize-window", "-t", tmux.session, "-x", str(columns),
                         "-y", str(rows))
                else:
                    capture, cursor = pane.wait_for_frame(message["frame"])
                    columns, rows = message["size"]
                    found = differences(message, capture_cells(capture, columns, rows), cursor)
                    frames += 1
                    if found:
                        mismatched += 1
                        checks(False, f"sequence {sequence} (seed {args.seed + sequence}), "
                               f"frame {message['frame']}",
                               "\n".join(found[:8]) + "\noperations: " + message["operations"])
                        if mismatched >= 5:
                            break
                go.write("g")
                go.flush()
    finally:
        tmux.stop()
    checks(frames > 0, "the probe drew frames", open(os.path.join(work, "stderr")).read())
    checks.finish(f"{args.sequences} sequences, {frames} frames: the pane showed the buffer "
                  "after every flush")


if __name__ == "__main__":
    main()
