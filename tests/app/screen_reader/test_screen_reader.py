#!/usr/bin/env python3
"""The program as a screen reader user meets it, through the AT-SPI tree a screen reader reads: every control's
role, name and relations, the Tab order of the main window and of a message box, the progress of a download
announced while it runs and its end, and how long queries wait, idle and during a download. Runs the built
program under Xvfb with a window manager, on a private D-Bus session (started by dbus-run-session around this
script) with its own AT-SPI bus and registry, against the demo update host on loopback."""

import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import unittest

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", ".."))
PROGRAM = os.environ["YEROUP_PROGRAM"]
PUBLISH = os.environ["YEROUP_PUBLISH"]
WAIT_S = 60
# The demo host sends bodies at this rate: the 6 MiB package takes about 6 s.
RATE_KIB = 1024


def say(text):
    print("[ screen reader ] " + text, file=sys.stderr, flush=True)


class Processes:
    """Programs started for the test, each with its log, ended in the reverse order."""

    def __init__(self, logs):
        self.logs = logs
        self.started = []

    def start(self, name, command, **kwargs):
        log = open(os.path.join(self.logs, name + ".log"), "w")
        kwargs.setdefault("stdout", log)
        process = subprocess.Popen(command, stderr=log, **kwargs)
        self.started.append((process, log))
        return process

    def stop(self):
        for process, log in reversed(self.started):
            process.terminate()
            try:
                process.wait(timeout=WAIT_S)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
            log.close()
        self.started = []


def start_desktop(processes):
    """Xvfb, openbox and the AT-SPI bus (on the session bus this script was started on)."""
    # Xvfb takes a free display and writes its number, once it listens, to this file.
    number = os.path.join(processes.logs, "display")
    with open(number, "w") as out:
        processes.start("xvfb", ["Xvfb", "-displayfd", str(out.fileno()), "-screen", "0", "1024x768x24",
                                 "-nolisten", "tcp"], pass_fds=[out.fileno()])
    wait_until(lambda: read_file(number).endswith("\n"), "the display")
    os.environ["DISPLAY"] = ":" + read_file(number).strip()
    os.environ.pop("WAYLAND_DISPLAY", None)
    processes.start("openbox", ["openbox"])
    processes.start("atspi", ["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
    address = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
               "org.a11y.Bus.GetAddress"]
    wait_until(lambda: subprocess.run(address, capture_output=True, timeout=WAIT_S).returncode == 0,
               "the AT-SPI bus")


def read_file(path):
    with open(path) as f:
        return f.read()


def wait_until(check, what, seconds=WAIT_S):
    deadline = time.monotonic() + seconds
    while not check():
        if time.monotonic() > deadline:
            raise AssertionError("waited %d s for %s" % (seconds, what))
        time.sleep(0.1)


def wait_for(check, what, seconds=WAIT_S):
    """Polls check (pumping the AT-SPI events) until it returns something true; fails after seconds."""
    from gi.repository import GLib
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        while GLib.MainContext.default().iteration(False):
            pass
        found = check()
        if found:
            return found
        time.sleep(0.05)
    raise AssertionError("waited %d s for %s" % (seconds, what))


def xdotool(*args):
    return subprocess.run(["xdotool", *args], check=True, capture_output=True, text=True, timeout=WAIT_S).stdout


def percentile(values, share):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(share * len(ordered)))]


class ScreenReaderTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="yeroup-screen-reader-")
        cls.processes = Processes(cls.tmp)
        try:
            cls.start()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def start(cls):
        start_desktop(cls.processes)
        global pyatspi
        import pyatspi  # after the display and the AT-SPI bus exist
        site = os.path.join(cls.tmp, "site")
        subprocess.run([PUBLISH, "build", os.path.join(SOURCE, "tools", "demo", "source"), site], check=True,
                       capture_output=True, timeout=WAIT_S)
        host = cls.processes.start("host", [sys.executable, "-u", os.path.join(SOURCE, "tools", "demo", "update_host.py"),
                                            "--root", site, "--port", "0", "--rate-kib", str(RATE_KIB), "--quiet"],
                                   stdout=subprocess.PIPE, text=True)
        port = host.stdout.readline().strip().rsplit(":", 1)[1]
        cls.run_dir = os.path.join(cls.tmp, "run")
        subprocess.run(["bash", os.path.join(SOURCE, "tools", "demo", "prepare_run.sh"), PROGRAM, cls.run_dir],
                       check=True, capture_output=True, timeout=WAIT_S)
        os.makedirs(os.path.join(cls.tmp, "runtime"), mode=0o700)
        env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   YEROUP_UPDATE_HOST="127.0.0.1:" + port, YEROUP_REGISTRY_FILE=os.path.join(cls.run_dir, "registry.ini"),
                   LANG="en_GB.UTF-8", LC_ALL="en_GB.UTF-8", XDG_RUNTIME_DIR=os.path.join(cls.tmp, "runtime"),
                   HOME=cls.tmp)
        cls.processes.start("app", [os.path.join(cls.run_dir, "yeroup")], cwd=cls.run_dir, env=env)
        cls.focus = None
        pyatspi.Registry.registerEventListener(cls.heard_focus, "object:state-changed:focused")
        cls.window = wait_for(cls.main_window, "the main window in the AT-SPI tree")
        cls.xid = xdotool("search", "--sync", "--onlyvisible", "--limit", "1", "--name", "YERO MP3 LiveUpdate 2005")
        # The pages are in.
        wait_for(lambda: cls.find(lambda a: a.name == "Firmware description" and cls.text_of(a).strip()),
                 "the firmware page")

    @classmethod
    def tearDownClass(cls):
        cls.processes.stop()
        if os.path.exists(os.path.join(cls.tmp, "app.log")):
            say("the program's output:\n" + read_file(os.path.join(cls.tmp, "app.log")))
        shutil.rmtree(cls.tmp, ignore_errors=True)

    # --- the tree -------------------------------------------------------------------------------------------------

    @classmethod
    def application(cls):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "YEROUP":
                return app
        return None

    @classmethod
    def main_window(cls):
        app = cls.application()
        if app is None:
            return None
        for window in app:
            if window is not None and "2005" in (window.name or "") and window.getState().contains(
                    pyatspi.STATE_SHOWING):
                return window
        return None

    @classmethod
    def walk(cls, accessible):
        yield accessible
        for child in accessible:
            if child is not None:
                yield from cls.walk(child)

    @classmethod
    def find(cls, match, root=None):
        for accessible in cls.walk(root or cls.window):
            if match(accessible):
                return accessible
        return None

    @staticmethod
    def text_of(accessible):
        text = accessible.queryText()
        return text.getText(0, text.characterCount)

    @staticmethod
    def related(accessible, relation):
        names = []
        for rel in accessible.getRelationSet():
            if rel.getRelationType() == relation:
                names += [rel.getTarget(i).name for i in range(rel.getNTargets())]
        return names

    @staticmethod
    def showing(accessible):
        return accessible.getState().contains(pyatspi.STATE_SHOWING)

    @classmethod
    def heard_focus(cls, event):
        if event.detail1 and event.source is not None:
            cls.focus = (event.source.getRoleName(), event.source.name)

    def focused(self):
        """The control that last gained the focus, as (role, name), as a screen reader hears it."""
        from gi.repository import GLib
        while GLib.MainContext.default().iteration(False):
            pass
        return self.focus

    def press(self, *keys):
        xdotool("windowactivate", "--sync", self.xid.strip(), "key", "--delay", "100", *keys)

    # --- the tests ------------------------------------------------------------------------------------------------

    def test_1_every_control_has_its_role_name_and_relations(self):
        window = self.window
        self.assertEqual(window.getRoleName(), "frame")
        self.assertEqual(window.name, "YERO MP3 LiveUpdate 2005 Build 1.126")
        # Nothing inside the window is a frame: a screen reader would take it for the window.
        frames = [a.name for a in self.walk(window) if a.getRole() == pyatspi.ROLE_FRAME and a != window]
        self.assertEqual(frames, [])
        panels = [a.name for a in window if a.getRole() == pyatspi.ROLE_PANEL and self.showing(a)]
        self.assertEqual(panels, ["Choose the MP3 model and firmware"])
        expected = [
            # role, name, labelled by
            ("combo box", "YERO-T10", ["Model"]),
            ("combo box", "V1.05", ["Firmware"]),
            ("push button", "Download", []),
            ("label", "YERO MP3 LiveUpdate home page", []),
            ("label", "Firmware description", []),
        ]
        focusable = [a for a in self.walk(window) if a.getState().contains(pyatspi.STATE_FOCUSABLE)
                     and self.showing(a) and a.getRole() not in (pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_ITEM)
                     and a.getState().contains(pyatspi.STATE_SENSITIVE)]
        found = [(a.getRoleName(), a.name, self.related(a, pyatspi.RELATION_LABELLED_BY)) for a in focusable]
        self.assertEqual(sorted(found), sorted(expected))
        for name, items in (("YERO-T10", ["YERO-T10", "YERO-T20"]), ("V1.05", ["V1.05", "V1.02"])):
            combo = self.find(lambda a, n=name: a.getRole() == pyatspi.ROLE_COMBO_BOX and a.name == n)
            self.assertEqual([item.name for item in combo[0]], items)
        # The page views read as plain text.
        for page in (a for a in focusable if a.getRole() == pyatspi.ROLE_LABEL):
            text = self.text_of(page)
            self.assertTrue(text.strip(), page.name)
            for marker in ("\ufdd0", "\ufdd1", "\u2029"):
                self.assertNotIn(marker, text, page.name)
        bar = self.find(lambda a: a.getRole() == pyatspi.ROLE_PROGRESS_BAR)
        self.assertEqual(bar.name, "Download progress")
        self.assertEqual(self.related(bar, pyatspi.RELATION_LABELLED_BY), ["Downloading:"])

    def test_2_tab_goes_round_the_window_in_the_layout_order(self):
        road = []
        self.press("Tab")
        for _ in range(6):
            road.append(wait_for(lambda: self.focused() not in (None, *road[-1:]) and self.focused(),
                                 "the focus moving"))
            self.press("Tab")
        # Five stops, then round again; from wherever the focus was.
        self.assertEqual(road[5], road[0])
        start = [name for _, name in road].index("YERO-T10")
        self.assertEqual(road[start:5] + road[:start],
                         [("combo box", "YERO-T10"), ("combo box", "V1.05"), ("push button", "Download"),
                          ("label", "YERO MP3 LiveUpdate home page"), ("label", "Firmware description")])

    def query_times(self, seconds, until=None):
        """Times of small queries (a name, a state, a child count) and of whole-tree walks, for seconds or until
        until() is true."""
        small, walks = [], []
        deadline = time.monotonic() + seconds
        while time.monotonic() < deadline and not (until and until()):
            for query in (lambda: self.window.name, lambda: self.window.getState(), lambda: self.window.childCount):
                started = time.perf_counter()
                query()
                small.append(time.perf_counter() - started)
            started = time.perf_counter()
            sum(1 for _ in self.walk(self.window))
            walks.append(time.perf_counter() - started)
        return small, walks

    def report(self, what, small, walks):
        say("%s: %d queries, median %.1f ms, 99th percentile %.1f ms, slowest %.1f ms; %d tree walks, median "
            "%.0f ms, slowest %.0f ms" % (what, len(small), 1000 * statistics.median(small),
                                          1000 * percentile(small, 0.99), 1000 * max(small), len(walks),
                                          1000 * statistics.median(walks), 1000 * max(walks)))

    def test_3_download_progress_is_announced_as_it_runs_and_its_end(self):
        idle = self.query_times(3)
        self.report("idle", *idle)
        events = []

        def heard(event):
            events.append((time.monotonic(), event.type, event.source.getRoleName() if event.source else "",
                           event.source.name if event.source else "", event.any_data))

        kinds = ["object:property-change:accessible-value"]
        pyatspi.Registry.registerEventListener(heard, *kinds)
        try:
            button = self.find(lambda a: a.name in ("Download", "Redownload") and a.getRole() ==
                               pyatspi.ROLE_PUSH_BUTTON)
            button.queryComponent().grabFocus()
            wait_for(lambda: self.focused() == ("push button", button.name), "the download button focused")
            self.press("space")
            started = time.monotonic()
            wait_for(lambda: self.focused() == ("push button", "Cancel"), "the cancel button focused")
            busy = self.query_times(60, until=lambda: self.focused() == ("push button", "Upgrade"))
            wait_for(lambda: self.focused() == ("push button", "Upgrade"), "the upgrade button focused", 120)
            ended = time.monotonic()
            wait_for(lambda: True, "the last events")
        finally:
            pyatspi.Registry.deregisterEventListener(heard, *kinds)
        self.report("during the download", *busy)
        progress = [(at, value) for at, kind, role, _, value in events
                    if kind.endswith("accessible-value") and role == "progress bar"]
        say("%d progress events over %.1f s" % (len(progress), ended - started))
        self.assertGreaterEqual(len(progress), 5)
        # Heard while the download runs, not in one burst at its end.
        self.assertLess(progress[len(progress) // 2][0], ended - 1.0)
        # The end: the focus moves to the upgrade button, in the panel named by the package that is ready.
        upgrade = self.find(lambda a: a.name == "Upgrade" and a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
        self.assertEqual(upgrade.parent.getRoleName(), "panel")
        self.assertEqual(upgrade.parent.name, "The V1.05 firmware package for YERO-T10 is ready!")
        # Queries were answered throughout.
        self.assertGreater(len(busy[0]), 0)

    def test_4_a_message_box_reads_whole_and_tabs_between_its_buttons(self):
        upgrade = self.find(lambda a: a.name == "Upgrade" and a.getRole() == pyatspi.ROLE_PUSH_BUTTON)
        self.assertIsNotNone(upgrade, "the package-ready panel")
        upgrade.queryComponent().grabFocus()
        wait_for(lambda: self.focused() == ("push button", "Upgrade"), "the upgrade button focused")
        self.press("Return")

        def box():
            for window in self.application():
                if window is not None and window.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and \
                        self.showing(window):
                    return window
            return None

        question = wait_for(box, "the question before the updater starts")
        self.assertEqual(question.getRoleName(), "alert")
        self.assertEqual(question.name, "Connect your MP3 player to the computer")
        texts = [a.name for a in self.walk(question) if a.getRole() == pyatspi.ROLE_LABEL and a.name]
        self.assertTrue(any("USB" in text for text in texts), texts)
        buttons = [a.name for a in self.walk(question) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        self.assertEqual(buttons, ["OK", "Cancel"])

        road = [wait_for(lambda: self.focused() == ("push button", "OK") and "OK", "the OK button focused")]
        xid = xdotool("search", "--sync", "--onlyvisible", "--limit", "1", "--name", question.name).strip()
        for _ in range(2):
            xdotool("windowactivate", "--sync", xid, "key", "Tab")
            road.append(wait_for(lambda last=road[-1]: self.focused()[1] != last and self.focused()[1],
                                 "the focus moving"))
        self.assertEqual(road, ["OK", "Cancel", "OK"])
        xdotool("windowactivate", "--sync", xid, "key", "Escape")
        wait_for(lambda: box() is None, "the box closing")


if __name__ == "__main__":
    unittest.main()
