#!/usr/bin/env python3
"""Explains a kept acceptance run (scripts/acceptance-all.sh): groups, with
counts and a few examples each,
  - the files where the scanner stopped early, by the character or construct
    it stopped at;
  - the units whose interface the grammar stopped reading before
    `implementation`, by the construct at the stop (everything declared after
    it is neither recorded nor anchored as a class member);
  - the links that did not land, by kind and by why (no body in the file, a
    method of a class the grammar did not read, ...).
The groups are heuristics over the source text: they say what a reader finds
at the place, not what the program decided.

usage: explain.py KEEP_DIR   (reads units.tsv, interface-stops.tsv, missed-links.txt)
"""
import collections
import os
import re
import sys

EXAMPLES = 3


def read_tsv(path):
    with open(path, encoding="latin-1", newline="") as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def show(title, groups, total_label):
    total = sum(len(v) for v in groups.values())
    print("\n== %s: %d %s" % (title, total, total_label))
    for name, items in sorted(groups.items(), key=lambda kv: (-len(kv[1]), kv[0])):
        print("  %5d  %s" % (len(items), name))
        for example in items[:EXAMPLES]:
            print("           e.g. " + example[:150])


# ---- the scanner's early stops ----------------------------------------------

def scan_cause(reason, token):
    if reason == 5:
        return "line end inside a quoted string"
    if reason == 7:
        return "file ends inside a comment (a nested or unclosed comment)"
    if re.match(r"%[01]", token):
        return "binary number literal (%1010)"
    if token.startswith("%"):
        return "AT&T assembler operand (%eax) in an asm block"
    if token.startswith("&"):
        return "& prefix (octal &17 or a keyword used as identifier, &begin)"
    if token.startswith("\\x1A"):
        return "Ctrl-Z end-of-file mark"
    if token.startswith("\\x0C"):
        return "form feed"
    if token.startswith('"'):
        return "double quote (assembler string or character)"
    if token.startswith("}"):
        return "stray } (text after a nested comment's first })"
    if re.match(r"\\x[89A-F]", token):
        return "byte above 127 outside strings and comments"
    return "other character: " + token[:1]


def scanner_stops(rows):
    groups = collections.defaultdict(list)
    for r in rows:
        reason = int(r[8])
        if reason in (3, 5, 7):
            groups[scan_cause(reason, r[10])].append("%s(%s): %s" % (r[1], r[9], r[10]))
    show("Files where scanning stopped early", groups, "files")


# ---- where the interface reading stopped -------------------------------------

ROUTINE_WORDS = {"overload", "inline", "deprecated", "platform", "experimental", "reintroduce",
                 "static", "assembler", "varargs", "noreturn", "final", "far", "near", "export",
                 "unimplemented", "local", "compilerproc", "public", "iocheck"}
VISIBILITY = {"public", "private", "protected", "published", "automated"}


def interface_cause(token, line):
    t, low = token.lower(), line.lower()
    rules = [
        (t in ("external", "name") or re.search(r"\bexternal\b", low), "external routine or variable"),
        (re.search(r"\b(generic|specialize)\b", low) or re.search(r"\w<\w[\w, ]*>", low), "generic type"),
        (re.search(r"\bhelper\b", low), "type, record or class helper"),
        (re.search(r"\bstrict\s+(private|protected)\b", low), "strict visibility"),
        (re.search(r"^\s*class\s+(function|var|operator|property|threadvar|constructor|destructor)\b", low),
         "class function, class var, class operator or class property"),
        (re.search(r"\boperator\b", low), "operator overload"),
        (re.search(r"\bobjc(class|protocol|category)\b|\bcppclass\b", low), "Objective-C or C++ class"),
        (t == "object", "object type (the older object model)"),
        (t in ("interface", "dispinterface"), "interface or dispinterface type"),
        (re.search(r"record\s+end\b", low), "empty record"),
        (re.search(r"\b(bit)?packed\s+(record|object|class|set|file)\b", low), "packed record, set or class"),
        (re.search(r"\bclass\s+of\b", low), "class reference type (class of)"),
        (re.search(r"=\s*class\s*\([^)]*,", low), "class implementing interfaces (second ancestor)"),
        ("property" in low and t == "string", "property of type string"),
        ("property" in low, "other property form (no type, index, default value, implements ...)"),
        (re.search(r"array\s+of\s+const\b", low), "open array of const"),
        (t == "=" and re.search(r"\b(procedure|function|constructor)\b|\(.*:\s*[\w.]+\s*=", low),
         "default parameter value"),
        (t in ROUTINE_WORDS - VISIBILITY, "routine directive the grammar does not read (%s)" % t),
        (t in VISIBILITY, "visibility word where the class rule does not expect it"),
        (t == "threadvar", "threadvar section"),
        (t == "." and re.search(r"^\s*(uses\b)?[\w\s,.{}$]*$", low), "dotted unit name in a uses clause"),
        (t == ".", "qualified name (Unit.Name) in a declaration"),
        (re.search(r"=\s*(procedure|function)\b", low), "procedural type (calling convention, of object ...)"),
        (re.search(r":\s*[\w.^]+\s*=", low) or re.search(r"^\s*\w+\s*=.*\(", low),
         "constant with a call, cast or structured value"),
        (t in ("const", "var", "out") and re.search(r"\(", low), "parameter form (const/var/out untyped ...)"),
    ]
    for matched, name in rules:
        if matched:
            return name
    return "other (token %s)" % token


def interface_stops(rows):
    groups = collections.defaultdict(list)
    how = collections.Counter(r[3] for r in rows)
    inherited = [r[0] for r in rows if r[2] == "1"]
    for r in rows:
        if r[3] == "stopped":
            groups[interface_cause(r[5], r[7])].append("%s(%s) [%s] %s" % (r[1], r[4], r[5], r[7].strip()))
    print("\n== Interfaces read: %d units; ended at implementation %d, at the end of the file %d, "
          "stopped early %d; %d units began inside a switched-off region left open by the unit before"
          % (len(rows), how["implementation"], how["end of file"], how["stopped"], len(inherited)))
    if inherited:
        print("           e.g. " + ", ".join(inherited[:8]))
    show("Interface reading stopped early, by the construct at the stop", groups, "units")


# ---- links that did not land ---------------------------------------------------

def source_parts(path):
    text = open(path, encoding="latin-1").read()
    m = re.search(r"^\s*implementation\b", text, re.I | re.M)
    return (text, "") if m is None else (text[:m.start()], text[m.start():])


def miss_cause(kind, target, caption, parts):
    interface, implementation = parts
    name = re.escape(caption)
    heading = re.compile(r"\b(procedure|function|constructor|destructor)\s+%s\b[^;]*;([^;]*;){0,3}" % name, re.I)
    declared = [m.group(0) for m in heading.finditer(interface)]
    if any(re.search(r"\bexternal\b", d, re.I) for d in declared):
        return "external routine: no body"
    fragment = target.split("#", 1)[-1]
    qualified = re.search(r"\b(procedure|function|constructor|destructor)\s+\w+\s*\.\s*%s\b" % name,
                          implementation, re.I)
    if kind == "heading" and fragment.count("_") == 1 and qualified:
        return "method of a class the grammar did not read (linked as a unit-level routine)"
    if kind == "heading" and re.search(r"\b(procedure|function)\s+%s\b" % name, implementation, re.I) is None \
            and qualified is None:
        if re.search(r"\{\$i(nclude)?\s", implementation, re.I):
            return "no body in the file (an include file holds the implementation)"
        return "no body in the file (forward, conditional or abstract declaration)"
    if not implementation:
        return "unit without an implementation part (include file or program)"
    return "body present, its anchor has another name or is in a switched-off region"


def missed_links(keep, units):
    by_name = {u[0].lower(): u[2] for u in units}
    cache = {}
    groups = collections.defaultdict(list)
    for row in read_tsv(os.path.join(keep, "missed-links.txt")):
        kind, document, caption, target = (row + ["", "", "", ""])[:4]
        if not document.endswith(".html"):
            continue  # the RTF topic holds the same link
        page = target.split("#", 1)[0] or document
        path = by_name.get(page[:-5].lower())
        if path is None:
            groups[kind + ": target page of no unit"].append("%s %s -> %s" % (document, caption, target))
            continue
        if path not in cache:
            cache[path] = source_parts(path)
        cause = miss_cause(kind, target, caption, cache[path])
        groups[kind + ": " + cause].append("%s %s -> %s" % (document, caption, target))
    show("Links that did not land (HTML; each RTF topic holds the same)", groups, "links")


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    keep = sys.argv[1]
    units = read_tsv(os.path.join(keep, "units.tsv"))
    rows = read_tsv(os.path.join(keep, "interface-stops.tsv"))
    scanner_stops(rows)
    interface_stops(rows)
    missed_links(keep, units)
    return 0


if __name__ == "__main__":
    sys.exit(main())
