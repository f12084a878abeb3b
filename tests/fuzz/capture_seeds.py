#!/usr/bin/env python3
"""Writes the fuzz seeds that come from real peers: responses of nginx and Python's http.server captured
byte for byte on loopback, their header blocks, dates and redirect targets, cookie texts as Python's
http.cookies writes them, the demo host's catalogue, and a tiny Info-ZIP archive.

Run it again when the servers' behaviour we seed from should be refreshed; hand-written seeds in the same
folders are left alone. Usage: [YEROUP_PUBLISH=yeroup-publish] capture_seeds.py [CORPUS_FOLDER]
"""

import http.cookies
import os
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = sys.argv[1] if len(sys.argv) > 1 else os.path.join(HERE, "corpus")
DEMO = os.path.join(HERE, "..", "..", "tools", "demo")
# The site tool that builds the demo site (YEROUP_PUBLISH, else the optimised build's).
PUBLISH = os.environ.get("YEROUP_PUBLISH",
                         os.path.join(HERE, "..", "..", "build", "release", "tools", "publish", "yeroup-publish"))

# The update host's files, as the client fetches them.
CATALOGUE = (
    "; YERO MP3 firmware list\r\n\r\n[YERO-T10]\r\nV1.05=2005-09-12 lyrics fix\r\n"
    "V1.02=2005-06-20 first release\r\n\r\n[YERO-T20]\r\nV2.01=2005-10-08 e-books\r\n"
)
PAGE = "<html><head><title>V1.05</title></head><body><p>Firmware V1.05</p></body></html>\n"
NOT_FOUND = "<html><body><h1>Not here</h1></body></html>\n"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def wait_accepting(port):
    for _ in range(200):
        try:
            socket.create_connection(("127.0.0.1", port), timeout=1).close()
            return
        except OSError:
            time.sleep(0.05)
    raise RuntimeError("server on port %d did not start" % port)


def exchange(port, requests):
    """Sends the requests on one connection, one after the other, and returns every byte until the close."""
    with socket.create_connection(("127.0.0.1", port), timeout=5) as s:
        s.sendall("".join(requests).encode())
        data = b""
        while True:
            piece = s.recv(65536)
            if not piece:
                return data
            data += piece


def request(method, path, *headers, close=False):
    lines = ["%s %s HTTP/1.1" % (method, path), "Host: 127.0.0.1", "User-Agent: Mozilla/3.0 (compatible; YERO LiveUpdate)"]
    lines += list(headers)
    if close:
        lines.append("Connection: close")
    return "\r\n".join(lines) + "\r\n\r\n"


def write(target, name, data):
    folder = os.path.join(CORPUS, target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode())


def site(root):
    os.makedirs(os.path.join(root, "YEROMP3LiveUpdate"))
    os.makedirs(os.path.join(root, "ssi"))
    os.makedirs(os.path.join(root, "private"))
    files = {
        "YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini": CATALOGUE,
        "YEROMP3LiveUpdate/V1.05.htm": PAGE,
        "404.html": NOT_FOUND,
        "ssi/page.htm": "<p>one</p><!--# echo var=\"date_gmt\" --><p>two</p>\n",
        "private/notes.txt": "secret\n",
        # user "fw", password "update", as htpasswd writes it with -b -p
        "htpasswd": "fw:update\n",
    }
    for name, text in files.items():
        with open(os.path.join(root, name), "w", newline="") as f:
            f.write(text)


def run_nginx(scratch, root):
    port = free_port()
    conf = os.path.join(scratch, "nginx.conf")
    with open(conf, "w") as f:
        f.write(
            "master_process off; pid %(s)s/nginx.pid; error_log %(s)s/error.log;\n"
            "events { worker_connections 16; }\n"
            "http { access_log off; client_body_temp_path %(s)s/body; proxy_temp_path %(s)s/proxy;\n"
            "  fastcgi_temp_path %(s)s/fcgi; uwsgi_temp_path %(s)s/uwsgi; scgi_temp_path %(s)s/scgi;\n"
            "  default_type application/octet-stream; types { text/html htm html; text/plain txt ini; }\n"
            "  server { listen 127.0.0.1:%(p)d; root %(r)s; error_page 404 /404.html;\n"
            "    location /ssi/ { ssi on; ssi_types *; }\n"
            "    location /YEROMP3LiveUpdate/ { expires 1h;\n"
            "      add_header Set-Cookie \"session=4f2a9c; path=/; HttpOnly\"; }\n"
            "    location /private/ { auth_basic \"Firmware\"; auth_basic_user_file %(r)s/htpasswd; }\n"
            "    location = /old.ini { return 302 /YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini; }\n"
            "  } }\n" % {"s": scratch, "p": port, "r": root}
        )
    proc = subprocess.Popen(["nginx", "-p", scratch, "-c", conf, "-g", "daemon off;"])
    wait_accepting(port)
    return proc, port


def run_python(root):
    port = free_port()
    proc = subprocess.Popen(
        [sys.executable, "-m", "http.server", "--bind", "127.0.0.1", "--directory", root, str(port)],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_accepting(port)
    return proc, port


def header_block(response):
    """The header lines of a response, without its status line, ending in the empty line."""
    head = response.split(b"\r\n\r\n", 1)[0]
    return head.split(b"\r\n", 1)[1] + b"\r\n\r\n"


def header_values(response, name):
    values = []
    for line in response.split(b"\r\n\r\n", 1)[0].split(b"\r\n")[1:]:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name.lower():
            values.append(value.strip())
    return values


def main():
    ini = "/YEROMP3LiveUpdate/YEROMP3LiveUpdate.ini"
    page = "/YEROMP3LiveUpdate/V1.05.htm"
    with tempfile.TemporaryDirectory() as scratch:
        root = os.path.join(scratch, "www")
        site(root)
        nginx, nport = run_nginx(scratch, root)
        python, pport = run_python(root)
        try:
            stamp = header_values(exchange(nport, [request("HEAD", ini, close=True)]), b"Last-Modified")[0]
            ng = {
                # first byte of each: piece size and client options (0x20 follow redirects, 0x40 HTTP/1.0,
                # 0x80 HEAD); the rest is what the server sent
                "nginx-keepalive-pair": (0x00, [request("GET", ini), request("GET", page, close=True)]),
                "nginx-chunked-ssi": (0x03, [request("GET", "/ssi/page.htm", close=True)]),
                "nginx-302-then-target": (0x21, [request("GET", "/old.ini"), request("GET", ini, close=True)]),
                "nginx-301-directory": (0x3F, [request("GET", "/YEROMP3LiveUpdate", close=True)]),
                "nginx-404-custom-page": (0x07, [request("GET", "/YEROMP3LiveUpdate/V9.99.htm", close=True)]),
                "nginx-304-not-modified": (
                    0x02, [request("GET", ini, "If-Modified-Since: " + stamp.decode(), close=True)]),
                "nginx-206-range": (0x01, [request("GET", ini, "Range: bytes=10-40", close=True)]),
                "nginx-416-range": (0x00, [request("GET", ini, "Range: bytes=9000-", close=True)]),
                "nginx-head": (0x80, [request("HEAD", ini, close=True)]),
                "nginx-401-basic": (0x10, [request("GET", "/private/notes.txt", close=True)]),
                "nginx-200-basic-accepted": (
                    0x10, [request("GET", "/private/notes.txt", "Authorization: Basic Znc6dXBkYXRl", close=True)]),
            }
            captured = {}
            for name, (first, requests) in ng.items():
                captured[name] = exchange(nport, requests)
                write("http_response_fuzz", name, bytes([first]) + captured[name])
            py = {
                "python-200-http10": (0x40, [request("GET", ini)]),
                "python-404": (0x05, [request("GET", "/nothing.ini")]),
                "python-301-directory": (0x25, [request("GET", "/YEROMP3LiveUpdate")]),
                "python-501-unsupported": (0x00, [request("OPTIONS", ini)]),
            }
            for name, (first, requests) in py.items():
                captured[name] = exchange(pport, requests)
                write("http_response_fuzz", name, bytes([first]) + captured[name])
        finally:
            nginx.terminate()
            python.terminate()
            nginx.wait()
            python.wait()

    # The connection reader: header bytes (piece size, line limit and mode, read plan), then the bytes.
    write("net_read_fuzz", "nginx-keepalive-pair", bytes([0, 0, 0]) + captured["nginx-keepalive-pair"])
    write("net_read_fuzz", "nginx-chunked-ssi", bytes([6, 0x50, 0x11]) + captured["nginx-chunked-ssi"])
    write("net_read_fuzz", "python-404", bytes([63, 0x08, 0x23]) + captured["python-404"])
    write("net_read_fuzz", "nginx-206-range", bytes([1, 0x7F, 0x02]) + captured["nginx-206-range"])
    write("net_read_fuzz", "catalogue-lines", bytes([16, 0x20, 0x04]) + CATALOGUE.encode())

    # Header blocks: the first byte is the folding width the values are written back with.
    for width, name in ((0, "nginx-keepalive-pair"), (78, "nginx-401-basic"), (20, "nginx-302-then-target"),
                        (0, "nginx-206-range"), (40, "python-200-http10"), (0, "python-404")):
        write("http_header_list_fuzz", name, bytes([width]) + header_block(captured[name]))

    # Dates as these servers send them.
    dates = set()
    for response in captured.values():
        for name in (b"Date", b"Last-Modified", b"Expires"):
            dates.update(header_values(response, name))
    for i, value in enumerate(sorted(dates)[:6]):
        write("http_internet_date_fuzz", "server-date-%d" % i, value)

    # Redirect targets as the servers wrote them, each with the request URL it resolves against.
    for name in ("nginx-302-then-target", "nginx-301-directory", "python-301-directory"):
        location = header_values(captured[name], b"Location")[0]
        write("http_uri_fuzz", name + "-location", location)

    # Cookie texts: the host, a NUL, then one Set-Cookie value a line.
    cookie_host = b"127.0.0.1\0"
    nginx_cookies = header_values(captured["nginx-keepalive-pair"], b"Set-Cookie")
    write("http_cookie_text_fuzz", "nginx-add-header", cookie_host + b"\n".join(nginx_cookies))
    jar = http.cookies.SimpleCookie()
    jar["sid"] = "31d4d96e407aad42"
    jar["sid"]["path"] = "/"
    jar["sid"]["expires"] = "Wed, 09 Jun 2021 10:18:14 GMT"
    jar["lang"] = "zh-CN"
    jar["lang"]["max-age"] = 3600
    jar["lang"]["domain"] = "update.example.com"
    jar["lang"]["secure"] = True
    jar["note"] = 'a "quoted" value; with semicolon'
    jar["note"]["comment"] = "from python"
    jar["note"]["version"] = 1
    texts = [morsel.OutputString().encode() for morsel in jar.values()]
    write("http_cookie_text_fuzz", "python-http-cookies", b"update.example.com\0" + b"\n".join(texts))

    # The demo host's catalogue in its real encoding and line ends, as the site tool writes it.
    with tempfile.TemporaryDirectory() as scratch:
        site = os.path.join(scratch, "site")
        subprocess.run([PUBLISH, "build", os.path.join(DEMO, "source"), site], check=True, capture_output=True)
        with open(os.path.join(site, "YEROMP3LiveUpdate", "YEROMP3LiveUpdate.ini"), "rb") as f:
            write("platform_profile_file_fuzz", "demo-catalogue-gbk.ini", f.read())

    # One tiny archive made by Info-ZIP's zip.
    with tempfile.TemporaryDirectory() as scratch:
        os.makedirs(os.path.join(scratch, "Firmware"))
        with open(os.path.join(scratch, "Firmware", "readme.txt"), "w") as f:
            f.write("YERO T10 firmware V1.05\r\n" * 4)
        subprocess.run(["zip", "-q", "-X", "-r", "tiny-infozip.zip", "Firmware"], cwd=scratch, check=True)
        with open(os.path.join(scratch, "tiny-infozip.zip"), "rb") as f:
            write("zip_extract_fuzz", "tiny-infozip.zip", f.read())


if __name__ == "__main__":
    main()
