#!/usr/bin/env bash
# Sourced helpers: start an Xvfb display and a persistent wineserver, and stop
# both again. Callers source this file, then call zq_session_start and
# zq_session_stop (registered as an EXIT trap by zq_session_start).
zq_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$zq_root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

zq_session_start() {
    local size=${1:-1280x1024x24}
    if [ -z "${ZQ_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then
        local n=${ZQ_DISPLAY_NUMBER:-$((90 + RANDOM % 400))}
        while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
        Xvfb ":$n" -screen 0 "$size" -nolisten tcp >/dev/null 2>&1 &
        zq_xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
    fi
    mkdir -p "$WINEPREFIX"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot -i >/dev/null 2>&1 || true
    fi
    wineserver -p </dev/null >/dev/null 2>&1 || true
    # The first program of a session starts Wine's own services; let that
    # happen here, not inside the first test, whose exit can then hang.
    timeout 120 wine cmd /c exit </dev/null >/dev/null 2>&1 || true
    trap zq_session_stop EXIT
}

zq_session_stop() {
    wineserver -k >/dev/null 2>&1 || true
    if [ -n "${zq_xvfb_pid:-}" ]; then kill "$zq_xvfb_pid" 2>/dev/null || true; fi
}
