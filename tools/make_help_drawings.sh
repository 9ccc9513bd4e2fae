#!/bin/sh
# Draws the help pictures 1 and 2 (the geometry behind the measure ad - bc and
# its three normalised forms) into help/content/, as 16-colour GIF89a files
# without extension blocks.
# usage: tools/make_help_drawings.sh      (needs ImageMagick and python3)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out="$here/../help/content"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bg='rgb(240,240,240)'
serif=Liberation-Serif
italic=Liberation-Serif-Italic

# Picture 1, left: the vectors (a, b) and (c, d) from the origin, the
# parallelogram they span and the angle between them. Origin at (30, 140).
# Right: the sample coded 0/1 in the unit square, points at the corners drawn
# by frequency (8, 2, 1, 5), and the regressions of y on x and of x on y.
convert -size 618x150 "xc:$bg" \
  -stroke black -strokewidth 1 -fill none \
  -draw "line 30,140 290,140" -draw "line 30,140 30,6" \
  -fill black -draw "polygon 290,140 282,137 282,143" -draw "polygon 30,6 27,14 33,14" \
  -fill 'rgb(255,251,200)' -stroke 'rgb(160,160,160)' \
  -draw "polygon 30,140 200,106 250,12 80,46" \
  -fill none -stroke 'rgb(0,0,160)' -strokewidth 2 \
  -draw "line 30,140 196,107" -draw "line 30,140 78,50" \
  -fill 'rgb(0,0,160)' -strokewidth 1 \
  -draw "polygon 200,106 188,106 190,113" -draw "polygon 80,46 73,56 80,58" \
  -fill none -stroke 'rgb(192,0,0)' -strokewidth 1 \
  -draw "arc 0,110 60,170 -62,-11" \
  -stroke none -fill black -font $italic -pointsize 17 \
  -annotate +204+112 '(a, b)' -annotate +86+44 '(c, d)' \
  -annotate +296+146 'x' -annotate +16+14 'y' \
  -fill 'rgb(192,0,0)' -font $serif -annotate +62+126 'φ' \
  -fill black -font $italic -pointsize 20 -annotate +134+84 'S' \
  -stroke black -strokewidth 1 -fill none \
  -draw "line 400,130 560,130" -draw "line 400,130 400,6" \
  -draw "line 400,20 540,20" -draw "line 540,20 540,130" \
  -fill black -draw "polygon 575,130 567,127 567,133" -draw "line 560,130 575,130" \
  -stroke 'rgb(0,128,0)' -strokewidth 2 \
  -draw "line 400,111.7 540,42" \
  -stroke 'rgb(128,0,128)' \
  -draw "line 440,130 524.4,20" \
  -stroke none -fill 'rgb(0,0,160)' \
  -draw "circle 540,20 540,34" -draw "circle 540,130 540,137" \
  -draw "circle 400,20 400,25" -draw "circle 400,130 400,141" \
  -fill black -font $serif -pointsize 15 \
  -annotate +384+146 '0' -annotate +536+146 '1' -annotate +388+25 '1' \
  -font $italic -pointsize 17 -annotate +578+136 'x' -annotate +408+14 'y' \
  -font $italic -pointsize 15 \
  -annotate +558+12 'a = 8' -annotate +552+122 'b = 2' \
  -annotate +340+28 'c = 1' -annotate +340+122 'd = 5' \
  -colors 16 +dither "$tmp/Pic 1.gif"

# Picture 2: three formulas with the numerator ad - bc. A fraction bar and a
# radical sign are drawn as lines; text baselines are 20 (numerator) and 44
# (denominator), the bar at 27.
convert -size 584x51 "xc:$bg" \
  -fill black -font $italic -pointsize 19 \
  -annotate +8+33 'S' -font $serif -annotate +24+33 '=' \
  -font $italic -annotate +50+19 'ad' -font $serif -annotate +72+19 '−' -font $italic -annotate +87+19 'bc' \
  -annotate +66+45 'mn' \
  -font $serif -annotate +146+33 'sin' -font $serif -annotate +174+33 'φ' -annotate +192+33 '=' \
  -font $italic -annotate +264+19 'ad' -font $serif -annotate +286+19 '−' -font $italic -annotate +301+19 'bc' \
  -annotate +230+45 'a' -font $serif -pointsize 12 -annotate +240+38 '2' -pointsize 19 -annotate +248+45 '+' \
  -font $italic -annotate +262+45 'b' -font $serif -pointsize 12 -annotate +272+38 '2' -pointsize 19 \
  -font $italic -annotate +300+45 'c' -font $serif -pointsize 12 -annotate +309+38 '2' -pointsize 19 -annotate +317+45 '+' \
  -font $italic -annotate +331+45 'd' -font $serif -pointsize 12 -annotate +341+38 '2' -pointsize 19 \
  -font $italic -annotate +404+33 'r' -font $serif -annotate +418+33 '=' \
  -font $italic -annotate +470+19 'ad' -font $serif -annotate +492+19 '−' -font $italic -annotate +507+19 'bc' \
  -annotate +470+45 'mnkt' \
  -stroke black -strokewidth 1 -fill none \
  -draw "line 46,27 112,27" \
  -draw "line 212,27 354,27" \
  -draw "polyline 216,38 219,36 223,47 228,29 280,29" \
  -draw "polyline 286,38 289,36 293,47 298,29 350,29" \
  -draw "line 438,27 532,27" \
  -draw "polyline 452,38 455,36 459,47 464,29 516,29" \
  -colors 16 +dither "$tmp/Pic 2.gif"

python3 "$here/gif_strip.py" "$tmp/Pic 1.gif" "$tmp/Pic 2.gif"
cp "$tmp/Pic 1.gif" "$tmp/Pic 2.gif" "$out/"
