#!/usr/bin/env bash
# Builds a Lazarus project and runs it on a virtual X display, capturing its
# standard output.
#
#   run_lazarus.sh [--package-link FILE.lpk]... [--no-build] PROJECT.lpi OUTFILE
#
# The project is built in its own directory (lazbuild -B, gtk2 widget set)
# with a fresh Lazarus configuration, so nothing of the user's ~/.lazarus is
# used; --package-link registers a package there first (a package the .lpi
# names without a usable DefaultFilename); --no-build runs the executable an
# earlier call built instead (one build, runs in several languages). The
# program then runs in the
# project's directory under Xvfb with the twm window manager (without a
# window manager the gtk2 LCL stalls for seconds when it creates a form),
# stdout to OUTFILE, stderr to OUTFILE.stderr. The program must end by
# itself within RUN_TIMEOUT seconds (default 60); the build gets
# BUILD_TIMEOUT (default 600). Environment variables such as POLYVERB_LANG
# pass through to the program.
#
# Exit codes: 0 the program ran and exited 0; 1 build or run failed (the
# message says which; the lazbuild log is OUTFILE.build.log); 2 usage;
# 77 lazbuild, Xvfb or twm is missing.
set -uo pipefail

usage() {
  echo "usage: run_lazarus.sh [--package-link FILE.lpk]... [--no-build] PROJECT.lpi OUTFILE" >&2
  exit 2
}

links=()
build=1
while (($#)); do
  case "$1" in
    --no-build)
      build=0
      shift ;;
    --package-link)
      (($# >= 2)) || usage
      links+=("$2")
      shift 2 ;;
    -h|--help)
      sed -n '2,/^set /p' "$0" | sed '$d; s/^# \{0,1\}//'
      exit 0 ;;
    -*) echo "run_lazarus.sh: unknown option $1" >&2; usage ;;
    *) break ;;
  esac
done
(($# == 2)) || usage
project=$1
out=$2

for tool in lazbuild Xvfb twm; do
  if ! command -v "$tool" >/dev/null; then
    echo "run_lazarus.sh: $tool is not installed" >&2
    exit 77
  fi
done
if [[ ! -f "$project" ]]; then
  echo "run_lazarus.sh: $project: no such project file" >&2
  exit 1
fi

project_dir=$(cd "$(dirname "$project")" && pwd)
project_file=$(basename "$project")
: >"$out" || exit 1
out=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")

work=$(mktemp -d)
xvfb_pid=""
twm_pid=""
cleanup() {
  [[ -n "$twm_pid" ]] && kill "$twm_pid" 2>/dev/null
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

if ((build)); then
  for lpk in "${links[@]}"; do
    if ! lazbuild --pcp="$work/pcp" --add-package-link "$lpk" >>"$out.build.log" 2>&1; then
      echo "run_lazarus.sh: cannot register package $lpk (see $out.build.log)" >&2
      exit 1
    fi
  done
  if ! (cd "$project_dir" &&
        timeout "${BUILD_TIMEOUT:-600}" lazbuild -B --pcp="$work/pcp" --ws=gtk2 "$project_file") \
        >>"$out.build.log" 2>&1; then
    echo "run_lazarus.sh: lazbuild failed on $project (see $out.build.log)" >&2
    exit 1
  fi
fi

# The executable: the .lpi's target file name, else the project's name.
target=$(sed -n '/<Target>/,/<\/Target>/s/.*<Filename Value="\([^"]*\)".*/\1/p' \
  "$project_dir/$project_file" | head -n 1)
[[ -n "$target" ]] || target=${project_file%.lpi}
[[ "$target" = /* ]] || target=$project_dir/$target
if [[ ! -x "$target" ]]; then
  echo "run_lazarus.sh: lazbuild made no executable $target" >&2
  exit 1
fi

# Xvfb picks a free display itself and writes its number to the pipe.
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/displayfd" \
  >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
read -r -t 20 display <"$work/displayfd"
if [[ -z "$display" ]]; then
  echo "run_lazarus.sh: Xvfb did not start: $(cat "$work/xvfb.log")" >&2
  exit 1
fi
export DISPLAY=":$display"
# twm places new windows itself instead of waiting, with the server grabbed,
# for a click that never comes; locale C, since without the X font packages
# it finds no font set for UTF-8 and exits.
printf 'RandomPlacement\nUsePPosition "on"\nNoGrabServer\n' >"$work/twmrc"
LC_ALL=C twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
twm_pid=$!
# twm has no readiness signal; it takes the display within a moment.
sleep 1
if ! kill -0 "$twm_pid" 2>/dev/null; then
  echo "run_lazarus.sh: twm did not start: $(cat "$work/twm.log")" >&2
  exit 1
fi

(cd "$project_dir" && timeout "${RUN_TIMEOUT:-60}" "$target") >"$out" 2>"$out.stderr"
rc=$?
if ((rc == 124)); then
  echo "run_lazarus.sh: $target did not end within ${RUN_TIMEOUT:-60} s" >&2
  exit 1
elif ((rc != 0)); then
  echo "run_lazarus.sh: $target exited with $rc (stderr in $out.stderr)" >&2
  exit 1
fi
exit 0
