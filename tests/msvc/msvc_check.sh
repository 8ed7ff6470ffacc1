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
#   compare PROGRAM PROGRAM_IN_MICROSOFT_MODE
#       on Linux, the C program built by GCC and by clang reading the
#       headers as Microsoft's compilers do write the same
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
        program=$1 entry=$2
        shift 2
        "$lld_link" /nologo /subsystem:console /entry:$entry /safeseh /nodefaultlib \
            /out:"$program.exe" "$@" "$library" kernel32.lib user32.lib || fail "$program.exe does not link"
        sh "$source/tests/windows_program_check.sh" "$objdump" "$program.exe" KERNEL32.DLL USER32.DLL ||
            failures=$((failures + 1))
    }
    for part in reals_program no_crt_start; do
        "$clang" --target=i686-pc-windows-msvc -O2 -Wall -Wextra -Werror -I"$work/conrt/include/conrt" \
            -c "$source/tests/msvc/$part.c" -o $part.obj || fail "$part.c"
    done
    link_program reals_msvc start reals_program.obj no_crt_start.obj
    "$llvm_ml" -m32 /safeseh /DCONRT_LLVM_ML /I "$work/conrt/include/conrt/masm" /c \
        /Fo hello_masm.obj "$work/conrt/share/doc/conrt/examples/hello_masm.asm" || fail "the MASM example"
    link_program hello_masm main hello_masm.obj
}

# What a program's console sent to its terminal, as text: a cursor move to
# the right for a blank, other control sequences dropped, every run of
# blanks and line ends one blank.
console_text() {
    sed -e 's/\x1b\[[0-9]*C/ /g' -e 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$1" | tr -s ' \r\n' '   '
}

# The C program's two outputs: its reals, and the same in both builds.
same_reals() {
    case "$1" in *"Reals from C:"*"+1.5000000E+000"*"-1.0000000E-310"*"-42"*"Done."*) ;;
    *) fail "the C program does not write its reals" ;; esac
    [ "$1" = "$2" ] || fail "the C program writes otherwise in Microsoft mode"
}

compare() {
    # The i386 programs of a Linux build, through the emulator where needed.
    gcc=$(printf -- '-0.125\n' | $CONRT_I386_EMULATOR "$1") || fail "$1 failed"
    msvc=$(printf -- '-0.125\n' | $CONRT_I386_EMULATOR "$2") || fail "$2 failed"
    printf 'GCC:\n%s\nMicrosoft mode:\n%s\n' "$gcc" "$msvc"
    case "$msvc" in *"-3.7500000E-001"*) ;; *) fail "the real read is not given back" ;; esac
    same_reals "$gcc" "$msvc"
}

run() {
    source=$1 work=$2 mingw=$3
    wine_run="$source/tools/wine-run"
    # Enter answers the real's prompt too: no number, in both builds alike.
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
    same_reals "$mingw" "$msvc"
    masm=$(console_text "$work/hello_masm.log")
    echo "MASM: $masm"
    for expected in "Hello from MASM: -2024 A real: +1.5000000E+000" "Key code: 1C0D" \
        "EAX=12345678 EBX=" "ECX=9ABCDEF0 EDX=0BADF00D" "Done."; do
        case "$masm" in *"$expected"*) ;; *) fail "the MASM example does not write: $expected" ;; esac
    done
}

"$mode" "$@"
[ $failures -eq 0 ] || exit 1
