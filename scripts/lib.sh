# shellcheck shell=bash
# What the scripts and the end-to-end test share; sourced, not run.

as_root() { if ((EUID == 0)); then "$@"; else sudo "$@"; fi; }

# Whether the Debian package is installed.
installed() {
  [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true) == "install ok installed" ]]
}

# need PACKAGE...: installs those that are missing, and names them.
need() {
  local missing=() p
  for p; do installed "$p" || missing+=("$p"); done
  ((${#missing[@]})) || return 0
  echo "   installing ${missing[*]}"
  as_root apt-get update -q >/dev/null
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
}

# step NAME starts a step of a long script; done_step gives its time.
step() {
  echo "== $1"
  step_start=$SECONDS
}
done_step() { echo "   ($((SECONDS - step_start)) s)"; }

# Runs a build folder's tests, under the command given before ctest if any
# (a virtual display, a wineserver), then counts them and names each test that
# skipped itself with why. Its status is ctest's.
#
# ctest names the skipped tests but shows no output of theirs, even with
# --output-on-failure; its JUnit report holds every test's output, where
# GoogleTest writes the reason on the line after "<file>:<line>: Skipped".
run_tests() {
  local dir=$1 report status=0
  report=$(realpath "$1")/Testing/junit.xml
  shift
  rm -f "$report"
  (cd "$dir" && "$@" ctest --output-on-failure --output-junit "$report" -j"$(nproc)") || status=$?
  [[ -f $report ]] || { echo "   no test report in $dir" >&2; return 1; }
  awk '
    function text(s) {
      gsub(/&lt;/, "<", s); gsub(/&gt;/, ">", s); gsub(/&quot;/, "\"", s); gsub(/&amp;/, "\\&", s)
      return s
    }
    /^\t(tests|failures|skipped|disabled)="/ { split($0, kv, "\""); n[substr(kv[1], 2)] = kv[2] }
    /<testcase / { match($0, /name="[^"]*"/); name = text(substr($0, RSTART + 6, RLENGTH - 7)) }
    reason { print "   skipped: " name ": " ($0 == "" || /^\[  SKIPPED \]/ ? "(no reason given)" : text($0)) }
    { reason = /: Skipped$/ }
    END {
      skipped = n["skipped="] + n["disabled="]
      printf "   %d passed, %d failed, %d skipped\n", n["tests="] - n["failures="] - skipped, n["failures="], skipped
    }
  ' "$report"
  return $status
}

# The virtual display the tests run on. -noreset: the server would otherwise
# reset whenever its last client left, and refuse the next test's connection
# while it does.
virtual_display=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

# The first Debian archive among this machine's apt sources (not the security
# one), or DEBIAN_MIRROR.
debian_archive() {
  local archive
  archive=${DEBIAN_MIRROR:-$(apt-cache policy | awk '
    / Packages$/ { uri = $2 }
    /^ *release / && /o=Debian,/ && /l=Debian,/ && uri { print uri; exit }')}
  [[ -n $archive ]] || { echo "no Debian archive in this machine's apt sources" >&2; return 1; }
  echo "$archive"
}

# A display the program can open its window on: one that answers, or a local
# one whose socket is there where the tool to ask it is not installed yet.
display_answers() {
  [[ -n ${DISPLAY:-} ]] || return 1
  if command -v xdpyinfo >/dev/null; then xdpyinfo >/dev/null 2>&1; return; fi
  [[ $DISPLAY =~ ^:([0-9]+) && -S /tmp/.X11-unix/X${BASH_REMATCH[1]} ]]
}

# poll SECONDS COMMAND...: runs the command until it succeeds, for at most
# that long; never a fixed wait.
poll() {
  local end=$((SECONDS + $1))
  shift
  until "$@"; do ((SECONDS < end)) || return 1; sleep 0.05; done
}

# x_server FOLDER [OPTION...]: a private X server, a job of the caller's, which
# ends it; its display becomes DISPLAY, its messages go to FOLDER/xvfb.
x_server() {
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset "${@:2}" 3>"$1/display" 2>"$1/xvfb" &
  poll 20 test -s "$1/display" || return 1
  export DISPLAY=:$(cat "$1/display")
}

named_window() {  # the visible top-level window (SDL may replace its first one), once named
  win=$(xdotool search --onlyvisible --maxdepth 1 --class . 2>/dev/null | head -n 1)
  [[ -n $win && -n $(xdotool getwindowname "$win" 2>/dev/null) ]]
}
colours() {  # the colour at each x,y of the window as r,g,b, separated by blanks
  local format="" p
  for p in "$@"; do format+="%[pixel:p{$p}] "; done
  xwd -silent -id "$win" | convert xwd:- -format "$format" info: | tr -dc '0-9, '
}
near() {  # two colours within rounding of each other
  awk -v a="$1" -v b="$2" 'BEGIN { split(a, x, ","); split(b, y, ",")
    for (i = 1; i <= 3; i++) if ((x[i] - y[i]) ^ 2 > 4) exit 1 }'
}
# Whether the window shows the cube: the clear colour in a corner, another at
# the back face's centre. `seen` keeps the two colours.
cube_shown() {
  local corner centre
  seen=$(colours 5,5 413,299)
  read -r corner centre <<<"$seen"
  near "$corner" 76,230,128 && ! near "$centre" 76,230,128
}

# A minimal Debian system in a folder (`system`), entered with chroot, as
# root. Everything mounted lies under the system's own bind mount, so one
# recursive unmount takes it all; debian_system_cleanup, trapped on EXIT,
# stops what is left running inside first.

# fresh_system RELEASE: `system` made afresh, mounted, as a copy of a minimal
# system of the release that debootstrap makes beside it the first time
# (RELEASE-minbase) and that is kept untouched.
fresh_system() {
  local base=${system%/*}/$1-minbase archive
  ((EUID == 0)) || { echo "${0##*/}: needs root (debootstrap, chroot, mount)" >&2; exit 1; }
  if [[ ! -e $base/.made ]]; then
    need debootstrap
    archive=$(debian_archive) || exit 1
    echo "== Debian $1: making a minimal system from $archive"
    rm -rf "$base" && mkdir -p "$base"
    debootstrap --variant=minbase "$1" "$base" "$archive" >"$base.log" 2>&1 ||
      { tail -n 20 "$base.log" >&2; exit 1; }
    touch "$base/.made"
  fi
  debian_system_cleanup
  rm -rf "$system" && cp -a "$base" "$system"
  debian_system_mount
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

# copy_project ROOT FOLDER: the project without its build folders and its
# history, in place of what the folder held.
copy_project() {
  rm -rf "$2" && mkdir -p "$2"
  tar -C "$1" --exclude='./build*' --exclude='./obj-*' --exclude=./.git -cf - . | tar -C "$2" -xf -
}
