#!/usr/bin/env bash
# Sourced helpers: start an Xvfb display and the persistent wineservers of the
# Windows builds that run here, and stop them again. Callers source this file,
# then call zq_session_start [SIZE [BITS...]] and zq_session_stop (registered
# as an EXIT trap by zq_session_start); zq_display_start [SIZE] gives the
# display alone. BITS defaults to 64, plus 32 where the
# kernel runs 32-bit programs.
zq_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$zq_root/tools/wine-env.sh"

zq_session_start() {
    local size=${1:-1280x1024x24}
    shift || true
    local bits=("$@")
    if [ ${#bits[@]} -eq 0 ]; then
        bits=(64)
        if zq_win32_runs; then bits+=(32); fi
    fi
    if [ -z "${ZQ_KEEP_DISPLAY:-}" ] || [ -z "${DISPLAY:-}" ]; then zq_display_start "$size"; fi
    local b
    for b in "${bits[@]}"; do zq_wine_start "$b"; done
    trap zq_session_stop EXIT
}

# Starts a private Xvfb display of SIZE (default 1280x1024x24) and points
# DISPLAY at it; zq_session_stop ends it.
zq_display_start() {
    local n=${ZQ_DISPLAY_NUMBER:-$((90 + RANDOM % 800))}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "${1:-1280x1024x24}" -nolisten tcp >/dev/null 2>&1 &
    zq_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
}

zq_session_stop() {
    zq_wine_stop
    if [ -n "${zq_xvfb_pid:-}" ]; then kill "$zq_xvfb_pid" 2>/dev/null || true; fi
}
