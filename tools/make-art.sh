#!/bin/bash
# Draws Tavrin's icons and splash bitmap with ImageMagick's convert, from
# nothing but drawing primitives and an installed font, and checks their
# formats.
#
#   tools/make-art.sh                     res/tavrin.ico, res/tray.ico, res/splash.bmp
#   tools/make-art.sh --placeholder-gifs  also res/help/current.gif and res/help/menu.gif,
#                                         stand-ins until the screenshots exist
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

font=DejaVu-Sans-Bold
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Brand colours: night blue, sea teal, signal amber, paper white.
night='#1b2d5a'
teal='#1f8a8a'
amber='#f2b233'
paper='#ffffff'

# Both marks are designed on a 32-pixel grid and drawn 8 times larger, at
# 256 pixels, from which every size of the icon is reduced.
canvas='-size 256x256 xc:none -affine 8,0,0,8,0,0'

# The mark: a speech bubble (the device's voice) holding a key cap with a T,
# and three signal bars: what it says reaches the computer.
draw_mark() {
  local out=$1
  convert $canvas \
    -fill "$teal" -stroke "$night" -strokewidth 1 \
    -draw 'roundrectangle 1,7 23,27 5,5' \
    -draw 'polygon 5,26 5,31 11,26' \
    -stroke none -fill "$paper" -draw 'roundrectangle 6,11 18,23 2,2' \
    -fill "$night" -draw 'rectangle 8,13 16,15' -draw 'rectangle 11,13 13,21' \
    -stroke none -fill "$amber" \
    -draw 'rectangle 22,6 24,9' -draw 'rectangle 26,3 28,9' -draw 'rectangle 30,0 31,9' \
    "$out"
}

# The tray shows at 16 pixels on many screens: the same mark, bolder, on a
# full square so it reads against any taskbar colour.
draw_tray_mark() {
  local out=$1
  convert $canvas \
    -fill "$night" -draw 'roundrectangle 0,0 31,31 6,6' \
    -fill "$paper" -draw 'roundrectangle 5,5 26,26 3,3' \
    -fill "$teal" -draw 'rectangle 8,8 23,12' -draw 'rectangle 13,8 18,23' \
    -fill "$amber" -draw 'rectangle 24,2 29,7' \
    "$out"
}

# Every size the shell asks for from 100 % to 200 % and beyond, each a
# 32-bit image with its alpha channel (the 256-pixel one PNG-compressed, as
# Windows stores it).
icon_sizes='16 20 24 32 40 48 64 256'
to_icon() {
  local images=() size
  for size in $icon_sizes; do
    convert "$1" -filter Lanczos -resize "${size}x${size}" -depth 8 -define png:color-type=6 "$work/$size.png"
    images+=("$work/$size.png")
  done
  convert "${images[@]}" "$2"
}

# The About box shows this picture with its OK button, monitor line and
# version label over the rows from about 205 down (the dialog centres the
# picture), and the monitor line is transparent until its first text: the
# picture keeps those rows to the plain gradient, or its letters would show
# beside and through the echoed bytes.
draw_splash() {
  local out=$1
  convert -size 239x400 gradient:"$night"-"$teal" -rotate 90 \
    -fill "$paper" -stroke none \
    -draw 'roundrectangle 38,62 108,162 10,10' \
    -fill "$night" -draw 'rectangle 46,72 100,112' \
    -fill "$amber" -draw 'circle 58,132 58,126' -draw 'circle 73,132 73,126' \
    -draw 'circle 88,132 88,126' -draw 'circle 58,148 58,142' \
    -draw 'circle 73,148 73,142' -draw 'circle 88,148 88,142' \
    -fill none -stroke "$amber" -strokewidth 4 \
    -draw 'arc 104,82 144,142 300,60' -draw 'arc 114,70 164,154 300,60' \
    -stroke none -fill "$paper" -font "$font" -pointsize 54 \
    -annotate +180+122 'Tavrin' \
    -font DejaVu-Sans -pointsize 15 \
    -annotate +182+154 'your device speaks,' \
    -annotate +182+174 'your computer listens' \
    -fill "$amber" -draw 'rectangle 180,134 372,136' \
    -fill "$paper" -pointsize 11 -annotate +20+198 'Keyboard and mouse from a communication aid' \
    "$work/splash.png"
  # Uncompressed: BMP3 would otherwise be RLE-encoded.
  convert "$work/splash.png" -type Palette -colors 256 -depth 8 -compress None BMP3:"$out"
}

# A 250 by 125 interlaced GIF with a full 256-colour table.
draw_placeholder_gif() {
  local out=$1 label=$2
  convert -size 125x250 gradient:'#e8eef8'-'#5f86bd' -rotate 90 \
    -font "$font" -pointsize 18 -fill "$night" -gravity center \
    -annotate 0 "Tavrin\n$label picture to come" \
    -colors 256 -interlace GIF "$out"
}

check() {
  local file=$1 want=$2 got
  got=$(identify -format '%m %wx%h %k\n' "$file" | head -1)
  echo "$file: $got"
  case "$got" in
    $want) ;;
    *) echo "make-art: $file is not $want" >&2; exit 1 ;;
  esac
}

# The width and bits per pixel of every image of an icon file, from its
# directory ("16:32 20:32 ..."; a width of 0 stands for 256).
icon_images() {
  local count i
  count=$(od -An -tu2 -j 4 -N2 "$1" | tr -d ' ')
  for ((i = 0; i < count; i++)); do
    printf '%s:%s ' "$(od -An -tu1 -j $((6 + 16 * i)) -N1 "$1" | tr -d ' ')" \
      "$(od -An -tu2 -j $((6 + 16 * i + 6)) -N2 "$1" | tr -d ' ')"
  done
}

bmp_bits() {
  od -An -tu2 -j 28 -N2 "$1" | tr -d ' '
}

bmp_compression() {
  od -An -tu4 -j 30 -N4 "$1" | tr -d ' '
}

draw_mark "$work/mark.png"
to_icon "$work/mark.png" res/tavrin.ico
draw_tray_mark "$work/tray.png"
to_icon "$work/tray.png" res/tray.ico
draw_splash res/splash.bmp

for icon in res/tavrin.ico res/tray.ico; do
  [ "$(icon_images "$icon")" = '16:32 20:32 24:32 32:32 40:32 48:32 64:32 0:32 ' ] ||
    { echo "make-art: $icon lacks a 32-bit image of some size: $(icon_images "$icon")" >&2; exit 1; }
  # Reduction leaves a trace of the rounded corner in the smallest image.
  [ "$(convert "$icon[0]" -format '%[fx:p{0,0}.a<0.05]' info:)" = 1 ] || { echo "make-art: $icon has no transparent corner" >&2; exit 1; }
done
check res/splash.bmp 'BMP3 400x239 *'
[ "$(bmp_bits res/splash.bmp)" = 8 ] || { echo "make-art: splash.bmp is not 8 bits per pixel" >&2; exit 1; }
[ "$(bmp_compression res/splash.bmp)" = 0 ] || { echo "make-art: splash.bmp is compressed" >&2; exit 1; }

if [ "${1:-}" = --placeholder-gifs ]; then
  draw_placeholder_gif res/help/current.gif current
  draw_placeholder_gif res/help/menu.gif menu
  for gif in res/help/current.gif res/help/menu.gif; do
    check "$gif" 'GIF 250x125 *'
    details=$(identify -verbose "$gif")
    grep -q 'Colormap entries: 256' <<<"$details" || { echo "make-art: $gif lacks a 256-colour table" >&2; exit 1; }
    grep -q 'Interlace: GIF' <<<"$details" || { echo "make-art: $gif is not interlaced" >&2; exit 1; }
  done
fi
echo "make-art: done"
