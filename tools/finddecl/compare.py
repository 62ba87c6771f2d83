#!/usr/bin/env python3
"""Compares the code browser's links with the Lazarus code tools' answers.

  compare.py [--every K] [--driver PATH] [--answers FILE] [--report FILE] TREE OUT

TREE is the folder given to `pas2html --site -o OUT TREE`. Every identifier in
the code of every K-th source of TREE (sorted by path) is asked of the driver
(its answers are kept in FILE, so a second run after a change of the browser
asks nothing again), and the link the page puts on that name is compared with
the declaration the code tools name. The figures go to standard output, every
disagreement to the report.
"""

import argparse
import functools
import html
import os
import re
import subprocess
import sys
from collections import Counter
from urllib.parse import unquote

SOURCES = (".pas", ".pp", ".p", ".lpr", ".dpr")
RESERVED = set("""
and array as asm begin case class const constructor destructor dispinterface div
do downto else end except exports file finalization finally for function goto
if implementation in inherited initialization inline interface is label library
mod nil not object of on operator or packed procedure program property raise
record repeat resourcestring set shl shr string then threadvar to try type unit
until uses var while with xor
""".split())


def identifiers(data):
    """Yields (line, byte column, name) of every identifier in code (1-based)."""
    line, start, i, n = 1, 0, 0, len(data)
    while i < n:
        c = data[i]
        if c == "\n":
            line, start, i = line + 1, i + 1, i + 1
        elif c == "{" or data.startswith("(*", i):
            opening, close = ("{", "}") if c == "{" else ("(*", "*)")
            j = data.find(close, i + len(opening))
            j = n if j < 0 else j
            line += data.count("\n", i, j)
            k = data.rfind("\n", i, j)
            start = k + 1 if k >= 0 else start
            i = j + len(close)
        elif data.startswith("//", i):
            j = data.find("\n", i)
            i = n if j < 0 else j
        elif c == "'":
            j = data.find("'", i + 1)
            k = data.find("\n", i + 1)
            i = n if j < 0 else (j + 1 if k < 0 or j < k else k)
        elif c.isalpha() or c == "_":
            j = i + 1
            while j < n and (data[j].isalnum() or data[j] == "_"):
                j += 1
            word = data[i:j]
            # "Result" and "Self" need no link.
            if word.lower() not in RESERVED and word.lower() not in ("result", "self"):
                yield line, i - start + 1, word
            i = j
        elif c.isdigit() or c in "#$%":
            j = i + 1
            while j < n and (data[j].isalnum() or data[j] in "._"):
                if data[j] == "." and data[j + 1 : j + 2] == ".":
                    break
                j += 1
            i = j
        else:
            i += 1


LINE = re.compile(r'<span class="ln" id="L(\d+)" data-n="\d+"></span>')
TAG = re.compile(r"<(/?)(\w+)([^>]*)>")
ATTR = re.compile(r'(\w+)="([^"]*)"')


def page_name(rel):
    folder, base = os.path.split(rel)
    return os.path.join(folder, base.replace(".", "_") + ".htm")


class Page:
    """A page's lines as the source's bytes, its anchors and its ids."""

    def __init__(self, path):
        raw = open(path, "rb").read()
        charset = "utf-8" if b"charset=utf-8" in raw[:400].lower() else "cp1251"
        self.charset = charset
        text = raw.decode(charset, errors="replace")
        body = text[text.find("<pre>") + 5 : text.rfind("</pre>")]
        self.lines = {}  # line -> bytes of its text
        self.anchors = {}  # (line, column) -> (href, id)
        self.ids = {}  # id -> (line, column)
        parts = LINE.split(body)
        for k in range(1, len(parts), 2):
            self.read_line(int(parts[k]), parts[k + 1])

    def read_line(self, number, markup):
        out, pos = b"", 0
        for m in TAG.finditer(markup):
            out += html.unescape(markup[pos : m.start()]).encode(self.charset, errors="replace")
            pos = m.end()
            if m.group(1) or m.group(2) not in ("a", "span"):
                continue
            attrs = dict(ATTR.findall(m.group(3)))
            column = len(out.rstrip(b"\n")) + 1
            if "id" in attrs:
                self.ids.setdefault(html.unescape(attrs["id"]), (number, column))
            if m.group(2) == "a":
                old = self.anchors.get((number, column), (None, None))
                href = attrs.get("href") and html.unescape(attrs["href"])
                self.anchors[(number, column)] = (href or old[0], attrs.get("id") or old[1])
        out += html.unescape(markup[pos:]).encode(self.charset, errors="replace")
        self.lines[number] = out.rstrip(b"\n").rstrip(b"\r")


class Site:
    def __init__(self, tree, out):
        self.tree, self.out, self.pages = tree, out, {}

    def page(self, rel_page):
        if rel_page not in self.pages:
            path = os.path.join(self.out, rel_page)
            self.pages[rel_page] = Page(path) if os.path.isfile(path) else None
        return self.pages[rel_page]

    def source_of(self, rel_page):
        """The source a page was written for, relative to the tree."""
        folder, base = os.path.split(rel_page)
        stem = base[: -len(".htm")]
        for name in os.listdir(os.path.join(self.tree, folder) if folder else self.tree):
            if name.replace(".", "_") == stem:
                return os.path.join(folder, name)
        return None

    def target(self, rel_page, href):
        """(source, line, column) a link leads to; column None for a unit's page."""
        path, _, ident = href.partition("#")
        target_page = os.path.normpath(os.path.join(os.path.dirname(rel_page), unquote(path))) if path else rel_page
        source = self.source_of(target_page)
        if not ident:
            return (source, None, None)
        page = self.page(target_page)
        place = page.ids.get(unquote(ident)) if page else None
        return (source, place[0], place[1]) if place else (source, -1, -1)


@functools.lru_cache(maxsize=64)
def source_lines(path):
    try:
        with open(path, "rb") as f:
            return f.read().decode("latin-1").split("\n")
    except OSError:
        return []


def word_at(tree, rel, line, column):
    lines = source_lines(os.path.join(tree, rel))
    text = lines[line - 1] if 0 < line <= len(lines) else ""
    m = re.match(r"&?(\w+)", text[column - 1 :])
    return m.group(1) if m else ""


def in_uses_clause(tree, rel, line, column):
    """Whether the place lies in a uses clause: "uses" since the last ";" before it."""
    lines = source_lines(os.path.join(tree, rel))
    if not 0 < line <= len(lines):
        return False
    text = "\n".join(lines[: line - 1] + [lines[line - 1][: column - 1]])
    text = re.sub(r"\{[^}]*\}|\(\*.*?\*\)|//[^\n]*", " ", text[-4000:], flags=re.S)
    return re.search(r"\buses\b", text[text.rfind(";") + 1 :], re.I) is not None


def ask(driver, tree, questions, answers_file):
    known = {}
    if answers_file and os.path.exists(answers_file):
        for row in open(answers_file, encoding="utf-8", errors="surrogateescape"):
            f = row.rstrip("\n").split("\t")
            known[(f[0], int(f[1]), int(f[2]))] = f[3:]
    todo = [q for q in questions if q not in known]
    if todo:
        dirs = sorted({os.path.dirname(os.path.join(tree, q[0])) for q in todo} |
                      {r for r, _, fs in os.walk(tree) if any(f.endswith(SOURCES + (".inc",)) for f in fs)})
        text = "".join(f"{f}\t{l}\t{c}\n" for f, l, c in todo)
        run = subprocess.run([driver] + dirs, input=text, cwd=tree, capture_output=True,
                             text=True, errors="surrogateescape", check=True)
        with open(answers_file or os.devnull, "a", encoding="utf-8", errors="surrogateescape") as keep:
            for row in run.stdout.splitlines():
                f = row.split("\t")
                known[(f[0], int(f[1]), int(f[2]))] = f[3:]
                keep.write(row + "\n")
    return known


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--every", type=int, default=1)
    ap.add_argument("--driver", default=os.path.join(os.path.dirname(__file__), "../../build/finddecl/finddecl"))
    ap.add_argument("--answers")
    ap.add_argument("--report", default=os.devnull)
    ap.add_argument("tree")
    ap.add_argument("out")
    a = ap.parse_args()
    tree = os.path.realpath(a.tree)
    site = Site(tree, a.out)
    sources = sorted(os.path.relpath(os.path.join(r, f), tree)
                     for r, _, fs in os.walk(tree) for f in fs if f.lower().endswith(SOURCES))
    sample = sources[:: a.every]
    questions, words, unmatched = [], {}, 0
    for rel in sample:
        page = site.page(page_name(rel))
        data = open(os.path.join(tree, rel), "rb").read().decode("latin-1")
        source_lines = data.split("\n")
        for line, column, word in identifiers(data):
            if page is None or page.lines.get(line) != source_lines[line - 1].rstrip("\r").encode("latin-1"):
                unmatched += 1
                continue
            questions.append((rel, line, column))
            words[(rel, line, column)] = word
    answers = ask(os.path.realpath(a.driver), tree, questions, a.answers)

    unit_names = {os.path.splitext(os.path.basename(s))[0].lower() for s in sources}
    count = Counter()
    report = open(a.report, "w", encoding="utf-8", errors="surrogateescape")
    for rel, line, column in questions:
        ct = answers.get((rel, line, column), ["!"])
        page = site.page(page_name(rel))
        href, ident = page.anchors.get((line, column), (None, None))
        mine = None
        if ident and href and ".refs." in href:
            mine = (rel, line, column)
        elif href:
            mine = site.target(page_name(rel), href)
        if ct[0] == "~":
            count["inactive"] += 1
            count["inactive, linked"] += mine is not None
            continue
        if ct[0].startswith("!") or ct[0] == "-":
            count["not found by the code tools"] += 1
            count["not found by the code tools, linked"] += mine is not None
            continue
        cfile = os.path.realpath(ct[0])
        cline, ccol = int(ct[1]), int(ct[2])
        inside = cfile.startswith(tree + os.sep)
        crel = os.path.relpath(cfile, tree) if inside else cfile
        if inside and crel.lower().endswith(SOURCES):
            # The browser gives a routine and its parameters their ids in their
            # first declaration and links the body's repeated header to it; the
            # code tools may stop at the body's: follow that link.
            target_page = page_name(crel)
            there = site.page(target_page)
            href_there, id_there = there.anchors.get((cline, ccol), (None, None)) if there else (None, None)
            if href_there and not id_there and (rel, line, column) != (crel, cline, ccol):
                followed = site.target(target_page, href_there)
                if followed[1]:
                    count["answers at a repeated header, moved to its first declaration"] += 1
                    crel, cline, ccol = followed
        if word_at(tree, crel, cline, ccol).lower() != words[(rel, line, column)].lower():
            # Low(T), High(T) and a property's "write" answered with another name's place.
            count["answered with another name"] += 1
            continue
        if (crel, cline, ccol) == (rel, line, column):
            count["declarations"] += 1
            count["declarations with an id"] += ident is not None
            continue
        # For a unit's name the code tools may stop at the uses clause that names it.
        at_uses = inside and in_uses_clause(tree, crel, cline, ccol)
        if mine and mine[1] is None:
            same = crel == mine[0] or at_uses  # a unit's page
        else:
            same = mine == (crel, cline, ccol)
        if at_uses and mine is None and words[(rel, line, column)].lower() not in unit_names:
            inside = False  # a unit outside the run
        if inside:
            kind = "include" if not crel.lower().endswith(SOURCES) else "unit"
            count["in the run"] += 1
            count[f"in the run ({kind})"] += 1
            count["in the run, linked"] += mine is not None
            count["in the run, linked, same"] += mine is not None and same
        else:
            count["outside the run"] += 1
            count["outside the run, linked"] += mine is not None
        if mine is None and inside or mine is not None and not same:
            what = "missing" if mine is None else "wrong"
            text = page.lines[line].decode(page.charset, errors="replace").strip()
            report.write(f"{what}\t{rel}:{line}:{column}\t{words[(rel, line, column)]}\tide={crel}:{cline}:{ccol}"
                         f"\tdwelk={mine and ':'.join(map(str, mine))}\t{text}\n")
    judged = count["in the run, linked"] + count["outside the run, linked"]
    print(f"sources sampled: {len(sample)} of {len(sources)} (every {a.every})")
    print(f"names asked: {len(questions)} (lines not matching their page, skipped: {unmatched})")
    for key in sorted(count):
        print(f"  {key}: {count[key]}")
    if count["in the run"]:
        print(f"linked share: {count['in the run, linked'] / count['in the run']:.2%}")
    if judged:
        print(f"same-declaration share: {count['in the run, linked, same'] / judged:.2%} of {judged} links judged")


if __name__ == "__main__":
    sys.exit(main())
