#!/usr/bin/env bash
# Cost of a checkpoint and of a restart's read, as ratios to the run's time
# per step: Euler with the exact Riemann flux (problem 16, subproblem 3) at
# order 2 on structured quadrilateral meshes of the unit square.
#
#   bench/checkpoint_bench.sh [dg] [dg_meshgen] [core] [sizes...]
#
# dg and dg_meshgen default to build/dg and build/tests/dg_meshgen; core (the
# processor the runs are pinned to) defaults to 0; sizes default to 128 256
# (590k and 2.4M degrees of freedom). Each figure is the best of 3 runs.
#
#   step   median processor time of the plain iterations (DG.log column 7)
#   write  the iteration that writes "dg-recov-8.dat" minus a plain one
#   restart  processor time of a restart from that file that stops before
#          its first step ("-restart 8 -tend 0"): start, read, set-up and
#          teardown of the process
#   fresh  the same of a fresh start that stops there ("-tend 0")
#   read   restart minus fresh: the set-ups differ only in where the
#          solution comes from (recovery file, or mesh file and projection),
#          and both build the same cells and tear the same process down.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
dg=$(realpath "${1:-$here/build/dg}")
meshgen=$(realpath "${2:-$here/build/tests/dg_meshgen}")
core=${3:-0}
shift $(( $# < 3 ? $# : 3 ))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(128 256)
runs=3
period=8

work=$(mktemp -d /tmp/checkpoint_bench.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Processor time (user + system) of a command, in seconds.
cputime() {
  local TIMEFORMAT='%U %S'
  { time "$@" >/dev/null 2>&1; } 2>&1 | awk '{print $1 + $2}'
}

min() { sort -g | head -1; }

printf "%6s %9s %8s %8s %6s %8s %6s %8s %6s %8s %6s\n" cells dofs step/s \
  write/s steps restart steps fresh steps read/s steps
for n in "${sizes[@]}"; do
  dir=$work/$n
  mkdir -p "$dir"
  cd "$dir"
  "$meshgen" quad "$n" "$n" 0 1 0 1 q.msh >/dev/null
  cp q.msh t.msh
  printf "time.recoverSamplingPeriod %d\n" "$period" > .dgrc
  # About 2 * period + 1 steps (the stable step scales with the cell size).
  tend=$(awk -v n="$n" 'BEGIN { printf "%.6g", 1.3 / n }')
  run=(taskset -c "$core" "$dg" q.msh -problem 16 -subproblem 3 -order 2 -outputdt 0)

  steps=() writes=() restarts=() freshes=()
  for ((r = 0; r < runs; ++r)); do
    rm -f DG.log dg-recov-*.dat
    "${run[@]}" -tend "$tend" >/dev/null 2>&1
    # The checkpoint of iteration 8 is written in the step logged as 9.
    step=$(awk -v c=$((period + 1)) 'NR > 2 && $2 != c {print $7}' DG.log | sort -g |
      awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}')
    write=$(awk -v c=$((period + 1)) -v s="$step" '$2 == c {print $7 - s}' DG.log)
    dofs=$(awk 'NR == 1 {print $1}' DG.log)
    steps+=("$step")
    writes+=("$write")
    restarts+=("$(cputime "${run[@]}" -tend 0 -restart "$period")")
    freshes+=("$(cputime "${run[@]}" -tend 0)")
  done
  step=$(printf "%s\n" "${steps[@]}" | min)
  write=$(printf "%s\n" "${writes[@]}" | min)
  restart=$(printf "%s\n" "${restarts[@]}" | min)
  fresh=$(printf "%s\n" "${freshes[@]}" | min)
  awk -v n="$n" -v d="$dofs" -v s="$step" -v w="$write" -v r="$restart" -v f="$fresh" 'BEGIN {
    printf "%6d %9d %8.4f %8.4f %6.1f %8.3f %6.1f %8.3f %6.1f %8.3f %6.1f\n", n * n, d, s,
      w, w / s, r, r / s, f, f / s, r - f, (r - f) / s }'
  cd "$work"
done
