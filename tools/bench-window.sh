#!/usr/bin/env bash
# Benchmark of the demonstration in its GDI window against the Null driver,
# under Wine on a private Xvfb display (Windows build with the benchmarks on).
#   tools/bench-window.sh [RUNS] [BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=${2:-build/win32-bench}
if ! cmake --preset win32 -B "$build" -DZQ_BENCH=ON -DZQ_TESTS=OFF >/dev/null ||
    ! cmake --build "$build" -j2 --target bench_window_demo >/dev/null; then
    echo "bench-window: build failed" >&2
    exit 1
fi
source tools/xvfb-session.sh
zq_session_start 1280x1024x24
wine "$build/bench/bench_window_demo.exe" "$runs"
