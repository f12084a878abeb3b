#!/usr/bin/env bash
# A 256 MiB download from nginx through a loopback relay that cuts the connection every 32 MiB (bench/http/
# cut_relay.py), as a network that drops every so often: yeroup-fetch, which resumes by itself, beside
# wget -c --tries=20 on the same relay, in the same run, the runs alternating. Prints for each the mean time with its
# spread (standard deviation, fastest and slowest run), the bytes the relay passed as a share of the file, and the
# fetch tool's ratios to wget.
# Usage: bench/http/fetch_cut_relay.sh [build folder, default build/release] [runs, default 5]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
fetch=$build/tools/fetch/yeroup-fetch
[ -x "$fetch" ] || { echo "no fetch tool at $fetch: build the target yeroup-fetch first" >&2; exit 1; }
command -v wget >/dev/null || { echo "wget is missing: run tools/setup.sh" >&2; exit 1; }

work=$(mktemp -d)
nginx_pid=
relay_pid=
cleanup() {
  [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null && wait "$relay_pid" 2>/dev/null
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=bench/http/nginx_lib.sh
source "$root/bench/http/nginx_lib.sh"
start_nginx "$work"
size=$((256 << 20))
head -c "$size" /dev/urandom >"$work/www/f.bin"
mkdir -p "$work/out"
out=$work/out/f.bin

# One timed run of a command through a fresh relay: prints "seconds relayed-bytes".
measure() {
  rm -f "$out" "$out".*
  sync
  : >"$work/relay.out"
  python3 "$root/bench/http/cut_relay.py" --upstream "$port" --cut-bytes $((32 << 20)) --count "$work/count" \
    >"$work/relay.out" &
  relay_pid=$!
  for _ in $(seq 100); do grep -q listening "$work/relay.out" && break; sleep 0.05; done
  local relay_port
  relay_port=$(awk '{print $3}' "$work/relay.out")
  local url="http://127.0.0.1:$relay_port/f.bin"
  local start end
  start=$(date +%s.%N)
  "$@" "$url" >/dev/null 2>&1 || { echo "$1 failed" >&2; exit 1; }
  end=$(date +%s.%N)
  kill "$relay_pid"
  wait "$relay_pid" 2>/dev/null || true
  relay_pid=
  cmp -s "$out" "$work/www/f.bin" || { echo "$1: the download differs" >&2; exit 1; }
  echo "$(python3 -c "print($end - $start)") $(cat "$work/count")"
}

fetch_run() { "$fetch" "$1" "$out"; }
wget_run() { wget -q -c --tries=20 -O "$out" "$1"; }

: >"$work/fetch.txt"
: >"$work/wget.txt"
for _ in $(seq "$runs"); do
  measure fetch_run >>"$work/fetch.txt"
  measure wget_run >>"$work/wget.txt"
done
python3 - "$work/fetch.txt" "$work/wget.txt" "$size" <<'PY'
import statistics, sys
size = int(sys.argv[3])
def read(path):
    rows = [line.split() for line in open(path)]
    return [float(r[0]) for r in rows], [int(r[1]) for r in rows]
(ft, fb), (wt, wb) = read(sys.argv[1]), read(sys.argv[2])
def cell(times):
    sd = statistics.stdev(times) if len(times) > 1 else 0.0
    return "%.2f s (sd %.2f, %.2f-%.2f)" % (statistics.mean(times), sd, min(times), max(times))
print("256 MiB through a relay cutting every 32 MiB, %d runs each" % len(ft))
print("yeroup-fetch: %s, bytes moved %.4fx the file" % (cell(ft), statistics.mean(fb) / size))
print("wget -c --tries=20: %s, bytes moved %.4fx the file" % (cell(wt), statistics.mean(wb) / size))
print("time: yeroup-fetch %.2fx wget" % (statistics.mean(ft) / statistics.mean(wt)))
PY
