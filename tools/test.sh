#!/usr/bin/env bash
# Builds and runs every test: the native build (portable code under
# AddressSanitizer and UBSan) and the Windows build under Wine on Xvfb.
# Exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || exit 1
source tools/xvfb-session.sh

status=0
for target in native win32; do
    echo "== $target: configure and build"
    if ! cmake --preset "$target" >"build-$target.log" 2>&1 ||
       ! cmake --build --preset "$target" >>"build-$target.log" 2>&1; then
        tail -n 60 "build-$target.log"
        echo "== $target: build FAILED"
        status=1
        continue
    fi
    [ "$target" = win32 ] && zq_session_start
    echo "== $target: tests"
    ctest --preset "$target" 2>&1 | tee "build/$target/ctest.log" | grep -v '^ *[0-9]*/[0-9]* Test' || true
    grep -q '100% tests passed' "build/$target/ctest.log" || status=1
    grep -E 'tests passed|tests failed' "build/$target/ctest.log" | sed "s/^/== $target: /"
done
exit $status
