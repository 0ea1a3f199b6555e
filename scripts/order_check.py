#!/usr/bin/env python3
"""Checks the index orders the table areas build and keep against an independent reader:
runs order_check (tests/data/table/order_check.cpp), which writes a customer table with
character, numeric and date orders, a FOR order and (CDX) a descending one, then carries out
random appends, changes and deletions with every order open; then has DBD::XBase walk every
index file (dbf-oracle.sh -t xbase) and compares its record sequence with ours, tag by tag.
DBD::XBase ignores the order flag of a descending tag: it walks the stored (ascending) order,
which must be ours reversed.

    python3 scripts/order_check.py [--build DIR] [--oracle PATH] [--records N] [--operations N]

Prints one line per order and driver, and a closing "N passed, N failed"; exits non-zero on a
difference.
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from index_golden import oracle_tags  # noqa: E402


def our_walks(tool, driver, folder, records, operations, seed):
    out = subprocess.run([tool, driver, folder, str(records), str(operations), str(seed)],
                         check=True, capture_output=True, text=True).stdout
    walks = []
    for line in out.splitlines():
        if line.startswith('order '):
            _, name, path = line.split(' ', 2)
            walks.append((name, path, []))
        else:
            walks[-1][2].append(int(line))
    return walks


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--build', default=os.path.join(ROOT, 'build', 'native'))
    ap.add_argument('--oracle', default=os.path.join(ROOT, '..', 'shared', 'tools',
                                                     'dbf-oracle.sh'))
    ap.add_argument('--records', type=int, default=100000)
    ap.add_argument('--operations', type=int, default=5000)
    args = ap.parse_args()
    tool = os.path.join(args.build, 'tests', 'data', 'table', 'order_check')
    passed = failed = 0
    for driver in ('DBFCDX', 'DBFNTX'):
        with tempfile.TemporaryDirectory() as folder:
            walks = our_walks(tool, driver, folder, args.records, args.operations, 20261210)
            table = os.path.join(folder, 'CUST.DBF')
            theirs = {}
            if driver == 'DBFCDX':  # the production CDX, found by the reader itself
                theirs = {tag.upper(): [r for _, r in keys]
                          for tag, _, keys in oracle_tags(args.oracle, table)}
            for name, path, ours in walks:
                if driver == 'DBFNTX':  # an NTX file has no tag name: one file at a time
                    found = oracle_tags(args.oracle, table, [path])
                    seen = [r for _, r in found[0][2]] if len(found) == 1 else None
                else:
                    seen = theirs.get(name.upper())
                descending = name.upper().endswith('DOWN')
                expected = list(reversed(ours)) if descending else ours
                ok = seen == expected
                passed += ok
                failed += not ok
                print('%s %-8s %s: ours %d entries, DBD::XBase %s' %
                      (driver, name, 'same order' if ok else 'DIFFERENT', len(ours),
                       'none' if seen is None else '%d entries' % len(seen)))
    print('%d passed, %d failed' % (passed, failed))
    return 1 if failed else 0


if __name__ == '__main__':
    sys.exit(main())
