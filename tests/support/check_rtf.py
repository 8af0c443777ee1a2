#!/usr/bin/env python3
"""Reads a topic with Debian's unrtf (not the project's decoder) and checks that
its text is the source, word by word.

Usage: check_rtf.py TOPIC.rtf SOURCE ANCHORS [TOPIC.rtf SOURCE ANCHORS ...]
(exit 0: every topic shows its source; 1: one differs; 2: usage; 3: unrtf is
missing)

unrtf --text folds runs of blanks, writes each "#" footnote mark as "#" (the
topic's own and ANCHORS more in the body), drops raw bytes above 127, and
shows the \'hh escapes of control bytes in its own way; it does not implement hidden text (\v): it shows part of a
link's context string. So the hidden groups of the links, "{\v*...}", are taken
out of a copy before unrtf reads it, and the comparison is of words: runs of
printable ASCII other than blanks (bytes above 127 left out, control bytes
separating words), with "#" marks set aside and counted instead.
"""
import re
import shutil
import subprocess
import sys
import tempfile

# A link's hidden group: "{\v*", then escaped or ordinary characters, then "}".
HIDDEN_GROUP = re.compile(rb"\{\\v\*(?:\\.|[^\\{}])*\}")


def words(text):
    text = "".join(" " if ord(c) < 32 else c for c in text.replace("#", ""))
    return [w for w in text.split(" ") if w]


def check(topic_path, source_path, anchors):
    with tempfile.NamedTemporaryFile(suffix=".rtf") as copy:
        copy.write(HIDDEN_GROUP.sub(b"", open(topic_path, "rb").read()))
        copy.flush()
        out = subprocess.run(["unrtf", "--text", copy.name], capture_output=True, check=True).stdout
    # unrtf ends its preamble with a line of dashes; the title line follows.
    text = out.decode("latin-1").split("-----------------\n", 1)[1]
    text = "".join(c for c in text if ord(c) < 127)
    title, _, body = text.partition("\n")
    source = open(source_path, "rb").read()
    if source.startswith(b"\xef\xbb\xbf"):
        source = source[3:]
    source = bytes(b for b in source if b < 127).decode("ascii")
    problems = []
    if not title.startswith("#Unit "):
        problems.append("title line %r" % title)
    expected, found = words(source), words(body)
    if expected != found:
        i = 0
        while i < len(expected) and i < len(found) and expected[i] == found[i]:
            i += 1
        problems.append("word %d differs: expected %r, found %r" % (i, expected[i:i + 5], found[i:i + 5]))
    marks = body.count("#") - source.count("#")
    if marks != int(anchors):
        problems.append("%d footnote marks in the body, expected %s" % (marks, anchors))
    return [topic_path + ": " + p for p in problems]


def main():
    args = sys.argv[1:]
    if not args or len(args) % 3:
        print(__doc__)
        return 2
    if shutil.which("unrtf") is None:
        print("unrtf is not installed")
        return 3
    problems = []
    for i in range(0, len(args), 3):
        problems += check(args[i], args[i + 1], args[i + 2])
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
