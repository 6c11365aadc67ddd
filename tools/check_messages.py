#!/usr/bin/env python3
"""Checks the message catalog sources (messages/*.txt) against the program's default texts.

    check_messages.py [--root DIR] [--strict]

1. Every line of every source parses the way qlmcatc reads it: "0x" and up to 8 hexadecimal
   digits of a catalogued number (0xE0000000 to 0xEFFFFFFF), one tab, a text whose escapes
   (\\xHH from 01 to 7F, \\t, \\n, \\\\) are valid and which is valid UTF-8 of at most 65535
   bytes; "#" comments and blank lines.
2. No number appears twice, in one file or across files.
3. The C++ sources of the layers (comments removed) are searched for message numbers paired
   with their default texts:
     - a number, or a constant holding one, followed by "," and string literals
       ({0xE06900D7, "Started Successfully"}, ErrReport(c_CreateFailed, "..."));
     - "case CONSTANT: return" followed by string literals;
     - a number constant followed by "," and a text constant (os_Report(OS_E_X, OS_T_X));
     - a number constant whose very next declaration is a text constant
       (TIME_E_X = 0x...; TIME_T_X = "...";).
   For each catalogued number with such a pair, the catalog's message (after its severity
   prefix) must equal the default's message, and when the default text carries a severity of
   its own the catalog's must be the same. A plain default text (severity error by default)
   may be given a severity in the catalog. Defaults of the empty text mean "no words" and are
   not compared. A number reported with several different defaults must match one of them; it
   is listed as a warning, since a catalog can hold only one text per number.

Numbers paired in the sources but missing from the catalog are listed as warnings (errors
with --strict). Exit status 0 when the check passes, 1 otherwise.
"""
import argparse
import pathlib
import re
import sys

LAYERS = ["cmn", "base", "log", "time", "os", "registry", "env", "context", "security", "net",
          "logmgr", "servers", "policy", "plugins", "tools"]
NUMBER_RE = re.compile(r"0[xX]([0-9A-Fa-f]{1,8})$")


# --- catalog sources -------------------------------------------------------------------------

def unescape_source(text):
    """The bytes of a catalog source text, or raises ValueError (as CatalogWriterC::Unescape)."""
    out = bytearray()
    raw = text.encode("utf-8")
    i = 0
    while i < len(raw):
        c = raw[i]
        if c != 0x5C:
            out.append(c)
            i += 1
            continue
        if i + 1 >= len(raw):
            raise ValueError("a backslash ends the text")
        kind = chr(raw[i + 1])
        if kind == "\\":
            out.append(0x5C)
            i += 2
        elif kind == "t":
            out.append(0x09)
            i += 2
        elif kind == "n":
            out.append(0x0A)
            i += 2
        elif kind == "x":
            digits = raw[i + 2:i + 4].decode("ascii", "replace")
            if len(digits) != 2 or not all(d in "0123456789abcdefABCDEF" for d in digits):
                raise ValueError("\\x needs two hexadecimal digits")
            value = int(digits, 16)
            if value == 0 or value > 0x7F:
                raise ValueError("\\x%s is outside 01 to 7F" % digits)
            out.append(value)
            i += 4
        else:
            raise ValueError("unknown escape \\" + kind)
    return bytes(out)


def read_sources(folder, errors):
    """{number: (file, line, bytes)} of every message in folder/*.txt, in file name order."""
    messages = {}
    for path in sorted(p for p in folder.glob("*.txt") if p.name != "CMakeLists.txt"):
        data = path.read_bytes()
        if data.startswith(b"\xef\xbb\xbf"):
            data = data[3:]
        try:
            content = data.decode("utf-8")
        except UnicodeDecodeError as failure:
            errors.append("%s: not valid UTF-8 (%s)" % (path.name, failure))
            continue
        for number_of_line, line in enumerate(content.split("\n"), start=1):
            where = "%s:%d" % (path.name, number_of_line)
            if line.endswith("\r"):
                line = line[:-1]
            if not line.strip(" \t") or line.startswith("#"):
                continue
            if "\t" not in line:
                errors.append(where + ": expected a message number, a tab and the text")
                continue
            head, text = line.split("\t", 1)
            match = NUMBER_RE.match(head)
            if not match:
                errors.append(where + ": %r is not a message number" % head)
                continue
            number = int(match.group(1), 16)
            if number & 0xF0000000 != 0xE0000000:
                errors.append(where + ": 0x%08X is not a catalogued number" % number)
                continue
            try:
                body = unescape_source(text)
            except ValueError as failure:
                errors.append("%s: %s" % (where, failure))
                continue
            if len(body) > 0xFFFF:
                errors.append(where + ": text longer than 65535 bytes")
                continue
            if number in messages:
                first = messages[number]
                errors.append("%s: duplicate message 0x%08X (first in %s:%d)" %
                              (where, number, first[0], first[1]))
                continue
            messages[number] = (path.name, number_of_line, body)
    return messages


# --- the text syntax -------------------------------------------------------------------------

def parse_severity(spec):
    severity = 4
    letters = {"#": 0, "m": 1, "i": 2, "w": 3, "e": 4, "f": 5}
    skip = False
    for ch in spec:
        if skip:
            skip = False
            continue
        if "A" <= ch <= "Z":
            skip = True  # a condition; callers pass none, so the next character has no effect
        elif ch in letters:
            severity = letters[ch]
    return severity


def split_text(raw):
    """(severity, message, explicit) of a text in the message text syntax (bytes)."""
    if raw.startswith(b"\x01"):
        fields = raw[1:].split(b"\x01")
        severity, message = 4, b""
        for k in range(0, len(fields) - 2, 3):
            selector, spec, text = fields[k], fields[k + 1], fields[k + 2]
            if selector == b"":
                severity, message = parse_severity(spec.decode("utf-8", "replace")), text
        return severity, message, True
    if raw.startswith(b"{"):
        end = raw.find(b"}")
        if end < 0:
            return parse_severity(raw[1:].decode("utf-8", "replace")), b"", True
        rest = raw[end + 1:]
        if rest[:1] in (b" ", b"\t"):
            rest = rest[1:]
        return parse_severity(raw[1:end].decode("utf-8", "replace")), rest, True
    return 4, raw, False


# --- C++ sources -----------------------------------------------------------------------------

SIMPLE_ESCAPES = {"n": 10, "t": 9, "r": 13, "0": 0, "\\": 92, "'": 39, '"': 34, "?": 63,
                  "a": 7, "b": 8, "f": 12, "v": 11}


def decode_literal(body):
    """The bytes of a C++ narrow string literal's body (escapes applied, UTF-8 source)."""
    out = bytearray()
    i = 0
    while i < len(body):
        ch = body[i]
        if ch != "\\":
            out += ch.encode("utf-8")
            i += 1
            continue
        kind = body[i + 1]
        if kind == "x":
            j = i + 2
            while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                j += 1
            out.append(int(body[i + 2:j], 16) & 0xFF)
            i = j
        elif kind in "uU":
            width = 4 if kind == "u" else 8
            out += chr(int(body[i + 2:i + 2 + width], 16)).encode("utf-8")
            i += 2 + width
        elif kind in "01234567":
            j = i + 1
            while j < len(body) and j < i + 4 and body[j] in "01234567":
                j += 1
            out.append(int(body[i + 1:j], 8) & 0xFF)
            i = j
        else:
            out.append(SIMPLE_ESCAPES.get(kind, ord(kind)))
            i += 2
    return bytes(out)


TOKEN_RE = re.compile(r"""
    (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>(?:u8|L|u|U)?"(?:[^"\\\n]|\\.)*")
  | (?P<char>'(?:[^'\\\n]|\\.)*')
  | (?P<number>0[xX][0-9A-Fa-f']+[uUlL]*|\d[\w']*)
  | (?P<ident>[A-Za-z_]\w*)
  | (?P<punct>::|[^\s\w])
""", re.VERBOSE | re.DOTALL)


def tokens_of(text):
    out = []
    for match in TOKEN_RE.finditer(text):
        kind = match.lastgroup
        value = match.group(kind)
        if kind == "comment" or kind == "char":
            continue
        if kind == "string":
            if not value.startswith('"'):
                continue  # wide literals are no default texts
            out.append(("string", decode_literal(value[1:-1])))
        elif kind == "number":
            digits = value.replace("'", "").rstrip("uUlL")
            if digits[:2] in ("0x", "0X") and len(digits) == 10:
                out.append(("number", int(digits, 16)))
            else:
                out.append(("other", value))
        else:
            out.append((kind, value))
    return out


def strings_at(tokens, i):
    """The concatenated string literals starting at tokens[i], with the index after them."""
    text = b""
    start = i
    while i < len(tokens) and tokens[i][0] == "string":
        text += tokens[i][1]
        i += 1
    return (text if i > start else None), i


def is_catalogued(value):
    return isinstance(value, int) and value & 0xF0000000 == 0xE0000000


def stem(name):
    """A constant's name without the marker of a message number or of a default text."""
    name = re.sub(r"_[EMT]_", "_", name)
    return re.sub(r"(Message|Text|Default)$", "", name)


def collect_pairs(root):
    """{number: {default text bytes: [where, ...]}} found in the sources of the layers."""
    files = []
    for layer in LAYERS:
        folder = root / layer
        if folder.is_dir():
            files += sorted(p for p in folder.rglob("*") if p.suffix in (".h", ".cpp", ".inc"))
    token_lists = {p: tokens_of(p.read_text(encoding="utf-8", errors="replace")) for p in files}

    # Constants: NAME = 0xE...; / NAME{0xE...}; and NAME = "text";
    numbers, texts = {}, {}
    for tokens in token_lists.values():
        for i in range(len(tokens) - 2):
            if tokens[i][0] != "ident" or tokens[i + 1][1] not in ("=", "{"):
                continue
            name = tokens[i][1]
            if tokens[i + 2][0] == "number" and is_catalogued(tokens[i + 2][1]):
                numbers.setdefault(name, set()).add(tokens[i + 2][1])
            elif tokens[i + 2][0] == "string":
                text, _ = strings_at(tokens, i + 2)
                texts.setdefault(name, set()).add(text)
    # A name defined with two different values is ambiguous and not used.
    numbers = {k: next(iter(v)) for k, v in numbers.items() if len(v) == 1}
    texts = {k: next(iter(v)) for k, v in texts.items() if len(v) == 1}

    def number_of(token):
        if token[0] == "number" and is_catalogued(token[1]):
            return token[1]
        if token[0] == "ident":
            return numbers.get(token[1])
        return None

    pairs = {}

    def add(number, text, path):
        if text:  # an empty default means "no words of its own"
            pairs.setdefault(number, {}).setdefault(text, []).append(path.name)

    for path, tokens in token_lists.items():
        for i, token in enumerate(tokens):
            number = number_of(token)
            if number is None:
                continue
            following = tokens[i + 1] if i + 1 < len(tokens) else ("", "")
            if following[1] == ",":
                text, _ = strings_at(tokens, i + 2)
                if text is not None:
                    add(number, text, path)
                elif i + 2 < len(tokens) and tokens[i + 2][0] == "ident" \
                        and tokens[i + 2][1] in texts:
                    add(number, texts[tokens[i + 2][1]], path)
            elif following[1] == ":" and i > 0 and tokens[i - 1][1] == "case":
                if i + 2 < len(tokens) and tokens[i + 2][1] == "return":
                    text, _ = strings_at(tokens, i + 3)
                    if text is not None:
                        add(number, text, path)

        # Constants declared in this file as a pair: the same name but for the marker of a
        # number (_E_, _M_, ...Message) and of a text (_T_, ...Text, ...Default).
        declared_numbers, declared_texts = {}, {}
        for i in range(len(tokens) - 2):
            if tokens[i][0] == "ident" and tokens[i + 1][1] in ("=", "{"):
                name = tokens[i][1]
                if name in numbers and tokens[i + 2][0] == "number":
                    declared_numbers[stem(name)] = numbers[name]
                elif name in texts and tokens[i + 2][0] == "string":
                    declared_texts[stem(name)] = texts[name]
        for key, number in declared_numbers.items():
            if key in declared_texts:
                add(number, declared_texts[key], path)
    return pairs


# --- main ------------------------------------------------------------------------------------

def show(raw):
    return raw.decode("utf-8", "replace").encode("unicode_escape").decode("ascii")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--root", default=str(pathlib.Path(__file__).resolve().parents[1]))
    parser.add_argument("--strict", action="store_true",
                        help="numbers paired in the sources must all be catalogued")
    args = parser.parse_args()
    root = pathlib.Path(args.root)

    errors, warnings = [], []
    catalog = read_sources(root / "messages", errors)
    pairs = collect_pairs(root)

    compared = 0
    for number, defaults in sorted(pairs.items()):
        if number not in catalog:
            where = ", ".join(sorted({w for ws in defaults.values() for w in ws}))
            (errors if args.strict else warnings).append(
                "0x%08X (%s) has a default text but no catalog entry" % (number, where))
            continue
        name, line, raw = catalog[number]
        severity, message, _ = split_text(raw)
        matched = False
        for default in defaults:
            d_severity, d_message, explicit = split_text(default)
            if d_message == message and (not explicit or d_severity == severity):
                matched = True
        compared += 1
        if len(defaults) > 1:
            warnings.append("0x%08X is reported with %d different default texts: %s" %
                            (number, len(defaults),
                             " | ".join('"%s"' % show(d) for d in sorted(defaults))))
        if not matched:
            options = " or ".join('"%s" (%s)' % (show(d), ", ".join(sorted(set(w))))
                                  for d, w in sorted(defaults.items()))
            errors.append('%s:%d: 0x%08X is "%s" in the catalog but %s in the program' %
                          (name, line, number, show(raw), options))

    for warning in warnings:
        print("warning: " + warning)
    for error in errors:
        print("error: " + error)
    print("check_messages: %d catalogued messages, %d compared with their default texts, "
          "%d errors" % (len(catalog), compared, len(errors)))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
