#!/usr/bin/env bash
# The demonstration's picture natively, on the browser's Null driver and on
# its canvas driver, in one run, alternating, best of N (default 5):
#   tools/bench-web.sh [N]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset bench >/dev/null && cmake --build --preset bench --target demo_frame >/dev/null
cmake --preset web >/dev/null && cmake --build --preset web --target bench_web >/dev/null
node bench/web/bench_web.mjs build/bench/tools/demo_frame build/web/bench/web "${1:-5}"
