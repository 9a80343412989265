#!/usr/bin/env bash
# with-xvfb.sh COMMAND...: runs COMMAND on a private 1280x1024x24 Xvfb display
# of its own and returns its exit code.
set -u
source "$(dirname "$0")/xvfb-session.sh"
zq_display_start
trap zq_session_stop EXIT
"$@"
