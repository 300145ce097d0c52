#!/usr/bin/env bash
# Installs what is missing (Debian packages), configures and builds Ironfold,
# and generates the data tree in build/data. Quick when nothing changed.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libsdl2-dev libglew-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri
  libpng-dev libjpeg-dev zlib1g-dev libogg-dev libvorbis-dev libfreetype-dev fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool python3-xlib sox
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

BUILD_TYPE=${IFOLD_BUILD_TYPE:-RelWithDebInfo}
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="$BUILD_TYPE"
fi
cmake --build build --parallel "$(nproc)"
