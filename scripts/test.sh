#!/usr/bin/env bash
# Sets everything up and runs the whole test suite: the format and naming checks, the
# release build's tests, then the AddressSanitizer + UndefinedBehaviorSanitizer build's
# tests, which include the fuzz targets. CI runs this.
#   --release   the release build's tests alone (a quick local loop)
set -euo pipefail
cd "$(dirname "$0")/.."

release_only=0
for arg in "$@"; do
  case "$arg" in
    --release) release_only=1 ;;
    -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "test.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

jobs=$(nproc 2>/dev/null || echo 2)
if ((release_only)); then
  scripts/setup.sh
  exec ctest --test-dir build --output-on-failure -j"$jobs"
fi

scripts/setup.sh --asan
status=0
echo "== format"
scripts/format.sh --check || status=1
echo "== names"
scripts/check-names.sh build-asan || status=1
echo "== release build"
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== sanitizer build (ASan + UBSan, fuzzing)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" || status=1
exit $status
