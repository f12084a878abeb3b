#!/usr/bin/env bash
# The whole test suite: installs what is missing, lints (format, clang-tidy, shellcheck), then builds and
# runs every test twice, once optimised and once under AddressSanitizer and UndefinedBehaviorSanitizer (each
# replaying the fuzz corpora), runs the threaded tests under ThreadSanitizer, and gives every fuzz target a
# short run.
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

release_options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
# Lint first: it needs only the compile commands of a configured build, not the build itself.
cmake -S . -B build/release -G Ninja -DYEROUP_WERROR=ON "${release_options[@]}" >/dev/null
bash tools/lint.sh build/release

run_suite release "${release_options[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0
run_suite sanitize -DCMAKE_BUILD_TYPE=Debug -DYEROUP_SANITIZE=ON -DYEROUP_BUILD_BENCH=OFF

# The threaded parts under ThreadSanitizer: the socket layer, the threaded connect and the cancel from the
# message pump. Only these folders' tests are built and run, to keep the extra time to a minute or two.
tsan_folders=(tests/platform/threads tests/platform/sockets tests/net)
cmake -S . -B build/tsan -G Ninja -DYEROUP_WERROR=ON -DYEROUP_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DYEROUP_BUILD_APP=OFF -DYEROUP_BUILD_BENCH=OFF
cmake --build build/tsan -j "$jobs" --target "${tsan_folders[@]/%//all}"
for folder in "${tsan_folders[@]}"; do
  TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1" \
    ctest --test-dir "build/tsan/$folder" --output-on-failure -j "$jobs" --timeout 900
done

# The fuzz targets must keep building; each gets a short run seeded from its corpus, with its dictionary.
bash tools/fuzz.sh --smoke 15
