#!/usr/bin/env bash
# Build (Release by default) and run every test. Run as root on a Debian
# machine, it first installs what the tests need (cmake, g++, make,
# GoogleTest) and Gmsh, which reads back the views (the test that uses it is
# skipped without it).
#
#   BUILD_DIR=dir CMAKE_EXTRA="cmake options" scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
install_missing cmake:cmake g++:g++ make:make libgtest-dev:/usr/include/gtest/gtest.h
if ! command -v gmsh >/dev/null 2>&1 && [ "$(id -u)" -eq 0 ]; then
  (install_missing gmsh:gmsh) || echo "gmsh could not be installed: the view read-back test will be skipped"
fi
build=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
# shellcheck disable=SC2086  # CMAKE_EXTRA is a word list
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DDG_BUILD_TESTS=ON ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs"
