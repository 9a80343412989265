#!/usr/bin/env bash
# A Windows executable of the project is one self-contained console program:
# the expected PE kind, console subsystem, and imports from Windows' own DLLs
# only (no C++ runtime, libgcc or thread-library DLL to ship beside it).
# Usage: exe_format_test.sh EXPECTED_KIND PROGRAM.exe...
#   EXPECTED_KIND: "PE32 executable (console) Intel 80386" or
#                  "PE32+ executable (console) x86-64"
set -u
kind=$1
shift
system_dlls=' KERNEL32.dll USER32.dll GDI32.dll msvcrt.dll WINMM.dll ADVAPI32.dll '
status=0
for exe in "$@"; do
    description=$(file -b "$exe")
    case $description in
    "$kind"*) ;;
    *) echo "FAIL: $exe is \"$description\", not \"$kind\""; status=1 ;;
    esac
    dlls=$(objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
    [ -n "$dlls" ] || { echo "FAIL: no import table read from $exe"; status=1; }
    for dll in $dlls; do
        case $system_dlls in
        *" $dll "*) ;;
        *) echo "FAIL: $exe imports $dll, which is not one of Windows' own DLLs"; status=1 ;;
        esac
    done
    echo "$(basename "$exe"): $description; imports $(echo $dlls)"
done
exit $status
