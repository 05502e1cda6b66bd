#!/usr/bin/env bash
# Builds the Debian package the Debian way (dpkg-buildpackage -us -uc -b -J"$(nproc)") from
# a copy of the checkout in build-package/, where the .deb lands, so that
# nothing is written beside the checkout. Installs what is missing of the
# package's build dependencies first (as root, or through sudo). The tests run
# at build time unless DEB_BUILD_OPTIONS holds nocheck.
#   scripts/build-package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-package"
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version 2>/dev/null ||
  sed -n '1s/.*(\(.*\)).*/\1/p' "$root/debian/changelog")
source="$out/trevalin-$version"

sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
# Where the tests are skipped, so are their build dependencies.
if [[ " ${DEB_BUILD_OPTIONS:-} " == *" nocheck "* && " ${DEB_BUILD_PROFILES:-} " != *" nocheck "* ]]; then
  export DEB_BUILD_PROFILES="nocheck${DEB_BUILD_PROFILES:+ $DEB_BUILD_PROFILES}"
fi
if ! command -v dpkg-checkbuilddeps >/dev/null || ! (cd "$root" && dpkg-checkbuilddeps) 2>/dev/null; then
  echo "== Installing the package's build dependencies"
  $sudo apt-get update -q >/dev/null
  command -v dpkg-checkbuilddeps >/dev/null ||
    $sudo apt-get install -y -q --no-install-recommends dpkg-dev >/dev/null
  (cd "$root" && $sudo apt-get build-dep -y -q --no-install-recommends ${DEB_BUILD_PROFILES:+-P "${DEB_BUILD_PROFILES// /,}"} ./) >/dev/null
fi

rm -rf "$out" && mkdir -p "$source"
tar -C "$root" --exclude='./build*' --exclude='./obj-*' --exclude=./.git -cf - . | tar -C "$source" -xf -
start=$SECONDS
(cd "$source" && dpkg-buildpackage -us -uc -b -J"$(nproc)")
echo "== Package built in $((SECONDS - start)) s: $(cd "$out" && ls -- trevalin_*.deb)"
