#!/usr/bin/env bash
# Builds the demonstration and runs it: demo.exe under Wine (the i686 product
# where the kernel runs 32-bit programs, else the 64-bit build), or with
# --native the Linux build (build/linux/app/demo) in an SDL window. With a
# usable display the window appears there and the program ends on your key
# press. Without one it runs on a private Xvfb display: once the picture has
# settled a screenshot is saved to build/demo-screenshot.png and a key is
# pressed in the window for you.
# With --web: the WebAssembly build (build/web/app/demo.html) served on
# 127.0.0.1 and opened in Chromium on the display, or without one headless:
# the screenshot goes to build/demo-web-screenshot.png and a key is pressed.
set -euo pipefail
cd "$(dirname "$0")/.."
native=
[ "${1:-}" = --native ] && native=1
bash tools/setup.sh
if [ "${1:-}" = --web ]; then
    bash tools/web/setup.sh >/dev/null
    cmake --preset web >/dev/null
    cmake --build --preset web --target demo
    page=(node tools/web/run-page.mjs --dir build/web/app --page demo.html)
    rc=0
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        echo "Running build/web/app/demo.html in Chromium on $DISPLAY"
        "${page[@]}" --show --timeout 86400 || rc=$?
    else
        echo "No display: running build/web/app/demo.html in headless Chromium"
        "${page[@]}" --screenshot build/demo-web-screenshot.png --key Escape --timeout 300 || rc=$?
    fi
    echo "build/web/app/demo.html ended with exit code $rc"
    exit $rc
fi
source tools/xvfb-session.sh
if [ -n "$native" ]; then
    target=linux why="the native Linux build"
elif zq_win32_runs; then
    target=win32 bits=32 why="the i686 product"
else
    target=win64 bits=64 why="the 64-bit build: this kernel runs no 32-bit programs"
fi
cmake --preset $target >/dev/null
cmake --build --preset $target --target demo
if [ -n "$native" ]; then
    demo=build/linux/app/demo
    run=("$demo")
else
    demo=build/$target/app/demo.exe
    run=(tools/wine-exec.sh "$demo")
fi
echo "Running $demo ($why)"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    [ -z "$native" ] && ZQ_KEEP_DISPLAY=1 zq_session_start 1280x1024x24 $bits
    echo "Running $demo on $DISPLAY (press a key in its window to end it)"
    rc=0
    "${run[@]}" || rc=$?
    echo "$demo ended with exit code $rc"
    exit $rc
fi

if [ -n "$native" ]; then
    # A display of its own; nothing of Wine is needed.
    zq_display_start
    trap zq_session_stop EXIT
else
    zq_session_start 1280x1024x24 $bits
fi
echo "No display: running $demo on the private display $DISPLAY"
"${run[@]}" &
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
echo "$demo ended with exit code $rc"
exit $rc
