#!/usr/bin/env bash
# Builds and runs every test: the native build (portable code under
# AddressSanitizer and UBSan, then the API fuzzer for 60 s and the bitmap
# decoder's fuzzer for 30 s), the plain linux build (no tests of its own),
# both Windows builds under Wine on Xvfb, and the WebAssembly build in
# headless Chromium and Node.js; then the library as its users get it
# (tools/package_test.sh: installs, the Debian package, the win64 ZIP) and
# the API reference. Every target is built every time; the 32-bit
# Windows tests run where the kernel runs 32-bit programs. Prints CTest's
# summary for each target that ran and a final line per target; exits non-zero
# when a build, a test or the fuzzer failed.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh || exit 1
source tools/xvfb-session.sh

status=0
summary=()
built=()
for target in native linux win32 win64 web; do
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
    built+=("$target")
done

session=
for target in "${built[@]}"; do
    # The plain release build has no tests of its own: the packages use it.
    [ "$target" = linux ] && continue
    if [ "$target" = win32 ] && ! zq_win32_runs; then
        echo "== win32: built; its tests need Wine to run 32-bit programs: not run here"
        summary+=("win32: built; tests not run here (no 32-bit programs under Wine: the kernel or Wine's 32-bit packages)")
        continue
    fi
    if [ "$target" != native ] && [ "$target" != web ] && [ -z "$session" ]; then
        zq_session_start
        session=1
    fi
    echo "== $target: tests"
    ctest --preset "$target" 2>&1 | tee "build/$target/ctest.log"
    line=$(grep -E 'tests passed' "build/$target/ctest.log" | tail -n 1)
    summary+=("$target: ${line:-no test summary}")
    grep -q '100% tests passed' "build/$target/ctest.log" || status=1
    if [ "$target" = native ]; then
        # The API fuzzer's bounded run: a fixed seed from the kept corpus.
        echo "== native: API fuzzer, 60 s"
        if tools/fuzz_api.sh 60 >build/native/fuzz_api.log 2>&1; then
            summary+=("native: API fuzzer $(grep -Eo 'cov: [0-9]+' build/native/fuzz_api.log | tail -n 1), no finding")
        else
            tail -n 40 build/native/fuzz_api.log
            summary+=("native: API fuzzer FAILED (see build/native/fuzz_api.log)")
            status=1
        fi
        # The bitmap decoder's: the same, from its own kept corpus.
        echo "== native: bitmap fuzzer, 30 s"
        if tools/fuzz_bmp.sh 30 >build/native/fuzz_bmp.log 2>&1; then
            summary+=("native: bitmap fuzzer $(grep -Eo 'cov: [0-9]+' build/native/fuzz_bmp.log | tail -n 1), no finding")
        else
            tail -n 40 build/native/fuzz_bmp.log
            summary+=("native: bitmap fuzzer FAILED (see build/native/fuzz_bmp.log)")
            status=1
        fi
    fi
done
# The library as its users get it: installs, the Debian package, the ZIP.
if [[ " ${built[*]} " == *" linux "* && " ${built[*]} " == *" win64 "* ]]; then
    echo "== packages"
    [ -n "$session" ] || zq_session_start
    if tools/package_test.sh | tee build/linux/packages.log; then
        summary+=("packages: $(grep -c ': ok$' build/linux/packages.log) checks passed")
    else
        summary+=("packages: FAILED (see build/linux/packages.log)")
        status=1
    fi
fi
# The API reference, with no warning.
echo "== reference"
if tools/make-reference.sh >build/reference.log 2>&1; then
    summary+=("reference: build/reference/html/index.html, no warning")
else
    cat build/reference.log
    summary+=("reference: FAILED (see build/reference.log)")
    status=1
fi
echo
for s in "${summary[@]}"; do echo "== $s"; done
exit $status
