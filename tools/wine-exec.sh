#!/usr/bin/env bash
# Runs a Windows program under Wine with the project's prefix (inside the build
# folder) and no debug output. Used as the cross-compiling emulator for tests.
set -u
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
