#!/usr/bin/env bash
# with-xvfb.sh COMMAND...: runs COMMAND on a private 1280x1024x24 Xvfb display
# of its own and returns its exit code.
set -u
n=$((600 + RANDOM % 300))
while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'kill $xvfb_pid 2>/dev/null' EXIT
export DISPLAY=":$n"
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
"$@"
