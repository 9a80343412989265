#!/usr/bin/env bash
# Builds demo_frame for the native and the Windows target, runs both (the
# Windows one under Wine) and compares their PGM output byte for byte.
#   tools/compare_demo_frames.sh [NATIVE_BUILD_DIR [WIN32_BUILD_DIR]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
native=${1:-$here/build/native}
win32=${2:-$here/build/win32}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cmake --preset native -B "$native" >/dev/null
cmake --build "$native" -j2 --target demo_frame >/dev/null
cmake --preset win32 -B "$win32" >/dev/null
cmake --build "$win32" -j2 --target demo_frame >/dev/null
"$native/tools/demo_frame" "$out/native.pgm"
"$here/tools/wine-exec.sh" "$win32/tools/demo_frame.exe" "$out/win32.pgm"
if cmp "$out/native.pgm" "$out/win32.pgm"; then
    echo "demo_frame: identical on both targets ($(sha256sum <"$out/native.pgm" | cut -c1-16))"
else
    echo "demo_frame: the targets differ" >&2
    exit 1
fi
