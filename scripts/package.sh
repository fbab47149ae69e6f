#!/usr/bin/env bash
# Makes the release archives a Windows user downloads:
#   build/release/Vantrel-<version>-win64.zip  the 64-bit program with its relay pair, the 32-bit
#                                             pair (vantrel_relay32.exe, vantrel_hook32.dll) when
#                                             the 64-bit build made it, the help file, ReadMe.txt
#   build/release/Vantrel-<version>-win32.zip  the 32-bit program with its pair, help, ReadMe.txt
#   build/release/Vantrel-<version>-setup-win64.exe and -setup-win32.exe  the same files as a
#                                             setup program (scripts/installer.nsi, NSIS)
# Each holds one folder laid out as the program expects beside its executable. The programs come
# from build/x86_64 and build/i686 (VANTREL_X64_DIR, VANTREL_X86_DIR), which are configured
# without tests when they do not exist yet and brought up to date otherwise.
# Usage: bash scripts/package.sh [output folder]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

OUT=${1:-$VANTREL_ROOT/build/release}
X64=${VANTREL_X64_DIR:-$VANTREL_ROOT/build/x86_64}
X86=${VANTREL_X86_DIR:-$VANTREL_ROOT/build/i686}
VERSION=$(sed -n 's/^ *VALUE "ProductVersion", "\([^"]*\)".*/\1/p' "$VANTREL_ROOT/res/vantrel.rc")
if [ -z "$VERSION" ]; then
    log "no ProductVersion in res/vantrel.rc"
    exit 1
fi

ensure_packages
for pair in "x86_64:$X64" "i686:$X86"; do
    arch=${pair%%:*}
    dir=${pair#*:}
    if [ -f "$dir/CMakeCache.txt" ]; then
        cmake --build "$dir" -j "$(nproc)"
    else
        log "building $arch for the release"
        cmake -S "$VANTREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVANTREL_TESTS=OFF \
            -DCMAKE_TOOLCHAIN_FILE="$VANTREL_ROOT/cmake/mingw-$arch.cmake" >/dev/null
        cmake --build "$dir" -j "$(nproc)"
    fi
done

mkdir -p "$OUT"
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
bash "$VANTREL_ROOT/scripts/build_help.sh" "$work/help" >/dev/null

# One archive: platform, bitness, build folder, files that must be there, files taken when they
# are there.
make_zip() {
    local platform=$1 bits=$2 bin=$3/bin required=$4 optional=$5
    local name=Vantrel-$VERSION-$platform
    local stage=$work/$name file list=""
    mkdir -p "$stage"
    for file in $required; do
        if [ ! -f "$bin/$file" ]; then
            log "missing $bin/$file"
            return 1
        fi
        cp "$bin/$file" "$stage/"
    done
    for file in $optional; do
        if [ -f "$bin/$file" ]; then
            cp "$bin/$file" "$stage/"
        fi
    done
    cp "$work/help/Vantrel.chm" "$stage/"
    for file in Vantrel.exe vantrel_relay.exe vantrel_hook.dll vantrel_relay32.exe \
        vantrel_hook32.dll Vantrel.chm; do
        [ -f "$stage/$file" ] || continue
        case $file in
        Vantrel.exe) list+="  Vantrel.exe          the program"$'\n' ;;
        vantrel_relay.exe) list+="  vantrel_relay.exe    helper that reports new windows of $bits programs"$'\n' ;;
        vantrel_hook.dll) list+="  vantrel_hook.dll     its hook, loaded into those programs"$'\n' ;;
        vantrel_relay32.exe)
            if [ "$bits" = 32-bit ]; then
                list+="  vantrel_relay32.exe  helper that reports new windows of 32-bit programs"$'\n'
            else
                list+="  vantrel_relay32.exe  the same for 32-bit programs"$'\n'
            fi
            ;;
        vantrel_hook32.dll) list+="  vantrel_hook32.dll   its hook"$'\n' ;;
        Vantrel.chm) list+="  Vantrel.chm          help"$'\n' ;;
        esac
    done
    list+="  ReadMe.txt           this file"$'\n\n'
    # Windows' own editors want CRLF line ends.
    VERSION=$VERSION PLATFORM="$bits program ($platform)" FILES=$list perl -pe \
        's/\@VERSION\@/$ENV{VERSION}/g; s/\@PLATFORM\@/$ENV{PLATFORM}/g;
         s/^\@FILES\@\n/$ENV{FILES}/; s/\r?\n/\r\n/g' \
        "$VANTREL_ROOT/docs/release-readme.txt" >"$stage/ReadMe.txt"
    rm -f "$OUT/$name.zip"
    (cd "$work" && TZ=UTC zip -X -q -r "$OUT/$name.zip" "$name")
    log "release: $OUT/$name.zip ($(cd "$stage" && ls | tr '\n' ' '))"
    local setup=$OUT/Vantrel-$VERSION-setup-$platform.exe
    makensis -V2 -DVERSION="$VERSION" -DARCH="$platform" -DSTAGE="$stage" -DOUTFILE="$setup" \
        "$VANTREL_ROOT/scripts/installer.nsi" >/dev/null
    log "release: $setup"
}

make_zip win64 64-bit "$X64" "Vantrel.exe vantrel_relay.exe vantrel_hook.dll" \
    "vantrel_relay32.exe vantrel_hook32.dll"
if [ -f "$X64/bin/vantrel_relay32.exe" ] && [ -f "$X64/bin/vantrel_hook32.dll" ]; then
    log "win64: the 32-bit relay pair is included"
else
    log "win64: no 32-bit relay pair in $X64/bin; new windows of 32-bit programs are seen only at the next rebuild"
fi
make_zip win32 32-bit "$X86" "Vantrel.exe vantrel_relay32.exe vantrel_hook32.dll" ""
