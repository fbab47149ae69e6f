#!/usr/bin/env bash
# Tests the release archives as a user meets them: each one is unpacked into a fresh folder of a
# fresh Wine prefix, and vt_package_check (tests/package) starts the program from there with
# windows of a 32-bit and a 64-bit fixture program open before it starts and opened after, checks
# that they are listed and get their rules, and ends the program through Exit.
# The setup programs are tested the same way: each installs silently into a fresh prefix, the
# installed program is checked as above, and the silent uninstall must leave only the user's
# rules.dat (which the check wrote), no shortcut, no "Apps & features" entry and no Run value.
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
# One installer: platform, the folder it installs to (in a 64-bit prefix), the check program.
check_setup() {
    local platform=$1 folder=$2 check=$3
    local setups=("$OUT"/Vantrel-*-setup-"$platform".exe)
    if [ ${#setups[@]} -ne 1 ] || [ ! -f "${setups[0]}" ]; then
        log "package test: expected one $OUT/Vantrel-<version>-setup-$platform.exe"
        return 1
    fi
    PREFIX=$(fresh_prefix)
    export WINEPREFIX=$PREFIX
    wineserver -p
    local unix="$PREFIX/drive_c/${folder#C:\\}"
    unix=${unix//\\//}
    local tools=$PREFIX/drive_c/vt-check result=0
    mkdir -p "$tools"
    cp "$check" "$tools/vt_package_check.exe"
    cp "$FIXTURE32" "$tools/vt_fixture32.exe"
    cp "$FIXTURE64" "$tools/vt_fixture64.exe"
    local fixtures=('C:\vt-check\vt_fixture32.exe' 'C:\vt-check\vt_fixture64.exe')
    [ "$VANTREL_RUNS_32BIT" = 1 ] || fixtures=('C:\vt-check\vt_fixture64.exe')
    log "package test: $(basename "${setups[0]}") /S into $folder"
    cp "${setups[0]}" "$tools/setup.exe"
    # The prefix's server stays up (wineserver -p), so the installer's own end is waited for.
    timeout 300 wine 'C:\vt-check\setup.exe' /S
    local links="$PREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs"
    if [ ! -f "$unix/Vantrel.exe" ] || [ ! -f "$unix/Uninstall.exe" ] || [ ! -f "$links/Vantrel.lnk" ]; then
        log "package test: setup $platform did not install the program and its shortcut"
        return 1
    fi
    timeout 300 wine 'C:\vt-check\vt_package_check.exe' "$folder" "${fixtures[@]}" | tr -d '\r' ||
        result=1
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    # What the program's auto start would have set, for the uninstaller to remove.
    wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v Vantrel /d x /f >/dev/null
    # The uninstaller runs on from a copy of itself in the temporary folder: its work is done
    # once its own file is gone.
    timeout 300 wine "$folder\\Uninstall.exe" /S
    local deadline=$((SECONDS + 120))
    while [ -f "$unix/Uninstall.exe" ] && [ $SECONDS -lt $deadline ]; do
        sleep 1
    done
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    local left
    left=$(cd "$unix" 2>/dev/null && ls | tr '\n' ' ')
    if [ "$left" != "rules.dat " ]; then
        log "package test: uninstall $platform left '$left' (only rules.dat is the user's)"
        result=1
    fi
    if [ -e "$links/Vantrel.lnk" ] || grep -q 'Uninstall\\\\Vantrel\]' "$PREFIX/system.reg" ||
        grep -q '^"Vantrel"=' "$PREFIX/system.reg"; then
        log "package test: uninstall $platform left its shortcut, entry or Run value"
        result=1
    fi
    rm -rf "$PREFIX"
    PREFIX=
    return $result
}

if [ "$VANTREL_RUNS_32BIT" != 1 ]; then
    # NSIS builds every setup program, the 64-bit one included, on a 32-bit stub.
    for setup in "$OUT"/Vantrel-*-setup-win64.exe "$OUT"/Vantrel-*-setup-win32.exe; do
        [ -f "$setup" ] || { log "package test: $setup was not made"; status=1; }
    done
    log "package test: setups made, not started: they are 32-bit programs and this machine runs none"
elif [ -f "$X64/vt_package_check.exe" ]; then
    check_setup win64 'C:\Program Files\Vantrel' "$X64/vt_package_check.exe" || status=1
fi
if [ "$VANTREL_RUNS_32BIT" = 1 ] && [ -f "$X86/vt_package_check.exe" ]; then
    check_setup win32 'C:\Program Files (x86)\Vantrel' "$X86/vt_package_check.exe" || status=1
fi
exit "$status"
