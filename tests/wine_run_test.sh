#!/bin/sh
# The contract of tools/wine-run: the program's exit status comes through,
# the program has a console while its standard output stays the caller's,
# and a program that outlives the timeout is killed with status 124.
# Usage: tests/wine_run_test.sh PATH_TO_wine_run_probe.exe
probe=$1
runner="$(cd "$(dirname "$0")/.." && pwd)/tools/wine-run"
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

for code in 0 3 200; do
    "$runner" "$probe" exit $code
    status=$?
    [ "$status" -eq "$code" ] || fail "exit status $code came through as $status"
done

output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$runner" "$probe" console >"$output"
status=$?
report=$(tr -d '\r' <"$output") # the Windows C library ends lines with CR LF
[ "$status" -eq 0 ] || fail "the probe found no console (status $status)"
[ "$report" = "console 80x25" ] || fail "the report on standard output reads '$report'"

started=$(date +%s)
"$runner" --timeout 2 "$probe" hang 2>/dev/null
status=$?
elapsed=$(($(date +%s) - started))
[ "$status" -eq 124 ] || fail "a program past its timeout gave status $status, not 124"
[ "$elapsed" -lt 15 ] || fail "the timeout of 2 s took $elapsed s"
sleep 1
if ps -eo args | grep -F "$probe hang" | grep -v grep | grep -q .; then
    fail "the program outlived its timeout"
fi

[ "$failures" -eq 0 ] && echo "wine-run keeps its contract"
exit "$failures"
