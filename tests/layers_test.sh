#!/usr/bin/env bash
# Includes point down only: each folder includes from itself and the layers
# below it (see the README's architecture section). Prints every include that
# points elsewhere and fails when there is one.
#   tests/layers_test.sh SOURCE_DIR
set -u
cd "$1" || exit 2
status=0
# check FOLDER ALLOWED: ALLOWED is an extended regex of the include paths the
# folder may name.
check() {
    local found
    found=$(grep -rnE '^#include "' "$1" --include='*.cpp' --include='*.h' |
        grep -vE "#include \"($2)")
    if [ -n "$found" ]; then
        echo "$found"
        status=1
    fi
}
check runtime 'runtime/'
check console 'console/|runtime/'
check gfx/core 'gfx/core/|runtime/'
check gfx/draw 'gfx/draw/|gfx/core/|runtime/'
check gfx/blit 'gfx/blit/|gfx/core/|runtime/'
check gfx/console 'gfx/console/|gfx/core/|runtime/|console/tty\.h"'
exit $status
