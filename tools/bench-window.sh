#!/usr/bin/env bash
# Benchmark of the demonstration in its GDI window and through DirectX against
# the Null driver, under Wine on a private Xvfb display (Windows build with the
# benchmarks on).
#   tools/bench-window.sh [RUNS] [win32|win64]
set -uo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
target=${2:-win32}
build=build/$target-bench
if ! cmake --preset "$target" -B "$build" -DZQ_BENCH=ON -DZQ_TESTS=OFF >/dev/null ||
    ! cmake --build "$build" -j2 --target bench_window_demo >/dev/null; then
    echo "bench-window: build failed" >&2
    exit 1
fi
source tools/xvfb-session.sh
bits=${target#win}
zq_session_start 1280x1024x24 "$bits"
tools/wine-exec.sh "$build/bench/bench_window_demo.exe" "$runs"
