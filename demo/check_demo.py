#!/usr/bin/env python3
"""Checks the demo installation: files up to date, read alike by the independent readers and by
our own table layer, index tags in key order.

    python3 demo/check_demo.py --oracle PATH [--dbf-dump PATH] [--keep DIR]

--oracle    the independent readers' dump script (required; called as: bash PATH -q -o OUTDIR TABLE)
--dbf-dump  our own dump tool (tests/data/formats/dbf_dump of a native build); left out when not given
--keep      keep the readers' dumps below DIR

For every table the intended content (what make_demo.py put in) is written in the readers'
normalised dump form and compared value by value with every reader. Differences that come from a
reader's known limits (types it does not decode, '' versus null, leading blanks it drops, text it
decodes as UTF-8, ...) are counted as explained; anything else is reported as a disagreement and
makes the exit status 1.
"""

import argparse
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import tempfile
from decimal import Decimal

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.dont_write_bytecode = True
import make_demo  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))

# Field types a reader does not decode (it shows raw bytes, the block number or nothing).
UNSUPPORTED = {
    "nodedbf": set("LMIYBT"),
    "gdal": set("MIYBT"),
    "dbfdump": set("MIYBT"),
    "dbview": set("MIYBT"),
}
# Readers that leave deleted records out.
SKIP_DELETED = {"pgdbf", "gdal"}
# Readers that give deleted records without values.
DELETED_WITHOUT_VALUES = {"ruby"}
# Readers that list the live records first and the deleted ones after them.
LIVE_FIRST = {"dbfread"}


# ----------------------------------------------------------------------------------------------
# Normalised value form of the readers' dumps.
# ----------------------------------------------------------------------------------------------

def esc(raw):
    out = []
    for b in raw:
        if b == 0x7C:
            out.append("\\|")
        elif b == 0x5C:
            out.append("\\\\")
        elif b == 9:
            out.append("\\t")
        elif b == 10:
            out.append("\\n")
        elif b == 13:
            out.append("\\r")
        elif 0x20 <= b < 0x7F:
            out.append(chr(b))
        else:
            out.append("\\x%02x" % b)
    return "".join(out)


def text_form(raw):
    raw = raw.rstrip(b" ")
    if len(raw) > 100:
        return "<%d bytes sha1:%s>" % (len(raw), hashlib.sha1(raw).hexdigest()[:12])
    return esc(raw)


def canon(d):
    d = Decimal(d)
    if d == 0:
        return "0"
    t = format(d.normalize(), "f")
    if "." in t:
        t = t.rstrip("0").rstrip(".")
    return t


def expected_value(field, value, codec):
    t = field.type
    if t in "CM":
        if not value:
            return "" if t == "C" else "\\N"
        return text_form(value.encode(codec))
    if value is None:
        return "\\N"
    if t in "NYI":
        return canon(value)
    if t == "B":
        return canon(repr(float(value)))
    if t == "D":
        return value.isoformat()
    if t == "T":
        return value.strftime("%Y-%m-%dT%H:%M:%S")
    if t == "L":
        return "T" if value else "F"
    raise ValueError(t)


def split_values(text):
    vals, cur, i = [], [], 0
    while i < len(text):
        ch = text[i]
        if ch == "\\" and i + 1 < len(text):
            cur.append(text[i:i + 2])
            i += 2
            continue
        if ch == "|":
            vals.append("".join(cur))
            cur = []
        else:
            cur.append(ch)
        i += 1
    vals.append("".join(cur))
    return vals


class Dump:
    def __init__(self, path):
        self.tool, self.fields, self.count, self.rows, self.error = "?", [], None, [], None
        with open(path, encoding="utf-8", errors="replace") as fh:
            for line in fh.read().split("\n"):
                if line.startswith("tool: "):
                    self.tool = line[6:]
                elif line.startswith("fields: "):
                    self.fields = [f.split() for f in line[8:].split(" | ")]
                elif line.startswith("count: "):
                    c = line[7:].strip()
                    self.count = int(c) if c.isdigit() else None
                elif line.startswith("error") or line.startswith("ERROR"):
                    self.error = line
                elif line and line[0] in "?0123456789" and " " in line:
                    recno, rest = line.split(" ", 1)
                    if len(rest) >= 2 and rest[0] in "-*?" and rest[1] == " ":
                        self.rows.append((rest[0], split_values(rest[2:])))
                    elif rest in ("-", "*", "?"):
                        self.rows.append((rest, []))


# ----------------------------------------------------------------------------------------------
# Comparison.
# ----------------------------------------------------------------------------------------------

def classify(reader, ftype, exp, got):
    if reader in UNSUPPORTED and ftype in UNSUPPORTED[reader]:
        return "type %s not decoded by this reader" % ftype
    if exp in ("", "\\N") and got in ("", "\\N"):
        return "'' versus null"
    if got.startswith("<error"):
        return "reader error " + got
    if got == exp.lstrip(" "):
        return "leading blanks dropped"
    if "\\xef\\xbf\\xbd" in got:
        return "text decoded as UTF-8"
    if got == "\\N" and exp.replace("\\r", "").replace("\\n", "").replace("\\t", "").strip() == "":
        return "white-space-only value read as empty"
    if ftype == "C" and exp.replace("\\t", "").strip() == "" and got in ("", "\\N"):
        return "TAB-only text read as empty"
    if ftype == "N" and exp == "\\N" and got == "0":
        return "blank number read as 0"
    return None


class Report:
    def __init__(self):
        self.failures = 0
        self.lines = []

    def say(self, text=""):
        self.lines.append(text)
        print(text)

    def fail(self, text):
        self.failures += 1
        self.say("    DISAGREE " + text)


def compare_dump(rep, table, dump, reader):
    fields = table.fields
    expected = [(deleted, [expected_value(f, v, table.codec) for f, v in zip(fields, values)])
                for deleted, values in table.records]
    if dump.error or (dump.count is None and not dump.rows):
        rep.say("  %-8s cannot read it: %s" % (reader, dump.error or "no output"))
        return False
    names = [f[0] for f in dump.fields if f and f[0] != "_NullFlags"]
    if names[:len(fields)] != [f.name for f in fields]:
        rep.fail("%s: field names %s" % (reader, names))
        return True
    if reader in ("dbfread", "tabrix"):
        want = [[f.name, f.type, str(f.length), str(f.dec)] for f in fields]
        if dump.fields != want:
            rep.fail("%s: field list %s" % (reader, dump.fields))
    if reader in SKIP_DELETED:
        expected = [e for e in expected if not e[0]]
    if reader in LIVE_FIRST:
        expected = [e for e in expected if not e[0]] + [e for e in expected if e[0]]
    if len(dump.rows) != len(expected):
        rep.fail("%s: %d records, expected %d" % (reader, len(dump.rows), len(expected)))
        return True
    same = 0
    explained = {}
    bad = []
    for n, ((deleted, evals), (flag, gvals)) in enumerate(zip(expected, dump.rows), 1):
        if flag != "?" and (flag == "*") != deleted:
            bad.append("record %d: deletion flag %s" % (n, flag))
        if deleted and reader in DELETED_WITHOUT_VALUES and not any(gvals):
            explained["deleted record without values"] = \
                explained.get("deleted record without values", 0) + 1
            continue
        gvals = gvals[:len(fields)] if len(gvals) > len(fields) else gvals
        if len(gvals) != len(fields):
            gvals = [v for v, f in zip(gvals, dump.fields) if f[0] != "_NullFlags"]
        for f, e, g in zip(fields, evals, gvals):
            if e == g:
                same += 1
                continue
            why = classify(reader, f.type, e, g)
            if why:
                key = "%s (%s)" % (why, f.name)
                explained[key] = explained.get(key, 0) + 1
            else:
                bad.append("record %d %s: expected %r, reader %r" % (n, f.name, e, g))
    rep.say("  %-8s %5d values as intended%s" % (
        reader, same, "" if not explained else "; explained by the reader's limits:"))
    for why, count in sorted(explained.items()):
        rep.say("             %4d x %s" % (count, why))
    for b in bad[:8]:
        rep.fail("%s %s" % (reader, b))
    if len(bad) > 8:
        rep.fail("%s ... %d more" % (reader, len(bad) - 8))
    return True


def expected_index(table):
    out = {}
    for name, _expr, _klen, fill, entries in table.tags:
        keys = []
        for key, rec in sorted(entries):
            keys.append("%s -> %d" % (esc(key.rstrip(bytes([fill]))).strip(" "), rec))
        out[name] = keys
    return out


def compare_index(rep, table, path):
    got, cur = {}, None
    with open(path, encoding="utf-8", errors="replace") as fh:
        for line in fh.read().split("\n"):
            if line.startswith("index: "):
                parts = line.split()
                cur = parts[parts.index("tag") + 1]
                got[cur] = []
            elif line.startswith("  ") and cur:
                key, _, rec = line.rpartition(" -> ")
                got[cur].append("%s -> %s" % (key.strip(" "), rec))
    for tag, keys in expected_index(table).items():
        if got.get(tag) == keys:
            rep.say("  index    tag %-5s %4d keys walked in key order, record numbers as intended"
                    % (tag, len(keys)))
        else:
            g = got.get(tag)
            rep.fail("index tag %s: %s" % (tag, "missing" if g is None else
                                            "%d keys, first differing at %s" % (
                                                len(g), next((i for i, (a, b) in enumerate(
                                                    zip(keys, g)) if a != b), min(len(g),
                                                                                   len(keys))))))


def walk_cdx(data, header_off, fill):
    """Decodes one tree of a CDX file by its page structure: descends from the root through the
    interior pages, checks that every separator is the last entry of its child and that the
    sibling links chain the pages of every level in order. Returns ([(key, recno)], problems,
    number of levels)."""
    root, _free, _cnt, keylen = struct.unpack_from("<iiiH", data, header_off)
    problems, levels = [], {}

    def leaf(off, count):
        recmask, = struct.unpack_from("<I", data, off + 14)
        rb, db, tb, b = data[off + 20:off + 24]
        prev, tail, out = b"", off + 512, []
        for i in range(count):
            v = int.from_bytes(data[off + 24 + i * b:off + 24 + (i + 1) * b], "little")
            dup = (v >> rb) & ((1 << db) - 1)
            trail = (v >> (rb + db)) & ((1 << tb) - 1)
            n = keylen - dup - trail
            tail -= n
            prev = prev[:dup] + data[tail:tail + n] + bytes([fill]) * trail
            out.append((prev, v & recmask))
        return out

    def descend(off, level):
        attr, count, left, right = struct.unpack_from("<HHii", data, off)
        levels.setdefault(level, []).append((off, left, right))
        if attr & 2:
            return leaf(off, count)
        out = []
        for i in range(count):
            p = off + 12 + i * (keylen + 8)
            key = data[p:p + keylen]
            rec, child = struct.unpack_from(">II", data, p + keylen)
            sub = descend(child, level + 1)
            if not sub or sub[-1] != (key, rec):
                problems.append("separator %d of page %d is not the last entry of its child"
                                % (i, off))
            out.extend(sub)
        return out

    entries = descend(root, 0)
    for pages in levels.values():
        for i, (off, left, right) in enumerate(pages):
            want = (pages[i - 1][0] if i else -1, pages[i + 1][0] if i + 1 < len(pages) else -1)
            if (left, right) != want:
                problems.append("page %d: siblings %d/%d, expected %d/%d"
                                % ((off, left, right) + want))
    return entries, problems, len(levels)


def check_cdx_structure(rep, table, path):
    data = open(path, "rb").read()
    if len(data) % 512:
        rep.fail("CDX length %d is not a multiple of 512" % len(data))
    # tag directory: keys are tag names, record numbers the tag header offsets
    tags, problems, _ = walk_cdx(data, 0, 0x20)
    tag_off = {k.rstrip(b" ").decode("ascii"): rec for k, rec in tags}
    for name, _expr, keylen, fill, entries in table.tags:
        if name not in tag_off:
            rep.fail("CDX tag %s missing from the directory" % name)
            continue
        got, probs, depth = walk_cdx(data, tag_off[name], fill)
        if got != sorted(entries):
            rep.fail("CDX tag %s: page walk does not give the intended keys" % name)
        for p in probs + problems:
            rep.fail("CDX tag %s: %s" % (name, p))
        if got == sorted(entries) and not probs:
            rep.say("  cdx      tag %-5s %4d keys, %d levels: separators and sibling links "
                    "consistent" % (name, len(got), depth))


def run_oracle(oracle, table_path, outdir, extra=()):
    os.makedirs(outdir, exist_ok=True)
    subprocess.run(["bash", oracle, "-q", "-o", outdir] + list(extra) + [table_path],
                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, check=False)
    return {name[:-4]: os.path.join(outdir, name) for name in sorted(os.listdir(outdir))
            if name.endswith(".txt")}


def main(argv):
    ap = argparse.ArgumentParser()
    ap.add_argument("--oracle", required=True)
    ap.add_argument("--dbf-dump")
    ap.add_argument("--keep")
    args = ap.parse_args(argv)
    rep = Report()

    rep.say("== files")
    files = make_demo.build_all()
    for rel, data in sorted(files.items()):
        path = os.path.join(HERE, rel)
        have = open(path, "rb").read() if os.path.exists(path) else None
        if have == data:
            rep.say("  %-24s %8d bytes, as make_demo.py writes it" % (rel, len(data)))
        else:
            rep.fail("%s differs from what make_demo.py writes (run python3 demo/make_demo.py)"
                     % rel)

    work = args.keep or tempfile.mkdtemp(prefix="demo-check-")
    try:
        for table in make_demo.tables():
            rep.say("== " + table.rel)
            src = os.path.join(HERE, table.rel)
            base = os.path.join(work, table.rel.replace("/", "_"))
            targets = [(src, "")]
            if table.rel.endswith("Kndstneu.qzf"):
                # The template has no memo file; the program copies it to Adrim1.dbf and the
                # table layer makes Adrim1.fpt. Read such a copy as well.
                d = base + "_adrim1"
                os.makedirs(d, exist_ok=True)
                shutil.copyfile(src, os.path.join(d, "ADRIM1.DBF"))
                with open(os.path.join(d, "ADRIM1.FPT"), "wb") as fh:
                    fh.write(make_demo.FptWriter(64).data())
                targets.append((os.path.join(d, "ADRIM1.DBF"), " (as ADRIM1.DBF with an empty "
                                "ADRIM1.FPT)"))
            if table.cp_mark == 0x00:
                # Some readers decode an unmarked table as ASCII; read a copy marked 850 too.
                d = base + "_cp850"
                os.makedirs(d, exist_ok=True)
                name = os.path.basename(table.rel)
                data = bytearray(open(src, "rb").read())
                data[29] = 0x02
                open(os.path.join(d, name), "wb").write(data)
                if table.memo_rel:
                    shutil.copyfile(os.path.join(HERE, table.memo_rel),
                                    os.path.join(d, os.path.basename(table.memo_rel)))
                targets.append((os.path.join(d, name), " (copy with code page mark 0x02)"))
            for i, (path, note) in enumerate(targets):
                if note:
                    rep.say("  --" + note)
                dumps = run_oracle(args.oracle, path, base + "_or%d" % i)
                for reader, dpath in dumps.items():
                    if reader == "index":
                        continue
                    compare_dump(rep, table, Dump(dpath), reader)
                if table.tags and i == 0:
                    check_cdx_structure(rep, table, os.path.join(HERE, table.cdx_rel))
                if table.tags and "index" in dumps:
                    compare_index(rep, table, dumps["index"])
                elif table.tags:
                    rep.fail("no index dump")
            if args.dbf_dump:
                out = subprocess.run([args.dbf_dump, src], stdout=subprocess.PIPE, check=False)
                dpath = base + "_tabrix.txt"
                open(dpath, "wb").write(out.stdout)
                compare_dump(rep, table, Dump(dpath), "tabrix")
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)

    rep.say("== %s" % ("all as intended" if not rep.failures else
                       "%d disagreement(s)" % rep.failures))
    return 1 if rep.failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
