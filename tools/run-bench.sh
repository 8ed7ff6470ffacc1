#!/bin/sh
# Prints the project's figures: terminal painting, idle polling, key latency
# and a program polling while it draws on Linux; then one table with the
# in-process figures and the menu's start and idle natively, under the
# emulator and on the Windows build under Wine, side by side.
# Benchmarks want a quiet machine; run them one after another.
set -e
bin=build/linux/bin
run="tools/i386-run build/linux"
echo "== painting and output latency (80x25 pseudo-terminal)"
$run $bin/paint_posix_bench
echo "== idle polling, key latency, polling while drawing"
python3 bench/menu_input_bench.py $bin/menu --idle 10 --keys 400 --frames $bin/frame_poll_posix_bench
echo "== side by side: in-process figures and the menu, natively, under the emulator and on Windows"
python3 bench/side_by_side.py --linux-bin $bin --windows build/windows/bin/menu.exe
echo "== a 1 MiB line: piped, pasted, and Ctrl+C in an endless paste"
python3 bench/long_input_bench.py $bin/menu
