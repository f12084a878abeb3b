#!/usr/bin/env bash
# Runs the program under Xvfb (with a window manager) against the demo update host and saves PNG
# screenshots of whole sessions, good days and bad ones:
#
#   tools/screenshots.sh [--no-build] [OUT_DIR]      (default OUT_DIR: build/screenshots)
#
#   0-no-player.png         without the player software: the question to install it, with the buttons
#                           确定 / 取消 (answered 确定, which starts the setup stand-in and ends the program)
#   1-splash.png            the splash window during the start-up checks
#   2-main.png              the main window with the first model and firmware, their pages and the whole
#                           information text
#   3-downloading.png       a package download started from the keyboard (the focus is on 取消下载)
#   4-ready.png             the package-ready panel once the package is stored (the focus on 固件升级)
#   5-connect.png           the question before the updater starts, with the buttons 确定 / 取消
#                           (answered 确定, which starts the updater stand-in)
#   6-undeclared-charset.png  an old firmware page in code page 936 that declares no charset
#   7-page-loading.png      a slow host: the page view while a firmware page is on its way
#   8-chunked-download.png  a package sent in chunks: bytes so far and speed, a busy bar, no percentage
#   9-login-page.png        a Wi-Fi login page instead of the catalogue: the older copy is kept, with the
#                           warning and its 确定 button
#   10-main-2x.png          the main window at twice the scale
#   11-main-english.png     the main window on an English desktop
#   12-no-player-english.png  the question to install the player software on an English desktop, with the
#                           buttons OK / Cancel
#   13-second-copy-chinese.png  a second copy started on a Chinese desktop: its warning in Chinese
#   14-downloading-english-2x.png  a download on an English desktop at twice the scale (the progress captions)
#   15-ready-english.png ... 22-resuming-chinese-2x.png  for each of English and Chinese at once and twice the
#                           scale: the package-ready panel with its download-again button, then a download that
#                           goes on from a cut one (the resumed captions and this download's speed)
#
# Uses fresh exe folders under build/screenshots-run and hosts on free ports, so it does not get in
# the way of a running tools/run-demo.sh.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source tools/demo/demo_lib.sh

build=1
if [[ ${1:-} == --no-build ]]; then build=0; shift; fi
out=$(mkdir -p "${1:-build/screenshots}" && cd "${1:-build/screenshots}" && pwd)
base=$root/build/screenshots-run

if ((build)); then
  demo_setup
  demo_build
fi
demo_site
rm -rf "$base"
mkdir -p "$base"
# A single-instance lock of its own: a copy of the program running elsewhere on the machine (a demo, a test)
# would otherwise turn every start here into a second copy.
mkdir -m 700 "$base/runtime"
export XDG_RUNTIME_DIR=$base/runtime

app_pid=
cleanup() {
  if [[ -n $app_pid ]]; then
    kill "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
  fi
  demo_stop_display
  demo_stop_host
}
trap cleanup EXIT

# Room for the main window at twice the scale.
demo_start_display "$base" 1600x1000

# host LOG_NAME RATE_KIB [HOST OPTIONS...]: (re)starts the update host for the next session.
host() {
  demo_stop_host
  demo_start_host 0 "$2" "$base/$1" "${@:3}"
  export YEROUP_UPDATE_HOST=127.0.0.1:$demo_host_port
}
find_window() { demo_find_window "$1" || { demo_say "(program output: $run/app.log)" >&2; return 1; }; }
shot() { demo_shot "$out/$1"; }
# start_app RUN_DIR [prepare_run.sh options]: lays out RUN_DIR and starts the program from it.
start_app() {
  run=$1
  shift
  bash tools/demo/prepare_run.sh "$@" build/program/app/yeroup "$run"
  (cd "$run" && YEROUP_REGISTRY_FILE=$run/registry.ini LANG=${desktop_language:-C.UTF-8} LC_ALL=${desktop_language:-C.UTF-8} \
    exec ./yeroup) >"$run/app.log" 2>&1 &
  app_pid=$!
}
app_gone() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_app_end() {
  demo_wait_for app_gone || { demo_say "the program did not end"; exit 1; }
  wait "$app_pid" || { demo_say "the program ended with status $?"; exit 1; }
  app_pid=
}
# answer WINDOW KEY: presses KEY in a message box until it has gone (a key sent while the box is still
# taking the focus can be lost).
answer() {
  local i
  for ((i = 0; i < 20; i++)); do
    xdotool windowactivate --sync "$1" key "$2" 2>/dev/null || true
    sleep 0.5
    xdotool getwindowname "$1" >/dev/null 2>&1 || return 0
  done
  demo_say "the box did not go"
  return 1
}
close_main() {
  xdotool windowactivate --sync "$main" key alt+F4
  wait_app_end
}
keys() { xdotool windowactivate --sync "$main" key --delay 150 "$@"; }
# pick LIST_X STEPS...: opens the list at LIST_X in the top panel and moves through it with the keys.
pick() {
  local x=$1
  shift
  xdotool mousemove --window "$main" "$x" 18 click 1
  sleep 0.5
  xdotool key --delay 150 "$@" Return
}
model_list=362     # ComboBox1 at 312,8 (100 x 21) in the top panel, which starts at -1,0
firmware_list=546  # ComboBox2 at 496,8

# Without the player software the program offers its setup and ends.
host host-no-player.log 0
start_app "$base/no-player" --no-player
question=$(find_window 'YERO MP3 LiveUpdate 提示')
sleep 0.5
shot 0-no-player.png
answer "$question" Return
wait_app_end
setup_log=$run/setup-invocations.log
demo_wait_for test -s "$setup_log" || { demo_say "the setup program was not started"; exit 1; }
demo_say "setup program started: $(tail -n 1 "$setup_log")"

# With the player software: the whole road from start-up to the updater, by keyboard where it can be.
# 6 MiB at 512 KiB/s: about 12 s of visible progress.
host host.log 512
start_app "$base/player"
find_window 'Tavik MP3 LiveUpdate' >/dev/null
sleep 0.3
shot 1-splash.png

main=$(find_window 'YERO MP3 LiveUpdate 2005')
sleep 2  # let the page views render
shot 2-main.png

# The focus starts on the model list; two tabs reach the download button, Space presses it.
package=$run/FirmwareBack/YERO-T10_V1.05.zip
keys Tab Tab space
sleep 4
shot 3-downloading.png

demo_wait_for test -f "$package" || { demo_say "the package was not stored within $demo_wait_s s"; exit 1; }
sleep 1
shot 4-ready.png

# The focus is on the upgrade button: Return presses it.
keys Return
question=$(find_window '将您的MP3播放器与电脑连接')
sleep 0.5
shot 5-connect.png
answer "$question" Return
updater_log=$run/player/updater-invocations.log
demo_wait_for test -s "$updater_log" || { demo_say "the updater was not started"; exit 1; }
demo_say "updater started: $(tail -n 1 "$updater_log")"

# The second model's older firmware has a page in code page 936 without a charset declaration.
pick $model_list Down
sleep 1
pick $firmware_list Down
page=$run/FirmwareBack/YERO-T20_V2.00.htm
demo_wait_for test -f "$page" || { demo_say "the old page was not fetched"; exit 1; }
sleep 1.5
shot 6-undeclared-charset.png
# Closing the main window ends the program, which saves the selection on the way.
close_main
demo_say "program closed; selection saved: $(tr '\r\n' '  ' <"$run/user.ini")"

# A bad day: a slow host that sends its bodies in chunks.
host host-slow.log 512 --chunked --page-delay 4
start_app "$base/slow"
main=$(find_window 'YERO MP3 LiveUpdate 2005')
sleep 1
pick $firmware_list Down
sleep 1.5
shot 7-page-loading.png
demo_wait_for test -f "$run/FirmwareBack/YERO-T10_V1.02.htm" || { demo_say "the page did not come"; exit 1; }
sleep 1
pick $firmware_list Up
sleep 6  # the shown copy is refreshed from the slow host
xdotool mousemove --window "$main" 645 17 click 1  # the download button: 608,5 (75 x 25) in the top panel
sleep 4
shot 8-chunked-download.png
demo_wait_for test -f "$run/FirmwareBack/YERO-T10_V1.05.zip" || { demo_say "the chunked package was not stored"; exit 1; }
close_main

# Behind a hotel's Wi-Fi every address answers with its login page; the catalogue of the earlier
# session stays.
host host-login.log 0 --captive-portal
cp "$base/player/YEROMP3LiveUpdate.ini" "$base/player/catalogue-before.ini"
start_app "$base/player"
warning=$(find_window '下载配置文件时出错')
sleep 0.5
shot 9-login-page.png
answer "$warning" Return
main=$(find_window 'YERO MP3 LiveUpdate 2005')
cmp -s "$base/player/YEROMP3LiveUpdate.ini" "$base/player/catalogue-before.ini" ||
  { demo_say "the login page replaced the catalogue"; exit 1; }
close_main

# Twice the scale.
host host-2x.log 0
export QT_SCALE_FACTOR=2
start_app "$base/player"
unset QT_SCALE_FACTOR
main=$(find_window 'YERO MP3 LiveUpdate 2005')
sleep 2
shot 10-main-2x.png
close_main

# An English desktop: the main window, and the question of a machine without the player software.
desktop_language=en_US.UTF-8
host host-english.log 0
start_app "$base/player"
main=$(find_window 'YERO MP3 LiveUpdate 2005 Build')
sleep 2
shot 11-main-english.png
close_main
# The same at twice the scale, downloading: the progress panel's captions.
# 32 KiB/s: the smallest package (256 KiB) takes some 8 s.
host host-english-2x.log 32
export QT_SCALE_FACTOR=2
start_app "$base/player"
unset QT_SCALE_FACTOR
main=$(find_window 'YERO MP3 LiveUpdate 2005 Build')
sleep 2
keys Tab Tab space
sleep 3
shot 14-downloading-english-2x.png
close_main
start_app "$base/no-player-english" --no-player
question=$(find_window 'YERO MP3 LiveUpdate Notice')
sleep 0.5
shot 12-no-player-english.png
answer "$question" Escape
wait_app_end

# A Chinese desktop: a second copy started while the first runs is warned in Chinese and ends.
desktop_language=zh_CN.UTF-8
start_app "$base/player"
main=$(find_window 'YERO MP3 LiveUpdate 2005 Builb')
first_pid=$app_pid
start_app "$base/player"
warning=$(find_window 'Tavik MP3 LiveUpdate')
sleep 0.5
shot 13-second-copy-chinese.png
answer "$warning" Return
wait_app_end
app_pid=$first_pid
close_main

# A stored package, downloaded again and cut (cancelled, or the window closed): each session starts at the
# package-ready panel and goes on from the part already there. 16 KiB/s keeps the 6 MiB package under way.
host host-resume.log 16
mkdir -p "$base/resume/FirmwareBack"
cp "$package" "$base/resume/FirmwareBack/"
number=15
for desktop_language in en_US.UTF-8 zh_CN.UTF-8; do
  for scale in 1 2; do
    name=chinese
    if [[ $desktop_language == en* ]]; then name=english; fi
    if ((scale == 2)); then name=$name-2x; fi
    QT_SCALE_FACTOR=$scale start_app "$base/resume"
    main=$(find_window 'YERO MP3 LiveUpdate 2005 Buil')
    sleep 2
    shot "$number-ready-$name.png"
    keys Tab Tab space
    sleep 1.5
    if ((number == 15)); then
      keys Escape  # the first session cuts a fresh download itself and goes on at once
      sleep 1
      keys space
      sleep 1.5
    fi
    shot "$((number + 1))-resuming-$name.png"
    close_main
    number=$((number + 2))
  done
done
unset desktop_language
