#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and benchmarking Passavue needs.
set -euo pipefail
packages=(
  build-essential cmake ninja-build clang-format pkg-config git zlib1g-dev libpng-dev libtiff-tools
  liblcms2-dev libjpeg62-turbo-dev
  libtiff-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libqt6svg6-dev
  libgl-dev libxkbcommon-dev libx11-dev libxcb1-dev
  xvfb xauth fonts-liberation desktop-file-utils poppler-utils
  python3 python3-pil imagemagick libimage-exiftool-perl
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
