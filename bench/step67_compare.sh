#!/bin/sh
# Processor time per degree of freedom per explicit stage of the program
# `dg` as users run it, against deal.II's step-67 tutorial (matrix-free
# explicit DG for 2-D Euler, a peer code), interleaved on one core.
#
#   bench/step67_compare.sh BUILD_DIR [WORK_DIR]
#
# BUILD_DIR holds `dg` and tests/dg_meshgen (Release build). Each case runs
# `dg MESH -problem 16 -subproblem 3 -order P -tend T -outputdt 0` (a contact
# in a box with walls: Euler with the exact Riemann flux, no views) in its own
# folder (the mesh also as t.msh there, which problem 16 reads), then
# step-67 at the same degree and about the same dofs, and again, REPEAT
# times (default 3). One step of dg's global stepping is one stage (one
# residual, one forward Euler update): time per dof per stage = the median
# over the steps after the first two of DG.log's 7th column (processor time
# of the iteration) over its 1st (dofs); T is chosen from a probe run's step
# so that about STEPS (default 15) steps run. The Roe cases run problem 5
# (Rayleigh-Taylor: Euler with the Roe flux and gravity, the only 2-D Roe law
# a user reaches; its default limiter is switched off with -limiter 0, and
# -outputdt 1e9 leaves one view, of the first step) on its box
# [0, 0.25] x [-0.5, 0.5].
#
# Meshes: quads, structured (dg_meshgen); dquads, the same with every
# interior node moved at random by up to 0.2 h along each axis; tri, Gmsh
# triangles (frontal Delaunay). Sizes (SIZES, default "150k 600k 2.4M";
# "small" for a quick check): about 150k, 600k and 2.4M dofs.
#
# step-67 is built from the examples of Debian's libdeal.ii-doc (apt-get
# install libdeal.ii-dev libdeal.ii-doc) with its degree and mesh set to
# match (subdivided box, REFS refinements beyond its own two; distorted
# quadrilaterals with GridTools::distort_random(0.2), boundary kept); it
# runs its own vortex case with its five-stage low-storage Runge-Kutta
# scheme for STEPS67 (default 10) steps, DEAL_II_NUM_THREADS=1, without its
# initial output. Its time per stage is the processor time (std::clock, the
# same clock as dg's DG.log) of each time step, taken around its timed
# section "rk time stepping total", over 5 stages: the median over the steps
# after the first two. Triangle cases are compared with step-67's
# quadrilaterals of about the same size (it has no triangles).
#
# Printed per case: dofs, dg's ns/dof/stage (min and median over the
# repetitions of each run's median), step-67's, the ratio of the minima and
# of the medians, peak resident set (/usr/bin/time -v) over the dofs (min over
# repetitions; step-67 carries about 190 MB of libraries), then the growth of
# the time per dof from the smallest to each larger size per family.
#
# DIM=3 runs the three-dimensional cases instead: `dg` on structured Gmsh
# hexahedra of the unit cube (N^3 cells, all boundaries walls; problem 16
# / 3 runs Euler3d with the exact Riemann flux) at p2 and p3, against
# step-67 with its `dimension` set to 3 (its vortex, extruded along z, on
# [0, 10] x [-5, 5]^2), about 550k dofs ("small": about 35k); SIZES
# defaults to "550k" there.
#
# Environment: CORE (default 0), REPEAT, STEPS, STEPS67, SIZES, CASES (an
# extended regular expression: only the cases whose names match), DIM.
set -eu

build=${1:?usage: $0 BUILD_DIR [WORK_DIR]}
work=${2:-/tmp/step67_compare}
repeat=${REPEAT:-3}
steps67=${STEPS67:-10}
dim=${DIM:-2}
if [ "$dim" = 3 ]; then sizes=${SIZES:-550k}; else sizes=${SIZES:-150k 600k 2.4M}; fi
cases=${CASES:-.}
core=${CORE:-0}
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
dg="$build/dg"
meshgen="$build/tests/dg_meshgen"
[ -x "$dg" ] || { echo "$0: no $dg" >&2; exit 2; }
[ -x "$meshgen" ] || { echo "$0: no $meshgen (build with DG_BUILD_TESTS=ON)" >&2; exit 2; }
mkdir -p "$work"
case "$work" in /*) ;; *) work="$(pwd)/$work" ;; esac
. "$(dirname "$0")/dg_bench_lib.sh"

# --- step-67 ----------------------------------------------------------------
src=""
for d in /usr/share/doc/libdeal.ii-doc/examples/step-67 /usr/share/doc/deal.ii/examples/step-67; do
  [ -f "$d/step-67.cc" ] && src=$d && break
done
have67=0
[ -n "$src" ] && have67=1

# Builds step-67 at degree DEG (in dimension DIM) once.
build67() {
  local deg=$1 d pattern
  d="$work/step67-p$deg$sfx67"
  [ -x "$d/build/step-67" ] && return 0
  mkdir -p "$d/build"
  cp "$src/CMakeLists.txt" "$d/"
  sed -e "s/^  constexpr unsigned int fe_degree *= *[0-9]*;/  constexpr unsigned int fe_degree = $deg;/" \
      -e "s/^  constexpr double output_tick *= .*;/  constexpr double output_tick = 1e9;/" \
      -e "s/^  constexpr double       output_tick *= .*;/  constexpr double       output_tick = 1e9;/" \
      -e "s/GridGenerator::hyper_rectangle(triangulation,/GridGenerator::subdivided_hyper_rectangle(triangulation, std::vector<unsigned int>(dim, std::atoi(std::getenv(\"REPS\"))),/" \
      -e "s/triangulation.refine_global(n_global_refinements);/triangulation.refine_global(std::atoi(std::getenv(\"REFS\"))); if (std::getenv(\"DISTORT\")) GridTools::distort_random(std::atof(std::getenv(\"DISTORT\")), triangulation, true);/" \
      -e "s/^    while (time < final_time - 1e-12)/    while (timestep_number < (unsigned int)std::atoi(std::getenv(\"STEPS67\")))/" \
      -e "s/^    output_results(0);/    \/\/ no output before the steps/" \
      -e "s/^ *TimerOutput::Scope t(timer, \"rk time stepping total\");/&\n          StepClock step_clock;/" \
      -e "/^namespace Euler_DG/i #include <deal.II/grid/grid_tools.h>\n#include <cstdio>\n#include <ctime>\n// Processor time of one time step, printed when the step ends.\nstruct StepClock\n{\n  std::clock_t c0 = std::clock();\n  ~StepClock() { std::printf(\"rk step processor time: %.9g\\\\n\", double(std::clock() - c0) / CLOCKS_PER_SEC); std::fflush(stdout); }\n};\n" \
      "$src/step-67.cc" >"$d/step-67.cc"
  if [ "$dim" = 3 ]; then
    # Three dimensions: the vortex stays in the x-y plane (no momentum along
    # z), the same in every z-slice.
    sed -i -e "s/^  constexpr unsigned int dimension *= *[0-9]*;/  constexpr unsigned int dimension = 3;/" \
        -e "s/^            Assert(dim == 2, ExcNotImplemented());/            Assert(dim == 2 || dim == 3, ExcNotImplemented());/" \
        -e "s/^            else if (component == 2)$/            else if (dim == 3 \&\& component == 3)\n              return 0.;\n&/" \
        "$d/step-67.cc"
    for pattern in 'dimension = 3;' 'dim == 3 && component == 3'; do
      grep -qF "$pattern" "$d/step-67.cc" || { echo "$0: step-67.cc was not patched ($pattern)" >&2; return 1; }
    done
  fi
  for pattern in 'StepClock step_clock' 'getenv("STEPS67")' 'getenv("REFS")' 'getenv("REPS")' "fe_degree = $deg;"; do
    grep -qF "$pattern" "$d/step-67.cc" || { echo "$0: step-67.cc was not patched ($pattern)" >&2; return 1; }
  done
  (cd "$d/build" && cmake -DCMAKE_BUILD_TYPE=Release .. >cmake.log 2>&1 && make step-67 >make.log 2>&1) ||
    { echo "$0: step-67 does not build (see $d/build/make.log)" >&2; return 1; }
}

# One run of step-67: "cells dofs ns/dof/stage B/dof".
run67() {
  local deg=$1 reps=$2 refs=$3 distort=$4 d out
  d="$work/step67-p$deg$sfx67"
  out="$d/run-$reps-$refs-$distort.log"
  if [ "$distort" = 0 ]; then unset DISTORT || true; else export DISTORT=$distort; fi
  (cd "$d/build" && REPS=$reps REFS=$refs STEPS67=$steps67 DEAL_II_NUM_THREADS=1 OMP_NUM_THREADS=1 \
     /usr/bin/time -v taskset -c "$core" ./step-67 >"$out" 2>&1) || { echo "0 0 0 0"; return 0; }
  unset DISTORT || true
  awk -v skip=2 '
    /Number of degrees of freedom:/ { gsub(/,/, ""); dofs = $6; for (i = 1; i <= NF; ++i) if ($i == "[cells]") cells = $(i - 1) }
    /^rk step processor time:/ { if (++k > skip) t[++n] = $NF }
    /Maximum resident set size/ { rss = $NF * 1024 }
    END {
      if (n == 0 || dofs == 0) { print "0 0 0 0"; exit }
      for (i = 2; i <= n; ++i) { v = t[i]; for (j = i - 1; j >= 1 && t[j] > v; --j) t[j + 1] = t[j]; t[j + 1] = v }
      m = n % 2 ? t[(n + 1) / 2] : 0.5 * (t[n / 2] + t[n / 2 + 1])
      printf "%d %d %.4g %.1f\n", cells, dofs, 1e9 * m / 5 / dofs, rss / dofs }' "$out"
}

# --- the cases --------------------------------------------------------------
# family order mesh-kind problem size-label mesh-size step-67-reps step-67-refs
cases_table() {
  if [ "$dim" = 3 ]; then
    # family order: N^3 hexahedra; step-67: base grid and refinements beyond
    # its own two (4 reps 2^refs cells per direction)
    for fam in p2-hex p3-hex; do
      for s in $sizes; do
        local o n r67
        case "$fam" in p2-*) o=2 ;; *) o=3 ;; esac
        case "$o-$s" in
          2-small) n=6 r67="1 0" ;; 2-550k) n=16 r67="1 2" ;;
          3-small) n=4 r67="1 0" ;; 3-550k) n=12 r67="3 0" ;;
          *) echo "$0: unknown size $s" >&2; exit 2 ;;
        esac
        echo "$fam-$s $fam $s $o hex 16 $n $r67"
      done
    done | grep -E "^[^ ]*($cases)[^ ]* "
    return
  fi
  for fam in p2-quads p3-quads p2-dquads p3-dquads p2-tri p3-tri p2-quads-roe p2-tri-roe; do
    for s in $sizes; do
      local o prob kind n r67
      case "$fam" in p2-*) o=2 ;; *) o=3 ;; esac
      case "$fam" in *-roe) prob=5 ;; *) prob=16 ;; esac
      case "$fam" in *-dquads) kind=dquads ;; *-quads*) kind=quads ;; *) kind=tri ;; esac
      # quads: N x N cells; triangles: elements; step-67: base grid and refinements
      case "$o-$kind-$s" in
        2-*quads-small) n=16 r67="1 2" ;; 2-*quads-150k) n=64 r67="1 4" ;;
        2-*quads-600k) n=128 r67="1 5" ;; 2-*quads-2.4M) n=256 r67="1 6" ;;
        3-*quads-small) n=12 r67="3 0" ;; 3-*quads-150k) n=48 r67="3 2" ;;
        3-*quads-600k) n=96 r67="3 3" ;; 3-*quads-2.4M) n=192 r67="3 4" ;;
        2-tri-small) n=384 r67="1 2" ;; 2-tri-150k) n=6250 r67="1 4" ;;
        2-tri-600k) n=25000 r67="1 5" ;; 2-tri-2.4M) n=100000 r67="1 6" ;;
        3-tri-small) n=230 r67="3 0" ;; 3-tri-150k) n=3750 r67="3 2" ;;
        3-tri-600k) n=15000 r67="3 3" ;; 3-tri-2.4M) n=60000 r67="3 4" ;;
        *) echo "$0: unknown size $s" >&2; exit 2 ;;
      esac
      echo "$fam-$s $fam $s $o $kind $prob $n $r67"
    done
  done | grep -E "^[^ ]*($cases)[^ ]* "
}

# Structured Gmsh hexahedra of the unit cube, N^3 cells, boundary tag 11.
hexmesh() {
  local n=$1 f
  f="$work/meshes/hex-$n.msh"
  mkdir -p "$work/meshes"
  if [ ! -f "$f" ]; then
    cat >"$f.geo" <<EOF
Point(1) = {0, 0, 0, 1}; Point(2) = {1, 0, 0, 1}; Point(3) = {1, 1, 0, 1}; Point(4) = {0, 1, 0, 1};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(5) = {1, 2, 3, 4};
Plane Surface(6) = {5};
Transfinite Curve{1, 2, 3, 4} = $n + 1;
Transfinite Surface{6};
Recombine Surface{6};
out[] = Extrude {0, 0, 1} { Surface{6}; Layers{$n}; Recombine; };
Physical Surface(11) = {6, out[0], out[2], out[3], out[4], out[5]};
Physical Volume(1) = {out[1]};
EOF
    gmsh -3 -format msh1 "$f.geo" -o "$f" >/dev/null
  fi
  echo "$f"
}

# The mesh of a case.
casemesh() {
  local kind=$1 prob=$2 n=$3
  if [ "$kind" = hex ]; then hexmesh "$n"; return; fi
  if [ "$prob" = 5 ]; then
    if [ "$kind" = quads ]; then quadmesh $((n / 2)) $((2 * n)) "0 0.25 -0.5 0.5"; else trimesh "$n" "0 0.25 -0.5 0.5"; fi
  else
    case "$kind" in
      quads) quadmesh "$n" ;;
      dquads) dquadmesh "$n" ;;
      tri) trimesh "$n" ;;
    esac
  fi
}

sfx67=""
[ "$dim" = 3 ] && sfx67="-d3"
if [ "$have67" = 1 ]; then
  build67 2 && build67 3 || have67=0
fi

res="$work/results.txt"
: >"$res"
rm -f "$work/failed.txt"
printf "%-18s %8s %7s %7s | %8s %7s %7s | %6s %6s | %6s %6s\n" case dofs "dg min" med \
  dofs67 "67 min" med ratio r.med B/dof B/dof67
cases_table | while read -r name fam s o kind prob n reps refs; do
  mesh=$(casemesh "$kind" "$prob" "$n")
  # Problem 5 writes its views at every step when -outputdt is 0 or less: a
  # period beyond the run leaves the one view of the first step.
  if [ "$prob" = 5 ]; then args="-problem 5 -limiter 0 -order $o -outputdt 1e9"
  else args="-problem 16 -subproblem 3 -order $o -outputdt 0"; fi
  dir="$work/run/$name"
  rm -rf "$dir"
  # A first guess of the final time (doubled by the probe until it makes two steps).
  e=$(awk -v k="$kind" -v n="$n" 'BEGIN { print (k == "tri") ? n : n * n }')
  guess=$(awk -v e="$e" -v o="$o" 'BEGIN { printf "%.4g", 0.8 / ((2 * o + 1) * sqrt(e)) }')
  [ "$kind" = hex ] && guess=$(awk -v n="$n" -v o="$o" 'BEGIN { printf "%.4g", 0.8 / ((2 * o + 1) * n) }')
  # A case whose run fails is reported as such; the others go on, and the
  # script ends with status 1.
  if ! tend=$(steptime "$dir" "$mesh" "$guess" $args); then
    printf "%-18s failed: dg %s (%s)\n" "$name" "$args" "$(tail -n 1 "$dir/out.txt" | cut -c1-120)"
    echo "$name" >>"$work/failed.txt"
    continue
  fi
  distort=0
  [ "$kind" = dquads ] && distort=0.2
  r=0
  : >"$dir.dg" && : >"$dir.67"
  while [ "$r" -lt "$repeat" ]; do
    r=$((r + 1))
    dgrun "$dir" "$mesh" $args -tend "$tend" || { echo "$name" >>"$work/failed.txt"; break; }
    dgfigures "$dir" >>"$dir.dg"
    if [ "$have67" = 1 ]; then run67 "$o" "$reps" "$refs" "$distort" >>"$dir.67"; fi
  done
  [ -s "$dir.dg" ] || continue
  dofs=$(awk 'NR == 1 { print $1 }' "$dir.dg")
  set -- $(awk '{ print $3 }' "$dir.dg" | minmed) $(awk '{ print $4 }' "$dir.dg" | minmed)
  dmin=$1 dmed=$2 bd=$3
  if [ "$have67" = 1 ] && [ -s "$dir.67" ]; then
    dofs67=$(awk 'NR == 1 { print $2 }' "$dir.67")
    set -- $(awk '{ print $3 }' "$dir.67" | minmed) $(awk '{ print $4 }' "$dir.67" | minmed)
    smin=$1 smed=$2 bd67=$3
  else
    dofs67=- smin=- smed=- bd67=-
  fi
  ratio=$(awk -v a="$dmin" -v b="$smin" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "-" }')
  rmed=$(awk -v a="$dmed" -v b="$smed" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b; else print "-" }')
  printf "%-18s %8s %7s %7s | %8s %7s %7s | %6s %6s | %6s %6s\n" "$name" "$dofs" "$dmin" "$dmed" \
    "$dofs67" "$smin" "$smed" "$ratio" "$rmed" "$bd" "$bd67"
  echo "$fam $s $dmin $smin" >>"$res"
done

# Growth of the time per dof (minima) from the family's first size to the others.
echo
echo "growth of ns/dof/stage from the first size (dg, step-67):"
awk '{ if (!($1 in first)) { first[$1] = $3; first67[$1] = $4; label[$1] = $2; order[++n] = $1 }
       else g[$1] = g[$1] sprintf("  %s/%s %.2f %s", $2, label[$1], $3 / first[$1],
                                  ($4 + 0 > 0 && first67[$1] + 0 > 0) ? sprintf("%.2f", $4 / first67[$1]) : "-") }
     END { for (i = 1; i <= n; ++i) if (order[i] in g) printf "%-14s%s\n", order[i], g[order[i]] }' "$res"
[ "$have67" = 1 ] || echo "step-67 is not installed here (or did not build): only dg was measured."
if [ -s "$work/failed.txt" ]; then
  echo "failed: $(tr '\n' ' ' <"$work/failed.txt")" >&2
  exit 1
fi
