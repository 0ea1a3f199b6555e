// Feeds arbitrary bytes to the table header parser and the record decoder. The same bytes are
// also offered as the table's memo file, so memo pointers reach the memo readers with every
// kind of damage. Every decoded value of a writable type is written back into the record.
// Every field is also read into one value per field kept across records (FieldInto), which must
// give what Field gives.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"

using namespace tabrix;

namespace {

// Equal values; doubles by their bits, as a decoded NaN is not equal to itself.
bool Same(const Value& a, const Value& b) {
  const double* x = std::get_if<double>(&a);
  const double* y = std::get_if<double>(&b);
  if (x && y) return std::memcmp(x, y, sizeof *x) == 0;
  return a == b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> file(data, size);
  Result<DbfHeader> header = ParseDbfHeader(file, size, "fuzz.dbf");
  if (!header) return 0;
  const DbfHeader& h = header.value();
  if (h.RecordOffset(h.recordCount + 1) > size) __builtin_trap();

  std::unique_ptr<MemoSource> memo;
  if (h.memoKind() == MemoKind::kFpt) {
    if (auto r = FptMemoReader::Open(file, "fuzz.fpt")) {
      memo = std::make_unique<FptMemoReader>(std::move(r.value()));
    }
  } else if (h.memoKind() != MemoKind::kNone) {
    auto flavour = h.memoKind() == MemoKind::kDbt4 ? DbtFlavour::kDbase4 : DbtFlavour::kDbase3;
    if (auto r = DbtMemoReader::Open(file, flavour, "fuzz.dbt")) {
      memo = std::make_unique<DbtMemoReader>(std::move(r.value()));
    }
  }
  DbfRecordDecoder decoder(h, "fuzz.dbf", memo.get());
  std::string copy;
  std::vector<Value> held(h.fields.size());
  for (uint32_t n = 1; n <= h.recordCount; ++n) {
    std::span<const uint8_t> record = file.subspan(h.RecordOffset(n), h.recordLength);
    copy.assign(reinterpret_cast<const char*>(record.data()), record.size());
    std::span<uint8_t> writable(reinterpret_cast<uint8_t*>(copy.data()), copy.size());
    for (size_t i = 0; i < h.fields.size(); ++i) {
      Result<Value> v = decoder.Field(record, h.RecordOffset(n), i);
      Status into = decoder.FieldInto(record, h.RecordOffset(n), i, &held[i]);
      if (into.ok() != v.ok() || (v && !Same(held[i], v.value()))) __builtin_trap();
      if (!v) continue;
      (void)EncodeField(h, i, v.value(), writable);
    }
  }
  (void)EncodeDbfHeader(h);
  return 0;
}
