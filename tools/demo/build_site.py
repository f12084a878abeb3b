#!/usr/bin/env python3
"""Builds the demo update host's site: catalogue (GBK), home page, firmware pages and packages.

Packages are made with Info-ZIP's zip from generated sample files; nothing generated is kept
in the source tree. The site is built in a folder beside the old one and swapped in, so a host
or a program reading the old site never sees a half-built one.
"""

import argparse
import ctypes
import errno
import html
import os
import random
import shutil
import string
import subprocess
import sys
import tempfile

from site_content import MODELS

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = "YEROMP3LiveUpdate"


def template(name):
    with open(os.path.join(HERE, "templates", name), encoding="utf-8") as f:
        return string.Template(f.read())


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def catalogue_text():
    # Windows INI as the vendor's host would have it: CRLF lines, GBK text.
    lines = ["; YERO MP3 在线升级固件列表", ""]
    for model in MODELS:
        lines.append("[%s]" % model.name)
        lines += ["%s=%s %s" % (fw.version, fw.date, fw.summary) for fw in model.firmware]
        lines.append("")
    return "\r\n".join(lines)


def image_bytes(model, fw):
    # Seeded so every build serves the same bytes; random so the package does not compress.
    rng = random.Random("%s_%s" % (model.name, fw.version))
    return rng.randbytes(fw.image_kib * 1024)


def make_package(model, fw, zip_path):
    with tempfile.TemporaryDirectory() as stage:
        def put(rel, data):
            path = os.path.join(stage, *rel.split("/"))
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)

        put("firmware.sb", image_bytes(model, fw))
        readme = template("readme.txt").substitute(
            model=model.name, version=fw.version, date=fw.date, summary=fw.summary)
        put("readme.txt", crlf(readme).encode("gbk"))
        for rel, text in fw.extra_files.items():
            put(rel, crlf(text).encode("gbk"))
        subprocess.run(["zip", "-q", "-r", "-X", zip_path, "."], cwd=stage, check=True)


UTF8_META = '<meta http-equiv="Content-Type" content="text/html; charset=utf-8">\n'


def firmware_page(model, fw, package_size):
    """The page's bytes: UTF-8 declaring so, or for an old page GBK declaring nothing."""
    items = "\n".join("<li>%s</li>" % html.escape(c) for c in fw.changes)
    text = template("firmware.asp").substitute(
        meta="" if fw.old_page else UTF8_META,
        title=html.escape(model.title), model=html.escape(model.name),
        version=html.escape(fw.version), date=fw.date, size_kb=package_size // 1024,
        summary=html.escape(fw.summary), changes=items)
    return crlf(text).encode("gbk") if fw.old_page else text.encode("utf-8")


def home_page():
    items = "\n".join(
        "<li>%s：%s</li>" % (html.escape(m.title), "、".join(html.escape(f.version) for f in m.firmware))
        for m in MODELS)
    return template("home.htm").substitute(models=items)


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def fill(site):
    top = os.path.join(site, TOP)
    write(os.path.join(top, "index.htm"), home_page().encode("utf-8"))
    write(os.path.join(top, TOP + ".ini"), catalogue_text().encode("gbk"))
    for model in MODELS:
        folder = os.path.join(top, "Firmware", model.name)
        os.makedirs(folder, exist_ok=True)
        for fw in model.firmware:
            base = os.path.join(folder, "%s_%s" % (model.name, fw.version))
            make_package(model, fw, base + ".zip")
            write(base + ".asp", firmware_page(model, fw, os.path.getsize(base + ".zip")))


RENAME_EXCHANGE = 2
AT_FDCWD = -100


def exchange(a, b):
    """Swaps two folders in one step (Linux renameat2); False where the system cannot."""
    try:
        renameat2 = ctypes.CDLL(None, use_errno=True).renameat2
    except AttributeError:
        return False
    if renameat2(AT_FDCWD, os.fsencode(a), AT_FDCWD, os.fsencode(b), RENAME_EXCHANGE) == 0:
        return True
    code = ctypes.get_errno()
    if code in (errno.EINVAL, errno.ENOSYS, errno.EOPNOTSUPP):
        return False
    raise OSError(code, os.strerror(code), b)


def build(out):
    out = os.path.abspath(out)
    parent = os.path.dirname(out)
    os.makedirs(parent, exist_ok=True)
    stage = tempfile.mkdtemp(prefix=os.path.basename(out) + ".new-", dir=parent)
    try:
        os.chmod(stage, 0o755)
        fill(stage)
        if not os.path.exists(out):
            os.rename(stage, out)
        elif exchange(stage, out):
            shutil.rmtree(stage)  # the old site now
        else:
            old = out + ".old-%d" % os.getpid()
            os.rename(out, old)
            os.rename(stage, out)
            shutil.rmtree(old)
    except BaseException:
        shutil.rmtree(stage, ignore_errors=True)
        raise


def main(argv):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True, help="site folder to (re)build")
    build(p.parse_args(argv).out)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
