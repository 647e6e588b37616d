#!/bin/sh
# Speed of the program `dg` as users run it, beyond the plain stage (see
# step67_compare.sh for that): the limiter's cost, an adapted mesh against a
# conforming one, and local time stepping against global steps.
#
#   bench/dg_speed.sh BUILD_DIR [WORK_DIR] [limiter|adapt|hcost|lts|all]
#
# Every run is `dg MESH -problem 16 -subproblem 3 -order P -tend T -outputdt 0
# ...` (a contact in a box with walls, Euler with the exact Riemann flux, no
# views) in its own folder, pinned to CORE (default 0), under /usr/bin/time;
# the variants of a case alternate, REPEAT times (default 3), and the fastest
# counts. Per step: the median over the steps after the first two of DG.log's
# 7th column (processor time of the iteration) over its 1st (dofs).
#
# limiter: -limiter L (L in LIMITERS, default "1": 1 Barth, 2 and 4 moment,
#   3 physical, 5 Tovu) against none at p1 and p2 on quadrilaterals and
#   Gmsh triangles; cost = (limited - plain) / plain per step (target 0.5).
# adapt:   -href 2 -hrefdt 1e9 (two levels of hierarchical refinement of the
#   initial field around the contact, none during the run) on a coarse mesh,
#   against a conforming mesh of about the same dofs made afterwards; ratio
#   of the time per dof per step (target 1.15).
# hcost:   the cost of one hierarchical adaptation during the run, as a
#   ratio to the same run's time per step (target 2): quadrilateral grids of
#   10k and 100k elements (SIZES=small: 2.5k and 10k), p2, -href 2 and an
#   adaptation every 3 steps (-hrefdt 3 dt), about 20 steps. The iterations
#   that adapted are those logged after "Doing Mesh Adaptation"; their cost
#   is their time minus the median of the other iterations after the first.
#   Printed: elements after the initial refinement, the step (s), the
#   adaptations' cost (s, the median of the run; min over REPEAT runs) and
#   the ratio.
# lts:     two graded Gmsh meshes (element size lc/8 at one corner, lc/4
#   along a middle line), global steps against -nbsub 2, -nbsub 3 and
#   -goaldt 4 and 8 times the global step, to the same final time (about
#   STEPS_LTS = 40 global steps). t = the processor time of the steps (the
#   sum of DG.log's 7th column; its 6th column also counts the set-up), S =
#   the printed mean gain (10th column of the last line); the target is
#   t / t_global <= 1.25 / S: printed is (t / t_global) / (1.25 / S).
#
# SIZES: "600k" (default: about 600k dofs for the limiter and the conforming
# meshes, lc 0.02 for the graded ones) or "small" (a quick check).
set -eu

build=${1:?usage: $0 BUILD_DIR [WORK_DIR] [limiter|adapt|hcost|lts|all]}
work=${2:-/tmp/dg_speed}
what=${3:-all}
repeat=${REPEAT:-3}
sizes=${SIZES:-600k}
core=${CORE:-0}
case "$build" in /*) ;; *) build="$(pwd)/$build" ;; esac
dg="$build/dg"
meshgen="$build/tests/dg_meshgen"
[ -x "$dg" ] || { echo "$0: no $dg" >&2; exit 2; }
[ -x "$meshgen" ] || { echo "$0: no $meshgen (build with DG_BUILD_TESTS=ON)" >&2; exit 2; }
mkdir -p "$work"
case "$work" in /*) ;; *) work="$(pwd)/$work" ;; esac
. "$(dirname "$0")/dg_bench_lib.sh"
case "$sizes" in small | 600k) ;; *) echo "$0: SIZES is small or 600k" >&2; exit 2 ;; esac

# "min median" of the third column (ns/dof/step) of a file of dgfigures lines.
col3() { awk '{ print $3 }' "$1" | minmed; }
ratio() { awk -v a="$1" -v b="$2" -v s="${3:-0}" 'BEGIN { if (b + 0 > 0) printf "%.2f", a / b - s; else print "-" }'; }

guessfor() {  # kind n order: a first guess of the final time of two steps
  awk -v k="$1" -v n="$2" -v o="$3" 'BEGIN { e = (k == "tri") ? n : n * n; printf "%.4g", 0.8 / ((2 * o + 1) * sqrt(e)) }'
}
meshfor() { if [ "$1" = quads ]; then quadmesh "$2"; else trimesh "$2"; fi; }

limiter_section() {
  limiters=${LIMITERS:-1}
  echo "== limiter: -limiter L ($limiters) against none (ns/dof/step: min, median of $repeat)"
  printf "%-10s %2s %8s %8s %8s %8s %8s %6s\n" case L dofs plain med limited med cost
  # name order kind size(small) size(600k)
  while read -r name o kind small big; do
    n=$big
    [ "$sizes" = small ] && n=$small
    mesh=$(meshfor "$kind" "$n")
    args="-problem 16 -subproblem 3 -order $o -outputdt 0"
    dir="$work/limiter/$name"
    rm -rf "$dir" "$dir"-lim*
    tend=$(steptime "$dir" "$mesh" "$(guessfor "$kind" "$n" "$o")" $args)
    : >"$dir.plain"
    for l in $limiters; do : >"$dir.lim$l"; done
    r=0
    while [ "$r" -lt "$repeat" ]; do
      r=$((r + 1))
      dgrun "$dir" "$mesh" $args -tend "$tend" || exit 1; dgfigures "$dir" >>"$dir.plain"
      for l in $limiters; do
        dgrun "$dir-lim$l" "$mesh" $args -tend "$tend" -limiter "$l" || exit 1; dgfigures "$dir-lim$l" >>"$dir.lim$l"
      done
    done
    for l in $limiters; do
      set -- $(col3 "$dir.plain") $(col3 "$dir.lim$l")
      printf "%-10s %2s %8s %8s %8s %8s %8s %6s\n" "$name" "$l" "$(awk 'NR == 1 { print $1 }' "$dir.plain")" \
        "$1" "$2" "$3" "$4" "$(ratio "$3" "$1" 1)"
    done
  done <<EOF
p1-quads 1 quads 24 192
p2-quads 2 quads 16 128
p1-tri 1 tri 768 50000
p2-tri 2 tri 384 25000
EOF
}

adapt_section() {
  echo "== adapted (-href 2, hanging faces) against conforming (ns/dof/step: min, median of $repeat)"
  printf "%-9s %8s %8s %8s | %8s %8s %8s | %6s\n" case dofs adapted med dofs conform med ratio
  # name order kind base(small) base(600k)
  while read -r name o kind small big; do
    n=$big
    [ "$sizes" = small ] && n=$small
    mesh=$(meshfor "$kind" "$n")
    args="-problem 16 -subproblem 3 -order $o -outputdt 0"
    dir="$work/adapt/$name"
    rm -rf "$dir" "$dir-conf"
    tend=$(steptime "$dir" "$mesh" "$(guessfor "$kind" "$n" "$o")" $args -href 2 -hrefdt 1e9)
    dofs=$(awk 'END { print $1 }' "$dir/DG.log")
    # A conforming mesh of about the adapted dofs.
    if [ "$kind" = quads ]; then
      m=$(awk -v d="$dofs" -v o="$o" 'BEGIN { printf "%d", sqrt(d / (4 * (o + 1) ^ 2)) + 0.5 }')
    else
      m=$(awk -v d="$dofs" -v o="$o" 'BEGIN { printf "%d", d / (2 * (o + 1) * (o + 2)) + 0.5 }')
    fi
    cmesh=$(meshfor "$kind" "$m")
    ctend=$(steptime "$dir-conf" "$cmesh" "$(guessfor "$kind" "$m" "$o")" $args)
    : >"$dir.adapted" && : >"$dir.conf"
    r=0
    while [ "$r" -lt "$repeat" ]; do
      r=$((r + 1))
      dgrun "$dir" "$mesh" $args -tend "$tend" -href 2 -hrefdt 1e9 || exit 1; dgfigures "$dir" >>"$dir.adapted"
      dgrun "$dir-conf" "$cmesh" $args -tend "$ctend" || exit 1; dgfigures "$dir-conf" >>"$dir.conf"
    done
    set -- $(col3 "$dir.adapted") $(col3 "$dir.conf")
    printf "%-9s %8s %8s %8s | %8s %8s %8s | %6s\n" "$name" "$dofs" "$1" "$2" \
      "$(awk 'NR == 1 { print $1 }' "$dir.conf")" "$3" "$4" "$(ratio "$1" "$3")"
  done <<EOF
p2-quads 2 quads 16 96
p2-tri 2 tri 300 14000
EOF
}

hcost_section() {
  echo "== hierarchical adaptation in the run (p2 quadrilaterals, -href 2, every 3 steps; min of $repeat)"
  printf "%-9s %9s %9s %10s %10s %7s\n" case elements dofs "step s" "adapt s" steps
  for n in 100 316; do
    [ "$sizes" = small ] && n=$((n / 2))
    [ "$sizes" = small ] && [ "$n" -eq 158 ] && n=100
    mesh=$(quadmesh "$n")
    args="-problem 16 -subproblem 3 -order 2 -outputdt 0 -href 2"
    dir="$work/hcost/q$n"
    rm -rf "$dir" "$dir.txt"
    dt=$(STEPS=1.5 steptime "$dir" "$mesh" "$(guessfor quads "$n" 2)" $args -hrefdt 1e9)
    tend=$(awk -v d="$dt" 'BEGIN { printf "%.6g", 20 * d }')
    hdt=$(awk -v d="$dt" 'BEGIN { printf "%.6g", 3 * d }')
    r=0
    while [ "$r" -lt "$repeat" ]; do
      r=$((r + 1))
      dgrun "$dir" "$mesh" $args -tend "$tend" -hrefdt "$hdt" || exit 1
      # "dofs step adapt": the iterations logged after the message adapted.
      awk '/^Doing Mesh Adaptation/ { next_adapts = 1; next }
        $2 == "iter" && $13 == "cpu(ts)" {
          if (next_adapts) a[++na] = $15; else if ($3 > 1) s[++ns] = $15
          d = $1; next_adapts = 0 }
        function med(v, n,   i, j, x) {
          for (i = 2; i <= n; ++i) { x = v[i]; for (j = i - 1; j >= 1 && v[j] > x; --j) v[j + 1] = v[j]; v[j + 1] = x }
          return n % 2 ? v[(n + 1) / 2] : 0.5 * (v[n / 2] + v[n / 2 + 1]) }
        END { if (na == 0 || ns == 0) { print d, 0, 0; exit }
          st = med(s, ns); printf "%d %.5g %.5g\n", d, st, med(a, na) - st }' "$dir/out.txt" >>"$dir.txt"
    done
    sort -g -k3 "$dir.txt" | head -n 1 | {
      read -r dofs step cost
      awk -v n="$n" -v d="$dofs" -v s="$step" -v c="$cost" 'BEGIN {
        printf "%-9s %9d %9d %10.4f %10.4f %7.2f\n", "q" n, d / 36, d, s, c, (s > 0 ? c / s : 0) }'
    }
  done
}

lts_section() {
  lc=0.02
  [ "$sizes" = small ] && lc=0.05
  echo "== local time stepping on graded meshes (lc $lc; t: processor time of the steps, s, min of $repeat)"
  printf "%-7s %-10s %8s %6s %9s %9s %6s %6s %7s %6s\n" mesh variant dofs steps t t+setup S t/tg 1.25/S ratio
  for kind in corner strip; do
    mesh=$(gradedmesh "$kind" "$lc")
    args="-problem 16 -subproblem 3 -order 2 -outputdt 0"
    base="$work/lts/$kind"
    rm -rf "$base"
    # The global step, then a final time of about STEPS_LTS global steps.
    dt=$(STEPS=1.5 steptime "$base/probe" "$mesh" 1e-4 $args)
    tend=$(awk -v d="$dt" -v s="${STEPS_LTS:-40}" 'BEGIN { printf "%.6g", (s - 0.5) * d }')
    g4=$(awk -v d="$dt" 'BEGIN { printf "%.6g", 4 * d }')
    g8=$(awk -v d="$dt" 'BEGIN { printf "%.6g", 8 * d }')
    r=0
    while [ "$r" -lt "$repeat" ]; do
      r=$((r + 1))
      for v in global nbsub2 nbsub3 goaldt4 goaldt8; do
        case $v in
          global) extra="" ;; nbsub2) extra="-nbsub 2" ;; nbsub3) extra="-nbsub 3" ;;
          goaldt4) extra="-goaldt $g4" ;; goaldt8) extra="-goaldt $g8" ;;
        esac
        dgrun "$base/$v" "$mesh" $args -tend "$tend" $extra || exit 1
        # dofs steps t(steps) t(col 6) S
        awk '{ s += $7; n++; d = $1; c = $6; g = $10 } END { printf "%d %d %.4f %.4f %.4f\n", d, n, s, c, g }' \
          "$base/$v/DG.log" >>"$base/$v.txt"
      done
    done
    tg=$(awk '{ print $3 }' "$base/global.txt" | minmed | cut -d' ' -f1)
    for v in global nbsub2 nbsub3 goaldt4 goaldt8; do
      t=$(awk '{ print $3 }' "$base/$v.txt" | minmed | cut -d' ' -f1)
      tc=$(awk '{ print $4 }' "$base/$v.txt" | minmed | cut -d' ' -f1)
      set -- $(head -n 1 "$base/$v.txt")
      awk -v k="$kind" -v v="$v" -v d="$1" -v n="$2" -v t="$t" -v tc="$tc" -v s="$5" -v tg="$tg" 'BEGIN {
        q = t / tg; b = 1.25 / s
        printf "%-7s %-10s %8d %6d %9.4f %9.4f %6.2f %6.2f %7.2f %6.2f\n", k, v, d, n, t, tc, s, q, b, q / b }'
    done
  done
}

case "$what" in
  limiter) limiter_section ;;
  adapt) adapt_section ;;
  hcost) hcost_section ;;
  lts) lts_section ;;
  all) limiter_section; echo; adapt_section; echo; hcost_section; echo; lts_section ;;
  *) echo "$0: the section is limiter, adapt, hcost, lts or all" >&2; exit 2 ;;
esac
