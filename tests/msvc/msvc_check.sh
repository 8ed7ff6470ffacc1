#!/bin/sh
# conrt.lib as Microsoft's tools take it, checked with LLVM's stand-ins for
# them: lld-link for link.exe, llvm-ml for ml.exe, clang in Microsoft mode for
# cl.exe, and import libraries made from .def files by llvm-dlltool.
#   symbols NM LIBRARY
#       the library needs nothing from outside but KERNEL32 and USER32
#       imports: no C runtime, no libgcc
#   link SOURCE_DIR BUILD_DIR WORK CLANG LLD_LINK LLVM_ML DLLTOOL OBJDUMP
#       from what the Windows zip holds (the build installed into WORK), a C
#       program built without a C runtime and the MASM example link at
#       /SAFESEH into console programs importing only KERNEL32 and USER32
#   run SOURCE_DIR WORK MINGW_PROGRAM
#       both run under Wine: the C program writes what its MinGW build
#       writes, the MASM example what it should
mode=$1
shift
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

symbols() {
    nm=$1 library=$2
    listing=$("$nm" -u "$library") || { echo "FAIL: $nm cannot read $library"; exit 1; }
    others=$(echo "$listing" | awk '$1 == "U" { print $2 }' | grep -v '^__imp__' | sort -u)
    [ -z "$others" ] || fail "$library needs" $others
    echo "$library: $(echo "$listing" | grep -c '__imp__') imports, nothing else undefined"
}

link() {
    source=$1 build=$2 work=$3 clang=$4 lld_link=$5 llvm_ml=$6 dlltool=$7 objdump=$8
    rm -rf "$work" && mkdir -p "$work" && cd "$work" || exit 1
    cmake --install "$build" --prefix "$work/conrt" > install.log 2>&1 || { cat install.log; exit 1; }
    library=$work/conrt/lib/conrt.lib
    for dll in kernel32 user32; do
        "$dlltool" -m i386 -k -d "$source/tests/msvc/$dll.def" -l $dll.lib || fail "$dll.lib"
    done
    # /SAFESEH refuses any object that does not say it is SafeSEH-compatible.
    link_program() {
        "$lld_link" /nologo /subsystem:console /entry:main /safeseh /nodefaultlib \
            /out:"$1.exe" "$1.obj" "$library" kernel32.lib user32.lib || fail "$1.exe does not link"
        sh "$source/tests/windows_program_check.sh" "$objdump" "$1.exe" KERNEL32.DLL USER32.DLL ||
            failures=$((failures + 1))
    }
    "$clang" --target=i686-pc-windows-msvc -O2 -Wall -Wextra -Werror -I"$work/conrt/include/conrt" \
        -c "$source/tests/msvc/reals_program.c" -o reals_msvc.obj || fail "the C program"
    link_program reals_msvc
    "$llvm_ml" -m32 /safeseh /DCONRT_LLVM_ML /I "$work/conrt/include/conrt/masm" /c \
        /Fo hello_masm.obj "$work/conrt/share/doc/conrt/examples/hello_masm.asm" || fail "the MASM example"
    link_program hello_masm
}

# What a program's console sent to its terminal, as text: a cursor move to
# the right for a blank, other control sequences dropped, every run of
# blanks and line ends one blank.
console_text() {
    sed -e 's/\x1b\[[0-9]*C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr -s ' \r\n' '   '
}

run() {
    source=$1 work=$2 mingw=$3
    wine_run="$source/tools/wine-run"
    for program in "$work/reals_msvc.exe" "$mingw" "$work/hello_masm.exe"; do
        log="$work/$(basename "$program" .exe).log"
        "$wine_run" --timeout 120 --console-output --keys '\r' --pty-log "$log" "$program" > "$log.out"
        status=$?
        if [ $status -eq 77 ]; then
            cat "$log.out" # Wine cannot start here; the runner says why
            exit 0
        fi
        [ $status -eq 0 ] || fail "$program ended with status $status"
    done
    msvc=$(console_text "$work/reals_msvc.log")
    mingw=$(console_text "$work/$(basename "$mingw" .exe).log")
    echo "Microsoft mode: $msvc"
    echo "MinGW:          $mingw"
    case "$msvc" in *"Reals from C: +1.5000000E+000 -2.5000000E+000"*"Done."*) ;;
    *) fail "the C program in Microsoft mode does not write its reals" ;; esac
    [ "$msvc" = "$mingw" ] || fail "the C program writes otherwise in Microsoft mode than with MinGW"
    masm=$(console_text "$work/hello_masm.log")
    echo "MASM: $masm"
    for expected in "Hello from MASM: -2024 A real: +1.5000000E+000" "Key code: 1C0D" \
        "EAX=12345678 EBX=" "ECX=9ABCDEF0 EDX=0BADF00D" "Done."; do
        case "$masm" in *"$expected"*) ;; *) fail "the MASM example does not write: $expected" ;; esac
    done
}

"$mode" "$@"
[ $failures -eq 0 ] || exit 1
