#!/usr/bin/env python3
"""Checks that every local link and picture a guide page names exists: files
beside the page, and anchors within it. Prints each broken one; exits 1 if any.

usage: check_links.py page.html
"""
import sys
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import unquote, urlsplit


class References(HTMLParser):
    def __init__(self):
        super().__init__()
        self.targets = []  # (tag, attribute value)
        self.anchors = set()

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("id", "name") and value:
                self.anchors.add(value)
            if name in ("href", "src") and value is not None:
                self.targets.append((tag, value))


def broken(page):
    refs = References()
    refs.feed(page.read_text(encoding="utf-8"))
    for tag, target in refs.targets:
        parts = urlsplit(target)
        if parts.scheme or parts.netloc:
            continue  # the web, mail: not ours to check
        path = unquote(parts.path)
        if not path:
            if parts.fragment not in refs.anchors:
                yield f"<{tag}> {target}: no such anchor"
            continue
        if "\\" in path or Path(path).is_absolute():
            yield f"<{tag}> {target}: not a relative path with forward slashes"
        elif not (page.parent / path).is_file():
            yield f"<{tag}> {target}: no such file"


def main():
    page = Path(sys.argv[1])
    problems = list(broken(page))
    for problem in problems:
        print(f"{page}: {problem}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
