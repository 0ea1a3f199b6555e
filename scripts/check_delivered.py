#!/usr/bin/env python3
"""Checks the tables the end-to-end tests had tabrix.exe deliver, with an independent reader.

    python3 scripts/check_delivered.py [CASES_DIR ...]      (default: build/windows/tests/e2e/cases)

Every end-to-end case that converts writes, before it converts, what it expects of the delivered
table into <case>/expected/<TABLE>.tsv; a case that must deliver nothing lists the files that must
not exist in <case>/expected/absent.txt. This script reads every delivered <case>/product/<TABLE>.dbf
with dbfread (Debian package python3-dbfread) and compares it with the expectations value by value:

  - the field names and the number of records, and no deleted records;
  - character fields as dbfread gives them (trailing blanks removed), numbers by value, dates as
    yyyy-mm-dd (a cell "a|b" allows either day, for a run over midnight), logicals T/F, memos as
    text; an empty cell means a blank value (dbfread: None or an empty text);
  - Adrim2.dbf in the product folder is read alike to the program folder's Adrim2.qzf.

The expectation files are tab-separated UTF-8: a "# " comment line, a line of field names, one line
per record, with backslash, TAB, CR and LF written as \\\\ \\t \\r \\n. Prints one line per case and a
clear diff of every difference (at most 40 per table); exits 0 when everything matches, 1 otherwise
(also when no expectations were found at all).
"""

import datetime
import os
import sys

try:
    import dbfread
except ImportError:  # another python3 first in PATH: use the system's, which has the package
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath(
        "/usr/bin/python3"
    ) and not os.environ.get("CHECK_DELIVERED_REEXEC"):
        os.environ["CHECK_DELIVERED_REEXEC"] = "1"
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("check_delivered: the Python module dbfread is missing (apt-get install python3-dbfread)")

MAX_DIFFS = 40


def unescape(cell):
    out, i = [], 0
    while i < len(cell):
        c = cell[i]
        if c == "\\" and i + 1 < len(cell):
            nxt = cell[i + 1]
            out.append({"\\": "\\", "t": "\t", "r": "\r", "n": "\n"}.get(nxt, "\\" + nxt))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def read_expectations(path):
    with open(path, encoding="utf-8", newline="") as f:
        lines = f.read().split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    comment = ""
    if lines and lines[0].startswith("# "):
        comment = lines.pop(0)[2:]
    if not lines:
        raise ValueError("no field names")
    names = lines[0].split("\t")
    records = []
    for number, line in enumerate(lines[1:], start=1):
        cells = [unescape(c) for c in line.split("\t")]
        if len(cells) != len(names):
            raise ValueError("line %d has %d values for %d fields" % (number + 2, len(cells), len(names)))
        records.append(cells)
    return comment, names, records


def shown(value):
    if value is None:
        return "(blank)"
    if isinstance(value, (datetime.date, datetime.datetime)):
        return value.isoformat()
    return repr(value)


def same(field_type, expected, actual):
    """True when the delivered value (as dbfread reads it) is the expected cell."""
    if expected == "":
        return actual is None or actual == "" or actual == b""
    if field_type in "NFIBY":
        if actual is None:
            return False
        try:
            return abs(float(expected) - float(actual)) < 1e-9
        except ValueError:
            return False
    if field_type == "D":
        if actual is None:
            return False
        return actual.isoformat() in expected.split("|")
    if field_type == "L":
        return actual is (expected.upper() in ("T", "Y"))
    if isinstance(actual, bytes):
        return False
    return actual == expected


def open_table(path):
    return dbfread.DBF(path, encoding="cp850", char_decode_errors="strict", load=True)


def check_table(case, tsv, report):
    table_name = os.path.splitext(os.path.basename(tsv))[0]
    comment, names, expected = read_expectations(tsv)
    product = os.path.join(case, "product")
    delivered = None
    if os.path.isdir(product):
        for name in os.listdir(product):
            if name.lower() == (table_name + ".dbf").lower():
                delivered = os.path.join(product, name)
    label = "%s: %s.dbf" % (os.path.basename(case), table_name)
    if delivered is None:
        report.append("FAIL %s was not delivered (%s)" % (label, comment))
        return False
    try:
        table = open_table(delivered)
    except Exception as e:  # noqa: BLE001 - any reader failure is a finding
        report.append("FAIL %s cannot be read: %s" % (label, e))
        return False
    diffs = []
    if table.field_names != names:
        diffs.append("fields: delivered %s, expected %s" % (table.field_names, names))
    if table.deleted:
        diffs.append("%d deleted records delivered" % len(table.deleted))
    if len(table.records) != len(expected):
        diffs.append("records: delivered %d, expected %d" % (len(table.records), len(expected)))
    types = {f.name: f.type for f in table.fields}
    count = 0
    for number, (got, want) in enumerate(zip(table.records, expected), start=1):
        for name, cell in zip(names, want):
            if name not in got:
                continue
            if not same(types[name], cell, got[name]):
                count += 1
                if count <= MAX_DIFFS:
                    diffs.append(
                        "record %d field %s: delivered %s, expected %s"
                        % (number, name, shown(got[name]), shown(cell if cell != "" else None))
                    )
    if count > MAX_DIFFS:
        diffs.append("... and %d more differing values" % (count - MAX_DIFFS))
    if diffs:
        report.append("FAIL %s (%s): %d differences" % (label, comment, len(diffs)))
        report.extend("     " + d for d in diffs)
        return False
    report.append("ok   %s: %d records x %d fields as expected" % (label, len(expected), len(names)))
    return True


def check_companion(case, report):
    """The companion table arrives unchanged."""
    source = os.path.join(case, "program", "Adrim2.qzf")
    target = None
    product = os.path.join(case, "product")
    for name in os.listdir(product) if os.path.isdir(product) else []:
        if name.lower() == "adrim2.dbf":
            target = os.path.join(product, name)
    if not os.path.exists(source) or target is None:
        return True
    label = "%s: Adrim2.dbf" % os.path.basename(case)
    a, b = open_table(source), open_table(target)
    if a.field_names != b.field_names or list(a.records) != list(b.records):
        report.append("FAIL %s differs from the program folder's Adrim2.qzf" % label)
        return False
    report.append("ok   %s: %d records as in Adrim2.qzf" % (label, len(b.records)))
    return True


def check_absent(case, listing, report):
    ok = True
    with open(listing, encoding="utf-8") as f:
        wanted = [line.strip() for line in f if line.strip()]
    for rel in wanted:
        folder, name = os.path.split(os.path.join(case, rel))
        present = os.path.isdir(folder) and any(n.lower() == name.lower() for n in os.listdir(folder))
        if present:
            report.append("FAIL %s: %s must not exist" % (os.path.basename(case), rel))
            ok = False
    if ok:
        report.append("ok   %s: nothing delivered (%s)" % (os.path.basename(case), ", ".join(wanted)))
    return ok


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    folders = argv or [os.path.join(root, "build", "windows", "tests", "e2e", "cases")]
    report, ok, checked = [], True, 0
    for folder in folders:
        if not os.path.isdir(folder):
            report.append("FAIL %s: no such folder" % folder)
            ok = False
            continue
        for case in sorted(os.listdir(folder)):
            expected = os.path.join(folder, case, "expected")
            if not os.path.isdir(expected):
                continue
            case_dir = os.path.join(folder, case)
            for name in sorted(os.listdir(expected)):
                path = os.path.join(expected, name)
                try:
                    if name.endswith(".tsv"):
                        checked += 1
                        ok = check_table(case_dir, path, report) and ok
                        if name.lower() == "adrim1.tsv":
                            ok = check_companion(case_dir, report) and ok
                    elif name == "absent.txt":
                        checked += 1
                        ok = check_absent(case_dir, path, report) and ok
                except (OSError, ValueError) as e:
                    report.append("FAIL %s: %s: %s" % (case, name, e))
                    ok = False
    if checked == 0:
        report.append("FAIL no expectations found under %s" % ", ".join(folders))
        ok = False
    print("\n".join(report))
    print("delivered tables: %s (%d expectation files)" % ("all as expected" if ok else "DIFFERENCES", checked))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
