#!/usr/bin/env bash
# The main window's download beside yeroup-fetch's, with a screen reader's queries timed meanwhile (see
# window_vs_fetch.py). Needs the targets yeroup, yeroup-fetch and yeroup-publish built, and the packages of
# tools/setup.sh. The machine is shared: run it with nice and quote the spread.
# Usage: bench/app/window_vs_fetch.sh [build folder, default build/release] [runs, default 3] [MiB, default 256]
set -euo pipefail
cd "$(dirname "$0")/../.."
exec dbus-run-session -- /usr/bin/python3 bench/app/window_vs_fetch.py "$@"
