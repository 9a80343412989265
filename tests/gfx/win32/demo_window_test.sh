#!/usr/bin/env bash
# The demonstration as a user meets it on a desktop: under Wine on an X display,
# demo.exe opens its screen, shows a picture that equals, pixel for pixel
# through the palette, the frame demo_frame writes (message included), and ends
# with exit code 0 on a key pressed in its window, or on the window's close
# button. The DirectX driver's display modes use the helper.
# One case per run:
#   gdi       ZQGFX=gdi; demo.exe also carries the window icon
#   directx   no ZQGFX, then ZQGFX=directx: Wine's loader trace shows
#             ddraw.dll and dinput.dll, the full screen is DirectDraw's
#   fallback  ddraw.dll made unavailable: DirectX fails, GDI shows the picture
#   directx_mode  full screens in a Wine virtual desktop, where display modes
#             change for real: 320 x 200 x 8 gets its own mode; 800 x 500 x 16,
#             which no mode fits, gets 800 x 600 with the picture from line 50
# Usage: demo_window_test.sh CASE demo.exe demo_frame.exe demo_window_helper.exe
set -u
case_name=$1
demo=$2
frame_tool=$3
helper=$4
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

# Starts demo.exe, waits for its window and for the whole screen to equal the
# expected picture. Sets `window`.
start_and_compare() {
    wt_start "$demo"
    wt_find_window demo
    window=$wt_window
    local geometry
    geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$geometry" = 1280x1024 ] || wt_fail "window is $geometry, not the full 1280x1024 screen"
    wt_wait_picture wt_shoot_area 1280x1024+0+0
    echo "picture and message equal the expected frame ($1)"
}

# The drivers' libraries as Wine's loader trace (+loaddll) in the program's
# output saw them; fails unless they are WANT.
check_libraries() {
    local want=$1 seen= library
    for library in ddraw.dll dinput.dll; do
        grep -qi "Loaded L\".*\\\\$library\"" "$work/run.log" && seen="$seen $library"
    done
    [ "$seen" = "$want" ] || wt_fail "libraries loaded:${seen:- neither}; expected:$want"
    echo "loaded:${seen:- neither ddraw.dll nor dinput.dll}"
}

# The helper's output without the console's carriage returns.
helper_output() { tr -d '\r' <"$work/run.log"; }

unset ZQGFX
case "$case_name" in
gdi)
    wt_expected_picture "$frame_tool" "$helper"
    wt_run "$helper" icon "$demo" || wt_fail "demo.exe has no window icon"
    echo "demo.exe carries the window icon"
    export ZQGFX=gdi
    start_and_compare "ZQGFX=gdi"
    wt_key "$window" x
    wt_wait_exit "a key pressed in the window"
    start_and_compare "ZQGFX=gdi"
    wt_run "$helper" close "zqgfxclass_demo" || wt_fail "cannot send the close request"
    wt_wait_exit "the close button"
    ;;
directx)
    wt_expected_picture "$frame_tool" "$helper"
    export WINEDEBUG=+loaddll
    start_and_compare "no ZQGFX"
    check_libraries " ddraw.dll dinput.dll"
    wt_key "$window" x
    wt_wait_exit "a key pressed in the window"
    export ZQGFX=directx
    start_and_compare "ZQGFX=directx"
    check_libraries " ddraw.dll dinput.dll"
    wt_run "$helper" close "zqgfxclass_demo" || wt_fail "cannot send the close request"
    wt_wait_exit "the close button"
    ;;
fallback)
    wt_expected_picture "$frame_tool" "$helper"
    export WINEDEBUG=+loaddll WINEDLLOVERRIDES="mscoree,mshtml=;ddraw=d"
    start_and_compare "no ZQGFX, ddraw.dll unavailable"
    check_libraries " dinput.dll"
    wt_key "$window" x
    wt_wait_exit "a key pressed in the window"
    ;;
directx_mode)
    source "$root/tools/wine-env.sh"
    bits=$(zq_pe_bits "$helper")
    # Its own prefix: a virtual desktop changes what the whole session reports
    # about the display.
    export WINEPREFIX="${WINEPREFIX:-$(zq_wine_prefix "$bits")-desktop}"
    [ -d "$WINEPREFIX" ] || export WINEARCH=win64
    trap 'wineserver -k 2>/dev/null; wt_cleanup' EXIT
    # The desktop process may hand the helper to a desktop already running and
    # leave, so the helper's own lines tell how far it got.
    desktop_line() {
        for _ in $(seq 300); do
            helper_output | grep -qx "$1" && return 0
            sleep 0.1
        done
        wt_fail "no \"$1\" after $2; the helper printed: $(helper_output | tr '\n' ' ')"
    }
    while read -r width height depth expected; do
        request="$width x $height x $depth"
        "$(zq_wine_loader "$bits")" explorer /desktop=zqmode,1280x1024 \
            "$helper" mode "$width" "$height" "$depth" >"$work/run.log" 2>&1 &
        wt_pid=$!
        desktop_line "$expected" "asking for $request"
        desktop=$(xdotool search --name '^zqmode - ' | head -n 1)
        [ -n "$desktop" ] || wt_fail "no virtual desktop window"
        # The desktop shows the mode: line 0 of the picture (white) on the
        # offset's display line, black above it.
        offset=${expected##* }
        wt_shoot_window "$desktop" || wt_fail "no screenshot of the desktop"
        pixel() { convert "$work/shot.ppm" -format "%[hex:p{$1,$2}]" info:; }
        [ "$(pixel 10 "$offset")" = FFFFFF ] || wt_fail "line $offset is $(pixel 10 "$offset"), not white"
        if [ "$offset" -gt 0 ]; then
            [ "$(pixel 10 $((offset - 1)))" = 000000 ] || wt_fail "the line above the picture is not black"
        fi
        echo "asked for $request: $expected, line 0 of the picture shown there"
        "$(zq_wine_loader "$bits")" explorer /desktop=zqmode,1280x1024 \
            "$helper" key zqgfxclass_demo_window_helper || wt_fail "cannot send a key"
        desktop_line "ended 0" "a key in the $request full screen"
        wait "$wt_pid"
        wt_pid=
    done <<'CASES'
320 200 8 mode 320x200x8 offset 0
800 500 16 mode 800x600x16 offset 50
CASES
    ;;
*) wt_fail "unknown case $case_name" ;;
esac
