#!/usr/bin/env python3
"""Checks CDX files this program writes against an independent reader: builds them with
cdx_make (tests/data/index/cdx_make.cpp) over a corpus table and over a generated table with
character, numeric, date keys, a FOR tag, descending tags and unique tags, both with full
pages and with at most 3 entries per page (deep trees), then has DBD::XBase walk every tag
(dbf-oracle.sh -t xbase) and compares its walk with ours entry by entry. DBD::XBase ignores
the order flag of a descending tag: it walks the stored (ascending) order, which must be ours
reversed.

    python3 scripts/cdx_build_check.py [--build DIR] [--oracle PATH] [--keep DIR]

Prints one line per tag and a closing "N passed, N failed"; exits non-zero on a difference.
"""
import argparse
import datetime
import os
import random
import struct
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from index_golden import oracle_tags  # noqa: E402


def write_table(path, n, seed):
    """A dBASE III table: NAME C(20), CITY C(10), AMOUNT N(12,2), BORN D."""
    rng = random.Random(seed)
    fields = [(b'NAME', b'C', 20, 0), (b'CITY', b'C', 10, 0), (b'AMOUNT', b'N', 12, 2),
              (b'BORN', b'D', 8, 0)]
    reclen = 1 + sum(f[2] for f in fields)
    hlen = 32 + 32 * len(fields) + 1
    out = bytearray(struct.pack('<B3BIHH20x', 3, 124, 1, 1, n, hlen, reclen))
    for name, kind, length, dec in fields:
        out += struct.pack('<11sc4xBB14x', name, kind, length, dec)
    out += b'\r'
    syll = ['ba', 'ker', 'mu', 'ller', 'schm', 'idt', 'wa', 'gner', 'ho', 'ff', 'Ma', 'Zi']
    cities = ['Bonn', 'Berlin', 'Hamburg', 'Koeln', '']
    for i in range(n):
        name = ''.join(rng.choice(syll) for _ in range(rng.randint(0, 4)))
        amount = rng.choice([0, rng.uniform(-1e6, 1e6), rng.randint(-5, 5), -0.01, 0.01])
        day = datetime.date(1900, 1, 1) + datetime.timedelta(days=rng.randint(0, 60000))
        born = day.strftime('%Y%m%d') if rng.random() > 0.05 else '        '
        out += b' ' + name.encode().ljust(20)[:20] + rng.choice(cities).encode().ljust(10)
        out += ('%12.2f' % amount).encode() + born.encode()
    out += b'\x1a'
    with open(path, 'wb') as f:
        f.write(out)


def parse_dump(text):
    tags = []
    for line in text.splitlines():
        if line.startswith('index: '):
            w = line.split()
            tags.append((w[3], int(w[5]), []))
        elif line.startswith('  ') and tags:
            key, _, record = line[2:].rpartition(' -> ')
            tags[-1][2].append((key, int(record)))
    return tags


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--build', default=os.path.join(ROOT, 'build', 'native'))
    ap.add_argument('--oracle', default='/work/shared/tools/dbf-oracle.sh')
    ap.add_argument('--keep')
    args = ap.parse_args()
    make = os.path.join(args.build, 'tests', 'data', 'index', 'cdx_make')
    work = args.keep or tempfile.mkdtemp()
    os.makedirs(work, exist_ok=True)
    generated = os.path.join(work, 'people.dbf')
    write_table(generated, 3000, 42)
    rooms = os.path.join(ROOT, 'tests', 'data', 'corpus', 'odd', 'rooms.dbf')
    cases = [
        (rooms, ['ROOMNAME=roomname', 'FACILITY=facility', 'AUDIO=roomname,for:facility=Audio',
                 'RDESC=roomname,desc', 'FACU=facility,unique']),
        (generated, ['NAME=name', 'AMOUNT=amount', 'BORN=born', 'BDESC=born,desc',
                     'BONN=name,for:city=Bonn', 'CITYU=city,unique', 'ADESC=amount,desc']),
    ]
    passed = failed = 0
    for table, specs in cases:
        for small in (False, True):
            label = os.path.basename(table) + (' small pages' if small else ' full pages')
            cdx = os.path.join(work, 'built%s.cdx' % ('_small' if small else ''))
            cmd = [make] + (['--small'] if small else []) + [table, cdx] + specs
            ours = parse_dump(subprocess.run(cmd, check=True, capture_output=True,
                                             text=True, encoding='latin-1').stdout)
            theirs = [t for t in oracle_tags(args.oracle, table, [cdx])
                      if t[0] in {o[0] for o in ours}]
            theirs = theirs[-len(ours):]  # the table's own index, if any, comes first
            descending = {spec.split('=')[0] for spec in specs if ',desc' in spec}
            for (tag, count, entries), (ttag, tcount, tentries) in zip(ours, theirs):
                # DBD::XBase walks a descending tag front to back as stored, ascending.
                if tag in descending:
                    entries = entries[::-1]
                same = tag == ttag and count == tcount and entries == tentries
                note = ''
                if not same and tag == ttag and sorted(entries) == sorted(tentries):
                    note = ' (same entries, other order)'
                print('%-28s %-9s %5d keys  %s%s' % (label, tag, count,
                                                     'same' if same else 'DIFFERENT', note))
                if same:
                    passed += 1
                else:
                    failed += 1
                    for a, b in zip(entries, tentries):
                        if a != b:
                            print('   first difference: ours %r, DBD::XBase %r' % (a, b))
                            break
    print('%d passed, %d failed' % (passed, failed))
    sys.exit(1 if failed else 0)


if __name__ == '__main__':
    main()
