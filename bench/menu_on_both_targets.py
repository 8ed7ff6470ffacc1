#!/usr/bin/env python3
"""The menu on both targets, side by side: the Linux build on our console
(natively where the kernel runs i386 programs, and always under the emulator
as well) and the Windows build on the Wine console (where Wine can start),
each in an 80x25 pseudo-terminal.

For each target it prints
  - the time from start until the first painting is complete (the last byte
    of the first burst of output; median and best of several runs),
  - the bytes sent to the terminal for that first painting,
  - the CPU used by all of the target's processes (for Wine: the program,
    its console host, wineserver and Wine's own services) while the menu sits
    idle for 10 s, and the bytes sent meanwhile.
Both run with console code page 437, so both send the same text.

usage: bench/menu_on_both_targets.py [--runs N] [--idle SECONDS]
                                     [--linux build/linux/bin/menu]
                                     [--windows build/windows/bin/menu.exe]
"""
import argparse
import os
import select
import signal
import statistics
import sys
import time

QUIET = 1.0  # seconds without output that end the first painting
PAINT_TIMEOUT = 60.0
HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, os.path.join(ROOT, "tools"))
import i386  # noqa: E402
from tmux_session import cpu_seconds, start_in_terminal  # noqa: E402


class Session:
    """One program on the slave side of a pseudo-terminal of 80x25."""

    def __init__(self, command, env):
        self.started = time.monotonic()
        self.process, self.master = start_in_terminal(command, env)

    def read_until_quiet(self, quiet, limit):
        """Bytes read and the time of the last one, once output pauses."""
        count, last = 0, None
        deadline = time.monotonic() + limit
        while time.monotonic() < deadline:
            ready, _, _ = select.select([self.master], [], [], quiet)
            if not ready:
                if count:
                    break
                continue
            try:
                data = os.read(self.master, 65536)
            except OSError:
                break
            if not data:
                break
            count += len(data)
            last = time.monotonic()
        return count, last

    def bytes_during(self, seconds):
        count = 0
        deadline = time.monotonic() + seconds
        while (left := deadline - time.monotonic()) > 0:
            ready, _, _ = select.select([self.master], [], [], left)
            if ready:
                try:
                    count += len(os.read(self.master, 65536))
                except OSError:
                    break
        return count

    def close(self):
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.process.wait()
        os.close(self.master)


def processes_with(marker):
    """Pids whose environment holds the marker (root may read them all)."""
    found = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/environ", "rb") as environ:
                if marker in environ.read().split(b"\0"):
                    found.append(int(name))
        except OSError:
            continue
    return found


def cpu_seconds_of(pids):
    total = {}
    for pid in pids:
        try:
            total[pid] = cpu_seconds(pid)
        except OSError:
            continue
    return total


def idle_cpu(marker, seconds, session):
    """Per cent of one core used by the marked processes over the idle time."""
    before = cpu_seconds_of(processes_with(marker))
    sent = session.bytes_during(seconds)
    after = cpu_seconds_of(processes_with(marker))
    used = sum(after[pid] - before.get(pid, 0) for pid in after)
    return 100.0 * used / seconds, sent, len(after)


def measure(name, command, env, marker, runs, idle):
    times, sizes = [], []
    for run in range(runs):
        session = Session(command, env)
        try:
            size, last = session.read_until_quiet(QUIET, PAINT_TIMEOUT)
            if last is None:
                raise SystemExit(f"{name}: no output from {command}")
            times.append(last - session.started)
            sizes.append(size)
            if run == runs - 1:
                cpu, idle_bytes, processes = idle_cpu(marker, idle, session)
        finally:
            session.close()
    return {
        "name": name,
        "start median ms": 1000 * statistics.median(times),
        "start best ms": 1000 * min(times),
        "first paint bytes": statistics.median(sizes),
        "idle cpu %": cpu,
        "idle bytes": idle_bytes,
        "processes": processes,
    }


def linux_side(name, command, runs, idle):
    marker = f"CONRT_BENCH_RUN={os.getpid()}"
    env = dict(os.environ, CONRT_CODEPAGE="437", TERM="xterm")
    env["CONRT_BENCH_RUN"] = str(os.getpid())
    return measure(name, command, env, marker.encode(), runs, idle)


def linux_rows(menu, runs, idle):
    """Natively where this machine can, and under the emulator."""
    emulator = i386.emulator_command()
    rows = []
    if not i386.emulator(menu):
        rows.append(linux_side("Linux, native", [menu], runs, idle))
    rows.append(linux_side(f"Linux, {emulator[0]}", emulator + [menu], runs, idle))
    return rows


def bench_wineprefix(program):
    """A prefix of its own, so that every Wine process counted is this
    session's, wineserver included."""
    return os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(program))),
                        "bench-wineprefix")


def windows_side(menu, runs, idle):
    prefix = bench_wineprefix(menu)
    env = dict(os.environ, CONRT_WINEPREFIX=prefix, TERM="xterm")
    command = [os.path.join(ROOT, "tools", "wine-run"), "--exec", menu]
    # The first start makes the prefix and boots Wine's services: not timed.
    warm = Session(command, env)
    warm.read_until_quiet(QUIET, 300)
    warm.close()
    marker = f"WINEPREFIX={prefix}".encode()
    return [measure("Windows (Wine console)", command, env, marker, runs, idle)]


def print_table(rows):
    keys = ["start median ms", "start best ms", "first paint bytes", "idle cpu %",
            "idle bytes", "processes"]
    print(f"{'':24}" + "".join(f"{k:>18}" for k in keys))
    for row in rows:
        print(f"{row['name']:24}" + "".join(f"{row[k]:>18.3f}" if isinstance(row[k], float)
                                            else f"{row[k]:>18}" for k in keys))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=10.0)
    parser.add_argument("--linux", default=os.path.join(ROOT, "build/linux/bin/menu"))
    parser.add_argument("--windows", default=os.path.join(ROOT, "build/windows/bin/menu.exe"))
    args = parser.parse_args()
    rows = []
    for side, menu in ((linux_rows, args.linux), (windows_side, args.windows)):
        if not os.path.exists(menu):
            print(f"{menu} is missing: build it first (make linux windows)")
            continue
        if side is windows_side and not i386.wine_can_start(menu):
            print(f"Windows: {i386.WINE_CANNOT_START}")
            continue
        rows += side(os.path.abspath(menu), args.runs, args.idle)
    # A busy-polling program gets only what other work leaves it: the load
    # tells how far the CPU figure is from what it would take alone.
    load = " ".join(f"{x:.1f}" for x in os.getloadavg())
    print(f"menu start, first paint and idle ({args.idle:.0f} s); {os.cpu_count()} cores, "
          f"load average {load}; first paint = output until {QUIET:.1f} s of quiet")
    print_table(rows)


if __name__ == "__main__":
    main()
