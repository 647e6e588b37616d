#!/usr/bin/env bash
# Cost of the conformal adaptation where users pay for it.
#
# 1. Inside a `dg` run: the bow-shock example (examples/bow-shock) with its
#    element sizes scaled so that the adapted mesh holds about 10k and about
#    100k triangles, adapted every 0.05 time units to t = 0.11. DG.log's 7th
#    column is the processor time of each iteration; the iteration that
#    follows an adaptation carries the adaptation's time. Reported: that time,
#    per element, and as a number of plain steps (the median of the plain
#    iterations after the adaptation, on the adapted mesh).
# 2. The library's driver (dg_adaptdriver, two cycles from a uniform mesh, as
#    bench/conformal_quality.sh runs it) against Gmsh's 2-D anisotropic
#    mesher on the same metric (band aniso), at about 50k and 340k elements:
#    wall times, and the quality figures of dg_mesh_quality (fraction of edges
#    of metric length in [1/sqrt2, sqrt2], worst mean ratio).
#
# usage: bench/conformal_cost.sh [BUILD_DIR] [CORE]   (defaults: ./build, 7)
# Environment: GMSH (default /usr/bin/gmsh); PARTS ("dg driver" by default).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
CORE=${2:-7}
DG=$BUILD/dg
DRIVER=$BUILD/tests/dg_adaptdriver
QUALITY=$BUILD/tests/dg_mesh_quality
GMSH=${GMSH:-/usr/bin/gmsh}
PARTS=${PARTS:-dg driver}
for tool in "$DG" "$DRIVER" "$QUALITY" "$GMSH"; do
  [ -x "$tool" ] || { echo "missing $tool (build dg and the tests dg_adaptdriver dg_mesh_quality)" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM
cd "$WORK"
pin() { taskset -c "$CORE" "$@"; }
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"%.6g\", ($1) }"; }
field() { sed -n "s/^$2: //p" "$1"; }

if [[ " $PARTS " == *" dg "* ]]; then
  echo "## Conformal adaptation inside a dg run (bow shock, order 1)"
  echo
  echo "| target | adaptation | elements after | adaptation s | µs/element | plain step s | steps' time |"
  echo "|---|---|---|---|---|---|---|"
  # name|smallest size|largest size
  for c in "10k|0.021|0.21" "100k|0.0046|0.046"; do
    IFS='|' read -r name hmin hmax <<< "$c"
    mkdir -p "dg-$name" && cd "dg-$name"
    cp "$ROOT"/examples/bow-shock/bow-shock.msh .
    sed -e 's/^Tend = .*/Tend = 0.11;/' -e 's/^H_SamplePeriod = .*/H_SamplePeriod = 0.05;/' \
      -e "s/^H_Min_CellSize = [0-9.]*;/H_Min_CellSize = $hmin;/" \
      -e "s/^H_Max_CellSize = [0-9.]*;/H_Max_CellSize = $hmax;/" \
      -e '/^Sensor {/,/^}/d' "$ROOT"/examples/bow-shock/bow-shock.par > run.par
    pin "$DG" run.par > run.out 2>&1 || { tail -20 run.out >&2; exit 1; }
    # The iterations after an adaptation: where the dofs change. The plain
    # step is the median of the iterations after it (its first three left out).
    awk 'NR > 1 && $1 != prev { print NR } { prev = $1 }' DG.log > starts
    n=$(wc -l < starts); lines=$(wc -l < DG.log); k=0
    while read -r i; do
      k=$((k + 1))
      last=$(sed -n "$((k + 1))p" starts); last=$(( ${last:-$((lines + 1))} - 1 ))
      [ $((i + 3)) -le "$last" ] || continue
      med=$(sed -n "$((i + 3)),${last}p" DG.log | awk '{ print $7 }' | sort -g |
        awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : 0.5 * (v[NR / 2] + v[NR / 2 + 1]) }')
      read -r dofs t <<< "$(sed -n "${i}p" DG.log | awk '{ print $1, $7 }')"
      el=$((dofs / 3))
      printf '| %s | %d | %d | %.4f | %.1f | %.5f | %.1f |\n' "$name" "$k" "$el" "$t" "$(calc "1e6 * $t / $el")" "$med" "$(calc "$t / $med")"
    done < starts
    : "$n"
    cd ..
  done
  echo
  echo "The dofs are 3 per triangle (order 1); the adaptation before the run (at t = 0) is not in DG.log."
  echo
fi

if [[ " $PARTS " == *" driver "* ]]; then
  cat > domain.geo <<'EOF'
Point(1) = {0, 0, 0, 1}; Point(2) = {1, 0, 0, 1}; Point(3) = {1, 1, 0, 1}; Point(4) = {0, 1, 0, 1};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
Mesh.MeshSizeExtendFromBoundary = 0; Mesh.MeshSizeFromPoints = 0; Mesh.MeshSizeFromCurvature = 0;
EOF
  mesh() {
    { cat domain.geo; echo "Field[1] = MathEval; Field[1].F = \"$1\"; Background Field = 1;"; } > sized.geo
    "$GMSH" sized.geo -2 -format msh1 -o "$2" > sized.log 2>&1 || { cat sized.log >&2; exit 1; }
  }
  echo "## Driver against Gmsh (2-D band aniso, sizes scaled by S)"
  echo
  echo "| S | mesher | elements | s | µs/element | in [1/√2, √2] | mean ratio worst | mean ratio mean | invalid |"
  echo "|---|---|---|---|---|---|---|---|---|"
  for s in 0.095 0.036; do
    hmin=$(calc "0.01 * $s"); hmax=$(calc "0.1 * $s")
    metric=(band aniso 0.5 "$hmin" "$hmax" 0.25)
    mesh 0.25 cycle0.msh
    total=0
    for c in 1 2; do
      t0=$(now)
      pin "$DRIVER" cycle$((c - 1)).msh cycle$c.msh "${metric[@]}" > cycle.log 2>&1 || { cat cycle.log >&2; exit 1; }
      t1=$(now)
      total=$(calc "$total + $t1 - $t0")
    done
    "$QUALITY" cycle2.msh "${metric[@]}" > ours.q
    expr="$hmin + ($hmax - $hmin) * Min(1, Fabs(x - 0.5) / 0.25)"
    mesh "0.5 * ($expr)" bg.msh
    "$QUALITY" bg.msh "${metric[@]}" -view bg.pos > /dev/null
    { cat domain.geo; echo 'Mesh.Algorithm = 7; Mesh.AnisoMax = 1e3; Mesh.SmoothRatio = 3;'; } > gmsh.geo
    pin "$GMSH" gmsh.geo -bgm bg.pos -2 -format msh1 -o gmsh.msh > gmsh.log 2>&1 || { cat gmsh.log >&2; exit 1; }
    gt=$(sed -n 's/.*Done meshing [12]D (Wall \([0-9.e+-]*\)s.*/\1/p' gmsh.log | awk '{ s += $1 } END { printf "%.6g", s }')
    "$QUALITY" gmsh.msh "${metric[@]}" > gmsh.q
    for who in ours gmsh; do
      q=$who.q
      if [ $who = ours ]; then name="driver, 2 cycles"; t=$total; else name=Gmsh; t=$gt; fi
      e=$(field $q elements)
      printf '| %s | %s | %s | %.2f | %.1f | %s | %s | %s | %s |\n' "$s" "$name" "$e" "$t" "$(calc "1e6 * $t / $e")" \
        "$(field $q 'edges of metric length in \[1\/sqrt2, sqrt2\]')" "$(field $q 'mean ratio worst')" \
        "$(field $q 'mean ratio mean')" "$(field $q 'invalid elements')"
    done
  done
  echo
  echo "Driver: wall time of both runs (reading, smoothing, adapting, writing); Gmsh: the meshing wall times of its log."
fi
