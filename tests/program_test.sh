#!/usr/bin/env bash
# The program as a user meets it: on a private X server, driven with X input.
#   program_test.sh PROGRAM SOURCE_FOLDER CASE [RUNNER...]   (CASE: a case_ function below)
# RUNNER: the command that starts a Windows PROGRAM, Wine with its environment ending in "wine".
set -uo pipefail
source "$(dirname "$0")/../scripts/lib.sh"  # poll, x_server, named_window, cube_shown
exe=$1 src=$2 run=("${@:4}") server=()
# SDL for Windows has no x11 driver; a wineserver serves the X display it started on (or none), so
# each start gets a fresh one.
((${#run[@]})) && run=(env -u SDL_VIDEODRIVER "${run[@]}") server=("${run[@]:0:${#run[@]}-1}" wineserver)
build=$(dirname "$exe") work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait; new_wineserver; rm -rf "$work"' EXIT

skip() { printf '%s: Skipped\nneeds %s\n' "$0" "$*"; exit 77; }  # in GoogleTest's shape, which the test command reports
fail() {
  printf 'FAILED: %s\n--- stdout\n%s\n--- stderr\n%s\n' "$*" "$(cat "$work/out")" "$(cat "$work/err")"
  exit 1
}
new_wineserver() { ((!${#server[@]})) || { "${server[@]}" -k 2>/dev/null; "${server[@]}" -w; }; }
serve() {  # a private X server, with the options given
  x_server "$work" "$@" || fail "Xvfb did not start"
  export SDL_VIDEODRIVER=x11
}
start() {  # the program from the build folder, after the command given, if any
  new_wineserver
  (cd "$build" && exec timeout 120 "$@" "${run[@]}" "$exe" >"$work/out" 2>"$work/err") &
  app=$!
}
# Lines as Linux ends them: Windows' C runtime writes "\r\n".
ended() { wait "$app"; status=$?; sed -i 's/\r$//' "$work/out" "$work/err"; }
find_window() { poll 60 named_window || fail "no window"; }
said() { [[ $(grep -c "$1" "$work/out") == "$2" ]]; }
case_input_and_resize() {
  serve
  start apitrace trace --output "$work/run.trace"
  find_window
  [[ $(xdotool getwindowname "$win") == "Trevalin v0.2" ]] || fail "caption"
  xdotool getwindowgeometry "$win" | grep -q "Geometry: 800x600" || fail "size"
  poll 60 cube_shown || fail "no cube: $seen"
  for key in x space 1 2 3 4 r shift+y Z a Return; do xdotool key --window "$win" "$key" 2>/dev/null; done
  # The left button reports while held, whichever button the press is of.
  xdotool mousemove --window "$win" 400 300 mousedown 1
  poll 20 said MOUSE 1 || fail "left button"
  xdotool mousedown 3
  poll 20 said MOUSE 2 || fail "another button while the left is held"
  xdotool mouseup 3 mouseup 1 mousedown 3 mouseup 3
  # Events are handled in order: the resize's viewport is set before the quit.
  xdotool windowsize --sync "$win" 1000 500
  xdotool key --window "$win" q 2>/dev/null
  ended
  ((status == 0)) || fail "status $status"
  diff <(sed '1,/^____ Main: Init OK!$/d' "$work/out") <(printf 'Main: %s pressed:\n' x space 1 2 3 4 r y z
    printf 'Main: Left MOUSE button pressed:\n%.0s' 1 2) || fail "input lines"
  apitrace dump --color=never "$work/run.trace" 2>/dev/null | grep -v '// fake' >"$work/calls"  # not its own
  sed -n '/glCreateProgram(/,/glClear(/p' "$work/calls" >"$work/setup"
  [[ $(grep -oE 'gl(LinkProgram|BindAttribLocation|UseProgram)\(.*' "$work/setup" | sed -E 's/program = [0-9]+(, )?//' |
    tr '\n' ' ') == 'glLinkProgram() glBindAttribLocation(index = 0, name = "a_Vertex") '\
'glBindAttribLocation(index = 1, name = "a_Color") glLinkProgram() glUseProgram() ' ]] || fail "linking"
  grep -q 'glViewport(x = 0, y = 0, width = 1000, height = 500)' "$work/calls" || fail "viewport"
}

# $1: the key that ends the run, $2: the folder the shaders are read from, the rest: what runs it.
quit_with() {
  serve
  start "${@:3}"
  find_window
  poll 60 cube_shown || fail "no cube: $seen"
  xdotool key --window "$win" "$1" 2>/dev/null
  ended
  ((status == 0)) || fail "status $status"
  diff <(head -n 2 "$work/out") <(printf '____ Scene: Load %s shader: %s\n' vertex "$2/shader/basic.vert" \
    fragment "$2/shader/basic.frag") &&
    [[ $(grep -cxE '____ Main: Init OK!|Texture: _ID:[0-9A-Fa-fx]+ - unit:0|Vertices: 4162|Triangles: 6912' "$work/out") == 4 ]] || fail "start-up lines"
  [[ ! -s $work/err ]] || fail "standard error"
}
case_quit_with_q() { quit_with q "$src"; }
case_escape_from_elsewhere() { quit_with Escape "$src" env -C "$work"; }
case_escape_from_root() { quit_with Escape "$src" env -C /; }  # the installed program, as a menu starts it
# A private mount hides the build-time folder (and the sanitizers' suppressions, copied).
case_data_beside_the_program() {
  local parent=${src%/*} copy=$work/copy why
  why=$(unshare -m true 2>&1) || skip "a private mount: $why"
  [[ $work != "$parent"/* ]] || skip "a private mount over $parent, which holds $work"
  mkdir "$copy" && cp -r "$exe" "$build/shader" "$build/models" "$src/tests/lsan.supp" "$copy" || fail "copy"
  export LSAN_OPTIONS=${LSAN_OPTIONS:+${LSAN_OPTIONS//$src\/tests/$copy}}
  exe=$copy/${exe##*/} quit_with q "$copy" unshare -m sh -c 'mount -t tmpfs none "$0" && exec "$@"' "$parent"
}

# A start that fails: status 1, no "Init OK", standard error as the pattern $1; the rest runs it.
fails() {
  start "${@:2}"
  ended
  ((status == 1)) && ! grep -q "Init OK" "$work/out" && [[ $(cat "$work/err") == $1 ]] || fail "failed start"
}
case_no_glx() { serve -extension GLX && fails $'Main: Could not create the window\n?*'; }  # an X server without GLX
case_no_display() { fails $'Main: Could not initialize SDL\n?*' env DISPLAY= SDL_VIDEODRIVER=x11; }
case_no_bundle() {  # a copy started elsewhere: no folder it looks in holds the texture
  serve
  cp "$exe" "$work" && exe=$work/${exe##*/} fails $'Texture::Load - loading error\nMain: Error: Init failed!' env -C /
}

"case_$3"
