#!/usr/bin/env bash
# Cold downloads with the fetch tool as whole processes beside curl, from nginx on loopback: files of 6, 64, 256 and
# 1024 MiB, each command a fresh process writing a fresh file after the disk has taken in the run before (sync),
# timed by hyperfine in the same run. Two peers: curl -s -o FILE, and curl followed by sync of the file and its
# folder (the durable peer: the fetch tool, like the program, has its file on the disk before it returns). Prints the
# mean time with its spread (standard deviation, and the fastest and slowest run), the ratio to each peer and the
# peak memory of the fetch tool and of curl.
# Then the resume: the 256 MiB file sent at 64 MiB/s, the fetch tool killed (kill -9) about half-way and run again;
# nginx's log tells how many bytes went over the wire in all, as a share of the file.
# Usage: bench/http/fetch_vs_curl.sh [build folder, default build/release] [runs, default 10] [sizes in MiB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
runs=${2:-10}
sizes=${3:-6 64 256 1024}
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

mkdir -p "$work/out"
# shellcheck source=bench/http/nginx_lib.sh
source "$root/bench/http/nginx_lib.sh"
start_nginx "$work"

# Peak resident memory of one run of a command, in MiB.
peak() { python3 -c 'import resource, subprocess, sys
subprocess.run(sys.argv[1:], check=True)
print("%.1f" % (resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024))' "$@"; }

out=$work/out/file.bin
printf '%-9s %-26s %-26s %-26s %7s %9s %11s %11s\n' size "fetch (mean sd min-max)" "curl" "curl+sync" "/curl" "/durable" "fetch peak" "curl peak"
for size in $sizes; do
  head -c $((size << 20)) /dev/urandom >"$work/www/f$size.bin"
  url="http://127.0.0.1:$port/f$size.bin"
  hyperfine --style none --warmup 1 --runs "$runs" --prepare "rm -f $out $out.*; sync" \
    --export-json "$work/times$size.json" \
    -n fetch "$fetch $url $out" -n curl "curl -s -o $out $url" \
    -n curl+sync "curl -s -o $out $url && sync $out $work/out" >/dev/null
  cmp -s "$out" "$work/www/f$size.bin" || { echo "download of $size MiB differs" >&2; exit 1; }
  rm -f "$out" "$out".*; sync
  fetch_peak=$(peak "$fetch" "$url" "$out")
  rm -f "$out" "$out".*; sync
  curl_peak=$(peak curl -s -o "$out" "$url")
  python3 - "$work/times$size.json" "$size MiB" "$fetch_peak" "$curl_peak" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
def cell(name):
    r = results[name]
    return "%.3f %.3f %.3f-%.3f" % (r["mean"], r["stddev"] or 0.0, r["min"], r["max"])
fetch, curl, synced = (results[name]["mean"] for name in ("fetch", "curl", "curl+sync"))
print("%-9s %-26s %-26s %-26s %6.2fx %8.2fx %7s MiB %7s MiB" % (sys.argv[2], cell("fetch"), cell("curl"),
      cell("curl+sync"), fetch / curl, fetch / synced, sys.argv[3], sys.argv[4]))
PY
  rm -f "$work/www/f$size.bin" "$out" "$out".*
done

# The resume: cut at about half by kill -9, then run again.
head -c $((256 << 20)) /dev/urandom >"$work/www/r256.bin"
url="http://127.0.0.1:$port/slow/r256.bin"
rm -f "$out" "$out".*
: >"$work/access.log"
"$fetch" "$url" "$out" 2>/dev/null &
cut_pid=$!
sleep 2
kill -9 "$cut_pid" 2>/dev/null || true
wait "$cut_pid" 2>/dev/null || true
"$fetch" "$url" "$out" 2>/dev/null || { echo "the resumed download failed" >&2; exit 1; }
cmp -s "$out" "$work/www/r256.bin" || { echo "the resumed download differs" >&2; exit 1; }
sleep 0.5  # nginx writes its log line once the connection has ended
python3 - "$work/access.log" $((256 << 20)) <<'PY'
import sys
lines = [line.split() for line in open(sys.argv[1]) if "/slow/r256.bin" in line]
sent = [int(fields[2]) for fields in lines]
size = int(sys.argv[2])
print("resume of 256 MiB cut at %.0f%%: %d requests, %s bytes sent; %.3fx the file over the wire" %
      (100.0 * sent[0] / size, len(sent), " + ".join(str(s) for s in sent), sum(sent) / size))
PY
