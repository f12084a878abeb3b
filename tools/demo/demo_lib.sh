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

# Builds the release program in a folder of its own, apart from the test builds; prints nothing but the build's own output.
demo_build() {
  cmake -S . -B build/program -G Ninja -DCMAKE_BUILD_TYPE=Release
  cmake --build build/program -j "$(nproc)" --target yeroup
}

demo_site() {
  python3 tools/demo/build_site.py --out build/demo-site
}

# demo_start_host PORT RATE_KIB LOG: starts the host in the background and waits until it listens.
# Sets demo_host_pid and demo_host_port (the actual port, useful with PORT 0).
demo_start_host() {
  local port=$1 rate=$2 log=$3 i
  python3 tools/demo/update_host.py --root build/demo-site --port "$port" --rate-kib "$rate" >"$log" 2>&1 &
  demo_host_pid=$!
  for ((i = 0; i < 300; i++)); do
    if grep -q '^listening on ' "$log"; then
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
