#!/usr/bin/env bash
# Builds everything and runs the whole test suite. Arguments go to ctest.
#   --sanitize  build into ./build-asan with the address and undefined-behaviour
#               sanitizers (-DMATRIX_SANITIZE=ON) and run the suite there; a
#               leak or an undefined-behaviour report fails the test.
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=0
args=()
for a in "$@"; do
  if [ "$a" = "--sanitize" ]; then sanitize=1; else args+=("$a"); fi
done

if [ $sanitize -eq 0 ]; then
  bash scripts/build.sh
  cd build
  ctest --output-on-failure -j"$(nproc)" ${args[@]+"${args[@]}"}
  exit
fi

bash scripts/deps.sh
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMATRIX_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd build-asan
ctest --output-on-failure -j"$(nproc)" ${args[@]+"${args[@]}"}
