#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Passavue and runs every test:
# the normal build, then the whole suite again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPASSAVUE_SANITIZE=ON \
  -DPASSAVUE_BUILD_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  QT_QPA_PLATFORM=offscreen ctest --test-dir build-sanitize --output-on-failure -j "$jobs"
