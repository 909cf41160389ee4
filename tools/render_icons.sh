#!/usr/bin/env bash
# Renders the program's icon, data/icons/lettrica.svg, to the PNG sizes that
# desktops look up in the hicolor theme. The PNGs are committed, so building
# needs no SVG renderer; run this after changing the SVG
# (apt-get install librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" lettrica.svg -o "lettrica-$size.png"
done
