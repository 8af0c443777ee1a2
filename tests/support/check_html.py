#!/usr/bin/env python3
"""Reads a page with Python's own HTML parser (not the project's decoder) and
checks that the text of its preformatted body is the source, byte for byte.

Usage: check_html.py PAGE.html SOURCE [PAGE.html SOURCE ...]
(exit 0: every page shows its source; 1: one differs; 2: usage)

The page's body starts with two line ends of its own (after the colour tag and
after the page's anchor); a leading UTF-8 byte-order mark of the source is not
part of the text. Every anchor name and every link fragment must be lower case,
and every fragment must name an anchor of the page it points to when that page
is this one.
"""
import html.parser
import sys


class PreText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.in_pre = False
        self.text = []
        self.names = []
        self.hrefs = []

    def handle_starttag(self, tag, attrs):
        if tag == "pre":
            self.in_pre = True
        if tag == "a":
            for key, value in attrs:
                if key == "name":
                    self.names.append(value)
                if key == "href":
                    self.hrefs.append(value)

    def handle_endtag(self, tag):
        if tag == "pre":
            self.in_pre = False

    def handle_data(self, data):
        if self.in_pre:
            self.text.append(data)


def first_difference(a, b):
    i = 0
    while i < len(a) and i < len(b) and a[i] == b[i]:
        i += 1
    return "at %d: expected %r, found %r" % (i, a[max(0, i - 20):i + 20], b[max(0, i - 20):i + 20])


def check(page_path, source_path):
    page_name = page_path.rsplit("/", 1)[-1]
    # Latin-1 maps every byte to one character, so byte equality is kept.
    page = open(page_path, "rb").read().decode("latin-1")
    source = open(source_path, "rb").read()
    if source.startswith(b"\xef\xbb\xbf"):
        source = source[3:]
    expected = "\r\n\r\n" + source.decode("latin-1")
    parser = PreText()
    parser.feed(page)
    parser.close()
    text = "".join(parser.text)
    problems = []
    if text != expected:
        problems.append("body differs " + first_difference(expected, text))
    for name in parser.names:
        if name != name.lower():
            problems.append("anchor name not lower case: %r" % name)
    for href in parser.hrefs:
        page_part, _, fragment = href.partition("#")
        if fragment != fragment.lower():
            problems.append("fragment not lower case: %r" % href)
        if fragment and page_part in ("", page_name) and fragment not in parser.names:
            problems.append("fragment names no anchor of the page: %r" % href)
    return [page_path + ": " + p for p in problems]


def main():
    args = sys.argv[1:]
    if not args or len(args) % 2:
        print(__doc__)
        return 2
    problems = []
    for i in range(0, len(args), 2):
        problems += check(args[i], args[i + 1])
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
