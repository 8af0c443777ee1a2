#!/usr/bin/env python3
"""The Pygments side of the comparison: what `pygmentize -l delphi -f html`
does to one file, done to every file of a list in ONE Python process (no
start-up per file), each page written to OUTDIR/<file name>.html. Sources
are read as 8-bit text (Latin-1), as the engine under comparison reads them.

usage: pygments_all.py SOURCE_LIST OUTDIR
"""
import os
import sys

from pygments import highlight
from pygments.formatters import HtmlFormatter
from pygments.lexers import get_lexer_by_name


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    listing, outdir = sys.argv[1:]
    os.makedirs(outdir, exist_ok=True)
    lexer = get_lexer_by_name("delphi")
    formatter = HtmlFormatter()
    with open(listing) as f:
        paths = [line.rstrip("\n") for line in f if line.strip()]
    for path in paths:
        with open(path, "rb") as f:
            code = f.read().decode("latin-1")
        name = os.path.join(outdir, os.path.basename(path) + ".html")
        with open(name, "w", encoding="latin-1", errors="replace") as out:
            highlight(code, lexer, formatter, out)


if __name__ == "__main__":
    main()
