#!/usr/bin/env bash
# Installs what the game and its tests need (Debian packages), then configures
# and builds into build/. Safe to run again: it only installs what is missing.
# Usage: scripts/setup.sh [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config
  libsdl1.2-dev libsdl-image1.2-dev libpng-dev
  libgtest-dev libbenchmark-dev
  xvfb xdotool x11-utils imagemagick python3 openbox
  desktop-file-utils appstream
  # The second SDL 1.2 runtime, in a private directory: the tests run on it too.
  libsdl1.2-compat
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ -n "${CI:-}" ] && werror=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFIENDS_WERROR="$werror" "$@"
cmake --build build -j"$(nproc)"
