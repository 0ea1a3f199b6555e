#!/usr/bin/env python3
"""Compares our decode of every corpus table with independent DBF readers, and writes the golden
consensus file that tests/data/formats/dbf_golden_test.cpp checks (so the tests need no reader).

    python3 scripts/compare_readers.py --install       # once, as root: the readers
    python3 scripts/compare_readers.py --run [--golden tests/data/golden/corpus_consensus.tsv]

--install  installs the readers from the Debian 12 and npm registries: python3-dbfread,
           python3-dbf, libdbd-xbase-perl, ruby-dbf, pgdbf, gdal-bin, shapelib and dbview with
           apt-get, the npm packages dbffile and node-dbf (fixed versions) into --node-dir
           (default ~/.cache/tabrix-readers/node; needs nodejs and npm, installed with apt-get
           when missing). Not root: prints the apt-get line to run and stops.
--run      runs every reader on every table of tests/data/corpus and keeps each reader's dump
           as DUMPS/<table>/<reader>.txt (--dumps, default build/reader-dumps); without --run
           the dumps of an earlier run are compared again.
--golden   writes the consensus as the golden file.
--dump     our decoder's dump program (default build/native/tests/data/formats/dbf_dump).

Each reader runs through a small driver of ours in scripts/readers/ that prints the reader's
answer as JSON lines:
    {"tool": "NAME VERSION"}
    {"error": "TEXT"}                       the reader does not read the table
    {"fields": [[NAME, TYPE, LEN, DEC], ...], "count": N}
    {"n": RECNO or null, "f": "-" live / "*" deleted / "?" unknown, "v": [VALUE, ...] or null}
with VALUE null (the reader says null), ["s", TEXT] (text, one character per stored byte),
["n", NUMBER], ["b", true/false], ["d", "YYYY-MM-DD"], ["t", "YYYY-MM-DDTHH:MM:SS.mmm"] or
["e", ERROR] (this value failed). This script turns that into one dump text per reader in the
value form of tests/data/formats/oracle_form.h (\\N null; text without trailing blanks, bytes outside
printable ASCII as \\xHH, over 100 bytes as <N bytes sha1:...>; shortest numbers; ISO dates),
the form our dbf_dump prints too.

For every table the readers' dumps are parsed, records are paired by (live/deleted, ordinal) and
columns by (lower-case name, occurrence); a cell's consensus is the value a strict majority of the
readers reporting it agree on, at least two of them. A reader that reports an error for a table
takes no part for that table. Our dump is compared with the consensus cell by cell and the result
is printed per table: agree / disagree with examples of what we return.
"""
import argparse
import collections
import hashlib
import json
import math
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CORPUS = os.path.join(ROOT, 'tests', 'data', 'corpus')
READERS_DIR = os.path.join(ROOT, 'scripts', 'readers')
NO_CONSENSUS = '\\?'
PYTHON = '/usr/bin/python3' if os.path.exists('/usr/bin/python3') else sys.executable
TIMEOUT = 900

# Debian 12 packages of the readers (and of the programs that run the drivers).
DEBIAN_PACKAGES = ['python3-dbfread', 'python3-dbf', 'libdbd-xbase-perl', 'ruby-dbf', 'pgdbf',
                   'gdal-bin', 'shapelib', 'dbview']
NPM_PACKAGES = ['dbffile@1.13.0', 'node-dbf@0.4.0']


def reader_commands(node_dir):
    """Reader name -> command without the table path."""
    py = [PYTHON, os.path.join(READERS_DIR, 'python_readers.py')]
    cli = [PYTHON, os.path.join(READERS_DIR, 'cli_readers.py')]
    node = ['node', os.path.join(READERS_DIR, 'node_readers.js')]
    return {
        'dbfread': py + ['dbfread'],
        'pydbf': py + ['pydbf'],
        'xbase': ['perl', os.path.join(READERS_DIR, 'xbase_reader.pl')],
        'ruby': ['ruby', os.path.join(READERS_DIR, 'ruby_reader.rb')],
        'dbffile': node + ['dbffile'],
        'nodedbf': node + ['nodedbf'],
        'pgdbf': cli + ['pgdbf'],
        'gdal': cli + ['gdal'],
        'dbfdump': cli + ['dbfdump'],
        'dbview': cli + ['dbview'],
    }


# Readers that read only C, N, F, D and L (they show a memo's block number, or nothing, for the
# other types): not counted for columns of other types.
PLAIN_TYPES_ONLY = {'gdal', 'dbfdump', 'nodedbf', 'dbview'}
# Tables with long C fields (length high byte in the decimals byte): only these readers keep
# the columns aligned (see tests/data/corpus/MANIFEST.md); the others shift every later column.
LONG_C_READERS = {'dbfread', 'xbase', 'dbffile'}
LONG_C_TABLES = {'foxpro2/pr90.dbf', 'generated/kunden_clp_cp850.dbf'}
# In Visual FoxPro 0x32 tables these two return null for every memo, V, Q and W column (dbffile
# skips them in its loose mode), also where the memo file holds the value.
NO_VFP32_MEMO = {'dbffile', 'ruby'}
# Where our layer returns a typed value and the readers null: a blank number reads as 0, an
# uninitialised logical as false, a memo field without memo as empty text (the layer hands out
# a number, a logical and a string for these types, never null).
TYPED_FOR_NULL = {'N': {'0'}, 'F': {'0'}, 'L': {'F'}, 'M': {''}}


# ---- installing the readers ----------------------------------------------------------------

def install(node_dir):
    missing = [p for p in DEBIAN_PACKAGES + ['perl', 'ruby']
               if subprocess.run(['dpkg-query', '-W', '-f=${Status}', p], capture_output=True,
                                 text=True).stdout.find('install ok installed') < 0]
    if not shutil.which('npm'):
        missing += ['nodejs', 'npm']
    if missing:
        if os.geteuid() != 0:
            print('Missing packages. Run as root:')
            print('  apt-get update && apt-get install -y --no-install-recommends ' +
                  ' '.join(missing))
            return 1
        env = dict(os.environ, DEBIAN_FRONTEND='noninteractive')
        subprocess.run(['apt-get', 'update', '-qq'], check=True, env=env)
        subprocess.run(['apt-get', 'install', '-y', '-qq', '--no-install-recommends'] + missing,
                       check=True, env=env)
    os.makedirs(node_dir, exist_ok=True)
    if not os.path.exists(os.path.join(node_dir, 'package.json')):
        with open(os.path.join(node_dir, 'package.json'), 'w') as f:
            f.write('{"private": true}\n')
    subprocess.run(['npm', 'install', '--no-audit', '--no-fund', '--silent'] + NPM_PACKAGES,
                   cwd=node_dir, check=True)
    print('readers installed (npm packages in %s)' % node_dir)
    return 0


# ---- running the readers -------------------------------------------------------------------

def form_bytes(b, trim):
    """Bytes in the dump form (tests/data/formats/oracle_form.h)."""
    if trim:
        b = b.rstrip(b' ')
    if len(b) > 100:
        return '<%d bytes sha1:%s>' % (len(b), hashlib.sha1(b).hexdigest()[:12])
    out = []
    for c in b:
        if c in (0x7C, 0x5C):
            out.append('\\' + chr(c))
        elif c in (0x0D, 0x0A, 0x09):
            out.append({0x0D: '\\r', 0x0A: '\\n', 0x09: '\\t'}[c])
        elif 0x20 <= c < 0x7F:
            out.append(chr(c))
        else:
            out.append('\\x%02x' % c)
    return ''.join(out)


def form_number(text):
    """A number in its shortest form with 15 significant digits, as OracleNumber."""
    v = float(text)
    s = '%.15g' % v
    if s == '-0':
        s = '0'
    if 'e' in s and abs(v) < 1e20 and v == math.floor(v):
        s = '%.0f' % v
    return s


def text_bytes(text):
    """A driver's text back to bytes: one byte per character 0-255, a character beyond (a
    reader's own replacement character) as its UTF-8 bytes."""
    return b''.join(bytes([ord(c)]) if ord(c) < 256 else c.encode('utf-8') for c in text)


def form_value(v):
    if v is None:
        return '\\N'
    kind, x = v
    if kind == 's':
        return form_bytes(text_bytes(x), True)
    if kind == 'n':
        return form_number(x)
    if kind == 'b':
        return 'T' if x else 'F'
    if kind == 'd':
        return x
    if kind == 't':
        # Milliseconds only when not 0; a date before the year 1 keeps the reader's own form.
        return x[:-4] if x.endswith('.000') and re.match(r'\d{4}-', x) else x
    if kind == 'e':
        return '<error %s>' % x
    raise ValueError('unknown value kind %r' % kind)


def dump_text(output):
    """The JSON lines of a driver -> the reader's dump text."""
    out = []
    for line in output.split('\n'):
        if not line.strip():
            continue
        o = json.loads(line)
        if 'tool' in o:
            out.append('tool: ' + o['tool'])
        elif 'error' in o:
            out.append('error: ' + o['error'])
        elif 'fields' in o:
            out.append('fields: ' + ' | '.join('%s %s %s %s' % tuple(f) for f in o['fields']))
            out.append('count: %s' % o['count'])
        else:
            n = '?' if o['n'] is None else str(o['n'])
            values = '' if o['v'] is None else '|'.join(form_value(v) for v in o['v'])
            out.append('%s %s %s' % (n, o['f'], values))
    return '\n'.join(out) + '\n'


def run_readers(tables, dumps, node_dir, only):
    env = dict(os.environ, NODE_PATH=os.path.join(node_dir, 'node_modules'))
    commands = reader_commands(node_dir)
    for rel in tables:
        odir = os.path.join(dumps, rel)
        os.makedirs(odir, exist_ok=True)
        for name, cmd in commands.items():
            if only and name not in only:
                continue
            try:
                p = subprocess.run(cmd + [os.path.join(CORPUS, rel)], capture_output=True,
                                   timeout=TIMEOUT, env=env)
                text = dump_text(p.stdout.decode('utf-8'))
                if p.returncode != 0 and 'error: ' not in text:
                    text += 'error: the driver ended with %d: %s\n' % (
                        p.returncode, p.stderr.decode('utf-8', 'replace').strip()[-300:])
            except subprocess.TimeoutExpired:
                text = 'tool: %s\nerror: no answer within %d s\n' % (name, TIMEOUT)
            except (OSError, ValueError) as e:
                text = 'tool: %s\nerror: %s\n' % (name, e)
            with open(os.path.join(odir, name + '.txt'), 'w', encoding='latin-1',
                      newline='') as f:
                f.write(text)


# ---- comparing -----------------------------------------------------------------------------

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
    ap = argparse.ArgumentParser(description='Our decode of the corpus against independent readers')
    ap.add_argument('--install', action='store_true')
    ap.add_argument('--run', action='store_true')
    ap.add_argument('--readers', help='comma-separated readers to run (default: all)')
    ap.add_argument('--dump', default=os.path.join(ROOT, 'build/native/tests/data/formats/dbf_dump'))
    ap.add_argument('--dumps', default=os.path.join(ROOT, 'build/reader-dumps'))
    ap.add_argument('--node-dir', default=os.environ.get(
        'TABRIX_READERS_NODE', os.path.expanduser('~/.cache/tabrix-readers/node')))
    ap.add_argument('--golden')
    ap.add_argument('--examples', type=int, default=4)
    ap.add_argument('--sample-above', type=int, default=100)
    a = ap.parse_args()

    if a.install:
        return install(a.node_dir)
    tables = table_list()
    if not os.access(a.dump, os.X_OK):
        print('no %s: build it first (cmake --build build/native --target dbf_dump)' % a.dump)
        return 1
    if a.run:
        run_readers(tables, a.dumps, a.node_dir, set(a.readers.split(',')) if a.readers else None)

    golden = []
    totals = collections.Counter()
    for rel in tables:
        odir = os.path.join(a.dumps, rel)
        readers = {}
        for f in sorted(os.listdir(odir)) if os.path.isdir(odir) else []:
            if f.endswith('.txt'):
                d = parse_dump(os.path.join(odir, f))
                name = f[:-4]
                if rel.replace(os.sep, '/') in LONG_C_TABLES and name not in LONG_C_READERS:
                    continue
                if not d['error'] and d['columns']:
                    readers[name] = d
        ours_out = subprocess.run([a.dump, os.path.join(CORPUS, rel)], capture_output=True,
                                  check=True).stdout
        tmp = os.path.join(a.dumps, rel, 'tabrix.dump')
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
            f.write('# Consensus of the independent readers (scripts/compare_readers.py) on every '
                    'corpus table; \\? = the readers do not agree.\n# Generated by: python3 '
                    'scripts/compare_readers.py --run --golden '
                    'tests/data/golden/corpus_consensus.tsv\n')
            f.write('\n'.join(golden) + '\n')
    return 0


if __name__ == '__main__':
    sys.exit(main())
