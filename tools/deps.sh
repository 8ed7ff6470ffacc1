#!/bin/sh
# Installs the Debian packages that a make goal needs, when run as root;
# otherwise names the one command to run. Usage: tools/deps.sh run|test
set -e
goal=${1:-test}
# python3 drives the end-to-end sessions and tools/wine-run; the build's
# configuration registers those tests, so it is wanted from the start.
packages="cmake make g++ g++-multilib googletest python3"
i386_packages=""
if [ "$goal" = test ]; then
    # nasm: the NASM example, assembled for both targets.
    packages="$packages g++-mingw-w64-i686 tmux nasm"
    i386_packages="wine32:i386"
    packages="$packages wine"
fi

missing=""
for p in $packages $i386_packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" != 0 ]; then
    echo "Missing Debian packages:$missing"
    echo "Run as root:  dpkg --add-architecture i386 && apt-get update && apt-get install -y$missing"
    exit 1
fi
echo "Installing Debian packages:$missing"
if [ -n "$i386_packages" ] && ! dpkg --print-foreign-architectures | grep -q i386; then
    dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends $missing
