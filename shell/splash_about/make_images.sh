#!/bin/bash
# Draws the splash pictures, the about window's separator, the backdrop and the
# program icon with ImageMagick (Debian's imagemagick package) into images/. The
# output is checked in; run this again after changing a shape or a colour.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/images"

draw() { local out="$1"; shift; convert "$@" -alpha off -type TrueColor "BMP3:$out"; }
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
light_font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
frame_blue='#2b5d8c'; frame_light='#3f78ad'; frame_dark='#1d4266'

# Splash, 443 x 253: the name on the frame colours; the lower band stays dark for
# the white start-up text the window writes over it.
splash() {
  local out="$1" accent="$2" title="$3"
  draw "$out" -size 443x253 gradient:"$frame_light"-"$frame_dark" \
    -fill "$frame_dark" -draw "rectangle 0,170 442,252" \
    -fill "$accent" -draw "rectangle 0,168 442,170" \
    -fill "$accent" -draw "circle 62,84 62,50" \
    -fill white -draw "polygon 50,68 80,84 50,100" \
    -fill white -font "$font" -pointsize 34 -annotate +118+96 "$title" \
    -fill '#c9dcef' -font "$light_font" -pointsize 13 -annotate +120+124 "Drivers kept current and safe"
}
splash splash.bmp '#f2b134' "Halvenor"
splash splash_backup.bmp '#5fc46a' "Halvenor Backup"

# The about window's separator line, 444 x 1.
draw about_separator.bmp -size 1x444 gradient:'#ffffff'-'#9fb7cf' -rotate 90

# The backdrop: one dark tone, stretched over the covered window.
draw backdrop.bmp -size 8x8 xc:'#1b2a38'

# The program icon, 16 and 32 pixels.
for size in 16 32 48; do
  convert -size ${size}x${size} xc:none -fill "$frame_blue" -draw "roundrectangle 0,0 $((size-1)),$((size-1)) $((size/5)),$((size/5))" \
    -fill '#f2b134' -draw "polygon $((size*3/10)),$((size/4)) $((size*3/4)),$((size/2)) $((size*3/10)),$((size*3/4))" \
    "icon_$size.png"
done
convert icon_16.png icon_32.png icon_48.png app.ico
rm icon_16.png icon_32.png icon_48.png
