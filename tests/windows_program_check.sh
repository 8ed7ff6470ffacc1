#!/bin/sh
# What can be checked of a Windows program without running it: a PE32 i386
# image for the console subsystem that imports only the system DLLs the
# runtime uses (and MinGW's C library), or only the DLLs named. Runs on every
# machine, Wine or not.
# Usage: windows_program_check.sh OBJDUMP PROGRAM.exe [DLL...]
objdump=$1 program=$2
shift 2
allowed=${*:-KERNEL32.DLL USER32.DLL MSVCRT.DLL}
headers=$("$objdump" -p "$program") || { echo "FAIL: $objdump cannot read $program"; exit 1; }
failures=0
expect() {
    echo "$headers" | grep -Eq "$1" || { echo "FAIL: $program: not $2"; failures=$((failures + 1)); }
}
expect "file format pei-i386" "an i386 PE image"
expect "^Magic[[:space:]]+010b" "PE32"
expect "^Subsystem[[:space:]]+00000003" "a console (CUI) program"
imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name: //p')
for dll in $imports; do
    echo " $allowed " | grep -qi " $dll " ||
        { echo "FAIL: $program imports $dll"; failures=$((failures + 1)); }
done
echo "$imports" | grep -qi "^kernel32.dll$" || { echo "FAIL: no KERNEL32 import"; failures=$((failures + 1)); }
[ $failures -eq 0 ] || exit 1
echo "$program: PE32 i386 console program importing" $imports
