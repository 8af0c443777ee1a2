#!/usr/bin/env python3
"""Writes a Delphi project file that lists real Object Pascal units found on
this machine (Debian's fpc-source and lazarus-src), the way projects written
on Windows name them: `Name in 'path'`, some paths with "\" separators and
with letter case that differs from the file on disk. Only .pas files, and no
two with the same file name (a unit's registered name is its file name less
the extension, compared without regard to case). The choice is deterministic.

A file whose name is not a plain identifier (a dotted name such as
generics.collections.pas) or is a reserved word (string.pas) cannot be named in
a uses clause of the language these projects are written in, so it is left out.

With --delphi-mode the project lists instead every unit of fpc-source that
asks for Delphi mode ({$mode delphi} or {$mode delphiunicode}; .pas and .pp;
units, not programs),
Objective-Pascal ones (packages/cocoaint) included, one per file name.

usage: make_project.py [--count N | --all | --delphi-mode] [--manifest FILE] PROJECT.dpr
Prints the number of units listed and their total size on stdout; exits
with status 77 when neither package is installed. The
manifest has one line per unit: registered name, path as written, path on
disk, separated by tabs.
"""
import argparse
import os
import random
import re
import sys

ROOTS = [
    "/usr/share/fpcsrc",
    "/usr/lib/lazarus",
]

# The reserved words of the language (and the visibility words, which its
# scanner also treats as keywords): none of them can name a unit.
RESERVED = set("""
and array as asm begin case class const constructor destructor dispinterface div
do downto else end except exports file finalization finally for function goto
if implementation in inherited initialization inline interface is label library
mod nil not object of or out packed procedure program property raise record
repeat resourcestring set shl shr string stringresource then threadvar to try
type unit until uses var while with xor public published protected private
automated""".split())

# The exit status when neither package is installed (a test driver may skip).
NO_SOURCES = 77

IDENTIFIER = re.compile(r"[A-Za-z_][A-Za-z0-9_]*\Z")


def unit_name(path):
    """The file name less its extension (the path may use either separator)."""
    return os.path.splitext(path.replace("\\", "/").rsplit("/", 1)[-1])[0]


def nameable(path):
    name = unit_name(path)
    return IDENTIFIER.match(name) is not None and name.lower() not in RESERVED


def find_units():
    """Every .pas file under the roots, one per file name (first in sorted
    order), and the number of file names left out because no uses clause can
    name them."""
    seen = {}
    for root in ROOTS:
        if not os.path.isdir(root):
            continue
        for dirpath, dirnames, filenames in os.walk(root):
            dirnames.sort()
            for name in sorted(filenames):
                if not name.lower().endswith(".pas"):
                    continue
                key = name.lower()
                path = os.path.join(dirpath, name)
                if key not in seen and os.path.isfile(path) and not os.path.islink(path):
                    seen[key] = path
    paths = [seen[k] for k in sorted(seen)]
    kept = [p for p in paths if nameable(p)]
    return kept, len(paths) - len(kept)


DELPHI_MODE = re.compile(rb"\{\$mode\s+delphi(unicode)?\s*\}", re.I)
UNIT_HEADING = re.compile(rb"^\s*unit\s+[A-Za-z_]", re.I | re.M)


def find_delphi_mode_units():
    """fpc-source's units (not programs) that ask for Delphi mode, one per file name (first
    in sorted order), nameable in a uses clause."""
    seen = {}
    root = ROOTS[0]
    for dirpath, dirnames, filenames in os.walk(root):
        dirnames.sort()
        for name in sorted(filenames):
            if not name.lower().endswith((".pas", ".pp")):
                continue
            path = os.path.join(dirpath, name)
            key = unit_name(name).lower()
            if key in seen or not os.path.isfile(path) or os.path.islink(path) or not nameable(path):
                continue
            with open(path, "rb") as f:
                text = f.read()
                if DELPHI_MODE.search(text) and UNIT_HEADING.search(text):
                    seen[key] = path
    return [seen[k] for k in sorted(seen)], 0


def spread(paths, count):
    """count paths taken evenly over the sorted list, so many directories are represented."""
    if count >= len(paths):
        return list(paths)
    step = len(paths) / count
    return [paths[int(i * step)] for i in range(count)]


def windows_style(path, rng):
    """Backslashes, and a letter case that differs from the disk in some components."""
    parts = path.split("/")
    out = []
    for p in parts:
        r = rng.random()
        if p and r < 0.25:
            p = p.upper()
        elif p and r < 0.5:
            p = p[:1].upper() + p[1:]
        out.append(p)
    return "\\".join(out)


def quote(path):
    return "'" + path.replace("'", "''") + "'"


def write_project(project, entries):
    lines = ["program Acceptance;", "", "uses"]
    for i, (name, written, _) in enumerate(entries):
        sep = "," if i + 1 < len(entries) else ";"
        lines.append("  %s in %s%s" % (name, quote(written), sep))
    lines += ["", "begin", "end."]
    with open(project, "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")


def write_manifest(manifest, entries):
    with open(manifest, "w", newline="") as f:
        for _, written, path in entries:
            f.write("%s\t%s\t%s\n" % (unit_name(written), written, path))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--count", type=int, default=300)
    ap.add_argument("--all", action="store_true", help="every unit found (one per file name)")
    ap.add_argument("--delphi-mode", action="store_true", help="fpc-source's Delphi-mode units")
    ap.add_argument("--seed", type=int, default=7)
    ap.add_argument("--manifest", help="also write the list of units to this file")
    ap.add_argument("project")
    a = ap.parse_args()
    units, left_out = find_delphi_mode_units() if a.delphi_mode else find_units()
    if not units:
        print("make_project.py: no .pas units under " + " or ".join(ROOTS) +
              " (install fpc-source and lazarus-src: scripts/setup.sh)", file=sys.stderr)
        sys.exit(NO_SOURCES)
    chosen = units if a.all or a.delphi_mode else spread(units, a.count)
    rng = random.Random(a.seed)
    # The name before `in` is the file's name on disk; every third path is
    # written as on Windows, so its registered name may differ in case.
    entries = [(unit_name(p), windows_style(p, rng) if i % 3 == 0 else p, p)
               for i, p in enumerate(chosen)]
    write_project(a.project, entries)
    if a.manifest:
        write_manifest(a.manifest, entries)
    total = sum(os.path.getsize(p) for p in chosen)
    print("%d units, %d bytes (%d file names left out: not identifiers or reserved words)"
          % (len(chosen), total, left_out))


if __name__ == "__main__":
    main()
