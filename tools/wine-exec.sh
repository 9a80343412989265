#!/usr/bin/env bash
# Runs a Windows program under Wine with no debug output: the 64-bit loader for
# a 64-bit program, the ordinary one otherwise, and the prefix of the program's
# own build unless WINEPREFIX names one. Used as the cross-compiling emulator
# for tests.
set -u
source "$(dirname "$0")/wine-env.sh"
bits=$(zq_pe_bits "${1:-}")
if [ -z "$bits" ]; then
    # Not a program file (a built-in such as cmd): whatever this kernel runs.
    if zq_win32_runs; then bits=32; else bits=64; fi
fi
loader=$(zq_wine_loader "$bits")
export WINEPREFIX="${WINEPREFIX:-$(zq_wine_prefix "$bits")}"
export WINELOADER="$loader"
[ -d "$WINEPREFIX" ] || export WINEARCH=win64
exec "$loader" "$@"
