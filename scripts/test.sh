#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit and end-to-end tests under a
# virtual X display on the installed SDL 1.2, again on sdl12-compat, again
# built with AddressSanitizer and UndefinedBehaviorSanitizer, then the PLY
# loader's fuzzer for a minute. Fails when any of them fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

# The libSDL-1.2.so.0 that a program of the given build folder loads, and
# the package it came from when it was installed.
sdl_of() {
  local lib pkg
  lib=$(readlink -f "$(ldd "$1/trevalin" | awk '$1 == "libSDL-1.2.so.0" {print $3}')")
  pkg=$(dpkg -S "$lib" 2>/dev/null | cut -d: -f1) || true
  echo "$lib${pkg:+ (package $pkg $(dpkg-query -W -f='${Version}' "$pkg"))}"
}

# Runs the unit and end-to-end tests of a build folder and says on which SDL
# and how long they took.
suite() {
  local name=$1 dir=$2 start=$SECONDS status=0
  echo "== $name: SDL 1.2 from $(sdl_of "$dir")"
  # -noreset: the server would otherwise reset whenever its last client left,
  # and refuse the next test's connection while it does.
  (cd "$dir" && xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j"$(nproc)") ||
    status=$?
  echo "== $name: $([[ $status -eq 0 ]] && echo passed || echo FAILED) in $((SECONDS - start)) s"
  return $status
}

suite "Installed SDL" "$build"

failed=()

# sdl12-compat's library is fetched and unpacked, not installed, so the system
# keeps its own SDL and one machine tests both.
compat="$build/sdl12-compat"
rm -rf "$compat" && mkdir -p "$compat"
if (cd "$compat" && apt-get download -q libsdl1.2-compat) && dpkg -x "$compat"/libsdl1.2-compat_*.deb "$compat"; then
  lib=$(dirname "$(find "$compat" -name libSDL-1.2.so.0 | head -n 1)")
  if [[ $(LD_LIBRARY_PATH="$lib" sdl_of "$build") == "$compat"/* ]]; then
    LD_LIBRARY_PATH="$lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" suite "sdl12-compat" "$build" ||
      failed+=("sdl12-compat")
  else
    echo "The program does not load sdl12-compat from $lib" >&2
    failed+=("sdl12-compat")
  fi
else
  echo "Could not fetch libsdl1.2-compat: the tests did not run on sdl12-compat" >&2
  failed+=("sdl12-compat")
fi

# Mesa's llvmpipe frees LLVM's memory with a mismatched allocator, and its
# driver would be unloaded before the leak check, leaving its leaks unnamed:
# it is kept loaded so that the suppressions can name it.
sanitized="$root/build-sanitize"
cmake -S "$root" -B "$sanitized" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTREVALIN_SANITIZE=ON -DTREVALIN_BENCHMARKS=OFF >/dev/null
cmake --build "$sanitized" -j"$(nproc)"
ASAN_OPTIONS=alloc_dealloc_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  LD_PRELOAD="$(dpkg -L libgl1-mesa-dri | grep '/dri/swrast_dri\.so$')" \
  suite "Sanitizers" "$sanitized" || failed+=("sanitizers")

if [[ -x "$root/scripts/fuzz.sh" ]]; then
  start=$SECONDS
  "$root/scripts/fuzz.sh" 60 || failed+=("fuzzer")
  echo "== Fuzzer: $((SECONDS - start)) s"
fi

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
