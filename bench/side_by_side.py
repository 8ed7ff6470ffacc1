#!/usr/bin/env python3
"""One table of the project's figures with a column per target: the
in-process figures (Google Benchmark: median CPU time of the repetitions and
their spread as a coefficient of variation) and the menu's start, first
paint and idle cost (bench/menu_on_both_targets.py), all from this run.

The in-process figures exist for the Linux build only: Debian packages
Google Benchmark for Linux, not for mingw-w64, so the Wine column shows the
menu figures alone.

usage: bench/side_by_side.py [--repetitions N] [--runs N] [--idle SECONDS]
                             [--linux-bin build/linux/bin]
                             [--windows build/windows/bin/menu.exe]
"""
import argparse
import json
import os
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "tools"))
import i386  # noqa: E402
import menu_on_both_targets as menus  # noqa: E402


def inprocess_figures(program, repetitions, emulated):
    command = i386.command(program, f"--benchmark_repetitions={repetitions}",
                           "--benchmark_report_aggregates_only=true",
                           "--benchmark_format=json")
    if emulated:
        command = [i386.host_setting("I386_EMULATOR"), program] + command[-3:]
    result = json.loads(subprocess.run(command, capture_output=True, text=True,
                                       check=True).stdout)
    figures = {}
    for b in result["benchmarks"]:
        name, kind = b["run_name"], b.get("aggregate_name")
        entry = figures.setdefault(name, {"unit": b["time_unit"]})
        if kind in ("median", "cv"):
            entry[kind] = b["cpu_time"]
    return {name: f"{readable(e['median'], e['unit'])} ±{100 * e['cv']:.0f}%"
            for name, e in figures.items()}


def readable(value, unit):
    """A time in the largest unit that keeps it at 1 or more."""
    ns = value * {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[unit]
    for scale, name in ((1e9, "s"), (1e6, "ms"), (1e3, "us")):
        if ns >= scale:
            return f"{ns / scale:.3g} {name}"
    return f"{ns:.3g} ns"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--repetitions", type=int, default=5)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=10.0)
    parser.add_argument("--linux-bin", default=os.path.join(HERE, "..", "build/linux/bin"))
    parser.add_argument("--windows", default=os.path.join(HERE, "..",
                                                          "build/windows/bin/menu.exe"))
    args = parser.parse_args()
    menu = os.path.abspath(os.path.join(args.linux_bin, "menu"))
    bench = os.path.abspath(os.path.join(args.linux_bin, "inprocess_posix_bench"))
    columns = {}
    for row in menus.linux_rows(menu, args.runs, args.idle):
        emulated = not row["name"].endswith("native")
        figures = dict(row)
        if os.path.exists(bench):
            figures.update(inprocess_figures(bench, args.repetitions, emulated))
        columns[row["name"]] = figures
    if os.path.exists(args.windows) and i386.wine_can_start(args.windows):
        for row in menus.windows_side(os.path.abspath(args.windows), args.runs, args.idle):
            columns[row["name"]] = row
    else:
        print(f"Windows: not measured ({args.windows} missing, or Wine cannot start here)")
    names = []
    for figures in columns.values():
        names += [k for k in figures if k != "name" and k not in names]
    load = " ".join(f"{x:.1f}" for x in os.getloadavg())
    print(f"{os.cpu_count()} cores, load average {load}; in-process figures: median CPU "
          f"time of {args.repetitions} repetitions ± coefficient of variation")
    width = max(len(n) for n in names) + 2
    print(f"{'':{width}}" + "".join(f"{c:>26}" for c in columns))
    for name in names:
        cells = []
        for figures in columns.values():
            value = figures.get(name, "-")
            cells.append(f"{value:>26.3f}" if isinstance(value, float) else f"{value!s:>26}")
        print(f"{name:{width}}" + "".join(cells))


if __name__ == "__main__":
    main()
