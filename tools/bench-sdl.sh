#!/usr/bin/env bash
# Benchmark of the native demonstration in its SDL window against the Null
# driver, on a private Xvfb display (bench preset).
#   tools/bench-sdl.sh [RUNS]
set -uo pipefail
cd "$(dirname "$0")/.."
if ! cmake --preset bench >/dev/null || ! cmake --build --preset bench --target bench_sdl_demo >/dev/null; then
    echo "bench-sdl: build failed" >&2
    exit 1
fi
bash tools/with-xvfb.sh build/bench/bench/bench_sdl_demo "${1:-3}"
