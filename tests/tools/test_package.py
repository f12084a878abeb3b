#!/usr/bin/env python3
"""The Debian package of this build: made with CPack, checked with Debian's own tools, unpacked into a
throwaway root and started there, offscreen, against the demo update host."""

import glob
import os
import re
import signal
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
BUILD = os.environ.get("YEROUP_BUILD_DIR", os.path.join(SOURCE, "build", "release"))
APP_ID = "org.yeroup.Yeroup"
TIMEOUT = 300
# The installed program has loaded the catalogue and shown the first firmware page within this time.
START_SECONDS = 60

REGISTRY_KEY = "[Software\\\\SigmaTel\\\\SigmaTel MSCN Audio Player\\\\Params] 1796736507\n"


def run(args, **kwargs):
    return subprocess.run(args, capture_output=True, text=True, timeout=TIMEOUT, **kwargs)


def say(text):
    print("[ package ] " + text, file=sys.stderr, flush=True)


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        started = time.monotonic()
        out = os.path.join(cls.tmp.name, "out")
        result = run(["cpack", "-G", "DEB", "-B", out], cwd=BUILD)
        if result.returncode != 0:
            raise AssertionError("cpack failed:\n" + result.stdout + result.stderr)
        (cls.deb,) = glob.glob(os.path.join(out, "*.deb"))
        say("cpack made %s in %.1f s" % (os.path.basename(cls.deb), time.monotonic() - started))
        cls.root = os.path.join(cls.tmp.name, "root")
        subprocess.run(["dpkg", "-x", cls.deb, cls.root], check=True, timeout=TIMEOUT)

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.strip()

    def test_holds_the_program_its_desktop_files_and_documentation(self):
        share = os.path.join(self.root, "usr", "share")
        expected = [
            "usr/bin/yeroup",
            "usr/bin/yeroup-publish",
            "usr/share/applications/%s.desktop" % APP_ID,
            "usr/share/metainfo/%s.metainfo.xml" % APP_ID,
            "usr/share/icons/hicolor/scalable/apps/%s.svg" % APP_ID,
            "usr/share/man/man1/yeroup.1.gz",
            "usr/share/man/man1/yeroup-publish.1.gz",
            "usr/share/doc/yeroup/copyright",
            "usr/share/doc/yeroup/changelog.gz",
            "usr/share/yeroup/translations/yeroup_en.qm",
            "usr/share/yeroup/translations/yeroup_zh_CN.qm",
        ] + ["usr/share/icons/hicolor/%dx%d/apps/%s.png" % (n, n, APP_ID) for n in (16, 24, 32, 48, 64, 128, 256)]
        for rel in expected:
            self.assertTrue(os.path.isfile(os.path.join(self.root, rel)), rel)
        with open(os.path.join(share, "icons", "hicolor", "48x48", "apps", APP_ID + ".png"), "rb") as f:
            head = f.read(24)
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual((int.from_bytes(head[16:20], "big"), int.from_bytes(head[20:24], "big")), (48, 48))
        # The dependencies come from the libraries the program links.
        depends = self.field("Depends")
        for library in ("libc6", "libqt6widgets6", "libqt6network6", "libstdc++6", "zlib1g"):
            self.assertIn(library, depends)
        self.assertIn("wine", self.field("Recommends"))

    def test_desktop_entry_and_metainfo_validate(self):
        share = os.path.join(self.root, "usr", "share")
        entry = run(["desktop-file-validate", os.path.join(share, "applications", APP_ID + ".desktop")])
        self.assertEqual(entry.returncode, 0, entry.stdout + entry.stderr)
        self.assertEqual(entry.stdout, "")
        # The menu's second action starts the program with the trace on.
        with open(os.path.join(share, "applications", APP_ID + ".desktop"), encoding="utf-8") as f:
            desktop = f.read()
        self.assertIn("Actions=trace;", desktop)
        self.assertIn("[Desktop Action trace]\nName=", desktop)
        self.assertIn("Exec=yeroup --trace\n", desktop[desktop.index("[Desktop Action trace]"):])
        metainfo = run(["appstreamcli", "validate", "--no-net", os.path.join(share, "metainfo", APP_ID + ".metainfo.xml")])
        self.assertEqual(metainfo.returncode, 0, metainfo.stdout + metainfo.stderr)
        with open(os.path.join(share, "metainfo", APP_ID + ".metainfo.xml"), encoding="utf-8") as f:
            self.assertIn('<release version="%s"' % self.field("Version"), f.read())

    def test_lintian_finds_no_error_and_the_readme_explains_each_warning(self):
        started = time.monotonic()
        result = run(["lintian", "--allow-root", self.deb])
        say("lintian ran in %.1f s:\n%s" % (time.monotonic() - started, result.stdout or "(nothing to report)\n"))
        tags = [line.split()[:3] for line in result.stdout.splitlines() if re.match(r"^[EW]: ", line)]
        self.assertEqual([t for t in tags if t[0] == "E:"], [], result.stdout)
        with open(os.path.join(SOURCE, "README.md"), encoding="utf-8") as f:
            readme = f.read()
        section = readme[readme.index("### lintian"):]
        section = section[: section.find("\n#", 1) if "\n#" in section[1:] else len(section)]
        explained = set(re.findall(r"`([a-z0-9][a-z0-9.+-]*)`", section))
        for _, _, tag in (t for t in tags if t[0] == "W:"):
            self.assertIn(tag, explained, "lintian warning %s is not explained in the README" % tag)

    def test_command_line_answers_on_a_terminal_without_a_display(self):
        program = os.path.join(self.root, "usr", "bin", "yeroup")
        home = os.path.join(self.tmp.name, "terminal-home")
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "LANGUAGE")}
        env.update(QT_QPA_PLATFORM="xcb", HOME=home, XDG_DATA_HOME=os.path.join(home, "data"))
        trace_file = os.path.join(home, "data", "yeroup", "yeroup-trace.log")
        cases = [
            # arguments, locale, exit status, what the standard output holds, what the standard error holds
            (["--help"], "C", 0, ["Usage: yeroup [options]", "--version", "--trace", trace_file], []),
            (["-h"], "en_GB.UTF-8", 0, ["Show this help and exit."], []),
            # The installed Chinese is found beside the program.
            (["--help"], "zh_CN.UTF-8", 0, ["用法：yeroup [选项]", "显示本帮助并退出。"], []),
            # The window's caption names the same version by its last two numbers.
            (["--version"], "en_GB.UTF-8", 0, ["yeroup " + self.field("Version") + " (YERO MP3 LiveUpdate 2005 Build " +
                                               ".".join(self.field("Version").split(".")[2:]) + ")"], []),
            (["--verbose"], "C", 2, [], ["yeroup: Unknown option 'verbose'.", "Try 'yeroup --help'"]),
            (["update"], "zh_CN.UTF-8", 2, [], ["yeroup: 多余的参数“update”", "yeroup --help"]),
            # Without a display: a message naming the variables, no abort.
            ([], "C", 1, [], ["yeroup: cannot open a window", "DISPLAY", "WAYLAND_DISPLAY"]),
            ([], "zh_CN.UTF-8", 1, [], ["yeroup: 无法打开窗口", "DISPLAY", "WAYLAND_DISPLAY"]),
        ]
        for arguments, locale, status, out, err in cases:
            with self.subTest(arguments=arguments, locale=locale):
                result = run([program, *arguments], env=dict(env, LANG=locale, LC_ALL=locale))
                self.assertEqual(result.returncode, status, result.stdout + result.stderr)
                for text in out:
                    self.assertIn(text, result.stdout)
                for text in err:
                    self.assertIn(text, result.stderr)
                if status:
                    self.assertEqual(result.stdout, "")
        # A display that is named but not there: Qt's own failure becomes the program's message.
        result = run([program], env=dict(env, LANG="C", LC_ALL="C", DISPLAY=":7913"))
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertIn("yeroup: cannot open a window on the display ':7913'", result.stderr)

    def test_installed_program_loads_the_catalogue_and_keeps_its_files_in_the_data_folder(self):
        work = os.path.join(self.tmp.name, "run")
        site = os.path.join(work, "site")
        os.makedirs(work)
        # The demo site, built by the packaged site tool.
        subprocess.run([os.path.join(self.root, "usr", "bin", "yeroup-publish"), "build",
                        os.path.join(SOURCE, "tools", "demo", "source"), site],
                       check=True, capture_output=True, timeout=TIMEOUT)
        # The player software in a Wine prefix, as its installer leaves it.
        prefix = os.path.join(work, "prefix")
        os.makedirs(os.path.join(prefix, "drive_c", "Program Files", "SigmaTel", "Player"))
        os.makedirs(os.path.join(prefix, "dosdevices"))
        os.symlink("../drive_c", os.path.join(prefix, "dosdevices", "c:"))
        with open(os.path.join(prefix, "system.reg"), "w") as f:
            f.write("WINE REGISTRY Version 2\n;; All keys relative to \\\\Machine\n\n#arch=win64\n\n" + REGISTRY_KEY +
                    '"Install Folder"="C:\\\\Program Files\\\\SigmaTel\\\\Player"\n')
        data = os.path.join(work, "data")
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("YEROUP_", "XDG_", "WINE"))}
        env.update(QT_QPA_PLATFORM="offscreen", HOME=os.path.join(work, "home"), XDG_DATA_HOME=data,
                   XDG_RUNTIME_DIR=runtime, WINEPREFIX=prefix)
        if os.path.exists("/etc/yeroup/registry.ini"):  # a machine-wide registry file would come first
            env["YEROUP_REGISTRY_FILE"] = os.path.join(prefix, "system.reg")

        host = subprocess.Popen([sys.executable, os.path.join(SOURCE, "tools", "demo", "update_host.py"), "--root",
                                 site, "--port", "0", "--quiet"], stdout=subprocess.PIPE, text=True)
        try:
            line = host.stdout.readline()
            self.assertTrue(line.startswith("listening on "), line)
            env["YEROUP_UPDATE_HOST"] = line.split()[-1]
            program = os.path.join(self.root, "usr", "bin", "yeroup")
            started = time.monotonic()
            # With the trace on, as the desktop entry's second action starts it.
            app = subprocess.Popen([program, "--trace"], cwd=work, env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT)
            files = os.path.join(data, "yeroup")
            page = os.path.join(files, "FirmwareBack", "YERO-T10_V1.05.htm")
            try:
                while not os.path.exists(page) and app.poll() is None and time.monotonic() - started < START_SECONDS:
                    time.sleep(0.1)
                self.assertTrue(os.path.exists(page), "no first firmware page after %.0f s, program status %s" %
                                (time.monotonic() - started, app.poll()))
                say("the installed program showed its main window in %.1f s" % (time.monotonic() - started))
            finally:
                app.send_signal(signal.SIGTERM)
                output = app.communicate(timeout=TIMEOUT)[0]
        finally:
            host.terminate()
            host.wait(timeout=TIMEOUT)
            host.stdout.close()
        with open(os.path.join(files, "YEROMP3LiveUpdate.ini"), "rb") as mine, \
                open(os.path.join(site, "YEROMP3LiveUpdate", "YEROMP3LiveUpdate.ini"), "rb") as served:
            self.assertEqual(mine.read(), served.read(), output)
        with open(os.path.join(files, "yeroup-trace.log"), encoding="utf-8") as f:
            trace = f.read()
        self.assertRegex(trace, r"Z fetch http://127\.0\.0\.1:\d+/YEROMP3LiveUpdate/YEROMP3LiveUpdate\.ini "
                                r"status=200 announced=\d+ received=\d+ ok\n")
        self.assertEqual(sorted(os.listdir(os.path.join(self.root, "usr", "bin"))), ["yeroup", "yeroup-publish"])


if __name__ == "__main__":
    unittest.main()
