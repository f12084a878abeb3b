#!/usr/bin/env bash
# Line and branch coverage of the program's code by the whole test suite, per folder: builds build/coverage
# (Debug, gcc's --coverage), runs every test there and prints gcovr's figures for each folder of the program.
# Branches that only exceptions take (the compiler's own unwinding paths) are left out of the branch counts.
#
#   tools/coverage.sh [--html]    --html also writes build/coverage/html/index.html, line by line
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash tools/setup.sh
build=build/coverage
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DYEROUP_COVERAGE=ON -DYEROUP_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"
# Counts of an earlier run would add up with this one's.
find "$build" -name '*.gcda' -delete
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" -j "$(nproc)" --timeout 900 --output-on-failure >"$build/ctest.log" ||
  { tail -30 "$build/ctest.log"; exit 1; }

report=(gcovr --root . --object-directory "$build" --filter '(app|http|net|platform|zip|tools/fetch)/'
  --exclude-throw-branches --exclude-unreachable-branches --gcov-ignore-parse-errors -j "$(nproc)")
"${report[@]}" --json-summary "$build/coverage.json"
[[ ${1:-} == --html ]] && "${report[@]}" --html-details "$build/html/index.html"

python3 - "$build/coverage.json" <<'PY'
import collections, json, os, sys
folders = collections.defaultdict(lambda: [0, 0, 0, 0])
for unit in json.load(open(sys.argv[1]))["files"]:
    totals = folders[os.path.dirname(unit["filename"])]
    for i, key in enumerate(("line_covered", "line_total", "branch_covered", "branch_total")):
        totals[i] += unit[key]
    totals = folders["all"]
    for i, key in enumerate(("line_covered", "line_total", "branch_covered", "branch_total")):
        totals[i] += unit[key]
def percent(covered, total):
    return "%5.1f%%" % (100.0 * covered / total) if total else "    -"
print("%-22s %14s %7s %14s %7s" % ("folder", "lines", "", "branches", ""))
for folder in sorted(folders, key=lambda name: (name == "all", name)):
    lc, lt, bc, bt = folders[folder]
    print("%-22s %6d / %6d %7s %6d / %6d %7s" % (folder, lc, lt, percent(lc, lt), bc, bt, percent(bc, bt)))
PY
