#!/usr/bin/env bash
# The test command, in two tiers:
#
#   tools/run-tests.sh          installs what is missing, checks the format and the shell scripts, and builds and
#                               runs every test optimised (build/release), fuzz corpora replayed
#   tools/run-tests.sh --full   adds clang-tidy, every power-cut state of the crash scenarios, every test again
#                               under AddressSanitizer and UndefinedBehaviorSanitizer (build/sanitize), the threaded
#                               folders under ThreadSanitizer (build/tsan) and a short run of every fuzz target (CI
#                               runs this)
#
# Each phase's time is printed at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

full=false
case ${1:-} in
--full) full=true ;;
"") ;;
*)
  echo "usage: $0 [--full]" >&2
  exit 2
  ;;
esac

timings=()
# phase NAME COMMAND...: runs the command and notes its time.
phase() {
  local name=$1 start=$SECONDS
  shift
  echo "== $name"
  "$@"
  timings+=("$(printf '%-20s %5d s' "$name" $((SECONDS - start)))")
}

phase set-up bash tools/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

# configure FOLDER OPTIONS...: a build folder of its own for each kind of build.
configure() {
  local folder=$1
  shift
  cmake -S . -B "build/$folder" -G Ninja -DYEROUP_WERROR=ON "$@" >/dev/null
}
run_tests() { ctest --test-dir "$1" --output-on-failure -j "$jobs" --timeout 900; }

phase format bash tools/lint.sh format
phase shellcheck bash tools/lint.sh shell
phase release-configure configure release -DCMAKE_BUILD_TYPE=RelWithDebInfo
# clang-tidy needs only the compile commands of a configured build, not the build itself.
if $full; then phase clang-tidy bash tools/lint.sh tidy build/release; fi
phase release-build cmake --build build/release -j "$jobs"
phase release-tests run_tests build/release
# Every cut of every power-cut scenario, where the quick tier takes a sample (tests/app/crash/).
if $full; then phase crash-states env YEROUP_CRASH_STATES=all build/release/tests/app/crash/app_crash_state_tests; fi

if $full; then
  # The sanitizers' settings are compiled into these builds' programs (cmake/SanitizerOptions.cpp).
  phase sanitize-configure configure sanitize -DCMAKE_BUILD_TYPE=Debug -DYEROUP_SANITIZE=ON -DYEROUP_BUILD_BENCH=OFF
  phase sanitize-build cmake --build build/sanitize -j "$jobs"
  phase sanitize-tests run_tests build/sanitize

  # The threaded parts under ThreadSanitizer: the socket layer, the threaded connect and the cancel from the
  # message pump. Only these folders' tests and what they link are built.
  tsan_folders=(tests/platform/threads tests/platform/sockets tests/net)
  phase tsan-configure configure tsan -DYEROUP_TSAN=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo -DYEROUP_BUILD_APP=OFF \
    -DYEROUP_BUILD_BENCH=OFF
  phase tsan-build cmake --build build/tsan -j "$jobs" --target "${tsan_folders[@]/%//all}"
  tsan_tests() { for folder in "${tsan_folders[@]}"; do run_tests "build/tsan/$folder"; done; }
  phase tsan-tests tsan_tests

  # The fuzz targets must keep building; each gets a short run seeded from its corpus, with its dictionary.
  phase fuzz-build bash tools/fuzz.sh --build
  phase fuzz-smoke bash tools/fuzz.sh --smoke 15
fi

echo "== times"
printf '%s\n' "${timings[@]}"
