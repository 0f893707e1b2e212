#!/bin/bash
# Draws the toolkit's frame, button, flag and tree images and the hand cursor with
# ImageMagick (Debian's imagemagick package) into images/. The output is checked
# in; run this again after changing a shape or a colour.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/images"

# convert's last argument is the output; write 24-bit BMPs without alpha.
draw() { local out="$1"; shift; convert "$@" -alpha off -type TrueColor "BMP3:$out"; }

frame_blue='#2b5d8c'; frame_light='#3f78ad'; frame_dark='#1d4266'

# Caption buttons: three 28 x 15 frames (normal, pressed, hover) with a glyph.
caption_strip() {
  local out="$1" glyph="$2"
  draw "$out" -size 84x15 xc:"$frame_blue" \
    -fill "$frame_dark" -draw "rectangle 28,0 55,14" \
    -fill "$frame_light" -draw "rectangle 56,0 83,14" \
    -stroke white -strokewidth 2 \
    -draw "$glyph" -draw "translate 28,0 $glyph" -draw "translate 56,0 $glyph"
}
caption_strip close.bmp "line 10,3 17,11 line 17,3 10,11"
caption_strip minimize.bmp "line 9,11 18,11"
caption_strip maximize.bmp "rectangle 9,3 18,11"
caption_strip restore.bmp "rectangle 11,3 18,9 rectangle 9,6 15,11"

# Frame: the top bar is 74 high, but the side borders of a framed window start
# only at 116, so the top images reach down to there: below the bar the edge
# column is white and the corners carry the side borders' colour (5 pixels on the
# right, as wide as the right border shows), so the frame runs on without a gap.
top_bar() {
  local out="$1" width="$2" side="$3"
  local args=(-size "${width}x74" gradient:"$frame_light"-"$frame_dark"
    -background white -gravity north -extent "${width}x116" -gravity northwest)
  case "$side" in
    left) args+=(-fill "$frame_dark" -draw "rectangle 0,74 $((width - 1)),115") ;;
    right) args+=(-fill "$frame_dark" -draw "rectangle 1,74 $((width - 1)),115") ;;
  esac
  draw "$out" "${args[@]}"
}
top_bar frame_top_left.bmp 6 left
top_bar frame_top_edge.bmp 1 none
top_bar frame_top_right.bmp 6 right
draw frame_left.bmp -size 5x413 xc:"$frame_dark"
draw frame_right.bmp -size 5x413 xc:"$frame_dark"
draw frame_side_row.bmp -size 6x1 xc:"$frame_dark"

# Logo bands: the program's name on the frame colour.
logo() {
  local out="$1" accent="$2"
  draw "$out" -size 158x74 gradient:"$frame_light"-"$frame_dark" \
    -fill "$accent" -draw "circle 24,37 24,23" \
    -fill white -font /usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf -pointsize 20 -annotate +46+45 "Halvenor"
}
logo logo.bmp '#f2b134'
logo logo_backup.bmp '#5fc46a'

# Page footer strip and ornament.
draw footer_strip.bmp -size 9x51 gradient:'#f6f8fa'-'#dfe6ee' -fill '#c7d2de' -draw "line 0,0 8,0"
draw ornament.bmp -size 548x3 gradient:'#ffffff'-'#9fb7cf' -rotate 90 -rotate -90

# Footer buttons in three pieces, four frames each (normal, pressed, hover,
# disabled): caps 40 x 31 (10-pixel frames), middle 4 x 31 (1-pixel frames).
# No frame uses the greys that LR_LOADMAP3DCOLORS replaces.
button_piece() {
  local out="$1" width="$2" n="$3" p="$4" h="$5" d="$6" edge="$7"
  local f=$((width / 4))
  local args=(-size "${width}x31" xc:"$n"
    -fill "$p" -draw "rectangle $f,0 $((2 * f - 1)),30"
    -fill "$h" -draw "rectangle $((2 * f)),0 $((3 * f - 1)),30"
    -fill "$d" -draw "rectangle $((3 * f)),0 $((4 * f - 1)),30")
  if [ "$edge" != none ]; then
    for i in 0 1 2 3; do
      local x=$((i * f)); [ "$edge" = right ] && x=$((i * f + f - 1))
      args+=(-fill '#1d3f61' -draw "line $x,0 $x,30")
    done
  fi
  args+=(-fill '#1d3f61' -draw "line 0,0 $((width - 1)),0" -draw "line 0,30 $((width - 1)),30")
  draw "$out" "${args[@]}"
}
button_piece footer_left.bmp 40 '#4a8fd4' '#2f6aa5' '#6aaae6' '#c8ccd1' left
button_piece footer_middle.bmp 4 '#4a8fd4' '#2f6aa5' '#6aaae6' '#c8ccd1' none
button_piece footer_right.bmp 40 '#4a8fd4' '#2f6aa5' '#6aaae6' '#c8ccd1' right
button_piece footer_alt_left.bmp 40 '#e9edf2' '#cdd5de' '#f7f9fb' '#d6d8db' left
button_piece footer_alt_middle.bmp 4 '#e9edf2' '#cdd5de' '#f7f9fb' '#d6d8db' none
button_piece footer_alt_right.bmp 40 '#e9edf2' '#cdd5de' '#f7f9fb' '#d6d8db' right

# Language flags: twenty 14 x 11 cells of two stripes, one colour pair each.
colours=(c8102e 003893 ffcd00 009246 ce1126 000000 0055a4 dd0000 ffffff 006aa7
         d52b1e 00247d fecb00 007a3d ef3340 0039a6 ffb612 00966e c60b1e 1e50a0)
flag_args=(-size 280x11 xc:white)
for i in $(seq 0 19); do
  x=$((i * 14)); top=${colours[$i]}; bottom=${colours[$(((i + 7) % 20))]}
  flag_args+=(-fill "#$top" -draw "rectangle $x,0 $((x + 13)),5"
              -fill "#$bottom" -draw "rectangle $x,6 $((x + 13)),10"
              -fill '#5a5a5a' -draw "line $x,0 $x,10")
done
draw flags.bmp "${flag_args[@]}"

# Tree check states, 15 x 16 each: 0 blank (white, masked away), 1 unchecked,
# 2 checked, 3 partly checked, 4 fixed (checked, greyed).
box() { local x=$(($1 * 15)); echo "rectangle $((x + 1)),2 $((x + 13)),14"; }
tick() { local x=$(($1 * 15)); echo "polyline $((x + 4)),8 $((x + 6)),11 $((x + 11)),4"; }
draw tree_states.bmp -size 75x16 xc:white \
  -fill '#fdfdfd' -stroke '#1f4e79' -draw "$(box 1)" -draw "$(box 2)" -draw "$(box 3)" \
  -stroke '#8a8a8a' -fill '#ececec' -draw "$(box 4)" \
  -fill none -strokewidth 2 -stroke '#1f4e79' -draw "$(tick 2)" \
  -stroke '#8a8a8a' -draw "$(tick 4)" \
  -strokewidth 1 -stroke none -fill '#1f4e79' -draw "rectangle 49,6 55,10"

# The page icon and the hand cursor (an icon file turned into a cursor by
# setting its type and hot spot).
convert -size 32x32 xc:none -fill '#2b5d8c' -draw "roundrectangle 2,2 29,29 6,6" \
  -fill white -draw "rectangle 9,8 12,24 rectangle 19,8 22,24 rectangle 12,14 19,17" page_icon.ico
convert -size 32x32 xc:none -fill white -stroke black \
  -draw "path 'M 10,1 L 13,1 L 13,11 L 24,13 L 24,22 L 20,30 L 10,30 L 4,18 L 6,16 L 10,20 Z'" \
  -stroke black -draw "line 16,13 16,19 line 20,13 20,19" hand.ico
python3 - <<'PY'
data = bytearray(open("hand.ico", "rb").read())
data[2] = 2                      # a cursor, not an icon
data[6 + 4:6 + 6] = (11).to_bytes(2, "little")  # hot spot x: the finger tip
data[6 + 6:6 + 8] = (1).to_bytes(2, "little")   # hot spot y
open("hand.cur", "wb").write(data)
PY
rm hand.ico

# The slide-in notifier's skin: its size is the notifier's size.
draw notifier_skin.bmp -size 320x172 xc:'#ffffff' \
  -fill "$frame_blue" -draw "rectangle 0,0 319,33" \
  -fill '#dfe6ee' -draw "rectangle 0,150 319,171" \
  -stroke "$frame_dark" -fill none -draw "rectangle 0,0 319,171"
