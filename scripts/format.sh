#!/usr/bin/env bash
# Formats the C++ sources with the project's .clang-format; --check only reports the files
# that differ and exits 1 when there are any (CI runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."
mode=fix
case "${1:-}" in
  --check) mode=check ;;
  "") ;;
  -h|--help) echo "usage: scripts/format.sh [--check]"; exit 0 ;;
  *) echo "format.sh: unknown option $1" >&2; exit 2 ;;
esac
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "$mode" = check ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format wants them"
else
  clang-format -i "${files[@]}"
fi
