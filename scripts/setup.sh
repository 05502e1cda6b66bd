#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when every one of them is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl1.2-dev libsdl-image1.2-dev
  libgl-dev libgl1-mesa-dri libx11-dev
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  apitrace valgrind
  libglm-dev libassimp-dev
  zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

# Where a distribution ships only the compatibility layer of SDL 1.2, take that.
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
if ! apt-cache show libsdl1.2-dev >/dev/null 2>&1; then
  missing=("${missing[@]/libsdl1.2-dev/libsdl1.2-compat-dev}")
fi
echo "Installing: ${missing[*]}"
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
