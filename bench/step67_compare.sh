#!/bin/sh
# Time per degree of freedom per explicit stage of 2-D Euler, this program
# against deal.II's step-67 tutorial (matrix-free explicit DG, a peer code),
# one after the other on one core.
#
#   bench/step67_compare.sh BUILD_DIR [WORK_DIR]
#
# BUILD_DIR holds this program's stage_bench (Release build). Cases: orders 2
# and 3, quadrilaterals (a structured grid) and triangles (Gmsh, frontal
# Delaunay on the unit square), at about 150k and 600k dofs. step-67 is built
# from the examples of Debian's libdeal.ii-doc (apt-get install libdeal.ii-dev
# libdeal.ii-doc) with DEAL_II_NUM_THREADS=1, its degree and mesh set to match;
# when it is missing, only this program is measured. step-67 runs its own 2-D
# vortex case with its five-stage low-storage Runge-Kutta scheme; its time per
# stage is the "rk time stepping total" wall time over steps times stages.
# Memory: peak resident set (/usr/bin/time -v) over the dofs. On a shared
# machine set REPEAT=N: each case runs N times and the fastest run counts.
set -eu

build=${1:?usage: $0 BUILD_DIR [WORK_DIR]}
work=${2:-/tmp/step67_compare}
stages=${STAGES:-20}
repeat=${REPEAT:-1}
steps67=${STEPS67:-10}
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
bench="$build/bench/stage_bench"
[ -x "$bench" ] || { echo "$0: no $bench (build with DG_BUILD_BENCH=ON)" >&2; exit 2; }
mkdir -p "$work"
cd "$work"

pin="taskset -c ${CORE:-0}"
command -v taskset >/dev/null || pin=""

# --- step-67 -------------------------------------------------------------
src=""
for d in /usr/share/doc/libdeal.ii-doc/examples/step-67 /usr/share/doc/deal.ii/examples/step-67; do
  [ -f "$d/step-67.cc" ] && src=$d && break
done
have67=0
if [ -n "$src" ]; then
  have67=1
fi

# Builds step-67 at a degree (once per degree; the base grid of REPS x REPS
# cells on its [0,10] x [-5,5] box and the number of refinements REFS beyond
# its own two are read from the environment), runs STEPS67 time steps and
# prints "cells dofs ns/dof/stage B/dof".
run67() {
  deg=$1 reps=$2 refs=$3
  d="$work/step67-p$deg"
  if [ ! -x "$d/build/step-67" ]; then
    mkdir -p "$d/build"
    cp "$src/CMakeLists.txt" "$d/"
    sed -e "s/^  constexpr unsigned int fe_degree *= *[0-9]*;/  constexpr unsigned int fe_degree = $deg;/" \
        -e "s/^  constexpr double output_tick *= .*;/  constexpr double output_tick = 1e9;/" \
        -e "s/^  constexpr double       output_tick *= .*;/  constexpr double       output_tick = 1e9;/" \
        -e "s/GridGenerator::hyper_rectangle(triangulation,/GridGenerator::subdivided_hyper_rectangle(triangulation, std::vector<unsigned int>(dim, std::atoi(std::getenv(\"REPS\"))),/" \
        -e "s/triangulation.refine_global(n_global_refinements);/triangulation.refine_global(std::atoi(std::getenv(\"REFS\")));/" \
        -e "s/^    while (time < final_time - 1e-12)/    while (timestep_number < (unsigned int)std::atoi(std::getenv(\"STEPS67\")))/" \
        "$src/step-67.cc" > "$d/step-67.cc"
    (cd "$d/build" && cmake -DCMAKE_BUILD_TYPE=Release .. >/dev/null && make step-67 >/dev/null)
  fi
  out="$d/run-$reps-$refs.log"
  r=0
  while [ "$r" -lt "$repeat" ]; do
    r=$((r + 1))
    (cd "$d/build" && REPS=$reps REFS=$refs STEPS67=$steps67 DEAL_II_NUM_THREADS=1 OMP_NUM_THREADS=1 \
       /usr/bin/time -v $pin ./step-67 >"$out" 2>&1)
    awk -v stages=5 -v steps="$steps67" '
      /Number of degrees of freedom:/ { gsub(/,/, ""); dofs = $6; for (i = 1; i <= NF; ++i) if ($i == "[cells]") cells = $(i - 1) }
      /rk time stepping total/ { split($0, col, "|"); split(col[4], m, " "); t = m[1] + 0 }
      /Maximum resident set size/ { rss = $NF * 1024 }
      END { if (dofs > 0 && t > 0) printf "%d %d %.4g %.1f\n", cells, dofs, 1e9 * t / (steps * stages) / dofs, rss / dofs }' "$out"
  done | sort -g -k3 | head -n 1
}

# --- this program ---------------------------------------------------------
# Triangles on the unit square with a target count of elements.
trimesh() {
  n=$1
  f="$work/tri-$n.msh"
  if [ ! -f "$f" ]; then
    lc=$(awk -v n="$n" 'BEGIN { printf "%.6f", sqrt(2.33 / n) }')
    cat >"$work/tri-$n.geo" <<EOF
lc = $lc;
Point(1) = {0, 0, 0, lc}; Point(2) = {1, 0, 0, lc}; Point(3) = {1, 1, 0, lc}; Point(4) = {0, 1, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve(1) = {1}; Physical Curve(2) = {2}; Physical Curve(3) = {3}; Physical Curve(4) = {4};
Physical Surface(100) = {1};
EOF
    gmsh -2 -format msh1 "$work/tri-$n.geo" -o "$f" >/dev/null
  fi
  echo "$f"
}

# Runs stage_bench; prints "elements dofs ns/dof/stage B/dof" (memory from time -v).
rundg() {
  mesh=$1 order=$2
  out="$work/dg.log"
  r=0
  while [ "$r" -lt "$repeat" ]; do
    r=$((r + 1))
    (cd "$work" && /usr/bin/time -v $pin "$bench" "$mesh" "$order" "$stages" >"$out" 2>"$out.err")
    rss=$(awk '/Maximum resident set size/ { print $NF * 1024 }' "$out.err")
    awk -v rss="$rss" '{ printf "%d %d %.4g %.1f\n", $1, $2, $4, rss / $2 }' "$out"
  done | sort -g -k3 | head -n 1
}

printf "%-22s %9s %9s %11s %9s | %9s %9s %11s %9s | %7s\n" case elems dofs ns/dof/st B/dof \
  cells67 dofs67 ns/dof/st67 B/dof67 ratio
# name order kind elements(or grid N) step-67 base reps and refinements
while read -r name order kind size reps refs; do
  if [ "$kind" = quads ]; then
    mesh="quads:$size"
  else
    mesh=$(trimesh "$size")
  fi
  set -- $(rundg "$mesh" "$order")
  e=$1 nd=$2 ns=$3 bd=$4
  if [ "$have67" = 1 ]; then
    set -- $(run67 "$order" "$reps" "$refs" || echo "0 0 0 0")
    r=$(awk -v a="$ns" -v b="$3" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    printf "%-22s %9s %9s %11s %9s | %9s %9s %11s %9s | %7s\n" "$name" "$e" "$nd" "$ns" "$bd" "$1" "$2" "$3" "$4" "$r"
  else
    printf "%-22s %9s %9s %11s %9s | %9s %9s %11s %9s | %7s\n" "$name" "$e" "$nd" "$ns" "$bd" - - - - -
  fi
done <<EOF
p2-quads-150k 2 quads 64 1 4
p2-quads-600k 2 quads 128 1 5
p3-quads-150k 3 quads 48 3 2
p3-quads-600k 3 quads 96 3 3
p2-tri-150k 2 tri 6250 1 4
p2-tri-600k 2 tri 25000 1 5
p3-tri-150k 3 tri 3750 3 2
p3-tri-600k 3 tri 15000 3 3
EOF
[ "$have67" = 1 ] || echo "step-67 is not installed here: only this program was measured."
