#!/usr/bin/env bash
# Makes the station's PNG icons from topkar.svg (run again after changing it; the
# PNGs are kept in the tree so that building needs no SVG tool). Needs librsvg2-bin.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  mkdir -p "icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" topkar.svg -o "icons/${size}x${size}/topkar.png"
done
