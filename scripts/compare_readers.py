#!/usr/bin/env python3
"""Compares our decode of every corpus table with the independent readers.

    scripts/compare_readers.py [--dump BUILD/tests/data/dbf_dump] [--oracle DIR]
                               [--golden tests/data/golden/corpus_consensus.tsv] [--run]

--oracle DIR holds one folder per table (DIR/<relative path of the table>/) with the dumps of
tools/dbf-oracle.sh -o; --run makes them first (slow: every reader on every table). For every
table the readers' dumps are parsed, records are paired by (live/deleted, ordinal) and columns
by (lower-case name, occurrence); a cell's consensus is the value a strict majority of the
readers reporting it agree on, at least two of them. Our dump (dbf_dump) is compared with the
consensus cell by cell and the result is printed per table: agree / disagree with examples of
what we return. With --golden the consensus is written as the golden file that
dbf_golden_test.cpp checks (so the comparison runs in builds without the readers).
"""
import argparse
import collections
import os
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SHARED = os.path.normpath(os.path.join(ROOT, '..', 'shared'))
CORPUS = os.path.join(SHARED, 'corpus')
NO_CONSENSUS = '\\?'

# Readers that read only C, N, F, D and L (they show a memo's block number, or nothing, for the
# other types): not counted for columns of other types.
PLAIN_TYPES_ONLY = {'gdal', 'dbfdump', 'nodedbf', 'dbview'}
# Tables with long C fields (length high byte in the decimals byte): only these readers keep
# the columns aligned (see corpus/MANIFEST.md); the others shift every later column.
LONG_C_READERS = {'dbfread', 'xbase', 'dbffile'}
LONG_C_TABLES = {'foxpro2/pr90.dbf', 'generated/kunden_clp_cp850.dbf'}
# In Visual FoxPro 0x32 tables these two return null for every memo, V, Q and W column (dbffile
# skips them in its loose mode), also where the memo file holds the value.
NO_VFP32_MEMO = {'dbffile', 'ruby'}
# Where our layer returns a typed value and the readers null: a blank number reads as 0, an
# uninitialised logical as false, a memo field without memo as empty text (the layer hands out
# a number, a logical and a string for these types, never null).
TYPED_FOR_NULL = {'N': {'0'}, 'F': {'0'}, 'L': {'F'}, 'M': {''}}


def split_values(text):
    out, cur, i = [], '', 0
    while i < len(text):
        c = text[i]
        if c == '\\' and i + 1 < len(text):
            cur += text[i:i + 2]
            i += 2
            continue
        if c == '|':
            out.append(cur)
            cur = ''
        else:
            cur += c
        i += 1
    out.append(cur)
    return out


def parse_dump(path):
    """Returns dict(tool, error, columns[(name, occ)], rows{(kind, ordinal): [values]})."""
    d = {'tool': None, 'error': None, 'columns': [], 'rows': {}, 'count': None}
    with open(path, 'rb') as f:
        lines = f.read().decode('latin-1').split('\n')
    ordinals = collections.Counter()
    for line in lines:
        if line.startswith('tool: '):
            d['tool'] = line[6:]
        elif line.startswith('error'):
            d['error'] = line
        elif line.startswith('fields: '):
            occ = collections.Counter()
            d['types'] = []
            for part in line[8:].split(' | '):
                words = part.strip().split(' ')
                name = words[0].lower() if part.strip() else ''
                occ[name] += 1
                d['columns'].append((name, occ[name]))
                d['types'].append(words[1] if len(words) > 1 else '')
        elif line.startswith('count: '):
            d['count'] = line[7:]
        elif line and not line.startswith(('memo error', 'index:', ' ')):
            parts = line.split(' ', 2)
            if len(parts) < 2 or parts[1] not in '-*?':
                continue
            kind = 'D' if parts[1] == '*' else 'L'
            ordinals[kind] += 1
            values = split_values(parts[2]) if len(parts) > 2 and parts[2] != '' else []
            d['rows'][(kind, ordinals[kind])] = values
    return d


def cells(d, skip_cols=()):
    """{(rowkey, colkey): value} of a parsed dump, _NullFlags and unnamed columns left out."""
    out = {}
    for rk, values in d['rows'].items():
        for ci, ck in enumerate(d['columns']):
            if ck[0] in ('', '_nullflags') or ci >= len(values) or ck in skip_cols:
                continue
            out[(rk, ck)] = values[ci]
    return out


def table_list():
    found = []
    for dirpath, _, files in os.walk(CORPUS):
        for f in files:
            if f.lower().endswith('.dbf'):
                found.append(os.path.relpath(os.path.join(dirpath, f), CORPUS))
    return sorted(found)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('--dump', default=os.path.join(ROOT, 'build/native/tests/data/dbf_dump'))
    ap.add_argument('--oracle', default='/tmp/dbf-oracle-dumps')
    ap.add_argument('--golden')
    ap.add_argument('--run', action='store_true')
    ap.add_argument('--examples', type=int, default=4)
    ap.add_argument('--sample-above', type=int, default=100)
    a = ap.parse_args()

    golden = []
    totals = collections.Counter()
    for rel in table_list():
        odir = os.path.join(a.oracle, rel)
        if a.run:
            os.makedirs(odir, exist_ok=True)
            subprocess.run(['bash', os.path.join(SHARED, 'tools/dbf-oracle.sh'), '-q', '-o', odir,
                            os.path.join(CORPUS, rel)], stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=900)
        readers = {}
        for f in sorted(os.listdir(odir)) if os.path.isdir(odir) else []:
            if f.endswith('.txt') and f != 'summary.txt':
                d = parse_dump(os.path.join(odir, f))
                name = f[:-4]
                if rel.replace(os.sep, '/') in LONG_C_TABLES and name not in LONG_C_READERS:
                    continue
                if not d['error'] and d['columns']:
                    readers[name] = d
        ours_out = subprocess.run([a.dump, os.path.join(CORPUS, rel)], capture_output=True,
                                  check=True).stdout
        tmp = os.path.join(a.oracle, rel, 'tabrix.dump')
        os.makedirs(os.path.dirname(tmp), exist_ok=True)
        with open(tmp, 'wb') as f:
            f.write(ours_out)
        ours = parse_dump(tmp)
        print(f'== {rel}: readers that read it: {", ".join(readers) or "none"}')
        if ours['error']:
            print(f'   we refuse: {ours["error"]}')
        if not readers:
            continue

        # Column types from our structure (the type letters are the stored bytes).
        types = {}
        for ck, part in zip(ours['columns'], ours.get('types', [])):
            types[ck] = part
        plain = {ck for ck, t in types.items() if t not in 'CNFDL'}
        with open(os.path.join(CORPUS, rel), 'rb') as f:
            head = f.read(65536)
        nullable = set()
        for i, ck in enumerate(ours['columns']):
            desc = head[32 + 32 * i:64 + 32 * i]
            if len(desc) == 32 and desc[18] & 0x02:
                nullable.add(ck)
        per_reader = {}
        for name, d in readers.items():
            skip = set()
            if name in PLAIN_TYPES_ONLY or (name in NO_VFP32_MEMO and head[0] == 0x32):
                skip = plain
            per_reader[name] = cells(d, skip)
        keys = []
        seen = set()
        for name in readers:
            for k in per_reader[name]:
                if k not in seen:
                    seen.add(k)
                    keys.append(k)
        consensus, split = {}, []
        for k in keys:
            votes = collections.Counter(c[k] for c in per_reader.values() if k in c)
            value, n = votes.most_common(1)[0]
            reporters = sum(votes.values())
            if reporters < 2:
                continue
            if n >= 2 and n * 2 > reporters:
                consensus[k] = value
                if n != reporters:
                    split.append((k, votes))
            else:
                consensus[k] = None
                split.append((k, votes))

        ourcells = cells(ours)
        agree, differ, missing, typed = 0, [], [], collections.Counter()
        for k, v in consensus.items():
            if v is None:
                continue
            if k not in ourcells:
                missing.append(k)
            elif ourcells[k] == v:
                agree += 1
            elif v == '\\N' and ourcells[k] in TYPED_FOR_NULL.get(types.get(k[1], ''), ()):
                typed[types[k[1]]] += 1
            elif ourcells[k] == '\\N' and k[1] in nullable:
                typed['null flag set'] += 1
            else:
                differ.append((k, ourcells[k], v))
        totals['typed_for_null'] += sum(typed.values())
        nocons = [k for k, v in consensus.items() if v is None]
        totals['tables'] += 1
        totals['agree'] += agree
        totals['differ'] += len(differ)
        totals['missing'] += len(missing)
        totals['no_consensus'] += len(nocons)
        verdict = 'agree' if not differ and not missing else 'DISAGREE'
        print(f'   {verdict}: {agree} cells equal to the consensus, {len(differ)} differ, '
              f'{len(missing)} we do not return, {len(nocons)} without consensus, '
              f'{len(split)} where readers split')
        if typed:
            print('     rule-based (readers null, ours typed empty; or null flag set): ' +
                  ', '.join(f'{t} {n}' for t, n in sorted(typed.items())))
        for k, mine, v in differ[:a.examples]:
            print(f'     differ {k[0][0]}{k[0][1]} {k[1][0]}: ours {mine!r} consensus {v!r}')
        by_col = collections.Counter(k[1][0] for k in missing)
        for col, n in by_col.most_common(a.examples):
            print(f'     we do not return {col} in {n} rows')
        shown = collections.Counter()
        for k, votes in split:
            col = k[1][0]
            if shown[col] >= 1 or len(shown) >= a.examples:
                continue
            shown[col] += 1
            who = {val: [r for r in readers if per_reader[r].get(k) == val] for val in votes}
            desc = '; '.join(f'{val!r}: {",".join(rs)}' for val, rs in who.items())
            print(f'     split {k[0][0]}{k[0][1]} {col}: {desc}; ours {ourcells.get(k)!r}')

        # Golden: columns in first-seen order, one line per record.
        cols = []
        for k in keys:
            if k[1] not in cols and consensus.get(k) is not None:
                cols.append(k[1])
        rows = sorted({k[0] for k, v in consensus.items() if v is not None},
                      key=lambda r: (r[0] != 'L', r[1]))
        # The live record count the readers agree on (? when they do not).
        lives = collections.Counter(sum(1 for r in d['rows'] if r[0] == 'L')
                                    for d in readers.values())
        live, n = lives.most_common(1)[0]
        if n < 2 or n * 2 <= sum(lives.values()):
            live = '?'
        if live != '?' and live != sum(1 for r in ours['rows'] if r[0] == 'L'):
            print(f'   live records: readers {live}, ours '
                  f'{sum(1 for r in ours["rows"] if r[0] == "L")}')
        golden.append('=' + rel.replace(os.sep, '/') + '\t' +
                      '|'.join(f'{c[0]}#{c[1]}' for c in cols) + f'\tlive={live}')
        # Big tables: a sample (the first 20 records, every 25th, the last 5) keeps the file small.
        if len(rows) > a.sample_above:
            rows = [r for r in rows
                    if r[1] <= 20 or r[1] % 25 == 0 or r[1] > len(rows) - 5]
        for r in rows:
            vals = []
            for c in cols:
                v = consensus.get((r, c))
                vals.append(NO_CONSENSUS if v is None else v)
            golden.append(f'{r[0]}{r[1]}\t' + '|'.join(vals))

    print('== total: ' + ', '.join(f'{k} {v}' for k, v in totals.items()))
    if a.golden:
        with open(a.golden, 'w', encoding='latin-1', newline='\n') as f:
            f.write('# Consensus of the independent readers (tools/dbf-oracle.sh) on every corpus '
                    'table; \\? = the readers do not agree.\n# Generated by: python3 '
                    'scripts/compare_readers.py --run --golden '
                    'tests/data/golden/corpus_consensus.tsv\n')
            f.write('\n'.join(golden) + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
