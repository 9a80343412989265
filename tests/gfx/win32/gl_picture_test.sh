#!/usr/bin/env bash
# gl_picture as a new user meets it: under Wine on an X display with Mesa's
# software renderer it loads opengl32.dll, shows a 1280 x 1024 window whose
# client area equals, pixel for pixel, demo_frame's frame through the
# palette, and ends with exit code 0 on a key pressed in its window.
# Usage: gl_picture_test.sh gl_picture.exe demo_frame.exe demo_window_helper.exe
set -u
program=$1
frame_tool=$2
helper=$3
root=$(cd "$(dirname "$0")/../../.." && pwd)
work=$(mktemp -d)
source "$root/tests/gfx/win32/window_test_lib.sh"
stop_session() {
    wineserver -k >/dev/null 2>&1
    wt_cleanup
}
trap stop_session EXIT

# A window with a frame around a 1280 x 1024 client area needs a larger
# display than the session's, so the test has a display and a Wine prefix
# (and so a session) of its own.
wt_own_display 1600x1280x24
wt_expected_picture "$frame_tool" "$helper"

WINEDEBUG=+loaddll wt_start "$program"
wt_find_window gl_picture
window=$wt_window
grep -qi 'opengl32' "$work/run.log" || wt_fail "opengl32.dll was not loaded: $(wt_output)"
echo "gl_picture loaded opengl32.dll"

client=$(wt_run "$helper" client zqgfxclass_gl_picture) || wt_fail "no client area: $client"
case "$client" in 1280x1024+*) ;; *) wt_fail "client area is $client, not 1280x1024" ;; esac
wt_wait_picture wt_shoot_area "$client"
echo "client area $client equals the expected frame"

wt_key "$window" x
wt_wait_exit "a key pressed in the window"
