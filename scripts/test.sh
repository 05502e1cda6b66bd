#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit and end-to-end tests under a
# virtual X display, then the PLY loader's fuzzer for a minute.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

cd "$build"
# -noreset: the server would otherwise reset whenever its last client left, and
# refuse the next test's connection while it does.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j"$(nproc)"

if [[ -x "$root/scripts/fuzz.sh" ]]; then
  "$root/scripts/fuzz.sh" 60
fi
