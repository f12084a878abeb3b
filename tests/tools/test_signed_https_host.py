#!/usr/bin/env python3
"""The demo host signed and over https: every file that can reach the player carries a minisign signature (made by
the site tool with a key minisign made) that minisign itself accepts, the host speaks only TLS with a certificate of
the test CA, and the site tool reads the site clean over it."""

import http.client
import os
import ssl
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from test_update_host import DEMO, TOP, START_TIMEOUT, build_demo_site, publish, start_host, stop_host  # noqa: E402

TOOLS = os.path.join(DEMO, "..")


class SignedHttpsHostTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.root = os.path.join(cls.tmp.name, "site")
        cls.keys = os.path.join(cls.tmp.name, "keys")
        cls.pki = os.path.join(cls.tmp.name, "pki")
        build_demo_site(cls.root)
        os.makedirs(cls.keys)
        subprocess.run(["minisign", "-G", "-W", "-p", os.path.join(cls.keys, "demo.pub"), "-s",
                        os.path.join(cls.keys, "demo.key")], check=True, stdout=subprocess.DEVNULL)
        signed = publish("sign", cls.root, os.path.join(cls.keys, "demo.key"))
        assert signed.returncode == 0, signed.stderr
        subprocess.run(["bash", os.path.join(TOOLS, "tls", "make-test-pki.sh"), cls.pki], check=True)
        cls.host, cls.port = start_host(cls.root, "--tls-cert", os.path.join(cls.pki, "server.pem"),
                                        "--tls-key", os.path.join(cls.pki, "server.key"))

    @classmethod
    def tearDownClass(cls):
        stop_host(cls.host)
        cls.tmp.cleanup()

    def get(self, path):
        context = ssl.create_default_context(cafile=os.path.join(self.pki, "ca.pem"))
        conn = http.client.HTTPSConnection("localhost", self.port, timeout=START_TIMEOUT, context=context)
        try:
            conn.request("GET", path)
            resp = conn.getresponse()
            return resp.status, resp.read()
        finally:
            conn.close()

    def signed_files(self):
        for folder, _, names in os.walk(os.path.join(self.root, TOP.strip("/"))):
            for name in names:
                if name == "YEROMP3LiveUpdate.ini" or name.endswith((".zip", ".pieces")):
                    yield os.path.relpath(os.path.join(folder, name), self.root)

    def test_every_signed_file_verifies_with_minisign_as_served(self):
        files = sorted(self.signed_files())
        self.assertGreaterEqual(len(files), 3)
        for relative in files:
            with self.subTest(relative):
                status, body = self.get("/" + relative)
                self.assertEqual(status, 200)
                status, signature = self.get("/" + relative + ".minisig")
                self.assertEqual(status, 200)
                comment = signature.split(b"\n")[2]
                self.assertIn(b"file:" + os.path.basename(relative).encode(), comment.split(b"\t"))
                if relative.endswith(".ini"):
                    # The catalogue expires in 30 days, so that a frozen copy cannot be served for ever.
                    fields = dict(field.split(":", 1) for field in comment.decode()[len("trusted comment: "):].split("\t"))
                    self.assertEqual(int(fields["expires"]) - int(fields["timestamp"]), 30 * 86400)
                with tempfile.TemporaryDirectory() as scratch:
                    served = os.path.join(scratch, os.path.basename(relative))
                    with open(served, "wb") as f:
                        f.write(body)
                    with open(served + ".minisig", "wb") as f:
                        f.write(signature)
                    check = subprocess.run(["minisign", "-V", "-p", os.path.join(self.keys, "demo.pub"),
                                            "-m", served], capture_output=True)
                    self.assertEqual(check.returncode, 0, check.stderr)

    def test_the_site_tool_reads_the_site_clean_with_its_signatures(self):
        env = dict(os.environ, YEROUP_CA_FILE=os.path.join(self.pki, "ca.pem"))
        result = publish("check", "--key", os.path.join(self.keys, "demo.pub"), "https://localhost:%d" % self.port,
                         env=env)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertIn("clean: 2 models, 4 firmware; signatures checked", result.stderr)
        # Without the test CA the host is not trusted, and nothing of it is read.
        result = publish("check", "https://localhost:%d" % self.port)
        self.assertEqual(result.returncode, 1)
        self.assertIn("catalogue https://localhost:%d%s%s.ini: cannot be read: " % (self.port, TOP, TOP), result.stdout)

    def test_keys_stay_in_the_key_folder_and_plain_http_is_refused(self):
        self.assertTrue(os.path.exists(os.path.join(self.keys, "demo.key")))
        for _, _, names in os.walk(self.root):
            self.assertFalse([n for n in names if n.endswith(".key")])
        conn = http.client.HTTPConnection("127.0.0.1", self.port, timeout=START_TIMEOUT)
        with self.assertRaises((http.client.HTTPException, ConnectionError)):
            conn.request("GET", TOP)
            conn.getresponse()
        conn.close()


if __name__ == "__main__":
    unittest.main()
