#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Krumbolt need.
# Only missing packages are installed; through sudo when not run as root.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libsdl2-dev libsdl2-mixer-dev libepoxy-dev libfreetype-dev libstb-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgl1-mesa-dri libegl1 libegl-mesa0 libgles2
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-dejavu-core fonts-dejavu-extra fonts-liberation2 fonts-roboto-unhinted
  librsvg2-bin lame libmp3lame-dev
  xvfb xauth
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
