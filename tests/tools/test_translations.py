#!/usr/bin/env python3
"""The program's translations: lupdate, run over the code as the build runs it, finds exactly the texts the .ts files
hold; each is translated (English without Chinese, Chinese for every English text but the programs' names), with
the same insertions as its source."""

import os
import re
import subprocess
import tempfile
import unittest
import xml.etree.ElementTree as ElementTree

SOURCE = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
TS_FILES = {"en": os.path.join(SOURCE, "app", "translations", "yeroup_en.ts"),
            "zh_CN": os.path.join(SOURCE, "app", "translations", "yeroup_zh_CN.ts")}
# Names that read the same in every language.
NAMES = {"Tavik MP3 LiveUpdate", "YERO MP3 LiveUpdate", "YERO MP3 LiveUpdate 2005 Builb "}
HAN = re.compile("[\u4e00-\u9fff]")
# "%1" to "%9", and the archiver's "%s" and "%d", which its translations write "%1", "%2", ... in order.
MARK = re.compile(r"%([1-9sd])")


def text_of(element):
    """An element's text with the control characters lupdate writes as <byte value="xd"/>."""
    text = element.text or ""
    for child in element:
        text += (chr(int(child.get("value").lstrip("x"), 16)) if child.tag == "byte" else "") + (child.tail or "")
    return text


def messages(path):
    """(context, source) -> (translation, its type) of a .ts file."""
    found = {}
    for context in ElementTree.parse(path).getroot().iter("context"):
        name = context.findtext("name")
        for message in context.iter("message"):
            translation = message.find("translation")
            found[(name, text_of(message.find("source")))] = (text_of(translation), translation.get("type"))
    return found


def insertions(text):
    marks = MARK.findall(text)
    numbered = [m for m in marks if m.isdigit()]
    return sorted(numbered) if numbered else [str(i + 1) for i in range(len(marks))]


class TranslationsTest(unittest.TestCase):
    def test_every_marked_text_is_in_both_files(self):
        with open(os.environ["YEROUP_MARKED_SOURCES"]) as f:
            sources = [line.strip() for line in f if line.strip()]
        with tempfile.TemporaryDirectory() as tmp:
            fresh = os.path.join(tmp, "fresh.ts")
            subprocess.run([os.environ["YEROUP_LUPDATE"], "-tr-function-alias",
                            "QT_TR_NOOP+=YEROUP_TR,Q_DECLARE_TR_FUNCTIONS+=YEROUP_TR_CONTEXT", "-locations", "none",
                            "-silent", *sources, "-ts", fresh], check=True, capture_output=True, timeout=120)
            marked = set(messages(fresh))
        self.assertGreater(len(marked), 100)
        for language, path in TS_FILES.items():
            held = set(messages(path))
            self.assertEqual(sorted(marked - held), [], language + ": marked in the code, missing from the file "
                             "(cmake --build <build> --target update_translations, then translate)")
            self.assertEqual(sorted(held - marked), [], language + ": in the file, no longer in the code")

    def test_each_text_is_translated_with_its_insertions(self):
        for language, path in TS_FILES.items():
            for (context, source), (translation, kind) in messages(path).items():
                with self.subTest(language=language, source=source):
                    self.assertIsNone(kind)
                    self.assertTrue(translation)
                    self.assertEqual(insertions(translation), insertions(source))
                    if language == "en":
                        self.assertIsNone(HAN.search(translation))
                    elif source not in NAMES:
                        self.assertIsNotNone(HAN.search(translation))


if __name__ == "__main__":
    unittest.main()
