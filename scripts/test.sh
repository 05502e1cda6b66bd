#!/usr/bin/env bash
# Sets up, builds and runs every test: the unit and end-to-end tests under a
# virtual X display on the installed SDL 1.2 and on the other one (SDL 1.2
# itself or sdl12-compat, whichever is not installed), then both again built
# with AddressSanitizer and UndefinedBehaviorSanitizer, then the PLY loader's
# fuzzer for a minute. Fails when any of them fails. TREVALIN_WERROR=ON turns
# compiler warnings into errors (CI does).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/lib.sh"
build="$root/build"
sanitized="$root/build-sanitize"
# The configure step's warnings are shown; only its progress is not. Tests and
# benchmarks are named, since scripts/run.sh leaves them out of the same build folder.
configure=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR="${TREVALIN_WERROR:-OFF}"
  -DTREVALIN_TESTS=ON -DTREVALIN_BENCHMARKS=ON --log-level=WARNING)

"$root/scripts/setup.sh" test
cmake -S "$root" -B "$build" "${configure[@]}"
cmake --build "$build" -j"$(nproc)"

# Which SDL 1.2 the programs load, as the library itself says: SDL 1.2 itself
# reports 1.2.15, sdl12-compat 1.2.50 and later. Honours LD_LIBRARY_PATH.
sdl_kind() {
  local version
  version=$("$build/tools/sdl_version")
  if ((${version##*.} >= 50)); then echo "sdl12-compat $version"; else echo "SDL 1.2 itself, $version"; fi
}
sdl_file() {
  readlink -f "$(ldd "$build/trevalin" | awk '$1 == "libSDL-1.2.so.0" { print $3 }')"
}

# A package and those of its dependencies, recursively, that are not
# installed; of alternatives only the first is followed.
not_installed_closure() {
  local -A seen=()
  local queue=("$1") p
  while ((${#queue[@]})); do
    p=${queue[0]} queue=("${queue[@]:1}")
    [[ -n ${seen[$p]:-} ]] && continue
    seen[$p]=1
    [[ $p == "$1" ]] || ! installed "$p" || continue
    echo "$p"
    queue+=($(apt-cache depends --no-recommends --no-suggests --no-conflicts --no-breaks \
      --no-replaces --no-enhances "$p" | awk '
        { alternative = follows; follows = ($1 == "|Depends:") }
        !alternative && ($1 == "Depends:" || $1 == "|Depends:") && $2 !~ /^</ { print $2 }'))
  done
}

# The other SDL 1.2 is fetched and unpacked with what it needs that the
# machine lacks, not installed, so that the system keeps its own and one
# machine tests both. Sets other_path (for LD_LIBRARY_PATH) and other_name;
# leaves other_path empty, with the reason in other_name, where the
# distribution has no other SDL 1.2. Fails when a fetch fails.
fetch_other_sdl() {
  local package want dir="$build/other-sdl"
  other_path="" other_name=""
  case $(sdl_kind) in
    sdl12-compat*) package=libsdl1.2debian want="SDL 1.2 itself" ;;
    *) package=libsdl1.2-compat want=sdl12-compat ;;
  esac
  if [[ -z $(apt-cache madison "$package" 2>/dev/null) ]]; then
    other_name="no package $package here, so no $want to test on"
    return 0
  fi
  rm -rf "$dir" && mkdir -p "$dir/root"
  (cd "$dir" && apt-get download -q $(not_installed_closure "$package")) >/dev/null ||
    { echo "Could not fetch $package: the tests cannot run on $want" >&2; return 1; }
  for deb in "$dir"/*.deb; do dpkg -x "$deb" "$dir/root"; done
  other_path=$(find "$dir/root" -name '*.so*' -printf '%h\n' | sort -u | paste -sd:)
  other_name=$(LD_LIBRARY_PATH=$other_path sdl_kind)
  if [[ $other_name != "$want"* ]]; then
    other_name="$package here is $other_name too: no $want to test on"
    other_path=""
  elif LD_LIBRARY_PATH=$other_path ldd "$build/trevalin" | grep 'not found' >&2; then
    echo "$package, unpacked in $dir, misses libraries" >&2
    return 1
  fi
}

# Runs the unit and end-to-end tests of a build folder, names the SDL they ran
# on and the tests that skipped themselves (with why), and gives their time.
suite() {
  local name=$1 dir=$2 start=$SECONDS status=0
  echo "== $name: on $(sdl_kind) from $(sdl_file)"
  run_tests "$dir" "${virtual_display[@]}" || status=$?
  echo "== $name: $([[ $status -eq 0 ]] && echo passed || echo FAILED) in $((SECONDS - start)) s"
  return $status
}

# The suite of a build folder on both SDLs, with the environment given after it.
both_sdls() {
  local name=$1 dir=$2
  shift 2
  # export with no names would list the whole environment.
  ([[ $# -eq 0 ]] || export "$@"; suite "Installed SDL$name" "$dir") || failed+=("installed SDL$name")
  if [[ -z $other_path ]]; then
    echo "== Other SDL$name: not applicable: $other_name"
  else
    ([[ $# -eq 0 ]] || export "$@"; export LD_LIBRARY_PATH="$other_path${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
     suite "Other SDL$name" "$dir") || failed+=("other SDL$name")
  fi
}

failed=()
fetch_other_sdl || failed+=("fetching the other SDL")
both_sdls "" "$build"

# Mesa's llvmpipe frees LLVM's memory with a mismatched allocator, and its
# driver would be unloaded before the leak check, leaving its leaks unnamed:
# it is kept loaded so that the suppressions can name it.
cmake -S "$root" -B "$sanitized" "${configure[@]}" -DCMAKE_CXX_COMPILER=clang++ \
  -DTREVALIN_SANITIZE=ON -DTREVALIN_BENCHMARKS=OFF
cmake --build "$sanitized" -j"$(nproc)"
both_sdls ", sanitizers" "$sanitized" ASAN_OPTIONS=alloc_dealloc_mismatch=0 UBSAN_OPTIONS=print_stacktrace=1 \
  LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  LD_PRELOAD="$(dpkg -L libgl1-mesa-dri | grep '/dri/swrast_dri\.so$')"

start=$SECONDS
"$root/scripts/fuzz.sh" 60 || failed+=("fuzzer")
echo "== Fuzzer: $((SECONDS - start)) s"

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "Failed: ${failed[*]}" >&2
  exit 1
fi
