#!/bin/sh
# Start-up cost of `dg` against its time steps: reading a Gmsh triangle mesh
# (msh1) and building its cells and faces, p2 Euler (problem 16, subproblem
# 3), on one core.
#
#   bench/startup_bench.sh BUILD_DIR [WORK_DIR]
#
# Meshes: Gmsh, frontal Delaunay on the unit square, about 250k and 1M
# triangles (made once in WORK_DIR; set SIZES="n1 n2 ..." for others). Each
# case runs STEPS time steps (default 3). From DG.log: the set-up's processor
# time is column 6 at iteration 1 minus column 7 (that iteration's own time);
# the step time is the median of column 7 over iterations 2 on. Printed per
# case: elements, set-up s, step s, set-up / step, first step s, peak
# resident set (/usr/bin/time -v) per element in bytes. CORE picks the core
# (default 0); REPEAT=N runs each case N times and keeps the fastest set-up.
set -eu

build=${1:?usage: $0 BUILD_DIR [WORK_DIR]}
work=${2:-/tmp/startup_bench}
sizes=${SIZES:-"250000 1000000"}
steps=${STEPS:-3}
repeat=${REPEAT:-1}
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
dg="$build/dg"
[ -x "$dg" ] || { echo "$0: no $dg" >&2; exit 2; }
command -v gmsh >/dev/null || { echo "$0: gmsh is needed to make the meshes" >&2; exit 2; }
mkdir -p "$work"
cd "$work"

pin="taskset -c ${CORE:-0}"
command -v taskset >/dev/null || pin=""

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
    gmsh -2 -format msh1 "$work/tri-$n.geo" -o "$f.part" >/dev/null
    mv "$f.part" "$f"
  fi
  echo "$f"
}

# Triangles of a msh1 file: element records of type 2.
triangles() {
  awk '/^\$ELM/ { getline; on = 1; next } /^\$ENDELM/ { on = 0 } on && $2 == 2 { n++ } END { print n + 0 }' "$1"
}

printf "%-10s %10s %10s %8s %10s %12s\n" elements "set-up s" "step s" ratio "1st step" "RSS B/elem"
for n in $sizes; do
  mesh=$(trimesh "$n")
  ne=$(triangles "$mesh")
  run="$work/run-$n"
  mkdir -p "$run"
  # Problem 16 reads its mesh as t.msh in the working directory too.
  cp "$mesh" "$run/big.msh"
  cp "$mesh" "$run/t.msh"
  # The stable step shrinks with the element size: about STEPS steps.
  tend=$(awk -v n="$n" -v s="$steps" 'BEGIN { printf "%.6g", (s - 0.5) * 1.0e-4 * sqrt(250000 / n) }')
  r=0
  while [ "$r" -lt "$repeat" ]; do
    r=$((r + 1))
    (cd "$run" && rm -f DG.log && /usr/bin/time -v $pin "$dg" big.msh -problem 16 -subproblem 3 -order 2 \
      -tend "$tend" -outputdt 0 >dg.out 2>time.txt) || { echo "$0: dg failed on $mesh (see $run)" >&2; exit 1; }
    rss=$(awk '/Maximum resident set size/ { print $NF * 1024 }' "$run/time.txt")
    awk -v ne="$ne" -v rss="$rss" '
      NR == 1 { setup = $6 - $7; first = $7; next }
      { t[m++] = $7 }
      END {
        if (m == 0) { print "- - - - -"; exit }
        # median of the later steps (insertion sort: a handful of values)
        for (i = 1; i < m; ++i) { v = t[i]; for (j = i - 1; j >= 0 && t[j] > v; --j) t[j + 1] = t[j]; t[j + 1] = v }
        step = (m % 2) ? t[(m - 1) / 2] : 0.5 * (t[m / 2 - 1] + t[m / 2])
        printf "%.3f %.4f %.2f %.3f %.0f\n", setup, step, setup / step, first, rss / ne
      }' "$run/DG.log"
  done | sort -g -k1 | head -n 1 | {
    read -r setup step ratio first bpe
    printf "%-10s %10s %10s %8s %10s %12s\n" "$ne" "$setup" "$step" "$ratio" "$first" "$bpe"
  }
done
