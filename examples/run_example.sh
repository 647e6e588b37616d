#!/bin/sh
# Runs one example case with a given solver binary into an output folder.
#
#   examples/run_example.sh DG_BINARY CASE OUTPUT_DIR [extra options ...]
#
# CASE is the name of a folder of examples/ (burgers, shock-tube, bow-shock,
# isentropic-vortex, scalar-advection) or the path of such a folder. The
# case's mesh is copied into OUTPUT_DIR (created when missing) and the solver
# runs there with the case's options followed by the extra ones (a later
# option overrides an earlier one, e.g. "-tend 0.01" for a short run). When
# the case has a file "stdin", it is the solver's standard input. A case
# given by a parameter file (a file ending in ".par" instead of "options") is
# copied too and is the solver's only argument: it takes no extra options.
# Nothing is built. The exit status is the solver's.
set -eu

if [ "$#" -lt 3 ]; then
  echo "usage: $0 DG_BINARY CASE OUTPUT_DIR [extra options ...]" >&2
  exit 2
fi
dg=$1
case_name=$2
out=$3
shift 3

here=$(cd "$(dirname "$0")" && pwd)
if [ -d "$case_name" ]; then
  case_dir=$(cd "$case_name" && pwd)
elif [ -d "$here/$case_name" ]; then
  case_dir="$here/$case_name"
else
  echo "$0: no example named $case_name" >&2
  exit 2
fi
case "$dg" in
  /*) ;;
  *) dg="$(pwd)/$dg" ;;
esac
if [ ! -x "$dg" ]; then
  echo "$0: $dg is not an executable" >&2
  exit 2
fi

mesh=""
for m in "$case_dir"/*.msh; do
  if [ -f "$m" ]; then mesh=$(basename "$m"); break; fi
done
if [ -z "$mesh" ]; then
  echo "$0: the case $case_dir has no .msh file" >&2
  exit 2
fi

par=""
for f in "$case_dir"/*.par; do
  if [ -f "$f" ]; then par=$(basename "$f"); break; fi
done
if [ -n "$par" ] && [ "$#" -gt 0 ]; then
  echo "$0: the case $case_name is a parameter file ($par): change the file instead of giving options" >&2
  exit 2
fi

mkdir -p "$out"
cp "$case_dir"/*.msh "$out"/
input=/dev/null
if [ -f "$case_dir/stdin" ]; then input="$case_dir/stdin"; fi
if [ -n "$par" ]; then
  cp "$case_dir/$par" "$out"/
  cd "$out"
  exec "$dg" "$par" < "$input"
fi
options=$(cat "$case_dir/options")

cd "$out"
# shellcheck disable=SC2086  # the options are a word list
exec "$dg" "$mesh" $options "$@" < "$input"
