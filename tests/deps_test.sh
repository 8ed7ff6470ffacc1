#!/bin/sh
# tools/deps.sh decides what to do from apt-get's answers; here apt-get,
# dpkg-query, dpkg, id and sleep are stand-ins first on PATH, so the three
# answers that matter are played without a network.
set -u
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/deps-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/tools" "$work/bin"
cp "$src/tools/deps.sh" "$src/tools/i386-host.conf" "$work/tools/"
printf '#!/bin/sh\necho native\n' > "$work/tools/i386-probe"
cat > "$work/bin/apt-get" <<'FAKE'
#!/bin/sh
echo "$*" >> "$FAKE_LOG"
case "$*" in
*update*) [ "$FAKE_UPDATE" = 0 ] || {
    echo "E: Failed to fetch http://mirror/dists/x/binary-i386/Packages.xz  File has unexpected size (1 != 2). Mirror sync in progress?"
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."; }
    exit "$FAKE_UPDATE" ;;
*install*) [ "$FAKE_INSTALL" = 0 ] || echo "E: Unable to locate package nasm"
    exit "$FAKE_INSTALL" ;;
esac
FAKE
printf '#!/bin/sh\n[ "$FAKE_INSTALLED" = yes ] && printf "install ok installed"\nexit 0\n' > "$work/bin/dpkg-query"
printf '#!/bin/sh\necho i386\n' > "$work/bin/dpkg"
printf '#!/bin/sh\necho 0\n' > "$work/bin/id"
printf '#!/bin/sh\n' > "$work/bin/sleep"
chmod +x "$work/bin/"* "$work/tools/i386-probe"

failures=0
# run NAME INSTALLED UPDATE_STATUS INSTALL_STATUS: runs the goal "test".
run() {
    : > "$work/calls"
    FAKE_LOG=$work/calls FAKE_INSTALLED=$2 FAKE_UPDATE=$3 FAKE_INSTALL=$4 PATH="$work/bin:$PATH" \
        sh "$work/tools/deps.sh" test > "$work/out" 2>&1
    status=$?
    case_name=$1
}
expect() {
    if ! eval "$1"; then
        echo "FAIL ($case_name): $2"
        sed 's/^/  | /' "$work/out"
        failures=$((failures + 1))
    fi
}
has() { grep -q -- "$1" "$work/out"; }

run "update fails, install works" no 100 0
expect '[ $status = 0 ]' "the goal went on (status $status)"
expect '[ $(grep -c update "$work/calls") = 3 ]' "the update was tried three times, in one run"
expect 'grep -q install "$work/calls"' "the install ran"
expect 'has "could not fetch http://mirror/dists/x/binary-i386/Packages.xz (File has unexpected size"' \
    "the failed index named"
expect 'has "installing from the indexes at hand"' "the install said to go on"

run "install fails" no 0 100
expect '[ $status != 0 ]' "the goal stopped"
expect 'has "Could not install the Debian packages: cmake make g++"' "the missing packages named"
expect 'has "E: Unable to locate package nasm"' "apt's error shown"
expect 'has "Retry as root:  dpkg --add-architecture i386 && apt-get update && apt-get install -y"' \
    "the command to retry given"

run "everything installed" yes 100 100
expect '[ $status = 0 ]' "the goal went on (status $status)"
expect '[ ! -s "$work/calls" ]' "apt-get was not called"

[ $failures = 0 ] && echo "deps.sh: all cases passed"
exit $failures
