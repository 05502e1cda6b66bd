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

# A display the program can open its window on: one that answers, or a local
# one whose socket is there where the tool to ask it is not installed yet.
has_display() {
  [[ -n ${DISPLAY:-} ]] || return 1
  if command -v xdpyinfo >/dev/null; then xdpyinfo >/dev/null 2>&1; return; fi
  [[ $DISPLAY =~ ^:([0-9]+) && -S /tmp/.X11-unix/X${BASH_REMATCH[1]} ]]
}

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
  has_display || packages+=("${headless[@]}")
else
  packages+=(
    "${headless[@]}"
    libsdl2-2.0-0  # sdl12-compat's runtime, for the test command's second pass
    python3 python3-xlib  # the end-to-end test sends the window manager's close request
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-dev llvm  # llvm: llvm-symbolizer, which names the functions in sanitizer reports
    clang-format  # scripts/check-format.sh
    apitrace
    libassimp-dev
  )
fi

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
