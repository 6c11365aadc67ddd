#!/usr/bin/env python3
"""Tidies scdoc's roff so that `mandoc -T lint` has nothing to say about it.

scdoc writes a paragraph macro around every block, including where roff ignores it (right after
a section heading, before the end of an indented block, twice in a row), lower-case titles and
text lines as long as the source lines. This removes the paragraph macros that have no effect,
upper-cases the page title and breaks text lines longer than 80 bytes at blanks (a break in
filled text is a blank, so the output does not change). Usage: tidy-roff.py IN OUT
"""
import sys

LIMIT = 80


def wrap(line):
    out = []
    while len(line.encode()) > LIMIT:
        cut = line.rfind(" ", 0, LIMIT)
        if cut <= 0:
            cut = line.find(" ", LIMIT)
            if cut < 0:
                break
        head, line = line[:cut], line[cut + 1:]
        out.append(head)
        # A continuation must not read as a request.
        if line.startswith((".", "'")):
            line = "\\&" + line
    out.append(line)
    return out


def main(source, target):
    with open(source, encoding="utf-8") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()

    kept = []
    literal = False
    space_after_block = False
    for i, line in enumerate(lines):
        if line.startswith(".TH "):
            parts = line.split(" ", 2)
            parts[1] = parts[1].upper()
            line = " ".join(parts)
        if line in (".nf", ".EX"):
            literal = True
        elif line in (".fi", ".EE"):
            literal = False
        if line == ".P":
            following = next((l for l in lines[i + 1:] if l != ".P"), "")
            previous = kept[-1] if kept else ""
            # The blank line that ends an indented block goes after the block instead.
            if following == ".RE":
                space_after_block = True
                continue
            if (following.startswith((".SH", ".SS", ".TP")) or following == ""
                    or previous.startswith((".SH", ".SS", ".P", ".RS", ".TH", ".sp"))):
                continue
        if line == ".RE" and space_after_block:
            space_after_block = False
            kept.append(line)
            following = next((l for l in lines[i + 1:] if l != ".P"), "")
            if following and not following.startswith((".SH", ".SS", ".RE")):
                kept.append(".sp")
            continue
        if not literal and not line.startswith((".", "'")):
            kept.extend(wrap(line))
        else:
            kept.append(line)
    with open(target, "w", encoding="utf-8") as f:
        f.write("\n".join(kept) + "\n")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
