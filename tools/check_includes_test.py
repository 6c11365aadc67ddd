#!/usr/bin/env python3
"""Tests of check_includes.py on small made-up trees: each case is a table and a few files, and
the check must pass or name the fault."""

import contextlib
import io
import os
import pathlib
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # leaves no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_includes  # noqa: E402

# A three-layer tree that passes: low <- mid <- top, mid's header includes low.
TABLE = """
# comment
low
mid   PUBLIC low
top   PRIVATE mid low
app   FOLDER tools/app  TESTS tests/tools  PRIVATE top
"""
FILES = {
    "low/Low.h": "",
    "low/Low.cpp": '#include "low/Low.h"\n',
    "mid/Mid.h": '#include "low/Low.h"\n#include <vector>\n',
    "mid/Mid.cpp": '#include "mid/Mid.h"\n',
    "top/Top.cpp": '#include "mid/Mid.h"\n  #  include "low/Low.h"\n#include "openssl/evp.h"\n',
    "tools/app/main.cpp": '#include "top/Top.h"\n',
    "top/Top.h": "",
    "tests/mid/MidSupport.h": '#include "low/Low.h"\n',
    "tests/mid/Mid_test.cpp": '#include "tests/mid/MidSupport.h"\n#include "mid/Mid.h"\n',
    "tests/top/Top_test.cpp": '#include "tests/mid/MidSupport.h"\n#include "top/Top.h"\n',
    "tests/tools/App_test.cpp": '#include "top/Top.h"\n',
    "build/release/gen/Gen.cpp": '#include "top/Top.h"\n',
    "README.md": '#include "top/Top.h"\n',
}


def run(table, files):
    """(exit status, standard error) of the check on a tree made of files."""
    with tempfile.TemporaryDirectory() as root:
        for name, text in files.items():
            path = pathlib.Path(root, name)
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)
        pathlib.Path(root, "cmake").mkdir(exist_ok=True)
        pathlib.Path(root, "cmake", "layers.txt").write_text(table)
        err = io.StringIO()
        with contextlib.redirect_stderr(err), contextlib.redirect_stdout(io.StringIO()):
            status = check_includes.main(["--root", root])
        return status, err.getvalue()


class CheckIncludesTest(unittest.TestCase):
    def test_clean_tree_passes(self):
        self.assertEqual(run(TABLE, FILES), (0, ""))

    def test_include_faults_fail_naming_the_file(self):
        cases = [
            # (what, extra or replaced files, text the error must hold)
            ("lower layer includes a higher one", {"low/Low.cpp": '#include "mid/Mid.h"\n'},
             "low/Low.cpp:1: includes mid/Mid.h: mid (a higher layer)"),
            ("reached only through a PUBLIC header",
             {"tools/app/main.cpp": '#include "top/Top.h"\n#include "mid/Mid.h"\n'},
             "tools/app/main.cpp:2: includes mid/Mid.h"),
            ("test includes a layer its layer does not name",
             {"tests/mid/Mid_test.cpp": '#include "mid/Mid.h"\n#include "top/Top.h"\n'},
             "tests/mid/Mid_test.cpp:2: includes top/Top.h, but the tests of mid"),
            ("test support outside the tests",
             {"top/Top.cpp": '#include "mid/Mid.h"\n#include "low/Low.h"\n'
                             '#include "tests/mid/MidSupport.h"\n'},
             "top/Top.cpp:3: includes tests/mid/MidSupport.h: test support"),
            ("test of a row with its own TESTS folder",
             {"tests/tools/App_test.cpp": '#include "mid/Mid.h"\n'},
             "tests/tools/App_test.cpp:1: includes mid/Mid.h, but the tests of app"),
            ("file in a folder no row owns", {"extra/Extra.cpp": ""},
             "extra/Extra.cpp: no row of the layer table owns this file"),
        ]
        for what, changed, expected in cases:
            with self.subTest(what):
                status, err = run(TABLE, {**FILES, **changed})
                self.assertEqual(status, 1)
                self.assertIn(expected, err)

    def test_test_support_row_is_for_tests_only(self):
        table = TABLE + "testing  FOLDER tests/testing  TESTSUPPORT  PUBLIC low\n"
        files = {**FILES, "tests/testing/TempDir.h": '#include "low/Low.h"\n',
                 "tests/mid/Mid_test.cpp": '#include "mid/Mid.h"\n'
                                           '#include "tests/testing/TempDir.h"\n'}
        self.assertEqual(run(table, files), (0, ""))
        status, err = run(table, {**files, "top/Top.cpp": FILES["top/Top.cpp"] +
                                  '#include "tests/testing/TempDir.h"\n'})
        self.assertEqual(status, 1)
        self.assertIn("top/Top.cpp:4: includes tests/testing/TempDir.h: test support", err)

    def test_inexact_table_fails(self):
        cases = [
            ("never included", TABLE.replace("app   FOLDER tools/app  TESTS tests/tools  "
                                             "PRIVATE top",
                                             "app   FOLDER tools/app  TESTS tests/tools  "
                                             "PRIVATE top mid"),
             "app names mid, but none of its files includes it"),
            ("header include named PRIVATE", TABLE.replace("mid   PUBLIC low", "mid   PRIVATE low"),
             "mid names low PRIVATE, but its headers include it (mid/Mid.h:1"),
            ("source include named PUBLIC", TABLE.replace("top   PRIVATE mid low",
                                                          "top   PUBLIC mid  PRIVATE low"),
             "top names mid PUBLIC, but only its sources include it"),
            ("row whose folder is gone", TABLE + "gone\n", "gone: its folder gone/ does not exist"),
        ]
        for what, table, expected in cases:
            with self.subTest(what):
                status, err = run(table, FILES)
                self.assertEqual(status, 1)
                self.assertIn(expected, err)

    def test_malformed_table_is_a_usage_error(self):
        cases = [
            ("cycle: names a row below", "low  PRIVATE mid\nmid  PUBLIC low\n",
             "low names 'mid', which is not a row above it"),
            ("unknown layer", "low\nmid  PUBLIC lwo\n", "mid names 'lwo'"),
            ("two rows", "low\nlow\n", "layer 'low' has two rows"),
            ("named twice", "low\nmid  PUBLIC low  PRIVATE low\n", "mid names 'low' twice"),
            ("token before a keyword", "low\nmid low\n", "'low' follows no keyword"),
        ]
        for what, table, expected in cases:
            with self.subTest(what):
                status, err = run(table, FILES)
                self.assertEqual(status, 2)
                self.assertIn(expected, err)


if __name__ == "__main__":
    unittest.main()
