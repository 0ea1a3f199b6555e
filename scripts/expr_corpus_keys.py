#!/usr/bin/env python3
"""The key and FOR expressions of every index file in the test corpus, with the keys an
independent reader (DBD::XBase, through /work/shared/tools/dbf-oracle.sh -t xbase) finds in
them, written as the golden file of tests/data/expr/expr_corpus_test.cpp.

    python3 scripts/expr_corpus_keys.py [--oracle PATH] [--out tests/data/expr/corpus_keys.tsv]

The expressions and tag names are read here from the index headers (CDX tag directory and tag
headers, NTX header: docs/formats/cdx.md and ntx.md); the keys and their record numbers come
from the reader. Output, one block per tag:

    =TABLE<TAB>INDEX<TAB>TAG<TAB>KEYLEN<TAB>OPTIONS<TAB>KEY EXPRESSION<TAB>FOR EXPRESSION
    RECNO<TAB>KEY BYTES IN HEX

TABLE and INDEX are relative to tests/data/corpus; TAG is "-" for an NTX file; OPTIONS is the
CDX option byte in hex (00 for NTX). Key bytes are as the reader shows them: trailing fill
bytes (blanks of character keys, zeros of binary ones) removed. Run it again after the corpus
changes; the tests need only its output.
"""

import argparse
import os
import re
import struct
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, "tests", "data", "corpus")


def cdx_header(data, offset):
    h = data[offset:offset + 1024]
    key_len = struct.unpack_from("<H", h, 12)[0]
    options = h[14]
    for_len = struct.unpack_from("<H", h, 506)[0]
    key_pool = struct.unpack_from("<H", h, 510)[0]
    pool = h[512:1024]
    key = pool[:max(0, key_pool - 1)].decode("latin-1")
    fexpr = pool[key_pool:key_pool + max(0, for_len - 1)].decode("latin-1")
    root = struct.unpack_from("<I", h, 0)[0]
    return key_len, options, key, fexpr, root


def compact_leaf(data, offset, key_len):
    """(key bytes, record number) of every entry of a compact leaf node."""
    node = data[offset:offset + 512]
    attributes, count = struct.unpack_from("<HH", node, 0)
    if not attributes & 2:
        raise ValueError("tag directory at %d is not a single leaf" % offset)
    rec_mask = struct.unpack_from("<I", node, 14)[0]
    dup_mask, trail_mask, rb, db, _tb, width = node[18], node[19], node[20], node[21], node[22], node[23]
    entries, previous, cursor = [], b"", 512
    for i in range(count):
        v = int.from_bytes(node[24 + i * width:24 + (i + 1) * width], "little")
        rec = v & rec_mask
        dup = (v >> rb) & dup_mask
        trail = (v >> (rb + db)) & trail_mask
        stored = key_len - dup - trail
        cursor -= stored
        key = previous[:dup] + node[cursor:cursor + stored] + b" " * trail
        entries.append((key, rec))
        previous = key
    return entries


def cdx_tags(path):
    data = open(path, "rb").read()
    _klen, _opt, _k, _f, root = cdx_header(data, 0)
    for name, offset in compact_leaf(data, root, 10):
        key_len, options, key, fexpr, _root = cdx_header(data, offset)
        yield name.decode("latin-1").rstrip(), key_len, options, key, fexpr


def ntx_tags(path):
    data = open(path, "rb").read()
    key_len = struct.unpack_from("<H", data, 14)[0]
    key = data[22:278].split(b"\0")[0].decode("latin-1")
    yield "-", key_len, 0, key, ""


def unescape(text):
    out, i = bytearray(), 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text):
            n = text[i + 1]
            if n == "x":
                out.append(int(text[i + 2:i + 4], 16))
                i += 4
                continue
            out += {"r": b"\r", "n": b"\n", "t": b"\t"}.get(n, n.encode("latin-1"))
            i += 2
            continue
        out += c.encode("latin-1")
        i += 1
    return bytes(out)


def oracle_keys(oracle, table):
    """{(index file name lower case, tag): [(recno, key bytes), ...]} in the reader's order."""
    run = subprocess.run([oracle, "-t", "xbase", table], capture_output=True, text=True,
                         encoding="latin-1", check=True)
    keys, current = {}, None
    for line in run.stdout.splitlines():
        m = re.match(r"^index: (\S+) tag (\S+) keys \d+$", line)
        if m:
            current = (m.group(1).lower(), m.group(2))
            if current in keys:  # the summary repeats the headings
                current = None
            else:
                keys[current] = []
            continue
        m = re.match(r"^  (.*) -> (\d+)$", line)
        if m and current is not None:
            keys[current].append((int(m.group(2)), unescape(m.group(1))))
        elif not line.startswith("  "):
            current = None
    return keys


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--oracle", default="/work/shared/tools/dbf-oracle.sh")
    ap.add_argument("--out", default=os.path.join(ROOT, "tests", "data", "expr", "corpus_keys.tsv"))
    args = ap.parse_args()
    lines = ["# Key and FOR expressions of the corpus index files with the keys DBD::XBase reads",
             "# from them. Made by scripts/expr_corpus_keys.py; do not edit."]
    for dirpath, _dirs, files in sorted(os.walk(CORPUS)):
        for f in sorted(files):
            ext = os.path.splitext(f)[1].lower()
            if ext not in (".cdx", ".ntx"):
                continue
            index = os.path.join(dirpath, f)
            base = os.path.splitext(index)[0]
            table = next((base + e for e in (".dbf", ".DBF") if os.path.exists(base + e)), None)
            if table is None:
                continue
            keys = oracle_keys(args.oracle, table)
            tags = cdx_tags(index) if ext == ".cdx" else ntx_tags(index)
            for tag, key_len, options, key, fexpr in tags:
                entries = keys.get((f.lower(), tag))
                if entries is None:
                    sys.exit("the reader lists no tag %s in %s" % (tag, index))
                lines.append("=%s\t%s\t%s\t%d\t%02x\t%s\t%s" % (
                    os.path.relpath(table, CORPUS), os.path.relpath(index, CORPUS), tag,
                    key_len, options, key, fexpr))
                for rec, k in entries:
                    lines.append("%d\t%s" % (rec, k.hex()))
    with open(args.out, "w", encoding="latin-1", newline="\n") as out:
        out.write("\n".join(lines) + "\n")
    print("wrote", args.out)


if __name__ == "__main__":
    main()
