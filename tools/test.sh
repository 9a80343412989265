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
        # The fuzzers' bounded runs: a fixed seed from each kept corpus.
        for run in "api 60 API" "bmp 30 bitmap"; do
            read -r name seconds what <<<"$run"
            echo "== native: $what fuzzer, $seconds s"
            log=build/native/fuzz_$name.log
            if tools/fuzz.sh "$name" "$seconds" >"$log" 2>&1; then
                summary+=("native: $what fuzzer $(grep -Eo 'cov: [0-9]+' "$log" | tail -n 1), no finding")
            else
                tail -n 40 "$log"
                summary+=("native: $what fuzzer FAILED (see $log)")
                status=1
            fi
        done
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
