#!/usr/bin/env bash
# The browser's figures beside their references, each pair measured in one
# run: the PLY reader in WebAssembly in headless Chromium against the native
# build on the same file, and the page's load to its first frame against a
# bare Emscripten SDL page that compiles the same shaders. Debian 12, after
# scripts/test-web.sh, which leaves the page and playwright-core in build-web/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
web="$root/build-web"
native="$root/build-bench"
ply=/tmp/trevalin_bench_load.ply
export NODE_PATH=/usr/share/nodejs  # for emcc's own scripts

[[ -f $web/site/index.html && -d $web/node/node_modules ]] ||
  { echo "bench-web: no page in $web; run scripts/test-web.sh first" >&2; exit 1; }

step "Native reader"
"$root/scripts/setup.sh" test
cmake -S "$root" -B "$native" -DCMAKE_BUILD_TYPE=Release -DTREVALIN_TESTS=OFF \
  -DTREVALIN_BENCHMARKS=ON --log-level=WARNING
cmake --build "$native" -j"$(nproc)" --target bench_ply_load >/dev/null
rm -f "$ply"  # made again by the native run, the same bytes everywhere
native_line=$("$native/bench/bench_ply_load" "$ply" 20)
done_step

step "Reader and bare page for the browser"
emcmake cmake -S "$root" -B "$web/bench" -DCMAKE_BUILD_TYPE=Release -DTREVALIN_TESTS=OFF \
  -DTREVALIN_BENCHMARKS=ON -DBENCH_PLY_FILE="$ply" >/dev/null
cmake --build "$web/bench" -j"$(nproc)" --target bench_ply_load bare_page >/dev/null
web_line=$(NODE_PATH=$web/node/node_modules node "$root/tests/web/driver.js" \
  "$web/bench/bench/bench_ply_load.js" "$ply" 20)
done_step

step "PLY reader, WebAssembly in Chromium against native"
echo "   native:  $native_line"
echo "   browser: $web_line"
ms() { sed -n 's/.*: \([0-9.]*\) ms$/\1/p' <<<"$1"; }
awk -v w="$(ms "$web_line")" -v n="$(ms "$native_line")" 'BEGIN { printf "   ratio %.2f\n", w / n }'
done_step

step "Page load to first frame, against the bare SDL page"
NODE_PATH=$web/node/node_modules node "$root/bench/web_first_frame.js" "$web/site" "$web/bench/bench" 21 |
  sed 's/^/   /'
done_step
