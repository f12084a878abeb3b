#!/usr/bin/env python3
"""The demo update host serves the built demo site with the right bytes, and nothing else."""

import http.client
import os
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse
import zipfile

DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "demo")
TOP = "/YEROMP3LiveUpdate"
START_TIMEOUT = 60
# The site tool of the build under test (ctest sets it).
PUBLISH = os.environ.get("YEROUP_PUBLISH", "yeroup-publish")


def publish(*args, **kwargs):
    return subprocess.run([PUBLISH, *args], capture_output=True, text=True, timeout=START_TIMEOUT, **kwargs)


def build_demo_site(out):
    result = publish("build", os.path.join(DEMO, "source"), out)
    if result.returncode != 0:
        raise AssertionError("the demo site was not built: %s%s" % (result.stdout, result.stderr))


def start_host(root, *extra):
    proc = subprocess.Popen(
        [sys.executable, os.path.join(DEMO, "update_host.py"), "--root", root, "--port", "0", "--quiet", *extra],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    line = proc.stdout.readline()
    if not line.startswith("listening on "):
        proc.kill()
        raise AssertionError("host did not start: %r %s" % (line, proc.stderr.read()))
    return proc, int(line.rsplit(":", 1)[1])


def stop_host(proc):
    if proc.poll() is None:
        proc.send_signal(signal.SIGTERM)
    out, err = proc.communicate(timeout=START_TIMEOUT)
    return proc.returncode, out, err


def get(port, path, method="GET", headers=None):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=START_TIMEOUT)
    try:
        conn.request(method, path, headers=headers or {})
        resp = conn.getresponse()
        return resp.status, dict((k.lower(), v) for k, v in resp.getheaders()), resp.read()
    finally:
        conn.close()


def parse_catalogue(data):
    """Sections and their keys in file order, as the program reads the catalogue."""
    sections = []
    for line in data.decode("gbk").split("\r\n"):
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], []))
        elif line and not line.startswith(";") and "=" in line and sections:
            sections[-1][1].append(line.split("=", 1)[0])
    return sections


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = os.path.join(cls.tmp.name, "site")
        build_demo_site(cls.root)
        cls.host, cls.port = start_host(cls.root)
        with open(cls.root + TOP + TOP + ".ini", "rb") as f:
            cls.catalogue = parse_catalogue(f.read())

    @classmethod
    def tearDownClass(cls):
        stop_host(cls.host)
        cls.tmp.cleanup()

    def local(self, path):
        return os.path.join(self.root, *path.strip("/").split("/"))

    def layout_paths(self):
        yield TOP + TOP + ".ini"
        for model, versions in self.catalogue:
            for fw in versions:
                base = "%s/Firmware/%s/%s_%s" % (TOP, model, model, fw)
                yield base + ".asp"
                yield base + ".zip"

    def test_catalogue_is_gbk_with_two_models_of_two_versions_each(self):
        status, headers, body = get(self.port, TOP + TOP + ".ini")
        self.assertEqual(status, 200)
        with self.assertRaises(UnicodeDecodeError):
            body.decode("utf-8")  # Chinese values in GBK, not UTF-8
        self.assertIn("修正", body.decode("gbk"))
        self.assertTrue(body.endswith(b"\r\n") and b"\n" not in body.replace(b"\r\n", b""))
        self.assertEqual(len(self.catalogue), 2)
        for model, versions in self.catalogue:
            self.assertTrue(model.isascii() and model, model)
            self.assertEqual(len(versions), 2, model)
            self.assertTrue(all(v.isascii() for v in versions), versions)

    def test_every_layout_path_answers_with_the_file_bytes(self):
        for path in self.layout_paths():
            with self.subTest(path=path):
                status, headers, body = get(self.port, path)
                self.assertEqual(status, 200)
                with open(self.local(path), "rb") as f:
                    self.assertEqual(body, f.read())
                self.assertEqual(int(headers["content-length"]), len(body))
                self.assertEqual(headers.get("connection"), "close")

    def test_home_page_is_served_at_the_bare_path_without_redirect(self):
        status, headers, body = get(self.port, TOP)
        self.assertEqual(status, 200)
        self.assertNotIn("location", headers)
        self.assertTrue(headers["content-type"].startswith("text/html"))
        self.assertIn("在线升级", body.decode("utf-8"))

    def test_firmware_pages_are_chinese_html_declaring_utf8_or_old_ones_gbk_declaring_nothing(self):
        old_pages = []
        for model, versions in self.catalogue:
            for fw in versions:
                status, headers, body = get(self.port, "%s/Firmware/%s/%s_%s.asp" % (TOP, model, model, fw))
                self.assertEqual(headers["content-type"], "text/html")
                if b"charset" in body:
                    text = body.decode("utf-8")
                    self.assertIn("charset=utf-8", text)
                else:
                    text = body.decode("gbk")
                    old_pages.append(fw)
                    with self.assertRaises(UnicodeDecodeError):
                        body.decode("utf-8")
                self.assertIn(model, text)
                self.assertIn(fw, text)
                self.assertIn("固件", text)
        self.assertEqual(old_pages, ["V2.00"])

    def test_packages_are_sound_zips_with_firmware_and_readme(self):
        sizes = []
        for path in self.layout_paths():
            if not path.endswith(".zip"):
                continue
            with self.subTest(path=path):
                result = subprocess.run(["unzip", "-t", "-q", self.local(path)], capture_output=True, text=True)
                self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
                with zipfile.ZipFile(self.local(path)) as z:
                    names = z.namelist()
                    self.assertIn("firmware.sb", names)
                    self.assertIn("readme.txt", names)
                    self.assertIn("升级", z.read("readme.txt").decode("gbk"))
                    image = z.getinfo("firmware.sb")
                    # Stored, so the transfer is as long as the image.
                    self.assertGreater(image.compress_size, image.file_size * 0.99)
                sizes.append(os.path.getsize(self.local(path)))
        self.assertEqual(len(sizes), 4)
        self.assertGreaterEqual(max(sizes), 4 * 1024 * 1024)

    def test_unknown_and_escaping_paths_are_404(self):
        outside = os.path.join(self.tmp.name, "secret.txt")
        with open(outside, "w") as f:
            f.write("not served")
        for path in ("/nope", TOP + "/Firmware/YERO-T10/YERO-T10_V9.99.zip", TOP + "/Firmware/NOPE/",
                     "/../secret.txt", TOP + "/../../secret.txt", "/%2e%2e/secret.txt",
                     TOP + "/..%2f..%2fsecret.txt", "/%ff", TOP + "%00.ini"):
            with self.subTest(path=path):
                status, headers, body = get(self.port, path)
                self.assertEqual(status, 404)
                self.assertNotIn(b"not served", body)

    def test_names_are_the_bytes_the_program_sends(self):
        # A Chinese model name reaches the host in code page 936, raw or percent-encoded, and names the file so.
        name = "播放器".encode("gbk")
        folder = os.path.join(os.fsencode(self.root), b"YEROMP3LiveUpdate", b"Firmware", name)
        os.makedirs(folder)
        with open(os.path.join(folder, name + b"_V1.asp"), "wb") as f:
            f.write(b"page")
        path = b"%s/Firmware/%s/%s_V1.asp" % (TOP.encode(), name, name)
        for target in (path, urllib.parse.quote_from_bytes(path).encode()):
            with self.subTest(target=target):
                with socket.create_connection(("127.0.0.1", self.port), timeout=START_TIMEOUT) as s:
                    s.sendall(b"GET %s HTTP/1.1\r\nHost: x\r\n\r\n" % target)
                    answer = b""
                    while chunk := s.recv(65536):
                        answer += chunk
                self.assertTrue(answer.startswith(b"HTTP/1.1 200") and answer.endswith(b"\r\n\r\npage"), answer)

    def test_the_site_tool_reads_the_served_site_clean(self):
        result = publish("check", "127.0.0.1:%d" % self.port)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertEqual(result.stdout, "")
        self.assertIn("clean: 2 models, 4 firmware", result.stderr)

    def test_head_answers_the_length_without_a_body(self):
        path = TOP + TOP + ".ini"
        status, headers, body = get(self.port, path, "HEAD")
        self.assertEqual(status, 200)
        self.assertEqual(body, b"")
        self.assertEqual(int(headers["content-length"]), os.path.getsize(self.local(path)))

    def test_download_dropped_midway_leaves_the_host_serving(self):
        big = max((p for p in self.layout_paths() if p.endswith(".zip")), key=lambda p: os.path.getsize(self.local(p)))
        for _ in range(3):
            with socket.create_connection(("127.0.0.1", self.port), timeout=START_TIMEOUT) as s:
                s.sendall(("GET %s HTTP/1.1\r\nHost: x\r\n\r\n" % big).encode())
                self.assertTrue(s.recv(65536).startswith(b"HTTP/1.1 200"))
        status, _, body = get(self.port, TOP + TOP + ".ini")
        self.assertEqual(status, 200)
        self.assertIsNone(self.host.poll())

    def test_ranges_are_answered_for_the_same_version_only(self):
        big = max((p for p in self.layout_paths() if p.endswith(".zip")), key=lambda p: os.path.getsize(self.local(p)))
        with open(self.local(big), "rb") as f:
            whole = f.read()
        status, headers, body = get(self.port, big)
        self.assertEqual(status, 200)
        etag, date = headers["etag"], headers["last-modified"]
        self.assertTrue(etag.startswith('"'))  # strong
        cases = [
            ({"Range": "bytes=1000-"}, 206, whole[1000:]),
            ({"Range": "bytes=1000-", "If-Range": etag}, 206, whole[1000:]),
            ({"Range": "bytes=1000-", "If-Range": date}, 206, whole[1000:]),
            ({"Range": "bytes=1000-1009"}, 206, whole[1000:1010]),
            ({"Range": "bytes=1000-", "If-Range": '"another"'}, 200, whole),
            ({"Range": "bytes=%d-" % len(whole)}, 416, b""),
        ]
        for extra, code, expected in cases:
            with self.subTest(extra=extra):
                status, headers, body = get(self.port, big, headers=extra)
                self.assertEqual(status, code)
                self.assertEqual(body, expected)
                if code == 206:
                    self.assertEqual(headers["content-range"], "bytes 1000-%d/%d" % (999 + len(expected), len(whole)))


class LifecycleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = os.path.join(cls.tmp.name, "site")
        build_demo_site(cls.root)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def test_rate_limit_slows_a_body_down(self):
        path = TOP + "/Firmware/YERO-T20/YERO-T20_V2.00.zip"
        size = os.path.getsize(self.root + path)
        proc, port = start_host(self.root, "--rate-kib", "256")
        try:
            began = time.monotonic()
            status, _, body = get(port, path)
            elapsed = time.monotonic() - began
        finally:
            stop_host(proc)
        self.assertEqual((status, len(body)), (200, size))
        # Only a lower bound: a loaded machine may be slower, never faster.
        self.assertGreater(elapsed, 0.8 * (size - 16 * 1024) / (256 * 1024))

    def test_bad_day_options_chunks_slow_pages_and_a_login_page(self):
        page = TOP + "/Firmware/YERO-T20/YERO-T20_V2.01.asp"
        package = TOP + "/Firmware/YERO-T20/YERO-T20_V2.00.zip"
        proc, port = start_host(self.root, "--chunked", "--page-delay", "1")
        try:
            status, headers, body = get(port, package)  # http.client undoes the chunks
            self.assertEqual(headers.get("transfer-encoding"), "chunked")
            self.assertNotIn("content-length", headers)
            with open(self.root + package, "rb") as f:
                self.assertEqual(body, f.read())
            began = time.monotonic()
            self.assertEqual(get(port, page)[0], 200)
            self.assertGreater(time.monotonic() - began, 0.9)
        finally:
            stop_host(proc)
        proc, port = start_host(self.root, "--captive-portal")
        try:
            for path in (TOP + TOP + ".ini", package, "/nope"):
                status, headers, body = get(port, path)
                self.assertEqual(status, 200)
                self.assertIn("<form", body.decode("utf-8"))
        finally:
            stop_host(proc)

    def test_rebuild_swaps_the_whole_site_in_and_leaves_nothing_beside_it(self):
        site = os.path.join(self.tmp.name, "swap", "site")
        build_demo_site(site)
        stale = os.path.join(site, "stale.txt")
        with open(stale, "w") as f:
            f.write("from the old site")
        catalogue = site + TOP + TOP + ".ini"
        with open(catalogue, "rb") as reading:
            first = reading.read(10)
            build_demo_site(site)
            # A reader of the old site reads it to its end.
            old = first + reading.read()
        with open(catalogue, "rb") as f:
            self.assertEqual(old, f.read())
        self.assertFalse(os.path.exists(stale))
        self.assertEqual(os.listdir(os.path.dirname(site)), ["site"])

    def test_signals_stop_the_host_cleanly_even_mid_download(self):
        for sig in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=sig):
                proc, port = start_host(self.root, "--rate-kib", "64")
                with socket.create_connection(("127.0.0.1", port), timeout=START_TIMEOUT) as s:
                    s.sendall(("GET %s/Firmware/YERO-T10/YERO-T10_V1.05.zip HTTP/1.1\r\n\r\n" % TOP).encode())
                    s.recv(1024)
                    proc.send_signal(sig)
                    code, out, err = stop_host(proc)
                self.assertEqual(code, 0, err)
                self.assertIn("stopped", out)
                self.assertNotIn("Traceback", err)
                # The port is free once the host has gone: no listener is left. The connection the host dropped
                # may linger in TIME_WAIT on that port, which SO_REUSEADDR lets a new socket bind past.
                with socket.socket() as again:
                    again.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
                    again.bind(("127.0.0.1", port))

    def test_busy_port_is_reported_without_a_traceback(self):
        with socket.socket() as taken:
            taken.bind(("127.0.0.1", 0))
            taken.listen()
            port = taken.getsockname()[1]
            result = subprocess.run([sys.executable, os.path.join(DEMO, "update_host.py"), "--root", self.root,
                                     "--port", str(port)], capture_output=True, text=True, timeout=START_TIMEOUT)
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot listen on 127.0.0.1:%d" % port, result.stderr)
        self.assertNotIn("Traceback", result.stderr)

    def test_bad_arguments_are_refused(self):
        script = os.path.join(DEMO, "update_host.py")
        for args in (["--root", os.path.join(self.tmp.name, "missing")], ["--root", self.root, "--rate-kib", "-1"],
                     ["--root", self.root, "--page-delay", "-1"]):
            with self.subTest(args=args):
                result = subprocess.run([sys.executable, script, "--port", "0", *args], capture_output=True,
                                        text=True, timeout=START_TIMEOUT)
                self.assertEqual(result.returncode, 2)


if __name__ == "__main__":
    unittest.main()
