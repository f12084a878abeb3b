#!/usr/bin/env python3
"""Demo update host: serves a built demo site over plain HTTP, or https, on loopback.

A URL path maps to the file of the same relative path under the site folder, byte for byte; a path that
names a folder is answered with that folder's "index.htm" directly (no redirect), which is
how "/YEROMP3LiveUpdate" serves the home page. Every answer carries a Content-Length (or, with
--chunked, comes in chunks) and closes the connection. Firmware pages go out as "text/html"
without a charset, as the vendor's ASP host sent them: each page says its own, or nothing.

Files carry a strong ETag and a Last-Modified, and a request for "Range: bytes=N-" (or N-M) is answered
with 206 and its Content-Range when its If-Range (if any) names the file's tag or date, as nginx,
apache and lighttpd do: a cancelled or cut download resumes where it stopped.

Options for watching the program on a bad day: --rate-kib throttles bodies so a download's
progress can be watched, --page-delay holds firmware pages as a slow host does, --chunked sends
bodies without an announced size, --captive-portal answers everything with a Wi-Fi login page.
With --tls-cert and --tls-key it speaks https only (the certificate of tools/tls/make-test-pki.sh
names localhost, update.test and 127.0.0.1).
"""

import argparse
import email.utils
import http.server
import os
import signal
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse

CONTENT_TYPES = {
    ".asp": "text/html",
    ".htm": "text/html; charset=utf-8",
    ".html": "text/html; charset=utf-8",
    ".ini": "text/plain; charset=gbk",
    ".zip": "application/zip",
    ".minisig": "text/plain; charset=utf-8",
    ".pieces": "text/plain; charset=utf-8",
    ".txt": "text/plain; charset=utf-8",
}
INDEX_FILE = "index.htm"
CHUNK = 16 * 1024
LOGIN_PAGE = (
    "<html><head><meta charset=\"utf-8\"><title>Hotel Wi-Fi</title></head><body>\r\n"
    "<h3>欢迎使用酒店无线网络</h3>\r\n"
    "<form action=\"/login\" method=\"post\">房间号：<input name=\"room\"> <input type=\"submit\" value=\"登录\"></form>\r\n"
    "</body></html>\r\n").encode("utf-8")


class Throttle:
    """Paces one body at a fixed rate; a rate of 0 sends as fast as the socket takes it."""

    def __init__(self, bytes_per_second):
        self.rate = bytes_per_second
        self.start = time.monotonic()
        self.sent = 0

    def account(self, n):
        self.sent += n
        if self.rate:
            due = self.start + self.sent / self.rate
            delay = due - time.monotonic()
            if delay > 0:
                time.sleep(delay)


def resolve(root, url_path):
    """Returns the file serving url_path, or None when nothing under root does.

    Names are bytes, as the program sends them (code page 936 for Chinese names) and as they stand on the disk.
    """
    raw = urllib.parse.urlsplit(url_path).path.encode("latin-1")  # the request line's bytes, as http.server read them
    parts = [p for p in urllib.parse.unquote_to_bytes(raw).split(b"/") if p]
    if any(p in (b".", b"..") or b"\\" in p or b"\0" in p for p in parts):
        return None
    top = os.fsencode(root)
    candidate = os.path.join(top, *parts)
    if os.path.isdir(candidate):
        candidate = os.path.join(candidate, os.fsencode(INDEX_FILE))
    real = os.path.realpath(candidate)
    if os.path.commonpath([real, top]) != top or not os.path.isfile(real):
        return None
    return real


def validators(path):
    """The file's strong entity tag and Last-Modified date, both from its size and change time."""
    st = os.stat(path)
    return '"%x-%x"' % (st.st_size, st.st_mtime_ns), email.utils.formatdate(st.st_mtime, usegmt=True)


def wanted_range(range_header, if_range, etag, last_modified, size):
    """(first, last) of a single "bytes=" range to send, None for the whole file, or "unsatisfiable"."""
    if not range_header or (if_range and if_range not in (etag, last_modified)):
        return None
    unit, _, ranges = range_header.partition("=")
    first, dash, last = ranges.strip().partition("-")
    if unit.strip().lower() != "bytes" or not dash or "," in ranges or not first.isdigit():
        return None
    first = int(first)
    last = min(int(last), size - 1) if last.isdigit() else size - 1
    if first >= size:
        return "unsatisfiable"
    return (first, last) if first <= last else None


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "YEROUP-DemoHost/1.0"
    sys_version = ""

    def do_GET(self):
        self.answer(send_body=True)

    def do_HEAD(self):
        self.answer(send_body=False)

    def answer(self, send_body):
        if self.server.captive_portal:
            self.send_body(200, "text/html; charset=utf-8", LOGIN_PAGE, send_body)
            return
        path = resolve(self.server.root, self.path)
        if path is None:
            self.send_plain(404, b"404 Not Found\r\n", send_body)
            return
        ext = os.fsdecode(os.path.splitext(path)[1]).lower()
        if ext == ".asp" and self.server.page_delay:
            time.sleep(self.server.page_delay)
        with open(path, "rb") as f:
            body = f.read()
        etag, last_modified = validators(path)
        headers = [("ETag", etag), ("Last-Modified", last_modified), ("Accept-Ranges", "bytes")]
        span = wanted_range(self.headers.get("Range"), self.headers.get("If-Range"), etag, last_modified, len(body))
        if span == "unsatisfiable":
            headers.append(("Content-Range", "bytes */%d" % len(body)))
            self.send_body(416, "text/plain", b"", send_body, headers)
            return
        code = 200
        if span:
            headers.append(("Content-Range", "bytes %d-%d/%d" % (span[0], span[1], len(body))))
            body = body[span[0]:span[1] + 1]
            code = 206
        self.send_body(code, CONTENT_TYPES.get(ext, "application/octet-stream"), body, send_body, headers)

    def send_body(self, code, content_type, body, send_body, headers=()):
        chunked = self.server.chunked
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        for name, value in headers:
            self.send_header(name, value)
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        else:
            self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if not send_body:
            return
        throttle = Throttle(self.server.rate)
        for at in range(0, len(body), CHUNK):
            block = body[at:at + CHUNK]
            self.wfile.write(b"%x\r\n%s\r\n" % (len(block), block) if chunked else block)
            throttle.account(len(block))
        if chunked:
            self.wfile.write(b"0\r\n\r\n")

    def send_plain(self, code, body, send_body):
        self.send_response(code)
        self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def log_message(self, fmt, *args):
        if not self.server.quiet:
            sys.stderr.write("%s %s\n" % (self.log_date_time_string(), fmt % args))


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        # A client that cancels a download closes its socket mid-body; that is not a fault.
        # Over https a client that refuses the certificate ends the handshake; not a fault either.
        if isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError, ssl.SSLError)):
            return
        super().handle_error(request, client_address)


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--root", required=True, help="the built demo site folder")
    p.add_argument("--bind", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    p.add_argument("--port", type=int, default=8765, help="port to listen on, 0 for any free one (default 8765)")
    p.add_argument("--rate-kib", type=int, default=0, help="send bodies at most this many KiB per second (0: no limit)")
    p.add_argument("--page-delay", type=float, default=0, help="hold each firmware page this many seconds")
    p.add_argument("--chunked", action="store_true", help="send bodies in chunks, without a length")
    p.add_argument("--captive-portal", action="store_true",
                   help="answer every request with a Wi-Fi login page (status 200)")
    p.add_argument("--quiet", action="store_true", help="do not log requests")
    p.add_argument("--tls-cert", help="serve https with this PEM certificate (chain)")
    p.add_argument("--tls-key", help="the certificate's PEM private key")
    args = p.parse_args(argv)
    if bool(args.tls_cert) != bool(args.tls_key):
        p.error("--tls-cert and --tls-key go together")
    if args.rate_kib < 0:
        p.error("--rate-kib must not be negative")
    if args.page_delay < 0:
        p.error("--page-delay must not be negative")
    if not os.path.isdir(args.root):
        p.error("no site folder at %s" % args.root)
    return args


def main(argv):
    args = parse_args(argv)
    try:
        server = Server((args.bind, args.port), Handler)
    except OSError as e:
        print("cannot listen on %s:%d: %s" % (args.bind, args.port, e.strerror), file=sys.stderr)
        return 1
    if args.tls_cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(args.tls_cert, args.tls_key)
        # The handshake runs on the connection's own thread, so a silent client cannot stall the others.
        server.socket = context.wrap_socket(server.socket, server_side=True, do_handshake_on_connect=False)
    server.root = os.path.realpath(args.root)
    server.rate = args.rate_kib * 1024
    server.quiet = args.quiet
    server.page_delay = args.page_delay
    server.chunked = args.chunked
    server.captive_portal = args.captive_portal

    def stop(signum, frame):
        # shutdown() waits for serve_forever(), so it must not run on the serving thread.
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    host, port = server.server_address[:2]
    print("listening on %s:%d" % (host, port), flush=True)
    try:
        server.serve_forever()
    finally:
        server.server_close()
    print("stopped", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
