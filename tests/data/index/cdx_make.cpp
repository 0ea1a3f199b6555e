// cdx_make: builds a CDX file over a table's fields, for the independent reader to walk
// (scripts/cdx_build_check.py), and prints our own walk of every tag in the reader's dump form.
//
//   cdx_make [--small] TABLE.dbf OUT.cdx SPEC...
//   SPEC: TAG=FIELD[,desc][,unique][,for:FIELD=TEXT]
//
// Keys are the field's value: C as its bytes, N/F as numbers, D as dates, L as logicals. A FOR
// clause keeps the records whose field, blanks cut, equals TEXT. --small: at most 3 entries per
// page, so even small tables get deep trees. Half of the records enter through the bulk build,
// the other half through Insert, so both write paths reach the file.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/env/file_env.h"
#include "data/formats/dbf_test_util.h"
#include "data/formats/oracle_form.h"
#include "data/index/cdx_build.h"
#include "data/index/cdx_check.h"
#include "data/index/cdx_key.h"

using namespace tabrix;

namespace {

struct Spec {
  std::string tag, field, forField, forText;
  bool descending = false, unique = false;
};

KeyKind KindOf(char type) {
  switch (type) {
    case 'N':
    case 'F':
      return KeyKind::kNumeric;
    case 'D':
      return KeyKind::kDate;
    case 'L':
      return KeyKind::kLogical;
    default:
      return KeyKind::kCharacter;
  }
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The stored name of the table's field called `name` in any case; "" when there is none.
std::string FieldName(const DbfHeader& h, const std::string& name) {
  for (const DbfField& f : h.fields) {
    if (Lower(f.name) == Lower(name)) return f.name;
  }
  return {};
}

int Fail(const std::string& what) {
  std::fprintf(stderr, "cdx_make: %s\n", what.c_str());
  return 1;
}

std::string Trimmed(const Value& v) {
  const std::string* s = std::get_if<std::string>(&v);
  if (!s) return {};
  std::string t = *s;
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  int arg = 1;
  CdxOptions options;
  options.exclusive = true;
  if (arg < argc && std::strcmp(argv[arg], "--small") == 0) {
    options.maxLeafEntries = 3;
    options.maxInteriorEntries = 3;
    ++arg;
  }
  if (argc - arg < 3) return Fail("usage: cdx_make [--small] TABLE.dbf OUT.cdx SPEC...");
  auto table = testing::LoadTable(argv[arg]);
  if (!table->ok()) return Fail("cannot read the table");
  std::string out = argv[arg + 1];
  std::vector<Spec> specs;
  for (int i = arg + 2; i < argc; ++i) {
    std::string s = argv[i];
    Spec spec;
    size_t eq = s.find('=');
    if (eq == std::string::npos) return Fail("bad tag argument " + s);
    spec.tag = s.substr(0, eq);
    std::string rest = s.substr(eq + 1);
    size_t comma = rest.find(',');
    spec.field = rest.substr(0, comma);
    while (comma != std::string::npos) {
      size_t next = rest.find(',', comma + 1);
      std::string opt = rest.substr(comma + 1, next == std::string::npos ? next : next - comma - 1);
      if (opt == "desc") spec.descending = true;
      if (opt == "unique") spec.unique = true;
      if (opt.rfind("for:", 0) == 0) {
        size_t e = opt.find('=');
        spec.forField = opt.substr(4, e - 4);
        spec.forText = opt.substr(e + 1);
      }
      comma = next;
    }
    specs.push_back(spec);
  }
  std::unique_ptr<CdxFile> file;
  if (IoStatus s = CdxFile::Create(DefaultEnv(), out, options, &file); !s.ok()) {
    return Fail(s.ToString());
  }
  for (const Spec& spec : specs) {
    const DbfField* field = nullptr;
    for (const DbfField& f : table->h().fields) {
      if (Lower(f.name) == Lower(spec.field)) field = &f;
    }
    if (!field) return Fail("no field " + spec.field);
    OrderInfo info;
    info.name = spec.tag;
    info.keyExpression = Lower(spec.field);
    info.kind = KindOf(field->type);
    info.keyLength = info.kind == KeyKind::kCharacter ? static_cast<int>(field->length)
                     : info.kind == KeyKind::kLogical ? 1
                                                      : 8;
    info.descending = spec.descending;
    info.unique = spec.unique;
    if (!spec.forField.empty()) {
      info.forExpression = "ALLTRIM(" + Lower(spec.forField) + ")==\"" + spec.forText + "\"";
    }
    std::vector<IndexEntry> entries;
    for (uint32_t r = 1; r <= table->h().recordCount; ++r) {
      if (!spec.forField.empty()) {
        Result<Value> cond = table->Field(r, FieldName(table->h(), spec.forField));
        if (!cond.ok() || Trimmed(cond.value()) != spec.forText) continue;
      }
      Result<Value> v = table->Field(r, field->name);
      if (!v.ok()) return Fail(v.error().ToString());
      std::string key, error;
      if (!EncodeCdxKey(info.kind, info.keyLength, false, v.value(), false, &key, &error)) {
        return Fail(error);
      }
      entries.push_back({key, r});
    }
    // The first half of the records is built in bulk, the rest inserted one by one.
    std::vector<IndexEntry> bulk(entries.begin(), entries.begin() + entries.size() / 2);
    std::sort(bulk.begin(), bulk.end(), [](const IndexEntry& a, const IndexEntry& b) {
      return CompareCdxEntry(a.key, a.record, b.key, b.record) < 0;
    });
    if (spec.unique) {
      std::vector<IndexEntry> firsts;
      for (const IndexEntry& e : bulk) {
        if (firsts.empty() || firsts.back().key != e.key) firsts.push_back(e);
      }
      bulk = firsts;
    }
    VectorEntrySource source(&bulk);
    std::unique_ptr<CdxTag> tag;
    if (IoStatus s = CreateCdxTag(file.get(), info, &source, &tag); !s.ok()) {
      return Fail(s.ToString());
    }
    for (size_t i = entries.size() / 2; i < entries.size(); ++i) {
      if (IoStatus s = tag->Insert(entries[i]); !s.ok()) return Fail(s.ToString());
    }
    CdxTreeStats stats;
    if (IoStatus s = CheckCdxTag(tag.get(), &stats); !s.ok()) return Fail(s.ToString());
    std::fprintf(stderr, "%s: depth %d, %llu entries\n", spec.tag.c_str(), stats.depth,
                 static_cast<unsigned long long>(stats.entries));
  }
  if (IoStatus s = file->Flush(); !s.ok()) return Fail(s.ToString());
  // Our walk, in the reader's form, tags in directory order.
  std::vector<CdxTagEntry> tags;
  if (IoStatus s = file->ListTags(&tags); !s.ok()) return Fail(s.ToString());
  for (const CdxTagEntry& t : tags) {
    const Spec* spec = nullptr;
    for (const Spec& s : specs) {
      if (Lower(s.tag) == Lower(t.name)) spec = &s;
    }
    KeyKind kind = KeyKind::kCharacter;
    for (const DbfField& f : table->h().fields) {
      if (Lower(f.name) == Lower(spec->field)) kind = KindOf(f.type);
    }
    std::unique_ptr<CdxTag> tag;
    if (IoStatus s = file->OpenTag(t.name, kind, &tag); !s.ok()) return Fail(s.ToString());
    std::vector<std::string> lines;
    std::optional<IndexEntry> e;
    IoStatus s = tag->First(&e);
    while (s.ok() && e) {
      std::string_view k = e->key;
      uint8_t fill = CdxFillByte(kind);
      while (!k.empty() && static_cast<uint8_t>(k.back()) == fill) k.remove_suffix(1);
      lines.push_back(testing::OracleBytes(k, true) + " -> " + std::to_string(e->record));
      IndexEntry from = *e;
      s = tag->Next(from, &e);
    }
    if (!s.ok()) return Fail(s.ToString());
    std::printf("index: %s tag %s keys %zu\n", out.substr(out.rfind('/') + 1).c_str(),
                t.name.c_str(), lines.size());
    for (const std::string& l : lines) std::printf("  %s\n", l.c_str());
  }
  return 0;
}
