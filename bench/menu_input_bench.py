#!/usr/bin/env python3
"""Idle CPU and key-to-screen latency of the menu in a pseudo-terminal.

usage: bench/menu_input_bench.py [PATH_TO_MENU] [--idle SECONDS] [--keys N]
                                 [--frames PATH_TO_FRAME_BENCH]

Starts the menu in a pseudo-terminal of 80 x 25 and measures:
- idle CPU: user + system time the process uses while it sits at the menu
  (polling for keys) and nobody types, from /proc/<pid>/stat;
- menu key latency: from writing the key 1 at the menu until the first byte
  of the screen it brings reads back from the terminal (the poll path);
- echo latency: from writing a digit at the prompt "Input n" until its echo
  reads back (the line editor's path), typed as digit and Backspace in turn;
- the machine's own floor: the same key, after the same pause, to a program
  that does nothing but echo it (cat on a raw terminal), measured between
  the menu keys. A virtual machine's scheduling noise shows in it, so the
  menu's latency is read against it.
Prints the median and the 99th percentile of each latency. With --frames,
also runs a program that polls while it draws 60 frames a second in the same
kind of terminal and prints the frame rate it keeps.
"""
import os
import select
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tools"))
import i386  # noqa: E402
from tmux_session import cpu_seconds, start_in_terminal  # noqa: E402


def start_menu(path, *arguments, stderr=None):
    return start_in_terminal(i386.command(path, *arguments), dict(os.environ, TERM="xterm-256color"),
                             stderr=stderr)


def drain(master, quiet=0.3, limit=10.0):
    """Reads until the terminal has been quiet for `quiet` seconds."""
    data = b""
    end = time.monotonic() + limit
    while time.monotonic() < end:
        ready, _, _ = select.select([master], [], [], quiet)
        if not ready:
            break
        try:
            chunk = os.read(master, 65536)
        except OSError:
            break
        if not chunk:
            break
        data += chunk
    return data


def frame_rate(path, seconds=5):
    proc, master = start_menu(path, str(seconds), stderr=subprocess.PIPE)
    try:
        while proc.poll() is None:
            drain(master, quiet=0.2, limit=1)
        print(proc.stderr.read().decode().strip())
    finally:
        os.close(master)


def key_latency(master, key, expect=None, limit=2.0):
    """Seconds from writing key until output (containing expect) reads back."""
    start = time.perf_counter()
    os.write(master, key)
    seen = b""
    while True:
        left = limit - (time.perf_counter() - start)
        if left <= 0:
            raise RuntimeError(f"no answer to {key!r} within {limit} s")
        ready, _, _ = select.select([master], [], [], left)
        if ready:
            seen += os.read(master, 65536)
            if expect is None or expect in seen:
                return time.perf_counter() - start


def percentile(values, p):
    ordered = sorted(values)
    index = min(len(ordered) - 1, max(0, round(p / 100 * len(ordered) + 0.5) - 1))
    return ordered[index]


def report(name, samples):
    ms = [s * 1000 for s in samples]
    print(f"{name}: {len(ms)} keys, median {statistics.median(ms):.3f} ms, "
          f"99th percentile {percentile(ms, 99):.3f} ms, max {max(ms):.3f} ms")


def main():
    args = sys.argv[1:]
    path = "build/linux/bin/menu"
    idle = 10.0
    keys = 200
    frames = None
    while args:
        a = args.pop(0)
        if a == "--idle":
            idle = float(args.pop(0))
        elif a == "--keys":
            keys = int(args.pop(0))
        elif a == "--frames":
            frames = args.pop(0)
        else:
            path = a
    proc, master = start_menu(path)
    floor_proc, floor_master = start_in_terminal(["sh", "-c", "stty raw -echo; exec cat"],
                                                 dict(os.environ))
    try:
        drain(master, quiet=0.5)
        before = cpu_seconds(proc.pid)
        t0 = time.monotonic()
        while time.monotonic() - t0 < idle:
            left = idle - (time.monotonic() - t0)
            drain(master, quiet=left, limit=left)
        spent = cpu_seconds(proc.pid) - before
        elapsed = time.monotonic() - t0
        print(f"idle at the menu: {spent:.4f} s CPU in {elapsed:.1f} s = "
              f"{100 * spent / elapsed:.3f}% of one core")

        menu_key = []
        echo = []
        floor = []
        rounds = max(1, keys // 20)
        for _ in range(rounds):
            floor.append(key_latency(floor_master, b"x", b"x"))
            time.sleep(0.2)
            menu_key.append(key_latency(master, b"1", b"Input n"))
            drain(master, quiet=0.05)
            for i in range(20):
                digit = str(i % 10).encode()
                echo.append(key_latency(master, digit, digit))
                time.sleep(0.002)
                key_latency(master, b"\x7f")
                drain(master, quiet=0.005)
            os.write(master, b"0\r")  # n = 0: back to the menu
            drain(master, quiet=0.2)
        report("menu key (poll) to screen", menu_key)
        report("typed digit to its echo", echo)
        report("floor: a key echoed by cat", floor)
    finally:
        for p, m in ((proc, master), (floor_proc, floor_master)):
            p.kill()
            p.wait()
            os.close(m)
    if frames:
        frame_rate(frames)


if __name__ == "__main__":
    main()
