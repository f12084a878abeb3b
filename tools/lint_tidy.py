#!/usr/bin/env python3
"""Runs clang-tidy over the project's own files in a build folder's compile_commands.json, one process per
core, and fails when any file has a finding. clang-tidy spends seconds on every file walking the Qt and
GoogleTest headers, so a file whose preprocessed text (comments kept: argument comments and NOLINT matter),
compile command, checks and clang-tidy version are unchanged since it last passed is not checked again.

The tests are left out unless --tests is given: they are nearly half the files and the costliest to parse,
which would double the test command's time on a clean clone, while -Werror and the sanitizer builds hold them.

    tools/lint_tidy.py [--tests] BUILD_FOLDER
"""
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def own_units(build, with_tests):
    """Our source files, each once; code generated into the build folder (Qt's moc) is left out."""
    with open(os.path.join(build, "compile_commands.json")) as db:
        entries = json.load(db)
    units = {}
    for entry in entries:
        name = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        relative = os.path.relpath(name, ROOT)
        if relative.startswith("..") or relative.startswith("build" + os.sep) or name in units:
            continue
        if not with_tests and relative.startswith("tests" + os.sep):
            continue
        units[name] = entry
    return units


def preprocess_command(entry):
    """The unit's compile command turned into one that prints the preprocessed text, comments kept."""
    args = entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])
    out = []
    skip = False
    for arg in args:
        if skip:
            skip = False
        elif arg == "-o":
            skip = True
        elif arg not in ("-c", "-MD", "-MMD") and not arg.startswith(("-MF", "-MT", "-MQ")):
            out.append(arg)
    return out + ["-E", "-C", "-o", "-"]


def checks_fingerprint():
    """What decides the outcome besides the unit itself: every .clang-tidy and the clang-tidy version."""
    digest = hashlib.sha256()
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True, check=True).stdout
    digest.update(version.encode())
    names = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard", "*.clang-tidy",
                            ".clang-tidy"], cwd=ROOT, capture_output=True, text=True, check=True).stdout.split()
    for name in sorted(set(names)):
        digest.update(name.encode())
        with open(os.path.join(ROOT, name), "rb") as config:
            digest.update(config.read())
    return digest.hexdigest()


def main():
    args = sys.argv[1:]
    with_tests = "--tests" in args
    args = [arg for arg in args if arg != "--tests"]
    if len(args) != 1:
        sys.exit(__doc__)
    build = os.path.abspath(args[0])
    units = own_units(build, with_tests)
    passed_dir = os.path.join(build, "lint-tidy-passed")
    os.makedirs(passed_dir, exist_ok=True)
    fingerprint = checks_fingerprint()
    print_lock = threading.Lock()

    def check(name, entry):
        preprocessed = subprocess.run(preprocess_command(entry), cwd=entry["directory"], capture_output=True)
        key = None
        if preprocessed.returncode == 0:
            digest = hashlib.sha256(fingerprint.encode())
            digest.update(json.dumps(entry, sort_keys=True).encode())
            digest.update(preprocessed.stdout)
            key = os.path.join(passed_dir, digest.hexdigest())
            if os.path.exists(key):
                return "cached"
        result = subprocess.run(["clang-tidy", "-p", build, "--quiet", name], cwd=ROOT, capture_output=True,
                                text=True)
        if result.returncode != 0:
            with print_lock:
                print(result.stdout + result.stderr, end="", flush=True)
            return "failed"
        if key:
            open(key, "w").close()
        return "passed"

    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        outcomes = list(pool.map(lambda item: check(*item), units.items()))
    counts = {outcome: outcomes.count(outcome) for outcome in ("passed", "cached", "failed")}
    print("clang-tidy: {passed} passed, {cached} unchanged since they passed, {failed} with findings".format(**counts))
    sys.exit(1 if counts["failed"] else 0)


if __name__ == "__main__":
    main()
