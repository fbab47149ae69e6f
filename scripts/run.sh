#!/usr/bin/env bash
# Installs what is missing, builds Vantrel and starts it under Wine: on the user's X display when
# there is one, otherwise on an Xvfb screen whose screenshot is saved.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

ensure_packages
# A build folder of its own: the test command's folder keeps its tests whatever ran before.
log "building x86_64"
build_tree run-x86_64 x86_64 -DVANTREL_TESTS=OFF
BIN=$VANTREL_ROOT/build/run-x86_64/bin
if command -v chmcmd >/dev/null 2>&1; then
    bash "$VANTREL_ROOT/scripts/build_help.sh" "$BIN" || log "help not built"
else
    log "no CHM compiler (package fp-utils): the help stays as HTML in docs/help"
fi

export WINEPREFIX=${VANTREL_PREFIX:-$VANTREL_CACHE/prefix-user}
copy_prefix_to "$WINEPREFIX"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1 || [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X${DISPLAY#:}" ]; then
    log "starting Vantrel on $DISPLAY"
    exec wine "$BIN/Vantrel.exe" "$@"
fi

XVFB_PID=
start_xvfb
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true' EXIT
log "no display: starting Vantrel on Xvfb $DISPLAY"
wine "$BIN/Vantrel.exe" "$@" &
for i in $(seq 1 100); do
    xdotool search --name '^Vantrel$' >/dev/null 2>&1 && break
    sleep 0.2
done
sleep 2
SHOT=${VANTREL_SHOT:-$VANTREL_ROOT/build/vantrel-screen.png}
import -display "$DISPLAY" -window root "$SHOT"
log "screenshot saved to $SHOT"
log "Vantrel keeps running on $DISPLAY; press Ctrl+C to stop"
wait
