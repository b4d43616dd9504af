#!/usr/bin/env bash
# Sets everything up and runs the whole test suite twice: the release build, then the
# AddressSanitizer + UndefinedBehaviorSanitizer build, which also runs the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --asan

jobs=$(nproc 2>/dev/null || echo 2)
status=0
echo "== release build"
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== sanitizer build (ASan + UBSan, fuzzing)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs" || status=1
exit $status
