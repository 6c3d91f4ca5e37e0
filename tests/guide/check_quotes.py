#!/usr/bin/env python3
"""Checks that every text the guide's troubleshooting section quotes (its <code>
and <q> elements) is one the program writes: a part of a string in the sources,
or a whole text a format string can produce. <var> parts and the format's %s, %d
and the like match anything. Prints each quote not found; exits 1 if any.

usage: check_quotes.py page.html source_dir...
"""
import re
import sys
from html.parser import HTMLParser
from pathlib import Path

HOLE = "\0"
PLACEHOLDER = re.compile(r"%[-+ 0#]*\d*(?:\.\d+)?(?:ll|l|h|z)?[sdiuxc]")
LITERAL = r'"((?:[^"\\\n]|\\.)*)"'


class SectionQuotes(HTMLParser):
    """The <code> and <q> texts between <h2 id="trouble"> and the next <h2>."""

    def __init__(self):
        super().__init__()
        self.inside = False
        self.depth = 0  # open <code>/<q> elements
        self.in_var = False
        self.quotes, self.text = [], ""

    def handle_starttag(self, tag, attrs):
        if tag == "h2":
            self.inside = dict(attrs).get("id") == "trouble"
        elif self.inside and tag in ("code", "q"):
            self.depth += 1
        elif self.depth and tag == "var":
            self.text += HOLE
            self.in_var = True

    def handle_endtag(self, tag):
        if tag == "var":
            self.in_var = False
        if self.depth and tag in ("code", "q"):
            self.depth -= 1
            if not self.depth:
                self.quotes.append(re.sub(HOLE + "+", HOLE, " ".join(self.text.split())))
                self.text = ""

    def handle_data(self, data):
        if self.depth and not self.in_var:
            self.text += data


def unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "t": "\t"}.get(m.group(1), m.group(1)), text)


def source_strings(dirs):
    """Every string literal (adjacent ones joined), with a Format whose first
    argument is a named text constant given that text in its first hole."""
    strings = []
    for d in dirs:
        for path in sorted(Path(d).rglob("*")):
            if path.suffix not in (".cpp", ".h", ".rc"):
                continue
            code = path.read_text(encoding="utf-8", errors="replace")
            code = re.sub(LITERAL + r"\s*" + LITERAL, lambda m: '"' + m.group(1) + m.group(2) + '"', code)
            constants = dict(re.findall(r"\b(k\w+)\[\]\s*=\s*" + LITERAL, code))
            strings += [unescape(s) for s in re.findall(LITERAL, code)]
            for fmt, name in re.findall(r"Format\(\s*" + LITERAL + r"\s*,\s*(k\w+)\b", code):
                if name in constants:
                    strings.append(unescape(PLACEHOLDER.sub(unescape(constants[name]), fmt, count=1)))
    return strings


def found(quote, strings):
    for text in strings:
        pattern = ".*".join(re.escape(piece) for piece in PLACEHOLDER.split(text))
        if HOLE not in quote and quote in text:
            return True
        # A format of little but holes ("%s: %s") would match any quote.
        fixed = len(PLACEHOLDER.sub("", text).strip())
        if fixed >= 4 and re.fullmatch(pattern, quote.replace(HOLE, "%s"), re.S):
            return True
    return False


def main(argv):
    if len(argv) < 3:
        print(__doc__)
        return 2
    parser = SectionQuotes()
    parser.feed(Path(argv[1]).read_text(encoding="utf-8"))
    if not parser.quotes:
        print("no quotes found in the troubleshooting section")
        return 1
    strings = source_strings(argv[2:])
    missing = [q for q in parser.quotes if not found(q, strings)]
    for quote in missing:
        print("not in the program's sources:", quote.replace(HOLE, "<var>"))
    return 1 if missing else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
