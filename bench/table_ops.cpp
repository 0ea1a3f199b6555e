#include "bench/table_ops.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <variant>
#include <vector>

#include "data/base/error.h"
#include "data/base/text.h"
#include "data/env/file_env.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/fpt_memo.h"
#include "data/table/memo_file.h"
#include "data/table/table_area.h"

namespace tabrix::bench {

namespace {

std::span<const uint8_t> AsSpan(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

uint64_t Fold(uint64_t h, const Value& v) {
  struct Visitor {
    uint64_t operator()(Null) const { return 1; }
    uint64_t operator()(const std::string& s) const {
      return s.size() * 31 + (s.empty() ? 0 : static_cast<uint8_t>(s[0]));
    }
    uint64_t operator()(double d) const { return static_cast<uint64_t>(d * 100); }
    uint64_t operator()(int32_t i) const { return static_cast<uint64_t>(i); }
    uint64_t operator()(const Currency& c) const { return static_cast<uint64_t>(c.tenThousandths); }
    uint64_t operator()(const Date& d) const { return d.year * 372 + d.month * 31 + d.day; }
    uint64_t operator()(const DateTime& t) const { return t.date.day + t.millisOfDay; }
    uint64_t operator()(bool b) const { return b ? 3 : 5; }
    uint64_t operator()(const Blob& b) const { return b.bytes.size(); }
    uint64_t operator()(const Decimal& d) const {
      return static_cast<uint64_t>(d.coefficient) * 7 + static_cast<uint64_t>(d.scale);
    }
  };
  return h * 1099511628211ull ^ std::visit(Visitor{}, v);
}

std::string MemoPathOf(const std::string& path, const char* ext) {
  return std::string(WithoutExtension(path)) + ext;
}

// The customer structure the append benchmarks write: every type the import reads, one memo.
const std::vector<StructureRow>& CustomerStructure() {
  static const std::vector<StructureRow> rows = {
      {"KDNR", 'N', 8, 0},     {"NAME", 'C', 40, 0},    {"NAME2", 'C', 40, 0},
      {"STRASSE", 'C', 40, 0}, {"PLZ", 'C', 10, 0},     {"ORT", 'C', 40, 0},
      {"LAND", 'C', 30, 0},    {"TELEFON", 'C', 25, 0}, {"TELEFAX", 'C', 25, 0},
      {"EMAIL", 'C', 60, 0},   {"ANREDE", 'C', 20, 0},  {"BEMERK", 'C', 60, 0},
      {"GEBDAT", 'D', 8, 0},   {"UMSATZ", 'N', 12, 2},  {"AKTIV", 'L', 1, 0},
      {"NOTIZ", 'M', 10, 0},
  };
  return rows;
}
constexpr size_t kCustomerValues = 15;  // the fields before the memo

void AppendNumber(std::string& s, uint32_t n) {
  char digits[16];
  s.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
}

std::string& TextIn(Value& v) {
  if (std::string* s = std::get_if<std::string>(&v)) return *s;
  return v.emplace<std::string>();
}

// The values of customer i (fields 1 ... 15) and its memo text, built into the values and the
// string of the previous customer: once per record into reused buffers, as a converter fills its
// target values. (Building fresh strings and values per field cost the benchmark a third of its
// instructions, which measured the benchmark and not the table layer.)
void CustomerValues(uint32_t i, Value (&values)[kCustomerValues], std::string* memoText) {
  static const char* const kNames[] = {"M\x81ller",
                                       "Sch\x84"
                                       "fer",
                                       "Wei\xe1",
                                       "K\x94hler",
                                       "Kr\x81ger",
                                       "Schmidt"};
  static const char* const kPlaces[] = {"M\x81nchen", "K\x94ln", "D\x81sseldorf", "Berlin"};
  values[0] = static_cast<double>(i + 1);
  std::string* s = &TextIn(values[1]);
  s->assign(kNames[i % 6]).push_back(' ');
  AppendNumber(*s, i);
  TextIn(values[2]).assign(i % 3 ? "" : "GmbH & Co. KG");
  s = &TextIn(values[3]);
  s->assign(
      "Hauptstra\xe1"
      "e ");
  AppendNumber(*s, i % 200 + 1);
  s = &TextIn(values[4]);
  s->clear();
  AppendNumber(*s, 10000 + i % 89999);
  TextIn(values[5]).assign(kPlaces[i % 4]);
  TextIn(values[6]).assign("Deutschland");
  s = &TextIn(values[7]);
  s->assign("089 / ");
  AppendNumber(*s, 100000 + i % 900000);
  TextIn(values[8]).clear();
  s = &TextIn(values[9]);
  s->assign("kunde");
  AppendNumber(*s, i);
  s->append("@example.de");
  TextIn(values[10]).assign(i % 2 ? "Herr" : "Frau");
  TextIn(values[11]).assign("Stammkunde");
  values[12] = Date{1950 + static_cast<int>(i % 50), 1 + static_cast<int>(i % 12),
                    1 + static_cast<int>(i % 28)};
  values[13] = static_cast<double>(i % 100000) / 100.0;
  values[14] = i % 7 != 0;
  memoText->assign("Kunde seit ");
  AppendNumber(*memoText, 1980 + i % 40);
  memoText->append(".\r\nZahlt p\x81nktlich; ").append(20 + i % 150, 'x');
}

// Any error the table layer raises ends the operation: the handler abandons, the caller
// catches and reports.
std::string Described(const ErrorObject& e) {
  return e.description + (e.fileName.empty() ? "" : " (" + e.fileName + ")");
}

}  // namespace

ReadTotals ReadAllFields(const std::string& path) {
  ReadTotals t;
  ScopedErrorHandler abandon([](const ErrorObject&) { return ErrorOutcome{}; });
  try {
    if (!OpenTable(true, kDriverCdx, path, "", true, true)) return t.error = "not opened", t;
    const std::vector<StructureRow> rows = Structure();
    const int fields = static_cast<int>(rows.size());
    // One value per field position, read into again for every record (GetFieldInto), as a
    // reader of whole tables such as the converter keeps them.
    std::vector<Value> values(rows.size());
    for (GoTop(); !AtEnd(); Skip()) {
      ++t.records;
      for (int f = 1; f <= fields; ++f) {
        Value& v = values[static_cast<size_t>(f - 1)];
        GetFieldInto(f, &v);
        if (rows[static_cast<size_t>(f - 1)].type == 'M') {
          if (auto* s = std::get_if<std::string>(&v)) t.memoBytes += s->size();
        }
        t.checksum = Fold(t.checksum, v);
        ++t.fields;
      }
    }
    CloseArea();
  } catch (const ErrorAbandoned& a) {
    CloseAllAreas();
    t.error = Described(a.error);
  }
  return t;
}

std::string AppendCustomers(const std::string& path, uint32_t count) {
  ScopedErrorHandler abandon([](const ErrorObject&) { return ErrorOutcome{}; });
  try {
    CreateTable(path, CustomerStructure(), kDriverCdx);
    if (!OpenTable(true, kDriverCdx, path, "", false, false)) return "not opened";
    Value values[kCustomerValues];
    Value memo = std::string();
    for (uint32_t i = 0; i < count; ++i) {
      CustomerValues(i, values, &std::get<std::string>(memo));
      if (!AppendRecord()) return "append failed";
      for (size_t f = 0; f < kCustomerValues; ++f) PutField(static_cast<int>(f + 1), values[f]);
      PutField(static_cast<int>(kCustomerValues + 1), memo);
    }
    CommitArea();
    CloseArea();
  } catch (const ErrorAbandoned& a) {
    CloseAllAreas();
    return Described(a.error);
  }
  return {};
}

ReadTotals ReadAllFieldsDirect(const std::string& path) {
  ReadTotals t;
  Env* env = DefaultEnv();
  std::unique_ptr<File> dbf;
  IoStatus st = env->Open(path, OpenOptions{false, true, Disposition::kOpenExisting}, &dbf);
  if (!st.ok()) return t.error = st.ToString(), t;
  uint64_t size = 0;
  if (!(st = dbf->Size(&size)).ok()) return t.error = st.ToString(), t;
  std::vector<uint8_t> head(std::min<uint64_t>(size, 65536 + 32));
  size_t got = 0;
  if (!(st = dbf->ReadAt(0, head, &got)).ok()) return t.error = st.ToString(), t;
  head.resize(got);
  Result<DbfHeader> hr = ParseDbfHeader(head, size, path);
  if (!hr.ok()) return t.error = hr.error().ToString(), t;
  const DbfHeader& h = hr.value();

  // The memo file through its streaming reader (memo_file.h), as the areas read it.
  std::unique_ptr<MemoFile> memo;
  if (h.memoKind() == MemoKind::kFpt) {
    for (const char* ext : {".fpt", ".FPT"}) {
      if (env->FileExists(MemoPathOf(path, ext))) {
        TableStatus ms = MemoFile::Open(env, MemoPathOf(path, ext), OpenOptions{false, true},
                                        MemoKind::kFpt, kDriverCdx, &memo);
        if (!ms) return t.error = Described(ms.error()), t;
        break;
      }
    }
    if (!memo) return t.error = "memo file missing", t;
  }
  DbfRecordDecoder decoder(h, path, memo.get());

  // Records are read in batches, as a buffered table reader would.
  constexpr uint32_t kBatch = 2048;
  std::vector<uint8_t> buffer(static_cast<size_t>(kBatch) * h.recordLength);
  std::vector<Value> values(h.fields.size());
  for (uint32_t first = 1; first <= h.recordCount; first += kBatch) {
    uint32_t n = std::min(kBatch, h.recordCount - first + 1);
    std::span<uint8_t> batch(buffer.data(), static_cast<size_t>(n) * h.recordLength);
    if (!(st = dbf->ReadAt(h.RecordOffset(first), batch, &got)).ok()) {
      return t.error = st.ToString(), t;
    }
    for (uint32_t i = 0; i < n; ++i) {
      std::span<const uint8_t> rec =
          batch.subspan(static_cast<size_t>(i) * h.recordLength, h.recordLength);
      if (RecordIsDeleted(rec)) continue;
      ++t.records;
      for (size_t f = 0; f < h.fields.size(); ++f) {
        if (static_cast<int>(f) == h.nullFlagsField) continue;
        Value& v = values[f];
        Status s = decoder.FieldInto(rec, h.RecordOffset(first + i), f, &v);
        if (!s.ok()) return t.error = s.error().ToString(), t;
        if (auto* text = std::get_if<std::string>(&v); text && h.fields[f].type == 'M') {
          t.memoBytes += text->size();
        }
        t.checksum = Fold(t.checksum, v);
        ++t.fields;
      }
    }
  }
  return t;
}

std::string AppendCustomersDirect(const std::string& path, uint32_t count) {
  std::vector<DbfFieldSpec> spec;
  for (const StructureRow& r : CustomerStructure()) {
    spec.push_back({r.name, r.type, r.length, static_cast<uint8_t>(r.decimals)});
  }
  const std::string memoPath = MemoPathOf(path, ".fpt");
  Result<DbfHeader> hr = MakeDbfHeader(kDbfVersionFoxPro2Memo, spec, 0x02, path);
  if (!hr.ok()) return hr.error().ToString();
  DbfHeader& h = hr.value();

  Env* env = DefaultEnv();
  std::unique_ptr<File> dbf, fpt;
  const OpenOptions create{true, false, Disposition::kCreateAlways};
  IoStatus st = env->Open(path, create, &dbf);
  if (!st.ok()) return st.ToString();
  if (!(st = env->Open(memoPath, create, &fpt)).ok()) return st.ToString();

  std::string head = EncodeDbfHeader(h);
  std::string fptHead = NewFptFile(kFptDefaultBlockSize);
  uint64_t fptSize = fptHead.size();
  if (!(st = dbf->WriteAt(0, AsSpan(head + static_cast<char>(kDbfEofMarker)))).ok())
    return st.ToString();
  if (!(st = fpt->WriteAt(0, AsSpan(fptHead))).ok()) return st.ToString();

  // Appended records and memo blocks collect in write buffers that go to the files in large
  // writes: memo blocks first, then the records, then the end marker and the header count, so
  // the files are consistent after every flush.
  std::string records, memos;
  uint32_t written = 0;  // records in the file
  uint64_t memoFlushedTo = fptSize;
  auto flush = [&]() -> std::string {
    if (!memos.empty()) {
      if (!(st = fpt->WriteAt(memoFlushedTo, AsSpan(memos))).ok()) return st.ToString();
      memoFlushedTo += memos.size();
      memos.clear();
      if (!(st = fpt->WriteAt(0, AsSpan(fptHead.substr(0, 4)))).ok()) return st.ToString();
    }
    uint32_t pending = static_cast<uint32_t>(records.size() / h.recordLength);
    records.push_back(static_cast<char>(kDbfEofMarker));
    if (!(st = dbf->WriteAt(h.RecordOffset(written + 1), AsSpan(records))).ok()) {
      return st.ToString();
    }
    records.clear();
    written += pending;
    auto* p = reinterpret_cast<uint8_t*>(head.data());
    PatchDbfHeaderCount({p, kDbfRecordCountEnd}, written, 2024, 1, 15);
    if (!(st = dbf->WriteAt(0, AsSpan(head.substr(0, kDbfRecordCountEnd)))).ok()) {
      return st.ToString();
    }
    return {};
  };

  const std::string blank = BlankRecord(h);
  std::string memoText;
  Value values[kCustomerValues];
  records.reserve((1u << 20) + 2 * h.recordLength);
  for (uint32_t i = 0; i < count; ++i) {
    // The record is built in place at the end of the write buffer.
    const size_t at = records.size();
    records += blank;
    std::span<uint8_t> r(reinterpret_cast<uint8_t*>(records.data()) + at, h.recordLength);
    CustomerValues(i, values, &memoText);
    for (size_t f = 0; f < std::size(values); ++f) {
      Status es = EncodeField(h, f, values[f], r);
      if (!es.ok()) return es.error().ToString();
    }
    FptHeader fh = ParseFptHeader(AsSpan(fptHead), memoPath).value();
    Result<MemoWritePlan> plan = PlanFptAppend(fh, fptSize, memoPath, kMemoTypeText, memoText);
    if (!plan.ok()) return plan.error().ToString();
    for (const FilePatch& p : plan.value().patches) {
      if (p.offset == 0) {
        fptHead.replace(0, p.bytes.size(), p.bytes);
      } else {
        memos += p.bytes;  // always the next bytes after the end of the file
        fptSize = p.offset + p.bytes.size();
      }
    }
    Status ms = EncodeMemoBlock(h, 15, plan.value().block, r);
    if (!ms.ok()) return ms.error().ToString();
    if (records.size() >= (1u << 20)) {
      if (std::string e = flush(); !e.empty()) return e;
    }
  }
  // Closing hands the data to the operating system, as the peers' copies do (no device flush).
  return flush();
}

}  // namespace tabrix::bench
