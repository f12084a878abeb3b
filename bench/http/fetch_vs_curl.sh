#!/usr/bin/env bash
# A cold download as the program makes one (one Get into memory, then the file replaced), as a whole process beside
# curl -s -o FILE, from nginx on loopback: files of 6, 64 and 256 MiB, each command a fresh process writing a fresh
# file, timed by hyperfine in the same run. Prints the mean times, the ratio to curl and the peak memory of both.
# The fetch tool, like the program, flushes the file and its folder to the disk before it returns, which curl does
# not; a second peer, curl followed by sync on the file and its folder, shows what that durability costs.
# Usage: bench/http/fetch_vs_curl.sh [build folder, default build/release] [runs, default 5]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
fetch=$build/tools/fetch/yeroup-fetch
[ -x "$fetch" ] || { echo "no fetch tool at $fetch: build the target yeroup-fetch first" >&2; exit 1; }
command -v hyperfine >/dev/null || { echo "hyperfine is missing: run tools/setup.sh" >&2; exit 1; }

work=$(mktemp -d)
nginx_pid=
cleanup() {
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
mkdir -p "$work/www"
cat >"$work/nginx.conf" <<CONF
master_process off;
pid $work/nginx.pid;
error_log $work/error.log;
events { worker_connections 64; }
http {
  access_log off;
  client_body_temp_path $work/body; proxy_temp_path $work/proxy; fastcgi_temp_path $work/fastcgi;
  uwsgi_temp_path $work/uwsgi; scgi_temp_path $work/scgi;
  default_type application/octet-stream;
  sendfile on;
  server { listen 127.0.0.1:$port; root $work/www; }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
nginx_pid=$!
for _ in $(seq 100); do curl -s -o /dev/null "http://127.0.0.1:$port/" && break; sleep 0.05; done

# Peak resident memory of one run of a command, in MiB.
peak() { python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True)
print("%.1f" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024))' "$@"; }

printf '%-8s %12s %12s %8s %14s %10s %14s %14s\n' size fetch curl ratio "curl+sync" ratio "fetch peak" "curl peak"
for size in 6 64 256; do
  head -c $((size << 20)) /dev/urandom >"$work/www/f$size.bin"
  url="http://127.0.0.1:$port/f$size.bin"
  hyperfine --style none --warmup 1 --runs "$runs" --prepare "rm -f $work/out.bin" \
    --export-json "$work/times$size.json" \
    -n fetch "$fetch $url $work/out.bin" -n curl "curl -s -o $work/out.bin $url" \
    -n curl+sync "curl -s -o $work/out.bin $url && sync $work/out.bin $work" >/dev/null
  cmp -s "$work/out.bin" "$work/www/f$size.bin" || { echo "download of $size MiB differs" >&2; exit 1; }
  fetch_peak=$(peak "$fetch" "$url" "$work/out.bin")
  curl_peak=$(peak curl -s -o "$work/out.bin" "$url")
  python3 - "$work/times$size.json" "$size MiB" "$fetch_peak" "$curl_peak" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
fetch, curl, synced = (results[name]["mean"] for name in ("fetch", "curl", "curl+sync"))
print("%-8s %10.3f s %10.3f s %7.2fx %12.3f s %9.2fx %10s MiB %10s MiB" % (sys.argv[2], fetch, curl, fetch / curl, synced,
      fetch / synced, sys.argv[3], sys.argv[4]))
PY
  rm -f "$work/www/f$size.bin"
done
