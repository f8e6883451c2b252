#!/usr/bin/env python3
"""Triangles our readers load, per VRML file, beside a reference reader's.

usage: reference_triangles.py QUORVEL REFERENCE_TSV CORPUS_DIR

REFERENCE_TSV lists "file<TAB>reference triangles" (ERR where the reference
refused the file), as written by a reader such as Coin3D's SoCallbackAction
triangle count. Our count is indices - 3 x faces over the objects that
`QUORVEL --info` lists (each face of n corners is n - 2 triangles), less
the line and point sets (objects listed as wireframe or point set), which
hold no triangles, as in the reference. Prints one line per
file and a summary: files that match exactly and within 1%.
"""
import re
import subprocess
import sys


def ours(quorvel, path):
    try:
        out = subprocess.run([quorvel, "--info", path], capture_output=True, text=True, timeout=120).stdout
    except subprocess.TimeoutExpired:
        return None, []
    skipped = [l.strip() for l in out.splitlines() if l.strip().endswith("not read")]
    lines = out.splitlines()
    first = next((i for i, l in enumerate(lines) if re.match(r"\s*objects: \d+", l)), None)
    if first is None:
        return None, skipped
    tris = 0
    for l in lines[first + 1:]:
        if re.match(r"\s*lights: ", l):
            break
        m = re.search(r": points \d+, faces (\d+), indices (\d+)", l)
        # Line and point sets (drawn as wireframe) hold no triangles.
        if m and ", wireframe" not in l and ", point set" not in l:
            tris += int(m.group(2)) - 3 * int(m.group(1))
    return tris, skipped


def main():
    quorvel, tsv, corpus = sys.argv[1:4]
    exact = close = total = 0
    for line in open(tsv, encoding="utf-8"):
        if line.startswith("#") or not line.strip():
            continue
        cols = line.rstrip("\n").split("\t")
        rel, ref = cols[0], cols[1]
        if ref == "ERR":
            continue
        ref = int(ref)
        got, skipped = ours(quorvel, corpus + "/" + rel)
        total += 1
        if got == ref:
            exact += 1
        if got is not None and abs(got - ref) <= max(1, ref // 100):
            close += 1
        mark = "=" if got == ref else "~" if got is not None and abs(got - ref) <= max(1, ref // 100) else "!"
        print("%s %8s %8s  %s  %s" % (mark, ref, got, rel, "; ".join(skipped)))
    print("files: %d, exact: %d, within 1%%: %d" % (total, exact, close))


if __name__ == "__main__":
    main()
