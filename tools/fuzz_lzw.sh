#!/usr/bin/env bash
# Fuzzes the built-in data's LZW decoder natively with clang's libFuzzer under
# AddressSanitizer and UBSan.
#   tools/fuzz_lzw.sh [SECONDS]   (default 300)
# Seeds: the built-in block itself and the kept regression inputs. New crashes
# land in build-fuzz/crashes; copy the ones worth keeping into
# tests/gfx/core/lzw_regressions/ (the CTest suite replays every file there).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
out=build-fuzz
mkdir -p $out/corpus $out/crashes $out/seeds
cp tests/gfx/core/lzw_regressions/*.bin $out/seeds/
# The built-in block with a capacity prefix large enough for its expansion.
python3 - "$out/seeds/builtin.bin" <<'PY'
import re, sys
src = open("gfx/core/builtin_blob.cpp").read()
body = src[src.index("{") + 1:src.index("};")]
blob = bytes(int(x, 16) for x in re.findall(r"0x([0-9A-F]{2})", body))
open(sys.argv[1], "wb").write(bytes([0x00, 0x0B]) + blob)  # 0x0B00 * 4 bytes
PY
clang++ -std=c++20 -O1 -g -fno-exceptions -I. \
    -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    gfx/core/builtin_data.cpp gfx/core/builtin_blob.cpp tests/gfx/core/fuzz_lzw_decode.cpp \
    -o $out/fuzz_lzw_decode
$out/fuzz_lzw_decode -max_total_time="$seconds" -max_len=12000 -print_final_stats=1 \
    -artifact_prefix=$out/crashes/ $out/corpus $out/seeds
