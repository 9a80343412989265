#!/usr/bin/env bash
# Builds demo.exe and runs it under Wine: on this display when there is one,
# otherwise on a private Xvfb display.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target demo
source tools/xvfb-session.sh
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    ZQ_KEEP_DISPLAY=1 zq_session_start
else
    zq_session_start
fi
echo "Running demo.exe (press a key to end it)"
rc=0
wine build/win32/app/demo.exe || rc=$?
echo "demo.exe ended with exit code $rc"
