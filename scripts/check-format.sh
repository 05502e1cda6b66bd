#!/usr/bin/env bash
# Checks that every tracked C++ file under src, app, tests, bench, fuzz and
# tools is laid out as .clang-format says, by Debian 12's clang-format
# (version 14): lists those that are not and fails if there is any. Other
# major versions lay out some code differently, so with one of them the check
# says so and passes rather than flag what version 14 accepts.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
want=14

format=""
for candidate in "clang-format-$want" clang-format; do
  if command -v "$candidate" >/dev/null; then
    format=$candidate
    break
  fi
done
[[ -n $format ]] || { echo "check-format: no clang-format here (scripts/setup.sh installs it)" >&2; exit 1; }
version=$("$format" --version | sed -n 's/.*clang-format version \([0-9]*\).*/\1/p')
if [[ $version != "$want" ]]; then
  echo "check-format: $format is version ${version:-unknown}, not $want: not checked"
  exit 0
fi

cd "$root"
git rev-parse --is-inside-work-tree >/dev/null 2>&1 ||
  { echo "check-format: $root is not a git checkout, so no tracked files to check" >&2; exit 1; }
mapfile -t files < <(git ls-files -- {src,app,tests,bench,fuzz,tools}/'*'.{cpp,h})
unformatted=()
for file in "${files[@]}"; do
  "$format" --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
  echo "check-format: ${#unformatted[@]} of ${#files[@]} files not formatted ($format -i FILE... formats them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "check-format: all ${#files[@]} files formatted"
