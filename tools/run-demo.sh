#!/usr/bin/env bash
# Builds demo.exe and runs it under Wine. With a usable display the window
# appears there and the program ends on your key press. Without one it runs on
# a private Xvfb display: once the picture has settled a screenshot is saved
# to build/demo-screenshot.png and a key is pressed in the window for you.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target demo
source tools/xvfb-session.sh
demo=build/win32/app/demo.exe

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    ZQ_KEEP_DISPLAY=1 zq_session_start
    echo "Running demo.exe on $DISPLAY (press a key in its window to end it)"
    rc=0
    wine "$demo" || rc=$?
    echo "demo.exe ended with exit code $rc"
    exit $rc
fi

zq_session_start
echo "No display: running demo.exe on the private display $DISPLAY"
wine "$demo" &
pid=$!
window=
for _ in $(seq 300); do
    window=$(xdotool search --name '^demo$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.1
done
if [ -n "$window" ]; then
    # The picture has settled when two screenshots a second apart agree.
    previous=
    for _ in $(seq 120); do
        sleep 1
        xwd -silent -id "$window" >build/demo-screenshot.xwd 2>/dev/null || continue
        sum=$(md5sum <build/demo-screenshot.xwd)
        [ "$sum" = "$previous" ] && break
        previous=$sum
    done
    convert build/demo-screenshot.xwd build/demo-screenshot.png && rm -f build/demo-screenshot.xwd
    echo "Screenshot of the window: build/demo-screenshot.png"
    xdotool windowfocus --sync "$window" keydown Escape sleep 0.1 keyup Escape || true
else
    echo "No window appeared: the demonstration ran on the text console"
fi
rc=0
wait $pid || rc=$?
echo "demo.exe ended with exit code $rc"
exit $rc
