#!/usr/bin/env bash
# Regenerates the program's bitmaps from drawing commands (ImageMagick), into res/.
#
# Every picture is drawn at four or eight times its size and scaled down, which gives smooth
# edges without any hand-made pixels. The button and menu pictures are keyed with magenta
# (#FF00FF): the program draws them with TransparentBlt or an image list mask, which know only
# "shown" or "not shown", so each edge pixel that stays is pre-blended with the colour the
# picture will stand on (the toolbar, or a menu) and the faint rest becomes the key colour.
# The output is the same on every run: no dates, no randomness, fixed fonts and sizes.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=$(cd "$here/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/vantrel-art.XXXXXX")
trap 'rm -rf "$work"' EXIT

# DejaVu comes with ImageMagick's dependencies on Debian; any other font would change the art.
bold_font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
plain_font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
for f in "$bold_font" "$plain_font"; do
    [ -f "$f" ] || {
        echo "make_art.sh: missing font $f (package fonts-dejavu-core)" >&2
        exit 1
    }
done

# Palette. The blues are the icon's; the warm greys and the olive go with the tab control's
# border (#AFA899) and its olive tabs.
blue_dark='#1F4A78'
blue='#2E5C8A'
blue_light='#4F86C0'
blue_pale='#A9C8EA'
toolbar_top='#FBFAF5'
toolbar_bottom='#E4E0D2'
body='#ECE9D8'
line_warm='#AFA899'
olive='#8A8F4E'
paper='#FFFFFF'
ink='#5B6470'
green='#3F9A3A'
green_light='#6CC164'
red='#C8352B'
red_light='#E8685C'
amber='#E8A13A'
key='#FF00FF'

# Colours the keyed pictures are pre-blended with: the toolbar's middle and a menu's face.
toolbar_mid='#EFECE3'
menu_face='#F4F3EE'

# ---------------------------------------------------------------------------------------------
# Shared shapes, all on a 128 x 128 canvas (one picture pixel at 32 x 32 is four units here).

# The program's mark: a blue rounded square with a white check-like "V" (as in make_icons.sh).
logo() { # file
    convert -size 128x128 xc:none \
        -fill "$blue" -draw "roundrectangle 0,0 127,127 21,21" \
        -fill "$blue_light" -draw "roundrectangle 12,12 115,64 21,21" \
        -fill none -stroke white -strokewidth 12 \
        -draw "line 38,38 64,96" -draw "line 64,96 90,38" \
        -stroke none -fill white \
        -draw "circle 38,38 44,38" -draw "circle 64,96 70,96" -draw "circle 90,38 96,38" \
        "$1"
}

# A sheet of paper with list lines: the rule pictures start from it.
sheet() { # file
    convert -size 128x128 xc:none \
        -fill "$paper" -stroke "$ink" -strokewidth 5 \
        -draw "path 'M 22,10 L 78,10 L 104,36 L 104,118 L 22,118 Z'" \
        -fill '#DCE3EA' -draw "path 'M 78,10 L 78,36 L 104,36 Z'" \
        -stroke "$blue_light" -strokewidth 7 \
        -draw "line 36,54 88,54" -draw "line 36,72 88,72" -draw "line 36,90 70,90" \
        "$1"
}

# A round badge in the lower right corner, with a white border so it reads against the sheet.
badge() { # file colour light-colour
    convert "$1" \
        -fill white -stroke none -draw "circle 92,92 92,54" \
        -fill "$2" -draw "circle 92,92 92,60" \
        -fill "$3" -draw "ellipse 92,80 24,14 180,360" \
        "$1"
}

draw_add_rule() { # file
    sheet "$1"
    badge "$1" "$green" "$green_light"
    convert "$1" -stroke white -strokewidth 10 \
        -draw "line 92,74 92,110" -draw "line 74,92 110,92" "$1"
}

draw_edit_rule() { # file
    sheet "$1"
    # A pencil across the sheet, tip down to the left.
    convert "$1" -stroke '#5A4A2A' -strokewidth 3 \
        -fill "$amber" -draw "polygon 60,92 100,52 118,70 78,110" \
        -fill '#F6D9A8' -draw "polygon 60,92 78,110 50,120" \
        -fill '#3A3A3A' -stroke none -draw "polygon 50,120 54,108 62,116" \
        -fill '#E07A7A' -stroke '#5A4A2A' -draw "polygon 100,52 108,44 126,62 118,70" \
        "$1"
}

draw_delete_rule() { # file
    sheet "$1"
    badge "$1" "$red" "$red_light"
    convert "$1" -stroke white -strokewidth 10 \
        -draw "line 79,79 105,105" -draw "line 105,79 79,105" "$1"
}

# The same at 16 x 16, where every line has to fall on whole pixels (eight units here) to stay
# sharp, and the badge has to be larger to be read at all.
small_sheet() { # file
    convert -size 128x128 xc:none \
        -fill "$paper" -stroke "$ink" -strokewidth 8 \
        -draw "path 'M 20,4 L 76,4 L 100,28 L 100,124 L 20,124 Z'" \
        -fill '#DCE3EA' -draw "path 'M 76,4 L 76,28 L 100,28 Z'" \
        -stroke "$blue_light" -strokewidth 8 \
        -draw "line 40,44 76,44" -draw "line 40,68 68,68" -draw "line 40,92 52,92" \
        "$1"
}
small_badge() { # file colour
    convert "$1" -fill white -stroke none -draw "circle 88,88 88,48" \
        -fill "$2" -draw "circle 88,88 88,54" "$1"
}
draw_small_add_rule() { # file
    small_sheet "$1"
    small_badge "$1" "$green"
    convert "$1" -stroke white -strokewidth 12 \
        -draw "line 88,66 88,110" -draw "line 66,88 110,88" "$1"
}
draw_small_delete_rule() { # file
    small_sheet "$1"
    small_badge "$1" "$red"
    convert "$1" -stroke white -strokewidth 12 \
        -draw "line 74,74 102,102" -draw "line 102,74 74,102" "$1"
}
draw_small_edit_rule() { # file
    small_sheet "$1"
    convert "$1" -stroke '#5A4A2A' -strokewidth 6 \
        -fill "$amber" -draw "polygon 56,96 100,52 120,72 76,116" \
        -fill '#F6D9A8' -draw "polygon 56,96 76,116 46,126" \
        -fill '#E07A7A' -draw "polygon 100,52 108,44 128,64 120,72" \
        "$1"
}

# Polygons of an arrow running clockwise round (cx, cy) at radius r from angle a0 to a1
# (degrees, 0 = right, 90 = down): the band w wide, then a head len long and wid wide past a1.
# Filled outlines only, because ImageMagick 6 strokes a curved open line as a closed lens.
arc_arrow() { # cx cy r a0 a1 w len wid
    awk -v cx="$1" -v cy="$2" -v r="$3" -v a0="$4" -v a1="$5" -v w="$6" -v len="$7" -v wid="$8" '
    function pt(radius, deg) {
        return sprintf(" %.2f,%.2f", cx + radius * cos(deg * d), cy + radius * sin(deg * d))
    }
    BEGIN {
        d = atan2(0, -1) / 180
        band = "polygon"
        for (a = a0; a < a1; a += 3) band = band pt(r + w / 2, a)
        band = band pt(r + w / 2, a1) pt(r - w / 2, a1)
        for (a = a1; a > a0; a -= 3) band = band pt(r - w / 2, a)
        band = band pt(r - w / 2, a0)
        print band
        # The head: its base across the band at a1 - 1 degree, its tip ahead along the tangent.
        x1 = cx + r * cos(a1 * d); y1 = cy + r * sin(a1 * d)
        tx = -sin(a1 * d); ty = cos(a1 * d); nx = cos(a1 * d); ny = sin(a1 * d)
        printf "polygon %.2f,%.2f %.2f,%.2f %.2f,%.2f\n", x1 + tx * len, y1 + ty * len, \
            x1 - tx * 2 + nx * wid, y1 - ty * 2 + ny * wid, x1 - tx * 2 - nx * wid, y1 - ty * 2 - ny * wid
    }'
}

# Two arrows chasing each other round a circle.
refresh_drawing() { # file band-width head-length head-half-width radius
    local first second
    first=$(arc_arrow 64 64 "$5" 190 300 "$2" "$3" "$4")
    second=$(arc_arrow 64 64 "$5" 10 120 "$2" "$3" "$4")
    convert -size 128x128 xc:none -stroke none \
        -fill "$blue" -draw "$first" -draw "$second" \
        "$1"
}
draw_refresh() { refresh_drawing "$1" 16 30 26 42; }
draw_small_refresh() { refresh_drawing "$1" 20 36 32 40; }

# A window seen through another, half clear one.
draw_transparency() { # file
    convert -size 128x128 xc:none \
        -fill "$paper" -stroke "$blue_dark" -strokewidth 5 -draw "rectangle 8,10 84,80" \
        -fill "$blue" -stroke none -draw "rectangle 10,12 82,28" \
        -fill "$blue_pale" -draw "rectangle 18,38 74,70" \
        \( -size 128x128 xc:none -fill '#DCE8F5' -draw "rectangle 42,46 120,118" \
        -fill "$blue_light" -draw "rectangle 42,46 120,64" \
        -channel A -evaluate multiply 0.6 +channel \) -compose over -composite \
        -fill none -stroke "$blue_dark" -strokewidth 5 -draw "rectangle 42,46 120,118" \
        "$1"
}
draw_small_transparency() { # file
    convert -size 128x128 xc:none \
        -fill "$paper" -stroke "$blue_dark" -strokewidth 8 -draw "rectangle 4,12 84,84" \
        -fill "$blue" -stroke none -draw "rectangle 8,16 80,32" \
        \( -size 128x128 xc:none -fill '#DCE8F5' -draw "rectangle 44,52 124,124" \
        -fill "$blue_light" -draw "rectangle 44,52 124,72" \
        -channel A -evaluate multiply 0.6 +channel \) -compose over -composite \
        -fill none -stroke "$blue_dark" -strokewidth 8 -draw "rectangle 44,52 124,124" \
        "$1"
}

# Points of a gear outline with n teeth between radii r_in and r_out around (c, c).
gear_points() { # n r_in r_out c
    awk -v n="$1" -v ri="$2" -v ro="$3" -v c="$4" 'BEGIN {
        pi = atan2(0, -1); s = ""
        for (i = 0; i < n; i++) {
            a = 2 * pi * i / n; w = pi / n
            split(sprintf("%f %f %f %f", a - w * 0.55, a - w * 0.3, a + w * 0.3, a + w * 0.55), t, " ")
            s = s sprintf(" %.2f,%.2f", c + ri * cos(t[1]), c + ri * sin(t[1]))
            s = s sprintf(" %.2f,%.2f", c + ro * cos(t[2]), c + ro * sin(t[2]))
            s = s sprintf(" %.2f,%.2f", c + ro * cos(t[3]), c + ro * sin(t[3]))
            s = s sprintf(" %.2f,%.2f", c + ri * cos(t[4]), c + ri * sin(t[4]))
        }
        print s
    }'
}

draw_settings() { # file
    convert -size 128x128 xc:none \
        -fill '#7A8796' -stroke '#3E4A57' -strokewidth 5 \
        -draw "polygon $(gear_points 8 44 60 64)" \
        -stroke none -fill '#98A5B3' -draw "circle 64,64 64,24" \
        -fill '#B9C4CF' -draw "ellipse 64,52 30,18 180,360" \
        -fill '#F2F0EA' -stroke '#3E4A57' -strokewidth 5 -draw "circle 64,64 64,46" \
        "$1"
}

draw_small_settings() { # file
    convert -size 128x128 xc:none \
        -fill '#7A8796' -stroke '#3E4A57' -strokewidth 8 \
        -draw "polygon $(gear_points 8 46 62 64)" \
        -stroke none -fill '#A3AFBC' -draw "ellipse 64,50 36,20 180,360" \
        -fill '#F2F0EA' -stroke '#3E4A57' -strokewidth 8 -draw "circle 64,64 64,44" \
        "$1"
}

draw_help() { # file
    convert -size 128x128 xc:none \
        -fill "$blue" -stroke "$blue_dark" -strokewidth 4 -draw "circle 64,64 64,4" \
        -stroke none -fill "$blue_light" -draw "ellipse 64,40 46,28 180,360" \
        -fill white -font "$bold_font" -pointsize 92 -gravity center \
        -annotate +1+4 '?' \
        "$1"
}

draw_open() { # file
    logo "$1"
}

# ---------------------------------------------------------------------------------------------
# Keying: shrink the drawing, blend what is clearly part of the picture with the colour it
# will stand on, make the rest magenta.

keyed() { # drawing size stand-on-colour output
    local drawing=$1 size=$2 under=$3 output=$4
    convert "$drawing" -filter Lanczos -resize "${size}x${size}" -write mpr:small +delete \
        -size "${size}x${size}" "xc:$key" \
        \( mpr:small -background "$under" -flatten \) \
        \( mpr:small -alpha extract -threshold 45% \) \
        -composite -type TrueColor "$output"
}

# ---------------------------------------------------------------------------------------------
# Every picture is drawn at each scale the program picks from (res/ for 1x, res/125, res/150 and
# res/200 for the others; 1.25x because 120 DPI is the most common setting after 96, and a 1.5x
# drawing shrunk to it looks soft). Sizes and positions at 1x are whole pixels; at a scale they
# round as the program rounds its layout (MulDiv), so the pictures meet the controls' edges.

scale=1

# A length or position at 1x, rounded at the current scale.
at() { awk -v s="$scale" -v v="$1" 'BEGIN { printf "%d", int(v * s + 0.5) }'; }

# The filled rectangle that covers at the current scale what the whole pixels x0..x1, y0..y1 cover
# at 1x: thin lines stay sharp, one or two pixels thick.
box() { # x0 y0 x1 y1
    awk -v s="$scale" -v x0="$1" -v y0="$2" -v x1="$3" -v y1="$4" 'BEGIN {
        printf "rectangle %d,%d %d,%d", int(x0 * s + 0.5), int(y0 * s + 0.5),
            int((x1 + 1) * s + 0.5) - 1, int((y1 + 1) * s + 0.5) - 1
    }'
}

# Points of a shape ("x,y x,y ..."), pixel centres mapped to pixel centres; and plain numbers
# (radii, stroke widths, point sizes) times the scale. Printed without trailing zeros, so that at
# 1x the drawing commands are the very ones the pictures were first drawn with.
pts() { # "x,y x,y ..."
    awk -v s="$scale" -v p="$1" '
    function f(v, r) { r = sprintf("%.3f", v); sub(/0+$/, "", r); sub(/\.$/, "", r); return r }
    BEGIN {
        n = split(p, xy, /[ ,]+/); out = ""
        for (i = 1; i < n; i += 2) out = out (i > 1 ? " " : "") f((xy[i] + 0.5) * s - 0.5) "," f((xy[i + 1] + 0.5) * s - 0.5)
        printf "%s", out
    }'
}
num() { awk -v s="$scale" -v v="$1" 'BEGIN { r = sprintf("%.3f", v * s); sub(/0+$/, "", r); sub(/\.$/, "", r); printf "%s", r }'; }

draw_pictures() { # folder (with its slash, empty for 1x)
    local dir=$out/$1 name
    mkdir -p "$dir"
    local big small
    big=$(at 32)
    small=$(at 16)

    # Button pictures, 32 x 32 at 1x.
    for name in add_rule refresh transparency settings help edit_rule delete_rule; do
        [ -f "$work/$name.png" ] || "draw_$name" "$work/$name.png"
        keyed "$work/$name.png" "$big" "$toolbar_mid" "BMP3:$dir/btn_$name.bmp"
    done

    # Menu pictures, 16 x 16 at 1x, in the order of the menu image list. The small drawings keep
    # their lines on whole pixels at 16; from 32 up the button drawings do (four units a pixel).
    local strip=()
    for name in refresh add_rule help edit_rule delete_rule settings open transparency; do
        if [ "$small" -lt 32 ] && declare -F "draw_small_$name" >/dev/null; then
            [ -f "$work/small_$name.png" ] || "draw_small_$name" "$work/small_$name.png"
        else
            [ -f "$work/$name.png" ] || "draw_$name" "$work/$name.png"
            cp "$work/$name.png" "$work/small_$name.png"
        fi
        keyed "$work/small_$name.png" "$small" "$menu_face" "$work/menu_$name.png"
        strip+=("$work/menu_$name.png")
        rm -f "$work/small_$name.png"
    done
    convert "${strip[@]}" +append -type TrueColor "BMP3:$dir/menu_images.bmp"

    # The two large pictures are plain (no key). Above 1x they are kept with a palette of 256
    # colours, without dithering: a gradient has fewer steps than that, and the executable grows
    # by a third of what true colour would cost.
    local depth=(-type TrueColor)
    [ "$scale" = 1 ] || depth=(-dither None -colors 256 -type Palette -compress None)

    # Main window background, 512 x 383 at 1x: title band (0..29), toolbar (30..72), body (73..).
    [ -f "$work/logo.png" ] || logo "$work/logo.png"
    convert "$work/logo.png" -filter Lanczos -resize "$(at 34)x$(at 34)" "$work/logo34.png"
    local w h
    w=$(at 512)
    h=$(at 383)
    convert -size "${w}x$h" "xc:$body" \
        \( -size "${w}x$(at 30)" "gradient:#4C82BD-$blue_dark" \) -geometry +0+0 -composite \
        \( -size "${w}x$(at 14)" "gradient:rgba(255,255,255,0.16)-rgba(255,255,255,0.02)" \) \
        -geometry +0+0 -composite \
        \( -size "${w}x$(($(at 73) - $(at 30)))" "gradient:$toolbar_top-$toolbar_bottom" \) \
        -geometry "+0+$(at 30)" -composite \
        \( -size "${w}x$((h - $(at 73)))" "gradient:$body-#E2DECB" \) -geometry "+0+$(at 73)" \
        -composite \
        -fill '#6F9DD1' -draw "$(box 1 0 510 0)" \
        -fill '#163A60' -draw "$(box 0 29 511 29)" \
        -fill '#FFFFFF' -draw "$(box 1 30 510 30)" \
        -fill "$line_warm" -draw "$(box 0 72 511 72)" \
        -fill '#F7F5EC' -draw "$(box 1 73 510 73)" \
        -fill none -strokewidth "$(num 1)" -stroke 'rgba(255,255,255,0.22)' \
        -draw "roundrectangle $(pts '458,8 502,26') $(num 3),$(num 3)" \
        -stroke 'rgba(255,255,255,0.22)' -draw "line $(pts '480,9 480,25')" \
        -fill 'rgba(255,255,255,0.10)' -stroke none \
        -draw "polygon $(pts '250,0 310,0 282,29 222,29')" \
        -draw "polygon $(pts '318,0 336,0 308,29 290,29')" \
        -stroke '#C2BBA6' -fill '#F8F6EF' \
        -draw "roundrectangle $(pts '88,49 138,66') $(num 3),$(num 3)" \
        -stroke none -fill '#FFFFFF' -draw "$(box 90 50 136 50)" \
        "$work/logo34.png" -geometry "+$(at 36)+$(at 34)" -composite \
        -fill none -stroke '#163A60' -draw "rectangle $(pts '0,0 511,29')" \
        -stroke '#8C8672' -draw "line $(pts '0,30 0,382')" -draw "line $(pts '511,30 511,382')" \
        -draw "line $(pts '0,382 511,382')" \
        "${depth[@]}" "BMP3:$dir/main_background.bmp"

    # About banner, 360 x 50 at 1x.
    convert "$work/logo.png" -filter Lanczos -resize "$(at 32)x$(at 32)" "$work/logo32.png"
    w=$(at 360)
    h=$(at 50)
    convert -size "${w}x$h" "gradient:#4C82BD-$blue_dark" \
        \( -size "${w}x$(at 22)" "gradient:rgba(255,255,255,0.16)-rgba(255,255,255,0.02)" \) \
        -geometry +0+0 -composite \
        -fill 'rgba(255,255,255,0.10)' -draw "polygon $(pts '250,0 300,0 270,47 220,47')" \
        -draw "polygon $(pts '308,0 324,0 294,47 278,47')" \
        -fill 'rgba(255,255,255,0.30)' \
        -draw "roundrectangle $(pts '12,6 47,41') $(num 7),$(num 7)" \
        "$work/logo32.png" -geometry "+$(at 14)+$(at 8)" -composite \
        -fill white -font "$bold_font" -pointsize "$(num 17)" \
        -annotate "+$(at 56)+$(at 25)" 'Vantrel' \
        -fill "$blue_pale" -font "$plain_font" -pointsize "$(num 10)" \
        -annotate "+$(at 57)+$(at 40)" 'Rules for every window on your desktop' \
        -fill "$olive" -draw "$(box 0 47 359 47)" \
        -fill '#C9C48A' -draw "$(box 0 48 359 48)" \
        -fill "$line_warm" -draw "$(box 0 49 359 49)" \
        "${depth[@]}" "BMP3:$dir/about_banner.bmp"
}

for scale in 1 1.25 1.5 2; do
    case $scale in
    1) draw_pictures "" ;;
    *) draw_pictures "$(awk -v s="$scale" 'BEGIN { printf "%d", s * 100 }')/" ;;
    esac
done
