#!/usr/bin/env python3
"""Triangles our readers load, per VRML file, beside a reference reader's.

usage: reference_triangles.py QUORVEL REFERENCE_TSV CORPUS_DIR

REFERENCE_TSV lists "file<TAB>reference triangles" (ERR where the reference
refused the file), as written by a reader such as Coin3D's SoCallbackAction
triangle count (bench/peer/reference_table.sh writes such a table). Where
its header names a column "reference text triangles", that column gives
how many of the reference's triangles are glyphs of Text / AsciiText.
Our count is indices - 3 x faces over the objects that `QUORVEL --info`
lists (each face of n corners is n - 2 triangles), less the line and
point sets (objects listed as wireframe or point set), which hold no
triangles, as in the reference; objects listed as text are our glyphs.

Prints one line per file and a summary: files that match exactly and
within 1%. Files with text that are not within 1% are reported apart:
glyph triangles depend on the font drawn, so such a file counts as a text
file when its other triangles are within 1% of the reference's, and as
text within 10% when its total is also within 10%.
"""
import re
import subprocess
import sys


def ours(quorvel, path):
    """(triangles, glyph triangles, "not read" lines); triangles None when refused."""
    try:
        out = subprocess.run([quorvel, "--info", path], capture_output=True, text=True, timeout=120).stdout
    except subprocess.TimeoutExpired:
        return None, 0, []
    skipped = [l.strip() for l in out.splitlines() if l.strip().endswith("not read")]
    lines = out.splitlines()
    first = next((i for i, l in enumerate(lines) if re.match(r"\s*objects: \d+", l)), None)
    if first is None:
        return None, 0, skipped
    tris = text = 0
    for l in lines[first + 1:]:
        if re.match(r"\s*lights: ", l):
            break
        m = re.search(r": points \d+, faces (\d+), indices (\d+)", l)
        # Line and point sets (drawn as wireframe) hold no triangles.
        if m and ", wireframe" not in l and ", point set" not in l:
            n = int(m.group(2)) - 3 * int(m.group(1))
            tris += n
            if l.rstrip().endswith(", text"):
                text += n
    return tris, text, skipped


def near(a, b, percent):
    return abs(a - b) <= max(1, b * percent // 100)


def main():
    quorvel, tsv, corpus = sys.argv[1:4]
    exact = close = total = 0
    text_files = text_close = text_unknown = 0
    text_col = None
    for line in open(tsv, encoding="utf-8"):
        if line.startswith("#"):
            heads = line.lstrip("#").rstrip("\n").split("\t")
            for i, h in enumerate(heads):
                if h.strip().startswith("reference text triangles"):
                    text_col = i
            continue
        if not line.strip():
            continue
        cols = line.rstrip("\n").split("\t")
        rel, ref = cols[0], cols[1]
        if ref == "ERR":
            continue
        ref = int(ref)
        ref_text = None
        if text_col is not None and text_col < len(cols) and cols[text_col].strip():
            ref_text = int(cols[text_col])
        got, got_text, skipped = ours(quorvel, corpus + "/" + rel)
        total += 1
        note = "; ".join(skipped)
        if got == ref:
            mark = "="
            exact += 1
            close += 1
        elif got is not None and near(got, ref, 1):
            mark = "~"
            close += 1
        elif got is not None and (got_text or ref_text):
            # Off, with text: the glyphs apart from the rest.
            if ref_text is None:
                mark = "t?"
                text_unknown += 1
                note = "text: ours %d, reference unknown%s" % (got_text, "; " + note if note else "")
            elif near(got - got_text, ref - ref_text, 1):
                mark = "t"
                text_files += 1
                if near(got, ref, 10):
                    text_close += 1
                    mark = "t~"
                note = "text: ours %d, reference %d; other: ours %d, reference %d%s" % (
                    got_text, ref_text, got - got_text, ref - ref_text, "; " + note if note else "")
            else:
                mark = "!"
                note = "text: ours %d, reference %d%s" % (got_text, ref_text, "; " + note if note else "")
        else:
            mark = "!"
        print("%-2s %8s %8s  %s  %s" % (mark, ref, got, rel, note))
    print("files: %d, exact: %d, within 1%%: %d" % (total, exact, close))
    print("text files off only by their glyphs (other triangles within 1%%): %d, of which within 10%%: %d"
          % (text_files, text_close))
    if text_unknown:
        print("files off with text, the reference's text triangles not in the table: %d" % text_unknown)
    print("within 1%%, or text files within 10%%: %d of %d" % (close + text_close, total))


if __name__ == "__main__":
    main()
