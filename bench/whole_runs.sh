#!/usr/bin/env bash
# Speed as users see it: polyverb run as whole processes on the same data as the simple
# tools beside it, outputs to regular files, LC_ALL=C for every command. Each row is the
# median of RUNS runs; the commands of a row are run in turns (A B A B ...), so a change
# in the machine's speed during the run touches all of them alike.
#
#   list     polyverb list --tsv over the Free Pascal sources, as many files (xargs) and
#            joined into one file, against grep -o for quoted literals; -j 2 against -j 1
#   lng      polyverb lng add (load and save, nothing added) of a 65,535-entry language
#            file, net of the same on an empty one (a fresh copy each run), against one
#            process writing the same bytes to a new file, fsync of it and its directory
#   start-up polyverb lng path English
#
# usage: bench/whole_runs.sh [-n RUNS] [--polyverb BIN] [--before BIN] [--sources DIR]
#   --polyverb BIN  the polyverb to measure (default: build/cli/polyverb)
#   --before BIN    also measure this polyverb (an older build) in the same turns
#   --sources DIR   Pascal sources (*.pas, *.pp) to list (default: /usr/share/fpcsrc)
# Needs a configured and built build/ (write_sync, the reference writer, is in bench/).
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

runs=5
polyverb=build/cli/polyverb
before=
sources=/usr/share/fpcsrc
write_sync=build/bench/write_sync
while (($#)); do
  case "$1" in
    -n) runs=$2; shift 2 ;;
    --polyverb) polyverb=$2; shift 2 ;;
    --before) before=$2; shift 2 ;;
    --sources) sources=$2; shift 2 ;;
    -h|--help) sed -n '2,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "whole_runs.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
for tool in "$polyverb" "$write_sync" ${before:+"$before"}; do
  [ -x "$tool" ] || { echo "whole_runs.sh: $tool is missing; build first" >&2; exit 2; }
done
polyverb=$(realpath "$polyverb")
write_sync=$(realpath "$write_sync")
[ -z "$before" ] || before=$(realpath "$before")

work=$(mktemp -d "${TMPDIR:-/tmp}/polyverb-whole-runs.XXXXXX")
trap 'rm -rf "$work"' EXIT

# ---- data ------------------------------------------------------------------------------
find "$sources" -type f \( -name '*.pas' -o -name '*.pp' \) | sort > "$work/files.txt"
file_count=$(wc -l < "$work/files.txt")
xargs -d '\n' cat < "$work/files.txt" > "$work/joined.pas"
joined_mb=$(( $(stat -c %s "$work/joined.pas") / 1000000 ))
# 65,535 entries of about 40 bytes, added in chunks that fit a command line.
"$polyverb" lng add "$work/empty.lng" > /dev/null
seq 1 65535 | awk '{ print $1; printf "String number %d of the table: xxxxxxxx\n", $1 }' |
  xargs -d '\n' -n 8000 -s 1000000 -x "$polyverb" lng add "$work/big.lng" > /dev/null
lng_kb=$(( $(stat -c %s "$work/big.lng") / 1000 ))

# ---- timing ----------------------------------------------------------------------------
# measure NAME COMMAND...: runs COMMAND (a function or program) and, unless this is the
# warm-up run, adds its wall time and its processes' CPU time (user + system, all the
# processes it waited for) in microseconds to the samples of NAME. EPOCHREALTIME is bash's
# own clock, and `times` a builtin: no process is started to read either.
declare -A wall cpu
children_cpu_us() {  # FILE: the children's CPU time that `times` wrote to FILE
  awk 'NR == 2 { n = 0; for (i = 1; i <= 2; i++) { split($i, p, /[ms]/); n += p[1] * 60 + p[2] }
    printf "%d", n * 1000000 }' "$1"
}
measure() {
  local name=$1 start end
  shift
  times > "$work/times0.txt"  # in this shell: a subshell would count none of its children
  start=${EPOCHREALTIME/./}
  "$@" || { echo "whole_runs.sh: '$*' failed" >&2; exit 1; }
  end=${EPOCHREALTIME/./}
  times > "$work/times1.txt"
  if ((run > 0)); then
    wall[$name]="${wall[$name]:-} $((end - start))"
    cpu[$name]="${cpu[$name]:-} $(($(children_cpu_us "$work/times1.txt") - $(children_cpu_us "$work/times0.txt")))"
  fi
}
median() {
  printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 }
    END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
ms() { awk -v us="$1" 'BEGIN { printf "%.1f", us / 1000 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

pattern="'\\([^']\\|''\\)*'"
grep_many() { xargs -d '\n' grep -o "$pattern" < "$work/files.txt" > "$work/out.txt"; }
grep_one() { grep -o "$pattern" "$work/joined.pas" > "$work/out.txt"; }
# list_many BIN [OPTION]...; an older polyverb without -j lists with one thread anyway.
list_many() { xargs -d '\n' "$@" < "$work/files.txt" > "$work/out.txt"; }
list_one() { "$@" "$work/joined.pas" > "$work/out.txt"; }
list_args() {  # list_args BIN JOBS: the words of a list --tsv call
  if "$1" list --help | grep -q -- '-j N'; then echo "$1 list --tsv -j $2"; else echo "$1 list --tsv"; fi
}
lng_add() { "$1" lng add "$2" > "$work/out.txt"; }
reference_write() {
  rm -f "$work/written.lng"
  "$write_sync" "$work/big.lng" "$work/written.lng" > "$work/write_us.txt"
}
lng_path() { "$1" lng path English > "$work/out.txt"; }

run=0
read -r -a after_j1 <<< "$(list_args "$polyverb" 1)"
read -r -a after_j2 <<< "$(list_args "$polyverb" 2)"
[ -z "$before" ] || read -r -a before_list <<< "$(list_args "$before" 1)"

echo "whole runs: $runs runs each, medians; $file_count sources ($joined_mb MB joined)," \
  "a $lng_kb kB language file; $(nproc) processors" >&2
for ((run = 0; run <= runs; run++)); do  # run 0 warms the caches and is not counted
  echo "  run $run of $runs" >&2
  measure grep_many grep_many
  measure list_many_j1 list_many "${after_j1[@]}"
  measure list_many_j2 list_many "${after_j2[@]}"
  [ -z "$before" ] || measure before_many list_many "${before_list[@]}"
  measure grep_one grep_one
  measure list_one_j1 list_one "${after_j1[@]}"
  measure list_one_j2 list_one "${after_j2[@]}"
  [ -z "$before" ] || measure before_one list_one "${before_list[@]}"
  for tag in after ${before:+before}; do
    bin=$polyverb; [ "$tag" = after ] || bin=$before
    cp "$work/big.lng" "$work/w_big.lng"
    cp "$work/empty.lng" "$work/w_empty.lng"
    measure "${tag}_lng_big" lng_add "$bin" "$work/w_big.lng"
    measure "${tag}_lng_empty" lng_add "$bin" "$work/w_empty.lng"
  done
  reference_write
  ((run == 0)) || wall[write_sync]="${wall[write_sync]:-} $(cat "$work/write_us.txt")"
  for ((s = 0; s < 5; s++)); do
    measure after_start lng_path "$polyverb"
    [ -z "$before" ] || measure before_start lng_path "$before"
  done
done

# ---- report ----------------------------------------------------------------------------
w() { median ${wall[$1]}; }
c() { median ${cpu[$1]}; }
verdict() { awk -v v="$1" -v goal="$2" -v op="$3" 'BEGIN {
  ok = (op == ">=") ? v >= goal : v <= goal; print ok ? "met" : "NOT met" }'; }
row() { printf '%-44s %9s %9s %7s %9s %9s %7s  %s\n' "$@"; }
# net NAME_BIG NAME_EMPTY MEDIAN_FUNCTION
net() { awk -v a="$($3 "$1")" -v b="$($3 "$2")" 'BEGIN { print a - b }'; }

many=$(ratio "$(w grep_many)" "$(w list_many_j1)")
one=$(ratio "$(w grep_one)" "$(w list_one_j1)")
many_j2=$(ratio "$(w list_many_j1)" "$(w list_many_j2)")
one_j2=$(ratio "$(w list_one_j1)" "$(w list_one_j2)")
lng_net=$(net after_lng_big after_lng_empty w)
lng_x=$(ratio "$lng_net" "$(w write_sync)")
start_ms=$(ms "$(w after_start)")

echo
echo "Medians in ms. wall: elapsed, the measure of the goals; cpu: user + system time of"
echo "the processes, which other work on the machine does not inflate. Speed ratio:"
echo "reference time / polyverb time."
row "" "wall" "" "" "cpu" "" "" ""
row "" polyverb reference ratio polyverb reference ratio goal
row "list --tsv -j 1, $file_count files (xargs)" "$(ms "$(w list_many_j1)")" \
  "$(ms "$(w grep_many)")" "${many}x" "$(ms "$(c list_many_j1)")" "$(ms "$(c grep_many)")" \
  "$(ratio "$(c grep_many)" "$(c list_many_j1)")x" \
  "grep -o: >= 1.3x $(verdict "$many" 1.3 ">=")"
row "list --tsv -j 1, one $joined_mb MB file" "$(ms "$(w list_one_j1)")" \
  "$(ms "$(w grep_one)")" "${one}x" "$(ms "$(c list_one_j1)")" "$(ms "$(c grep_one)")" \
  "$(ratio "$(c grep_one)" "$(c list_one_j1)")x" \
  "grep -o: >= 1.3x $(verdict "$one" 1.3 ">=")"
row "list --tsv -j 2 (reference -j 1), many files" "$(ms "$(w list_many_j2)")" \
  "$(ms "$(w list_many_j1)")" "${many_j2}x" "$(ms "$(c list_many_j2)")" \
  "$(ms "$(c list_many_j1)")" "" ">= 1.8x $(verdict "$many_j2" 1.8 ">=")"
row "list --tsv -j 2 (reference -j 1), one file" "$(ms "$(w list_one_j2)")" \
  "$(ms "$(w list_one_j1)")" "${one_j2}x" "$(ms "$(c list_one_j2)")" \
  "$(ms "$(c list_one_j1)")" "" "(one file is one job)"
row "lng add 65,535 entries, net of empty" "$(ms "$lng_net")" "$(ms "$(w write_sync)")" \
  "${lng_x}x" "$(ms "$(net after_lng_big after_lng_empty c)")" "" "" \
  "write+fsync: <= 3x $(verdict "$lng_x" 3 "<=")"
row "  lng add 65,535 entries / empty file" "$(ms "$(w after_lng_big)")" \
  "$(ms "$(w after_lng_empty)")" "" "$(ms "$(c after_lng_big)")" "$(ms "$(c after_lng_empty)")" "" ""
row "start-up: lng path English" "$start_ms" "" "" "$(ms "$(c after_start)")" "" "" \
  "< 10 ms $(verdict "$start_ms" 9.999 "<=")"
if [ -n "$before" ]; then
  echo
  echo "The same rows for --before $before (measured in the same turns; -j 1 where it has -j):"
  row "" "wall" "" "" "cpu" "" "" ""
  row "" before after ratio before after ratio ""
  for pair in "list, $file_count files:before_many:list_many_j1" \
    "list, one $joined_mb MB file:before_one:list_one_j1" "start-up:before_start:after_start"; do
    IFS=: read -r label b a <<< "$pair"
    row "$label" "$(ms "$(w "$b")")" "$(ms "$(w "$a")")" "$(ratio "$(w "$b")" "$(w "$a")")x" \
      "$(ms "$(c "$b")")" "$(ms "$(c "$a")")" "$(ratio "$(c "$b")" "$(c "$a")")x" ""
  done
  before_net=$(net before_lng_big before_lng_empty w)
  row "lng add, net of empty" "$(ms "$before_net")" "$(ms "$lng_net")" \
    "$(ratio "$before_net" "$lng_net")x" "$(ms "$(net before_lng_big before_lng_empty c)")" \
    "$(ms "$(net after_lng_big after_lng_empty c)")" "" ""
fi
