#!/usr/bin/env bash
# Checks the Debian package as a user meets it, on a fresh minimal Debian
# system of the given release (default trixie, Debian 13) in a chroot:
#   scripts/test-package.sh [RELEASE]
# 1. builds the package there with scripts/build-package.sh (the tests run
#    at build time), 2. lints it and validates its menu entry and metainfo,
# 3. deletes the source and build folders and every package the build
#    brought in, 4. installs it with apt-get install ./trevalin_….deb,
# 5. starts `trevalin` by name from / on a virtual X display, checks that the
#    window shows the cube and that Escape ends it with status 0, 6. removes
#    it (apt-get purge) and checks that none of its files is left.
# Each step gives its time. The minimal system made by debootstrap is kept
# untouched in build-debian/RELEASE-minbase and copied afresh for every run
# (into build-debian/RELEASE-package). Needs root.
set -euo pipefail

release=${1:-trixie}
root=$(cd "$(dirname "$0")/.." && pwd)
base="$root/build-debian/$release-minbase"
system="$root/build-debian/$release-package"

. "$root/scripts/lib/debian-system.sh"
debian_system_prerequisites test-package
trap debian_system_cleanup EXIT
trap 'exit 130' INT TERM

start=$SECONDS
times=()
step() {  # step NAME COMMAND...: runs it, notes its time, stops the script on failure
  local name=$1 from=$SECONDS status=0
  shift
  echo "== Package on Debian $release: $name"
  "$@" || status=$?
  times+=("$name $((SECONDS - from)) s")
  if ((status != 0)); then
    echo "== Package on Debian $release: FAILED at \"$name\" after $((SECONDS - start)) s (${times[*]})" >&2
    exit "$status"
  fi
}

fresh_system() {
  if [[ ! -e $base/.trevalin-ready ]]; then
    debian_system_bootstrap "$release" "$base" "$root/build-debian/$release-minbase.log"
    touch "$base/.trevalin-ready"
  fi
  if mountpoint -q "$system"; then umount -R "$system" 2>/dev/null || umount -R -l "$system"; fi
  rm -rf "$system"
  cp -a "$base" "$system"
  debian_system_mount
  copy_project_into_system "$root" /root/trevalin
  cp "$root/scripts/lib/package-steps.sh" "$system/root/package-steps.sh"
}

steps() { in_system bash /root/package-steps.sh "$@"; }

step "fresh system" fresh_system
step "build" steps build
step "lint" steps lint
step "delete source, build folders and build dependencies" steps strip
step "install" steps install
step "run from /" steps run
step "remove" steps remove

echo "== Package on Debian $release: passed in $((SECONDS - start)) s"
printf '   %s\n' "${times[@]}"
