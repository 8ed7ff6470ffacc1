#!/bin/sh
# The Debian package as Debian's own checker sees it: no errors and no
# warnings (informational tags are allowed).
# Usage: package_lintian.sh BUILD_DIR
build=$1 work=$1/lintian-check
rm -rf "$work" && mkdir -p "$work" || exit 1
cpack -G DEB -B "$work" --config "$build/CPackConfig.cmake" > "$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; exit 1; }
lintian --fail-on error,warning "$work"/*.deb || exit 1
echo "lintian: no errors or warnings on" "$work"/*.deb
