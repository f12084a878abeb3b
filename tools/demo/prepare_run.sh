#!/usr/bin/env bash
# Lays out a demo run folder: the program's exe folder with a copy of the executable and the
# setup program, a player software folder with its updater, and the registry stand-in file
# that points at it. Files the program left there (catalogue, user.ini, FirmwareBack/) stay,
# unless --fresh is given. With --no-player the registry file has no player software entry,
# as on a machine where it was never installed.
# Usage: prepare_run.sh [--fresh] [--no-player] EXECUTABLE RUN_DIR
set -euo pipefail
fresh=0
player=1
while [[ ${1:-} == --* ]]; do
  case $1 in
    --fresh) fresh=1 ;;
    --no-player) player=0 ;;
    *) echo "$0: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
if (($# != 2)); then
  echo "usage: $0 [--fresh] [--no-player] EXECUTABLE RUN_DIR" >&2
  exit 2
fi
exe=$1
run=$2
here=$(cd "$(dirname "$0")" && pwd)
[[ -x $exe ]] || { echo "$0: no executable at $exe" >&2; exit 1; }

if ((fresh)); then rm -rf "$run"; fi
mkdir -p "$run/player"
run=$(cd "$run" && pwd)
cp -f "$exe" "$run/$(basename "$exe")"
# The program's translations are found beside it, as in the build tree.
if [[ -d $(dirname "$exe")/translations ]]; then
  rm -rf "$run/translations"
  cp -r "$(dirname "$exe")/translations" "$run/translations"
fi
cp -f "$here/player/SigmaTelSetup.exe" "$run/SigmaTelSetup.exe"
cp -f "$here/player/stupdaterapp.exe" "$run/player/stupdaterapp.exe"
if ((player)); then
  cat > "$run/registry.ini" <<INI
[software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]
Install Folder=$run/player
INI
else
  echo "; the player software is not installed" > "$run/registry.ini"
fi
