#!/bin/sh
# Links the recovery-file fuzzing harness against the libraries of a build
# folder configured for fuzzing (see recovery_fuzz.cpp). Not run by CI.
# Usage: tests/fuzz/build_recovery_fuzz.sh BUILD_DIR [OUTPUT]
set -e
b=${1:?build folder}
out=${2:-$b/recovery_fuzz}
src=$(cd "$(dirname "$0")/../.." && pwd)
inc=""
for d in src geometry config dg laws output problems adaptivity; do inc="$inc -I$src/$d"; done
libs=""
for l in problems/libproblems.a adaptivity/libadaptivity.a output/liboutput.a laws/liblaws.a \
         config/libdgcore.a geometry/libgeometry.a src/libkora.a; do
  libs="$libs $b/$l"
done
clang++ -std=c++20 -O1 -g -fsized-deallocation -fsanitize=fuzzer,address,undefined \
  -fno-sanitize-recover=undefined $inc "$src/tests/fuzz/recovery_fuzz.cpp" \
  -Wl,--start-group $libs -Wl,--end-group -o "$out"
echo "$out"
