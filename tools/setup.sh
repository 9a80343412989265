#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent: when all is
# present it only checks and returns.
set -euo pipefail

packages=(
    cmake make g++ git python3
    g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 mingw-w64-i686-dev
    g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
    wine wine64 wine32:i386
    xvfb x11-apps x11-utils imagemagick xdotool tmux file binutils unzip
    googletest libbenchmark-dev
    # The API reference (tools/make-reference.sh).
    doxygen
    libxrandr2 libxrandr2:i386
    # OpenGL for Wine: GL, GLX and Mesa's DRI drivers for each architecture.
    libgl1 libglx-mesa0 libgl1-mesa-dri libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
    console-data
    clang libclang-rt-14-dev
    libsdl2-dev libpixman-1-dev pkg-config libx11-dev
    # The WebAssembly build and its browser tests.
    emscripten chromium
)

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

# The 32-bit Mesa must match the 64-bit one, or Wine has no OpenGL.
for p in libgl1-mesa-dri libglx-mesa0; do
    v64=$(dpkg-query -W -f='${Version}' "$p:amd64" 2>/dev/null || true)
    v32=$(dpkg-query -W -f='${Version}' "$p:i386" 2>/dev/null || true)
    [ -n "$v64" ] && [ "$v64" != "$v32" ] && missing+=("$p:i386" "$p")
done

# The browser tools' npm packages, pinned by their lock file.
web_tools() { bash "$(dirname "$0")/web/setup.sh" >/dev/null; }

if [ ${#missing[@]} -eq 0 ]; then
    web_tools
    exit 0
fi
echo "setup: installing ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
# A mirror in the middle of a sync serves an index that does not match its
# release file; apt then drops that index. A few tries usually see it whole.
for attempt in 1 2 3; do
    as_root apt-get update -qq 2>/tmp/zq-apt-update.log && break
    grep -q 'Mirror sync in progress\|failed to download' /tmp/zq-apt-update.log || break
    echo "setup: package index incomplete (attempt $attempt), trying again"
    sleep 20
done
install() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "$@" >/dev/null
}
if ! install "${missing[@]}"; then
    # The 32-bit packages must match the 64-bit ones to the version; while the
    # mirror lacks a 32-bit index they cannot, and only the 32-bit Windows
    # tests need them. Everything else is installed, and those tests are
    # reported as not run.
    native=()
    for p in "${missing[@]}"; do [[ $p == *:i386 ]] || native+=("$p"); done
    install "${native[@]}"
    echo "setup: the 32-bit packages could not be installed now; the win32 tests will not run"
    install "${missing[@]}" || true
fi
# Keep both Mesa builds at one version.
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    --only-upgrade libgl1-mesa-dri libgl1-mesa-dri:i386 libglx-mesa0 libglx-mesa0:i386 >/dev/null || true
web_tools
