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
work=$(mktemp -d)
source "$root/tests/gfx/win32/window_test_lib.sh"
trap wt_cleanup EXIT

# The session's display when there is one (all Wine programs of a session
# must share one), else a display of its own. Other window tests never run
# beside this one (CTest resource lock).
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then wt_own_display 1280x1024x24; fi
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
[ "$size" = 1280x1024 ] || wt_fail "the display is $size; the demonstration's full screen needs 1280x1024"

wt_expected_picture "$frame_tool" "$helper"
wt_run "$helper" icon "$demo" || wt_fail "demo.exe has no window icon"
echo "demo.exe carries the window icon"

# Starts demo.exe, waits for its window and for the picture to equal the
# expected one. Sets `window`.
start_and_compare() {
    wt_start "$demo"
    wt_find_window demo
    window=$wt_window
    local geometry
    geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$geometry" = 1280x1024 ] || wt_fail "window is $geometry, not the full 1280x1024 screen"
    wt_wait_picture wt_shoot_window "$window"
    echo "picture and message equal the expected frame ($1)"
}

unset ZQGFX
start_and_compare "no ZQGFX"
wt_key "$window" x
wt_wait_exit "a key pressed in the window"

export ZQGFX=gdi
start_and_compare "ZQGFX=gdi"
wt_run "$helper" close "zqgfxclass_demo" || wt_fail "cannot send the close request"
wt_wait_exit "the close button"
