#!/usr/bin/env bash
# Sets up, then runs Polyverb on a copy of the bundled example project (examples/demo)
# and shows what changed: the rewritten sources and the written language file.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
scripts/setup.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/polyverb-demo-XXXXXX")
cp -r examples/demo "$work/before"
cp -r examples/demo "$work/after"
cd "$work/after"

echo "== polyverb process --lang English on a copy of examples/demo ($work/after)"
"$root/build/cli/polyverb" process --lang English Shop.dpr Main.pas About.pas Prices.pas

echo
echo "== what changed (line ends aside)"
diff -ru --strip-trailing-cr "$work/before" "$work/after" || true

echo
echo "== polyverb lng show english.lng"
"$root/build/cli/polyverb" lng show english.lng
