#!/usr/bin/env python3
"""The demo run folder: exe folder, player software stand-ins and the registry file."""

import os
import stat
import subprocess
import tempfile
import unittest

DEMO = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools", "demo")
REGISTRY_SECTION = "[software\\SigmaTel\\SigmaTel MSCN Audio Player\\Params]"
TIMEOUT = 60


def prepare(*args):
    return subprocess.run(["bash", os.path.join(DEMO, "prepare_run.sh"), *args],
                          capture_output=True, text=True, timeout=TIMEOUT)


class PrepareRunTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.exe = os.path.join(self.tmp.name, "yeroup")
        with open(self.exe, "w") as f:
            f.write("#!/bin/sh\n")
        os.chmod(self.exe, 0o755)
        self.run_dir = os.path.join(self.tmp.name, "demo run")  # a space must not break anything

    def tearDown(self):
        self.tmp.cleanup()

    def test_lays_out_exe_folder_player_folder_and_registry_file(self):
        result = prepare(self.exe, self.run_dir)
        self.assertEqual(result.returncode, 0, result.stderr)
        for rel in ("yeroup", "SigmaTelSetup.exe", "player/stupdaterapp.exe"):
            mode = os.stat(os.path.join(self.run_dir, rel)).st_mode
            self.assertTrue(mode & stat.S_IXUSR, rel)
        with open(os.path.join(self.run_dir, "registry.ini"), encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertEqual(lines, [REGISTRY_SECTION, "Install Folder=" + os.path.join(self.run_dir, "player")])

    def test_keeps_what_earlier_runs_left_unless_fresh(self):
        prepare(self.exe, self.run_dir)
        left = os.path.join(self.run_dir, "user.ini")
        with open(left, "w") as f:
            f.write("[Main02]\nComboBox1=1\n")
        self.assertEqual(prepare(self.exe, self.run_dir).returncode, 0)
        self.assertTrue(os.path.exists(left))
        self.assertEqual(prepare("--fresh", self.exe, self.run_dir).returncode, 0)
        self.assertFalse(os.path.exists(left))
        self.assertTrue(os.path.exists(os.path.join(self.run_dir, "registry.ini")))

    def test_no_player_leaves_the_registry_without_the_player_key(self):
        self.assertEqual(prepare("--no-player", self.exe, self.run_dir).returncode, 0)
        with open(os.path.join(self.run_dir, "registry.ini"), encoding="utf-8") as f:
            text = f.read()
        self.assertNotIn("SigmaTel", text)
        self.assertTrue(all(line.startswith(";") for line in text.splitlines()), text)
        # Setting the player up again restores the entry.
        self.assertEqual(prepare(self.exe, self.run_dir).returncode, 0)
        with open(os.path.join(self.run_dir, "registry.ini"), encoding="utf-8") as f:
            self.assertEqual(f.readline().rstrip("\n"), REGISTRY_SECTION)

    def test_refuses_a_missing_executable_or_wrong_arguments(self):
        self.assertNotEqual(prepare(os.path.join(self.tmp.name, "none"), self.run_dir).returncode, 0)
        self.assertEqual(prepare(self.exe).returncode, 2)
        self.assertEqual(prepare("--bogus", self.exe, self.run_dir).returncode, 2)
        self.assertFalse(os.path.exists(self.run_dir))


class PlayerStandInTest(unittest.TestCase):
    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        prepare("/bin/true", self.tmp.name)
        self.player = os.path.join(self.tmp.name, "player")

    def tearDown(self):
        self.tmp.cleanup()

    def read(self, path):
        with open(path, encoding="utf-8") as f:
            return f.read().splitlines()

    def test_updater_records_each_start_with_arguments_and_working_folder(self):
        updater = os.path.join(self.player, "stupdaterapp.exe")
        subprocess.run([updater, "-s"], cwd=self.player, check=True, timeout=TIMEOUT)
        open(os.path.join(self.player, "firmware.sb"), "wb").close()
        subprocess.run([updater, "-s", "two words"], cwd=self.tmp.name, check=True, timeout=TIMEOUT)
        first, second = self.read(os.path.join(self.player, "updater-invocations.log"))
        self.assertIn(" cwd=%s args=[-s] firmware.sb=missing" % self.player, first)
        # The log stays beside the updater whatever the working folder.
        self.assertIn(" cwd=%s args=[-s][two words] firmware.sb=missing" % self.tmp.name, second)

    def test_updater_sees_extracted_firmware_in_its_working_folder(self):
        open(os.path.join(self.player, "firmware.sb"), "wb").close()
        subprocess.run(["./stupdaterapp.exe", "-s"], cwd=self.player, check=True, timeout=TIMEOUT)
        (line,) = self.read(os.path.join(self.player, "updater-invocations.log"))
        self.assertTrue(line.endswith("args=[-s] firmware.sb=present"), line)

    def test_setup_program_records_that_it_was_started(self):
        subprocess.run([os.path.join(self.tmp.name, "SigmaTelSetup.exe")], cwd="/", check=True, timeout=TIMEOUT)
        (line,) = self.read(os.path.join(self.tmp.name, "setup-invocations.log"))
        self.assertTrue(line.endswith(" cwd=/ args="), line)


if __name__ == "__main__":
    unittest.main()
