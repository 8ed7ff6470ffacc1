#!/bin/sh
# Installs the Debian packages that a make goal needs, when run as root;
# otherwise names the one command to run.
# Usage: tools/deps.sh run|test|fuzz|bench|package
set -e
goal=${1:-test}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/i386-host.conf"

missing_of() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing="$missing $p"
    done
    echo "$missing"
}

# A mirror caught mid-sync fails one index now and then. The packages wanted
# usually resolve from the indexes that did download, so a failed update is
# retried a little, then reported in one line and the install tried anyway;
# only the install's own failure stops the goal. Once a run is enough, unless
# an architecture was added since.
update_indexes() {
    [ -z "${updated:-}" ] || return 0
    updated=yes
    log=$(mktemp "${TMPDIR:-/tmp}/deps-update.XXXXXX")
    for pause in 2 5 0; do
        apt-get update -qq -o Acquire::Retries=3 > "$log" 2>&1 && { rm -f "$log"; return 0; }
        [ "$pause" = 0 ] || sleep "$pause"
    done
    failed=$(sed -n 's/^[EW]: Failed to fetch \([^ ]*\) *\(.*\)/\1 (\2)/p' "$log" | paste -sd ';' -)
    [ -n "$failed" ] || failed=$(grep -m1 '^E:' "$log" || echo "no reason given")
    echo "apt-get update could not fetch $failed; installing from the indexes at hand"
    rm -f "$log"
}

install() {
    missing=$(missing_of "$@")
    [ -z "$missing" ] && return 0
    retry="dpkg --add-architecture i386 && apt-get update && apt-get install -y$missing"
    if [ "$(id -u)" != 0 ]; then
        echo "Missing Debian packages:$missing"
        echo "Run as root:  $retry"
        exit 1
    fi
    echo "Installing Debian packages:$missing"
    case "$missing" in
    *:i386*) dpkg --print-foreign-architectures | grep -q i386 ||
        { dpkg --add-architecture i386 && updated=""; } ;;
    esac
    export DEBIAN_FRONTEND=noninteractive
    update_indexes
    log=$(mktemp "${TMPDIR:-/tmp}/deps-install.XXXXXX")
    if ! apt-get install -y -qq --no-install-recommends $missing > "$log" 2>&1; then
        grep '^E:' "$log" || tail -n 5 "$log"
        rm -f "$log"
        echo "Could not install the Debian packages:$missing"
        echo "Retry as root:  $retry"
        exit 1
    fi
    rm -f "$log"
}

# python3 drives the end-to-end sessions and tools/wine-run; the build's
# configuration registers those tests, so it is wanted from the start.
install cmake make g++ g++-multilib googletest python3

# The compiler is there now, so the probe can run; its answer is kept in the
# Linux build folder for everything after.
mode=$("$here/i386-probe" "$here/../build/linux")
packages=""
[ "$mode" = emulated ] && packages=$I386_EMULATOR_PACKAGE
if [ "$goal" = test ]; then
    # The emulator runs a smoke set even where the kernel runs i386 natively;
    # nasm assembles the NASM example for both targets.
    packages="$I386_EMULATOR_PACKAGE g++-mingw-w64-i686 tmux nasm"
    # Wine's loader is an i386 program itself: useless where the kernel
    # refuses those, and the Windows suites are skipped there.
    [ "$mode" = native ] && packages="$packages wine wine32:i386"
fi
# The fuzz targets: clang and its libFuzzer runtime (i386 included); the
# suite runs them briefly, so the test goal wants them too. The in-process
# benchmarks run on Google Benchmark, i386, built with the Linux tree; their
# Windows column wants the Windows build and Wine, where Wine can start.
# LLVM's stand-ins for Microsoft's tools build conrt.lib (llvm-lib) and
# check it (lld-link, llvm-ml, llvm-dlltool, clang in Microsoft mode); lintian
# checks the Debian package.
case "$goal" in
test) packages="$packages clang-14 libclang-rt-14-dev libbenchmark-dev:i386 llvm lld lintian" ;;
package) packages="$packages g++-mingw-w64-i686 llvm" ;;
fuzz) packages="$packages clang-14 libclang-rt-14-dev tmux" ;;
bench)
    packages="$packages $I386_EMULATOR_PACKAGE tmux libbenchmark-dev:i386 g++-mingw-w64-i686"
    [ "$mode" = native ] && packages="$packages wine wine32:i386"
    ;;
esac
[ -n "$packages" ] && install $packages
exit 0
