# Minimal Debian systems made with debootstrap and entered with chroot, for
# the scripts that check the project on a fresh machine. Sourced; the caller
# sets `system` (the system's folder) and runs as root. Everything mounted
# lies under the system's own bind mount, so one recursive unmount takes it
# all; debian_system_cleanup, trapped on EXIT, stops what is left running
# inside first.

# Stops with a message unless root; installs debootstrap where it is missing.
debian_system_prerequisites() {
  local who=$1
  [[ $(id -u) -eq 0 ]] || { echo "$who: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
  if ! command -v debootstrap >/dev/null; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends debootstrap >/dev/null
  fi
}

# The first Debian archive among this machine's apt sources (not the security
# one), or DEBIAN_MIRROR.
debian_mirror() {
  local mirror
  mirror=${DEBIAN_MIRROR:-$(apt-cache policy | awk '
    / Packages$/ { uri = $2 }
    /^ *release / && /o=Debian,/ && /l=Debian,/ && uri { print uri; exit }')}
  [[ -n $mirror ]] || { echo "no Debian archive in this machine's apt sources" >&2; return 1; }
  echo "$mirror"
}

# debian_system_bootstrap RELEASE FOLDER LOG: a minimal system of the release,
# made afresh; debootstrap's output goes to LOG, whose end is shown on failure.
debian_system_bootstrap() {
  local release=$1 folder=$2 log=$3 mirror
  mirror=$(debian_mirror) || exit 1
  echo "== Debian $release: making a minimal system from $mirror"
  rm -rf "$folder" && mkdir -p "$folder"
  debootstrap --variant=minbase "$release" "$folder" "$mirror" >"$log" 2>&1 ||
    { tail -n 20 "$log" >&2; exit 1; }
}

debian_system_cleanup() {
  local pid
  for pid in /proc/[0-9]*; do
    [[ $(readlink "$pid/root" 2>/dev/null) == "$system" ]] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  if mountpoint -q "$system"; then umount -R "$system" 2>/dev/null || umount -R -l "$system"; fi
}

# Its own mount point, so that what runs inside can make mount namespaces.
debian_system_mount() {
  mount --bind "$system" "$system"
  mount --make-private "$system"
  mount -t proc proc "$system/proc"
  mount -t sysfs sysfs "$system/sys"
  mount --rbind /dev "$system/dev"
  mount --make-rslave "$system/dev"
  cp /etc/resolv.conf "$system/etc/resolv.conf"
  # The network as the machine reaches it: its own certificate authorities
  # (kept when ca-certificates is installed there) and npm's settings.
  if [[ -d /usr/local/share/ca-certificates ]]; then
    mkdir -p "$system/usr/local/share/ca-certificates" "$system/etc/ssl/certs"
    cp -r /usr/local/share/ca-certificates/. "$system/usr/local/share/ca-certificates/"
    cp /etc/ssl/certs/ca-certificates.crt "$system/etc/ssl/certs/ca-certificates.crt"
  fi
  [[ ! -f /etc/npmrc ]] || cp /etc/npmrc "$system/etc/npmrc"
}

# Runs a command in the system with a clean environment.
in_system() {
  chroot "$system" /usr/bin/env -i HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    DEBIAN_FRONTEND=noninteractive ${TREVALIN_WERROR:+TREVALIN_WERROR=$TREVALIN_WERROR} "$@"
}

# Copies the project, without its build folders and its history, to a folder
# in the system (replacing what is there).
copy_project_into_system() {
  local root=$1 target=$2
  rm -rf "$system$target" && mkdir -p "$system$target"
  tar -C "$root" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$system$target" -xf -
}
