#!/usr/bin/env bash
# Sourced helpers that pick how a Windows program of this project runs under
# Wine: the loader its architecture needs and the prefix of its own build
# (build/win32/wineprefix, build/win64/wineprefix; a 64-bit prefix is never
# shared with the 32-bit one).
zq_root=${zq_root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# Prints 64 for a PE32+ x86-64 program, 32 for an i386 one, nothing otherwise.
zq_pe_bits() {
    local file=$1 offset machine
    [ -f "$file" ] || return 0
    [ "$(head -c 2 "$file" 2>/dev/null)" = MZ ] || return 0
    offset=$(od -An -tu4 -j 60 -N 4 "$file" | tr -d ' ')
    machine=$(od -An -tx2 -j $((offset + 4)) -N 2 "$file" | tr -d ' ')
    case $machine in
    8664) echo 64 ;;
    014c) echo 32 ;;
    esac
}

# True when this kernel runs 32-bit programs (some have ia32 emulation
# switched off). Decided once by trying the 32-bit loader; the answer is kept
# in ZQ_WIN32_RUNS (yes/no) for everything started from here. Setting
# ZQ_WIN32_RUNS=no beforehand makes a machine behave as one that cannot.
zq_win32_runs() {
    if [ -z "${ZQ_WIN32_RUNS:-}" ]; then
        if /usr/lib/wine/wine --version >/dev/null 2>&1; then ZQ_WIN32_RUNS=yes; else ZQ_WIN32_RUNS=no; fi
        export ZQ_WIN32_RUNS
    fi
    [ "$ZQ_WIN32_RUNS" = yes ]
}

# The loader for BITS: the ordinary one for 32-bit programs; the 64-bit one
# directly for 64-bit programs, since the ordinary script would start the
# 32-bit loader first, which cannot run where 32-bit programs cannot.
zq_wine_loader() {
    if [ "$1" = 64 ]; then
        if [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64; else echo wine64; fi
    else
        echo wine
    fi
}

zq_wine_prefix() { echo "$zq_root/build/win$1/wineprefix"; }

# Starts the persistent wineserver of BITS's prefix (creating the prefix) and
# lets the first program start Wine's own services here, not inside a test.
zq_wine_start() {
    local bits=$1 loader prefix
    loader=$(zq_wine_loader "$bits")
    prefix=${WINEPREFIX:-$(zq_wine_prefix "$bits")}
    mkdir -p "$prefix"
    if [ ! -f "$prefix/system.reg" ]; then
        WINEPREFIX=$prefix WINEARCH=win64 WINELOADER=$loader \
            timeout 300 "$loader" wineboot -i </dev/null >/dev/null 2>&1 || true
    fi
    WINEPREFIX=$prefix wineserver -p </dev/null >/dev/null 2>&1 || true
    WINEPREFIX=$prefix WINELOADER=$loader timeout 120 "$loader" cmd /c exit </dev/null >/dev/null 2>&1 || true
    zq_wine_prefixes+=("$prefix")
}

zq_wine_stop() {
    local prefix
    for prefix in "${zq_wine_prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    done
    zq_wine_prefixes=()
}
zq_wine_prefixes=()
