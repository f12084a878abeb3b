#!/usr/bin/env bash
# Runs the program under Xvfb (with a window manager) against the demo update host and saves PNG
# screenshots of a whole session:
#
#   tools/screenshots.sh [--no-build] [OUT_DIR]      (default OUT_DIR: build/screenshots)
#
#   0-no-player.png    without the player software: the question to install it (answered OK, which
#                      starts the setup program stand-in and ends the program)
#   1-splash.png       the splash window during the start-up checks
#   2-main.png         the main window with the first model and firmware and their pages
#   3-downloading.png  a package download in progress (the host is throttled for it)
#   4-ready.png        the package-ready panel once the package is stored
#   5-connect.png      the question before the updater starts (answered OK, which starts the updater
#                      stand-in); the main window is then closed
#
# Uses fresh exe folders under build/screenshots-run and a host on a free port, so it does not get
# in the way of a running tools/run-demo.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/demo/demo_lib.sh

build=1
if [[ ${1:-} == --no-build ]]; then build=0; shift; fi
out=$(mkdir -p "${1:-build/screenshots}" && cd "${1:-build/screenshots}" && pwd)
base=$root/build/screenshots-run
wait_s=120   # generous: the machine may be loaded

if ((build)); then
  demo_setup
  demo_build
fi
demo_site
rm -rf "$base"
mkdir -p "$base"

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
demo_start_host 0 512 "$base/host.log"
export YEROUP_UPDATE_HOST=127.0.0.1:$demo_host_port

Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$base/display" 2>"$base/xvfb.log" &
xvfb_pid=$!
# wait_for COMMAND...: polls until COMMAND succeeds; fails after $wait_s seconds.
wait_for() {
  local i
  for ((i = 0; i < wait_s * 10; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}
wait_for test -s "$base/display" || { demo_say "Xvfb did not start"; cat "$base/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(head -n 1 "$base/display")
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# A window manager, so windows get their caption bars and can be closed as a user would.
openbox >"$base/openbox.log" 2>&1 &
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
# start_app RUN_DIR [prepare_run.sh options]: lays out RUN_DIR and starts the program from it.
start_app() {
  run=$1
  shift
  bash tools/demo/prepare_run.sh "$@" build/program/app/yeroup "$run"
  (cd "$run" && YEROUP_REGISTRY_FILE=$run/registry.ini exec ./yeroup) >"$run/app.log" 2>&1 &
  app_pid=$!
}
app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_app_end() {
  wait_for app_gone || { demo_say "the program did not end"; exit 1; }
  wait "$app_pid" || { demo_say "the program ended with status $?"; exit 1; }
  app_pid=
}

# Without the player software the program offers its setup and ends.
start_app "$base/no-player" --no-player
question=$(find_window 'YERO MP3 LiveUpdate 提示')
sleep 0.5
shot 0-no-player.png
xdotool windowactivate --sync "$question" key Return
wait_app_end
setup_log=$run/setup-invocations.log
[[ -s $setup_log ]] || { demo_say "the setup program was not started"; exit 1; }
demo_say "setup program started: $(tail -n 1 "$setup_log")"

# With the player software: the whole road from start-up to the updater.
start_app "$base/player"
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

wait_for test -f "$package" || { demo_say "the package was not stored within $wait_s s"; exit 1; }
sleep 1
shot 4-ready.png

# The upgrade button: 370,8 (75 x 49) in the package-ready panel at 240,384.
xdotool mousemove --window "$main" 647 416 click 1
question=$(find_window '将您的MP3播放器与电脑连接')
sleep 0.5
shot 5-connect.png
xdotool windowactivate --sync "$question" key Return

updater_log=$run/player/updater-invocations.log
wait_for test -s "$updater_log" || { demo_say "the updater was not started"; exit 1; }
demo_say "updater started: $(tail -n 1 "$updater_log")"

# Closing the main window ends the program, which saves the selection on the way.
xdotool windowactivate --sync "$main" key alt+F4
wait_app_end
demo_say "program closed; selection saved: $(tr '\r\n' '  ' <"$run/user.ini")"
