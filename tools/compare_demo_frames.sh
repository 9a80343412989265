#!/usr/bin/env bash
# Builds demo_frame for the native and both Windows targets, runs them (the
# Windows ones under Wine; the i686 one where the kernel runs 32-bit programs)
# and compares their PGM output byte for byte: x87 on i686 and SSE on x86-64
# must draw the same picture.
#   tools/compare_demo_frames.sh
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
source "$here/tools/wine-env.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
targets=(native win64)
if zq_win32_runs; then targets+=(win32); else echo "win32: not run here (this kernel runs no 32-bit programs)"; fi
for t in "${targets[@]}"; do
    cmake --preset "$t" >/dev/null
    cmake --build "$here/build/$t" -j2 --target demo_frame >/dev/null
done
"$here/build/native/tools/demo_frame" "$out/native.pgm"
status=0
for t in "${targets[@]:1}"; do
    "$here/tools/wine-exec.sh" "$here/build/$t/tools/demo_frame.exe" "Z:$out/$t.pgm"
    if cmp -s "$out/native.pgm" "$out/$t.pgm"; then
        echo "demo_frame: $t identical to native ($(sha256sum <"$out/native.pgm" | cut -c1-16))"
    else
        echo "demo_frame: $t differs from native" >&2
        status=1
    fi
done
exit $status
