#!/usr/bin/env bash
# Sets up, then runs the Polyverb wizard on a copy of the bundled example project
# (examples/demo) through the IDE stand-in, answering it as a person accepting the
# defaults would, and shows what changed: the forms, the rewritten sources and the
# written language file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/polyverb-demo-XXXXXX")
cp -r examples/demo "$work/before"
cp -r examples/demo "$work/after"
cd "$work/after"

echo "== polyverb-ide --yes Shop.dpr on a copy of examples/demo ($work/after)"
status=0
"$root/build/host/polyverb-ide" --yes Shop.dpr || status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then
  echo "demo: polyverb-ide failed (exit status $status)" >&2
  exit "$status"
fi

echo
echo "== what changed (line ends aside)"
diff -ru --strip-trailing-cr "$work/before" "$work/after" || true

echo
echo "== polyverb lng show english.lng"
"$root/build/cli/polyverb" lng show english.lng
