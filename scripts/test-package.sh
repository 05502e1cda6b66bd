#!/usr/bin/env bash
# Checks the Debian package with Debian's own tools, each on a fresh minimal
# Debian system of the given release (default trixie, Debian 13), as root:
#   scripts/test-package.sh [RELEASE] [lint]
# 1. builds it there with scripts/build-package.sh, its tests run at build time;
# 2. lints it with that release's lintian: no error, no warning;
# 3. autopkgtest runs the tests of debian/tests on it in a testbed of its own;
# 4. piuparts installs, removes and purges it, and finds nothing left behind.
# With `lint` it stops after 2, the package built without its tests. Each
# step gives its time; the package and the tools' logs are kept in
# build-debian/RELEASE-package.
# The testbed is autopkgtest's chroot: its unshare one needs subordinate ids
# for root, which machines rarely have, and schroot a system-wide set-up; a
# chroot needs only root, and since each run makes it afresh, that it is
# never reverted does not matter.
set -euo pipefail
release=${1:-trixie} only=${2:-}
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
out="$root/build-debian/$release-package"
system="$root/build-debian/$release-system"
trap debian_system_cleanup EXIT
trap 'exit 130' INT TERM

start=$SECONDS times=()
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

build() {
  rm -rf "$out" && mkdir -p "$out"
  fresh_system "$release"
  copy_project "$root" "$system/root/trevalin"
  in_system env ${only:+DEB_BUILD_OPTIONS=nocheck} bash /root/trevalin/scripts/build-package.sh \
    >"$out/build.log" 2>&1 || { tail -n 60 "$out/build.log" >&2; return 1; }
  grep -E '^ *[0-9]+/[0-9]+ Test +#|tests passed|^== Package built' "$out/build.log" | sed 's/^ */   /'
  cp "$system"/root/trevalin/build-package/trevalin_*.deb "$out/"
}

lint() {
  in_system apt-get install -y -q --no-install-recommends lintian >"$out/lintian.log" 2>&1 ||
    { tail -n 20 "$out/lintian.log" >&2; return 1; }
  # As a user: lintian warns against running as root. What it says besides its
  # tags, a file it cannot read for one, means that it checked nothing.
  in_system sh -c 'mkdir /tmp/lint && cd /root/trevalin/build-package && cp *.changes *.buildinfo *.deb /tmp/lint &&
    cd /tmp && runuser -u nobody -- lintian -I --pedantic --show-overrides lint/trevalin_*.changes' \
    >"$out/lintian" 2>"$out/lintian.err" || { cat "$out/lintian.err" >&2; return 1; }
  echo "   lintian $(in_system dpkg-query -W -f='${Version}' lintian): $(wc -l <"$out/lintian") tags"
  sed 's/^/   /' "$out/lintian" "$out/lintian.err"
  [[ ! -s $out/lintian.err ]] && ! grep -qE '^[EW]: ' "$out/lintian"
}

run_autopkgtest() {
  fresh_system "$release"
  copy_project "$root" "$out/source"
  autopkgtest -q -o "$out/autopkgtest" "$out"/trevalin_*.deb "$out/source" -- chroot "$system" \
    >"$out/autopkgtest.log" 2>&1 || { tail -n 40 "$out/autopkgtest.log" >&2; return 1; }
  sed 's/^/   /' "$out/autopkgtest/summary"
}

run_piuparts() {
  # The folder where apt has debconf run packages' configure scripts, which
  # Debian 13 leaves behind, is not this package's.
  piuparts --existing-chroot="${system%/*}/$release-minbase" -d "$release" -m "$(debian_archive)" \
    --ignore=/var/cache/debconf/tmp.ci/ "$out"/trevalin_*.deb >"$out/piuparts.log" 2>&1 ||
    { tail -n 40 "$out/piuparts.log" >&2; return 1; }
  grep -E "INFO: (PASS|Can't test)" "$out/piuparts.log" | sed 's/^/   /'
}

need autopkgtest piuparts
step build build
step lintian lint
if [[ $only != lint ]]; then
  step autopkgtest run_autopkgtest
  step piuparts run_piuparts
fi
echo "== Package on Debian $release: passed in $((SECONDS - start)) s"
printf '   %s\n' "${times[@]}"
