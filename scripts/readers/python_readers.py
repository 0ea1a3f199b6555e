#!/usr/bin/python3
"""Dumps a table through one of the Python DBF readers of Debian 12, as JSON lines in the form
scripts/compare_readers.py reads (described there).

    python_readers.py dbfread|pydbf TABLE.DBF

dbfread is python3-dbfread, pydbf is python3-dbf. Both are asked for every record, deleted ones
included. dbfread hands text out as Latin-1 (one character per byte, so the bytes come back
unchanged); python3-dbf decodes by the table's code page mark and its text is encoded back with
the same code page. A value the reader cannot decode is reported as an error of that field.
"""
import datetime
import decimal
import json
import os
import shutil
import sys
import tempfile

# What the libraries print themselves goes to stderr; the protocol has stdout to itself.
OUT = os.fdopen(os.dup(1), 'w', encoding='utf-8')
os.dup2(2, 1)


def typed(v):
    """One value in the protocol's form."""
    if v is None:
        return None
    if isinstance(v, bool):
        return ['b', v]
    if isinstance(v, (int, float, decimal.Decimal)):
        return ['n', repr(v) if isinstance(v, float) else str(v)]
    if isinstance(v, datetime.datetime):
        return ['t', '%04d-%02d-%02dT%02d:%02d:%02d.%03d' % (
            v.year, v.month, v.day, v.hour, v.minute, v.second, v.microsecond // 1000)]
    if isinstance(v, datetime.date):
        return ['d', '%04d-%02d-%02d' % (v.year, v.month, v.day)]
    if isinstance(v, (bytes, bytearray)):
        return ['s', bytes(v).decode('latin-1')]
    if isinstance(v, str):
        return ['s', v]
    return ['s', str(v)]


def emit(obj):
    OUT.write(json.dumps(obj) + '\n')
    OUT.flush()


def run_dbfread(path):
    import dbfread
    emit({'tool': 'dbfread ' + dbfread.__version__})
    # Records as lists of (name, value) pairs: a repeated field name keeps both values.
    table = dbfread.DBF(path, encoding='latin-1', recfactory=list)
    emit({'fields': [[f.name, f.type, f.length, f.decimal_count] for f in table.fields],
          'count': table.header.numrecords})
    # The reader hands out live and deleted records as two sequences, without their numbers.
    for flag, records in (('-', table), ('*', table.deleted)):
        for rec in records:
            emit({'n': None, 'f': flag, 'v': [typed(v) for _, v in rec]})


def memo_beside(path):
    """The memo file of the table whatever the case of its extension, or None."""
    folder, name = os.path.split(path)
    base = os.path.splitext(name)[0].lower()
    for f in os.listdir(folder or '.'):
        stem, ext = os.path.splitext(f)
        if stem.lower() == base and ext.lower() in ('.fpt', '.dbt'):
            return os.path.join(folder, f)
    return None


def run_pydbf(path):
    import dbf
    emit({'tool': 'python3-dbf ' + '.'.join(str(p) for p in dbf.version)})
    # python3-dbf looks for the memo file with a lower-case extension only: when it has
    # another case, the reader gets a folder of links with the names it expects.
    memo = memo_beside(path)
    tmp = None
    if memo and not memo.endswith(os.path.splitext(memo)[1].lower()):
        tmp = tempfile.mkdtemp(prefix='pydbf-')
        base = os.path.splitext(os.path.basename(path))[0]
        os.symlink(os.path.abspath(path), os.path.join(tmp, base + '.dbf'))
        os.symlink(os.path.abspath(memo),
                   os.path.join(tmp, base + os.path.splitext(memo)[1].lower()))
        path = os.path.join(tmp, base + '.dbf')
    try:
        table = dbf.Table(path)
        table.open(dbf.READ_ONLY)
        try:
            codec = table.codepage.name if hasattr(table.codepage, 'name') else 'latin-1'
            fields = []
            for name in table.field_names:
                info = table.field_info(name)
                kind = info.field_type
                fields.append([name.upper(), chr(kind) if isinstance(kind, int) else str(kind),
                               info.length, info.decimal])
            emit({'fields': fields, 'count': len(table)})
            for n, rec in enumerate(table, 1):
                values = []
                for name in table.field_names:
                    try:
                        v = rec[name]
                    except Exception as e:
                        values.append(['e', type(e).__name__])
                        continue
                    if isinstance(v, str):
                        v = v.encode(codec, 'replace').decode('latin-1')
                    values.append(typed(v))
                emit({'n': n, 'f': '*' if dbf.is_deleted(rec) else '-', 'v': values})
        finally:
            table.close()
    finally:
        if tmp:
            shutil.rmtree(tmp)


def main():
    reader, path = sys.argv[1], sys.argv[2]
    try:
        {'dbfread': run_dbfread, 'pydbf': run_pydbf}[reader](path)
    except Exception as e:  # the reader refuses the table: that is its answer
        emit({'error': '%s: %s' % (type(e).__name__, e)})
    return 0


if __name__ == '__main__':
    sys.exit(main())
