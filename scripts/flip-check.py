#!/usr/bin/env python3
"""Runs pas2html over a tree while another thread keeps flipping one of its names, and counts
what a run must never do: write outside the tree, put outside text into a page, or hang.

    scripts/flip-check.py [RUNS] [path/to/pas2html]

Flips, RUNS runs each (300 by default): a page between a regular file and a link out of the
tree; an output subfolder between a folder and a link out; a linked source between a file of
the tree and a file outside. Exits 1 when any count is not 0."""

import os
import shutil
import subprocess
import sys
import tempfile
import threading

RUNS = int(sys.argv[1]) if len(sys.argv) > 1 else 300
BIN = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else
                      os.path.join(os.path.dirname(__file__), "../build/bin/pas2html"))
SECRET = "secret outside text"


def make_tree(root):
    for folder in ("src", "src/sub", "outside", "out/sub"):
        os.makedirs(os.path.join(root, folder), exist_ok=True)
    for i in range(40):
        with open(os.path.join(root, f"src/u{i}.pas"), "w") as f:
            f.write(f"unit u{i};\ninterface\nimplementation\nend.\n" * 20)
        with open(os.path.join(root, f"src/sub/s{i}.pas"), "w") as f:
            f.write(f"unit s{i};\n" * 20)
    with open(os.path.join(root, "outside/key.pas"), "w") as f:
        f.write(SECRET + "\n")
    with open(os.path.join(root, "outside/victim"), "w") as f:
        f.write("victim\n")


def replace_with_link(target, path):
    temporary = path + ".flip"
    os.symlink(target, temporary)
    os.replace(temporary, path)


def flip_page(root, stop):
    page = os.path.join(root, "src/u7_pas.htm")
    while not stop.is_set():
        replace_with_link("../outside/victim", page)
        with open(page + ".new", "w") as f:
            f.write("page\n")
        os.replace(page + ".new", page)


def flip_folder(root, stop):
    sub, real = os.path.join(root, "out/sub"), os.path.join(root, "out/sub.real")
    while not stop.is_set():
        try:
            os.rename(sub, real)
            os.symlink("../outside", sub)
            os.unlink(sub)
            os.rename(real, sub)
        except OSError:
            pass  # pas2html made the folder again meanwhile


def flip_link(root, stop):
    link = os.path.join(root, "src/linked.pas")
    while not stop.is_set():
        replace_with_link("u1.pas", link)
        replace_with_link(os.path.join(root, "outside/key.pas"), link)


def outside_state(root):
    folder = os.path.join(root, "outside")
    state = {}
    for base, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(base, name)
            with open(path, "rb") as f:
                state[os.path.relpath(path, folder)] = f.read()
    return state


def pages_with_secret(root):
    found = 0
    for folder in ("src", "out"):
        for base, _, files in os.walk(os.path.join(root, folder)):
            for name in files:
                path = os.path.join(base, name)
                if name.endswith(".htm") and not os.path.islink(path):
                    with open(path, "rb") as f:
                        found += SECRET.encode() in f.read()
    return found


def check(name, flipper, args):
    root = tempfile.mkdtemp(prefix="flip-")
    try:
        make_tree(root)
        if flipper is flip_link:
            os.symlink("u1.pas", os.path.join(root, "src/linked.pas"))
        before = outside_state(root)
        outside_writes = secrets = hangs = exits = 0
        stop = threading.Event()
        thread = threading.Thread(target=flipper, args=(root, stop))
        thread.start()
        try:
            for _ in range(RUNS):
                try:
                    result = subprocess.run([BIN, "-q", "-j", "4"] + args, cwd=root,
                                            timeout=60, stdout=subprocess.DEVNULL,
                                            stderr=subprocess.DEVNULL)
                    exits += result.returncode not in (0, 1)
                except subprocess.TimeoutExpired:
                    hangs += 1
                outside_writes += outside_state(root) != before
                secrets += pages_with_secret(root) > 0
                before = outside_state(root)
        finally:
            stop.set()
            thread.join()
        print(f"{name:<34} runs {RUNS}: writes outside {outside_writes}, outside text in a "
              f"page {secrets}, hangs {hangs}, other exits {exits}")
        return outside_writes + secrets + hangs + exits
    finally:
        shutil.rmtree(root, ignore_errors=True)


bad = check("page <-> link out", flip_page, ["src"])
bad += check("output subfolder <-> link out", flip_folder, ["-o", "out", "src"])
bad += check("linked source <-> outside file", flip_link, ["-o", "out", "src"])
bad += check("the same, with the code browser", flip_link, ["--site", "-o", "out", "src"])
sys.exit(1 if bad else 0)
