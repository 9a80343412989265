#!/usr/bin/env bash
# The demonstration as a user meets it on a desktop: under Wine on an X display,
# demo.exe (without ZQGFX, then with ZQGFX=gdi) opens its screen,
# shows a picture that equals, pixel for pixel through the palette, the frame
# demo_frame writes (message included), and ends with exit code 0 on a key
# pressed in its window, or on the window's close button.
# demo.exe carries the window icon.
# Usage: demo_window_test.sh demo.exe demo_frame.exe demo_window_helper.exe
set -u
demo=$1
frame_tool=$2
helper=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
run() { "$root/tools/wine-exec.sh" "$@"; }
work=$(mktemp -d)
xvfb_pid=
demo_pid=
cleanup() {
    [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# The session's display when there is one (all Wine programs of a session
# must share one), else a display of its own. Other window tests never run
# beside this one (CTest resource lock).
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    n=$((300 + RANDOM % 300))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
fi
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
[ "$size" = 1280x1024 ] || fail "the display is $size; the demonstration's full screen needs 1280x1024"

# The expected picture: the frame as palette indices, then as colours.
run "$frame_tool" 'Z:'"$work/frame.pgm" >/dev/null || fail "demo_frame failed"
run "$helper" colours 'Z:'"$work/frame.pgm" 'Z:'"$work/expected.ppm" ||
    fail "cannot map the frame through the palette"

run "$helper" icon "$demo" || fail "demo.exe has no window icon"
echo "demo.exe carries the window icon"

# Starts demo.exe, waits for its window and for the picture to equal the
# expected one. Sets `window`.
start_and_compare() {
    rm -f "$work/status"
    # The wrapper becomes the Wine process itself, so $! is the program's pid.
    "$root/tools/wine-exec.sh" "$demo" >"$work/demo.log" 2>&1 &
    demo_pid=$!
    window=
    for _ in $(seq 200); do
        window=$(xdotool search --name '^demo$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window named demo appeared"
    local geometry
    geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$geometry" = 1280x1024 ] || fail "window is $geometry, not the full 1280x1024 screen"
    local differing=unknown
    for _ in $(seq 300); do
        ended && fail "demo.exe ended before a key: $(cat "$work/status"); output: $(head -c 2000 "$work/demo.log")"
        if xwd -silent -id "$window" >"$work/shot.xwd" 2>/dev/null &&
            convert "$work/shot.xwd" "$work/shot.ppm" 2>/dev/null; then
            differing=$(compare -metric AE "$work/shot.ppm" "$work/expected.ppm" null: 2>&1)
            [ "$differing" = 0 ] && break
        fi
        sleep 1
    done
    [ "$differing" = 0 ] || fail "$differing pixels differ from the expected picture"
    echo "picture and message equal the expected frame ($1)"
}

# True once demo.exe has ended; its exit code is then in $work/status.
ended() {
    [ -s "$work/status" ] && return 0
    kill -0 "$demo_pid" 2>/dev/null && return 1
    wait "$demo_pid" 2>/dev/null
    echo $? >"$work/status"
    demo_pid=
    return 0
}

wait_exit() {
    for _ in $(seq 100); do
        ended && break
        sleep 0.1
    done
    ended || fail "demo.exe did not end after $1"
    local code
    code=$(cat "$work/status")
    [ "$code" = 0 ] || fail "exit code $code after $1; output: $(head -c 2000 "$work/demo.log")"
    echo "ended with exit code 0 after $1"
}

unset ZQGFX
start_and_compare "no ZQGFX"
xdotool windowfocus --sync "$window"
xdotool keydown x
sleep 0.1
xdotool keyup x
wait_exit "a key pressed in the window"

export ZQGFX=gdi
start_and_compare "ZQGFX=gdi"
run "$helper" close "zqgfxclass_demo" || fail "cannot send the close request"
wait_exit "the close button"
