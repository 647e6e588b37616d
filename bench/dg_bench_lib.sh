# Shared parts of the run benchmarks (sourced by step67_compare.sh and
# dg_speed.sh): meshes, runs of `dg` as users start it, and the figures read
# from its DG.log. POSIX sh; needs awk, taskset, /usr/bin/time and, for
# triangles, gmsh. The caller sets: dg (the program), meshgen (dg_meshgen),
# work (a scratch folder) and core (the core to pin the runs to).

pin() {
  if command -v taskset >/dev/null; then taskset -c "$core" "$@"; else "$@"; fi
}

# (Functions keep their variables local: `local` is in dash, bash and busybox.)

# A structured quadrilateral grid of NX x NY cells on [X0,X1] x [Y0,Y1]
# (default the unit square); prints its file name.
quadmesh() {
  local nx=$1 ny=${2:-$1} box="${3:-0 1 0 1}" f
  f="$work/meshes/quad-$nx-$ny-$(echo "$box" | tr ' ' '_').msh"
  mkdir -p "$work/meshes"
  [ -f "$f" ] || "$meshgen" quad "$nx" "$ny" $box "$f" >/dev/null
  echo "$f"
}

# The unit-square grid of N x N quadrilaterals with every interior node moved
# by a random fraction (up to 0.2 h along each axis, a fixed seed); the
# boundary nodes stay where they are.
dquadmesh() {
  local n=$1 src f
  src=$(quadmesh "$n")
  f="$work/meshes/dquad-$n.msh"
  [ -f "$f" ] || awk -v h="$(awk -v n="$n" 'BEGIN { print 1.0 / n }')" '
    BEGIN { srand(12345); eps = 1e-12 }
    /^\$NOD/ { nod = 1; print; getline; print; next }
    /^\$ENDNOD/ { nod = 0 }
    nod && NF == 4 {
      x = $2 + 0; y = $3 + 0
      if (x > eps && x < 1 - eps && y > eps && y < 1 - eps) {
        x += 0.2 * h * (2 * rand() - 1); y += 0.2 * h * (2 * rand() - 1)
      }
      printf "%s %.17g %.17g %s\n", $1, x, y, $4; next
    }
    { print }' "$src" >"$f"
  echo "$f"
}

# Gmsh triangles (frontal Delaunay) on [X0,X1] x [Y0,Y1] (default the unit
# square) with about N elements; boundary tags 1 to 4, surface 100.
trimesh() {
  local n=$1 box="${2:-0 1 0 1}" x0 x1 y0 y1 f lc
  set -- $box
  x0=$1 x1=$2 y0=$3 y1=$4
  f="$work/meshes/tri-$n-$(echo "$box" | tr ' ' '_').msh"
  mkdir -p "$work/meshes"
  if [ ! -f "$f" ]; then
    lc=$(awk -v n="$n" -v a="$x0" -v b="$x1" -v c="$y0" -v d="$y1" \
      'BEGIN { printf "%.6g", sqrt(2.33 * (b - a) * (d - c) / n) }')
    cat >"$f.geo" <<EOF
lc = $lc;
Point(1) = {$x0, $y0, 0, lc}; Point(2) = {$x1, $y0, 0, lc}; Point(3) = {$x1, $y1, 0, lc}; Point(4) = {$x0, $y1, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve(1) = {1}; Physical Curve(2) = {2}; Physical Curve(3) = {3}; Physical Curve(4) = {4};
Physical Surface(100) = {1};
EOF
    gmsh -2 -format msh1 "$f.geo" -o "$f" >/dev/null
  fi
  echo "$f"
}

# A graded Gmsh triangle mesh of the unit square: KIND corner (element size
# lc / 8 at the origin, lc at the other corners) or strip (lc / 4 along
# the line x = 0.5, growing to lc at x = 0 and 1); LC the coarse size.
gradedmesh() {
  local kind=$1 lc=$2 f
  f="$work/meshes/graded-$kind-$lc.msh"
  mkdir -p "$work/meshes"
  if [ ! -f "$f" ]; then
    if [ "$kind" = corner ]; then
      cat >"$f.geo" <<EOF
lc = $lc;
Point(1) = {0, 0, 0, lc / 8}; Point(2) = {1, 0, 0, lc}; Point(3) = {1, 1, 0, lc}; Point(4) = {0, 1, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 1};
Curve Loop(1) = {1, 2, 3, 4};
Plane Surface(1) = {1};
Physical Curve(1) = {1}; Physical Curve(2) = {2}; Physical Curve(3) = {3}; Physical Curve(4) = {4};
Physical Surface(100) = {1};
EOF
    else
      cat >"$f.geo" <<EOF
lc = $lc;
Point(1) = {0, 0, 0, lc}; Point(2) = {0.5, 0, 0, lc / 4}; Point(3) = {1, 0, 0, lc};
Point(4) = {1, 1, 0, lc}; Point(5) = {0.5, 1, 0, lc / 4}; Point(6) = {0, 1, 0, lc};
Line(1) = {1, 2}; Line(2) = {2, 3}; Line(3) = {3, 4}; Line(4) = {4, 5}; Line(5) = {5, 6}; Line(6) = {6, 1};
Line(7) = {2, 5};
Curve Loop(1) = {1, 7, 5, 6}; Plane Surface(1) = {1};
Curve Loop(2) = {2, 3, 4, -7}; Plane Surface(2) = {2};
Physical Curve(1) = {1, 2}; Physical Curve(2) = {3}; Physical Curve(3) = {4, 5}; Physical Curve(4) = {6};
Physical Surface(100) = {1, 2};
EOF
    fi
    gmsh -2 -format msh1 "$f.geo" -o "$f" >/dev/null
  fi
  echo "$f"
}

# Runs `dg MESH ARGS...` in DIR (the mesh also as t.msh there, which
# problem 16 reads), pinned, under /usr/bin/time -v; stdout and stderr go to
# DIR/out.txt and DIR/time.txt. A failed run is named on stderr with the
# last lines of its output, and the status is 1.
dgrun() {
  local dir=$1 mesh=$2
  shift 2
  mkdir -p "$dir"
  ln -sf "$mesh" "$dir/m.msh"
  ln -sf "$mesh" "$dir/t.msh"
  if ! (cd "$dir" && /usr/bin/time -v -o time.txt taskset -c "$core" "$dg" m.msh "$@" >out.txt 2>&1); then
    echo "$0: dg failed in $dir (dg m.msh $*):" >&2
    tail -n 3 "$dir/out.txt" >&2
    return 1
  fi
}

# The final time that gives about STEPS global steps (default 15) of
# `dg MESH ARGS...`: a probe run with a guessed final time G (doubled until
# the probe makes at least two steps) reads the step size from DG.log.
# Prints the final time.
steptime() {
  local dir=$1 mesh=$2 guess=$3 g n
  shift 3
  g=$guess
  while :; do
    dgrun "$dir" "$mesh" "$@" -tend "$g" || return 1
    n=$(wc -l <"$dir/DG.log")
    [ "$n" -ge 2 ] && break
    g=$(awk -v g="$g" 'BEGIN { printf "%.6g", 4 * g }')
  done
  awk -v s="${STEPS:-15}" 'NR == 1 { printf "%.6g\n", (s - 0.5) * $3 }' "$dir/DG.log"
}

# Per-step figures of a finished run in DIR: "dofs steps ns/dof/step B/dof"
# (the dofs of the last step, the median over the steps after the first
# SKIP (default 2) of the 7th column over the 1st, the peak resident set
# over the dofs of the last step).
dgfigures() {
  local dir=$1 rss
  rss=$(awk '/Maximum resident set size/ { print $NF * 1024 }' "$dir/time.txt")
  awk -v skip="${SKIP:-2}" -v rss="$rss" '
    { dofs = $1 }
    NR > skip { t[++n] = 1e9 * $7 / $1 }
    END {
      if (n == 0) { print dofs, 0, 0, 0; exit }
      for (i = 2; i <= n; ++i) { v = t[i]; for (j = i - 1; j >= 1 && t[j] > v; --j) t[j + 1] = t[j]; t[j + 1] = v }
      m = n % 2 ? t[(n + 1) / 2] : 0.5 * (t[n / 2] + t[n / 2 + 1])
      printf "%d %d %.4g %.1f\n", dofs, n, m, rss / dofs
    }' "$dir/DG.log"
}

# Minimum and median of a list of numbers on standard input: "min median".
minmed() {
  sort -g | awk '{ v[++n] = $1 } END { if (n == 0) { print "- -"; exit }
    m = n % 2 ? v[(n + 1) / 2] : 0.5 * (v[n / 2] + v[n / 2 + 1]); printf "%.4g %.4g\n", v[1], m }'
}
