#!/usr/bin/env bash
# Convergence of the three-dimensional discretisation on Gmsh hexahedra and
# tetrahedra: the smooth steady advection of tests/dg/steady_advection3d.h
# (u = sin(pi (x - 2y)) cos(pi (y - 2z)), velocity (1, 1/2, 1/4), the unit
# cube) run to t = TEND by the solver's time stepping, and its L2 error
# against the exact solution. The forward Euler steps converge to the
# discrete steady state, whatever their size, so the table shows the space
# error alone; the observed rate should be near p + 1.
#
#   bench/convergence3d.sh [driver] [core] [hex-orders] [tet-orders] [sizes]
#
# driver defaults to build/bench/convergence3d; core (the processor the runs
# are pinned to) to 0; hex-orders to "1 2 3 4 5", tet-orders to
# "1 2 3 4 5 6" (an empty list skips the table); sizes (cells along an edge: h = 1/N) to "2 4 8".
# TEND (default 1.5) and CFL (default 0.1) come from the environment: at
# CFL 0.3 the start of orders 4 and 5 on 8^3 hexahedra had not yet died
# away by t = 1.5 (forward Euler steps amplify it for a while), at 0.1 the
# errors are the steady ones.
# Meshes are made with gmsh from tests/data/unit_cube_cells.geo (transfinite
# and recombined for hexahedra; the same cubes split into six tetrahedra).
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
driver=$(realpath "${1:-$here/build/bench/convergence3d}")
core=${2:-0}
hexOrders=${3-"1 2 3 4 5"}
tetOrders=${4-"1 2 3 4 5 6"}
sizes=${5:-"2 4 8"}
tend=${TEND:-1.5}
cfl=${CFL:-0.1}
geo=$here/tests/data/unit_cube_cells.geo

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

pin() {
  if command -v taskset >/dev/null; then taskset -c "$core" "$@"; else "$@"; fi
}

mesh() {  # kind (1 hexahedra, 0 tetrahedra), N; prints the file name
  local f="$work/cube-$1-$2.msh"
  [ -f "$f" ] || gmsh -3 -format msh1 -setnumber N "$2" -setnumber Hex "$1" "$geo" -o "$f" >/dev/null
  echo "$f"
}

table() {  # kind name orders
  local kind=$1 name=$2 orders=$3 p n line prev prevn
  [ -n "$orders" ] || return 0
  printf '\n%s (t = %s, CFL %s)\n' "$name" "$tend" "$cfl"
  printf '%3s %8s %7s %9s %7s %14s %6s\n' p h cells dofs steps "L2 error" rate
  for p in $orders; do
    prev="" prevn=""
    for n in $sizes; do
      line=$(pin "$driver" "$(mesh "$kind" "$n")" "$p" "$tend" "$cfl")
      set -- $line
      awk -v p="$p" -v n="$n" -v c="$1" -v d="$2" -v s="$3" -v e="$5" -v prev="$prev" -v pn="$prevn" 'BEGIN {
        rate = prev == "" ? "-" : sprintf("%.2f", log(prev / e) / log(n / pn))
        printf "%3d %8.5f %7d %9d %7d %14.4e %6s\n", p, 1.0 / n, c, d, s, e, rate }'
      prev=$5 prevn=$n
    done
  done
}

table 1 "Hexahedra" "$hexOrders"
table 0 "Tetrahedra" "$tetOrders"
