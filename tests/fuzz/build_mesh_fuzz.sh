#!/bin/sh
# Builds the mesh-reader fuzzing harness with clang's libFuzzer under
# AddressSanitizer and UndefinedBehaviorSanitizer into the given directory
# (default /tmp/mesh_fuzz). Not part of the CMake build or of CI.
#   tests/fuzz/build_mesh_fuzz.sh [out-dir]
#   <out-dir>/mesh_fuzz -max_total_time=600 -rss_limit_mb=2048 <out-dir>/corpus tests/fuzz/mesh_seeds
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${1:-/tmp/mesh_fuzz}
mkdir -p "$out/obj" "$out/corpus"
flags="-std=c++20 -g -O1 -fno-omit-frame-pointer -fsized-deallocation -fsanitize=address,undefined -fno-sanitize-recover=undefined -I$root/src -I$root/cint"
objs=""
for f in "$root"/src/*.cpp "$root"/cint/*.cpp; do
  o="$out/obj/$(basename "$(dirname "$f")")_$(basename "$f" .cpp).o"
  clang++ $flags -fsanitize=fuzzer-no-link -c "$f" -o "$o"
  objs="$objs $o"
done
# An archive, as the CMake build links the library: only the objects the
# readers need are taken (the procedural services call into other folders).
rm -f "$out/libkora_fuzz.a"
ar rcs "$out/libkora_fuzz.a" $objs
clang++ $flags -I"$root/tests/src" -fsanitize=fuzzer "$root/tests/fuzz/mesh_fuzz.cpp" "$out/libkora_fuzz.a" -o "$out/mesh_fuzz"
echo "$out/mesh_fuzz"
