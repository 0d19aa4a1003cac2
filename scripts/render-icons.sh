#!/usr/bin/env bash
# Renders the application icon's PNG sizes from data/icons/passavue.svg with
# rsvg-convert (Debian package librsvg2-bin). The PNGs are kept in the
# repository, so building and installing never needs this; run it after
# changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 32 48 64 128 256; do
  rsvg-convert --width "$size" --height "$size" --output "passavue-$size.png" passavue.svg
done
