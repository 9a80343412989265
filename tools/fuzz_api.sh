#!/usr/bin/env bash
# Fuzzes the public entries natively with clang's libFuzzer under
# AddressSanitizer and UBSan (tests/fuzz/fuzz_api.cpp).
#   tools/fuzz_api.sh [SECONDS] [JOBS]   (default 60 seconds, one process)
# The bounded run of tools/test.sh is this script with its defaults: it starts
# from the kept corpus (tests/fuzz/api_corpus) with a fixed seed and fails on
# any finding. A longer run, e.g. 30 minutes:
#   tools/fuzz_api.sh 1800
# New inputs land in build/fuzz/corpus; a crash in build/fuzz/crashes. Copy a
# crash worth keeping into tests/fuzz/api_corpus (it is replayed every run).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p $out/corpus $out/crashes
# Large allocations asked for by hostile arguments are answered with null, as
# the allocator of a 32-bit process would.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
exec $out/tests/fuzz/fuzz_api -max_total_time="$seconds" -seed=1 -max_len=512 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$out/crashes/ \
    $out/corpus tests/fuzz/api_corpus
