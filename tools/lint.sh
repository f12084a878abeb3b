#!/usr/bin/env bash
# Lint: the project format (clang-format, dry run), shellcheck over every shell script, and clang-tidy over the
# program's units in the compile commands of a build folder (.clang-tidy at the root says which checks;
# tools/lint_tidy.py runs it, without the tests). Fails on any finding.
#
#   tools/lint.sh [format] [shell] [tidy] [BUILD_FOLDER]
#
# Names the checks to run (all three when none is named). BUILD_FOLDER must hold a compile_commands.json (a
# configure is enough); without it, build/lint is configured.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

checks=()
build=build/lint
for arg in "$@"; do
  case $arg in
  format | shell | tidy) checks+=("$arg") ;;
  *) build=$arg ;;
  esac
done
((${#checks[@]})) || checks=(format shell tidy)
failed=()

# Every tracked or new file of ours, not ignored.
sources() { git ls-files --cached --others --exclude-standard "$@"; }

for check in "${checks[@]}"; do
  case $check in
  format)
    echo "lint: clang-format"
    if ! sources -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror; then failed+=(clang-format); fi
    ;;
  shell)
    echo "lint: shellcheck"
    scripts=()
    while IFS= read -r -d '' file; do
      [[ -f $file ]] || continue
      if [[ $file == *.sh ]] || head -n 1 "$file" | grep -Eq '^#!.*[/ ](ba)?sh( |$)'; then scripts+=("$file"); fi
    done < <(sources -z)
    if ! shellcheck -x "${scripts[@]}"; then failed+=(shellcheck); fi
    ;;
  tidy)
    echo "lint: clang-tidy"
    if [[ ! -f $build/compile_commands.json ]]; then
      cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    fi
    if ! python3 tools/lint_tidy.py "$build"; then failed+=(clang-tidy); fi
    ;;
  esac
done

if ((${#failed[@]})); then
  echo "lint: findings from ${failed[*]}"
  exit 1
fi
echo "lint: clean"
