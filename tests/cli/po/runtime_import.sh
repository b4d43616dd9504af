#!/usr/bin/env bash
# Imports fr.po into french.lng and reads it with the run-time units (pofrench.pas,
# compiled with fpc); the texts printed must be the translations.
#   runtime_import.sh POLYVERB FPC RUNTIME_DIR WORK_DIR
set -euo pipefail
polyverb=$1 fpc=$2 units=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"
cd "$work"
"$polyverb" lng add english.lng 1 'Hello' 2 'Good bye' 3 "It's \"quoted\"" 4 'Coffee' \
  5 "A longer sentence that a translator's tool wraps over more than one line of the PO file." \
  >/dev/null
"$polyverb" lng import english.lng "$here/fr.po" -o french.lng
"$fpc" -Mobjfpc -B -Cr -Co -Fu"$units" -FU"$work" -FE"$work" "$here/pofrench.pas" >fpc.log ||
  { cat fpc.log; exit 1; }
./pofrench >out.txt
diff -u "$here/pofrench.expected" out.txt
