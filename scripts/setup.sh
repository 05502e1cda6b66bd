#!/usr/bin/env bash
# Installs the Debian packages that a command needs, and does nothing when
# every one of them is already there:
#   scripts/setup.sh run    building and running the program (scripts/run.sh)
#   scripts/setup.sh        and also testing it (scripts/test.sh)
set -euo pipefail
need=${1:-test}
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# SDL 1.2 itself or sdl12-compat: whichever is installed stays, since each
# conflicts with the other.
sdl=libsdl1.2-dev
installed libsdl1.2-compat-dev && sdl=libsdl1.2-compat-dev

# Building and running (zlib: the data generators, configured with the rest).
packages=(
  build-essential cmake pkg-config
  "$sdl" libsdl-image1.2-dev
  libgl-dev libgl1-mesa-dri
  zlib1g-dev
  x11-utils  # xdpyinfo, which tells whether the display answers
)
# The headless run and its screenshot, and the tests' virtual display.
headless=(xvfb xauth xdotool x11-apps imagemagick)
if [[ $need == run ]]; then
  display_answers || packages+=("${headless[@]}")
else
  packages+=(
    "${headless[@]}"
    libsdl2-2.0-0  # sdl12-compat's runtime, for the test command's second pass
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev llvm  # llvm: llvm-symbolizer, which names the functions in sanitizer reports
    clang-format  # scripts/check-format.sh
    apitrace
    libassimp-dev
    locales  # the source of the decimal-comma locale a PLY test makes
  )
fi

# Where a distribution ships only the compatibility layer of SDL 1.2, take
# that. A name that is only provided by another package has no versions.
if ! installed $sdl; then
  as_root apt-get update -q >/dev/null
  [[ -n $(apt-cache madison $sdl 2>/dev/null) ]] || packages=("${packages[@]/#$sdl/libsdl1.2-compat-dev}")
fi
need "${packages[@]}"
