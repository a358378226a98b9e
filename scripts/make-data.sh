#!/usr/bin/env bash
# make-data.sh - regenerates every picture under data/:
#
#   data/Data/*.jpg               placeholder pictures the virtual camera shows
#                                 when its input cannot deliver video
#   data/Borders/border1..6.png   decorative frames drawn over the camera picture
#   data/Samples/Pictures/*       the bundled sample slideshow
#   filter/Veltrane.ico           the camera module's icon (16x16 and 32x32),
#                                 compiled into Veltrane.ax
#   data/Data/Default/*.png       the desktop application's button skins
#                                 (normal _up, pressed _down, hover _sel)
#   data/Data/main.png            the product picture of its About box
#   app/Zelmora.ico               the application's icon (16, 32 and 48)
#
# Run it by hand from anywhere in the tree:   scripts/make-data.sh
# The build does not run it; the generated files are kept in the repository.
#
# Needs ImageMagick (convert; tested with 6.9) and the DejaVu fonts
# (Debian: apt-get install imagemagick fonts-dejavu-core).
# The output is deterministic: random textures use fixed seeds, ImageMagick
# runs single-threaded, and no time stamps or other metadata are written.

set -euo pipefail

die() { printf 'make-data.sh: %s\n' "$*" >&2; exit 1; }

# --- tools -------------------------------------------------------------------

command -v convert >/dev/null 2>&1 ||
    die "ImageMagick 'convert' was not found. Install it first (Debian: apt-get install imagemagick)."
convert -version 2>/dev/null | grep -q '^Version: ImageMagick' ||
    die "'convert' is not a working ImageMagick. Install it first (Debian: apt-get install imagemagick)."

FONTDIR=${DEJAVU_DIR:-}
if [ -z "$FONTDIR" ]; then
    for d in /usr/share/fonts/truetype/dejavu /usr/share/fonts/dejavu /usr/share/fonts/TTF; do
        if [ -f "$d/DejaVuSans.ttf" ]; then FONTDIR=$d; break; fi
    done
fi
if [ -z "$FONTDIR" ] || [ ! -f "$FONTDIR/DejaVuSans.ttf" ]; then
    die "DejaVu fonts not found. Install them (apt-get install fonts-dejavu-core) or set DEJAVU_DIR."
fi
SANS=$FONTDIR/DejaVuSans.ttf
SANS_BOLD=$FONTDIR/DejaVuSans-Bold.ttf
for f in "$SANS" "$SANS_BOLD"; do
    [ -f "$f" ] || die "font missing: $f (apt-get install fonts-dejavu-core)"
done

# Same result on every machine: one thread, fixed seeds, no metadata.
export MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
DATA=$ROOT/data
TMP=$(mktemp -d "${TMPDIR:-/tmp}/make-data.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

mkdir -p "$DATA/Data" "$DATA/Borders" "$DATA/Samples/Pictures"

im() { convert "$@"; }

# Baseline (non-progressive) JPEG, 4:2:0, quality 90, no metadata.
save_jpg() { # src dst
    im "$1" -strip -colorspace sRGB -type TrueColor -interlace none \
        -sampling-factor 2x2 -quality 90 "$2"
}

# 8-bit RGBA PNG (colour type 6), no metadata, fully transparent pixels black.
save_png32() { # src dst
    im "$1" -strip -alpha on -background 'rgba(0,0,0,0)' -alpha background \
        -define png:exclude-chunks=date,time -define png:compression-level=9 \
        -define png:color-type=6 -define png:bit-depth=8 "PNG32:$2"
}

# 8-bit PNG without alpha, no metadata.
save_png24() { # src dst
    im "$1" -strip -alpha off -define png:exclude-chunks=date,time \
        -define png:compression-level=9 -define png:bit-depth=8 "PNG24:$2"
}

# --- 1. placeholder pictures (640x480 JPEG) ----------------------------------

ICON=#d6dee9      # icon lines
ACCENT=#5cc6cf    # Veltrane teal
WARN=#e8806f      # soft coral for "not available" marks
TITLE_COLOR=#f1f4f8
BODY_COLOR=#a9b5c6

# Calm dark background shared by all placeholders.
im -size 640x480 -define gradient:extent=diagonal -define gradient:center=320,190 \
    radial-gradient:'#2c374a'-'#0c0f15' -depth 8 "$TMP/bg.miff"

# placeholder NAME TITLE TEXT ICON-LAYER
placeholder() {
    local name=$1 title=$2 text=$3 icon=$4
    im -background none -fill "$TITLE_COLOR" -font "$SANS_BOLD" -pointsize 34 \
        -size 580x -gravity center caption:"$title" "$TMP/title.miff"
    im -background none -fill "$BODY_COLOR" -font "$SANS" -pointsize 23 -interline-spacing 4 \
        -size 520x -gravity center caption:"$text" "$TMP/body.miff"
    im "$TMP/title.miff" \( -size 10x16 xc:none \) "$TMP/body.miff" \
        -background none -gravity center -append "$TMP/text.miff"
    im "$TMP/bg.miff" "$icon" -compose over -composite \
        "$TMP/text.miff" -gravity north -geometry +0+282 -compose over -composite \
        "$TMP/$name.miff"
    save_jpg "$TMP/$name.miff" "$DATA/Data/$name.jpg"
}

layer() { im -size 640x480 xc:none "$@"; }

# No camera: a video camera, struck through.
layer -fill none -stroke "$ICON" -strokewidth 9 -draw "stroke-linejoin round
      roundrectangle 228,118 364,208 18,18
      polygon 376,148 414,126 414,200 376,178" \
    \( -size 640x480 xc:none -stroke black -strokewidth 28 -draw "line 230,88 410,238" \) \
    -compose DstOut -composite \
    -fill none -stroke "$WARN" -strokewidth 10 -draw "stroke-linecap round line 238,95 402,231" \
    "$TMP/icon-nocamera.miff"
placeholder nocamera "No camera" \
    "Connect a camera or choose another one in the Veltrane settings." \
    "$TMP/icon-nocamera.miff"

# No video file: a document with a question mark.
layer -fill none -stroke "$ICON" -strokewidth 9 -draw "stroke-linejoin round
      polygon 267,92 343,92 373,122 373,236 267,236" \
    -fill none -stroke "$ICON" -strokewidth 7 -draw "stroke-linejoin round polyline 341,94 341,124 371,124" \
    -stroke none -fill "$ACCENT" -font "$SANS_BOLD" -pointsize 74 -gravity center \
    -annotate +0-68 '?' "$TMP/icon-nofile.miff"
placeholder nofile "No video file" \
    "Choose a video file in the Veltrane settings." \
    "$TMP/icon-nofile.miff"

# Video cannot be played: a film strip, broken in two.
strip_piece() { # x-offset rotation zigzag-side(l|r)
    local x=$1 rot=$2 side=$3 shape holes="" i
    if [ "$side" = r ]; then
        shape="polygon 0,0 96,0 104,12 92,24 106,38 94,52 104,64 96,70 0,70"
    else
        shape="polygon 10,0 106,0 106,70 10,70 2,58 14,46 0,32 12,20 4,8"
    fi
    for i in 0 1 2 3 4 5; do
        holes+="rectangle $((8 + i * 16)),6 $((17 + i * 16)),13 rectangle $((8 + i * 16)),57 $((17 + i * 16)),64 "
    done
    layer -fill "$ICON" -stroke none \
        -draw "translate $x,164 rotate $rot translate 0,-35 $shape" \
        \( -size 640x480 xc:none -fill black \
           -draw "translate $x,164 rotate $rot translate 0,-35 $holes roundrectangle 16,20 98,50 4,4" \) \
        -compose DstOut -composite "$TMP/piece-$side.miff"
}
strip_piece 198 9 r
strip_piece 336 -9 l
im "$TMP/piece-r.miff" "$TMP/piece-l.miff" -compose over -composite \
    -fill none -stroke "$WARN" -strokewidth 6 -draw "stroke-linecap round
      line 320,112 320,126  line 300,118 306,130  line 340,118 334,130
      line 320,204 320,218  line 300,212 306,200  line 340,212 334,200" \
    "$TMP/icon-notsupported.miff"
placeholder notsupported "This video cannot be played" \
    "Choose a video file in another format in the Veltrane settings." \
    "$TMP/icon-notsupported.miff"

# No pictures: an empty picture frame in front of another one.
layer -fill none -stroke "$ICON" -strokewidth 7 -draw "roundrectangle 266,96 406,196 12,12" \
    \( -size 640x480 xc:none -fill black -draw "roundrectangle 226,116 382,234 16,16" \) \
    -compose DstOut -composite \
    -fill none -stroke "$ICON" -strokewidth 9 -draw "roundrectangle 238,128 370,222 12,12" \
    -stroke "$ACCENT" -strokewidth 4 -draw "stroke-dasharray 10 8 rectangle 258,146 350,204" \
    "$TMP/icon-nopictures.miff"
placeholder nopictures "No pictures" \
    "Choose a folder with pictures (JPG, PNG, BMP, GIF, TIF) in the Veltrane settings." \
    "$TMP/icon-nopictures.miff"

# --- 2. borders (640x480 RGBA PNG) -------------------------------------------

# Distance of each pixel from the nearest picture edge, d/255 (clipped at 255).
im -size 640x480 xc:black -fx 'min(min(i,j),min(w-1-i,h-1-j))/255' -depth 16 "$TMP/dist.miff"
# White where the nearest edge is the top or the left one (the lit sides).
im -size 640x480 xc:black +antialias -fill white \
    -draw 'polygon 0,0 640,0 400,240 240,240  polygon 0,0 240,240 0,480' "$TMP/litside.png"
# White where the nearest edge is the left or the right one (vertical boards).
im -size 640x480 xc:black +antialias -fill white \
    -draw 'polygon 0,0 240,240 0,480  polygon 640,0 400,240 640,480' "$TMP/vertical.png"

# A moulding is described by its height across the frame, h(d), and a tone
# offset; the light comes from the top left, so a rising surface is bright on
# the top and left sides and dark on the bottom and right ones. This writes a
# 256x3 PGM: row 0 = shade on the lit sides, row 1 = shade on the other sides,
# row 2 = alpha; the column is the distance from the edge. Beyond the width W
# a soft shadow (alpha A fading out over S pixels) falls on the picture.
PROFILE_AWK='
function clip(v) { return v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5) }
function h(d) {
    if (d < 0) return 0
    if (style == "gilded") {
        if (d < 3)  return d * 2
        if (d < 15) return 6 + 7 * sin(PI * (d - 3) / 12)
        if (d < 18) return 6 - 3 * sin(PI * (d - 15) / 3)
        if (d < 34) return 6
        if (d < 36) return 6 - (d - 34)
        if (d < 44) return 1 + 3 * (1 - (d - 36) / 8) ^ 2
        if (d < 49) return 1 + 2.5 * sin(PI * (d - 44) / 5)
        return 1
    }
    if (style == "wood") {
        if (d < 1)  return 0
        if (d < 8)  return 5 * sin(PI / 2 * (d - 1) / 7)
        if (d < 10) return 5 - 1.5 * sin(PI * (d - 8) / 2)
        if (d < 35) return 5
        if (d < 43) return 5 - (d - 35) * 0.5
        return 1
    }
    if (style == "mat") {
        if (d < 33) return 4
        return 4 - (d - 33) * 0.8
    }
    return 0
}
function tone(d) {
    if (style == "gilded") {
        if (d < 1) return -60
        if (d >= 15 && d < 18) return -45
        if (d >= 18 && d < 34) return -8
        if (d >= 49) return -34
    }
    if (style == "wood") {
        if (d < 1) return -55
        if (d >= 8 && d < 10) return -28
        if (d >= 43) return -26
    }
    if (style == "mat") {
        if (d < 1) return -16
        if (d >= 33) return 8
    }
    return 0
}
function alpha(d) {
    if (d < W) return 255
    if (d < W + S) return A * (1 - (d - W) / S) ^ 2
    return 0
}
BEGIN {
    PI = atan2(0, -1)
    print "P2\n256 3\n255"
    for (r = 0; r < 3; r++)
        for (d = 0; d < 256; d++) {
            if (r == 2) { print clip(alpha(d)); continue }
            if (d >= W) { print 0; continue }
            v = (r == 0 ? K : -K) * (h(d + 0.5) - h(d - 0.5))
            print clip(128 + tone(d) + v / (1 + (v < 0 ? -v : v) / 150))
        }
}'

# profile STYLE W S A K: writes $TMP/shade.miff (grey, 128 = flat) and
# $TMP/alpha.png for a mitred frame with that moulding.
profile() {
    awk -v style="$1" -v W="$2" -v S="$3" -v A="$4" -v K="$5" "$PROFILE_AWK" >"$TMP/profile.pgm"
    im "$TMP/dist.miff" \( "$TMP/profile.pgm" -crop 256x1+0+1 +repage \) -interpolate integer -clut \
        \( "$TMP/dist.miff" \( "$TMP/profile.pgm" -crop 256x1+0+0 +repage \) -interpolate integer -clut \) \
        "$TMP/litside.png" -composite -depth 16 "$TMP/shade.miff"
    im "$TMP/dist.miff" \( "$TMP/profile.pgm" -crop 256x1+0+2 +repage \) -interpolate integer -clut \
        -alpha off "$TMP/alpha.png"
}

# grain SEED STRENGTH LENGTH: grey texture streaked along the boards of a mitred frame.
grain() {
    im -size 640x480 xc:gray50 -seed "$1" -attenuate "$2" +noise Gaussian \
        -motion-blur 0x"$3"+0 -colorspace gray "$TMP/gh.miff"
    im -size 480x640 xc:gray50 -seed "$(($1 + 1))" -attenuate "$2" +noise Gaussian \
        -motion-blur 0x"$3"+0 -colorspace gray -rotate 90 "$TMP/gv.miff"
    im "$TMP/gh.miff" "$TMP/gv.miff" "$TMP/vertical.png" -composite "$TMP/grain.miff"
}

# add_grain AMOUNT: shade += AMOUNT * (grain - 0.5)
add_grain() {
    im "$TMP/shade.miff" "$TMP/grain.miff" -compose mathematics \
        -define compose:args=0,"$1",1,-"$(awk -v a="$1" 'BEGIN { print a / 2 }')" -composite \
        "$TMP/shade.miff"
}

# finish COLOUR-IMAGE OUT: puts $TMP/alpha.png into the colour image and saves.
finish() {
    im "$1" -alpha off "$TMP/alpha.png" -compose CopyOpacity -composite "$TMP/out.miff"
    save_png32 "$TMP/out.miff" "$2"
}

# gradient_lut OUT COLOUR...: a 256-entry colour ramp through the given colours.
gradient_lut() {
    local out=$1 i args=()
    shift
    local c=("$@")
    for ((i = 0; i + 1 < ${#c[@]}; i++)); do
        args+=(\( -size "1x64" gradient:"${c[i]}-${c[i + 1]}" \))
    done
    im "${args[@]}" -append -rotate -90 -resize '256x1!' "$out"
}

# Shaded beads (grey levels in the shade domain) along the ring at distance R.
BEADS_AWK='
function bead(x, y) {
    printf "fill gray(26%%) circle %.2f,%.2f %.2f,%.2f\n", x + .7, y + .7, x + .7 + r, y + .7
    printf "fill gray(56%%) circle %.2f,%.2f %.2f,%.2f\n", x, y, x + r * .85, y
    printf "fill gray(80%%) circle %.2f,%.2f %.2f,%.2f\n", x - r * .25, y - r * .25, x + r * .2, y - r * .25
    printf "fill gray(98%%) circle %.2f,%.2f %.2f,%.2f\n", x - r * .35, y - r * .35, x - r * .17, y - r * .35
}
function side(x0, y0, x1, y1,   n, i) {
    n = int(sqrt((x1 - x0) ^ 2 + (y1 - y0) ^ 2) / step + 0.5)
    for (i = 0; i < n; i++) bead(x0 + (x1 - x0) * i / n, y0 + (y1 - y0) * i / n)
}
BEGIN {
    a = R; b = 639 - R; c = 479 - R
    side(a, a, b, a); side(b, a, b, c); side(b, c, a, c); side(a, c, a, a)
}'

# wood SEED OUT: grey wood figure with the grain running left to right.
wood() {
    im -size 640x480 gradient:white-black \
        \( -size 6x30 xc:gray50 -seed "$1" -attenuate 1 +noise Gaussian -colorspace gray -resize '640x480!' \) \
        -compose mathematics -define compose:args=0,0.1,0.85,0 -composite \
        -function sinusoid 40,0 -evaluate pow 0.3 -colorspace gray \
        \( -size 640x480 xc:gray50 -seed "$(($1 + 1))" -attenuate 0.9 +noise Gaussian -colorspace gray \
           -motion-blur 0x14+0 \) \
        -compose mathematics -define compose:args=0,0.5,0.6,0 -composite -auto-level "$2"
}

# corner_mvg DISTANCE THICKNESS ARM: L-shaped accents in the four corners.
corner_mvg() { # distance-from-edge thickness arm-length
    local a=$1 t=$2 l=$3 r=$((639 - $1)) b=$((479 - $1))
    printf 'polygon %s,%s %s,%s %s,%s %s,%s %s,%s %s,%s ' \
        "$a" "$a" $((a + l)) "$a" $((a + l)) $((a + t)) $((a + t)) $((a + t)) $((a + t)) $((a + l)) "$a" $((a + l)) \
        "$r" "$a" $((r - l)) "$a" $((r - l)) $((a + t)) $((r - t)) $((a + t)) $((r - t)) $((a + l)) "$r" $((a + l)) \
        "$a" "$b" $((a + l)) "$b" $((a + l)) $((b - t)) $((a + t)) $((b - t)) $((a + t)) $((b - l)) "$a" $((b - l)) \
        "$r" "$b" $((r - l)) "$b" $((r - l)) $((b - t)) $((r - t)) $((b - t)) $((r - t)) $((b - l)) "$r" $((b - l))
}

# holes_mvg TOP: a row of sprocket holes.
holes_mvg() { # y-top of the holes
    local k x
    for ((k = 0; k < 16; k++)); do
        x=$((9 + k * 40))
        printf 'roundrectangle %s,%s %s,%s 3,3 ' "$x" "$1" $((x + 21)) $(($1 + 15))
    done
}

# CONFETTI_AWK prints MVG: N pieces within the band 0..W from the edge
# (Park-Miller generator, so the result never depends on the awk in use).
CONFETTI_AWK='
function rnd() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
BEGIN {
    split("#ff5c7a #ffb020 #2ec4d6 #7ccf3a #8a6cff #ff8a3d #ff6fb5", pal, " ")
    for (k = 0; k < N; k++) {
        # a point in the band, sides chosen in proportion to their length
        t = rnd() * 2240; off = 5 + rnd() * (W - 10)
        if (t < 640)       { x = t;         y = off }
        else if (t < 1280) { x = t - 640;   y = 479 - off }
        else if (t < 1760) { x = off;       y = t - 1280 }
        else               { x = 639 - off; y = t - 1760 }
        c = pal[1 + int(rnd() * 7)]; a = int(rnd() * 180); kind = rnd(); s = 0.8 + rnd() * 0.5
        printf "push graphic-context fill %s translate %.1f,%.1f rotate %d scale %.2f,%.2f ", c, x, y, a, s, s
        if (kind < 0.4)       printf "circle 0,0 3.2,0 "
        else if (kind < 0.75) printf "roundrectangle -2.2,-5.5 2.2,5.5 1,1 "
        else if (kind < 0.9)  printf "polygon 0,-4.5 4.2,3 -4.2,3 "
        else                  printf "fill none stroke %s stroke-width 2 stroke-linecap round path %c", c, 39
        if (kind >= 0.9)      printf "M -6,0 Q -3,-4 0,0 T 6,0%c ", 39
        printf "pop graphic-context\n"
    }
}'
# Scallops: circles along the inner edge of the band.
scallops_mvg() { # distance radius step
    awk -v R="$1" -v r="$2" -v step="$3" '
        function side(x0, y0, x1, y1,   n, i, x, y) {
            n = int(sqrt((x1 - x0) ^ 2 + (y1 - y0) ^ 2) / step + 0.5)
            for (i = 0; i < n; i++) {
                x = x0 + (x1 - x0) * i / n; y = y0 + (y1 - y0) * i / n
                printf "circle %.2f,%.2f %.2f,%.2f ", x, y, x + r, y
            }
        }
        BEGIN { a = R; b = 639 - R; c = 479 - R
                side(a, a, b, a); side(b, a, b, c); side(b, c, a, c); side(a, c, a, a) }'
}

# Border 1: classic gilded frame with a bead moulding.
profile gilded 52 10 120 50
grain 101 0.35 12
add_grain 0.25
gradient_lut "$TMP/gold.miff" '#1a0c02' '#5e3b0c' '#ad7f2c' '#e9c66b' '#fff7dc'
im "$TMP/shade.miff" -draw "$(awk -v R=26 -v r=4.6 -v step=12 "$BEADS_AWK")" \
    -colorspace sRGB -type TrueColor "$TMP/gold.miff" -clut "$TMP/b1.miff"
finish "$TMP/b1.miff" "$DATA/Borders/border1.png"

# Border 2: film strip, sprocket holes top and bottom, edge printing.
im -size 640x480 gradient:'#231d18'-'#15110e' \
    -seed 201 -attenuate 0.08 +noise Gaussian \
    -fill '#3a322b' -draw 'rectangle 0,0 639,1  rectangle 0,478 639,479' \
    -fill '#ece7dc' -stroke '#0d0a08' -strokewidth 1 -draw "$(holes_mvg 18) $(holes_mvg 446)" \
    -stroke none -fill '#e39a3b' -font "$SANS_BOLD" -pointsize 10 \
    -annotate +44+52 'VELTRANE 400' -annotate +300+52 '▸ 12' -annotate +540+52 '12A' \
    -annotate +44+436 '▸ 13' -annotate +300+436 'VELTRANE 400' -annotate +540+436 '13A' \
    "$TMP/b2c.miff"
im -size 640x480 xc:white -fill black -draw 'roundrectangle 18,60 621,419 12,12' \
    -fill 'gray(88%)' -draw "$(holes_mvg 18) $(holes_mvg 446)" "$TMP/b2a.png"
# Soft shadow of the film over the picture.
im "$TMP/b2a.png" -blur 0x3 -level 0,100% -evaluate multiply 0.45 \
    "$TMP/b2a.png" -compose lighten -composite "$TMP/alpha.png"
im -size 640x480 xc:'#0b0907' "$TMP/b2c.miff" "$TMP/b2a.png" -composite "$TMP/b2.miff"
finish "$TMP/b2.miff" "$DATA/Borders/border2.png"

# Border 3: dark vignette with rounded corners and a soft inner edge.
im -size 640x480 xc:white -fill black -draw 'roundrectangle 34,30 605,449 90,90' \
    -blur 0x18 -level 0,88% -fill black -draw 'roundrectangle 150,130 489,349 40,40' \
    -alpha off "$TMP/alpha.png"
im -size 640x480 -define gradient:extent=diagonal radial-gradient:'#1a1d24'-'#050608' "$TMP/b3.miff"
finish "$TMP/b3.miff" "$DATA/Borders/border3.png"

# Border 4: playful confetti on a white band with a scalloped inner edge.
im -size 640x480 xc:black -fill white -draw 'rectangle 0,0 639,479' -fill black \
    -draw 'rectangle 40,40 599,439' -fill white -draw "$(scallops_mvg 40 10 20)" \
    -alpha off "$TMP/b4band.png"
im -size 640x480 xc:'#fffaf2' \
    -draw "$(awk -v seed=4242 -v N=230 -v W=38 "$CONFETTI_AWK")" \
    -fill none -stroke '#f1e4d2' -strokewidth 1 -draw 'rectangle 3.5,3.5 635.5,475.5' "$TMP/b4.miff"
# Band plus a soft shadow it casts on the picture.
im "$TMP/b4band.png" -blur 0x4 -roll +1+2 -evaluate multiply 0.4 \
    "$TMP/b4band.png" -compose lighten -composite "$TMP/alpha.png"
im -size 640x480 xc:'#3b2a1e' "$TMP/b4.miff" "$TMP/b4band.png" -composite "$TMP/b4.miff"
finish "$TMP/b4.miff" "$DATA/Borders/border4.png"

# Border 5: wooden frame, four mitred boards.
wood 501 "$TMP/wh.miff"
wood 511 "$TMP/wv0.miff"
im "$TMP/wv0.miff" -crop 480x480+80+0 +repage -resize '480x640!' -rotate 90 "$TMP/wv.miff"
gradient_lut "$TMP/woodlut.miff" '#2a1609' '#4f2e15' '#7a4a25' '#9c6537' '#b88050'
im "$TMP/wh.miff" "$TMP/wv.miff" "$TMP/vertical.png" -composite \
    -colorspace sRGB -type TrueColor "$TMP/woodlut.miff" -clut "$TMP/woodcol.miff"
profile wood 48 9 130 34
# Thin dark joints along the mitres.
im "$TMP/shade.miff" -stroke 'gray(30%)' -strokewidth 1.2 \
    -draw 'line 0,0 47,47  line 639,0 592,47  line 0,479 47,432  line 639,479 592,432' "$TMP/shade.miff"
im "$TMP/woodcol.miff" \( "$TMP/shade.miff" -colorspace sRGB \) -compose HardLight -composite "$TMP/b5.miff"
finish "$TMP/b5.miff" "$DATA/Borders/border5.png"

# Border 6 (the default): light passe-partout mat with a bevelled cut, a thin
# double line and small teal corner accents.
profile mat 38 10 90 60
im -size 640x480 xc:'#f3f0ea' \( "$TMP/shade.miff" -colorspace sRGB \) -compose HardLight -composite \
    -fill none -stroke '#cbc4b8' -strokewidth 1 \
    -draw 'rectangle 12.5,12.5 626.5,466.5  rectangle 16.5,16.5 622.5,462.5' \
    -stroke none -fill '#3ea9b3' -draw "$(corner_mvg 10 4 26)" "$TMP/b6.miff"
finish "$TMP/b6.miff" "$DATA/Borders/border6.png"

# --- 3. sample slideshow -----------------------------------------------------

SAMPLES=$DATA/Samples/Pictures

# label IMAGE NUMBER TITLE POINTSIZE OUT: a big number with the title under it,
# white with a soft shadow, in the middle of the picture.
label() {
    local img=$1 num=$2 title=$3 pt=$4 out=$5
    im -background none -fill white -font "$SANS_BOLD" -pointsize "$pt" label:"$num" \
        \( -size 1x$((pt / 12)) xc:none \) +size \
        -fill white -font "$SANS_BOLD" -pointsize $((pt / 4)) label:"$title" \
        -gravity center -append -trim +repage -bordercolor none -border 30 "$TMP/label.miff"
    im "$TMP/label.miff" \( +clone -background black -shadow 70x8+0+4 \) +swap \
        -background none -layers merge +repage "$TMP/labelsh.miff"
    im "$img" "$TMP/labelsh.miff" -gravity center -compose over -composite "$out"
}

# Mountain ridge: a polygon from a seeded random walk across WIDTH at height BASE.
ridge_mvg() { # seed width height base roughness step
    awk -v seed="$1" -v w="$2" -v h="$3" -v base="$4" -v rough="$5" -v step="$6" '
        function rnd() { seed = (seed * 16807) % 2147483647; return seed / 2147483647 }
        BEGIN {
            y = base; v = 0; printf "polygon 0,%d ", h
            for (x = 0; x <= w + step; x += step) {
                v = v * 0.85 + (rnd() - 0.5) * rough; y += v
                if (y < base - 3 * rough * 4) { y = base - 3 * rough * 4; v = -v }
                if (y > base + rough * 6) { y = base + rough * 6; v = -v }
                printf "%d,%.1f ", x, y
            }
            printf "%d,%d\n", w + step, h
        }'
}

# 1: sunrise over mountains, 1280x720 JPEG (16:9).
im -size 1280x720 gradient:'#1c2a6b'-'#ff9a4a' \
    \( -size 1280x720 xc:none -fill '#fff3c4' -draw 'circle 860,470 860,400' -blur 0x3 \) -compose over -composite \
    \( -size 1280x720 xc:none -fill 'rgba(255,220,150,0.55)' -draw 'circle 860,470 860,330' -blur 0x60 \) -compose screen -composite \
    -compose over \
    -fill '#8a4d6e' -draw "$(ridge_mvg 11 1280 720 470 9 16)" \
    -fill '#5a3460' -draw "$(ridge_mvg 23 1280 720 540 8 12)" \
    -fill '#33214a' -draw "$(ridge_mvg 37 1280 720 610 7 10)" \
    -fill '#1a1230' -draw "$(ridge_mvg 41 1280 720 675 5 8)" \
    "$TMP/s1.miff"
label "$TMP/s1.miff" 1 Sunrise 260 "$TMP/s1l.miff"
save_jpg "$TMP/s1l.miff" "$SAMPLES/01-sunrise.jpg"

# 2: stacked shapes, 480x640 PNG (portrait).
im -size 480x640 xc:'#16324f' \
    -fill '#f2b134' -draw 'circle 240,170 240,40' \
    -fill '#ef5b5b' -draw 'rectangle 60,300 420,420' \
    -fill '#20a39e' -draw 'polygon 240,250 420,560 60,560' \
    -fill '#ffe8c2' -draw 'circle 120,470 120,430  circle 360,470 360,430' \
    -fill '#6c4ab6' -draw 'rectangle 0,590 479,639' \
    -fill none -stroke '#ffe8c2' -strokewidth 6 -draw 'circle 240,170 240,20' \
    "$TMP/s2.miff"
label "$TMP/s2.miff" 2 Shapes 220 "$TMP/s2l.miff"
im "$TMP/s2l.miff" -colors 128 "$TMP/s2p.miff"
save_png24 "$TMP/s2p.miff" "$SAMPLES/02-shapes.png"

# 3: plasma clouds, 640x480 JPEG (4:3).
gradient_lut "$TMP/plasmalut.miff" '#0b1d51' '#1f6fb2' '#35c9c1' '#f7e15d' '#f2793a' '#c2185b' '#3b0b4f'
im -size 640x480 -seed 3003 plasma:fractal -colorspace gray -blur 0x6 -auto-level \
    -colorspace sRGB -type TrueColor "$TMP/plasmalut.miff" -clut "$TMP/s3.miff"
label "$TMP/s3.miff" 3 Plasma 200 "$TMP/s3l.miff"
save_jpg "$TMP/s3l.miff" "$SAMPLES/03-plasma.jpg"

# 4: rainbow stripes, 800x600 PNG (4:3).
stripes_mvg() {
    local i c cols=('#e63946' '#f4a261' '#e9c46a' '#2a9d8f' '#457b9d' '#6d597a')
    for ((i = -6; i < 18; i++)); do
        c=${cols[$(((i + 12) % 6))]}
        printf 'fill %s polygon %d,0 %d,0 %d,600 %d,600 ' "$c" $((i * 80)) $((i * 80 + 80)) $((i * 80 - 220)) $((i * 80 - 300))
    done
}
im -size 800x600 xc:white -draw "$(stripes_mvg)" \
    -fill '#1d2033' -draw 'circle 400,300 400,80' \
    -fill none -stroke white -strokewidth 8 -draw 'circle 400,300 400,96' \
    "$TMP/s4.miff"
label "$TMP/s4.miff" 4 Stripes 200 "$TMP/s4l.miff"
im "$TMP/s4l.miff" -colors 128 "$TMP/s4p.miff"
save_png24 "$TMP/s4p.miff" "$SAMPLES/04-stripes.png"

# 5: glowing rings, 1280x720 JPEG (16:9).
gradient_lut "$TMP/ringlut.miff" '#fff1a8' '#ffa24c' '#f2456e' '#8e2a9e' '#2c1868' '#0d0b2e'
im -size 1280x720 -define gradient:extent=diagonal radial-gradient:black-white -colorspace gray \
    \( +clone -function sinusoid 9,90 -level 0,100%,0.5 \) \
    -compose mathematics -define compose:args=0,0.12,0.9,0 -composite \
    -colorspace sRGB -type TrueColor "$TMP/ringlut.miff" -clut "$TMP/s5.miff"
label "$TMP/s5.miff" 5 Rings 260 "$TMP/s5l.miff"
save_jpg "$TMP/s5l.miff" "$SAMPLES/05-rings.jpg"

# --- 4. module icon (16x16 and 32x32 in one .ico) -----------------------------

# A teal camera on a dark rounded tile, drawn at 8x and reduced, so both sizes stay crisp.
icon_size() { # size dst
    local s=$1
    im -size 256x256 xc:none \
        -fill '#1b2433' -draw 'roundrectangle 8,8 247,247 44,44' \
        -fill "$ACCENT" -draw 'roundrectangle 36,78 176,186 18,18' \
        -fill "$ACCENT" -draw 'polygon 186,112 226,86 226,178 186,152' \
        -fill '#1b2433' -draw 'circle 106,132 106,100' \
        -fill '#f1f4f8' -draw 'circle 106,132 106,114' \
        -filter Lanczos -resize "${s}x${s}" "$TMP/icon$s.miff"
    im "$TMP/icon$s.miff" -strip -alpha on "PNG32:$2"
}
icon_size 16 "$TMP/icon16.png"
icon_size 32 "$TMP/icon32.png"
im "$TMP/icon16.png" "$TMP/icon32.png" "ICO:$ROOT/filter/Veltrane.ico"

# --- 5. application skin: buttons, product picture, icon ---------------------

mkdir -p "$DATA/Data/Default"

# Sizes in pixels of the button placeholders at 96 DPI (dialog units of "MS Sans Serif" 8: 1.5 x 1.625 px):
# 50 x 14 units for OK, Cancel and About, 319 x 24 units for Properties.
# skin_button W H CAPTION TOP BOTTOM EDGE GLOW TEXT-SHIFT DST
skin_button() {
    local w=$1 h=$2 caption=$3 top=$4 bottom=$5 edge=$6 glow=$7 shift=$8 dst=$9
    local r=$((h / 3)) pt=$((h * 11 / 23))
    [ "$pt" -lt 11 ] && pt=11
    [ "$pt" -gt 16 ] && pt=16
    # Body: a vertical gradient in a rounded shape, a lighter sheen on its upper half, a thin edge.
    im -size "${w}x${h}" gradient:"$top"-"$bottom" "$TMP/btn-fill.miff"
    im -size "${w}x${h}" xc:none -fill white -draw "roundrectangle 0,0 $((w - 1)),$((h - 1)) $r,$r" \
        "$TMP/btn-mask.miff"
    im "$TMP/btn-fill.miff" "$TMP/btn-mask.miff" -compose CopyOpacity -composite "$TMP/btn-body.miff"
    im -size "${w}x$((h / 2))" gradient:'rgba(255,255,255,0.30)'-'rgba(255,255,255,0.04)' \
        -background none -gravity north -extent "${w}x${h}" "$TMP/btn-sheen.miff"
    im "$TMP/btn-body.miff" \( "$TMP/btn-sheen.miff" "$TMP/btn-mask.miff" -compose DstIn -composite \) \
        -compose over -composite \
        -fill none -stroke "$edge" -strokewidth 1 -draw "roundrectangle 0.5,0.5 $((w - 1)).5,$((h - 1)).5 $r,$r" \
        -stroke "$glow" -draw "roundrectangle 1.5,1.5 $((w - 2)).5,$((h - 2)).5 $((r - 1)),$((r - 1))" \
        -stroke none -font "$SANS_BOLD" -pointsize "$pt" -gravity center \
        -fill 'rgba(0,0,0,0.55)' -annotate "+1+$((shift + 1))" "$caption" \
        -fill white -annotate "+0+$shift" "$caption" \
        "$TMP/btn.miff"
    save_png32 "$TMP/btn.miff" "$dst"
}

# NAME W H CAPTION: normal (steel blue), hover (brighter, light edge), pressed (darker, caption pushed down).
skin_set() {
    local name=$1 w=$2 h=$3 caption=$4
    skin_button "$w" "$h" "$caption" '#4a6fa8' '#1d3563' '#0c1a36' 'rgba(255,255,255,0.25)' 0 \
        "$DATA/Data/Default/${name}_up.png"
    skin_button "$w" "$h" "$caption" '#6c97d8' '#2b4f8f' '#0c1a36' '#bfe3ff' 0 \
        "$DATA/Data/Default/${name}_sel.png"
    skin_button "$w" "$h" "$caption" '#142a52' '#33548c' '#060d1c' 'rgba(0,0,0,0.35)' 1 \
        "$DATA/Data/Default/${name}_down.png"
}
skin_set ok 75 23 'OK'
skin_set cancel 75 23 'Cancel'
skin_set about 75 23 'About...'
skin_set properties 478 39 'Camera settings'

# The product picture of the About box: a camera lens in front of a screen, 40 x 40, drawn at 8x and reduced.
product_picture() { # size dst
    local s=$1
    im -size 320x320 xc:none \
        -fill '#1b2433' -draw 'roundrectangle 10,10 309,309 56,56' \
        -fill '#2d6ea8' -draw 'roundrectangle 46,62 274,214 16,16' \
        -fill "$ACCENT" -draw 'roundrectangle 62,78 258,198 10,10' \
        -fill '#d6dee9' -draw 'roundrectangle 130,232 190,246 6,6  roundrectangle 96,246 224,262 6,6' \
        -fill '#1b2433' -draw 'circle 160,138 160,86' \
        -fill '#f1f4f8' -draw 'circle 160,138 160,100' \
        -fill '#1b2433' -draw 'circle 160,138 160,120' \
        -fill '#f1f4f8' -draw 'circle 150,128 150,123' \
        -filter Lanczos -resize "${s}x${s}" "$TMP/product$s.miff"
    save_png32 "$TMP/product$s.miff" "$2"
}
product_picture 40 "$DATA/Data/main.png"
product_picture 16 "$TMP/app16.png"
product_picture 32 "$TMP/app32.png"
product_picture 48 "$TMP/app48.png"
im "$TMP/app16.png" "$TMP/app32.png" "$TMP/app48.png" "ICO:$ROOT/app/Zelmora.ico"

echo "make-data.sh: done, pictures written under $DATA and the icons in filter/ and app/"
