#!/usr/bin/env python3
"""Runs clang-tidy over the project's own files in a build folder's compile_commands.json, one process per
core, and fails when any file has a finding. clang-tidy spends seconds on every file walking the Qt and
GoogleTest headers, so a file whose preprocessed text (comments kept: argument comments and NOLINT matter),
compile command, checks and clang-tidy version are unchanged since it last passed is not checked again. Units
that the build compiles in unity batches or with precompiled headers are checked one by one, from their own
includes.

The tests are left out unless --tests is given: they are nearly half the files and the costliest to parse,
which would double the test command's time on a clean clone, while -Werror and the sanitizer builds hold them.

    tools/lint_tidy.py [--tests] BUILD_FOLDER
"""
import concurrent.futures
import hashlib
import json
import os
import re
import shlex
import subprocess
import sys
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


UNITY_INCLUDE = re.compile(r'^#include "(.+)"$', re.MULTILINE)


def arguments(entry):
    return entry["arguments"] if "arguments" in entry else shlex.split(entry["command"])


def without_precompiled_headers(args):
    """The command without the forced include of a precompiled header: clang cannot read gcc's."""
    kept = []
    i = 0
    while i < len(args):
        if args[i] == "-include" and i + 1 < len(args) and os.path.basename(args[i + 1]).startswith("cmake_pch"):
            i += 2
            continue
        kept.append(args[i])
        i += 1
    return kept


def split_unity(entry, name):
    """A unity batch of a build (its units included into one file) as an entry for each unit."""
    with open(name) as batch:
        sources = UNITY_INCLUDE.findall(batch.read())
    args = arguments(entry)
    for source in sources:
        yield source, dict(entry, file=source, arguments=[source if arg == entry["file"] else arg for arg in args])


def own_units(build, with_tests):
    """Our source files, each once; code generated into the build folder (Qt's moc) is left out. Units compiled
    in unity batches are taken one by one, and without precompiled headers."""
    with open(os.path.join(build, "compile_commands.json")) as db:
        entries = json.load(db)
    expanded = []
    for entry in entries:
        name = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        if re.search(r"/Unity/unity_\d+_cxx\.cxx$", name):
            expanded.extend(split_unity(entry, name))
        else:
            expanded.append((name, entry))
    units = {}
    for name, entry in expanded:
        entry = dict(entry, arguments=without_precompiled_headers(arguments(entry)))
        entry.pop("command", None)
        relative = os.path.relpath(name, ROOT)
        if relative.startswith("..") or relative.startswith("build" + os.sep) or name in units:
            continue
        if not with_tests and relative.startswith("tests" + os.sep):
            continue
        units[name] = entry
    return units


def preprocess_command(entry):
    """The unit's compile command turned into one that prints the preprocessed text, comments kept."""
    args = entry["arguments"]
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
    # clang-tidy reads each unit's command from a database of the units as checked here.
    database = os.path.join(build, "lint-tidy-commands")
    os.makedirs(database, exist_ok=True)
    with open(os.path.join(database, "compile_commands.json"), "w") as db:
        json.dump(list(units.values()), db, indent=1)
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
        # The build's compiler is gcc: its own warning options mean nothing to clang.
        result = subprocess.run(["clang-tidy", "-p", database, "--quiet", "--extra-arg=-Wno-unknown-warning-option",
                                 name], cwd=ROOT, capture_output=True, text=True)
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
