#!/bin/sh
# Links the input-language fuzz target against the libraries of a build made
# with clang and -fsanitize=fuzzer-no-link,address,undefined (see
# lang_fuzz.cpp). Usage: tests/fuzz/lang_fuzz_build.sh BUILD_DIR
set -e
build=${1:?build directory}
root=$(cd "$(dirname "$0")/../.." && pwd)
libs=$(find "$build" -name '*.a' | sort)
incs=""
for d in src geometry config dg laws adaptivity output problems; do
  [ -d "$root/$d" ] && incs="$incs -I$root/$d"
done
clang++ -std=c++20 -O1 -g -fsized-deallocation -fsanitize=fuzzer,address,undefined \
  $incs "$root/tests/fuzz/lang_fuzz.cpp" -o "$build/lang_fuzz" \
  -Wl,--start-group $libs -Wl,--end-group
echo "$build/lang_fuzz"
