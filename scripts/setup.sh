#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Does nothing when every one of them is already there.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# SDL 1.2 itself or sdl12-compat: whichever is installed stays, since each
# conflicts with the other.
sdl=libsdl1.2-dev
installed libsdl1.2-compat-dev && sdl=libsdl1.2-compat-dev

packages=(
  build-essential cmake pkg-config
  "$sdl" libsdl-image1.2-dev
  libsdl2-2.0-0  # sdl12-compat's runtime, for the test command's second pass
  libgl-dev libgl1-mesa-dri
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  python3  # the end-to-end test sends the window manager's close request through libX11
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev llvm  # llvm: llvm-symbolizer, which names the functions in sanitizer reports
  clang-format  # scripts/check-format.sh
  apitrace
  libassimp-dev
  zlib1g-dev
)

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
# Where a distribution ships only the compatibility layer of SDL 1.2, take
# that. A name that is only provided by another package has no versions.
if [[ $sdl == libsdl1.2-dev && -z $(apt-cache madison libsdl1.2-dev 2>/dev/null) ]]; then
  missing=("${missing[@]/#libsdl1.2-dev/libsdl1.2-compat-dev}")
fi
echo "Installing: ${missing[*]}"
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
