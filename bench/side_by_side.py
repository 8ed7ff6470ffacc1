#!/usr/bin/env python3
"""One table of the project's figures with a column per target: the
in-process figures (Google Benchmark: median CPU time of the repetitions and
their spread as a coefficient of variation) and the menu's start, first
paint and idle cost (bench/menu_on_both_targets.py), all from this run.

The Windows build's in-process figures come from bench/inprocess_bench.exe
under Wine, on the console that tools/wine-run gives it; its report arrives
on standard output, apart from the console. It is built on bench/minibench
(Debian has no mingw-w64 Google Benchmark), whose times are elapsed time.
A figure that a target does not have shows as "—".

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


# Built for both targets, and for Linux alone.
INPROCESS = ("inprocess_bench", "inprocess_posix_bench")
WINDOWS = "Windows (Wine console)"
MISSING = "\u2014"
# Under Wine the whole run takes about a minute (one clear of the tall
# buffer: 2 s); the limit is only there to end a console that hangs.
WINE_TIMEOUT = 1800


def inprocess_figures(command, repetitions, env=None):
    """Each figure as 'median ±cv%', and whether its times are elapsed time."""
    command = command + [f"--benchmark_repetitions={repetitions}",
                         "--benchmark_report_aggregates_only=true", "--benchmark_format=json"]
    result = json.loads(subprocess.run(command, capture_output=True, text=True, check=True,
                                       env=env).stdout)
    figures = {}
    for b in result["benchmarks"]:
        name, kind = b["run_name"], b.get("aggregate_name")
        entry = figures.setdefault(name, {"unit": b["time_unit"]})
        if kind in ("median", "cv"):
            entry[kind] = b["cpu_time"]
    elapsed = result.get("context", {}).get("timer") == "elapsed"
    return {name: f"{readable(e['median'], e['unit'])} ±{100 * e['cv']:.0f}%"
            for name, e in figures.items()}, elapsed


def linux_inprocess(linux_bin, repetitions, emulated):
    figures = {}
    for name in INPROCESS:
        program = os.path.abspath(os.path.join(linux_bin, name))
        if os.path.exists(program):
            start = i386.emulator_command() if emulated else i386.emulator(program)
            figures.update(inprocess_figures(start + [program], repetitions)[0])
    return figures


def windows_column(menu, runs, idle, repetitions):
    """The Windows build's figures, and a note when its times are elapsed
    time; a column of one word where they cannot be had."""
    bench = os.path.join(os.path.dirname(menu), INPROCESS[0] + ".exe")
    if not os.path.exists(menu) and not os.path.exists(bench):
        return {"name": WINDOWS, None: "not built"}, f"{WINDOWS}: {menu} not built"
    if not i386.wine_can_start(menu if os.path.exists(menu) else bench):
        return {"name": WINDOWS, None: "Wine cannot start"}, f"{WINDOWS}: {i386.WINE_CANNOT_START}"
    column, note = {"name": WINDOWS}, None
    if os.path.exists(menu):
        column.update(menus.windows_side(os.path.abspath(menu), runs, idle)[0])
    if os.path.exists(bench):
        env = dict(os.environ, CONRT_WINEPREFIX=menus.bench_wineprefix(menu))
        command = [os.path.join(HERE, "..", "tools", "wine-run"), "--timeout", str(WINE_TIMEOUT),
                   os.path.abspath(bench)]
        figures, elapsed = inprocess_figures(command, repetitions, env)
        column.update(figures)
        if elapsed:
            note = f"{WINDOWS}: in-process times are elapsed time (bench/minibench)"
    return column, note


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
    if args.repetitions < 2:
        parser.error("--repetitions: at least 2, for a spread")
    menu = os.path.abspath(os.path.join(args.linux_bin, "menu"))
    columns = {}
    for row in menus.linux_rows(menu, args.runs, args.idle):
        emulated = not row["name"].endswith("native")
        columns[row["name"]] = dict(row, **linux_inprocess(args.linux_bin, args.repetitions,
                                                            emulated))
    windows, note = windows_column(args.windows, args.runs, args.idle, args.repetitions)
    columns[WINDOWS] = windows
    names = []
    for figures in columns.values():
        names += [k for k in figures if k not in ("name", None) and k not in names]
    load = " ".join(f"{x:.1f}" for x in os.getloadavg())
    print(f"{os.cpu_count()} cores, load average {load}; in-process figures: median CPU "
          f"time of {args.repetitions} repetitions ± coefficient of variation")
    width = max(len(n) for n in names) + 2
    print(f"{'':{width}}" + "".join(f"{c:>26}" for c in columns))
    for name in names:
        cells = []
        for figures in columns.values():
            value = figures.get(name, figures.get(None, MISSING))
            cells.append(f"{value:>26.3f}" if isinstance(value, float) else f"{value!s:>26}")
        print(f"{name:{width}}" + "".join(cells))
    if note:
        print(note)


if __name__ == "__main__":
    main()
