#!/usr/bin/env bash
# Runs the README's two commands, as a new user would, on a minimal Debian
# system of the given release made with debootstrap, in a chroot:
#   scripts/test-in-debian.sh RELEASE [PACKAGE...]
# PACKAGEs are installed first, before the project's own set-up: for instance
#   scripts/test-in-debian.sh bookworm libsdl1.2-compat-dev
# tries a Debian 12 machine that has sdl12-compat's development package. The
# system is kept in build-debian/ and reused by the next run with the same
# arguments; the project is copied in afresh each time. Needs root. The
# archive is the one this machine's own apt sources name (DEBIAN_MIRROR
# overrides it).
set -euo pipefail

release=${1:?usage: scripts/test-in-debian.sh RELEASE [PACKAGE...]}
shift
extra=("$@")
root=$(cd "$(dirname "$0")/.." && pwd)
name=$release${extra[*]:+-$(IFS=-; echo "${extra[*]}")}
system="$root/build-debian/$name"

[[ $(id -u) -eq 0 ]] || { echo "test-in-debian: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
if ! command -v debootstrap >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null
fi

# The first Debian archive among this machine's apt sources (not the security one).
mirror=${DEBIAN_MIRROR:-$(apt-cache policy | awk '
  / Packages$/ { uri = $2 }
  /^ *release / && /o=Debian,/ && /l=Debian,/ && uri { print uri; exit }')}
[[ -n $mirror ]] || { echo "test-in-debian: no Debian archive in this machine's apt sources" >&2; exit 1; }

# Everything mounted lies under the system's own bind mount, so one recursive
# unmount takes it all; processes left in the system are stopped first.
cleanup() {
  local pid
  for pid in /proc/[0-9]*; do
    [[ $(readlink "$pid/root" 2>/dev/null) == "$system" ]] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  if mountpoint -q "$system"; then umount -R "$system" 2>/dev/null || umount -R -l "$system"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

in_system() {
  chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive ${TREVALIN_WERROR:+TREVALIN_WERROR=$TREVALIN_WERROR} "$@"
}

start=$SECONDS
if [[ ! -e $system/.trevalin-ready ]]; then
  echo "== Debian $release: making a minimal system from $mirror"
  rm -rf "$system" && mkdir -p "$system"
  debootstrap --variant=minbase "$release" "$system" "$mirror" >"$root/build-debian/$name.log" 2>&1 ||
    { tail -n 20 "$root/build-debian/$name.log" >&2; exit 1; }
fi

# Its own mount point, so that what runs inside can make mount namespaces.
mount --bind "$system" "$system"
mount --make-private "$system"
mount -t proc proc "$system/proc"
mount -t sysfs sysfs "$system/sys"
mount --rbind /dev "$system/dev"
mount --make-rslave "$system/dev"
cp /etc/resolv.conf "$system/etc/resolv.conf"

if [[ ! -e $system/.trevalin-ready ]]; then
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

rm -rf "$system/root/trevalin" && mkdir -p "$system/root/trevalin"
tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$system/root/trevalin" -xf -

status=0
in_system bash -c 'cd /root/trevalin && bash scripts/run.sh && bash scripts/test.sh' || status=$?

after=$(sdl_packages)
if [[ -n $before && $after != "$before" ]]; then
  echo "test-in-debian: the SDL 1.2 packages changed from [$before] to [$after]" >&2
  status=1
fi
echo "== Debian $release${extra[*]:+ with ${extra[*]}}: $([[ $status -eq 0 ]] && echo passed || echo FAILED) in $((SECONDS - start)) s"
exit $status
