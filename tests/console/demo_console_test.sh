#!/usr/bin/env bash
# The demonstration as a user meets it without a display: run in a terminal
# (tmux, its own server), it prints its message at row 14, column 16 of the
# console, the escape byte shown as its arrow glyph, and ends with exit code 0
# when a key is pressed.
# Usage: demo_console_test.sh path/to/demo.exe
set -u
demo=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
socket="$work/tmux.sock"
cleanup() {
    tmux -S "$socket" kill-server >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT

# The terminal speaks UTF-8 so that the glyph arrives as a character.
tmux -u -S "$socket" new-session -d -x 80 -y 25 \
    "env -u DISPLAY LANG=C.UTF-8 '$root/tools/wine-exec.sh' '$demo'; echo \$? > '$work/status'; sleep 120"

expected="$(printf '%15s' '')presionar $(printf '\xe2\x86\x90') ESC para salir"
screen=""
for _ in $(seq 240); do
    screen=$(tmux -S "$socket" capture-pane -p 2>/dev/null)
    [ "$(printf '%s\n' "$screen" | sed -n 14p | sed 's/ *$//')" = "$expected" ] && break
    sleep 0.5
done
row14=$(printf '%s\n' "$screen" | sed -n 14p | sed 's/ *$//')
if [ "$row14" != "$expected" ]; then
    echo "FAIL: row 14 is not the message. Screen:"
    printf '%s\n' "$screen" | cat -A
    exit 1
fi
if [ -s "$work/status" ]; then
    echo "FAIL: the demonstration ended before a key was pressed"
    exit 1
fi
echo "message shown at row 14, column 16"

tmux -S "$socket" send-keys -t 0 x
for _ in $(seq 60); do
    [ -s "$work/status" ] && break
    sleep 0.5
done
if [ ! -s "$work/status" ]; then
    echo "FAIL: no exit after the key press"
    exit 1
fi
code=$(cat "$work/status")
if [ "$code" != 0 ]; then
    echo "FAIL: exit code $code"
    exit 1
fi
echo "ended on the key with exit code 0"
