#!/usr/bin/env bash
# Build the solver (Release) and run one shipped example end to end.
#
#   scripts/example.sh [CASE] [extra options ...]
#
# CASE is a folder of examples/ (default: burgers). The run writes its Gmsh
# views, "DG.log" and the sensors' files into out/CASE. Run as root on a
# Debian machine, it first installs what the build needs (cmake, g++, make);
# the tests and their libraries are not needed.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake:cmake g++:g++ make:make
case_name=${1:-burgers}
[ "$#" -gt 0 ] && shift
build=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j "$jobs" --target dg
examples/run_example.sh "$build/dg" "$case_name" "out/$case_name" "$@"
echo "results in out/$case_name (open the .pos files with gmsh)"
