#!/usr/bin/env bash
# Checks every C++ name against the one naming convention (.clang-tidy; docs/design.md,
# "Names") with clang-tidy over a configured build tree's compile commands.
# usage: scripts/check-names.sh [BUILD_DIR]   (default: build-asan, which has the fuzz targets)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-asan}
if [ ! -f "$dir/compile_commands.json" ]; then
  echo "check-names: $dir/compile_commands.json is missing; configure $dir first" >&2
  exit 2
fi
mapfile -t files < <(git ls-files '*.cpp')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy -p "$dir" -quiet -j "$(nproc 2>/dev/null || echo 2)" "${files[@]}" >"$log" 2>&1 || status=$?
if grep -q 'readability-identifier-naming' "$log"; then
  sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error):' | sort -u >&2
  exit 1
fi
if [ "$status" -ne 0 ]; then
  cat "$log" >&2
  exit 1
fi
echo "names: ${#files[@]} files follow the convention"
