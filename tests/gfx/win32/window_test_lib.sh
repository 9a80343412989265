# Pieces shared by the tests that run a program in a real window under Wine
# and compare a screenshot of it. Sourced; the caller sets `root` (the
# project) and `work` (a scratch folder it owns).

wt_xvfb_pid=
wt_pid=

wt_fail() {
    echo "FAIL: $*"
    exit 1
}

wt_run() { "$root/tools/wine-exec.sh" "$@"; }

# Starts an Xvfb display of SIZE (WxHxD) on a free number and exports DISPLAY.
wt_own_display() {
    local n=$((300 + RANDOM % 300))
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
    wt_xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
}

# The expected picture: demo_frame's frame (palette indices) through the
# demonstration's palette, as $work/expected.ppm.
wt_expected_picture() {
    wt_run "$1" 'Z:'"$work/frame.pgm" >/dev/null || wt_fail "demo_frame failed"
    wt_run "$2" colours 'Z:'"$work/frame.pgm" 'Z:'"$work/expected.ppm" ||
        wt_fail "cannot map the frame through the palette"
}

# Starts a Windows program in the background; its output goes to $work/run.log.
# The wrapper becomes the Wine process itself, so wt_pid is the program's pid.
wt_start() {
    rm -f "$work/status"
    "$root/tools/wine-exec.sh" "$@" >"$work/run.log" 2>&1 &
    wt_pid=$!
}

# True once the started program has ended; its exit code is then in $work/status.
wt_ended() {
    [ -s "$work/status" ] && return 0
    kill -0 "$wt_pid" 2>/dev/null && return 1
    wait "$wt_pid" 2>/dev/null
    echo $? >"$work/status"
    wt_pid=
    return 0
}

wt_output() { head -c 2000 "$work/run.log"; }

# Waits for a window named NAME; sets wt_window to its X id.
wt_find_window() {
    wt_window=
    for _ in $(seq 300); do
        wt_window=$(xdotool search --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$wt_window" ] && return 0
        wt_ended && wt_fail "the program ended before its window appeared: $(wt_output)"
        sleep 0.1
    done
    wt_fail "no window named $1 appeared"
}

# Waits until the screenshot that SHOOT (a command writing $work/shot.ppm)
# takes equals $work/expected.ppm; fails with the number of differing pixels.
wt_wait_picture() {
    local differing=unknown
    for _ in $(seq 300); do
        wt_ended && wt_fail "the program ended before a key: $(cat "$work/status"); output: $(wt_output)"
        if "$@" 2>/dev/null; then
            differing=$(compare -metric AE "$work/shot.ppm" "$work/expected.ppm" null: 2>&1)
            [ "$differing" = 0 ] && return 0
        fi
        sleep 1
    done
    wt_fail "$differing pixels differ from the expected picture"
}

# Screenshot of one X window.
wt_shoot_window() {
    xwd -silent -id "$1" >"$work/shot.xwd" && convert "$work/shot.xwd" "$work/shot.ppm"
}

# Screenshot of a rectangle of the screen: WxH+X+Y.
wt_shoot_area() {
    xwd -silent -root >"$work/shot.xwd" && convert "$work/shot.xwd" -crop "$1" +repage "$work/shot.ppm"
}

# Presses and releases a key in an X window.
wt_key() {
    xdotool windowfocus --sync "$1"
    xdotool keydown "$2"
    sleep 0.1
    xdotool keyup "$2"
}

# Waits until the program has ended with exit code 0 after WHAT.
wt_wait_exit() {
    for _ in $(seq 100); do
        wt_ended && break
        sleep 0.1
    done
    wt_ended || wt_fail "the program did not end after $1"
    local code
    code=$(cat "$work/status")
    [ "$code" = 0 ] || wt_fail "exit code $code after $1; output: $(wt_output)"
    echo "ended with exit code 0 after $1"
}

wt_cleanup() {
    [ -n "$wt_pid" ] && kill "$wt_pid" 2>/dev/null
    [ -n "$wt_xvfb_pid" ] && kill "$wt_xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
