#!/usr/bin/env bash
# The steps of scripts/test-package.sh that run inside the minimal Debian
# system, one per call, as root:
#   package-steps.sh build|lint|strip|install|run|remove
# The project is in /root/trevalin until `strip`; the package and the notes
# the steps leave each other are in /root/package.
set -euo pipefail
work=/root/package
source=/root/trevalin
export DEBIAN_FRONTEND=noninteractive

installed_packages() { dpkg-query -W -f='${db:Status-Abbrev} ${Package}\n' | awk '$1 == "ii" { print $2 }' | sort; }
apt_install() { apt-get install -y -q --no-install-recommends "$@" >/dev/null; }

# Polls a condition (a command) up to a number of seconds; never a fixed wait.
until_true() {
  local seconds=$1
  shift
  local end=$((SECONDS + seconds))
  until "$@"; do
    ((SECONDS < end)) || return 1
    sleep 0.1
  done
}

case ${1:?usage: package-steps.sh build|lint|strip|install|run|remove} in
build)
  # What the system had before the build, so that `strip` can take the rest away again.
  mkdir -p "$work"
  installed_packages >"$work/before-build"
  # The whole log stays in the system; the tests' lines and the end are shown.
  log="$work/build.log"
  if ! bash "$source/scripts/build-package.sh" >"$log" 2>&1; then
    tail -n 60 "$log" >&2
    echo "the package did not build; its log: $log in the system" >&2
    exit 1
  fi
  grep -E '^ *[0-9]+/[0-9]+ Test +#|tests passed|^== Package built' "$log" | sed 's/^ */   /'
  cp "$source"/build-package/trevalin_*.deb "$work/"
  ;;

lint)
  apt_install lintian desktop-file-utils appstream
  deb=$(ls "$work"/trevalin_*.deb)
  echo "lintian $(dpkg-query -W -f='${Version}' lintian):"
  lintian -I --pedantic --show-overrides "$deb" >"$work/lintian"
  if [[ -s $work/lintian ]]; then sed 's/^/   /' "$work/lintian"; else echo "   no tags, not even informational or pedantic ones"; fi
  if grep -E '^[EW]: ' "$work/lintian" >/dev/null; then
    echo "lintian reports errors or warnings" >&2
    exit 1
  fi
  unpacked=$(mktemp -d)
  dpkg-deb -x "$deb" "$unpacked"
  desktop-file-validate "$unpacked"/usr/share/applications/*.desktop
  echo "   menu entry: valid"
  appstreamcli validate --no-net "$unpacked"/usr/share/metainfo/*.metainfo.xml | sed 's/^/   /'
  rm -rf "$unpacked"
  ;;

strip)
  # The source and build folders go, and every package the build and the
  # checks brought in, so that the package installs on a system as minimal
  # as it was.
  rm -rf "$source"
  installed_packages >"$work/after-build"
  extra=$(comm -13 "$work/before-build" "$work/after-build")
  if [[ -n $extra ]]; then
    apt-get purge -y -q $extra >/dev/null
    apt-get autoremove --purge -y -q >/dev/null
  fi
  echo "   removed $(wc -w <<<"$extra") packages; the system has $(installed_packages | wc -l) again"
  ;;

install)
  cd "$work"
  deb=$(ls trevalin_*.deb)
  installed_packages >"$work/before-install"
  apt-get install -y -q "./$deb" >/dev/null
  came=$(comm -13 "$work/before-install" <(installed_packages) | grep -vx trevalin || true)
  echo "   $deb: $(stat -c %s "$deb") bytes, $(dpkg-query -W -f='${Installed-Size}' trevalin) KiB installed;" \
    "$(wc -l <<<"$came") packages came with it, among them" $(grep -E '^(libgl1|libglx|libglvnd|libopengl|libsdl|mesa-)' <<<"$came")
  dpkg -L trevalin >"$work/files"
  # What the program loads at run time that its linked libraries do not name.
  if ldd /usr/bin/trevalin | grep 'not found'; then exit 1; fi
  ldconfig -p | grep -q 'libGL\.so\.1 ' || { echo "libGL.so.1 is not installed with the package" >&2; exit 1; }
  ;;

run)
  # The tools of the check itself, not of the package.
  apt_install xvfb xauth xdotool x11-apps imagemagick
  cd /
  logs=$(mktemp -d)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$logs/display" 2>"$logs/xvfb" &
  server=$!
  trap 'kill "$server" 2>/dev/null || true' EXIT
  until_true 20 grep -q . "$logs/display" || { cat "$logs/xvfb" >&2; exit 1; }
  export DISPLAY=:$(head -n 1 "$logs/display")

  # Started by its name from /, as a menu or a terminal starts it.
  (cd / && exec trevalin </dev/null >"$logs/out" 2>"$logs/err") &
  app=$!
  # Until `wait` reaps it, an ended program is a zombie, which kill -0 still finds.
  ended() {
    local state
    state=$(cut -d' ' -f3 "/proc/$app/stat" 2>/dev/null) || return 0
    [[ -z $state || $state == Z ]]
  }
  window=""
  found_window() {
    window=$(xdotool search --onlyvisible --name '^Trevalin v0\.2$' 2>/dev/null | head -n 1) || true
    [[ -n $window ]] || ended
  }
  until_true 30 found_window || true
  if [[ -z $window ]]; then
    echo "no window; the program said:" >&2
    cat "$logs/out" "$logs/err" >&2
    exit 1
  fi

  # The window's pixels as the X server has them: the back face's centre and
  # a corner's clear colour, each as an "r g b" triple of 0..255.
  pixels() {
    xwd -silent -id "$window" | convert xwd:- -format \
      '%[fx:int(255*p{413,299}.r+0.5)] %[fx:int(255*p{413,299}.g+0.5)] %[fx:int(255*p{413,299}.b+0.5)] %[fx:int(255*p{5,5}.r+0.5)] %[fx:int(255*p{5,5}.g+0.5)] %[fx:int(255*p{5,5}.b+0.5)]' info: 2>/dev/null
  }
  # Whether a pixel shows a colour (0..1 each) in some clear shade, as the
  # program's lighting leaves it: the tests' rule.
  shows() {
    awk -v r="$1" -v g="$2" -v b="$3" -v R="$4" -v G="$5" -v B="$6" 'BEGIN {
      m = R; if (G > m) m = G; if (B > m) m = B
      c = r; if (g > c) c = g; if (b > c) c = b
      k = c / m
      d1 = r - k * R; d2 = g - k * G; d3 = b - k * B
      exit !(k > 60 && d1 < 12 && d1 > -12 && d2 < 12 && d2 > -12 && d3 < 12 && d3 > -12) }'
  }
  seen=""
  cube_shown() {
    seen=$(pixels) || return 1
    read -r br bg bb cr cg cb <<<"$seen" || return 1
    shows "$br" "$bg" "$bb" 1 1 0 && shows "$cr" "$cg" "$cb" 0.3 0.9 0.5
  }
  if ! until_true 30 cube_shown; then
    echo "the window does not show the cube: back face centre and corner are [$seen]" >&2
    exit 1
  fi
  echo "   window $window shows the cube: back face centre and corner (r g b): $seen"

  xdotool key --window "$window" Escape
  until_true 20 ended || { echo "Escape did not end the program" >&2; exit 1; }
  status=0
  wait "$app" || status=$?
  echo "   Escape ended it with status $status; it read its shaders from:"
  grep 'Load .* shader' "$logs/out" | sed 's/^/     /'
  grep -q 'Load vertex shader: /usr/share/trevalin/shader/basic.vert$' "$logs/out" ||
    { echo "the program did not read the installed shaders" >&2; exit 1; }
  if [[ -s $logs/err ]]; then
    echo "it wrote to standard error:" >&2
    cat "$logs/err" >&2
    exit 1
  fi
  [[ $status -eq 0 ]]
  ;;

remove)
  apt-get purge -y -q trevalin >/dev/null
  left=()
  while read -r path; do
    [[ $path == /. || ! -e $path ]] && continue
    # A folder that another package shares stays, rightly.
    dpkg -S "$path" >/dev/null 2>&1 || left+=("$path")
  done <"$work/files"
  status=$(dpkg-query -W -f='${Status}' trevalin 2>/dev/null || true)
  [[ -z $status || $status == *" not-installed" ]] || left+=("the package itself, $status")
  if ((${#left[@]})); then
    printf 'left after removal: %s\n' "${left[@]}" >&2
    exit 1
  fi
  echo "   none of its $(wc -l <"$work/files") paths is left but the folders other packages share"
  ;;

*)
  echo "package-steps.sh: no step $1" >&2
  exit 2
  ;;
esac
