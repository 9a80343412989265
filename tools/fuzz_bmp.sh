#!/usr/bin/env bash
# Fuzzes the bitmap decoder natively with clang's libFuzzer under
# AddressSanitizer and UBSan (tests/fuzz/fuzz_bmp.cpp): every input decoded,
# what decodes written back and decoded again unchanged.
#   tools/fuzz_bmp.sh [SECONDS]   (default 60 seconds)
# It starts from the kept corpus (tests/fuzz/bmp_corpus) and ImageMagick's
# files (tests/gfx/image/corpus) with a fixed seed and fails on any finding;
# tools/test.sh runs it for 30 s. New inputs land in build/fuzz/bmp_corpus, a
# crash in build/fuzz/bmp_crashes. Copy a crash worth keeping into
# tests/fuzz/bmp_corpus (it is replayed every run).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p $out/bmp_corpus $out/bmp_crashes
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
exec $out/tests/fuzz/fuzz_bmp -max_total_time="$seconds" -seed=1 -max_len=8192 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=$out/bmp_crashes/ \
    $out/bmp_corpus tests/fuzz/bmp_corpus tests/gfx/image/corpus
