#!/usr/bin/env python3
"""Generates cmn/cmn_UnicodeTables.inc from the Unicode Character Database.

Usage: gen_unicode_tables.py [UnicodeData.txt [output.inc]]

Writes, for the Basic Multilingual Plane:
  - the simple upper-case and lower-case mappings as sorted, non-overlapping ranges
    {first, last, difference, stride}: every code point first, first + stride, ... last maps to
    itself plus difference. Stride 2 covers the alternating upper/lower pairs (U+0100/0101 ...).
  - the sorted list of letters (general category Lu, Ll or Lt) that have neither mapping.

The output depends only on the input file's contents (and the version found beside it), so
running the script twice gives identical bytes; tools/check_unicode_tables.sh relies on that.
"""

import os
import re
import sys

DEFAULT_INPUT = "/usr/share/unicode/UnicodeData.txt"
DEFAULT_OUTPUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "cmn",
                              "cmn_UnicodeTables.inc")
BMP_END = 0x10000
LETTER_CATEGORIES = ("Lu", "Ll", "Lt")


def find_version(input_path):
    """Unicode version from the files distributed beside UnicodeData.txt, or '' if none."""
    folder = os.path.dirname(os.path.abspath(input_path))
    probes = (
        ("ReadMe.txt", re.compile(r"for Version (\d+\.\d+\.\d+) of the Unicode Standard")),
        ("DerivedAge.txt", re.compile(r"^# DerivedAge-(\d+\.\d+\.\d+)\.txt", re.M)),
        ("PropList.txt", re.compile(r"^# PropList-(\d+\.\d+\.\d+)\.txt", re.M)),
    )
    for name, pattern in probes:
        try:
            with open(os.path.join(folder, name), encoding="utf-8") as f:
                head = f.read(4096)
        except OSError:
            continue
        m = pattern.search(head)
        if m:
            return m.group(1)
    return ""


def read_database(path):
    """Returns {code point: (category, upper or None, lower or None)} for the BMP."""
    entries = {}
    range_start = None
    with open(path, encoding="utf-8") as f:
        for line_no, line in enumerate(f, 1):
            line = line.strip()
            if not line:
                continue
            fields = line.split(";")
            if len(fields) != 15:
                raise SystemExit(f"{path}:{line_no}: expected 15 fields, got {len(fields)}")
            cp = int(fields[0], 16)
            name, category = fields[1], fields[2]
            upper = int(fields[12], 16) if fields[12] else None
            lower = int(fields[13], 16) if fields[13] else None
            # Large blocks are given as a <..., First> / <..., Last> pair of lines.
            if name.endswith(", First>"):
                range_start = cp
                continue
            first = cp
            if name.endswith(", Last>"):
                if range_start is None:
                    raise SystemExit(f"{path}:{line_no}: range end without start")
                first, range_start = range_start, None
            for c in range(first, min(cp, BMP_END - 1) + 1):
                entries[c] = (category, upper, lower)
    return entries


def build_ranges(mapping):
    """Greedy run-length encoding of {code point: target} into (first, last, diff, stride).

    Points are visited in order and a range is only ever extended by the next mapped point, so
    the ranges come out sorted and their spans never overlap; a binary search on `first`
    therefore finds the only candidate range.
    """
    ranges = []
    for cp in sorted(mapping):
        target = mapping[cp]
        if target >= BMP_END:
            raise SystemExit(f"U+{cp:04X} maps outside the BMP (U+{target:04X})")
        diff = target - cp
        if ranges:
            first, last, rdiff, stride = ranges[-1]
            step = cp - last
            if rdiff == diff:
                if first == last and step in (1, 2):
                    ranges[-1] = (first, cp, diff, step)
                    continue
                if step == stride:
                    ranges[-1] = (first, cp, diff, stride)
                    continue
        ranges.append((cp, cp, diff, 1))
    return ranges


def format_ranges(name, ranges):
    out = [f"static constexpr CaseRangeS {name}[] = {{"]
    for first, last, diff, stride in ranges:
        out.append(f"    {{0x{first:04X}, 0x{last:04X}, {diff}, {stride}}},")
    out.append("};")
    return out


def format_list(name, values):
    out = [f"static constexpr char16_t {name}[] = {{"]
    for i in range(0, len(values), 8):
        out.append("    " + " ".join(f"0x{v:04X}," for v in values[i:i + 8]))
    out.append("};")
    return out


def main(argv):
    if len(argv) > 3:
        raise SystemExit(__doc__)
    input_path = argv[1] if len(argv) > 1 else DEFAULT_INPUT
    output_path = argv[2] if len(argv) > 2 else DEFAULT_OUTPUT

    try:
        entries = read_database(input_path)
    except OSError as e:
        raise SystemExit(f"gen_unicode_tables: cannot read {input_path}: {e.strerror}")
    upper = {c: e[1] for c, e in entries.items() if e[1] is not None and e[1] != c}
    lower = {c: e[2] for c, e in entries.items() if e[2] is not None and e[2] != c}
    letters = sorted(c for c, e in entries.items()
                     if e[0] in LETTER_CATEGORIES and c not in upper and c not in lower)
    upper_ranges = build_ranges(upper)
    lower_ranges = build_ranges(lower)

    version = find_version(input_path)
    source = "UnicodeData.txt" + (f" {version}" if version else "")
    lines = [
        f"// generated by tools/gen_unicode_tables.py from {source}; do not edit",
        "//",
        "// Simple case mappings of the Basic Multilingual Plane as sorted, non-overlapping ranges",
        "// {first, last, difference, stride}: first, first + stride, ..., last map to themselves",
        "// plus difference; every other code point maps to itself.",
        f"// Upper-case mapping: {len(upper)} code points in {len(upper_ranges)} ranges.",
        f"// Lower-case mapping: {len(lower)} code points in {len(lower_ranges)} ranges.",
        f"// Further letters (category Lu, Ll or Lt without either mapping): {len(letters)}.",
        "// clang-format off",
        "",
    ]
    lines += format_ranges("kUpperRanges", upper_ranges)
    lines.append("")
    lines += format_ranges("kLowerRanges", lower_ranges)
    lines.append("")
    lines += format_list("kFurtherLetters", letters)
    lines.append("// clang-format on")
    text = "\n".join(lines) + "\n"

    with open(output_path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


if __name__ == "__main__":
    main(sys.argv)
