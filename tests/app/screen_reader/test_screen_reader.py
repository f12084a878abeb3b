#!/usr/bin/env python3
"""The program as a screen reader user meets it, through the AT-SPI tree a screen reader reads: every control's
role, name and relations, the Tab order of the main window and of a message box, the history window with its
column headers, the progress of a download announced at a desktop's pace while it runs and its end, how long
queries wait, idle and during a download, and what Orca itself says of the model list. Runs the built program
under Xvfb with a window manager, on a private D-Bus session (started by dbus-run-session around this script) with
its own AT-SPI bus and registry, against the demo update host on loopback."""

import os
import shutil
import tempfile
import time
import unittest

from desktop import (Processes, WAIT_S, application, build_site, latency_text, main_window, query_times, read_file,
                     say, serve_site, start_desktop, start_program, wait_for, walk, xdotool)

PROGRAM = os.environ["YEROUP_PROGRAM"]
PUBLISH = os.environ["YEROUP_PUBLISH"]
# The demo host sends bodies at this rate: the 6 MiB package takes about 6 s.
RATE_KIB = 1024


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
        build_site(PUBLISH, os.path.join(cls.tmp, "site"))
        port = serve_site(cls.processes, os.path.join(cls.tmp, "site"), RATE_KIB)
        start_program(cls.processes, PROGRAM, os.path.join(cls.tmp, "run"), port)
        cls.focus = None
        pyatspi.Registry.registerEventListener(cls.heard_focus, "object:state-changed:focused")
        cls.window = wait_for(main_window, "the main window in the AT-SPI tree")
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
    def find(cls, match, root=None):
        for accessible in walk(root or cls.window):
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
        frames = [a.name for a in walk(window) if a.getRole() == pyatspi.ROLE_FRAME and a != window]
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
        focusable = [a for a in walk(window) if a.getState().contains(pyatspi.STATE_FOCUSABLE)
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

    def test_3_download_progress_is_announced_as_it_runs_and_its_end(self):
        say(latency_text("idle", *query_times(self.window, 3)))
        events = []

        def heard(event):
            events.append((time.monotonic(), event.type, event.source.getRoleName() if event.source else "",
                           event.source.name if event.source else "", event.any_data))

        kinds = ["object:property-change:accessible-value"]
        pyatspi.Registry.registerEventListener(heard, *kinds)
        try:
            button = self.find(lambda a: a.name in ("Download", "Download again") and a.getRole() ==
                               pyatspi.ROLE_PUSH_BUTTON)
            button.queryComponent().grabFocus()
            wait_for(lambda: self.focused() == ("push button", button.name), "the download button focused")
            self.press("space")
            started = time.monotonic()
            wait_for(lambda: self.focused() == ("push button", "Cancel"), "the cancel button focused")
            busy = query_times(self.window, 60, until=lambda: self.focused() == ("push button", "Upgrade"))
            wait_for(lambda: self.focused() == ("push button", "Upgrade"), "the upgrade button focused", 120)
            ended = time.monotonic()
            wait_for(lambda: True, "the last events")
        finally:
            pyatspi.Registry.deregisterEventListener(heard, *kinds)
        say(latency_text("during the download", *busy))
        progress = [(at, value) for at, kind, role, _, value in events
                    if kind.endswith("accessible-value") and role == "progress bar"]
        say("%d progress events over %.1f s, at %s s" % (len(progress), ended - started,
                                                        ", ".join("%.1f" % (at - started) for at, _ in progress)))
        # Told at a desktop's pace: a tenth at a time, a few seconds apart, then the end; heard while the download
        # runs, not in one burst at its end.
        self.assertGreaterEqual(len(progress), 2)
        self.assertLessEqual(len(progress), 11)
        self.assertLess(progress[0][0], ended - 1.0)
        for before, after in zip(progress[:-2], progress[1:-1]):
            self.assertGreater(after[0] - before[0], 2.0)
        self.assertGreater(progress[-1][0], ended - 2.0)
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
            # The registry may not list the program for a moment while the box opens on a busy machine.
            for window in application() or []:
                if window is not None and window.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) and \
                        self.showing(window):
                    return window
            return None

        question = wait_for(box, "the question before the updater starts")
        self.assertEqual(question.getRoleName(), "alert")
        self.assertEqual(question.name, "Connect your MP3 player to the computer")
        texts = [a.name for a in walk(question) if a.getRole() == pyatspi.ROLE_LABEL and a.name]
        self.assertTrue(any("USB" in text for text in texts), texts)
        buttons = [a.name for a in walk(question) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
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

    def test_5_the_history_window_reads_its_table_by_its_headers(self):
        # The question the test before cancelled: the upgrade is in the history, refused.
        self.press("ctrl+h")

        def history():
            for window in application() or []:
                if window is not None and window.getRole() == pyatspi.ROLE_DIALOG and self.showing(window):
                    return window
            return None

        dialog = wait_for(history, "the history window")
        self.assertEqual(dialog.name, "Firmware upgrade history")
        table = wait_for(lambda: self.find(lambda a: a.getRole() == pyatspi.ROLE_TABLE, dialog), "the table")
        self.assertEqual(table.name, "Firmware upgrades")
        cells = table.queryTable()
        self.assertEqual([cells.getColumnHeader(i).name for i in range(cells.nColumns)],
                         ["Time (UTC)", "Model", "Firmware before", "Firmware after", "Outcome", "Reason",
                          "Package SHA-256"])
        self.assertEqual(cells.nRows, 1)
        self.assertEqual([cells.getAccessibleAt(0, i).name for i in (1, 3, 4)], ["YERO-T10", "V1.05", "Refused"])
        buttons = [a.name for a in walk(dialog) if a.getRole() == pyatspi.ROLE_PUSH_BUTTON]
        self.assertEqual(buttons, ["Close"])
        xid = xdotool("search", "--sync", "--onlyvisible", "--limit", "1", "--name", dialog.name).strip()
        xdotool("windowactivate", "--sync", xid, "key", "Escape")
        wait_for(lambda: history() is None, "the history window closing")

    def test_6_orca_says_the_model_lists_role_label_and_value_when_tab_reaches_it(self):
        """Orca itself, its speech read from its debug log (there is no sound device)."""
        log = os.path.join(self.tmp, "orca.out")
        prefs = os.path.join(self.tmp, "orca-prefs")
        os.makedirs(prefs, exist_ok=True)
        home = dict(os.environ, HOME=self.tmp, XDG_CONFIG_HOME=prefs, XDG_DATA_HOME=prefs, XDG_CACHE_HOME=prefs)
        self.processes.start("orca", ["orca", "--replace", "--user-prefs", prefs, "--debug-file", log], env=home)

        def spoken(since=0):
            """What Orca has said from since (characters of its log) on, one utterance an item."""
            text = read_file(log) if os.path.exists(log) else ""
            return [line.split("SPEECH OUTPUT: '", 1)[1].split("'", 1)[0] for line in text[since:].splitlines()
                    if "SPEECH OUTPUT: '" in line]

        wait_for(lambda: "Screen reader on." in spoken(), "Orca started", 60)
        since = len(read_file(log))

        def model_list():
            said = spoken(since)
            return said if "Model combo box." in said[:-1] else None

        # Tab goes round the window's stops until it reaches the model list.
        for _ in range(6):
            self.press("Tab")
            time.sleep(1.5)
            if "Model combo box." in spoken(since):
                break
        said = wait_for(model_list, "Orca on the model list")
        say("Orca: %s" % said)
        at = said.index("Model combo box.")
        self.assertEqual(said[at:at + 2], ["Model combo box.", "YERO-T10."])

if __name__ == "__main__":
    unittest.main()
