#!/bin/sh
# Runs every suite: the Linux build, the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, the fuzz targets, and the Windows build (under Wine).
set -e
status=0
ctest --test-dir build/linux --output-on-failure || status=1
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build/linux-asan --output-on-failure || status=1
# The fuzz targets, each for a few seconds from its kept corpus.
ctest --test-dir build/fuzz --output-on-failure || status=1
# Each test program runs under Wine in a pseudo-terminal of its own
# (tools/wine-run); the menu session runs in tmux. Where Wine cannot start,
# the tests are skipped, and each says why.
ctest --test-dir build/windows --output-on-failure || status=1
awk '/^[0-9]+\/[0-9]+ Test: / { name = $3 }
     /cannot run 32-bit programs/ && !seen[name]++ { line = $0; sub(/^-- /, "", line)
                                                     print "  " name " skipped: " line }' \
    build/windows/Testing/Temporary/LastTest.log 2>/dev/null || true
exit $status
