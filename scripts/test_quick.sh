#!/usr/bin/env bash
# For a developer at work: builds the 64-bit program with its tests and runs ctest on them headless,
# in a prefix and on an Xvfb screen of this run's own, so several working copies can test at once.
# Arguments go to ctest (e.g. -R Relay). The full check stays scripts/test.sh.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
build_arch x86_64 -DVANTREL_TESTS=ON
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
PREFIX=$(fresh_prefix)
export WINEPREFIX=$PREFIX
wineserver -p
wine cmd /c exit >/dev/null 2>&1 || true
keep_desktop "$VANTREL_ROOT/build/x86_64/bin"
cd "$VANTREL_ROOT/build/x86_64" && ctest --output-on-failure --timeout 180 "$@"
