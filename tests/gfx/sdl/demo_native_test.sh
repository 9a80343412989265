#!/usr/bin/env bash
# The native demonstration as a user meets it on a Linux desktop (run on a
# display of its own by tools/with-xvfb.sh): it links the video library, opens a
# 1280x1024 window on the 1280x1024 display, shows a picture that equals,
# pixel for pixel, demo_frame's frame through the palette (message included),
# and ends with exit code 0 on a key pressed in its window or on the window's
# close button.
# Usage: demo_native_test.sh demo demo_frame x_close
set -u
demo=$1
frame_tool=$2
close_tool=$3
work=$(mktemp -d)
demo_pid=
cleanup() {
    [ -n "$demo_pid" ] && kill "$demo_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

ldd "$demo" | grep -q 'libSDL2' || fail "$demo does not link libSDL2"
size=$(xdpyinfo | awk '/dimensions:/ {print $2}')
[ "$size" = 1280x1024 ] || fail "the display is $size, not 1280x1024"
"$frame_tool" --rgb "$work/expected.ppm" >/dev/null || fail "demo_frame failed"

# True once the demonstration has ended; its exit code is then in $work/status.
ended() {
    [ -s "$work/status" ] && return 0
    kill -0 "$demo_pid" 2>/dev/null && return 1
    wait "$demo_pid" 2>/dev/null
    echo $? >"$work/status"
    demo_pid=
    return 0
}

# Starts the demonstration and waits for its window to show the expected
# picture. Sets `window`.
start_and_compare() {
    rm -f "$work/status"
    "$demo" >"$work/demo.log" 2>&1 &
    demo_pid=$!
    window=
    for _ in $(seq 300); do
        window=$(xdotool search --name '^demo$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && break
        ended && fail "ended before its window appeared: $(head -c 2000 "$work/demo.log")"
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window named demo appeared"
    local geometry
    geometry=$(xwininfo -id "$window" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}')
    [ "$geometry" = 1280x1024 ] || fail "window is $geometry, not 1280x1024"
    local differing=unknown
    for _ in $(seq 300); do
        ended && fail "ended before a key: $(cat "$work/status"); $(head -c 2000 "$work/demo.log")"
        if xwd -silent -id "$window" >"$work/shot.xwd" 2>/dev/null &&
            convert "$work/shot.xwd" "$work/shot.ppm" 2>/dev/null; then
            differing=$(compare -metric AE "$work/shot.ppm" "$work/expected.ppm" null: 2>&1)
            [ "$differing" = 0 ] && break
        fi
        sleep 1
    done
    [ "$differing" = 0 ] || fail "$differing pixels differ from the expected picture"
    echo "1280x1024 window; picture and message equal the expected frame"
}

wait_exit() {
    for _ in $(seq 100); do
        ended && break
        sleep 0.1
    done
    ended || fail "did not end after $1"
    local code
    code=$(cat "$work/status")
    [ "$code" = 0 ] || fail "exit code $code after $1; output: $(head -c 2000 "$work/demo.log")"
    echo "ended with exit code 0 after $1"
}

start_and_compare
xdotool windowfocus --sync "$window" keydown x sleep 0.1 keyup x
wait_exit "a key pressed in the window"

start_and_compare
"$close_tool" "$window" || fail "cannot press the close button"
wait_exit "the close button"

# No display at all: the message goes to the terminal (a tmux pane of its
# own, speaking UTF-8) at row 14, column 16, its ESC byte shown as the arrow
# glyph, and a key ends the program with 0.
socket="$work/tmux.sock"
message="$(printf '%15s' '')presionar $(printf '\xe2\x86\x90') ESC para salir"
tmux -u -S "$socket" new-session -d -x 80 -y 25 \
    "env -u DISPLAY -u WAYLAND_DISPLAY LANG=C.UTF-8 '$demo'; echo \$? > '$work/status'; sleep 60"
row=
for _ in $(seq 240); do
    row=$(tmux -S "$socket" capture-pane -p 2>/dev/null | sed -n 14p | sed 's/ *$//')
    [ "$row" = "$message" ] && break
    sleep 0.5
done
if [ "$row" = "$message" ]; then
    echo "no display: message on the terminal"
else
    tmux -S "$socket" kill-server
    fail "no display: row 14 is '$row'"
fi
rm -f "$work/status"
tmux -S "$socket" send-keys -t 0 x
for _ in $(seq 60); do
    [ -s "$work/status" ] && break
    sleep 0.5
done
code=$(cat "$work/status" 2>/dev/null)
tmux -S "$socket" kill-server
[ "$code" = 0 ] || fail "no display: exit code '$code' after a key"
echo "no display: ended on a key with exit code 0"
