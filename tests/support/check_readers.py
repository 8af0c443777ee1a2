#!/usr/bin/env python3
"""Reads a unit's page in headless Chromium and its topic with LibreOffice's
RTF import, and checks that both show the source's text as its encoding
reads: non-ASCII letters, symbols and characters outside the topic's code
page included.

Usage: check_readers.py ENCODING SOURCE PAGE.html TOPIC.rtf [ENCODING SOURCE PAGE.html TOPIC.rtf ...]
ENCODING is Python's name of the source's encoding (utf-8, cp1252...).
(exit 0: every page and topic shows its source; 1: one differs; 2: usage;
3: Chromium or LibreOffice is missing, named on standard output)

The page: Chromium decodes it by the charset it declares and --dump-dom writes
the document it built; the text of its preformatted body must be the source,
after the two line ends the page starts it with (line ends as a browser keeps
them: LF). The topic: LibreOffice converts it to UTF-8 text. Its first line is
the title ("Unit " and the unit's name); the rest must be the source. A link's
hidden context string ({\\v*...}) and the help footnotes (#{\\*\\footnote ...})
are taken out of a copy first: LibreOffice shows hidden text in plain text and
numbers each footnote.
"""
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile

from check_html import first_difference

HIDDEN_GROUP = re.compile(rb"\{\\v\*(?:\\.|[^\\{}])*\}")
FOOTNOTE = re.compile(rb"[#$K+]\{\\\*\\footnote(?:\\.|[^\\{}])*\}")
TIMEOUT = 180


class PreText(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.depth = 0
        self.text = []

    def handle_starttag(self, tag, attrs):
        self.depth += tag == "pre"

    def handle_endtag(self, tag):
        self.depth -= tag == "pre" and self.depth > 0

    def handle_data(self, data):
        if self.depth:
            self.text.append(data)


def browser():
    for name in ("chromium-headless-shell", "chromium"):
        if shutil.which(name):
            return name
    return None


def lines(text):
    return text.replace("\r\n", "\n").replace("\r", "\n")


def source_text(path, encoding):
    data = open(path, "rb").read()
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    return lines(data.decode(encoding))


def page_text(page, profile):
    command = [browser(), "--headless", "--disable-gpu", "--user-data-dir=" + profile, "--dump-dom",
               "file://" + os.path.abspath(page)]
    if os.geteuid() == 0:
        command.insert(1, "--no-sandbox")  # Chromium refuses to run as root otherwise
    out = subprocess.run(command, capture_output=True, timeout=TIMEOUT, check=True).stdout
    parser = PreText()
    parser.feed(out.decode("utf-8"))
    parser.close()
    return "".join(parser.text)


def topic_texts(topics, work):
    """LibreOffice's text of each topic, by its path: one start for all."""
    copies = []
    for i, topic in enumerate(topics):
        copy = os.path.join(work, "topic%d.rtf" % i)
        data = HIDDEN_GROUP.sub(b"", open(topic, "rb").read())
        open(copy, "wb").write(FOOTNOTE.sub(b"", data))
        copies.append(copy)
    outdir = os.path.join(work, "txt")
    subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "profile"), "--headless",
                    "--norestore", "--convert-to", "txt:Text (encoded):UTF8", "--outdir", outdir] + copies,
                   capture_output=True, timeout=TIMEOUT, check=True)
    texts = {}
    for topic, copy in zip(topics, copies):
        name = os.path.join(outdir, os.path.basename(copy)[:-4] + ".txt")
        text = open(name, "rb").read().decode("utf-8") if os.path.exists(name) else None
        texts[topic] = lines(text.lstrip("\ufeff")) if text is not None else None
    return texts


def main():
    args = sys.argv[1:]
    if not args or len(args) % 4:
        print(__doc__)
        return 2
    missing = [name for name, found in (("chromium", browser()), ("soffice", shutil.which("soffice"))) if not found]
    if missing:
        print("not installed: " + ", ".join(missing))
        return 3
    cases = [args[i:i + 4] for i in range(0, len(args), 4)]
    problems = []
    with tempfile.TemporaryDirectory() as work:
        topics = topic_texts([case[3] for case in cases], work)
        for encoding, source, page, topic in cases:
            expected = source_text(source, encoding)
            shown = page_text(page, os.path.join(work, "chromium"))
            if shown != "\n\n" + expected:
                problems.append(page + ": Chromium shows " + first_difference("\n\n" + expected, shown))
            read = topics[topic]
            if read is None:
                problems.append(topic + ": LibreOffice converted nothing")
                continue
            title, _, body = read.partition("\n")
            if not title.startswith("Unit "):
                problems.append(topic + ": LibreOffice reads the title line as %r" % title)
            # LibreOffice ends the text with a line end of its own.
            if body.rstrip("\n") != expected.rstrip("\n"):
                problems.append(topic + ": LibreOffice reads " + first_difference(expected, body))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
