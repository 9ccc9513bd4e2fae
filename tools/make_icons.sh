#!/usr/bin/env bash
# Renders the program icon resources/velmar.xpm (32 x 32) into the PNG sizes
# that are installed under share/icons/hicolor. Needs ImageMagick's convert.
#   tools/make_icons.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source=$root/resources/velmar.xpm

for size in 16 32 48 64; do
    # Whole multiples keep the pixels sharp; 16 and 48 are resampled.
    case $size in
    32 | 64) filter=Point ;;
    *) filter=Lanczos ;;
    esac
    convert "$source" -filter "$filter" -resize "${size}x${size}" -strip \
        -define png:exclude-chunks=date,time "PNG32:$root/resources/velmar-$size.png"
done
