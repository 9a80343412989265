#!/usr/bin/env bash
# Fuzzes natively with clang's libFuzzer under AddressSanitizer and UBSan,
# from a kept corpus with a fixed seed; fails on any finding.
#   tools/fuzz.sh api [SECONDS]   the public entries (tests/fuzz/fuzz_api.cpp),
#                                 from tests/fuzz/api_corpus
#   tools/fuzz.sh bmp [SECONDS]   the bitmap decoder (tests/fuzz/fuzz_bmp.cpp):
#                                 every input decoded, what decodes written back
#                                 and decoded again unchanged; from
#                                 tests/fuzz/bmp_corpus and ImageMagick's files
#                                 (tests/gfx/image/corpus)
# Default 60 seconds; tools/test.sh runs api for 60 s and bmp for 30 s. New
# inputs land in build/fuzz/NAME_corpus, a crash in build/fuzz/NAME_crashes:
# copy one worth keeping into the kept corpus (it is replayed every run).
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:?"usage: tools/fuzz.sh api|bmp [SECONDS]"}
seconds=${2:-60}
case $name in
api) max_len=512 corpora=(tests/fuzz/api_corpus) ;;
bmp) max_len=8192 corpora=(tests/fuzz/bmp_corpus tests/gfx/image/corpus) ;;
*) echo "tools/fuzz.sh: no fuzzer named $name (api, bmp)" >&2; exit 2 ;;
esac
out=build/fuzz
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p "$out/${name}_corpus" "$out/${name}_crashes"
# Large allocations asked for by hostile input are answered with null, as
# the allocator of a 32-bit process would.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
exec "$out/tests/fuzz/fuzz_$name" -max_total_time="$seconds" -seed=1 -max_len=$max_len \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$out/${name}_crashes/" \
    "$out/${name}_corpus" "${corpora[@]}"
