#!/usr/bin/env bash
# Regenerates the program's icons from drawing commands (ImageMagick). Run from this folder.
# Each icon carries the sizes Windows asks for at the usual display scales: small and large icons
# at 100 to 200 % (16, 20, 24, 32, 40, 48, 64) and 256 for the shell's large views (kept as PNG).
set -euo pipefail
sizes=(16 20 24 32 40 48 64 256)
for s in "${sizes[@]}"; do
    r=$((s / 6))
    convert -size ${s}x${s} xc:none \
        -fill '#2E5C8A' -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
        -fill '#4F86C0' -draw "roundrectangle $((s / 10)),$((s / 10)) $((s - 1 - s / 10)),$((s / 2)) $r,$r" \
        -fill white -stroke white -strokewidth $((s / 12 + 1)) \
        -draw "line $((s * 3 / 10)),$((s * 3 / 10)) $((s / 2)),$((s * 3 / 4))" \
        -draw "line $((s / 2)),$((s * 3 / 4)) $((s * 7 / 10)),$((s * 3 / 10))" \
        vantrel-$s.png
    convert -size ${s}x${s} xc:none \
        -fill '#F4F4F4' -stroke '#5A5A5A' -strokewidth 1 -draw "rectangle 1,2 $((s - 2)),$((s - 3))" \
        -fill '#3A6EA5' -stroke none -draw "rectangle 2,3 $((s - 3)),$((s / 4 + 2))" \
        window-$s.png
done
convert $(printf "vantrel-%s.png " "${sizes[@]}") -depth 8 ../vantrel.ico
convert $(printf "window-%s.png " "${sizes[@]}") -depth 8 ../window.ico
rm -f vantrel-*.png window-*.png
