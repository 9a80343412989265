#!/usr/bin/env bash
# Installs a build into a temporary prefix, builds the program beside this
# script against it, through the CMake package or with pkg-config, and runs
# it (under Wine for a Windows build): it must print "5 0".
#
#   consumer_test.sh BUILD_DIR cmake|pkgconfig C_COMPILER [TOOLCHAIN_FILE]
#   ZQ_PREFIX=DIR consumer_test.sh - cmake|pkgconfig ...   against DIR as it is
set -eu
build=$1 how=$2 cc=$3 toolchain=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zq-consumer.XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "consumer ($how): $*" >&2; [ -f "$work/log" ] && cat "$work/log" >&2; exit 1; }

# ZQ_PREFIX: an installed tree to build against (a package unpacked), no install.
if [ -n "${ZQ_PREFIX:-}" ]; then
    ln -s "$ZQ_PREFIX" "$work/prefix"
else
    cmake --install "$build" --prefix "$work/prefix" >"$work/log" 2>&1 || fail "install failed"
fi
case $how in
cmake)
    args=(-S "$here" -B "$work/build" -DCMAKE_BUILD_TYPE=Release
          -Dzqgfx_DIR="$work/prefix/lib/cmake/zqgfx")
    if [ -n "$toolchain" ]; then args+=(-DCMAKE_TOOLCHAIN_FILE="$toolchain")
    else args+=(-DCMAKE_C_COMPILER="$cc"); fi
    cmake "${args[@]}" >"$work/log" 2>&1 || fail "configure failed"
    cmake --build "$work/build" >"$work/log" 2>&1 || fail "build failed"
    program=$(ls "$work/build"/consumer "$work/build"/consumer.exe 2>/dev/null | head -n 1)
    ;;
pkgconfig)
    flags=$(PKG_CONFIG_PATH="$work/prefix/lib/pkgconfig" pkg-config --cflags --libs zqgfx) ||
        fail "pkg-config failed"
    # shellcheck disable=SC2086 # the flags are words
    "$cc" "$here/consumer.c" -o "$work/consumer" $flags >"$work/log" 2>&1 || fail "build failed"
    program=$work/consumer
    ;;
*) fail "unknown way $how" ;;
esac

if [[ $program == *.exe ]]; then
    output=$("$root/tools/wine-exec.sh" "$program" </dev/null) || fail "program failed"
else
    # A shared library in the prefix is found as a user of that prefix finds it.
    output=$(LD_LIBRARY_PATH="$work/prefix/lib" "$program" </dev/null) || fail "program failed"
fi
output=${output//$'\r'/}
[ "$output" = "5 0" ] || fail "printed '$output', expected '5 0'"
echo "consumer ($how): $output"
