#pragma once
// Opening corpus tables in tests: the table bytes, its memo file and a record decoder.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"

namespace tabrix::testing {

// The number written in plain text ("-17.25"), exactly: what an N or F field holding that text
// reads as. REQUIRES: text is a number (else bad_optional_access ends the test run).
inline Decimal Dec(std::string_view text) {
  return Decimal::FromText(text).value();
}

// A table of the test corpus (tests/data/corpus, origins and licences in its MANIFEST.md).
inline std::string CorpusPath(const std::string& relative) {
  return std::string(TABRIX_CORPUS_DIR) + "/" + relative;
}

inline std::vector<uint8_t> LoadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::span<const uint8_t> AsBytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A table read completely into memory, with the memo file beside it (any case of extension).
struct LoadedTable {
  std::string path;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> memoBytes;
  std::optional<Result<DbfHeader>> header;
  std::unique_ptr<MemoSource> memo;
  std::optional<FormatError> memoError;
  std::unique_ptr<DbfRecordDecoder> decoder;

  bool ok() const { return header && header->ok(); }
  const DbfHeader& h() const { return header->value(); }

  std::span<const uint8_t> Record(uint32_t n) const {
    return {bytes.data() + h().RecordOffset(n), h().recordLength};
  }
  // Field by name of record n; FormatError when the field is missing or does not decode.
  Result<Value> Field(uint32_t n, const std::string& name) const {
    for (size_t i = 0; i < h().fields.size(); ++i) {
      if (h().fields[i].name == name) return decoder->Field(Record(n), h().RecordOffset(n), i);
    }
    return Corruption(path, 0, "no field " + name);
  }
};

inline std::unique_ptr<LoadedTable> LoadTable(const std::string& path) {
  auto t = std::make_unique<LoadedTable>();
  t->path = path;
  t->bytes = LoadFile(path);
  t->header.emplace(ParseDbfHeader(t->bytes, t->bytes.size(), path));
  if (!t->ok()) return t;
  std::filesystem::path base = std::filesystem::path(path).replace_extension("");
  MemoKind kind = t->h().memoKind();
  const char* exts[] = {".fpt", ".FPT", ".dbt", ".DBT"};
  for (const char* ext : exts) {
    std::string memoPath = base.string() + ext;
    bool fpt = ext[1] == 'f' || ext[1] == 'F';
    if (kind == MemoKind::kNone || fpt != (kind == MemoKind::kFpt)) continue;
    if (!std::filesystem::exists(memoPath)) continue;
    t->memoBytes = LoadFile(memoPath);
    if (fpt) {
      auto r = FptMemoReader::Open(t->memoBytes, memoPath);
      if (r)
        t->memo = std::make_unique<FptMemoReader>(std::move(r.value()));
      else
        t->memoError = r.error();
    } else {
      auto flavour = kind == MemoKind::kDbt4 ? DbtFlavour::kDbase4 : DbtFlavour::kDbase3;
      auto r = DbtMemoReader::Open(t->memoBytes, flavour, memoPath);
      if (r)
        t->memo = std::make_unique<DbtMemoReader>(std::move(r.value()));
      else
        t->memoError = r.error();
    }
    break;
  }
  t->decoder = std::make_unique<DbfRecordDecoder>(t->h(), path, t->memo.get());
  return t;
}

}  // namespace tabrix::testing
