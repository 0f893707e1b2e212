#!/bin/bash
# Draws the main window's navigation, header and corner images with ImageMagick
# (Debian's imagemagick package) in the colours of the toolkit's frame images. The
# output is checked in; run this again after changing a shape or a colour.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

draw() { local out="$1"; shift; convert "$@" -alpha off -type TrueColor "BMP3:$out"; }

frame_blue='#2b5d8c'; frame_light='#3f78ad'; frame_dark='#1d4266'; accent='#f2b134'

# Tab buttons: three 85 x 74 frames (normal, pressed or selected, hover) on the
# header's gradient, a white glyph above the caption the program draws in the middle.
# Pressed and selected frames are darker with an accent bar along the bottom.
tab_strip() {
  local out="$1" glyph="$2"
  local args=(-size 85x74 gradient:"$frame_light"-"$frame_dark"
    \( -size 85x74 gradient:'#163a5c'-'#10304d' -fill "$accent" -draw "rectangle 6,69 78,73" \)
    \( -size 85x74 gradient:'#5b95ca'-'#2b5d8c' \) +append
    -stroke '#6f9cc8' -draw "line 84,8 84,66 line 169,8 169,66 line 254,8 254,66")
  for x in 0 85 170; do
    args+=(-stroke white -strokewidth 2 -fill none -draw "translate $x,0 $glyph")
  done
  draw "$out" "${args[@]}"
}
# Home, scan, backup, settings, downloads.
tab_strip tab_home.bmp "polyline 32,19 42,10 52,19 path 'M 35,17 L 35,27 L 49,27 L 49,17'"
tab_strip tab_scan.bmp "circle 40,17 40,9 line 46,23 52,29"
tab_strip tab_backup.bmp "rectangle 33,10 51,28 line 37,15 47,15 line 37,20 47,20"
tab_strip tab_settings.bmp "circle 42,19 42,12 line 42,7 42,10 line 42,28 42,31 line 31,19 34,19 line 50,19 53,19"
tab_strip tab_downloads.bmp "line 42,8 42,24 polyline 36,19 42,25 48,19 line 33,29 51,29"

# Help button: three 60 x 16 frames in the header's dark blue.
draw help.bmp -size 60x16 xc:"$frame_dark" \
  \( -size 60x16 xc:'#10304d' \) \( -size 60x16 xc:"$frame_blue" \) +append \
  -fill none -stroke '#6f9cc8' -draw "rectangle 0,0 59,15 rectangle 60,0 119,15 rectangle 120,0 179,15"

# Language button: three 28 x 16 frames; the program puts the flag at (2, 2), a
# small arrow says it opens a menu.
draw language.bmp -size 28x16 xc:"$frame_dark" \
  \( -size 28x16 xc:'#10304d' \) \( -size 28x16 xc:"$frame_blue" \) +append \
  -fill none -stroke '#6f9cc8' -draw "rectangle 0,0 27,15 rectangle 28,0 55,15 rectangle 56,0 83,15" \
  -fill white -stroke none \
  -draw "polygon 19,6 25,6 22,10" -draw "polygon 47,6 53,6 50,10" -draw "polygon 75,6 81,6 78,10"

# Feedback link at the bottom edge: three 140 x 20 frames, light with a speech
# bubble at the left; the caption is drawn by the program.
draw feedback.bmp -size 140x20 xc:'#f6f8fa' \
  \( -size 140x20 xc:'#dfe6ee' \) \( -size 140x20 xc:'#eaf1f8' \) +append \
  -fill "$frame_light" -stroke none \
  -draw "roundrectangle 4,4 16,13 3,3 polygon 7,13 10,13 6,17" \
  -draw "roundrectangle 144,4 156,13 3,3 polygon 147,13 150,13 146,17" \
  -draw "roundrectangle 284,4 296,13 3,3 polygon 287,13 290,13 286,17"

# Bottom corners of the frame, 6 x 6, rounded into the page's white.
draw corner_left.bmp -size 6x6 xc:white -fill "$frame_dark" -draw "rectangle 0,0 1,5 rectangle 0,4 5,5" \
  -draw "point 2,3"
draw corner_right.bmp -size 6x6 xc:white -fill "$frame_dark" -draw "rectangle 4,0 5,5 rectangle 0,4 5,5" \
  -draw "point 3,3"

# Sub-header pictures, drawn at (60, 11): four steps of an update as chevrons
# (the program writes the step names into them; the current one is lit), and the
# plain band under the settings, backup and downloads tabs.
step_picture() {
  local out="$1" current="$2"
  local args=(-size 644x32 xc:white)
  for i in 0 1 2 3; do
    local x=$((i * 160)) fill='#eef1f4' edge='#c9d2dc'
    [ "$i" = "$current" ] && fill='#cfe3f5' && edge="$frame_light"
    args+=(-fill "$fill" -stroke "$edge"
      -draw "polygon $x,2 $((x + 150)),2 $((x + 162)),16 $((x + 150)),30 $x,30 $((x + 12)),16")
  done
  draw "$out" "${args[@]}"
}
step_picture header_step_scan.bmp 0
step_picture header_step_results.bmp 1
step_picture header_step_download.bmp 2
step_picture header_step_install.bmp 3
draw header_plain.bmp -size 644x32 gradient:'#ffffff'-'#eef2f6' -fill '#c9d2dc' -draw "line 0,31 643,31"
