#!/usr/bin/env bash
# Shared set-up for the build, run and test scripts. Sourced, never run on its own.
set -euo pipefail

VANTREL_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VANTREL_CACHE=${VANTREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vantrel}
# wine32 comes from Debian's i386 architecture: without it Wine runs no 32-bit program, so the
# 32-bit build could not be tested. fp-utils brings the help compiler, zip and unzip the release
# archives, nsis their setup programs.
VANTREL_PACKAGES=(wine wine64 wine32:i386 fonts-wine g++-mingw-w64-x86-64 g++-mingw-w64-i686 xvfb
    xauth imagemagick xdotool cmake make googletest fp-utils zip unzip nsis)
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
        if [ "$(dpkg --print-architecture)" = amd64 ] &&
            ! dpkg --print-foreign-architectures | grep -qx i386; then
            as_root dpkg --add-architecture i386
        fi
        # Working copies tested side by side install at the same moment: each waits its turn.
        local wait=(-o DPkg::Lock::Timeout=600)
        # A mirror in the middle of a sync fails the update of one list; the others still serve.
        as_root apt-get "${wait[@]}" update -qq || log "some package lists could not be updated"
        if ! as_root env DEBIAN_FRONTEND=noninteractive apt-get "${wait[@]}" install -y -qq \
            --no-install-recommends "${missing[@]}" >/dev/null; then
            # Such a sync can also leave the i386 lists behind the amd64 ones, so that wine32's
            # libraries cannot match their 64-bit twins. The rest is installed all the same and the
            # 32-bit suite is reported as not run, rather than nothing being tested at all.
            local rest=()
            for p in "${missing[@]}"; do
                [ "$p" = wine32:i386 ] || rest+=("$p")
            done
            [ ${#rest[@]} -lt ${#missing[@]} ] || return 1
            log "wine32:i386 cannot be installed from these package lists: 32-bit programs will not run"
            as_root env DEBIAN_FRONTEND=noninteractive apt-get "${wait[@]}" install -y -qq \
                --no-install-recommends "${rest[@]}" >/dev/null
        fi
    fi
    choose_wine_loader
}

# Some machines run no 32-bit Linux program at all (the kernel's 32-bit emulation is off), wine32
# installed or not. Debian's `wine` starts Wine's 32-bit loader first, for every program, so there
# it starts nothing; `wine` is then put ahead on PATH as the 64-bit loader, which runs 64-bit
# programs and fails to start 32-bit ones. VANTREL_RUNS_32BIT says which of the two it is.
choose_wine_loader() {
    VANTREL_RUNS_32BIT=1
    if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
        return 0
    fi
    VANTREL_RUNS_32BIT=0
    [ -x /usr/lib/wine/wine64 ] || return 0
    local shim=$VANTREL_CACHE/wine64-only
    if [ ! -x "$shim/wine" ]; then
        mkdir -p "$shim"
        local name
        for name in wine wine-stable; do
            printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shim/$name.new.$$"
            chmod +x "$shim/$name.new.$$"
            mv -f "$shim/$name.new.$$" "$shim/$name"
        done
    fi
    case ":$PATH:" in
    *":$shim:"*) ;;
    *) export PATH="$shim:$PATH" ;;
    esac
    export WINELOADER=/usr/lib/wine/wine64
}

# Configures and builds one architecture; extra arguments go to cmake's configure step.
build_arch() {
    local arch=$1
    shift
    build_tree "$arch" "$arch" "$@"
}

# The same into build/<folder>.
build_tree() {
    local folder=$1 arch=$2
    shift 2
    local dir=$VANTREL_ROOT/build/$folder
    cmake -S "$VANTREL_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$VANTREL_ROOT/cmake/mingw-$arch.cmake" "$@" >/dev/null
    cmake --build "$dir" -j "$(nproc)"
}

# What a prefix depends on: the Wine version and the architectures it can run. A prefix made
# before wine32 was installed cannot start anything afterwards ("could not load kernel32.dll").
wine_signature() {
    local arches=()
    [ "$VANTREL_RUNS_32BIT" = 1 ] && [ -d /usr/lib/i386-linux-gnu/wine ] && arches+=(win32)
    { [ -x /usr/lib/wine/wine64 ] || command -v wine64 >/dev/null 2>&1; } && arches+=(win64)
    printf '%s %s\n' "$(wine --version 2>/dev/null || echo no-wine)" "${arches[*]}"
}

# True when the prefix folder was made by this Wine with these architectures.
prefix_current() {
    [ -f "$1/.vantrel-ready" ] && [ "$(cat "$1/.vantrel-ready")" = "$(wine_signature)" ]
}

# A Wine prefix made once per machine (again after Wine or its architectures changed) and copied
# for every run, so runs never share a server. It is made aside and moved into place under a
# lock, so a run copying it meanwhile never sees half a prefix.
base_prefix() {
    local base=$VANTREL_CACHE/prefix-base
    mkdir -p "$VANTREL_CACHE"
    (
        flock 9
        if ! prefix_current "$base"; then
            log "preparing the Wine prefix ($(wine_signature))"
            local new=$base.new.$$
            rm -rf "$new"
            mkdir -p "$new"
            WINEPREFIX=$new wineboot -i >/dev/null 2>&1 || true
            WINEPREFIX=$new wineserver -w
            mkdir -p "$new/drive_c/windows/Fonts"
            cp -f /usr/share/wine/fonts/* "$new/drive_c/windows/Fonts/" 2>/dev/null || true
            # A virtual desktop: without it hiding or destroying windows stalls and restores
            # misbehave.
            WINEPREFIX=$new wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f \
                >/dev/null 2>&1
            WINEPREFIX=$new wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default \
                /d 1024x768 /f >/dev/null 2>&1
            WINEPREFIX=$new wineserver -k 2>/dev/null || true
            WINEPREFIX=$new wineserver -w 2>/dev/null || true
            wine_signature >"$new/.vantrel-ready"
            rm -rf "$base"
            mv "$new" "$base"
        fi
    ) 9>"$VANTREL_CACHE/prefix-base.lock"
    printf '%s\n' "$base"
}

# Copies the base prefix to the folder (made anew) unless it is already current.
copy_prefix_to() {
    local dir=$1 base
    prefix_current "$dir" && return 0
    base=$(base_prefix)
    rm -rf "$dir"
    mkdir -p "$dir"
    flock -s "$VANTREL_CACHE/prefix-base.lock" cp -a "$base/." "$dir/"
}

# Copies the base prefix to a fresh folder and prints its path.
fresh_prefix() {
    local dir
    dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-prefix.XXXXXX")
    copy_prefix_to "$dir"
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

# Wine closes a virtual desktop a second after its last program has ended and makes it afresh
# for the next: a test program that starts while it is being closed can have its first window
# refused. One windowless program of the given build folder's, waiting on a pipe that never
# speaks again, keeps the prefix's desktop for every test of the run; the server's end takes it
# along. It is waited for until it answers: the desktop's process inherits the output of the
# program that made it, and one made by a program whose output a caller reads to its end (ctest
# listing the tests, a command substitution) would hold that reader until the run is over.
keep_desktop() {
    local dir in out reply=
    dir=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-desktop.XXXXXX")
    in=$dir/in
    out=$dir/out
    mkfifo "$in" "$out"
    exec 8<>"$in" 9<>"$out"
    rm -rf "$dir"
    wine "$1/vt_fixture.exe" <&8 >&9 2>/dev/null &
    printf 'pid\n' >&8
    read -r -t 120 reply <&9 || true
    exec 8>&- 9>&-
    case $reply in
    ok*) ;;
    *) log "the program keeping the Wine desktop did not answer; the desktop may close between tests" ;;
    esac
}

choose_wine_loader
