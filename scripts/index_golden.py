#!/usr/bin/env python3
"""Writes tests/data/golden/index_keys.tsv: every tag of every CDX file of the test corpus as
DBD::XBase walks it, through the shared oracle (dbf-oracle.sh -t xbase), so that the index
tests compare our walk with an independent reader without needing it installed.

    python3 scripts/index_golden.py [--oracle PATH] [--check FILE.cdx TABLE.dbf]

Golden form: "=<corpus path of the .cdx><TAB><tag><TAB><key count>", then one line per entry in
the reader's order: "<key><TAB><record>", the key as the oracle prints it (trailing blanks
removed, bytes outside printable ASCII as \\xHH, \\t \\n \\r, '|' and '\\' escaped).

--check dumps one index file (any CDX, e.g. one we built) in that form to standard output.
"""
import argparse
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
CORPUS = os.path.join(ROOT, 'tests', 'data', 'corpus')
GOLDEN = os.path.join(ROOT, 'tests', 'data', 'golden', 'index_keys.tsv')
DEFAULT_ORACLE = '/work/shared/tools/dbf-oracle.sh'


def oracle_tags(oracle, table, extra=()):
    """[(tag, count, [(key, record)])] as DBD::XBase reads the index files of `table`."""
    with tempfile.TemporaryDirectory() as out:
        subprocess.run(['bash', oracle, '-t', 'xbase', '-q', '-o', out, table, *extra],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        path = os.path.join(out, 'index.txt')
        if not os.path.exists(path):
            raise SystemExit('the oracle wrote no index dump for ' + table)
        tags = []
        with open(path, encoding='latin-1') as f:
            for line in f:
                line = line.rstrip('\n')
                if line.startswith('index: '):
                    words = line.split()
                    # index: FILE tag TAG keys N
                    tags.append((words[3], int(words[5]), []))
                elif line.startswith('  ') and tags:
                    key, _, record = line[2:].rpartition(' -> ')
                    tags[-1][2].append((key, int(record)))
                elif line.startswith('error:'):
                    raise SystemExit('the oracle failed on ' + table + ': ' + line)
        return tags


def corpus_indexes():
    for dirpath, _, files in sorted(os.walk(CORPUS)):
        for name in sorted(files):
            if name.lower().endswith('.cdx'):
                yield os.path.join(dirpath, name)


def table_of(index):
    stem = os.path.splitext(os.path.basename(index))[0].lower()
    folder = os.path.dirname(index)
    for name in os.listdir(folder):
        if name.lower() == stem + '.dbf':
            return os.path.join(folder, name)
    raise SystemExit('no table beside ' + index)


def emit(out, label, tags):
    for tag, count, entries in tags:
        out.write('=%s\t%s\t%d\n' % (label, tag, count))
        for key, record in entries:
            out.write('%s\t%d\n' % (key, record))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--oracle', default=DEFAULT_ORACLE)
    ap.add_argument('--check', nargs=2, metavar=('CDX', 'DBF'))
    args = ap.parse_args()
    if args.check:
        cdx, dbf = args.check
        emit(sys.stdout, os.path.basename(cdx), oracle_tags(args.oracle, dbf, [cdx]))
        return
    with open(GOLDEN, 'w', encoding='latin-1', newline='\n') as out:
        out.write('# Every tag of every corpus CDX as DBD::XBase walks it '
                  '(scripts/index_golden.py); do not edit.\n')
        for index in corpus_indexes():
            label = os.path.relpath(index, CORPUS).replace(os.sep, '/')
            emit(out, label, oracle_tags(args.oracle, table_of(index)))
    print('wrote', GOLDEN)


if __name__ == '__main__':
    main()
