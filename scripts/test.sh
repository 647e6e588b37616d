#!/usr/bin/env bash
# Build (Release by default) and run every test.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release ${CMAKE_EXTRA:-} >/dev/null
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
