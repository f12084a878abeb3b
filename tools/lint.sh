#!/usr/bin/env bash
# Lint: the project format (clang-format, dry run), clang-tidy over the program's units in the compile commands
# of a build folder (.clang-tidy at the root says which checks; tools/lint_tidy.py runs it, without the tests)
# and shellcheck over every shell script. Fails on any finding.
#
#   tools/lint.sh [BUILD_FOLDER]
#
# BUILD_FOLDER must hold a compile_commands.json (a configure is enough); without it, build/lint is configured.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

failed=()

# Every tracked or new file of ours, not ignored.
sources() { git ls-files --cached --others --exclude-standard "$@"; }

echo "lint: clang-format"
if ! sources -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run --Werror; then
  failed+=(clang-format)
fi

echo "lint: shellcheck"
scripts=()
while IFS= read -r -d '' file; do
  [[ -f $file ]] || continue
  if [[ $file == *.sh ]] || head -n 1 "$file" | grep -Eq '^#!.*[/ ](ba)?sh( |$)'; then scripts+=("$file"); fi
done < <(sources -z)
if ! shellcheck -x "${scripts[@]}"; then failed+=(shellcheck); fi

echo "lint: clang-tidy"
build=${1:-build/lint}
if [[ ! -f $build/compile_commands.json ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
if ! python3 tools/lint_tidy.py "$build"; then failed+=(clang-tidy); fi

if ((${#failed[@]})); then
  echo "lint: findings from ${failed[*]}"
  exit 1
fi
echo "lint: clean"
