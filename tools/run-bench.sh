#!/bin/sh
# Prints the project's figures: painting, real numbers, idle polling and key
# latency on Linux, and the menu's start and idle natively, under the
# emulator and on the Windows build side by side. Benchmarks want a quiet
# machine; run them one after another.
set -e
bin=build/linux/bin
run="tools/i386-run build/linux"
echo "== painting and output latency (80x25 pseudo-terminal)"
$run $bin/paint_posix_bench
echo "== real numbers"
$run $bin/real_bench
echo "== idle polling and key latency"
python3 bench/menu_input_bench.py $bin/menu --idle 10 --keys 400
echo "== a 1 MiB line: piped, pasted, and Ctrl+C in an endless paste"
python3 bench/long_input_bench.py $bin/menu
echo "== the menu natively, under the emulator and on Windows"
python3 bench/menu_on_both_targets.py --linux $bin/menu --windows build/windows/bin/menu.exe
