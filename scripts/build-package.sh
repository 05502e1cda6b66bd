#!/usr/bin/env bash
# Builds the Debian package the Debian way (dpkg-buildpackage -us -uc -b -J"$(nproc)") from
# a copy of the checkout in build-package/, where the .deb lands, so that
# nothing is written beside the checkout. Installs what is missing of the
# package's build dependencies first (as root, or through sudo). The tests run
# at build time unless DEB_BUILD_OPTIONS holds nocheck.
#   scripts/build-package.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
out="$root/build-package"
need dpkg-dev
version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)

# Where the tests are skipped, so are their build dependencies.
if [[ " ${DEB_BUILD_OPTIONS:-} " == *" nocheck "* && " ${DEB_BUILD_PROFILES:-} " != *" nocheck "* ]]; then
  export DEB_BUILD_PROFILES="nocheck${DEB_BUILD_PROFILES:+ $DEB_BUILD_PROFILES}"
fi
if ! (cd "$root" && dpkg-checkbuilddeps) 2>/dev/null; then
  echo "== Installing the package's build dependencies"
  as_root apt-get update -q >/dev/null
  (cd "$root" && as_root env DEBIAN_FRONTEND=noninteractive apt-get build-dep -y -q --no-install-recommends \
    ${DEB_BUILD_PROFILES:+-P "${DEB_BUILD_PROFILES// /,}"} ./) >/dev/null
fi

rm -rf "$out"
copy_project "$root" "$out/trevalin-$version"
start=$SECONDS
(cd "$out/trevalin-$version" && dpkg-buildpackage -us -uc -b -J"$(nproc)")
echo "== Package built in $((SECONDS - start)) s: $(cd "$out" && ls -- trevalin_*.deb)"
