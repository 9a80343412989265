#!/usr/bin/env bash
# The library as its users get it, after tools/test.sh has built the `linux`
# and `win64` presets: the tests/consumer program built against
# `cmake --install` of the linux build (CMake package and pkg-config), against
# the Debian package installed by dpkg -i (into a private root, so the
# machine's own package database is left alone) together with
# examples/first.c, and against the win64 ZIP unpacked (run under Wine: the
# caller has started the Xvfb session). Prints a line per check; exits
# non-zero when one failed.
set -uo pipefail
cd "$(dirname "$0")/.."
consumer=tests/consumer/consumer_test.sh
work=$(mktemp -d "${TMPDIR:-/tmp}/zq-packages.XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
check() { # NAME COMMAND...
    local name=$1
    shift
    if "$@" >"$work/log" 2>&1; then
        echo "packages: $name: ok"
    else
        echo "packages: $name: FAILED"
        tail -n 20 "$work/log"
        status=1
    fi
}

check "linux install, find_package" bash $consumer build/linux cmake cc
check "linux install, pkg-config" bash $consumer build/linux pkgconfig cc

deb_install() {
    rm -f build/linux/*.deb
    (cd build/linux && cpack -G DEB) || return 1
    local root=$work/root
    mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
    touch "$root/var/lib/dpkg/status"
    # The private database lacks the package's dependencies; the machine has them.
    dpkg --root="$root" --force-depends --force-not-root -i build/linux/libzqgfx-dev_*.deb
}
first_from_deb() {
    mkdir -p "$work/first"
    cp examples/first.c "$work/first/"
    cat >"$work/first/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.25)
project(first LANGUAGES C)
find_package(zqgfx CONFIG REQUIRED)
add_executable(first first.c)
target_link_libraries(first PRIVATE zqgfx::zqgfx)
CMAKE
    cmake -S "$work/first" -B "$work/first/build" -DCMAKE_PREFIX_PATH="$work/root/usr" &&
        cmake --build "$work/first/build" && test -x "$work/first/build/first"
}
check "Debian package, dpkg -i" deb_install
check "Debian package, consumer" env ZQ_PREFIX="$work/root/usr" bash $consumer - cmake cc
check "Debian package, examples/first.c" first_from_deb

zip_unpack() {
    rm -f build/win64/zqgfx-*.zip
    (cd build/win64 && cpack -G ZIP) || return 1
    local zip
    zip=$(ls "$PWD"/build/win64/zqgfx-*-win64.zip) || return 1
    mkdir -p "$work/zip" && (cd "$work/zip" && unzip -q "$zip")
}
check "win64 ZIP, unpacked" zip_unpack
zip_prefix=$(ls -d "$work"/zip/zqgfx-*-win64 2>/dev/null | head -n 1)
check "win64 ZIP, consumer under Wine" env ZQ_PREFIX="$zip_prefix" bash $consumer - cmake \
    x86_64-w64-mingw32-gcc-posix "$PWD/cmake/toolchain-mingw64.cmake"
exit $status
