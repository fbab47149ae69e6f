#!/usr/bin/env bash
# Takes the README's screenshots: the main window on both tabs, its popup menus and the dialogs,
# driven with xdotool on an Xvfb screen (Wine virtual desktop of 1024 x 768, main window centred).
# Usage: bash scripts/screenshots.sh [output folder, default docs/]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
OUT=${1:-$VANTREL_ROOT/docs}
mkdir -p "$OUT"
BIN=$VANTREL_ROOT/build/x86_64/bin
PREFIX=$(fresh_prefix)
export WINEPREFIX=$PREFIX
XVFB_PID=
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true; rm -rf "$PREFIX"' EXIT
start_xvfb
wineserver -p
APP=$(mktemp -d)
cp "$BIN/Vantrel.exe" "$BIN/vantrel_relay.exe" "$BIN/vantrel_hook.dll" "$BIN/vantrel_relay32.exe" \
    "$BIN/vantrel_hook32.dll" "$APP/"
wine notepad >/dev/null 2>&1 &
sleep 2
wine "$APP/Vantrel.exe" >/dev/null 2>&1 &
sleep 4
X=256
Y=193
shot() { sleep 1.2; import -display "$DISPLAY" -window root -crop "$3" "$OUT/$1.png"; log "$1: $2"; }
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
key() { xdotool key "$@"; }
WIN=560x440+$((X - 24))+$((Y - 24))

click $((X + 100)) $((Y + 70))
shot main-window "window list" "$WIN"
click $((X + 100)) $((Y + 70)) 3
shot menu-list "list menu" 800x620+$((X - 24))+$((Y - 24))
key Escape
click $((X + 151)) $((Y + 363))
click $((X + 60)) $((Y + 200)) 3
shot menu-rules "rules menu" 800x620+$((X - 24))+$((Y - 24))
key Escape
shot main-window-rules "rules tab" "$WIN"
click $((X + 71)) $((Y + 363))
click 1011 757 3
shot menu-tray "own tray icon menu" 400x300+624+468
key Escape
click $((X + 315)) $((Y + 54))
shot dialog-options "options" "$WIN"
key alt+F4
sleep 1
xdotool mousemove $((X + 100)) $((Y + 70)) click --repeat 2 1
shot dialog-set-rule "set rule" 600x520+$((X - 60))+$((Y - 60))
key alt+F4
sleep 1
click $((X + 100)) $((Y + 70))
click $((X + 268)) $((Y + 52))
shot dialog-transparency "custom transparency" "$WIN"
key Escape
sleep 1
click $((X + 100)) $((Y + 70)) 3
key Up Up Up
key Return
shot dialog-about "about" "$WIN"
key Escape
log "screenshots in $OUT"
