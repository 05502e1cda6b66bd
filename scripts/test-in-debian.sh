#!/usr/bin/env bash
# Runs the README's two commands, as a new user would, on a minimal Debian
# system of the given release, in a chroot:
#   scripts/test-in-debian.sh RELEASE [PACKAGE...] [-- COMMAND...]
# PACKAGEs are installed first, before the project's own set-up: for instance
#   scripts/test-in-debian.sh bookworm libsdl1.2-compat-dev
# tries a Debian 12 machine that has sdl12-compat's development package.
# A COMMAND runs instead of the two, in the project's folder there, on a
# system of its own: for instance
#   scripts/test-in-debian.sh bookworm -- bash scripts/test-windows.sh
# Each system is kept in build-debian/ and reused by the next run with the
# same arguments; the project is copied in afresh each time. Needs root. The
# archive is the one this machine's own apt sources name (DEBIAN_MIRROR
# overrides it).
set -euo pipefail

usage="usage: scripts/test-in-debian.sh RELEASE [PACKAGE...] [-- COMMAND...]"
release=${1:?$usage}
shift
extra=()
while (($#)) && [[ $1 != -- ]]; do extra+=("$1") && shift; done
command=("${@:2}")
[[ $# -eq 0 || ${#command[@]} -gt 0 ]] || { echo "$usage" >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
name=$release${extra[*]:+-$(IFS=-; echo "${extra[*]}")}
# A command's system is named after the command.
((${#command[@]})) && name+=-$(tr -cs 'A-Za-z0-9.' - <<<"${command[*]%.sh}" | sed 's/-$//')
system="$root/build-debian/$name"
trap debian_system_cleanup EXIT
trap 'exit 130' INT TERM

start=$SECONDS
if [[ -e $system/.trevalin-ready ]]; then
  debian_system_mount
else
  fresh_system "$release"
  if [[ ${#extra[@]} -gt 0 ]]; then
    echo "== Debian $release: installing ${extra[*]}"
    in_system apt-get update -q >/dev/null
    in_system apt-get install -y -q --no-install-recommends "${extra[@]}" >/dev/null
  fi
  touch "$system/.trevalin-ready"
  echo "== Debian $release: system ready in $((SECONDS - start)) s"
fi

sdl_packages() {
  in_system dpkg-query -W -f='${db:Status-Abbrev} ${Package} ${Version}\n' \
    'libsdl1.2*' 2>/dev/null | awk '$1 == "ii" { print $2, $3 }' || true
}
before=$(sdl_packages)

copy_project "$root" "$system/root/trevalin"

status=0
if ((${#command[@]})); then
  in_system bash -c 'cd /root/trevalin && "$@"' command "${command[@]}" || status=$?
else
  in_system bash -c 'cd /root/trevalin && bash scripts/run.sh && bash scripts/test.sh' || status=$?
fi

after=$(sdl_packages)
if [[ -n $before && $after != "$before" ]]; then
  echo "test-in-debian: the SDL 1.2 packages changed from [$before] to [$after]" >&2
  status=1
fi
echo "== Debian $release${extra[*]:+ with ${extra[*]}}${command[*]:+: ${command[*]}}: $([[ $status -eq 0 ]] && echo passed || echo FAILED) in $((SECONDS - start)) s"
exit $status
