#!/bin/sh
# Renders the icon's PNG sizes from sonaveo.svg (rsvg-convert, Debian package
# librsvg2-bin). The PNGs are committed, so a build does not need the tool; run
# this again after changing the drawing.
set -e
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}"
  rsvg-convert -w "$size" -h "$size" sonaveo.svg -o "${size}x${size}/sonaveo.png"
done
