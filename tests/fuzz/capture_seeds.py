#!/usr/bin/env python3
"""Writes the fuzz seeds that come from real peers: responses of nginx and Python's http.server captured
byte for byte on loopback, their header blocks, dates and redirect targets, cookie texts as Python's
http.cookies writes them, the demo host's catalogue, and a tiny Info-ZIP archive ("servers"); signatures and
key files made by minisign ("trust"); excerpts of the registry of a Wine prefix that wine itself wrote
("registry"); the demo host's pages with the Content-Type nginx and Python send for them ("charset").

Run it again when the peers' behaviour we seed from should be refreshed; hand-written seeds in the same
folders are left alone. Usage: [YEROUP_PUBLISH=yeroup-publish] capture_seeds.py [--only GROUP[,GROUP...]] [CORPUS_FOLDER]
"""

import argparse
import http.cookies
import os
import socket
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
CORPUS = os.path.join(HERE, "corpus")
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


def build_demo_site(root):
    subprocess.run([PUBLISH, "build", os.path.join(DEMO, "source"), root], check=True, capture_output=True)


def demo_catalogue():
    with tempfile.TemporaryDirectory() as scratch:
        root = os.path.join(scratch, "site")
        build_demo_site(root)
        return read(os.path.join(root, "YEROMP3LiveUpdate", "YEROMP3LiveUpdate.ini"))


def capture_servers():
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
    write("platform_profile_file_fuzz", "demo-catalogue-gbk.ini", demo_catalogue())

    # One tiny archive made by Info-ZIP's zip.
    with tempfile.TemporaryDirectory() as scratch:
        os.makedirs(os.path.join(scratch, "Firmware"))
        with open(os.path.join(scratch, "Firmware", "readme.txt"), "w") as f:
            f.write("YERO T10 firmware V1.05\r\n" * 4)
        subprocess.run(["zip", "-q", "-X", "-r", "tiny-infozip.zip", "Firmware"], cwd=scratch, check=True)
        with open(os.path.join(scratch, "tiny-infozip.zip"), "rb") as f:
            write("zip_extract_fuzz", "tiny-infozip.zip", f.read())


def minisign(*args, cwd):
    subprocess.run(["minisign", *args], cwd=cwd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def minisign_seeds():
    """Key pairs and signatures made by minisign. The signature target's input is a key file, a NUL, the
    signature file and a NUL, then the signed bytes."""
    with tempfile.TemporaryDirectory() as scratch:
        for key in ("site", "other"):
            minisign("-G", "-W", "-p", key + ".pub", "-s", key + ".key", cwd=scratch)
        site, other = read(os.path.join(scratch, "site.pub")), read(os.path.join(scratch, "other.pub"))
        catalogue = demo_catalogue()
        with open(os.path.join(scratch, "YEROMP3LiveUpdate.ini"), "wb") as f:
            f.write(catalogue)
        with open(os.path.join(scratch, "A_1.0.zip"), "wb") as f:
            f.write(b"PK\5\6" + bytes(18))

        def signed(name, key, *options):
            minisign("-S", "-s", key + ".key", "-m", name, *options, cwd=scratch)
            return read(os.path.join(scratch, name + ".minisig"))

        longest = "timestamp:1767225600\tfile:YEROMP3LiveUpdate.ini\t"
        cases = {
            "catalogue-default-comment": (site, "YEROMP3LiveUpdate.ini", signed("YEROMP3LiveUpdate.ini", "site")),
            "catalogue-with-expiry": (site, "YEROMP3LiveUpdate.ini", signed(
                "YEROMP3LiveUpdate.ini", "site", "-t",
                "timestamp:1767225600\tfile:YEROMP3LiveUpdate.ini\texpires:1769817600")),
            "catalogue-longest-comments": (site, "YEROMP3LiveUpdate.ini", signed(
                "YEROMP3LiveUpdate.ini", "site", "-c", "u" * 1003, "-t", longest + "p" * (4077 - len(longest)))),
            "package-legacy": (site, "A_1.0.zip", signed("A_1.0.zip", "site", "-l")),
            "package-second-key": (b"# site keys\n" + site + b"\n" + other, "A_1.0.zip", signed("A_1.0.zip", "other")),
        }
        for name, (keys, signed_file, signature) in cases.items():
            data = read(os.path.join(scratch, signed_file))
            write("app_trust_signature_fuzz", name, keys + b"\0" + signature + b"\0" + data)
        write("app_trust_key_file_fuzz", "minisign-public-key.pub", site)
        write("app_trust_key_file_fuzz", "two-keys-with-comments.pub", b"# the site's keys\n" + site + b"\n" + other)


def wine_registry_seeds():
    """Excerpts of the system.reg of a fresh Wine prefix after `wine reg add` wrote the player software's key
    with a value of each type, in both views: the header, those keys, and keys Wine wrote itself."""
    with tempfile.TemporaryDirectory() as scratch:
        prefix = os.path.join(scratch, "prefix")
        env = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=",
                   LC_ALL="C.UTF-8")
        quiet = {"env": env, "check": True, "stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        subprocess.run(["wine", "wineboot", "--init"], timeout=900, **quiet)
        key = "HKLM\\Software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params"
        for value in (["/v", "Install Folder", "/t", "REG_EXPAND_SZ", "/d", "%ProgramFiles%\\SigmaTel\\播放器"],
                      ["/v", "Flags", "/t", "REG_DWORD", "/d", "1"],
                      ["/ve", "/d", '默认 "quoted"'],
                      ["/v", "Blob", "/t", "REG_BINARY", "/d", "a5" * 120],
                      ["/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0二"]):
            subprocess.run(["wine", "reg", "add", key, *value, "/f"], timeout=120, **quiet)
        subprocess.run(["wine", "reg", "add", key.replace("Software", "Software\\Wow6432Node"), "/v",
                        "Install Folder", "/t", "REG_SZ", "/d", "C:\\Program Files (x86)\\SigmaTel\\播放器", "/f"],
                       timeout=120, **quiet)
        subprocess.run(["wineserver", "-w"], timeout=120, env=env, check=True)
        hive = read(os.path.join(prefix, "system.reg"))
    # The header lines (version, root, architecture) end where the first key begins.
    start = hive.index(b"\n[") + 1
    head, body = hive[:start], hive[start:]
    blocks = {block.split(b"]", 1)[0] + b"]": block for block in body.split(b"\n\n") if block.startswith(b"[")}

    def excerpt(*names):
        return head + b"\n\n".join(blocks[n] for n in names if n in blocks) + b"\n"

    player = b"[Software\\\\SigmaTel\\\\SigmaTel MSCN Audio Player\\\\Params]"
    write("platform_wine_registry_fuzz", "wine-player-key-both-views.reg",
          excerpt(player, player.replace(b"Software", b"Software\\\\Wow6432Node")))
    environment = [n for n in blocks if n.endswith(b"Session Manager\\\\Environment]")]
    write("platform_wine_registry_fuzz", "wine-environment-and-links.reg",
          excerpt(*environment, b"[Software\\\\Wow6432Node\\\\Wine\\\\Ports]"))


def page_charset_seeds():
    """The demo host's pages as nginx and Python's http.server serve them: the first byte is the length of
    the Content-Type value, which follows, then the page."""
    with tempfile.TemporaryDirectory() as scratch:
        root = os.path.join(scratch, "www")
        build_demo_site(root)
        pages = []
        for folder, _, names in os.walk(root):
            pages += [os.path.relpath(os.path.join(folder, n), root) for n in names if n.endswith((".asp", ".htm"))]
        nginx, nport = run_nginx_pages(scratch, root)
        python, pport = run_python(root)
        try:
            for server, port in (("nginx", nport), ("python", pport)):
                for page in sorted(pages):
                    response = exchange(port, [request("GET", "/" + page, close=True)])
                    body = response.split(b"\r\n\r\n", 1)[1]
                    content_type = header_values(response, b"Content-Type")[0][:255]
                    name = "%s-%s" % (server, os.path.basename(page))
                    write("app_page_charset_fuzz", name, bytes([len(content_type)]) + content_type + body[:2048])
        finally:
            for proc in (nginx, python):
                proc.terminate()
                proc.wait()


def run_nginx_pages(scratch, root):
    """nginx naming the firmware pages text/html, one model's with the charset its host would add."""
    port = free_port()
    conf = os.path.join(scratch, "nginx-pages.conf")
    with open(conf, "w") as f:
        f.write(
            "master_process off; pid %(s)s/nginx-pages.pid; error_log %(s)s/error-pages.log;\n"
            "events { worker_connections 16; }\n"
            "http { access_log off; client_body_temp_path %(s)s/body; proxy_temp_path %(s)s/proxy;\n"
            "  fastcgi_temp_path %(s)s/fcgi; uwsgi_temp_path %(s)s/uwsgi; scgi_temp_path %(s)s/scgi;\n"
            "  types { text/html htm html asp; }\n"
            "  server { listen 127.0.0.1:%(p)d; root %(r)s;\n"
            "    location /YEROMP3LiveUpdate/Firmware/YERO-T20/ { charset gb2312; }\n"
            "  } }\n" % {"s": scratch, "p": port, "r": root}
        )
    proc = subprocess.Popen(["nginx", "-p", scratch, "-c", conf, "-g", "daemon off;"])
    wait_accepting(port)
    return proc, port


GROUPS = {
    "servers": capture_servers,
    "trust": minisign_seeds,
    "registry": wine_registry_seeds,
    "charset": page_charset_seeds,
}


def main():
    global CORPUS
    parser = argparse.ArgumentParser(description="Writes the fuzz seeds that come from real peers.")
    parser.add_argument("--only", default=",".join(GROUPS), help="groups to write: " + ", ".join(GROUPS))
    parser.add_argument("corpus", nargs="?", default=CORPUS)
    args = parser.parse_args()
    CORPUS = args.corpus
    for group in args.only.split(","):
        GROUPS[group]()


if __name__ == "__main__":
    main()
