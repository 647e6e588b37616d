#!/usr/bin/env bash
# Quality and cost of the conformal adaptation library against Gmsh's own
# metric meshers on the same analytic metric.
#
#   2-D: the unit square; Gmsh's anisotropic mesher (Mesh.Algorithm 7) driven
#        by the metric tensor as a background view.
#   3-D: the unit cube; Gmsh's Delaunay mesher (Mesh.Algorithm3D 1) driven by
#        the size as a background view (the metrics used there are isotropic).
#
# The adapter (dg_adaptdriver) starts from a uniform mesh of the metric's
# largest size and runs two cycles, as the solver adapts over its cycles: the
# driver sets the metric at the vertices it is given and interpolates it at
# those it creates, so the second run, on the first one's output, sees the
# metric at the new vertices too. Gmsh meshes the geometry from scratch. The view is written by
# dg_mesh_quality from the same metric code the driver uses, on a background
# mesh graded at about half the metric's size so that its interpolation stays
# close to the metric. Every measure comes from dg_mesh_quality on the output
# meshes.
#
# Times: the adapter's is the wall time of the whole driver runs (reading,
# smoothing the field, adapting, writing the mesh and the field's view); Gmsh's is the wall time its log
# reports for meshing (1-D, 2-D and 3-D), without start-up and without reading
# the view. The scaling exponent is the slope of log(time) over log(elements)
# between the smallest and the largest of the three sizes.
#
# usage: bench/conformal_quality.sh [BUILD_DIR]     (default: ./build)
# Environment: GMSH (default /usr/bin/gmsh).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "${1:-$ROOT/build}" && pwd)
DRIVER=$BUILD/tests/dg_adaptdriver
QUALITY=$BUILD/tests/dg_mesh_quality
GMSH=${GMSH:-/usr/bin/gmsh}
for tool in "$DRIVER" "$QUALITY" "$GMSH"; do
  [ -x "$tool" ] || { echo "missing $tool (build the tests: dg_adaptdriver dg_mesh_quality)" >&2; exit 1; }
done

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
trap 'exit 1' INT TERM
cd "$WORK"

now() { date +%s.%N; }
# calc EXPRESSION: awk arithmetic (log() is the natural logarithm).
calc() { awk "BEGIN { printf \"%.6g\", ($1) }"; }

# Geometry of the domain in dimension $1.
domain() {
  if [ "$1" = 2 ]; then
    cat <<'EOF'
Point(1) = {0, 0, 0, 1}; Point(2) = {1, 0, 0, 1}; Point(3) = {1, 1, 0, 1}; Point(4) = {0, 1, 0, 1};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4}; Plane Surface(1) = {1};
EOF
  else
    cat <<'EOF'
SetFactory("OpenCASCADE");
Box(1) = {0, 0, 0, 1, 1, 1};
EOF
  fi
  echo 'Mesh.MeshSizeExtendFromBoundary = 0; Mesh.MeshSizeFromPoints = 0; Mesh.MeshSizeFromCurvature = 0;'
}

# mesh DIM SIZE-EXPRESSION OUT: a mesh of the domain sized by a Gmsh expression.
mesh() {
  { domain "$1"
    echo "Field[1] = MathEval; Field[1].F = \"$2\"; Background Field = 1;"
  } > sized.geo
  "$GMSH" sized.geo -"$1" -format msh1 -o "$3" > sized.log 2>&1 || { cat sized.log >&2; exit 1; }
}

# Size expression of a metric (its smallest size where it is anisotropic).
size_expression() {
  case $1 in
    uniform) echo "$2" ;;
    band) echo "$4 + ($5 - $4) * Min(1, Fabs(x - $3) / $6)" ;;
    shell) echo "$7 + ($8 - $7) * Min(1, Fabs(Sqrt((x - $3)^2 + (y - $4)^2 + (z - $5)^2) - $6) / $9)" ;;
  esac
}

# The largest size of a metric.
largest_size() {
  case $1 in
    uniform) echo "$2" ;;
    band) echo "$5" ;;
    shell) echo "$8" ;;
  esac
}

field() { sed -n "s/^$2: //p" "$1"; }

# run DIM METRIC...: adapter and Gmsh on the metric; leaves the measures in
# ours1.q (one cycle), ours.q (two), gmsh.q, the driver's output in ours.log,
# its passes per cycle in ours.passes, and the times in ours1.t, ours.t, gmsh.t.
run() {
  local dim=$1; shift
  local expr hmax metric_args=("$@")
  expr=$(size_expression "$@")
  hmax=$(largest_size "$@")
  # The adapter, from a uniform mesh of the largest size, in two cycles as
  # the solver adapts: the second re-evaluates the metric at the vertices of
  # the first's output (the first interpolates it at the vertices it creates).
  mesh "$dim" "$hmax" cycle0.msh
  : > ours.log
  : > ours.passes
  local c t0 t1 total=0
  for c in 1 2; do
    t0=$(now)
    "$DRIVER" cycle$((c - 1)).msh cycle$c.msh "${metric_args[@]}" > cycle.log 2>&1 || { cat cycle.log >&2; exit 1; }
    t1=$(now)
    total=$(calc "$total + $t1 - $t0")
    echo "$total" > ours$c.t
    cat cycle.log >> ours.log
    grep -c '^start iteration' cycle.log >> ours.passes || true
    "$QUALITY" cycle$c.msh "${metric_args[@]}" > ours$c.q
  done
  cp ours2.q ours.q
  cp ours2.t ours.t

  # Gmsh, from a background view of the metric.
  mesh "$dim" "0.5 * ($expr)" bg.msh
  "$QUALITY" bg.msh "${metric_args[@]}" -view bg.pos > /dev/null
  { domain "$dim"
    if [ "$dim" = 2 ]; then
      echo 'Mesh.Algorithm = 7; Mesh.AnisoMax = 1e3; Mesh.SmoothRatio = 3;'
    else
      echo 'Mesh.Algorithm3D = 1;'
    fi
  } > gmsh.geo
  "$GMSH" gmsh.geo -bgm bg.pos -"$dim" -format msh1 -o gmsh.msh > gmsh.log 2>&1 || { cat gmsh.log >&2; exit 1; }
  sed -n 's/.*Done meshing [123]D (Wall \([0-9.e+-]*\)s.*/\1/p' gmsh.log | awk '{ s += $1 } END { printf "%.6g", s }' > gmsh.t
  "$QUALITY" gmsh.msh "${metric_args[@]}" > gmsh.q
}

# Operations by kind (both cycles) and passes per cycle of the last run.
operations() {
  local ops
  ops=$(sed -n 's/^changes of kind \([0-9]*\): \([0-9]*\)$/\1 \2/p' ours.log |
    awk '{ n[$1] += $2 } END { for (k = 0; k <= 8; ++k) printf "%s%d:%d", k ? " " : "", k, n[k] }')
  echo "kind:count $ops; passes $(paste -sd+ ours.passes)"
}

QUALITY_CASES=(
  "2|band aniso 0.5 0.01 0.1 0.25"
  "2|shell iso 0.5 0.5 0 0.3 0.01 0.1 0.2"
  "2|shell aniso 0.5 0.5 0 0.3 0.01 0.1 0.2"
  "3|uniform 0.1"
  "3|shell iso 0.5 0.5 0.5 0.3 0.03 0.15 0.2"
)

echo "## Quality on the same metric"
echo
echo "| dim | metric | mesher | elements | expected | invalid | in [1/√2, √2] | length min / 10% / 50% / 90% / max | mean ratio worst | mean ratio mean | ratio < 0.05 | time (s) |"
echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
notes=()
for c in "${QUALITY_CASES[@]}"; do
  dim=${c%%|*}; m=${c#*|}
  # shellcheck disable=SC2086
  run "$dim" $m
  for who in ours1 ours gmsh; do
    q=$who.q
    case $who in ours1) name="adapter, 1 cycle" ;; ours) name="adapter, 2 cycles" ;; *) name=Gmsh ;; esac
    printf '| %s | %s | %s | %s | %.0f | %s | %s | %s | %s | %s | %s | %.3f |\n' "$dim" "$m" "$name" \
      "$(field $q elements)" "$(field $q 'elements expected by the metric')" "$(field $q 'invalid elements')" \
      "$(field $q 'edges of metric length in \[1\/sqrt2, sqrt2\]')" \
      "$(field $q 'metric length min 10% 50% 90% max' | sed 's/ / \/ /g')" \
      "$(field $q 'mean ratio worst')" "$(field $q 'mean ratio mean')" \
      "$(field $q 'elements of mean ratio below 0.05')" "$(cat $who.t)"
  done
  ours_in=$(field ours.q 'edges of metric length in \[1\/sqrt2, sqrt2\]')
  gmsh_in=$(field gmsh.q 'edges of metric length in \[1\/sqrt2, sqrt2\]')
  verdict=""
  [ "$(field ours.q 'invalid elements')" = 0 ] || verdict="$verdict invalid elements;"
  [ "$(calc "$ours_in >= $gmsh_in - 0.15")" = 1 ] || verdict="$verdict fraction more than 0.15 below Gmsh's;"
  if [ "$(field ours.q 'elements of mean ratio below 0.05')" != 0 ] && [ "$(field gmsh.q 'elements of mean ratio below 0.05')" = 0 ]; then
    verdict="$verdict mean ratio below 0.05 where Gmsh has none;"
  fi
  verdict=${verdict:- met;}
  notes+=("- $dim-D $m:$verdict adapter $(operations)")
done
echo
echo "Acceptance after two cycles (no invalid element, fraction within 0.15 of Gmsh's, no mean ratio below 0.05 unless Gmsh has one):"
printf '%s\n' "${notes[@]}"
echo

# Timing at three sizes: every size of the metric scaled by S.
TIMING_CASES=(
  "2|band aniso 0.5 %s %s 0.25|0.01 0.1|0.5 0.25 0.125"
  "3|shell iso 0.5 0.5 0.5 0.3 %s %s 0.2|0.03 0.15|1 0.7 0.5"
)
echo "## Time per output element at three sizes"
echo
echo "| dim | metric | scale | adapter elements | adapter s (2 cycles) | adapter µs/element | Gmsh elements | Gmsh s | Gmsh µs/element | adapter operations |"
echo "|---|---|---|---|---|---|---|---|---|---|"
exponents=()
for c in "${TIMING_CASES[@]}"; do
  IFS='|' read -r dim pattern sizes scales <<< "$c"
  read -r hmin hmax <<< "$sizes"
  first=""; last=""
  for s in $scales; do
    # shellcheck disable=SC2059
    m=$(printf "$pattern" "$(calc "$hmin * $s")" "$(calc "$hmax * $s")")
    # shellcheck disable=SC2086
    run "$dim" $m
    oe=$(field ours.q elements); ge=$(field gmsh.q elements)
    ot=$(cat ours.t); gt=$(cat gmsh.t)
    printf '| %s | %s | %s | %s | %.3f | %.1f | %s | %.3f | %.1f | %s |\n' "$dim" "$m" "$s" "$oe" "$ot" \
      "$(calc "1e6 * $ot / $oe")" "$ge" "$gt" "$(calc "1e6 * $gt / $ge")" "$(operations)"
    [ -z "$first" ] && first="$oe $ot $ge $gt"
    last="$oe $ot $ge $gt"
  done
  read -r oe0 ot0 ge0 gt0 <<< "$first"
  read -r oe1 ot1 ge1 gt1 <<< "$last"
  exponents+=("- $dim-D: adapter $(printf '%.2f' "$(calc "log($ot1 / $ot0) / log($oe1 / $oe0)")"), Gmsh $(printf '%.2f' "$(calc "log($gt1 / $gt0) / log($ge1 / $ge0)")")")
done
echo
echo "Scaling exponent (time ~ elements^p):"
printf '%s\n' "${exponents[@]}"
echo
echo "Operation kinds: 0 edge collapse, 1 face swap, 2 edge swap, 3 vertex motion, 4 region collapse, 5 edge split, 6 template refinement (one per element refined), 7 region removal, 8 split then collapse."
