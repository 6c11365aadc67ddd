#!/usr/bin/env python3
"""Checks every #include of the tree against the layer table (cmake/layers.txt).

Each C/C++ file belongs to the row whose FOLDER (or TESTS folder) is the longest prefix of its
path; a file no row owns is an error, so a new folder cannot slip past the check. A quoted
include "<dir>/<file>" names a header of the row owning <dir>/<file> the same way; includes
that no row owns (system and third-party headers, generated files outside the layer folders)
are not checked.

A file may include headers of
  - its own row;
  - the rows its row names (PUBLIC or PRIVATE). Only the direct names count: a layer reached
    through another layer's PUBLIC headers must be named too, so that every row says exactly
    what its files include and a layer that drops an include cannot break a user silently.
A unit test (the row's TESTS folder) may in addition include its row and the test support of
the rows its row names, and nothing else: a test sees what the code under test sees. A row
marked TESTSUPPORT (a library of test helpers) has no tests folder; every unit test may include
it, other rows only when they name it.

The table itself must be exact and ordered:
  - a row names only rows above it (lowest layer first), so the graph has no cycle and a lower
    layer never includes a higher one;
  - a named layer is included by some file of the row, PUBLIC exactly when one of its headers
    includes it (the build propagates PUBLIC layers to the row's users, PRIVATE ones it links
    only);
  - every row's folder exists.
The first word of a row is its name; FOLDER, TESTS, PUBLIC and PRIVATE take the words after
them, TESTSUPPORT none.

Usage: check_includes.py [--root DIR] [--table FILE] [--graph | --mermaid [OMIT]]
  --graph prints the rows the includes call for (the real graph) instead of checking;
  --mermaid prints the table as a mermaid graph (docs/architecture.md), without edges to the
  comma-separated layers OMIT.
Exit status: 0 clean, 1 violations (one line each on standard error), 2 bad table or usage.
"""

import argparse
import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".c", ".inc", ".def")
HEADER_SUFFIXES = (".h", ".hpp")
INCLUDE_RE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
KEYWORDS = ("FOLDER", "TESTS", "PUBLIC", "PRIVATE", "TESTSUPPORT")


class TableError(Exception):
    pass


class Row:
    def __init__(self, name, index):
        self.name = name
        self.index = index
        self.folder = name
        self.tests = "tests/" + name
        self.public = []
        self.private = []
        self.test_support = False

    def declared(self):
        return set(self.public) | set(self.private)


def parse_table(text):
    """[Row] in table order, or raises TableError."""
    rows, by_name = [], {}
    for number, line in enumerate(text.splitlines(), 1):
        tokens = line.split("#", 1)[0].split()
        if not tokens:
            continue
        name = tokens[0]
        if name in KEYWORDS or not re.fullmatch(r"[a-z][a-z0-9_]*", name):
            raise TableError("line %d: '%s' is not a layer name" % (number, name))
        if name in by_name:
            raise TableError("line %d: layer '%s' has two rows" % (number, name))
        row = Row(name, len(rows))
        keyword = None
        for token in tokens[1:]:
            if token == "TESTSUPPORT":
                row.test_support = True
                row.tests = None
                keyword = None
            elif token in KEYWORDS:
                keyword = token
            elif keyword == "FOLDER":
                row.folder = token.strip("/")
            elif keyword == "TESTS":
                row.tests = token.strip("/")
            elif keyword in ("PUBLIC", "PRIVATE"):
                if token in row.declared():
                    raise TableError("line %d: %s names '%s' twice" % (number, name, token))
                (row.public if keyword == "PUBLIC" else row.private).append(token)
            else:
                raise TableError("line %d: '%s' follows no keyword" % (number, token))
        for dep in row.declared():
            if dep not in by_name:
                raise TableError("line %d: %s names '%s', which is not a row above it (rows "
                                 "go lowest layer first)" % (number, name, dep))
        rows.append(row)
        by_name[name] = row
    return rows


class Owners:
    """Maps a path below the root to (row, is_test) by the longest folder prefix."""

    def __init__(self, rows):
        self.prefixes = []
        for row in rows:
            self.prefixes.append((row.folder + "/", row, False))
            if row.tests:
                self.prefixes.append((row.tests + "/", row, True))
        self.prefixes.sort(key=lambda p: len(p[0]), reverse=True)

    def owner(self, path):
        for prefix, row, is_test in self.prefixes:
            if path.startswith(prefix):
                return row, is_test
        return None


def source_files(root):
    """Relative paths (with '/') of the C/C++ files below root, build trees and dot folders
    left out."""
    found = []
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        dirs[:] = sorted(d for d in dirs if not d.startswith(".") and
                         not (rel == "." and d.startswith("build")))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.relpath(os.path.join(folder, name), root)
                found.append(path.replace(os.sep, "/"))
    return found


def includes_of(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            match = INCLUDE_RE.match(line)
            if match and "/" in match.group(1):
                yield number, match.group(1)


def scan(root, rows):
    """(uses, errors): uses[row][dep] = {'header': bool, 'where': str}, the layers each row's
    own (non-test) files include and where (a header's include first); errors lists the include
    violations."""
    owners = Owners(rows)
    uses = {row.name: {} for row in rows}
    errors = []
    for path in source_files(root):
        owned = owners.owner(path)
        if owned is None:
            errors.append("%s: no row of the layer table owns this file" % path)
            continue
        row, is_test = owned
        for number, target in includes_of(os.path.join(root, path)):
            included = owners.owner(target)
            if included is None:
                continue
            dep, dep_is_test = included
            where = "%s:%d: includes %s" % (path, number, target)
            if is_test:
                allowed = {row.name} | row.declared()
                if dep.name not in allowed and not dep.test_support:
                    errors.append("%s, but the tests of %s may include only %s and the layers "
                                  "it names" % (where, row.name, row.name))
                continue
            if dep_is_test or (dep.test_support and not row.test_support and
                               dep.name not in row.declared()):
                errors.append("%s: test support, which only tests may include" % where)
                continue
            if dep is row:
                continue
            entry = uses[row.name].setdefault(dep.name, {"header": False, "where": where})
            if path.endswith(HEADER_SUFFIXES):
                entry["header"] = True
                entry["where"] = where
            if dep.name not in row.declared():
                relation = "a higher layer" if dep.index > row.index else "a layer"
                errors.append("%s: %s (%s) that %s does not name in the layer table" %
                              (where, dep.name, relation, row.name))
    return uses, errors


def check_table(root, rows, uses):
    errors = []
    for row in rows:
        if not os.path.isdir(os.path.join(root, row.folder)):
            errors.append("layer table: %s: its folder %s/ does not exist" % (row.name, row.folder))
            continue
        for dep in row.public + row.private:
            used = uses[row.name].get(dep)
            if used is None:
                errors.append("layer table: %s names %s, but none of its files includes it" %
                              (row.name, dep))
            elif used["header"] and dep in row.private:
                errors.append("layer table: %s names %s PRIVATE, but its headers include it (%s):"
                              " make it PUBLIC" % (row.name, dep, used["where"]))
            elif not used["header"] and dep in row.public:
                errors.append("layer table: %s names %s PUBLIC, but only its sources include it:"
                              " make it PRIVATE" % (row.name, dep))
    return errors


def print_graph(rows, uses):
    """The rows the includes call for, in table order and syntax."""
    for row in rows:
        public = sorted(d for d, u in uses[row.name].items() if u["header"])
        private = sorted(d for d, u in uses[row.name].items() if not u["header"])
        line = row.name
        if row.folder != row.name:
            line += "  FOLDER " + row.folder
        if row.test_support:
            line += "  TESTSUPPORT"
        elif row.tests != "tests/" + row.name:
            line += "  TESTS " + row.tests
        if public:
            line += "  PUBLIC " + " ".join(public)
        if private:
            line += "  PRIVATE " + " ".join(private)
        print(line)


def print_mermaid(rows, omit):
    """The table as a mermaid graph (PUBLIC solid, PRIVATE dotted), user above used; edges to the
    rows in omit are left out (every layer uses them)."""
    print("graph BT")
    for row in rows:
        if row.name in omit:
            continue
        targets = [(d, "-->") for d in row.public] + [(d, "-.->") for d in row.private]
        targets = [(d, arrow) for d, arrow in targets if d not in omit]
        if not targets:
            print("  %s" % row.name)
        for dep, arrow in targets:
            print("  %s %s %s" % (row.name, arrow, dep))


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--table", help="default: <root>/cmake/layers.txt")
    parser.add_argument("--graph", action="store_true")
    parser.add_argument("--mermaid", metavar="OMIT", nargs="?", const="",
                        help="print the table as a mermaid graph, without edges to the "
                             "comma-separated layers OMIT")
    args = parser.parse_args(argv)
    root = os.path.abspath(args.root)
    table = args.table or os.path.join(root, "cmake", "layers.txt")
    try:
        with open(table, encoding="utf-8") as f:
            rows = parse_table(f.read())
    except (OSError, TableError) as e:
        print("check_includes: %s: %s" % (table, e), file=sys.stderr)
        return 2
    if args.mermaid is not None:
        print_mermaid(rows, set(filter(None, args.mermaid.split(","))))
        return 0
    uses, errors = scan(root, rows)
    if args.graph:
        print_graph(rows, uses)
        return 0
    errors += check_table(root, rows, uses)
    for error in errors:
        print(error, file=sys.stderr)
    edges = sum(len(row.declared()) for row in rows)
    print("check_includes: %d layers, %d declared edges, %d errors" %
          (len(rows), edges, len(errors)))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
