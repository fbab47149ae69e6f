#!/usr/bin/env bash
# Takes the README's screenshots from the running program, driven with real X input (xdotool) on
# an Xvfb screen: the main window on both tabs, its popup menus, the tray menus and the dialogs.
# The Wine virtual desktop is 1024 x 768 at the screen's top-left corner, the main window centred.
# Every step waits for what it needs, with a deadline; a shot is taken once the screen has settled.
# Usage: bash scripts/screenshots.sh [output folder, default docs/] [scaled-only DPI...]
# With "scaled-only", only the main window is taken, started at each DPI given (main-window-<percent>).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
OUT=${1:-$VANTREL_ROOT/docs}
ONLY_SCALED=
if [ "${2:-}" = scaled-only ]; then
    ONLY_SCALED=1
    shift 2
    SCALED_DPIS=("$@")
else
    SCALED_DPIS=(144)
fi
mkdir -p "$OUT"
BIN=$VANTREL_ROOT/build/x86_64/bin
PREFIX=$(fresh_prefix)
export WINEPREFIX=$PREFIX
XVFB_PID=
APP=$(mktemp -d)
WORK=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; kill "$XVFB_PID" 2>/dev/null || true; rm -rf "$PREFIX" "$APP" "$WORK"' EXIT
start_xvfb
wineserver -p
cp "$BIN/Vantrel.exe" "$BIN/vantrel_relay.exe" "$BIN/vantrel_hook.dll" "$BIN/vantrel_relay32.exe" \
    "$BIN/vantrel_hook32.dll" "$APP/"
# A few rules, so that the rules tab shows what it is for.
printf '%s\r\n' '[Options]' 'WindowCount=3' \
    '[Window1]' 'ClassName=Notepad' 'Action=3' 'ZOrder=2' 'WindowCaption=Untitled - Notepad' \
    'AutoRefresh=-' 'TimeInterval=-1' \
    '[Window2]' 'ClassName=RegEdit_RegEdit' 'Action=0' 'ZOrder=0' 'WindowCaption=Registry Editor' \
    'AutoRefresh=-' 'TimeInterval=-1' \
    '[Window3]' 'ClassName=IEFrame' 'Action=0' 'ZOrder=2' 'WindowCaption=' \
    'AutoRefresh=Yes' 'TimeInterval=30' >"$APP/rules.dat"

# Waits until the command succeeds, for at most $1 seconds.
wait_for() {
    local seconds=$1
    shift
    local deadline=$((SECONDS + seconds))
    until "$@" >/dev/null 2>&1; do
        [ "$SECONDS" -lt "$deadline" ] || { log "gave up waiting for: $*"; return 1; }
        sleep 0.1
    done
}
grab() { import -display "$DISPLAY" -window root -crop "$1" "$2"; }
# The area once two captures a moment apart agree (menus and dialogs have finished drawing).
shot() {
    local name=$1 what=$2 area=$3 deadline=$((SECONDS + 8)) previous=
    while :; do
        grab "$area" "$WORK/now.png"
        local sum
        sum=$(md5sum <"$WORK/now.png")
        [ "$sum" = "$previous" ] && break
        [ "$SECONDS" -lt "$deadline" ] || break
        previous=$sum
        sleep 0.3
    done
    cp "$WORK/now.png" "$OUT/$name.png"
    log "$name: $what"
}
# True once the pixel at x,y differs from the one captured in $WORK/before.txt.
pixel() { import -display "$DISPLAY" -window root -crop "1x1+$1+$2" txt:- | tail -1; }
changed_at() { [ "$(pixel "$1" "$2")" != "$(cat "$WORK/before.txt")" ]; }
remember_pixel() { pixel "$1" "$2" >"$WORK/before.txt"; }
click() { xdotool mousemove "$1" "$2" click "${3:-1}"; }
key() { xdotool key "$@"; }
# Clicks and waits until the screen changes at x,y (a menu or a dialog has opened there).
click_until_shown() {
    remember_pixel "$4" "$5"
    click "$1" "$2" "$3"
    wait_for 8 changed_at "$4" "$5"
}
key_until_shown() {
    remember_pixel "$2" "$3"
    key $1
    wait_for 8 changed_at "$2" "$3"
}
# Closes what is open with the key and waits until the screen at x,y is as before it opened.
restored_at() { [ "$(pixel "$1" "$2")" = "$(cat "$WORK/base.txt")" ]; }
close_with() {
    key "$1"
    wait_for 8 restored_at "$2" "$3"
}

# The main window started at another display scaling, as the prefix's LogPixels sets it for the
# programs started after; centred on the 1024 x 768 desktop at its scaled size.
shoot_scaled() {
    local dpi=$1 w h sx sy
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    (cd "$APP" && wine Vantrel.exe >/dev/null 2>&1 &)
    wait_for 30 xdotool search --name '^Vantrel$'
    w=$(((512 * dpi + 48) / 96))
    h=$(((382 * dpi + 48) / 96))
    sx=$(((1024 - w) / 2))
    sy=$(((768 - h) / 2))
    # Drawn once the list shows its first row, below the header.
    scaled_drawn() { [ "$(pixel $((sx + w / 8)) $((sy + h * 100 / 382)))" != "$(pixel $((sx + w / 8)) $((sy + h * 300 / 382)))" ]; }
    wait_for 30 scaled_drawn
    xdotool mousemove $((sx + w * 300 / 512)) $((sy + h * 20 / 382))
    shot "main-window-$((dpi * 100 / 96))" "main window at $dpi DPI" "$((w + 48))x$((h + 48))+$((sx - 24))+$((sy - 24))"
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
}
if [ -n "$ONLY_SCALED" ]; then
    wine notepad >/dev/null 2>&1 &
    wait_for 30 xdotool search --name 'Notepad'
    for dpi in "${SCALED_DPIS[@]}"; do
        shoot_scaled "$dpi"
        wineserver -k 2>/dev/null || true
        wineserver -w 2>/dev/null || true
        wineserver -p
        wine notepad >/dev/null 2>&1 &
        wait_for 30 xdotool search --name 'Notepad'
    done
    log "screenshots in $OUT"
    exit 0
fi

wine notepad >/dev/null 2>&1 &
wait_for 30 xdotool search --name 'Notepad'
wine regedit >/dev/null 2>&1 &
wait_for 30 xdotool search --name 'Registry Editor'
(cd "$APP" && wine Vantrel.exe >/dev/null 2>&1 &)
wait_for 30 xdotool search --name '^Vantrel$'
X=256
Y=193
ROW1=$((Y + 101))
WIN=560x440+$((X - 24))+$((Y - 24))
MENU=600x470+$((X - 24))+$((Y - 24))
# The main window has drawn its list once the first row's caption is on the screen.
row_drawn() { [ "$(pixel $((X + 60)) $ROW1)" != "$(pixel $((X + 60)) $((Y + 300)))" ]; }
wait_for 30 row_drawn
pixel $((X + 150)) $((Y + 250)) >"$WORK/base.txt"

click $((X + 100)) $ROW1
# Off the list, so that its hint does not cover the rows.
xdotool mousemove $((X + 300)) $((Y + 20))
shot main-window "window list" "$WIN"
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
shot menu-list "list menu" "$MENU"
close_with Escape $((X + 150)) $((Y + 250))

# The rules tab, a rule chosen, and its menu.
click $((X + 151)) $((Y + 363))
click $((X + 100)) $ROW1
xdotool mousemove $((X + 300)) $((Y + 20))
shot main-window-rules "rules tab" "$WIN"
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
shot menu-rules "rules menu" "$MENU"
close_with Escape $((X + 150)) $((Y + 250))
click $((X + 71)) $((Y + 363))

# Dialogs on the selected window.
click $((X + 100)) $ROW1
click_until_shown $((X + 315)) $((Y + 54)) 1 $((X + 256)) $((Y + 150))
shot dialog-options "options" "$WIN"
# Options and Set Rule take no Escape: their title bar's close does.
close_with alt+F4 $((X + 150)) $((Y + 250))
remember_pixel $((X + 256)) $((Y + 150))
xdotool mousemove $((X + 100)) $ROW1 click --repeat 2 --delay 80 1
wait_for 8 changed_at $((X + 256)) $((Y + 150))
shot dialog-set-rule "set rule" 480x400+$((X + 16))+$((Y - 9))
# More... opens centred over Set Rule, its program field (white) where Set Rule is grey.
click_until_shown $((X + 426)) $((Y + 280)) 1 $((X + 175)) $((Y + 129))
shot dialog-rule-more "rule more" 400x290+$((X + 46))+$((Y + 46))
key Escape
more_closed() { ! xdotool search --name '^More$'; }
wait_for 8 more_closed
close_with alt+F4 $((X + 150)) $((Y + 250))
click $((X + 100)) $ROW1
click_until_shown $((X + 268)) $((Y + 52)) 1 $((X + 256)) $((Y + 150))
shot dialog-transparency "custom transparency" "$WIN"
close_with Escape $((X + 150)) $((Y + 250))
# From the list menu by keys: the eighth item is "Resize window", the third "Window Properties".
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
key Down Down Down Down Down Down Down Down
key_until_shown Return $((X + 256)) $((Y + 150))
shot dialog-resize "resize window" "$WIN"
close_with Escape $((X + 150)) $((Y + 250))
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
key Down Down Down
key_until_shown Return $((X + 300)) $((Y + 200))
shot dialog-properties "window properties" 680x440+$((X - 24))+$((Y - 24))
click $((X + 221)) $((Y + 135))
shot dialog-properties-styles "window properties, styles" 680x440+$((X - 24))+$((Y - 24))
close_with Escape $((X + 150)) $((Y + 250))
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
key Up Up
key_until_shown Return $((X + 256)) $((Y + 150))
shot dialog-about "about" "$WIN"
close_with Escape $((X + 150)) $((Y + 250))

# The tray: the program's own icon at the right end, then the first listed window hidden behind an
# icon of its own (Minimize To Tray, the fourth item of the list menu), left of the program's.
click_until_shown 1011 757 3 960 700
# Off the icon, so that its own hint does not cover the menu.
xdotool mousemove 1000 300
shot menu-tray "own tray icon menu" 400x300+624+468
key Escape
click $((X + 100)) $ROW1
click_until_shown $((X + 100)) $ROW1 3 $((X + 130)) $((Y + 140))
key Down Down Down Down
key_until_shown Return 993 757
click_until_shown 993 757 3 940 730
xdotool mousemove 1000 300
shot menu-tray-hidden "tray menu of a hidden window" 400x300+624+468
key Escape
# Last, in a fresh start: the main window at 150 %.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
wineserver -p
wine notepad >/dev/null 2>&1 &
wait_for 30 xdotool search --name 'Notepad'
for dpi in "${SCALED_DPIS[@]}"; do
    shoot_scaled "$dpi"
done
log "screenshots in $OUT"
