#!/bin/sh
# Runs fuzz targets one after another, each for SECONDS on one core, from the
# corpus kept in fuzz/corpus/<name>; what a run adds goes to WORK/<name>, so
# the kept corpus changes only when someone merges on purpose. Prints the
# executions and coverage of each target; fails when a target breaks a
# property or crashes (its log and the input are in WORK).
# Usage: tools/run-fuzz.sh SECONDS WORK TARGET...
set -u
here=$(cd "$(dirname "$0")" && pwd)
seconds=$1
work=$2
shift 2
status=0
total=0
printf '%-16s %12s %10s %10s %8s\n' target executions exec/s coverage features
for target in "$@"; do
    name=$(basename "$target" _fuzz)
    corpus="$here/../fuzz/corpus/$name"
    mkdir -p "$work/$name" "$corpus"
    log="$work/$name.log"
    # The build folder is the one above bin/, for the emulator's probe.
    build=$(dirname "$(dirname "$target")")
    # Under the emulator the leak check at exit never ends: leaks are left to
    # the native runs there.
    leaks=${ASAN_OPTIONS:-}
    if [ "$("$here/i386-probe" "$build")" = emulated ]; then
        leaks="${leaks:+$leaks:}detect_leaks=0"
        echo "$name: under the emulator, without the leak check"
    fi
    if ! ASAN_OPTIONS="$leaks" "$here/i386-run" "$build" "$target" \
        -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$work/$name-" \
        "$work/$name" "$corpus" >"$log" 2>&1; then
        status=1
        echo "$name: FAILED, see $log"
        tail -n 30 "$log"
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
    last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -n 1)
    cov=$(echo "$last" | sed -n 's/.*cov: \([0-9]*\).*/\1/p')
    ft=$(echo "$last" | sed -n 's/.*ft: \([0-9]*\).*/\1/p')
    printf '%-16s %12s %10s %10s %8s\n' "$name" "${runs:-?}" "${rate:-?}" "${cov:-?}" "${ft:-?}"
    total=$((total + ${runs:-0}))
done
printf '%-16s %12s\n' total "$total"
exit $status
