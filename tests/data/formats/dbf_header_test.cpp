// Header parsing of built and damaged tables, header creation and the append patch.

#include <gtest/gtest.h>

#include <functional>

#include "data/base/byte_coding.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"

namespace tabrix {
namespace {

std::vector<DbfFieldSpec> CustomerFields() {
  return {{"NAME", 'C', 10, 0},
          {"BETRAG", 'N', 8, 2},
          {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0},
          {"NOTIZ", 'M', 10, 0}};
}

// A dBASE III table with memo of three blank records and the EOF byte.
std::string SmallTable(uint32_t records = 3) {
  Result<DbfHeader> h = MakeDbfHeader(kDbfVersionDbase3Memo, CustomerFields(), 0x02, "t.dbf");
  EXPECT_TRUE(h.ok());
  h.value().headerRecordCount = records;
  std::string file = EncodeDbfHeader(h.value());
  for (uint32_t i = 0; i < records; ++i) file += BlankRecord(h.value());
  file += static_cast<char>(kDbfEofMarker);
  return file;
}

Result<DbfHeader> Parse(const std::string& file) {
  return ParseDbfHeader({reinterpret_cast<const uint8_t*>(file.data()), file.size()}, file.size(),
                        "t.dbf");
}

void SetLE16(std::string& f, size_t at, uint16_t v) {
  EncodeLE16(reinterpret_cast<uint8_t*>(&f[at]), v);
}
void SetLE32(std::string& f, size_t at, uint32_t v) {
  EncodeLE32(reinterpret_cast<uint8_t*>(&f[at]), v);
}

TEST(DbfHeader, BuiltTableRoundTrips) {
  std::string file = SmallTable();
  Result<DbfHeader> h = Parse(file);
  ASSERT_TRUE(h.ok()) << h.error().ToString();
  EXPECT_EQ(h.value().version, kDbfVersionDbase3Memo);
  EXPECT_EQ(h.value().headerLength, 32 + 5 * 32 + 1);
  EXPECT_EQ(h.value().recordLength, 1u + 10 + 8 + 8 + 1 + 10);
  EXPECT_EQ(h.value().recordCount, 3u);
  EXPECT_EQ(h.value().codePageMark, 0x02);
  EXPECT_EQ(h.value().memoKind(), MemoKind::kDbt3);
  ASSERT_EQ(h.value().fields.size(), 5u);
  const uint32_t offsets[] = {1, 11, 19, 27, 28};
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(h.value().fields[i].name, CustomerFields()[i].name);
    EXPECT_EQ(h.value().fields[i].type, CustomerFields()[i].type);
    EXPECT_EQ(h.value().fields[i].length, CustomerFields()[i].length);
    EXPECT_EQ(h.value().fields[i].decimals, CustomerFields()[i].decimals);
    EXPECT_EQ(h.value().fields[i].offset, offsets[i]);
  }
}

TEST(DbfHeader, LongCharacterFieldStoresHighByteInDecimals) {
  Result<DbfHeader> h = MakeDbfHeader(kDbfVersionFoxPro2Memo, {{"TEXT", 'C', 300, 0}}, 2, "t");
  ASSERT_TRUE(h.ok());
  std::string file = EncodeDbfHeader(h.value()) + BlankRecord(h.value());
  EXPECT_EQ(static_cast<uint8_t>(file[32 + 16]), 300 % 256);
  EXPECT_EQ(static_cast<uint8_t>(file[32 + 17]), 1);
  Result<DbfHeader> back = Parse(file);
  ASSERT_TRUE(back.ok());
  EXPECT_EQ(back.value().fields[0].length, 300u);
  EXPECT_EQ(back.value().recordLength, 301u);
}

// Each type's limits for a new field: the case on the limit is made, the one past it refused.
TEST(DbfHeader, MakeTakesFieldsOnTheTypeLimitsAndRefusesOnePast) {
  struct Case {
    uint8_t version;
    DbfFieldSpec field;
    bool made;
  } cases[] = {
      {kDbfVersionDbase3, {"N", 'N', 20, 0}, true},
      {kDbfVersionDbase3, {"N", 'N', 21, 0}, false},
      {kDbfVersionDbase3, {"F", 'F', 20, 18}, true},
      {kDbfVersionDbase3, {"F", 'F', 20, 19}, false},
      {kDbfVersionDbase3, {"N", 'N', 5, 3}, true},
      {kDbfVersionDbase3, {"N", 'N', 5, 4}, false},
      {kDbfVersionDbase3, {"D", 'D', 8, 0}, true},
      {kDbfVersionDbase3, {"D", 'D', 9, 0}, false},
      {kDbfVersionDbase3, {"L", 'L', 1, 0}, true},
      {kDbfVersionDbase3, {"L", 'L', 2, 0}, false},
      {kDbfVersionDbase3Memo, {"M", 'M', 10, 0}, true},
      {kDbfVersionDbase3Memo, {"M", 'M', 4, 0}, false},
      {kDbfVersionDbase3, {"C", 'C', 1, 0}, true},
      {kDbfVersionDbase3, {"C", 'C', 0, 0}, false},
      {kDbfVersionDbase3, {"C", 'C', 65534, 0}, true},  // with the deletion mark: 65535
      {kDbfVersionDbase3, {"C", 'C', 65535, 0}, false},
      {kDbfVersionDbase3, {"TENCHARSXX", 'C', 5, 0}, true},
      {kDbfVersionDbase3, {"ELEVENCHARS", 'C', 5, 0}, false},
      {kDbfVersionDbase3, {"", 'C', 5, 0}, false},
      {kDbfVersionDbase3, {"X", 'X', 5, 0}, false},
      {kDbfVersionDbase3, {"I", 'I', 4, 0}, false},  // read, never created
      {kDbfVersionVfp, {"C", 'C', 5, 0}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field.name + c.field.type + std::to_string(c.field.length));
    Result<DbfHeader> h = MakeDbfHeader(c.version, {c.field}, 0, "t");
    EXPECT_EQ(h.ok(), c.made);
  }
}

TEST(DbfHeader, AppendPatchRewritesCountAndDate) {
  std::string file = SmallTable();
  PatchDbfHeaderCount({reinterpret_cast<uint8_t*>(file.data()), 32}, 4, 2026, 12, 10);
  file.insert(file.size() - 1, BlankRecord(Parse(SmallTable()).value()));
  Result<DbfHeader> h = Parse(file);
  ASSERT_TRUE(h.ok());
  EXPECT_EQ(h.value().recordCount, 4u);
  EXPECT_EQ(h.value().updateYear, 2026);
  EXPECT_EQ(h.value().updateMonth, 12);
  EXPECT_EQ(h.value().updateDay, 10);
}

// The single fields a table reads and patches in place agree with the whole header, and the
// date patch leaves the count to the append protocol.
TEST(DbfHeader, SingleFieldsMatchTheWholeHeader) {
  for (uint32_t records : {0u, 1u, 3u}) {
    SCOPED_TRACE(records);
    std::string file = SmallTable(records);
    auto* p = reinterpret_cast<uint8_t*>(file.data());
    const DbfHeader before = Parse(file).value();
    EXPECT_EQ(DecodeDbfRecordCount({p, kDbfRecordCountEnd}), before.headerRecordCount);
    EXPECT_EQ(DecodeDbfHeaderLength({p, kDbfHeaderLengthEnd}), before.headerLength);

    PatchDbfUpdateDate({p, kDbfRecordCountOffset}, 1999, 2, 28);
    const DbfHeader after = Parse(file).value();
    EXPECT_EQ(after.updateYear, 1999);
    EXPECT_EQ(after.updateMonth, 2);
    EXPECT_EQ(after.updateDay, 28);
    EXPECT_EQ(after.headerRecordCount, records);
    EXPECT_EQ(file.substr(kDbfRecordCountOffset),
              SmallTable(records).substr(kDbfRecordCountOffset));
  }
}

TEST(DbfHeader, MemoFieldsByTypeAndDialect) {
  struct Case {
    char type;
    bool memoDbase, memoVfp;
  };
  const Case cases[] = {{'M', true, true},   {'G', true, true},   {'P', true, true},
                        {'W', true, true},   {'B', true, false},  {'C', false, false},
                        {'N', false, false}, {'I', false, false}, {'D', false, false}};
  DbfHeader dbase, vfp;
  vfp.version = kDbfVersionVfp;
  for (const Case& c : cases) {
    DbfField f;
    f.type = c.type;
    EXPECT_EQ(IsMemoField(dbase, f), c.memoDbase) << c.type;
    EXPECT_EQ(IsMemoField(vfp, f), c.memoVfp) << c.type;
  }
}

struct DamageCase {
  const char* what;
  std::function<void(std::string&)> damage;
  bool ok;
  FormatErrorKind kind;
  uint64_t offset;           // where the error points (failures only)
  uint32_t recordCount = 0;  // records served (successes only)
};

TEST(DbfHeader, DamagedHeadersGiveClearErrorsOrTolerantReads) {
  const size_t hl = 32 + 5 * 32 + 1;
  const size_t rl = 38;
  const DamageCase cases[] = {
      {"file of 20 bytes", [](std::string& f) { f.resize(20); }, false,
       FormatErrorKind::kCorruption, 0},
      {"cut inside the descriptors", [](std::string& f) { f.resize(100); }, false,
       FormatErrorKind::kCorruption, 8},
      {"header length below 33", [](std::string& f) { SetLE16(f, 8, 32); }, false,
       FormatErrorKind::kCorruption, 8},
      {"header length past the end", [](std::string& f) { SetLE16(f, 8, 60000); }, false,
       FormatErrorKind::kCorruption, 8},
      {"record length 0", [](std::string& f) { SetLE16(f, 10, 0); }, false,
       FormatErrorKind::kCorruption, 10},
      {"record length shorter than the fields, file of neither length",
       [](std::string& f) {
         SetLE16(f, 10, 20);
         f += "junk!";
       },
       false, FormatErrorKind::kCorruption, 10},
      {"record length shorter than the fields, file holds records of the fields' length",
       [](std::string& f) { SetLE16(f, 10, 20); }, true, FormatErrorKind::kCorruption, 0, 3},
      {"field of length 0: read, the record length keeps its padding",
       [](std::string& f) { f[32 + 32 + 16] = 0; }, true, FormatErrorKind::kCorruption, 0, 3},
      {"dBASE II", [](std::string& f) { f[0] = 0x02; }, false, FormatErrorKind::kUnsupported, 0},
      {"dBASE 7 version byte on a 32-byte header with memo, too short for the level 7 layout",
       [](std::string& f) {
         f[0] = static_cast<char>(0x8C);
         SetLE16(f, 8, 68);
       },
       false, FormatErrorKind::kCorruption, 8},
      {"unknown version", [](std::string& f) { f[0] = 0x55; }, false, FormatErrorKind::kUnsupported,
       0},
      {"count larger than the file", [](std::string& f) { SetLE32(f, 4, 1000000); }, true,
       FormatErrorKind::kCorruption, 0, 3},
      {"count of 4 billion", [](std::string& f) { SetLE32(f, 4, 0xFFFFFFFF); }, true,
       FormatErrorKind::kCorruption, 0, 3},
      {"last record cut short", [&](std::string& f) { f.resize(hl + 2 * rl + 10); }, true,
       FormatErrorKind::kCorruption, 0, 2},
      {"no EOF byte", [](std::string& f) { f.pop_back(); }, true, FormatErrorKind::kCorruption, 0,
       3},
      {"count smaller than the file", [](std::string& f) { SetLE32(f, 4, 1); }, true,
       FormatErrorKind::kCorruption, 0, 1},
      {"no terminator: 0x00 in its place", [](std::string& f) { f[hl - 1] = 0; }, true,
       FormatErrorKind::kCorruption, 0, 3},
      {"terminator 0x0A", [](std::string& f) { f[hl - 1] = 0x0A; }, true,
       FormatErrorKind::kCorruption, 0, 3},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = SmallTable();
    c.damage(file);
    Result<DbfHeader> h = Parse(file);
    ASSERT_EQ(h.ok(), c.ok) << (h.ok() ? std::string("parsed") : h.error().ToString());
    if (c.ok) {
      EXPECT_EQ(h.value().recordCount, c.recordCount);
      EXPECT_EQ(h.value().fields.size(), 5u);
    } else {
      EXPECT_EQ(h.error().kind, c.kind);
      EXPECT_EQ(h.error().offset, c.offset);
      EXPECT_EQ(h.error().fileName, "t.dbf");
      EXPECT_FALSE(h.error().reason.empty());
    }
  }
}

TEST(DbfHeader, RecordLengthLongerThanFieldsIsKept) {
  std::string file = SmallTable(0);
  SetLE16(file, 10, 50);
  Result<DbfHeader> h = Parse(file);
  ASSERT_TRUE(h.ok());
  EXPECT_EQ(h.value().recordLength, 50u);
}

TEST(DbfHeader, ParserNeverReadsPastAShortHeadSpan) {
  // The caller hands in fewer bytes than the header length claims.
  std::string file = SmallTable();
  Result<DbfHeader> h =
      ParseDbfHeader({reinterpret_cast<const uint8_t*>(file.data()), 100}, file.size(), "t.dbf");
  ASSERT_FALSE(h.ok());
  EXPECT_EQ(h.error().offset, 100u);
}

}  // namespace
}  // namespace tabrix
