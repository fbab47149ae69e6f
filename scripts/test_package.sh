#!/usr/bin/env bash
# Tests the release archives as a user meets them: each one is unpacked into a fresh folder of a
# fresh Wine prefix, and vt_package_check (tests/package) starts the program from there with
# windows of a 32-bit and a 64-bit fixture program open before it starts and opened after, checks
# that they are listed and get their rules, and ends the program through Exit.
# Needs the archives (scripts/package.sh) and both test builds (build/x86_64, build/i686).
# Usage: bash scripts/test_package.sh [archive folder, default build/release]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OUT=${1:-$VANTREL_ROOT/build/release}
X64=${VANTREL_X64_DIR:-$VANTREL_ROOT/build/x86_64}/bin
X86=${VANTREL_X86_DIR:-$VANTREL_ROOT/build/i686}/bin
FIXTURE64=$X64/vt_fixture.exe
# A 32-bit fixture made by the 64-bit build serves as well as the 32-bit build's own.
FIXTURE32=$X86/vt_fixture.exe
[ -f "$X64/vt_fixture32.exe" ] && FIXTURE32=$X64/vt_fixture32.exe

PREFIX=
OWN_XVFB=
XVFB_PID=
cleanup() {
    if [ -n "$PREFIX" ]; then
        WINEPREFIX=$PREFIX wineserver -k 2>/dev/null || true
        rm -rf "$PREFIX"
    fi
    [ -n "$OWN_XVFB" ] && kill "$XVFB_PID" 2>/dev/null || true
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
    start_xvfb
    OWN_XVFB=1
fi

status=0
for platform in win64 win32; do
    case $platform in
    win64) check=$X64/vt_package_check.exe ;;
    win32) check=$X86/vt_package_check.exe ;;
    esac
    if [ "$platform" = win32 ] && [ "$VANTREL_RUNS_32BIT" != 1 ]; then
        log "package test: $platform archive not started: this machine runs no 32-bit program"
        continue
    fi
    zips=("$OUT"/Vantrel-*-"$platform".zip)
    if [ ${#zips[@]} -ne 1 ] || [ ! -f "${zips[0]}" ]; then
        log "package test: expected one $OUT/Vantrel-<version>-$platform.zip"
        status=1
        continue
    fi
    for file in "$check" "$FIXTURE64" "$FIXTURE32"; do
        if [ ! -f "$file" ]; then
            log "package test: $file is missing (build both test trees first)"
            status=1
            continue 2
        fi
    done
    zip=${zips[0]}
    name=$(basename "$zip" .zip)
    PREFIX=$(fresh_prefix)
    export WINEPREFIX=$PREFIX
    wineserver -p
    unzip -q "$zip" -d "$PREFIX/drive_c/Program Files"
    tools=$PREFIX/drive_c/vt-check
    mkdir -p "$tools"
    cp "$check" "$tools/vt_package_check.exe"
    cp "$FIXTURE32" "$tools/vt_fixture32.exe"
    cp "$FIXTURE64" "$tools/vt_fixture64.exe"
    fixtures=('C:\vt-check\vt_fixture32.exe' 'C:\vt-check\vt_fixture64.exe')
    [ "$VANTREL_RUNS_32BIT" = 1 ] || fixtures=('C:\vt-check\vt_fixture64.exe')
    log "package test: $name in C:\\Program Files\\$name"
    timeout 300 wine 'C:\vt-check\vt_package_check.exe' "C:\\Program Files\\$name" \
        "${fixtures[@]}" | tr -d '\r' || status=1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    rm -rf "$PREFIX"
    PREFIX=
done
exit "$status"
