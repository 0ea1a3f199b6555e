#!/usr/bin/python3
"""Dumps a table through one of the command-line DBF readers of Debian 12, as JSON lines in the
form scripts/compare_readers.py reads (described there), by parsing what the program prints.

    cli_readers.py pgdbf|gdal|dbfdump|dbview TABLE.DBF

pgdbf      pgdbf: the table as PostgreSQL COPY text (live records only, no record numbers)
gdal       ogrinfo of gdal-bin: every live feature with its field values
dbfdump    dbfdump of shapelib: every record, one line per field, with the deleted mark
dbview     dbview: every record in browse mode, with the deleted mark
Each program is given the table's bytes as they are (no code page conversion); a program that
ends with an error, or a table it shows without fields, counts as not read.
"""
import json
import os
import re
import subprocess
import sys

TIMEOUT = 300


def emit(obj):
    sys.stdout.write(json.dumps(obj) + '\n')


def latin1(b):
    return b.decode('latin-1')


def run(cmd, cwd=None):
    p = subprocess.run(cmd, capture_output=True, cwd=cwd, timeout=TIMEOUT)
    return p.returncode, p.stdout, p.stderr


def memo_beside(path):
    folder, name = os.path.split(path)
    base = os.path.splitext(name)[0].lower()
    for f in sorted(os.listdir(folder or '.')):
        stem, ext = os.path.splitext(f)
        if stem.lower() == base and ext.lower() in ('.fpt', '.dbt'):
            return os.path.join(folder, f)
    return None


def program_version(package):
    p = subprocess.run(['dpkg-query', '-W', '-f=${Version}', package], capture_output=True)
    return p.stdout.decode().strip() or '?'


def typed_text(kind, raw):
    """A value the program printed as text, typed by what the program says the field is."""
    text = raw.rstrip(' ')
    if kind == 'number':
        if not text.strip():
            return None  # a blank number is no number
        return ['n', text.strip()] if re.fullmatch(r'\s*[-+]?(\d+\.?\d*|\.\d+)\s*', text) \
            else ['s', text]
    if kind == 'date' and re.fullmatch(r'\d{8}', text):
        return ['d', '%s-%s-%s' % (text[:4], text[4:6], text[6:])]
    return ['s', text]


# ---- pgdbf -------------------------------------------------------------------------------

def copy_unescape(field):
    """One field of PostgreSQL COPY text: None for \\N, else its bytes."""
    if field == b'\\N':
        return None
    out, i = bytearray(), 0
    simple = {ord('n'): 10, ord('r'): 13, ord('t'): 9, ord('b'): 8, ord('f'): 12, ord('v'): 11}
    while i < len(field):
        c = field[i]
        if c == 0x5C and i + 1 < len(field):
            d = field[i + 1]
            if d in simple:
                out.append(simple[d])
                i += 2
                continue
            m = re.match(rb'[0-7]{1,3}', field[i + 1:i + 4])
            if m:
                out.append(int(m.group(0), 8) & 0xFF)
                i += 1 + len(m.group(0))
                continue
            out.append(d)
            i += 2
            continue
        out.append(c)
        i += 1
    return bytes(out)


def split_columns(body):
    """'a TYPE, b NUMERIC(10, 2)' -> ['a TYPE', 'b NUMERIC(10, 2)'] (commas inside () kept)."""
    parts, depth, cur = [], 0, ''
    for c in body:
        if c == '(':
            depth += 1
        elif c == ')':
            depth -= 1
        if c == ',' and depth == 0:
            parts.append(cur.strip())
            cur = ''
        else:
            cur += c
    if cur.strip():
        parts.append(cur.strip())
    return parts


def julian_to_iso(jd):
    """Julian day number -> YYYY-MM-DD (proleptic Gregorian)."""
    a = jd + 32044
    b = (4 * a + 3) // 146097
    c = a - 146097 * b // 4
    d = (4 * c + 3) // 1461
    e = c - 1461 * d // 4
    m = (5 * e + 2) // 153
    day = e - (153 * m + 2) // 5 + 1
    month = m + 3 - 12 * (m // 10)
    year = 100 * b + d - 4800 + m // 10
    return '%04d-%02d-%02d' % (year, month, day)


def run_pgdbf(path):
    emit({'tool': 'pgdbf ' + program_version('pgdbf').split('-')[0]})
    cmd = ['pgdbf']
    memo = memo_beside(path)
    if memo:
        cmd += ['-m', memo]
    rc, out, err = run(cmd + [path])
    if rc != 0:
        emit({'error': latin1(err).strip()})
        return
    lines = out.split(b'\n')
    create = next(l for l in lines if l.startswith(b'CREATE TABLE '))
    body = latin1(create)[latin1(create).index('(') + 1:latin1(create).rindex(')')]
    columns = []
    # pgdbf puts the table name before a field name that is an SQL key word (DESC ->
    # TABLE_DESC); that prefix is taken off again.
    prefix = os.path.splitext(os.path.basename(path))[0].lower() + '_'
    for part in split_columns(body):
        name, _, sqltype = part.partition(' ')
        if name.lower().startswith(prefix) and len(name) > len(prefix):
            name = name[len(prefix):]
        columns.append((name.upper(), sqltype.replace(' ', '')))
    if not columns:
        emit({'error': 'no fields'})
        return
    start = next(i for i, l in enumerate(lines) if l.startswith(b'\\COPY '))
    rows = []
    for line in lines[start + 1:]:
        if line == b'\\.':
            break
        rows.append(line)
    emit({'fields': [[name, t, '', ''] for name, t in columns], 'count': len(rows)})
    for line in rows:
        values = []
        for (name, sqltype), field in zip(columns, line.split(b'\t')):
            v = copy_unescape(field)
            if v is None:
                values.append(None)
            elif sqltype == 'BOOLEAN':
                values.append(['b', v in (b't', b'true')])
            elif sqltype.startswith(('NUMERIC', 'DECIMAL', 'INTEGER', 'BIGINT', 'SMALLINT',
                                     'DOUBLE')):
                values.append(typed_text('number', latin1(v)))
            elif sqltype == 'TIMESTAMP' and re.fullmatch(rb'J\d+ \d\d:\d\d:\d\d(\.\d+)?', v):
                day, clock = latin1(v)[1:].split(' ')
                hms, _, frac = clock.partition('.')
                values.append(['t', '%sT%s.%s' % (julian_to_iso(int(day)), hms,
                                                  (frac + '000')[:3])])
            else:
                values.append(['s', latin1(v)])
        emit({'n': None, 'f': '-', 'v': values})


# ---- gdal (ogrinfo) ------------------------------------------------------------------------

def feature_end(lines, i):
    """True when lines[i] is the empty line that ends a feature of ogrinfo."""
    if lines[i] != '':
        return False
    rest = lines[i + 1:]
    return not rest or rest == [''] or rest[0].startswith('OGRFeature(')


def run_gdal(path):
    rc, out, err = run(['ogrinfo', '--version'])
    emit({'tool': 'gdal-ogr ' + latin1(out).strip()})
    folder, name = os.path.split(os.path.abspath(path))
    rc, out, err = run(['ogrinfo', '--config', 'SHAPE_ENCODING', '', '-al', name], cwd=folder)
    if rc != 0:
        # "FAILURE:" and the reason (then the list of every driver it tried).
        emit({'error': ' '.join(latin1(out + err).strip().split('\n')[:2])})
        return
    lines = latin1(out).split('\n')
    fields, count, i = [], 0, 0
    field_re = re.compile(r'^(.+): (\w+) \((\d+)\.(\d+)\)$')
    # The layer description ends with the field list ("NAME: Type (width.precision)"), right
    # before the first feature.
    while i < len(lines) and not lines[i].startswith('OGRFeature('):
        m = re.match(r'^Feature Count: (\d+)$', lines[i])
        if m:
            count = int(m.group(1))
        m = field_re.match(lines[i])
        if m and not lines[i].startswith(' '):
            fields.append([m.group(1), m.group(2), int(m.group(3)), int(m.group(4))])
        elif fields and lines[i].strip():
            fields = []  # not the field list after all
        i += 1
    emit({'fields': fields, 'count': count})
    starts = [('  %s (' % f[0], k) for k, f in enumerate(fields)]

    def field_at(line, after):
        """The index of the field whose line this is (a field after `after`), else None."""
        for prefix, k in starts:
            if k > after and line.startswith(prefix) and ') = ' in line:
                return k
        return None

    while i < len(lines):
        m = re.match(r'^OGRFeature\(.*\):(\d+)$', lines[i])
        if not m:
            i += 1
            continue
        fid = int(m.group(1))
        i += 1
        raw = [None] * len(fields)
        last = -1
        # ogrinfo leaves out fields that are not set; a value holding line breaks runs on over
        # the next lines until the line of a later field or the end of the feature.
        while i < len(lines) and not lines[i].startswith('OGRFeature('):
            k = field_at(lines[i], last)
            if k is not None:
                raw[k] = lines[i].split(') = ', 1)[1]
                last = k
            elif last >= 0 and not feature_end(lines, i):
                raw[last] += '\n' + lines[i]
            i += 1
        values = []
        for f, value in zip(fields, raw):
            ftype = f[1]
            if value is None or value == '(null)':
                values.append(None)
            elif ftype in ('Integer', 'Integer64', 'Real'):
                values.append(typed_text('number', value))
            elif ftype == 'Date' and re.fullmatch(r'\d{4}/\d\d/\d\d', value):
                values.append(['d', value.replace('/', '-')])
            else:
                values.append(['s', value])
        emit({'n': fid + 1, 'f': '-', 'v': values})


# ---- shapelib dbfdump ----------------------------------------------------------------------

def record_end(lines, i):
    """True when lines[i] ends a record of dbfdump: '(DELETED)' or an empty line, followed by
    the next record or the end of the output."""
    if lines[i] not in ('', '(DELETED)'):
        return False
    rest = lines[i + 1:]
    return not rest or rest == [''] or rest[0].startswith('Record: ')


def run_dbfdump(path):
    emit({'tool': 'shapelib-dbfdump ' + program_version('shapelib')})
    rc, out, err = run(['dbfdump', '-h', '-m', '-r', path])
    if rc != 0:
        emit({'error': latin1(out + err).strip().split('\n')[0]})
        return
    lines = latin1(out).split('\n')
    fields, i = [], 0
    head = re.compile(r"^Field (\d+): Type=(.)/\w+, Title=`(.*)', Width=(\d+), Decimals=(\d+)$")
    while i < len(lines) and not lines[i].startswith('Record: '):
        m = head.match(lines[i])
        if m:
            fields.append([m.group(3), m.group(2), int(m.group(4)), int(m.group(5))])
        i += 1
    records = []
    while i < len(lines):
        m = re.match(r'^Record: (\d+)$', lines[i])
        if not m:
            i += 1
            continue
        recno = int(m.group(1)) + 1
        i += 1
        raw = []
        for k, f in enumerate(fields):
            prefix = f[0] + ': '
            if i >= len(lines) or not lines[i].startswith(prefix):
                raw.append(None)
                continue
            value = lines[i][len(prefix):]
            i += 1
            nxt = fields[k + 1][0] + ': ' if k + 1 < len(fields) else None
            while i < len(lines) and not (lines[i].startswith(nxt) if nxt
                                          else record_end(lines, i)):
                value += '\n' + lines[i]
                i += 1
            raw.append(value)
        deleted = i < len(lines) and lines[i] == '(DELETED)'
        records.append((recno, deleted, raw))
    emit({'fields': fields, 'count': len(records)})
    for recno, deleted, raw in records:
        values = []
        for f, v in zip(fields, raw):
            if v is None:
                values.append(None)
            elif f[1] in 'NF':
                values.append(typed_text('number', v))
            elif f[1] == 'D':
                values.append(typed_text('date', v))
            else:
                values.append(['s', v])
        emit({'n': recno, 'f': '*' if deleted else '-', 'v': values})


# ---- dbview --------------------------------------------------------------------------------

DELIM = '\x01'


def run_dbview(path):
    emit({'tool': 'dbview ' + program_version('dbview')})
    rc, out, err = run(['dbview', '-i', '-e', '-o', '-r', path])
    text = latin1(out)
    if rc != 0:
        emit({'error': (latin1(err) or text).strip().split('\n')[0]})
        return
    fields, count = [], None
    in_fields = False
    for line in text.split('\n'):
        m = re.match(r'^Number of recs: (\d+)', line)
        if m:
            count = int(m.group(1))
        if line.startswith('Field Name\t'):
            in_fields = True
            continue
        if in_fields and line.strip():
            parts = [p.strip() for p in line.split('\t')]
            if len(parts) == 4:
                fields.append([parts[0], parts[1], int(parts[2]), int(parts[3])])
    if not fields:
        emit({'error': text.strip()})
        return
    rc, out, err = run(['dbview', '-b', '-D', '-r', '-d', DELIM, path])
    if rc != 0:
        emit({'error': (latin1(err) or latin1(out)).strip().split('\n')[0]})
        return
    emit({'fields': fields, 'count': count})
    # Browse mode: the deleted mark, then every field followed by the delimiter, then a line
    # break; a value may hold line breaks itself, so the fields are counted, not the lines.
    tokens = latin1(out).split(DELIM)
    n, k = 0, 0
    while k + len(fields) < len(tokens):
        mark = tokens[k].lstrip('\n') if n else tokens[k]
        values = []
        for f, v in zip(fields, tokens[k + 1:k + 1 + len(fields)]):
            if f[1] in 'NF':
                values.append(typed_text('number', v))
            elif f[1] == 'D':
                values.append(typed_text('date', v))
            else:
                values.append(['s', v])
        n += 1
        emit({'n': n, 'f': '*' if mark == '*' else '-', 'v': values})
        k += 1 + len(fields)


def main():
    reader, path = sys.argv[1], sys.argv[2]
    try:
        {'pgdbf': run_pgdbf, 'gdal': run_gdal, 'dbfdump': run_dbfdump,
         'dbview': run_dbview}[reader](path)
    except subprocess.TimeoutExpired:
        emit({'error': 'timeout'})
    except Exception as e:  # output this parser does not understand: the table counts as not read
        emit({'error': '%s: %s' % (type(e).__name__, e)})
    return 0


if __name__ == '__main__':
    sys.exit(main())
