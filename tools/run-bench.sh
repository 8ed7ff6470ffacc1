#!/bin/sh
# Prints the project's figures: painting, real numbers, idle polling and key
# latency on Linux, and both targets side by side when the Windows build is
# there. Benchmarks want a quiet machine; run them one after another.
set -e
bin=build/linux/bin
echo "== painting and output latency (80x25 pseudo-terminal)"
$bin/paint_posix_bench
echo "== real numbers"
$bin/real_bench
echo "== idle polling and key latency"
python3 bench/menu_input_bench.py $bin/menu --idle 10 --keys 400
if [ -x build/windows/bin/menu.exe ]; then
    echo "== both targets"
    python3 bench/menu_on_both_targets.py --linux $bin/menu --windows build/windows/bin/menu.exe
fi
