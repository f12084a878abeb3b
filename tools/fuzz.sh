#!/usr/bin/env bash
# Runs the libFuzzer targets of tests/fuzz/, each with its dictionary (tests/fuzz/dict/TARGET.dict) and
# seeded from its corpus (tests/fuzz/corpus/TARGET/) and saved crash inputs (tests/fuzz/crashes/TARGET/).
#
#   tools/fuzz.sh TARGET MINUTES    fuzz one target that long, then merge the inputs that reach new code
#                                   into its corpus in the repository (review and commit them)
#   tools/fuzz.sh --smoke SECONDS   every target that long, keeping nothing: the test command's check
#   tools/fuzz.sh --build           only build the targets
#
# A crash, hang or memory blow-up stops the run; its input is kept in build/fuzz-findings/TARGET/. Once the
# fault is fixed, move the input to tests/fuzz/crashes/TARGET/ so every test run replays it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# One input running longer than this is reported as a hang.
readonly kInputTimeoutSeconds=10

targets() { for dict in tests/fuzz/dict/*.dict; do basename "$dict" .dict; done; }

usage() {
  echo "usage: $0 TARGET MINUTES | --smoke SECONDS | --build" >&2
  echo "targets: $(targets | tr '\n' ' ')" >&2
  exit 2
}

# The clang fuzz build of the fuzz targets and what they link, nothing else; only what changed is rebuilt.
build() {
  cmake -S . -B build/fuzz -G Ninja -DYEROUP_WERROR=ON -DYEROUP_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DYEROUP_BUILD_APP=OFF -DYEROUP_BUILD_TESTS=OFF -DYEROUP_BUILD_BENCH=OFF >/dev/null
  local wanted
  mapfile -t wanted < <(targets)
  cmake --build build/fuzz -j "$(nproc)" --target "${wanted[@]}"
}

# run TARGET SECONDS NEW_INPUTS_FOLDER FINDINGS_FOLDER LOG: new interesting inputs go to the first folder.
run() {
  local target=$1 seconds=$2 fresh=$3 findings=$4 log=$5
  local seeds=("tests/fuzz/corpus/$target")
  [[ -d tests/fuzz/crashes/$target ]] && seeds+=("tests/fuzz/crashes/$target")
  mkdir -p "$fresh" "$findings"
  "build/fuzz/tests/fuzz/$target" -dict="tests/fuzz/dict/$target.dict" -max_total_time="$seconds" \
    -timeout="$kInputTimeoutSeconds" -artifact_prefix="$findings/" -print_final_stats=1 \
    "$fresh" "${seeds[@]}" >"$log" 2>&1
}

# report_findings TARGET LOG STARTED: STARTED is a file made before the run, older than what it found.
report_findings() {
  local target=$1 log=$2 started=$3
  tail -40 "$log"
  echo "fuzz: $target failed; its input is kept in build/fuzz-findings/$target/:"
  find "build/fuzz-findings/$target" -type f -newer "$started" -printf '  %p\n'
  echo "replay it with build/release/tests/fuzz/${target}_replay FILE; once fixed, move it to tests/fuzz/crashes/$target/"
}

smoke() {
  local seconds=$1 passed=0 target scratch
  for target in $(targets); do
    scratch=$(mktemp -d)
    touch "$scratch/started"
    if ! run "$target" "$seconds" "$scratch/new" "build/fuzz-findings/$target" "$scratch/log"; then
      report_findings "$target" "$scratch/log" "$scratch/started"
      rm -rf "$scratch"
      exit 1
    fi
    rm -rf "$scratch"
    passed=$((passed + 1))
  done
  echo "fuzz: $passed passed, 0 failed"
}

list() { find "$1" -type f -printf '%f\n' | sort; }

fuzz_and_merge() {
  local target=$1 minutes=$2
  local corpus="tests/fuzz/corpus/$target" work="build/fuzz-runs/$target"
  rm -rf "$work"
  mkdir -p "$work"
  touch "$work/started"
  local status=0
  run "$target" $((minutes * 60)) "$work/new" "build/fuzz-findings/$target" "$work/fuzz.log" || status=$?
  grep -E '^(stat::|Done|INFO: seed corpus)' "$work/fuzz.log" || true

  # Keep only the inputs that reach code (edges, not hit counts) the corpus does not reach yet, so the
  # corpus grows with coverage and stays small.
  list "$corpus" >"$work/before"
  "build/fuzz/tests/fuzz/$target" -merge=1 -use_counters=0 -timeout="$kInputTimeoutSeconds" "$corpus" "$work/new" \
    >"$work/merge.log" 2>&1 || { tail -20 "$work/merge.log"; echo "merge failed" >&2; exit 1; }
  list "$corpus" >"$work/after"
  local added
  added=$(comm -13 "$work/before" "$work/after")
  if [[ -n $added ]]; then
    local bytes
    bytes=$(cd "$corpus" && xargs stat -c %s <<<"$added" | awk '{ total += $1 } END { print total }')
    echo "added $(wc -l <<<"$added") inputs ($bytes bytes) to $corpus/; review and commit them (git status $corpus)"
  else
    echo "no new coverage; $corpus/ is unchanged"
  fi
  if ((status != 0)); then
    report_findings "$target" "$work/fuzz.log" "$work/started"
    exit 1
  fi
}

if [[ ${1:-} == --build && $# == 1 ]]; then
  build
  exit 0
fi
(($# == 2)) || usage
if [[ $1 == --smoke ]]; then
  [[ $2 =~ ^[1-9][0-9]*$ ]] || usage
  build
  smoke "$2"
else
  [[ -f tests/fuzz/dict/$1.dict && $2 =~ ^[1-9][0-9]*$ ]] || usage
  build
  fuzz_and_merge "$1" "$2"
fi
