#!/usr/bin/env python3
"""A loopback relay in front of an HTTP host that closes each connection once it has passed a set number of
response bytes, as a network that drops every so often. Prints "listening on PORT" when ready; on SIGTERM it writes
the response bytes it passed in all (one number) to the file named by --count and ends.

Usage: cut_relay.py --upstream PORT --cut-bytes N --count FILE
"""

import argparse
import signal
import socket
import sys
import threading

BLOCK = 256 * 1024


def pump_requests(client, upstream):
    try:
        while True:
            data = client.recv(BLOCK)
            if not data:
                break
            upstream.sendall(data)
    except OSError:
        pass


def serve(client, upstream_port, cut_bytes, totals, lock):
    upstream = socket.create_connection(("127.0.0.1", upstream_port))
    threading.Thread(target=pump_requests, args=(client, upstream), daemon=True).start()
    passed = 0
    try:
        while passed < cut_bytes:
            data = upstream.recv(min(BLOCK, cut_bytes - passed))
            if not data:
                break
            client.sendall(data)
            passed += len(data)
    except OSError:
        pass
    finally:
        with lock:
            totals[0] += passed
        for s in (client, upstream):
            try:
                s.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            s.close()


def main(argv):
    p = argparse.ArgumentParser()
    p.add_argument("--upstream", type=int, required=True)
    p.add_argument("--cut-bytes", type=int, required=True)
    p.add_argument("--count", required=True)
    args = p.parse_args(argv)
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    totals, lock = [0], threading.Lock()

    def stop(signum, frame):
        with lock:
            with open(args.count, "w") as f:
                f.write("%d\n" % totals[0])
        sys.exit(0)

    signal.signal(signal.SIGTERM, stop)
    print("listening on %d" % listener.getsockname()[1], flush=True)
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, args.upstream, args.cut_bytes, totals, lock),
                         daemon=True).start()


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
