#!/usr/bin/env bash
# Builds the web page and its tests with Emscripten in build-web/ and runs
# them in headless Chromium through playwright-core; leaves the page to
# publish in build-web/site/. Debian 12, as root.
#
# GoogleTest built for the web and playwright-core are kept in
# build-web/deps and build-web/node for later runs. Each step prints its time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
out="$root/build-web"
deps="$out/deps"
node_modules="$out/node/node_modules"

[[ $(id -u) -eq 0 ]] || { echo "test-web: needs root (apt-get)" >&2; exit 1; }

step "Packages"
packages=(cmake make emscripten libstb-dev googletest chromium nodejs ca-certificates)
command -v npm >/dev/null || packages+=(npm)  # a machine's own npm is kept
need "${packages[@]}"
# emcc's own scripts need Debian's Node modules, whichever node runs them.
export NODE_PATH=/usr/share/nodejs
echo "   $(emcc --version | head -n 1), node $(node --version), $(chromium --version)"
done_step

mkdir -p "$deps"
if [[ ! -f $deps/gtest.done ]]; then
  step "GoogleTest from /usr/src/googletest, for the web"
  rm -rf "$deps/build-gtest"
  (emcmake cmake -S /usr/src/googletest -B "$deps/build-gtest" -DCMAKE_BUILD_TYPE=Release \
     -DCMAKE_CXX_FLAGS=-fexceptions -DCMAKE_INSTALL_PREFIX="$deps/gtest" &&
     cmake --build "$deps/build-gtest" -j"$(nproc)" && cmake --install "$deps/build-gtest") \
    >"$deps/gtest.log" 2>&1 || { echo "test-web: GoogleTest's build failed; see $deps/gtest.log" >&2; exit 1; }
  touch "$deps/gtest.done"
  done_step
fi

step "playwright-core, as package-lock.json pins it"
mkdir -p "$out/node"
cp "$root/tests/web/package.json" "$root/tests/web/package-lock.json" "$out/node/"
if ! cmp -s "$out/node/package-lock.json" "$out/node/installed.json" 2>/dev/null; then
  (cd "$out/node" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$out/node/package-lock.json" "$out/node/installed.json"
fi
done_step

step "Build of the page and its tests"
emcmake cmake -S "$root" -B "$out" -DCMAKE_BUILD_TYPE=Release -DTREVALIN_BENCHMARKS=OFF \
  -DCMAKE_FIND_ROOT_PATH="$deps/gtest" \
  -DCMAKE_CROSSCOMPILING_EMULATOR="env;NODE_PATH=$node_modules;node;$root/tests/web/driver.js" \
  -DCMAKE_COMPILE_WARNING_AS_ERROR="${TREVALIN_WERROR:-OFF}" >/dev/null
cmake --build "$out" -j"$(nproc)"
done_step

step "Tests in headless Chromium"
status=0
run_tests "$out" || status=$?
done_step
((status == 0)) || { echo "== Web tests FAILED" >&2; exit 1; }

step "The page in $out/site"
ls -l "$out/site" | awk 'NR > 1 { printf "   %-14s %9d bytes\n", $9, $5 }'
done_step
echo "== Web tests passed"
