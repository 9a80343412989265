#!/usr/bin/env bash
# Builds and runs every test: the native build (portable code under
# AddressSanitizer and UBSan) and the Windows build under Wine on Xvfb.
# Prints CTest's summary for each target; exits non-zero when anything fails.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || exit 1
source tools/xvfb-session.sh

status=0
summary=()
for target in native win32; do
    echo "== $target: configure and build"
    mkdir -p "build/$target"
    log="build/$target/build.log"
    if ! cmake --preset "$target" >"$log" 2>&1 || ! cmake --build --preset "$target" >>"$log" 2>&1; then
        grep -E 'error|Error' "$log" | head -n 40
        echo "== $target: build FAILED (see $log)"
        summary+=("$target: build failed")
        status=1
        continue
    fi
    if [ "$target" = win32 ]; then zq_session_start; fi
    echo "== $target: tests"
    ctest --preset "$target" 2>&1 | tee "build/$target/ctest.log"
    line=$(grep -E 'tests passed' "build/$target/ctest.log" | tail -n 1)
    summary+=("$target: ${line:-no test summary}")
    grep -q '100% tests passed' "build/$target/ctest.log" || status=1
done
echo
for s in "${summary[@]}"; do echo "== $s"; done
exit $status
