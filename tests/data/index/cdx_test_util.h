#pragma once
// Helpers of the CDX tests: corpus files on the memory Env, key kinds of corpus tags, walks of
// a tag, and keys in the form the independent reader's dump shows them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/env/memory_env.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_test_util.h"
#include "data/formats/oracle_form.h"
#include "data/index/cdx_build.h"
#include "data/index/cdx_check.h"
#include "data/index/cdx_file.h"
#include "data/index/cdx_key.h"
#include "data/index/cdx_tag.h"

namespace tabrix::testing {

inline void PutFile(MemoryEnv& env, const std::string& name, const std::vector<uint8_t>& bytes) {
  std::unique_ptr<File> f;
  OpenOptions o;
  o.disposition = Disposition::kCreateAlways;
  ASSERT_TRUE(env.Open(name, o, &f).ok());
  ASSERT_TRUE(f->WriteAt(0, bytes).ok());
}

inline std::vector<uint8_t> GetFile(Env& env, const std::string& name) {
  std::unique_ptr<File> f;
  OpenOptions o;
  o.readOnly = true;
  if (!env.Open(name, o, &f).ok()) return {};
  uint64_t size = 0;
  (void)f->Size(&size);
  std::vector<uint8_t> bytes(size);
  size_t got = 0;
  (void)f->ReadAt(0, bytes, &got);
  return bytes;
}

inline std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

// What a corpus tag's key expression yields: the type of the field it names; any other
// expression of these tables is character.
inline KeyKind KindOfExpression(const DbfHeader& table, const std::string& expression) {
  for (const DbfField& f : table.fields) {
    if (Lower(f.name) != Lower(expression)) continue;
    switch (f.type) {
      case 'N':
      case 'F':
      case 'B':
      case 'I':
      case 'Y':
        return KeyKind::kNumeric;
      case 'D':
        return KeyKind::kDate;
      case 'T':
        return KeyKind::kDateTime;
      case 'L':
        return KeyKind::kLogical;
      default:
        return KeyKind::kCharacter;
    }
  }
  return KeyKind::kCharacter;
}

// A key as the reader's dump shows it: without its trailing fill, then in the dump's text form.
inline std::string OracleKey(const std::string& key, KeyKind kind) {
  std::string_view k = key;
  uint8_t fill = CdxFillByte(kind);
  while (!k.empty() && static_cast<uint8_t>(k.back()) == fill) k.remove_suffix(1);
  return OracleBytes(k, true);
}

// Every entry of the order front to back (or back to front), through First/Next.
inline IoStatus WalkOrder(IndexOrder& order, bool backwards, std::vector<IndexEntry>* out) {
  out->clear();
  std::optional<IndexEntry> e;
  IoStatus s = backwards ? order.Last(&e) : order.First(&e);
  while (s.ok() && e) {
    out->push_back(*e);
    if (out->size() > 10'000'000) return IoStatus::Error(kOsGeneralFailure, "walk", "", "endless");
    IndexEntry from = *e;
    s = backwards ? order.Previous(from, &e) : order.Next(from, &e);
  }
  return s;
}

inline bool IsCorrupt(const IoStatus& s) {
  return !s.ok() && s.osCode() == kOsFileCorrupt &&
         s.detail().find("corrupt index") != std::string::npos;
}

}  // namespace tabrix::testing

namespace tabrix::testing {

// A character key of `length` bytes: text blank padded.
inline std::string CharKey(std::string text, int length) {
  text.resize(static_cast<size_t>(length), ' ');
  return text;
}

inline OrderInfo CharOrder(const std::string& name, int keyLength) {
  OrderInfo info;
  info.name = name;
  info.keyExpression = Lower(name);
  info.kind = KeyKind::kCharacter;
  info.keyLength = keyLength;
  return info;
}

// A new CDX file `name` on env with one tag built from `entries` (sorted here).
inline IoStatus BuildFile(Env* env, const std::string& name, const CdxOptions& options,
                          const OrderInfo& info, std::vector<IndexEntry> entries,
                          std::unique_ptr<CdxFile>* file, std::unique_ptr<CdxTag>* tag) {
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return CompareCdxEntry(a.key, a.record, b.key, b.record) < 0;
  });
  if (IoStatus s = CdxFile::Create(env, name, options, file); !s.ok()) return s;
  VectorEntrySource source(&entries);
  return CreateCdxTag(file->get(), info, &source, tag);
}

}  // namespace tabrix::testing
