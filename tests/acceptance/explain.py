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

VISIBILITY = {"public", "private", "protected", "published", "automated"}


DIRECTIVES = r"\b(overload|reintroduce|inline|static|deprecated|final|platform|experimental|noreturn)\b"


def interface_cause(token, line):
    t, low = token.lower(), line.lower()
    prop = re.search(r"\bproperty\b", low)
    rules = [
        (t in ("external", "name") or re.search(r"\bexternal\b", low), "external routine or variable"),
        (t in ("location", "syscall") or re.search(r"\bsyscall\b", low),
         "Amiga-style syscall or register location (location 'a0')"),
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
        (t == "end" and low.strip().startswith("end."), "unit without an implementation part"),
        (re.search(r"\b(bit)?packed\b", low), "packed record, set or class"),
        (re.search(r"\bclass\s+of\b", low), "class reference type (class of)"),
        (re.search(r"=\s*class\s*\([^)]*,", low), "class implementing interfaces (second ancestor)"),
        (prop and t == "string", "property of type string"),
        (prop, "other property form (no type, index, default value, implements ...)"),
        (re.search(r"array\s+of\s+const\b", low), "open array of const"),
        (t == "=" and re.search(r"\b(procedure|function|constructor)\b|\(.*:\s*[\w.]+\s*=", low),
         "default parameter value"),
        (re.search(DIRECTIVES, low), "routine directive the grammar does not read (overload, inline ...)"),
        (t in VISIBILITY, "visibility word where the class rule does not expect it"),
        (t == "threadvar", "threadvar section"),
        (t == "." and re.search(r"^\s*(uses\b)?[\w\s,.{}$]*$", low), "dotted unit name in a uses clause"),
        (t == ".", "qualified name (Unit.Name) in a declaration"),
        (t == "of" and re.search(r"\bcase\b", low), "variant part without a tag name (case Integer of)"),
        (t == "type", "distinct type (X = type Y)"),
        (t == "#", "character code in hexadecimal (#$0D)"),
        (t == "=" and re.search(r"^\s*\w+\s*=\s*[-\w$]+\s*,", low), "enumeration with assigned values"),
        (re.search(r"=\s*(procedure|function)\b", low), "procedural type (calling convention, of object ...)"),
        (t == ")" and re.search(r"\(\s*\)", low), "empty parameter list ()"),
        (t in (",", ":", ")") and re.search(r"=\s*\(|^\s*[('#\d-]", low) or (t == ":" and "=" not in low),
         "typed constant with an array or record value"),
        (re.search(r":\s*[\w.^]+\s*=", low) or re.search(r"^\s*(const\s+)?\w+\s*=.*\(", low),
         "constant with a call, cast or structured value"),
        (t in ("const", "var", "out") and re.search(r"\(", low) or re.search(r"\bconstref\b", low),
         "parameter form (constref, untyped const ...)"),
        (re.search(r"\bstring\s*\[\s*[a-z_]", low), "string length given by a constant name"),
        (re.match(r"\w+$", t) and re.match(r"^\s*[\w.]+\s*(,\s*[\w.]+\s*)*[,;]?\s*$", low),
         "a list of names where none is expected: alternatives of nested conditionals both read "
         "(one skipping flag, no nesting count)"),
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

def without_comments(text):
    """The text with brace, star and line comments blanked out, their line
    ends kept (strings are not tracked: good enough to find headings)."""
    return re.sub(r"\{[^}]*\}|\(\*.*?\*\)|//[^\n]*", lambda m: " " + "\n" * m.group(0).count("\n"),
                  text, flags=re.S)


HEADING = r"\b(?:procedure|function|constructor|destructor)\s+"


class TUnitSource:
    """What the miss explanations need of one unit, indexed once: its
    interface headings with the directives after them, and its implementation
    headings with their qualifier and line."""

    def __init__(self, path):
        raw = open(path, encoding="latin-1").read()
        self.includes = re.search(r"\{\$i(nclude)?\s", raw, re.I) is not None
        text = without_comments(raw)
        m = re.search(r"^\s*implementation\b", text, re.I | re.M)
        interface, implementation = (text, "") if m is None else (text[:m.start()], text[m.start():])
        self.has_implementation = bool(implementation)
        self.directives = collections.defaultdict(list)
        for h in re.finditer(HEADING + r"(\w+)(?=(\s*(\([^)]*\))?[^;]*;([^;]*;){0,3}))", interface, re.I):
            self.directives[h.group(1).lower()].append(h.group(2).lower())
        self.bodies = collections.defaultdict(list)
        first_line = interface.count("\n") + 1
        for h in re.finditer(HEADING + r"(?:(\w+)\s*\.\s*)?(\w+)", implementation, re.I):
            line = first_line + implementation.count("\n", 0, h.start())
            self.bodies[h.group(2).lower()].append((h.group(1), line))


def miss_cause(kind, target, caption, source, unit, stop_line):
    name = caption.lower()
    directives = " ".join(source.directives.get(name, []))
    if re.search(r"\bexternal\b", directives):
        return "external routine: no body"
    if re.search(r"\babstract\b", directives):
        return "abstract method: no body"
    if not source.has_implementation:
        return "unit without an implementation part (include file or program)"
    fragment = target.split("#", 1)[-1].lower()
    member = fragment[len(unit) + 1:] if fragment.startswith(unit.lower() + "_") else fragment
    bodies = source.bodies.get(name, [])
    if stop_line and bodies and min(line for _, line in bodies) > stop_line:
        return "body after the place where scanning stopped"
    if member == name and bodies and all(q for q, _ in bodies):
        return "method of a class the grammar did not read (recorded or linked as a unit-level routine)"
    if not bodies:
        if source.includes:
            return "no body in the file (an include file holds the implementation)"
        return "no body in the file (forward or conditional declaration)"
    return "body present but not anchored (in a switched-off region, or a heading the grammar fails on)"


def missed_links(keep, units, rows):
    stops = {r[0].lower(): int(r[9]) for r in rows if int(r[8]) in (3, 5, 7)}
    by_name = {u[0].lower(): u[2] for u in units}
    sources, causes = {}, {}
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
        if path not in sources:
            sources[path] = TUnitSource(path)
        key = (path, kind, target, caption)
        if key not in causes:
            causes[key] = miss_cause(kind, target, caption, sources[path], page[:-5],
                                     stops.get(page[:-5].lower()))
        cause = causes[key]
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
    missed_links(keep, units, rows)
    return 0


if __name__ == "__main__":
    sys.exit(main())
