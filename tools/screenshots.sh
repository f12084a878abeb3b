#!/usr/bin/env bash
# Runs the program under Xvfb against the demo update host and saves PNG screenshots:
#
#   tools/screenshots.sh [--no-build] [OUT_DIR]      (default OUT_DIR: build/screenshots)
#
#   1-splash.png       the splash window during the start-up checks
#   2-main.png         the main window with the first model and firmware and their pages
#   3-downloading.png  a package download in progress (the host is throttled for it)
#   4-ready.png        the package-ready panel once the package is stored
#   5-connect.png      the question before the updater starts (answered with OK afterwards)
#
# Uses a fresh exe folder in build/screenshots-run and a host on a free port, so it does not get in
# the way of a running tools/run-demo.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/demo/demo_lib.sh

build=1
if [[ ${1:-} == --no-build ]]; then build=0; shift; fi
out=$(mkdir -p "${1:-build/screenshots}" && cd "${1:-build/screenshots}" && pwd)
run=$root/build/screenshots-run
wait_s=120   # generous: the machine may be loaded

if ((build)); then
  demo_setup
  demo_build
fi
demo_site
bash tools/demo/prepare_run.sh --fresh build/release/app/yeroup "$run"

xvfb_pid=
wm_pid=
app_pid=
cleanup() {
  local pid
  for pid in $app_pid $wm_pid $xvfb_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  demo_stop_host
}
trap cleanup EXIT

# 6 MiB at 512 KiB/s: about 12 s of visible progress.
demo_start_host 0 512 "$run/host.log"
export YEROUP_UPDATE_HOST=127.0.0.1:$demo_host_port
export YEROUP_REGISTRY_FILE=$run/registry.ini

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$run/display" 2>"$run/xvfb.log" &
xvfb_pid=$!
for ((i = 0; i < wait_s * 10; i++)); do [[ -s $run/display ]] && break; sleep 0.1; done
[[ -s $run/display ]] || { demo_say "Xvfb did not start"; cat "$run/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$run/display")
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# A window manager, so windows get their caption bars and can be closed as a user would.
openbox >"$run/openbox.log" 2>&1 &
wm_pid=$!

# find_window TITLE: prints the id of the first visible window whose title contains TITLE.
find_window() {
  timeout "$wait_s" xdotool search --sync --onlyvisible --limit 1 --name "$1" ||
    { demo_say "no window \"$1\" within $wait_s s (program output: $run/app.log)" >&2; return 1; }
}
shot() {
  import -window root "$out/$1"
  demo_say "saved $out/$1"
}

(cd "$run" && exec ./yeroup) >"$run/app.log" 2>&1 &
app_pid=$!

find_window 'Tavik MP3 LiveUpdate' >/dev/null
sleep 0.3
shot 1-splash.png

main=$(find_window 'YERO MP3 LiveUpdate 2005')
sleep 2   # let the page views render
shot 2-main.png

# The download button sits at 608,5 (75 x 25) in the top panel, which starts at -1,0.
package=$run/FirmwareBack/YERO-T10_V1.05.zip
xdotool mousemove --window "$main" 645 17 click 1
sleep 4
shot 3-downloading.png

for ((i = 0; i < wait_s * 10; i++)); do [[ -f $package ]] && break; sleep 0.1; done
[[ -f $package ]] || { demo_say "the package was not stored within $wait_s s"; exit 1; }
sleep 1
shot 4-ready.png

# The upgrade button: 370,8 (75 x 49) in the package-ready panel at 240,384.
xdotool mousemove --window "$main" 647 416 click 1
question=$(find_window '将您的MP3播放器与电脑连接')
sleep 0.5
shot 5-connect.png
xdotool windowfocus --sync "$question" key Return

log=$run/player/updater-invocations.log
for ((i = 0; i < wait_s * 10; i++)); do [[ -s $log ]] && break; sleep 0.1; done
if [[ -s $log ]]; then
  demo_say "updater started: $(tail -n 1 "$log")"
else
  demo_say "the updater was not started"
  exit 1
fi

# Closing the main window ends the program, which saves the selection on the way.
xdotool windowactivate --sync "$main" key alt+F4
for ((i = 0; i < wait_s * 10; i++)); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$app_pid" 2>/dev/null; then
  demo_say "the program did not end when its main window was closed"
  exit 1
fi
wait "$app_pid" || { demo_say "the program ended with status $?"; exit 1; }
app_pid=
demo_say "program closed; selection saved: $(tr '\r\n' '  ' <"$run/user.ini")"
