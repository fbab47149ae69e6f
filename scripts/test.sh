#!/usr/bin/env bash
# Installs what is missing, builds both architectures with their tests and runs every test
# headless under Wine: the whole suite against the 64-bit and against the 32-bit build, the
# hostile-input tests again in a build with run-time checks, and the release archives unpacked
# into a fresh prefix. Extra arguments go to every ctest run (e.g. -R Relay); without them a run
# that finds fewer tests than the test program holds fails.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
started=$(date +%s)
# The option is given every time: a cache configured without tests (by hand, or by an older
# run.sh) must not turn this command into one that runs nothing and passes.
log "building x86_64 (program, relay, tests)"
build_arch x86_64 -DVANTREL_TESTS=ON
log "building i686 (program, relay, tests)"
build_arch i686 -DVANTREL_TESTS=ON
# AddressSanitizer has no MinGW runtime; the hostile-input tests run again in a build with the
# checks that do work there (cmake/checked.cmake).
log "building x86_64 with run-time checks (hostile-input tests)"
CHECKED_DIR=$VANTREL_ROOT/build/x86_64-checked
cmake -S "$VANTREL_ROOT" -B "$CHECKED_DIR" -DCMAKE_BUILD_TYPE=Release -DVANTREL_CHECKED=ON \
    -DVANTREL_TESTS=ON -DCMAKE_TOOLCHAIN_FILE="$VANTREL_ROOT/cmake/mingw-x86_64.cmake" >/dev/null
cmake --build "$CHECKED_DIR" -j "$(nproc)" --target vantrel_tests vantrel_relay vantrel_hook
if command -v chmcmd >/dev/null 2>&1; then
    bash "$VANTREL_ROOT/scripts/build_help.sh" "$VANTREL_ROOT/build/x86_64/bin" \
        "$VANTREL_ROOT/build/i686/bin" || log "help not built"
else
    log "no CHM compiler (package fp-utils): the help stays as HTML in docs/help"
fi
log "release archives"
package_status=0
bash "$VANTREL_ROOT/scripts/package.sh" || package_status=$?
built=$(date +%s)

PREFIX=
XVFB_PID=
cleanup() {
    if [ -n "$PREFIX" ]; then
        WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true
        rm -rf "$PREFIX"
    fi
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
start_xvfb

# Each build gets a prefix of its own, held by one server for the whole run: each test program
# then starts in a fraction of the time.
new_prefix() {
    if [ -n "$PREFIX" ]; then
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        rm -rf "$PREFIX"
    fi
    PREFIX=$(fresh_prefix)
    export WINEPREFIX=$PREFIX
    wineserver -p
    wine cmd /c exit >/dev/null 2>&1 || true
}

# Test names the test program of a build holds, as its own listing gives them.
listed_tests() {
    local exe=$1 filter=${2:-*}
    wine "$exe" --gtest_list_tests "--gtest_filter=$filter" 2>/dev/null | tr -d '\r' |
        awk '/^[^ ]/ { suite = $1 } /^  [^ ]/ { print suite $1 }'
}

# Every TEST, TEST_F and TEST_P in the sources makes at least one test.
SOURCE_TESTS=$(cat "$VANTREL_ROOT"/tests/unit/*.cpp "$VANTREL_ROOT"/tests/win/*.cpp |
    grep -cE '^(TEST|TEST_F|TEST_P)\(' || true)

declare -a SUMMARY=()
status=0
# run_suite <label> <build folder> <gtest filter> <ctest arguments...>
run_suite() {
    local label=$1 dir=$2 filter=$3
    shift 3
    local log=$dir/ctest-output.log start ran expected rc=0
    start=$(date +%s)
    log "$label"
    keep_desktop "$dir/bin"
    # A test program that is missing or does not start lists nothing, and the run fails below.
    expected=$(listed_tests "$dir/bin/vantrel_tests.exe" "$filter" | wc -l || true)
    # The caller's own arguments narrow the full runs only; the checked run keeps its filter.
    [ "$filter" = "*" ] && set -- "$@" "${EXTRA[@]}"
    (cd "$dir" && ctest --output-on-failure --timeout 180 "$@") 2>&1 |
        tee "$log" || rc=$?
    ran=$(sed -n 's/.* tests failed out of \([0-9][0-9]*\)$/\1/p' "$log" | tail -1)
    ran=${ran:-0}
    if [ "$ran" -eq 0 ]; then
        log "$label: ctest ran no test"
        [ "$rc" -ne 0 ] || rc=1
    elif [ ${#EXTRA[@]} -eq 0 ] && [ "$ran" -lt "$expected" ]; then
        log "$label: ctest ran $ran tests, the test program holds $expected"
        [ "$rc" -ne 0 ] || rc=1
    fi
    if [ ${#EXTRA[@]} -eq 0 ] && [ "$filter" = "*" ] && [ "$expected" -lt "$SOURCE_TESTS" ]; then
        log "$label: the test program lists $expected tests, the sources define $SOURCE_TESTS"
        [ "$rc" -ne 0 ] || rc=1
    fi
    SUMMARY+=("$label: $ran tests run (program holds $expected), $(($(date +%s) - start)) s, $([ "$rc" -eq 0 ] && echo passed || echo FAILED)")
    [ "$rc" -eq 0 ] || status=$rc
}
EXTRA=("$@")

new_prefix
run_suite "64-bit build, all tests" "$VANTREL_ROOT/build/x86_64" "*"
if [ "$VANTREL_RUNS_32BIT" = 1 ]; then
    new_prefix
    run_suite "32-bit build, all tests" "$VANTREL_ROOT/build/i686" "*"
else
    log "this machine runs no 32-bit program (its kernel's 32-bit emulation is off)"
    SUMMARY+=("32-bit build, all tests: built, not run: this machine runs no 32-bit program")
fi

# The system heap checks its blocks on every call and fills freed ones for these programs only,
# and a trap ends the test instead of starting the debugger.
new_prefix
for exe in vantrel_tests.exe Vantrel.exe vt_fixture.exe; do
    wine reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options\\$exe" \
        /v GlobalFlag /t REG_DWORD /d 0x70 /f >/dev/null 2>&1
done
WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d" \
    run_suite "checked 64-bit build, hostile-input tests" "$CHECKED_DIR" "*Hostile*" -R 'Hostile'
wineserver -k 2>/dev/null || true
rm -rf "$PREFIX"
PREFIX=

if [ ${#EXTRA[@]} -eq 0 ]; then
    start=$(date +%s)
    package_rc=$package_status
    if [ "$package_status" -eq 0 ]; then
        bash "$VANTREL_ROOT/scripts/test_package.sh" || package_rc=$?
    fi
    SUMMARY+=("release archives unpacked and started: $(($(date +%s) - start)) s, $([ "$package_rc" -eq 0 ] && echo passed || echo FAILED)")
    [ "$package_rc" -eq 0 ] || status=$package_rc
fi

log "building took $((built - started)) s, everything $(($(date +%s) - started)) s"
for line in "${SUMMARY[@]}"; do
    log "$line"
done
if [ "$status" -eq 0 ]; then
    log "RESULT: all tests passed"
else
    log "RESULT: some tests FAILED (exit $status)"
fi
exit "$status"
