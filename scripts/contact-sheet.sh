#!/usr/bin/env bash
# Renders one small design per frame style and finish with passavue-render
# and joins them into docs/frame-styles.png (needs ImageMagick's montage).
# Usage: scripts/contact-sheet.sh [build-folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
styles=("Rectangular" "Beveled" "Rounded" "More Rounded" "Fully Rounded" "Reverse Bevel 1"
        "Reverse Bevel 2" "Inverted V" "Fancy 1" "Fancy 2" "Triple Bead")
tiles=()
for finish in 0 1; do
  for style in $(seq 0 10); do
    design="$work/s${finish}_${style}.Passavue"
    printf 'Passavue 1.0\r\nbackground 1.15 210 205 195\r\nlighting 0 6\r\n' > "$design"
    printf 'frame %d %d 150 105 60 0 0 0.4 0.15 1.25 1.25 1.25 1.25\r\n' "$style" "$finish" >> "$design"
    printf 'mat 0 0 1.5 1.5 1.5 1.5 0.055 1 250 246 236 0 245 245 240 1\r\n' >> "$design"
    printf 'mat 1 0 0 0 0 0 0.055 0 0 0 0 0 0 0 0 0\r\nmat 2 0 0 0 0 0 0.055 0 0 0 0 0 0 0 0 0\r\nend\r\n' >> "$design"
    out="$work/s${finish}_${style}.tif"
    "$build/passavue-render" --design "$design" --custom-width 5 --size 300x260 -o "$out"
    label="${styles[$style]} - $([ "$finish" = 1 ] && echo Glossy || echo Flat)"
    tiles+=(-label "$label" "$out")
  done
done
mkdir -p docs
montage "${tiles[@]}" -tile 6x -geometry +6+6 -pointsize 13 -background white docs/frame-styles.png
echo "wrote docs/frame-styles.png"
