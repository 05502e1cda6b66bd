#!/usr/bin/env bash
# Sets up, builds and runs Trevalin. With no display at hand it runs on a
# private X server, saves a screenshot of the window once it shows the cube,
# closes it with Escape and says where the picture is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
build="$root/build"

"$root/scripts/setup.sh" run
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVALIN_TESTS=OFF \
  -DTREVALIN_BENCHMARKS=OFF --log-level=WARNING
cmake --build "$build" -j"$(nproc)" --target trevalin

cd "$build"  # the texture's bundle folder is staged here
if display_answers; then
  exec ./trevalin
fi

shot="$build/screenshot.png" work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
x_server "$work" || { cat "$work/xvfb" >&2; exit 1; }
./trevalin &
program=$!
ended() { ! kill -0 "$program" 2>/dev/null; }
showing() { ended || { named_window && cube_shown; }; }
poll 60 showing || { echo "run: the window does not show the cube (${seen:-no window})" >&2; exit 1; }
ended && { wait "$program"; exit; }  # it could not start: its status is the script's
xwd -silent -id "$win" | convert xwd:- "$shot"
xdotool key --window "$win" Escape 2>/dev/null
wait "$program"
echo "Screenshot of the window: $shot"
