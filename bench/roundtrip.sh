#!/usr/bin/env bash
# Convert, then restore, a tree of Pascal sources with the polyverb command line, and
# compare the result with the original (restore_check): every literal of every unit and
# program is converted (process --mark all, one language file per directory, so that no
# directory runs out of numbers), then every number is restored.
#   bench/roundtrip.sh [SOURCE_DIR] [WORK_DIR]   (default /usr/share/fpcsrc, a temporary one)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${POLYVERB_BUILD:-$here/../build}
polyverb=$build/cli/polyverb
check=$build/bench/restore_check
source_dir=${1:-/usr/share/fpcsrc}
work=${2:-$(mktemp -d)}
mkdir -p "$work"
rm -rf "$work/tree" "$work/langs"
cp -r "$source_dir" "$work/tree"
mkdir -p "$work/langs"
cd "$work/tree"
# One language file per directory: the files of a directory share their numbers.
find . -type d | sort | while read -r dir; do
  mapfile -t files < <(find "$dir" -maxdepth 1 -type f ! -type l \
    \( -iname '*.pas' -o -iname '*.pp' -o -iname '*.inc' -o -iname '*.lpr' -o -iname '*.dpr' \) | sort)
  ((${#files[@]})) || continue
  lang="$work/langs/$(echo "$dir" | md5sum | cut -c1-16)"
  # A file the command refuses (not text, for example) stops a run over several files: then
  # the directory's files go one by one, each refused one reported and left as it is.
  if ! "$polyverb" process --lang "$lang" --mark all "${files[@]}" >"$work/process.out" \
      2>>"$work/process.err"; then
    for f in "${files[@]}"; do
      "$polyverb" process --lang "$lang" --mark all "$f" >>"$work/process.out" \
        2>>"$work/process.err" || true
    done
  fi
  [ -f "$lang.lng" ] || continue
  # An include file in another directory took its numbers from this language file: it is
  # restored with it.
  mapfile -t included < <(sed -n 's/^.*: include file \(.*\) rewritten, [0-9]* of its literals replaced$/\1/p' \
    "$work/process.out" | sort -u)
  "$polyverb" restore --lang "$lang" "${files[@]}" "${included[@]}" >/dev/null \
    2>>"$work/restore.err" || true
done
echo "process messages: $(wc -l <"$work/process.err" 2>/dev/null || echo 0), restore messages: $(wc -l <"$work/restore.err" 2>/dev/null || echo 0) (in $work)"
"$check" "$source_dir" "$work/tree"
