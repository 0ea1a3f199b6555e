// Dumps a table through one of the npm DBF readers as JSON lines in the form
// scripts/compare_readers.py reads (described there).
//
//   NODE_PATH=DIR/node_modules node node_readers.js dbffile|nodedbf TABLE.DBF
//
// dbffile is read in its loose mode (field types it does not know are left out of the records:
// shown here as null), deleted records included; node-dbf reports every record with its
// deleted flag. Both are given Latin-1 so that one character stands for one stored byte.
'use strict';

const out = (obj) => process.stdout.write(JSON.stringify(obj) + '\n');

function typed(type, v) {
  if (v === null || v === undefined) return null;
  if (typeof v === 'boolean') return ['b', v];
  if (typeof v === 'number') return Number.isNaN(v) ? null : ['n', String(v)];
  if (v instanceof Date) {
    // An invalid date (a field the reader decoded into nothing) throws here: the reader is
    // then counted as not reading the table.
    const iso = v.toISOString().replace(/Z$/, '');
    return type === 'D' ? ['d', iso.slice(0, iso.indexOf('T'))] : ['t', iso];
  }
  if (Buffer.isBuffer(v)) return ['s', v.toString('latin1')];
  if (type === 'D' && typeof v === 'string' && /^\d{8}$/.test(v)) {
    return ['d', `${v.slice(0, 4)}-${v.slice(4, 6)}-${v.slice(6)}`];
  }
  return ['s', String(v)];
}

async function dbffile(path) {
  const {DBFFile, DELETED} = require('dbffile');
  const version = require('dbffile/package.json').version;
  out({tool: `dbffile ${version}`});
  const dbf = await DBFFile.open(path, {readMode: 'loose', includeDeletedRecords: true,
                                        encoding: 'latin1'});
  out({fields: dbf.fields.map((f) => [f.name, f.type, f.size, f.decimalPlaces || 0]),
       count: dbf.recordCount});
  let n = 0;
  for await (const rec of dbf) {
    n += 1;
    out({n, f: rec[DELETED] ? '*' : '-', v: dbf.fields.map((f) => typed(f.type, rec[f.name]))});
  }
}

function nodedbf(path) {
  return new Promise((resolve, reject) => {
    const mod = require('node-dbf');
    const Parser = mod.default || mod;
    const version = require('node-dbf/package.json').version;
    out({tool: `node-dbf ${version}`});
    const parser = new Parser(path, {encoding: 'latin1'});
    let fields = [];
    parser.on('header', (h) => {
      fields = h.fields;
      out({fields: fields.map((f) => [f.name, f.type, f.length, f.decimalPlaces || 0]),
           count: h.numberOfRecords});
    });
    parser.on('record', (rec) => {
      out({n: rec['@sequenceNumber'], f: rec['@deleted'] ? '*' : '-',
           v: fields.map((f) => typed(f.type, rec[f.name]))});
    });
    parser.on('end', () => resolve());
    parser.on('error', (e) => reject(e));
    try {
      parser.parse();
    } catch (e) {
      reject(e);
    }
  });
}

async function main() {
  const [reader, path] = process.argv.slice(2);
  // node-dbf throws some of its errors from inside its file callbacks.
  process.on('uncaughtException', (e) => {
    out({error: e && e.message ? e.message : String(e)});
    process.exitCode = 0;
  });
  try {
    await {dbffile, nodedbf}[reader](path);
  } catch (e) {
    out({error: e && e.message ? e.message : String(e)});
  }
}

main();
