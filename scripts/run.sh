#!/usr/bin/env bash
# Sets up, builds and runs Trevalin. With no display at hand it runs on a
# virtual one, saves a screenshot of the window after about two seconds, closes
# it with Escape and says where the picture is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/setup.sh" run
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTREVALIN_TESTS=OFF \
  -DTREVALIN_BENCHMARKS=OFF --log-level=WARNING
cmake --build "$build" -j"$(nproc)" --target trevalin

cd "$build"  # the texture's bundle folder is staged here
if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  exec ./trevalin
fi

shot="$build/screenshot.png"
# -noreset: a probe that disconnects before the program connects would make
# the server reset under it.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash -c '
  ./trevalin & pid=$!
  window=""
  for _ in $(seq 100); do
    # SDL replaces its first window when it sets the OpenGL mode: only the
    # visible one with the caption is the real one.
    window=$(xdotool search --onlyvisible --name "^Trevalin v0\.2$" 2>/dev/null | head -n 1) || true
    [[ -n "$window" ]] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$window" ]]; then wait "$pid"; exit $?; fi
  sleep 2
  xwd -silent -id "$window" | convert xwd:- "$1"
  xdotool key --window "$window" Escape 2>/dev/null
  wait "$pid"
' _ "$shot"
echo "Screenshot of the window: $shot"
