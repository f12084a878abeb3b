#!/usr/bin/env bash
# What mirrors and piece checks cost, with the fetch tool as whole processes beside curl, from nginx on loopback.
# 1. The piece check: a file (1024 MiB by default) signed with minisign, fetched with --pubkey from a host that has
#    its signed piece list (every 1 MiB piece hashed as it arrives) and from one that has none (only the whole
#    file's signature, checked at the end), and by curl; hyperfine in the same run. Prints each mean and the ratio of
#    pieces to none (target at most 1.05).
# 2. Failover: a 64 MiB file asked first from a failing host, then from a good mirror: a host that is down, one that
#    answers 500, and one that takes the request and never answers (header deadline, the fetch tool's default).
#    The failover time is the run's mean less the mean of the same fetch straight from the good mirror (curl beside
#    it); the target is at most the header deadline plus 1 s.
# Usage: bench/http/mirrors_vs_curl.sh [build folder, default build/release] [runs, default 5] [size in MiB]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/release}
runs=${2:-5}
size=${3:-1024}
fetch=$build/tools/fetch/yeroup-fetch
[ -x "$fetch" ] || { echo "no fetch tool at $fetch: build the target yeroup-fetch first" >&2; exit 1; }
for tool in hyperfine minisign; do
  command -v $tool >/dev/null || { echo "$tool is missing: run tools/setup.sh" >&2; exit 1; }
done
deadline=$(sed -n 's/.*kHostHeaderDeadlineSeconds = \([0-9]*\);/\1/p' "$root/app/core/Limits.h")

work=$(mktemp -d)
nginx_pid=
silent_pid=
fail_pid=
cleanup() {
  for pid in "$nginx_pid" "$silent_pid" "$fail_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && { wait "$pid" 2>/dev/null || true; }
  done
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/out" "$work/www/nopieces"
# shellcheck source=bench/http/nginx_lib.sh
source "$root/bench/http/nginx_lib.sh"
start_nginx "$work"
minisign -G -W -p "$work/key.pub" -s "$work/key.sec" >/dev/null

# FILE's signature and signed piece list beside it.
publish() {
  local file=$1
  minisign -S -s "$work/key.sec" -m "$file" -x "$file.minisig" >/dev/null
  python3 - "$file" <<'PY'
import hashlib, os, sys
path = sys.argv[1]
piece = 1 << 20
with open(path, "rb") as f, open(path + ".pieces", "w") as out:
    out.write("yeroup-pieces 1\nsize %d\npiece-size %d\n" % (os.path.getsize(path), piece))
    for block in iter(lambda: f.read(piece), b""):
        out.write(hashlib.sha256(block).hexdigest() + "\n")
PY
  minisign -S -s "$work/key.sec" -m "$file.pieces" -x "$file.pieces.minisig" >/dev/null
}

mean() { python3 -c 'import json, sys; print(json.load(open(sys.argv[1]))["results"][int(sys.argv[2])]["mean"])' "$@"; }
out=$work/out/file.bin
base=http://127.0.0.1:$port

# 1. The piece check.
head -c $((size << 20)) /dev/urandom >"$work/www/f.bin"
publish "$work/www/f.bin"
ln "$work/www/f.bin" "$work/www/nopieces/f.bin"
cp "$work/www/f.bin.minisig" "$work/www/nopieces/"
hyperfine --style none --warmup 1 --runs "$runs" --prepare "rm -f $out $out.*; sync" --export-json "$work/pieces.json" \
  -n pieces "$fetch --pubkey $work/key.pub $base/f.bin $out" \
  -n none "$fetch --pubkey $work/key.pub $base/nopieces/f.bin $out" \
  -n curl "curl -s -o $out $base/f.bin" >/dev/null
"$fetch" --pubkey "$work/key.pub" "$base/f.bin" "$out" 2>/dev/null
cmp -s "$out" "$work/www/f.bin" || { echo "the download checked by pieces differs" >&2; exit 1; }
python3 - "$work/pieces.json" "$size" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
print("%s MiB: pieces checked %.3f s, without %.3f s, curl %.3f s; pieces/without %.3fx (target <= 1.05), "
      "pieces/curl %.2fx" % (sys.argv[2], r["pieces"], r["none"], r["curl"], r["pieces"] / r["none"],
                            r["pieces"] / r["curl"]))
PY
rm -f "$work/www/f.bin" "$work/www/nopieces/f.bin" "$out" "$out".*

# 2. Failover.
head -c $((64 << 20)) /dev/urandom >"$work/www/g.bin"
publish "$work/www/g.bin"
down=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
silent_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
# Takes connections (the kernel's backlog) and never answers.
python3 -c 'import socket, sys, time
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind(("127.0.0.1", int(sys.argv[1]))); s.listen(64); time.sleep(3600)' "$silent_port" &
silent_pid=$!
cat >"$work/fail.py" <<'PY'
import http.server, sys
class Fail(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        self.send_response(500); self.send_header("Content-Length", "0"); self.end_headers()
    def log_message(self, *args): pass
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Fail).serve_forever()
PY
fail_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 "$work/fail.py" "$fail_port" &
fail_pid=$!
sleep 0.5
good=$base/g.bin
key="--pubkey $work/key.pub"
hyperfine --style none --runs "$runs" --prepare "rm -f $out $out.*" --export-json "$work/failover.json" \
  -n direct "$fetch $key $good $out" \
  -n curl "curl -s -o $out $good" \
  -n down "$fetch $key --mirror $good http://127.0.0.1:$down/g.bin $out" \
  -n 500 "$fetch $key --mirror $good http://127.0.0.1:$fail_port/g.bin $out" \
  -n silent "$fetch $key --mirror $good http://127.0.0.1:$silent_port/g.bin $out" >/dev/null
cmp -s "$out" "$work/www/g.bin" || { echo "the download after a failover differs" >&2; exit 1; }
python3 - "$work/failover.json" "$deadline" <<'PY'
import json, sys
r = {x["command"]: x["mean"] for x in json.load(open(sys.argv[1]))["results"]}
deadline = int(sys.argv[2])
print("64 MiB straight from the mirror: fetch %.3f s, curl %.3f s (%.2fx)" % (r["direct"], r["curl"],
      r["direct"] / r["curl"]))
for name, what in (("down", "a host that is down"), ("500", "a host answering 500"),
                   ("silent", "a host that never answers")):
    failover = r[name] - r["direct"]
    print("failover from %s: %.3f s (target <= %d s: the header deadline %d s + 1 s)" % (what, failover,
          deadline + 1, deadline))
PY
