#!/usr/bin/env bash
# Installs everything the game and its tests need on a fresh Debian 12 machine (run as root).
set -euo pipefail
packages=(
  build-essential cmake pkg-config git
  libglfw3-dev libglew-dev libbullet-dev libassimp-dev libfreetype-dev libstb-dev libglm-dev
  libgtest-dev
  libgl1-mesa-dri libglx-mesa0 mesa-utils xvfb xauth xdotool x11-utils imagemagick libxtst-dev
  fonts-dejavu-core
  libopenal-dev libsndfile1-dev sox
  clang-14 libclang-rt-14-dev
  valgrind time python3
  gnuplot-nox apitrace
  dpkg-dev file help2man lintian appstream desktop-file-utils glslang-tools
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
