#!/usr/bin/env bash
# Builds the program and runs it against the demo update host on loopback.
#
#   tools/run-demo.sh [--fresh] [--no-player] [--rate-kib N] [--port N] [--secure]
#
#   --fresh       start from an empty exe folder (no catalogue copy, selection or stored packages)
#   --no-player   run as on a machine without the player software (the program offers its setup)
#   --rate-kib N  throttle the host's bodies to N KiB/s so the download progress can be watched
#                 (default 1024; 0 for no limit)
#   --port N      run the host on another port and point the program at it with YEROUP_UPDATE_HOST
#                 (default: the program's built-in 127.0.0.1:8765)
#   --secure      sign the site and serve it over https (test CA in build/demo-pki, keys in
#                 build/demo-keys); the program trusts both and checks every signature
#
# The site is built from tools/demo/source with yeroup-publish, signed by it with --secure, and checked by
# it once the host serves it.
#
# Lays out build/demo-site (the host's files) and build/demo-run (the exe folder with a copy of the
# program, the player software stand-in in build/demo-run/player and the registry file). The host
# stops when the program exits. What the updater was started with is in
# build/demo-run/player/updater-invocations.log.
#
# Without a display (a server, a container) the program runs on a virtual one: once the catalogue
# has loaded, a picture of the main window is saved to build/screenshots/run-demo-main.png, its path
# printed, and the program closed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/demo/demo_lib.sh

usage() { sed -n '3,13s/^# \{0,1\}//p' "$0"; }
prepare=()
rate=1024
port=
secure=0
while (($#)); do
  case $1 in
    --fresh | --no-player) prepare+=("$1") ;;
    --rate-kib) rate=${2:?--rate-kib needs a number}; shift ;;
    --port) port=${2:?--port needs a number}; shift ;;
    --secure) secure=1 ;;
    -h | --help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done

demo_setup
demo_build
demo_site
((secure)) && demo_secure_site
bash tools/demo/prepare_run.sh "${prepare[@]}" build/program/app/yeroup build/demo-run
run=$root/build/demo-run

headless=0
if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then headless=1; fi

trap demo_stop_host EXIT
if ((secure)); then
  demo_start_host "${port:-8765}" "$rate" "$root/build/demo-host.log" \
    --tls-cert build/demo-pki/server.pem --tls-key build/demo-pki/server.key
  # localhost is one of the certificate's names and needs no name lookup.
  export YEROUP_UPDATE_HOST=https://localhost:$demo_host_port
  export YEROUP_CA_FILE=$root/build/demo-pki/ca.pem
  export YEROUP_TRUSTED_KEYS=$root/build/demo-keys/demo.pub
elif [[ -n $port ]]; then
  demo_start_host "$port" "$rate" "$root/build/demo-host.log"
  export YEROUP_UPDATE_HOST=127.0.0.1:$demo_host_port
else
  demo_start_host 8765 "$rate" "$root/build/demo-host.log"
  unset YEROUP_UPDATE_HOST
fi
demo_say "demo update host on ${YEROUP_UPDATE_HOST:-127.0.0.1:$demo_host_port} (log: build/demo-host.log), $rate KiB/s"
demo_say "checking the site as the program will read it (yeroup-publish check)"
if ((secure)); then
  demo_check_site --key build/demo-keys/demo.pub "$YEROUP_UPDATE_HOST"
else
  demo_check_site "${YEROUP_UPDATE_HOST:-127.0.0.1:$demo_host_port}"
fi
export YEROUP_REGISTRY_FILE=$run/registry.ini

status=0
if ((headless)); then
  demo_say "no display: running the program on a virtual one to take a picture of it"
  mkdir -p build/screenshots
  trap 'demo_stop_display; demo_stop_host' EXIT
  demo_start_display "$run"
  (cd "$run" && exec ./yeroup) >"$run/app.log" 2>&1 &
  app_pid=$!
  # The main window, or on a machine without the player software the question to install it.
  window=
  # shellcheck disable=SC2317  # called through demo_wait_for
  shown() {
    window=$(xdotool search --onlyvisible --limit 1 --name "$1" 2>/dev/null) && [[ -n $window ]]
  }
  # shellcheck disable=SC2317  # called through demo_wait_for
  main_or_question() { shown 'YERO MP3 LiveUpdate 2005' || shown 'YERO MP3 LiveUpdate 提示' || ! kill -0 "$app_pid" 2>/dev/null; }
  demo_wait_for main_or_question || true
  picture=$root/build/screenshots/run-demo-main.png
  if [[ -n $window ]]; then
    sleep 2  # let the page views render
    if xdotool getwindowname "$window" | grep -q '2005'; then demo_shot "$picture" "$window"; else demo_shot "$picture"; fi
    demo_say "what the program shows after start-up: $picture"
    demo_say "to use the program itself, run this script in a desktop session"
    # Closing the main window ends the program; closing the install question answers it with Cancel.
    xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2>/dev/null || true
    demo_wait_for eval "! kill -0 $app_pid 2>/dev/null" || kill "$app_pid" 2>/dev/null || true
  else
    demo_say "the program showed no window (output: build/demo-run/app.log)"
  fi
  wait "$app_pid" || status=$?
else
  (cd "$run" && ./yeroup) || status=$?
fi
demo_say "program ended with status $status"
if [[ -f $run/setup-invocations.log ]]; then
  demo_say "setup program starts recorded in build/demo-run/setup-invocations.log:"
  tail -n 5 "$run/setup-invocations.log"
fi
if [[ -f $run/player/updater-invocations.log ]]; then
  demo_say "updater starts recorded in build/demo-run/player/updater-invocations.log:"
  tail -n 5 "$run/player/updater-invocations.log"
fi
exit "$status"
