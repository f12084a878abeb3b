#!/usr/bin/env bash
# The whole test suite: installs what is missing, then builds and runs every test twice,
# once optimised and once under AddressSanitizer and UndefinedBehaviorSanitizer, and gives every
# fuzz target a short run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_suite() {
  local name=$1
  shift
  cmake -S . -B "build/$name" -G Ninja -DYEROUP_WERROR=ON "$@"
  cmake --build "build/$name" -j "$jobs"
  ctest --test-dir "build/$name" --output-on-failure -j "$jobs" --timeout 900
}

run_suite release -DCMAKE_BUILD_TYPE=RelWithDebInfo

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
run_suite sanitize -DCMAKE_BUILD_TYPE=Debug -DYEROUP_SANITIZE=ON -DYEROUP_BUILD_BENCH=OFF

# The fuzz targets must keep building; each gets a short run from an empty corpus.
cmake -S . -B build/fuzz -G Ninja -DYEROUP_WERROR=ON -DYEROUP_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DYEROUP_BUILD_APP=OFF -DYEROUP_BUILD_TESTS=OFF -DYEROUP_BUILD_BENCH=OFF
cmake --build build/fuzz -j "$jobs"
fuzz_passed=0
for fuzzer in build/fuzz/tests/fuzz/*_fuzz; do
  scratch=$(mktemp -d)
  (cd "$scratch" && "$root/$fuzzer" -max_total_time=15 -print_final_stats=0 >"$scratch/log" 2>&1) || {
    tail -40 "$scratch/log"
    echo "fuzz smoke run failed: $fuzzer"
    exit 1
  }
  rm -rf "$scratch"
  fuzz_passed=$((fuzz_passed + 1))
done
echo "fuzz: $fuzz_passed passed, 0 failed"
