// Every table of the corpus (tests/data/corpus) opens and decodes; selected values agree with
// the independent readers (checked with scripts/compare_readers.py), and the odd files give the
// tolerant read or the error chosen for them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "data/formats/dbf_test_util.h"
#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing::CorpusPath;
using testing::Dec;
using testing::LoadTable;

std::string TrimRight(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::vector<std::string> CorpusTables() {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(CorpusPath(""))) {
    std::string ext = e.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
    // Forward slashes on every system, so that the name checks below match under Windows.
    if (e.is_regular_file() && ext == ".dbf") out.push_back(e.path().generic_string());
  }
  std::sort(out.begin(), out.end());
  return out;
}

// Fields whose stored pointer is really broken in the corpus file: the GENERAL field of
// phpxbase_vfp points into the FPT header (blocks 1-3 of a 64-byte-block file).
bool KnownBrokenField(const std::string& path, const std::string& field) {
  return path.ends_with("vfp/phpxbase_vfp.dbf") && field == "GENERAL";
}

TEST(DbfCorpus, EveryTableOpensAndEveryFieldDecodes) {
  std::vector<std::string> tables = CorpusTables();
  ASSERT_GE(tables.size(), 50u) << "corpus not found under " << CorpusPath("");
  size_t fieldsRead = 0;
  for (const std::string& path : tables) {
    SCOPED_TRACE(path);
    auto t = LoadTable(path);
    if (path.ends_with("odd/dbase_02.dbf")) {
      ASSERT_FALSE(t->ok());
      EXPECT_EQ(t->header->error().kind, FormatErrorKind::kUnsupported);
      continue;
    }
    ASSERT_TRUE(t->ok()) << t->header->error().ToString();
    EXPECT_FALSE(t->memoError) << t->memoError->ToString();
    const DbfHeader& h = t->h();
    for (uint32_t n = 1; n <= h.recordCount; ++n) {
      for (size_t i = 0; i < h.fields.size(); ++i) {
        Result<Value> v = t->decoder->Field(t->Record(n), h.RecordOffset(n), i);
        if (KnownBrokenField(path, h.fields[i].name)) {
          EXPECT_FALSE(v.ok());
          continue;
        }
        ASSERT_TRUE(v.ok()) << "record " << n << " field " << h.fields[i].name << ": "
                            << v.error().ToString();
        if (h.fields[i].type == 'C' && !std::holds_alternative<Null>(v.value())) {
          EXPECT_EQ(std::get<std::string>(v.value()).size(), h.fields[i].length);
        }
        ++fieldsRead;
      }
    }
  }
  EXPECT_GT(fieldsRead, 10000u);
}

struct ValueCase {
  const char* file;
  uint32_t record;
  const char* field;
  Value expected;  // strings are compared without trailing blanks
};

Date D(int y, int m, int d) {
  return Date{y, m, d};
}

// Expected values agree with dbfread / GDAL output except where noted.
const ValueCase kValueCases[] = {
    {"dbase3/dbase_03.dbf", 1, "Point_ID", std::string("0507121")},
    {"dbase3/dbase_03.dbf", 1, "Max_PDOP", Dec("5.2")},
    {"dbase3/dbase_03.dbf", 1, "Date_Visit", D(2005, 7, 12)},
    {"dbase3/xbase_test.dbf", 1, "NOTE", std::string("This is a memo for record no one")},
    {"dbase3/xbase_test.dbf", 3, "DATES", D(1996, 1, 2)},
    // Logical "?" (uninitialised): dbfread says null; xBase reads it as false.
    {"dbase3/xbase_test.dbf", 1, "BOOLEAN", false},
    {"dbase4/dbase_8b.dbf", 1, "CHARACTER", std::string("One")},
    {"dbase4/dbase_8b.dbf", 1, "MEMO", std::string("First memo\r\n")},
    {"dbase4/dbase_8b.dbf", 2, "DATE", D(1970, 12, 31)},
    {"dbase4/dbase_8b.dbf", 10, "FLOAT", Dec("0.1")},
    {"dbase4/dbase_8b.dbf", 9, "DATE", Date{}},
    {"foxpro2/dbase_f5.dbf", 1, "DATN", D(1951, 1, 13)},
    {"foxpro2/dbase_f5.dbf", 1, "NOM", std::string("joan-ramon")},
    {"foxpro2/pr90.dbf", 1, "NOTEMEMO",
     std::string("He will call us on the 18th to settle - 123 xp")},
    {"generated/kunden_clp_cp850.dbf", 1, "STRASSE",
     std::string("Hauptstra\xe1"
                 "e 5")},
    {"generated/kunden_clp_cp850.dbf", 1, "NOTIZ",
     std::string("Stammkunde seit 1987.\r\nZahlt p\x81nktlich.")},
    {"generated/kunden_clp_cp850.dbf", 3, "UMSATZ", Dec("-17.25")},
    {"generated/kunden_clp_cp850.dbf", 3, "GEBDAT", Date{}},
    {"generated/kunden_fp_cp850.dbf", 1, "NAME", std::string("M\x81ller")},
    {"generated/kunden_fp_cp850.dbf", 1, "UMSATZ", Dec("1250.5")},
    {"generated/kunden_db3_cp437.dbf", 1, "AKTIV", true},
    {"vfp/foxprodb/calls.dbf", 1, "CALL_DATE", DateTime{D(1994, 11, 21), 48939000}},
    {"vfp/foxprodb/calls.dbf", 1, "CALL_TIME", DateTime{D(1899, 12, 30), 48938999}},
    {"vfp/foxprodb/calls.dbf", 2, "NOTES", std::string("Usual monthly order.")},
    {"vfp/dbase_31.dbf", 1, "PRODUCTID", int32_t{1}},
    {"vfp/dbase_31.dbf", 1, "UNITPRICE", Currency{180000}},
    {"vfp/dbase_31.dbf", 2, "UNITSONORD", int32_t{40}},
    // Varchar with its length in the last byte: no independent reader applies the flag.
    {"vfp/dbase_32.dbf", 1, "NAME", std::string("Bad Meets Evil")},
    {"vfp/godbase/alltypes.dbf", 1, "DOUBLE", 78.9},
    {"vfp/godbase/alltypes.dbf", 1, "PRICE", Currency{123456}},
    {"vfp/godbase/alltypes.dbf", 1, "DESC", std::string("PRODUCT DESCRIPTION")},
    {"vfp/godbase/alltypes.dbf", 1, "ACTIVE", true},
    // _NullFlags marks these C fields null; the readers return '' for them.
    {"vfp/xsource/payments.dbf", 1, "CREDITCARD", Null{}},
    {"vfp/xsource/payments.dbf", 1, "PAYMENTAMO", Currency{10000000}},
    {"vfp/memotest.dbf", 3, "MEMO", std::string("Deleted Guy memo")},
    {"vfp/vfp9_memo_bs1.dbf", 1, "NOTES", std::string("Some notes here\r\n")},
    {"vfp/vfp9_memo_bs1.dbf", 2, "NOTES", std::string()},
    {"vfp/afox5.dbf", 2, "MESSAGE", std::string("second mess.")},
    {"odd/null_padded_numeric.dbf", 1, "number", Dec("1234")},
    {"odd/nullchar.dbf", 2, "TXTCOL", std::string("\0reak", 5)},
    {"odd/stations_with_deleted.dbf", 2, "name", std::string("Franconia-Springfield")},
    {"odd/dbase_8b_incorrect_record_count.dbf", 10, "NUMERICAL", Dec("10")},
    {"codepage/cp850.dbf", 1, "TEXT", std::string("\x8e\x94\x81!\xf5$%&/")},
};

TEST(DbfCorpus, ValuesMatchIndependentReaders) {
  for (const ValueCase& c : kValueCases) {
    SCOPED_TRACE(std::string(c.file) + " #" + std::to_string(c.record) + " " + c.field);
    auto t = LoadTable(CorpusPath(c.file));
    ASSERT_TRUE(t->ok()) << t->header->error().ToString();
    ASSERT_LE(c.record, t->h().recordCount);
    Result<Value> v = t->Field(c.record, c.field);
    ASSERT_TRUE(v.ok()) << v.error().ToString();
    Value got = v.value();
    if (auto* s = std::get_if<std::string>(&got)) *s = TrimRight(*s);
    if (auto* d = std::get_if<double>(&got); d && std::holds_alternative<double>(c.expected)) {
      EXPECT_NEAR(*d, std::get<double>(c.expected), 1e-9);
    } else {
      EXPECT_TRUE(got == c.expected)
          << "type index " << got.index() << " vs " << c.expected.index();
    }
  }
}

TEST(DbfCorpus, DeletionFlags) {
  struct Case {
    const char* file;
    uint32_t deleted;
  } cases[] = {{"dbase3/PYACFL.DBF", 30},       {"vfp/memotest.dbf", 1},
               {"vfp/godbase/alltypes.dbf", 1}, {"odd/stations_with_deleted.dbf", 1},
               {"codepage/mazovia.dbf", 0},     {"generated/kunden_fp_cp850.dbf", 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto t = LoadTable(CorpusPath(c.file));
    ASSERT_TRUE(t->ok());
    uint32_t deleted = 0;
    for (uint32_t n = 1; n <= t->h().recordCount; ++n) deleted += RecordIsDeleted(t->Record(n));
    EXPECT_EQ(deleted, c.deleted);
  }
}

struct HeaderCase {
  const char* file;
  uint8_t version;
  uint32_t recordCount;
  uint32_t recordLength;
  size_t fields;
  MemoKind memo;
};

// Header facts, including the tolerant reads of the odd files.
const HeaderCase kHeaderCases[] = {
    {"dbase3/dbase_83.dbf", 0x83, 67, 805, 15, MemoKind::kDbt3},
    {"dbase4/client.dbf", 0x8B, 8, 152, 10, MemoKind::kDbt4},
    {"foxpro2/91.dbf", 0xF5, 0, 1061, 108, MemoKind::kFpt},
    {"vfp/dbase_30.dbf", 0x30, 34, 3907, 145, MemoKind::kFpt},
    {"vfp/dbase_31.dbf", 0x31, 77, 95, 11, MemoKind::kFpt},
    {"vfp/dbase_32.dbf", 0x32, 1, 252, 2, MemoKind::kFpt},
    {"dbase3/KUNDEN-schema-only.DBF", 0x03, 0, 1015, 49, MemoKind::kNone},
    // Header says 15 records, the file holds 10 and then the EOF byte.
    {"odd/dbase_8b_incorrect_record_count.dbf", 0x8B, 10, 160, 6, MemoKind::kDbt4},
    // No terminator / 0x00 / 0x0A instead of 0x0D: the header length ends the descriptors.
    {"odd/continents_no_header_record_terminator.dbf", 0x03, 7, 81, 1, MemoKind::kNone},
    {"odd/continents_null_header_record_terminator.dbf", 0x03, 7, 81, 1, MemoKind::kNone},
    {"odd/rooms.dbf", 0x03, 42, 21, 2, MemoKind::kNone},
    // Header record length 1016 but fields of 1017 bytes, and the file holds 6 x 1017.
    {"odd/stations_with_deleted.dbf", 0x03, 6, 1017, 4, MemoKind::kNone},
    // Header count 1 while the file holds more bytes: the header's count wins.
    {"odd/vfp_hdrlen_no_backlink.dbf", 0x30, 1, 162, 21, MemoKind::kFpt},
    {"odd/char_field_with_decimals.dbf", 0x03, 16, 121, 10, MemoKind::kNone},
    {"odd/polygon_nofields.dbf", 0x03, 1, 1, 0, MemoKind::kNone},
};

TEST(DbfCorpus, HeadersAndTolerantReads) {
  for (const HeaderCase& c : kHeaderCases) {
    SCOPED_TRACE(c.file);
    auto t = LoadTable(CorpusPath(c.file));
    ASSERT_TRUE(t->ok()) << t->header->error().ToString();
    EXPECT_EQ(t->h().version, c.version);
    EXPECT_EQ(t->h().recordCount, c.recordCount);
    EXPECT_EQ(t->h().recordLength, c.recordLength);
    EXPECT_EQ(t->h().fields.size(), c.fields);
    EXPECT_EQ(t->h().memoKind(), c.memo);
  }
}

TEST(DbfCorpus, LongCharacterFieldsAndDecimalsOnCharacterFields) {
  struct Case {
    const char* file;
    const char* field;
    uint32_t length;
  } cases[] = {{"foxpro2/pr90.dbf", "NOTE", 300},
               {"generated/kunden_clp_cp850.dbf", "STRASSE", 300},
               {"odd/char_field_with_decimals.dbf", "FLUGHOEHE", 8}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    auto t = LoadTable(CorpusPath(c.file));
    ASSERT_TRUE(t->ok());
    auto it = std::find_if(t->h().fields.begin(), t->h().fields.end(),
                           [&](const DbfField& f) { return f.name == c.field; });
    ASSERT_NE(it, t->h().fields.end());
    EXPECT_EQ(it->length, c.length);
  }
}

TEST(DbfCorpus, NullFlagsBitsFollowFieldOrder) {
  auto t = LoadTable(CorpusPath("vfp/xsource/payments.dbf"));
  ASSERT_TRUE(t->ok());
  ASSERT_GE(t->h().nullFlagsField, 0);
  std::vector<int> bits;
  for (const DbfField& f : t->h().fields) bits.push_back(f.nullBit);
  // Every field but _NullFlags itself is nullable here: bits 0-8 in field order, so the stored
  // 0xF0 marks CREDITCARD, CARDHOLDER, CREDITCAR2 and CREDITCAR3.
  EXPECT_EQ(bits, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, -1}));
}

// The same corpus through the table areas: every table opens shared and read-only, GoTop/Skip
// visits exactly the records without deletion mark, and GetField returns what the record
// decoder returns for every field of every visible record.
TEST(DbfCorpus, EveryTableReadsThroughTheTableAreas) {
  testing_support::RecordingHandler handler;
  size_t tablesOpened = 0;
  for (const std::string& path : CorpusTables()) {
    SCOPED_TRACE(path);
    auto t = LoadTable(path);
    const bool opened = OpenTable(false, "DBFCDX", path, "", true, true);
    if (path.ends_with("odd/dbase_02.dbf")) {
      EXPECT_FALSE(opened);
      ASSERT_EQ(handler.errors.size(), 1u);
      EXPECT_EQ(handler.errors[0].genCode, kGenOpen);
      EXPECT_EQ(handler.errors[0].fileName, path);
      handler.errors.clear();
      continue;
    }
    ASSERT_TRUE(opened) << (handler.errors.empty() ? "" : handler.errors[0].description);
    ++tablesOpened;
    const DbfHeader& h = t->h();
    EXPECT_EQ(RecordCount(), static_cast<int64_t>(h.recordCount));
    std::vector<StructureRow> rows = Structure();
    std::vector<size_t> visibleFields;  // system fields (_NullFlags) are not in the structure
    for (size_t i = 0; i < h.fields.size(); ++i) {
      if (!(h.fields[i].flags & kFieldFlagSystem) && int(i) != h.nullFlagsField) {
        visibleFields.push_back(i);
      }
    }
    ASSERT_EQ(rows.size(), visibleFields.size());
    uint32_t visited = 0;
    for (GoTop(); !AtEnd(); Skip()) {
      const uint32_t n = static_cast<uint32_t>(RecordNumber());
      ASSERT_FALSE(RecordIsDeleted(t->Record(n)));
      ++visited;
      for (size_t p = 1; p <= rows.size(); ++p) {
        const size_t index = visibleFields[p - 1];
        const DbfField* it = &h.fields[index];
        Result<Value> expected = t->decoder->Field(t->Record(n), h.RecordOffset(n), index);
        Value got = GetField(static_cast<int>(p));
        if (expected.ok()) {
          EXPECT_TRUE(got == expected.value()) << "record " << n << " field " << it->name;
        } else {
          EXPECT_TRUE(KnownBrokenField(path, it->name));
          ASSERT_EQ(handler.TakeCodes(), std::vector<int>{kGenCorruption});
        }
        // Some writers repeat a name (dbase_03 has Point_ID twice): the first one wins.
        EXPECT_EQ(h.fields[visibleFields[size_t(FieldPosition(it->name) - 1)]].name, it->name);
      }
    }
    uint32_t live = 0;
    for (uint32_t n = 1; n <= h.recordCount; ++n) live += !RecordIsDeleted(t->Record(n));
    EXPECT_EQ(visited, live);
    EXPECT_EQ(RecordNumber(), static_cast<int64_t>(h.recordCount) + 1);
    EXPECT_TRUE(handler.errors.empty()) << handler.errors[0].description;
    CloseArea();
  }
  EXPECT_GE(tablesOpened, 50u);
}

TEST(DbfCorpus, ValuesThroughTheTableAreas) {
  testing_support::RecordingHandler handler;
  for (const ValueCase& c : kValueCases) {
    SCOPED_TRACE(std::string(c.file) + " #" + std::to_string(c.record) + " " + c.field);
    ASSERT_TRUE(OpenTable(true, "", CorpusPath(c.file), "T", true, true));
    GoTo(c.record);
    Value got = GetFieldByName(AreaOfAlias("t"), c.field);
    if (auto* s = std::get_if<std::string>(&got)) *s = TrimRight(*s);
    if (auto* d = std::get_if<double>(&got); d && std::holds_alternative<double>(c.expected)) {
      EXPECT_NEAR(*d, std::get<double>(c.expected), 1e-9);
    } else {
      EXPECT_TRUE(got == c.expected);
    }
    CloseArea();
  }
  EXPECT_TRUE(handler.errors.empty());
}

// Tables with a production index or an NTX beside them open and read with either driver.
TEST(DbfCorpus, TablesWithIndexFilesBesideThemOpen) {
  testing_support::RecordingHandler handler;
  for (const char* file : {"vfp/foxprodb/calls.dbf", "vfp/godbase/employees.dbf", "odd/rooms.dbf",
                           "ntx/ntx-char.dbf", "vfp/texto.dbf"}) {
    for (const char* driver : {"DBFCDX", "DBFNTX"}) {
      SCOPED_TRACE(std::string(file) + " " + driver);
      ASSERT_TRUE(OpenTable(false, driver, CorpusPath(file), "", true, false));
      EXPECT_EQ(DriverOfArea(), driver);
      int64_t visible = 0;
      for (GoTop(); !AtEnd(); Skip()) ++visible;
      EXPECT_GT(visible, 0);
      CloseArea();
    }
  }
  EXPECT_TRUE(handler.errors.empty());
}

}  // namespace
}  // namespace tabrix
