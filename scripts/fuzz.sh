#!/usr/bin/env bash
# Builds the PLY reader's fuzzer with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) in build-fuzz and runs it for N seconds
# (default 60) on a copy of the seed corpus. Exits non-zero on any finding.
#   scripts/fuzz.sh [seconds]
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTREVALIN_FUZZERS=ON -DTREVALIN_TESTS=OFF -DTREVALIN_BENCHMARKS=OFF --log-level=WARNING
cmake --build "$build" --target fuzz_ply -j"$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/fuzz/corpus" "$work/corpus"
mkdir -p "$work/findings"

status=0
(cd "$work" && "$build/fuzz/fuzz_ply" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$work/findings/" corpus) >"$work/log" 2>&1 || status=$?

executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log")
echo "fuzz_ply: ${executions:-?} executions in ${seconds} s"
if [[ $status -ne 0 ]] || compgen -G "$work/findings/*" >/dev/null; then
  tail -n 60 "$work/log"
  mkdir -p "$root/build-fuzz/findings"
  cp "$work"/findings/* "$root/build-fuzz/findings/" 2>/dev/null || true
  echo "fuzz_ply: finding (kept in build-fuzz/findings)" >&2
  exit 1
fi
