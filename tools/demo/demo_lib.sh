# shellcheck shell=bash
# Steps shared by tools/run-demo.sh and tools/screenshots.sh; sourced, not run.
# Expects $root (the source tree) to be set and the working folder to be $root.

demo_say() { echo "[$(basename "$0")] $*"; }

# Installs the Debian packages; a user other than root only gets a check when nothing is missing.
demo_setup() {
  if [[ $(id -u) == 0 ]]; then
    bash tools/setup.sh
  elif bash tools/setup.sh --check; then
    demo_say "not root: all packages are present, skipping tools/setup.sh"
  else
    demo_say "not root and packages are missing: running tools/setup.sh through sudo"
    bash tools/setup.sh
  fi
}

# Builds the release program and the site tool in a folder of their own, apart from the test builds; prints nothing
# but the build's own output.
demo_build() {
  cmake -S . -B build/program -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build build/program -j "$(nproc)" --target yeroup yeroup-publish
}
demo_publish=build/program/tools/publish/yeroup-publish

# The demo site from its source (tools/demo/source), built beside the old one and swapped in by the site tool, so a
# host serving the old one never sees half a site.
demo_site() {
  "$demo_publish" build tools/demo/source build/demo-site
}

# Signs the demo site with a key pair made once in build/demo-keys (demo.key, without a password, and demo.pub) and
# makes a test CA with the host's certificate in build/demo-pki; nothing of either is ever committed.
demo_secure_site() {
  mkdir -p build/demo-keys
  [[ -f build/demo-keys/demo.key ]] ||
    minisign -G -W -p build/demo-keys/demo.pub -s build/demo-keys/demo.key >/dev/null
  "$demo_publish" sign build/demo-site build/demo-keys/demo.key
  [[ -f build/demo-pki/server.pem ]] || bash tools/tls/make-test-pki.sh build/demo-pki
}

# demo_check_site [--key PUB] HOST: reads the served demo site as the program will (YEROUP_CA_FILE for https).
demo_check_site() {
  "$demo_publish" check "$@"
}

# demo_start_host PORT RATE_KIB LOG [HOST OPTIONS...]: starts the host in the background and waits until
# it listens. Sets demo_host_pid and demo_host_port (the actual port, useful with PORT 0).
demo_start_host() {
  local port=$1 rate=$2 log=$3 i
  shift 3
  python3 tools/demo/update_host.py --root build/demo-site --port "$port" --rate-kib "$rate" "$@" >"$log" 2>&1 &
  demo_host_pid=$!
  for ((i = 0; i < 300; i++)); do
    if grep -q '^listening on ' "$log"; then
      # shellcheck disable=SC2034  # read by the scripts that source this file
      demo_host_port=$(sed -n 's/^listening on .*:\([0-9]*\)$/\1/p' "$log")
      return 0
    fi
    if ! kill -0 "$demo_host_pid" 2>/dev/null; then
      cat "$log" >&2
      demo_say "the demo update host did not start"
      return 1
    fi
    sleep 0.1
  done
  demo_say "the demo update host did not start within 30 s"
  return 1
}

demo_stop_host() {
  if [[ -n ${demo_host_pid:-} ]] && kill -0 "$demo_host_pid" 2>/dev/null; then
    kill -TERM "$demo_host_pid"
    wait "$demo_host_pid" 2>/dev/null || true
  fi
  demo_host_pid=
}

# Polls until COMMAND... succeeds; fails after $demo_wait_s seconds (generous: the machine may be loaded).
demo_wait_s=120
demo_wait_for() {
  local i
  for ((i = 0; i < demo_wait_s * 10; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}

# demo_start_display LOG_DIR [WIDTHxHEIGHT]: a virtual display (Xvfb) with a window manager, so windows
# get their caption bars and can be closed as a user would. Sets DISPLAY for what is started afterwards.
demo_start_display() {
  local logs=$1 size=${2:-800x600}
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$logs/display" 2>"$logs/xvfb.log" &
  demo_xvfb_pid=$!
  demo_wait_for test -s "$logs/display" || { demo_say "Xvfb did not start"; cat "$logs/xvfb.log" >&2; return 1; }
  DISPLAY=:$(head -n 1 "$logs/display")
  export DISPLAY
  unset WAYLAND_DISPLAY
  export QT_QPA_PLATFORM=xcb
  openbox >"$logs/openbox.log" 2>&1 &
  demo_wm_pid=$!
}

demo_stop_display() {
  local pid
  for pid in ${demo_wm_pid:-} ${demo_xvfb_pid:-}; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  demo_wm_pid=
  demo_xvfb_pid=
}

# demo_find_window TITLE: prints the id of the first visible window whose title contains TITLE.
demo_find_window() {
  timeout "$demo_wait_s" xdotool search --sync --onlyvisible --limit 1 --name "$1" ||
    { demo_say "no window \"$1\" within $demo_wait_s s" >&2; return 1; }
}

# demo_shot FILE [WINDOW]: saves the whole screen, or one window with its frame, as a PNG.
demo_shot() {
  if [[ -n ${2:-} ]]; then import -frame -window "$2" "$1"; else import -window root "$1"; fi
  demo_say "saved $1"
}
