#!/usr/bin/env bash
# Shared set-up for the build, run and test scripts. Sourced, never run on its own.
set -euo pipefail

VANTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VANTREL_CACHE=${VANTREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel}
VANTREL_PACKAGES=(wine wine64 fonts-wine g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb xauth
    imagemagick xdotool cmake make googletest)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

log() { printf '[vantrel] %s\n' "$*" >&2; }

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs the Debian packages that are missing; does nothing when all are there.
ensure_packages() {
    local missing=() p
    for p in "${VANTREL_PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        log "installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
            --no-install-recommends "${missing[@]}" >/dev/null
    fi
}

# Configures and builds one architecture; extra arguments go to cmake's configure step.
build_arch() {
    local arch=$1
    shift
    local dir=$VANTREL_ROOT/build/$arch
    cmake -S "$VANTREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$VANTREL_ROOT/cmake/mingw-$arch.cmake" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# A Wine prefix made once per machine and copied for every run, so runs never share a server.
base_prefix() {
    local base=$VANTREL_CACHE/prefix-base
    if [ ! -f "$base/.vantrel-ready" ]; then
        log "preparing the Wine prefix (once)"
        rm -rf "$base"
        mkdir -p "$base"
        WINEPREFIX=$base wineboot -i >/dev/null 2>&1 || true
        WINEPREFIX=$base wineserver -w
        mkdir -p "$base/drive_c/windows/Fonts"
        cp -f /usr/share/wine/fonts/* "$base/drive_c/windows/Fonts/" 2>/dev/null || true
        # A virtual desktop: without it hiding or destroying windows stalls and restores misbehave.
        WINEPREFIX=$base wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
            >/dev/null 2>&1
        WINEPREFIX=$base wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
            /d 1024x768 /f >/dev/null 2>&1
        WINEPREFIX=$base wineserver -k 2>/dev/null || true
        WINEPREFIX=$base wineserver -w 2>/dev/null || true
        touch "$base/.vantrel-ready"
    fi
    printf '%s\n' "$base"
}

# Copies the base prefix to a fresh folder and prints its path.
fresh_prefix() {
    local base dir
    base=$(base_prefix)
    dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-prefix.XXXXXX")
    cp -a "$base/." "$dir/"
    printf '%s\n' "$dir"
}

# Starts Xvfb on a free display number and exports DISPLAY; XVFB_PID is set.
start_xvfb() {
    local n=91
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    log "Xvfb did not start on :$n"
    return 1
}
