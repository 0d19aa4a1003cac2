#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Passavue and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DPASSAVUE_BUILD_TESTS=OFF -DPASSAVUE_BUILD_BENCH=OFF
cmake --build build -j "$(nproc)"
if [ -x build/passavue ]; then
  exec build/passavue "$@"
fi
# Until the desktop program is part of the build, render the default design
# to a TIFF file with the command-line renderer.
build/passavue-render -o passavue-default.tif "$@"
echo "Rendered the default design to passavue-default.tif"
