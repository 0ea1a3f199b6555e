// Field forms that real exports write and every independent reader reads: numbers in exponent
// form, fields of length 0, D fields longer than 8, and dBASE 7 tables. The tables are built
// here byte by byte; the expected values are what the readers of scripts/compare_readers.py
// (dbfread, pydbf, DBD::XBase, ruby-dbf, dbffile, node-dbf, pgdbf, GDAL, dbfdump, dbview) give
// for the same tables, in the value form of oracle_form.h. A reader's null for a blank number
// stands for our 0, as in compare_readers.py (TYPED_FOR_NULL).
//
// With TABRIX_WRITE_FIXTURES=DIR set, every table built here is also written to DIR, so the
// readers can be run on exactly these bytes again.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "data/base/byte_coding.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/oracle_form.h"

namespace tabrix {
namespace {

using testing::OracleForm;

struct FieldSpec {
  std::string name;
  char type;
  uint8_t length;
  uint8_t decimals;
};

void WriteFixture(const std::string& name, const std::string& bytes) {
  const char* dir = std::getenv("TABRIX_WRITE_FIXTURES");
  if (dir == nullptr || *dir == '\0') return;
  std::ofstream(std::string(dir) + "/" + name, std::ios::binary) << bytes;
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// A dBASE III table (version 0x03) of `fields` whose records are `records`, each the bytes of
// its fields back to back (the live flag is added).
std::string Dbase3Table(const std::vector<FieldSpec>& fields,
                        const std::vector<std::string>& records) {
  size_t recordLength = 1;
  for (const FieldSpec& f : fields) recordLength += f.length;
  const size_t headerLength = 32 + 32 * fields.size() + 1;
  std::string t(headerLength, '\0');
  auto* p = reinterpret_cast<uint8_t*>(t.data());
  p[0] = kDbfVersionDbase3;
  p[1] = 124, p[2] = 1, p[3] = 15;
  EncodeLE32(p + 4, static_cast<uint32_t>(records.size()));
  EncodeLE16(p + 8, static_cast<uint16_t>(headerLength));
  EncodeLE16(p + 10, static_cast<uint16_t>(recordLength));
  for (size_t i = 0; i < fields.size(); ++i) {
    uint8_t* d = p + 32 + 32 * i;
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    d[11] = static_cast<uint8_t>(fields[i].type);
    d[16] = fields[i].length;
    d[17] = fields[i].decimals;
  }
  t[headerLength - 1] = static_cast<char>(kDbfHeaderTerminator);
  for (const std::string& r : records) {
    EXPECT_EQ(r.size() + 1, recordLength) << r;
    t += ' ' + r;
  }
  t += static_cast<char>(kDbfEofMarker);
  return t;
}

// The cells of every record in the oracle form, "!" for a cell that is an error.
std::vector<std::vector<std::string>> Cells(const std::string& table, const MemoSource* memo) {
  Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "x.dbf");
  EXPECT_TRUE(h.ok()) << (h.ok() ? "" : h.error().ToString());
  std::vector<std::vector<std::string>> rows;
  if (!h.ok()) return rows;
  DbfRecordDecoder decoder(h.value(), "x.dbf", memo);
  for (uint32_t n = 1; n <= h.value().recordCount; ++n) {
    const uint64_t at = h.value().RecordOffset(n);
    std::span<const uint8_t> record = Bytes(table).subspan(at, h.value().recordLength);
    std::vector<std::string>& row = rows.emplace_back();
    for (size_t i = 0; i < h.value().fields.size(); ++i) {
      Result<Value> v = decoder.Field(record, at, i);
      row.push_back(v.ok() ? OracleForm(v.value()) : "!");
    }
  }
  return rows;
}

std::string Padded(const std::string& text, size_t length) {
  EXPECT_LE(text.size(), length) << text;
  return std::string(length - std::min(length, text.size()), ' ') + text;
}

// Exponent forms in N and F fields, each in a field of its own width, as the readers read them.
// The last column of the table is a C field holding the case's text, so the readers' dumps can
// be told apart.
TEST(DbfExportForms, NumbersInExponentFormReadAsTheReadersReadThem) {
  struct Case {
    char type;
    uint8_t length, decimals;
    const char* stored;
    const char* readers;  // the value every reader gives
    const char* exact;    // our exact Decimal text
  } cases[] = {
      // the column: F(19,11) of a program that writes doubles
      {'F', 19, 11, "1.2313263537e+10", "12313263537", "12313263537"},
      {'F', 19, 11, "1.2313263537E+10", "12313263537", "12313263537"},
      {'F', 19, 11, "-1.2313263537e+10", "-12313263537", "-12313263537"},
      {'N', 12, 0, "1.5e3", "1500", "1500"},
      {'N', 12, 0, "1.5E3", "1500", "1500"},
      {'N', 12, 0, "+1.5e+02", "150", "150"},
      {'N', 12, 4, "-2.5E-03", "-0.0025", "-0.0025"},
      {'N', 12, 4, "-2.5e-3", "-0.0025", "-0.0025"},
      {'F', 20, 0, "1e-5", "1e-05", "0.00001"},
      {'F', 20, 5, "12e0", "12", "12"},
      {'F', 20, 5, "7.25e+000", "7.25", "7.25"},
      {'N', 20, 0, "9.5e17", "950000000000000000", "950000000000000000"},
      {'N', 10, 0, "0.0e+00", "0", "0.0"},
      {'N', 10, 0, "-0.0e+05", "0", "0"},
  };
  std::vector<FieldSpec> fields;
  std::string record;
  for (size_t i = 0; i < std::size(cases); ++i) {
    fields.push_back({"F" + std::to_string(i), cases[i].type, cases[i].length, cases[i].decimals});
    record += Padded(cases[i].stored, cases[i].length);
  }
  const std::string table = Dbase3Table(fields, {record});
  WriteFixture("exponent.dbf", table);
  const std::vector<std::vector<std::string>> cells = Cells(table, nullptr);
  ASSERT_EQ(cells.size(), 1u);
  Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "x.dbf");
  ASSERT_TRUE(h.ok());
  DbfRecordDecoder decoder(h.value(), "x.dbf", nullptr);
  const std::span<const uint8_t> rec =
      Bytes(table).subspan(h.value().headerLength, h.value().recordLength);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].stored);
    EXPECT_EQ(cells[0][i], cases[i].readers);
    Result<Value> v = decoder.Field(rec, h.value().headerLength, i);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(std::get<Decimal>(v.value()).Text(), cases[i].exact);
  }
}

// An exponent form whose value cannot be told, or that a Decimal cannot hold exactly, is an
// error of its cell: the other cells of the record read as usual. On each limit (38 digits, 255
// decimals) and one past it.
TEST(DbfExportForms, ExponentFormsPastExactNumbersAreCellErrors) {
  struct Case {
    const char* stored;
    const char* exact;  // nullptr: a cell error
  } cases[] = {
      {"1.5e", nullptr},                                   // cut after the marker
      {"1.5e+", nullptr},                                  // cut after the exponent's sign
      {"1.5E-", nullptr},                                  //
      {"1.5ex", nullptr},                                  // damaged exponent
      {"1e37", "10000000000000000000000000000000000000"},  // 38 digits
      {"1e38", nullptr},                                   // 39 digits
      {"9.9e36", "9900000000000000000000000000000000000"},
      {"12.5e36", "12500000000000000000000000000000000000"},  // 38 digits
      {"12.5e37", nullptr},
      {"1e-255", nullptr},  // 255 decimals, filled in below
      {"1e-256", nullptr},
      {"0e-999", nullptr},  // zero, whatever its exponent: filled in below
      {"1e99999999999", nullptr},
      {"-1e-99999999999", nullptr},
  };
  const std::string limit255 = "0." + std::string(254, '0') + "1";
  const std::string zero255 = "0." + std::string(255, '0');
  for (Case& c : cases) {
    if (std::string(c.stored) == "1e-255") c.exact = limit255.c_str();
    if (std::string(c.stored) == "0e-999") c.exact = zero255.c_str();
  }
  const std::vector<FieldSpec> fields = {{"N", 'N', 20, 0}, {"C", 'C', 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const std::string table = Dbase3Table(fields, {Padded(c.stored, 20) + "abc"});
    Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "x.dbf");
    ASSERT_TRUE(h.ok());
    DbfRecordDecoder decoder(h.value(), "x.dbf", nullptr);
    const uint64_t at = h.value().headerLength;
    const std::span<const uint8_t> rec = Bytes(table).subspan(at, h.value().recordLength);
    Result<Value> v = decoder.Field(rec, at, 0);
    if (c.exact) {
      ASSERT_TRUE(v.ok()) << v.error().ToString();
      EXPECT_EQ(std::get<Decimal>(v.value()).Text(), c.exact);
    } else {
      ASSERT_FALSE(v.ok()) << std::get<Decimal>(v.value()).Text();
      EXPECT_EQ(v.error().kind, FormatErrorKind::kCorruption);
      EXPECT_EQ(v.error().offset, at + 1);
      EXPECT_NE(v.error().reason.find("field N"), std::string::npos);
    }
    Result<Value> other = decoder.Field(rec, at, 1);
    ASSERT_TRUE(other.ok());
    EXPECT_EQ(std::get<std::string>(other.value()), "abc");
  }
}

// A field of length 0 among others: the table opens, the others read as stored, the empty one
// as its type's blank, whatever its place and type.
TEST(DbfExportForms, AFieldOfLengthZeroReadsBlankBesideTheOthers) {
  struct Case {
    const char* what;
    std::vector<FieldSpec> fields;
    std::vector<std::string> records;
    std::vector<std::vector<std::string>> readers;
  } cases[] = {
      {"N(0) between C fields",
       {{"A", 'C', 3, 0}, {"EMPTY", 'N', 0, 0}, {"B", 'N', 5, 1}},
       {"abc  1.5", "xyz -2.0"},
       {{"abc", "0", "1.5"}, {"xyz", "0", "-2"}}},
      {"N(0) first", {{"EMPTY", 'N', 0, 0}, {"A", 'C', 2, 0}}, {"ab"}, {{"0", "ab"}}},
      {"N(0) last", {{"A", 'C', 2, 0}, {"EMPTY", 'N', 0, 0}}, {"ab"}, {{"ab", "0"}}},
      {"C(0), D(0), L(0)",
       {{"A", 'C', 2, 0}, {"C0", 'C', 0, 0}, {"D0", 'D', 0, 0}, {"L0", 'L', 0, 0}},
       {"ab"},
       {{"ab", "", "\\N", "F"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string table = Dbase3Table(c.fields, c.records);
    WriteFixture(std::string("zero_") + std::to_string(&c - cases) + ".dbf", table);
    EXPECT_EQ(Cells(table, nullptr), c.readers);
  }
}

// D fields longer than 8, as exports write them: the text without blanks on either side is the
// date; blanks are the empty date; what is not 8 digits keeps its stored bytes. The readers'
// answers for each case's table (of the ten, those that open it) are noted where they are not
// unanimous; where they split, ours is the reading of the rule in dbf_record.h.
TEST(DbfExportForms, DateFieldsOfOtherLengthsReadByTheirText) {
  struct Case {
    uint8_t length;
    std::string stored;
    const char* value;
    bool kept;  // handed out as the stored bytes
  } cases[] = {
      {10, "20180101  ", "2018-01-01", false},  // the case: 9 of 9 readers
      {10, "  20180101", "2018-01-01", false},  // split 3 : 3 (others: empty)
      {10, " 20180101 ", "2018-01-01", false},  // split 3 : 3
      {10, std::string("20180101\0\0", 10), "2018-01-01", false},  // 7 of 8
      {10, "          ", "\\N", false},
      {10, "00000000  ", "\\N", false},  // split 3 : 3 (others: 0000-00-00), as a D(8)
      {10, "20180230  ", "\\N", false},  // no such day: empty, as in a D(8)
      {9, "20191231 ", "2019-12-31", false},
      {12, "20240229    ", "2024-02-29", false},
      {10, "2018-01-01", "2018-01-01", false},  // the ISO form: 3 of 6, the others garbled
      {10, "2018-02-30", "\\N", false},
      {10, "01.02.2018", "01.02.2018", true},
      {10, "201801    ", "201801    ", true},
      // 4 of 7 readers take the first 8 digits; the rule does not guess which 8 are the date
      {10, "2018010101", "2018010101", true},
      {8, "20180101", "2018-01-01", false},
      {8, "2018 101", "\\N", false},  // split 4 : 4, the D(8) rule
      {7, "2018010", "2018010", true},
  };
  // One table per case: a reader that refuses one of these fields refuses its whole table.
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(::testing::PrintToString(cases[i].stored));
    const std::string table = Dbase3Table({{"D", 'D', cases[i].length, 0}}, {cases[i].stored});
    WriteFixture("date_" + std::to_string(i) + ".dbf", table);
    const std::vector<std::vector<std::string>> cells = Cells(table, nullptr);
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0][0], cases[i].value);
    Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "x.dbf");
    ASSERT_TRUE(h.ok());
    DbfRecordDecoder decoder(h.value(), "x.dbf", nullptr);
    Result<Value> v = decoder.Field(Bytes(table).subspan(h.value().headerLength), 0, 0);
    ASSERT_TRUE(v.ok());
    if (cases[i].kept) {
      ASSERT_TRUE(std::holds_alternative<Blob>(v.value()));
      EXPECT_EQ(std::get<Blob>(v.value()).bytes, cases[i].stored);
    } else {
      EXPECT_TRUE(std::holds_alternative<Date>(v.value()));
    }
  }
}

// Writing a date into a D field longer than 8 stores YYYYMMDD and blanks, which reads back.
TEST(DbfExportForms, DatesWrittenIntoLongDateFieldsReadBack) {
  const std::string table =
      Dbase3Table({{"D", 'D', 10, 0}, {"S", 'D', 7, 0}}, {std::string(17, ' ')});
  Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "x.dbf");
  ASSERT_TRUE(h.ok());
  std::string rec = table.substr(h.value().headerLength, h.value().recordLength);
  std::span<uint8_t> out(reinterpret_cast<uint8_t*>(rec.data()), rec.size());
  ASSERT_TRUE(EncodeField(h.value(), 0, Date{2018, 1, 1}, out).ok());
  EXPECT_EQ(rec.substr(1, 10), "20180101  ");
  DbfRecordDecoder decoder(h.value(), "x.dbf", nullptr);
  EXPECT_EQ(std::get<Date>(decoder.Field(Bytes(rec), 0, 0).value()), (Date{2018, 1, 1}));
  // Too short for YYYYMMDD: refused, the record unchanged.
  const std::string before = rec;
  EXPECT_FALSE(EncodeField(h.value(), 1, Date{2018, 1, 1}, out).ok());
  EXPECT_EQ(rec, before);
}

// ---- dBASE 7 ------------------------------------------------------------------------------

// The dBASE 7 layout (docs/formats/dbf.md, section 9): 68 bytes of header and language driver
// name, 48-byte descriptors, terminator, then (here) a field properties block of 4 zero bytes
// before the records, which the header length skips.
std::string Dbase7Table(uint8_t version, const std::vector<FieldSpec>& fields,
                        const std::vector<std::string>& records) {
  size_t recordLength = 1;
  for (const FieldSpec& f : fields) recordLength += f.length;
  const size_t headerLength = 68 + 48 * fields.size() + 1 + 4;
  std::string t(headerLength, '\0');
  auto* p = reinterpret_cast<uint8_t*>(t.data());
  p[0] = version;
  p[1] = 125, p[2] = 6, p[3] = 30;
  EncodeLE32(p + 4, static_cast<uint32_t>(records.size()));
  EncodeLE16(p + 8, static_cast<uint16_t>(headerLength));
  EncodeLE16(p + 10, static_cast<uint16_t>(recordLength));
  p[29] = 0x57;  // language driver: the current ANSI code page
  std::memcpy(p + 32, "DBWINUS0", 8);
  for (size_t i = 0; i < fields.size(); ++i) {
    uint8_t* d = p + 68 + 48 * i;
    std::memcpy(d, fields[i].name.data(), fields[i].name.size());
    d[32] = static_cast<uint8_t>(fields[i].type);
    d[33] = fields[i].length;
    d[34] = fields[i].decimals;
    if (fields[i].type == '+') EncodeLE32(d + 40, static_cast<uint32_t>(records.size() + 1));
  }
  t[68 + 48 * fields.size()] = static_cast<char>(kDbfHeaderTerminator);
  for (const std::string& r : records) {
    EXPECT_EQ(r.size() + 1, recordLength);
    t += ' ' + r;
  }
  t += static_cast<char>(kDbfEofMarker);
  return t;
}

// The stored forms of dBASE 7's binary fields, from the published layout.
std::string Long7(int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v) ^ 0x80000000u;
  return {static_cast<char>(u >> 24), static_cast<char>(u >> 16), static_cast<char>(u >> 8),
          static_cast<char>(u)};
}
std::string BigEndian(uint64_t bits) {
  std::string s(8, '\0');
  for (int i = 0; i < 8; ++i) s[i] = static_cast<char>(bits >> (56 - 8 * i));
  return s;
}
std::string Double7(double v) {
  uint64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return BigEndian((bits & 0x8000000000000000ull) ? ~bits : bits | 0x8000000000000000ull);
}
std::string Timestamp7(double ms) {
  uint64_t bits;
  std::memcpy(&bits, &ms, sizeof bits);
  return BigEndian(bits);
}
std::string Hex(const char* hex) {
  std::string s;
  for (size_t i = 0; hex[i] && hex[i + 1]; i += 2) {
    s += static_cast<char>(std::stoi(std::string(hex + i, 2), nullptr, 16));
  }
  return s;
}

// A dBASE IV style DBT of 512-byte blocks holding `memos` from block 1 on, one block each.
std::string Dbt4(const std::vector<std::string>& memos) {
  std::string f(512, '\0');
  EncodeLE32(reinterpret_cast<uint8_t*>(f.data()), static_cast<uint32_t>(memos.size() + 1));
  std::memcpy(f.data() + 8, "T7", 2);
  EncodeLE16(reinterpret_cast<uint8_t*>(f.data() + 20), 512);
  for (const std::string& m : memos) {
    std::string block(512, '\0');
    block[0] = block[1] = static_cast<char>(0xFF);
    block[2] = 0x08;
    EncodeLE32(reinterpret_cast<uint8_t*>(block.data() + 4), static_cast<uint32_t>(m.size() + 8));
    std::memcpy(block.data() + 8, m.data(), m.size());
    f += block;
  }
  return f;
}

// Every field type of dBASE 7 with a memo: names longer than 10 characters, the binary numbers in
// their sortable forms, a timestamp, a memo, a binary memo and an OLE field in the DBT. The
// timestamps are the published examples of real files (2013-08-27 19:12:13 is
// 42 CC E1 EC 41 FB 64 00).
TEST(DbfExportForms, Dbase7TablesReadWithEveryFieldType) {
  const std::vector<FieldSpec> fields = {
      {"CUSTOMER_NAME_LONG", 'C', 12, 0},
      {"AMOUNT", 'N', 8, 2},
      {"RATE", 'F', 10, 3},
      {"SINCE", 'D', 8, 0},
      {"ACTIVE", 'L', 1, 0},
      {"COUNT", 'I', 4, 0},
      {"ID", '+', 4, 0},
      {"WEIGHT", 'O', 8, 0},
      {"CHANGED", '@', 8, 0},
      {"NOTES", 'M', 10, 0},
      {"RAW", 'B', 10, 0},
      {"PICTURE", 'G', 10, 0},
  };
  auto rec = [](const std::string& name, const char* amount, const char* rate, const char* date,
                char active, const std::string& count, const std::string& id,
                const std::string& weight, const std::string& changed, const char* notes,
                const char* raw, const char* picture) {
    return name + std::string(12 - name.size(), ' ') + Padded(amount, 8) + Padded(rate, 10) + date +
           active + count + id + weight + changed + Padded(notes, 10) + Padded(raw, 10) +
           Padded(picture, 10);
  };
  const std::vector<std::string> records = {
      rec("Mueller", "1234.50", "0.125", "20130827", 'T', Long7(1), Long7(1), Double7(2.5),
          Hex("42CCE1EC41FB6400"), "1", "2", "3"),
      rec("Zoe", "-0.75", "-1.5e2", "19991231", 'F', Long7(-1), Long7(2), Double7(-1234.0625),
          Hex("42CCE1EDAF0E6000"), "", "", ""),
      rec("", "", "", "        ", ' ', Long7(INT32_MIN + 1), Long7(2147483647), Double7(0.0),
          Timestamp7(86400000.0), "", "", ""),
      rec("", "", "", "        ", ' ', std::string(4, '\0'), std::string(4, '\0'),
          std::string(8, '\0'), std::string(8, '\0'), "", "", ""),
  };
  const std::string table = Dbase7Table(kDbfVersionDbase7Memo, fields, records);
  const std::string dbt = Dbt4({"Stammkunde seit 2013", std::string("\x01\x02\x1A", 3), "OLE"});
  WriteFixture("level7.dbf", table);
  WriteFixture("level7.dbt", dbt);

  Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "level7.dbf");
  ASSERT_TRUE(h.ok()) << h.error().ToString();
  EXPECT_TRUE(h.value().IsDbase7());
  EXPECT_EQ(h.value().memoKind(), MemoKind::kDbt4);
  ASSERT_EQ(h.value().fields.size(), fields.size());
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(h.value().fields[i].name, fields[i].name);
    EXPECT_EQ(h.value().fields[i].type, fields[i].type);
    EXPECT_EQ(h.value().fields[i].length, fields[i].length);
    EXPECT_EQ(h.value().fields[i].decimals, fields[i].decimals);
  }
  Result<DbtMemoReader> memo = DbtMemoReader::Open(Bytes(dbt), DbtFlavour::kDbase4, "level7.dbt");
  ASSERT_TRUE(memo.ok()) << memo.error().ToString();
  const std::vector<std::vector<std::string>> want = {
      {"Mueller", "1234.5", "0.125", "2013-08-27", "T", "1", "1", "2.5", "2013-08-27T19:12:13",
       "Stammkunde seit 2013", "\\x01\\x02\\x1a", "OLE"},
      {"Zoe", "-0.75", "-150", "1999-12-31", "F", "-1", "2", "-1234.0625", "2013-08-28T08:29:44",
       "", "", ""},
      {"", "0", "0", "\\N", "F", "-2147483647", "2147483647", "0", "0001-01-01T00:00:00", "", "",
       ""},
      {"", "0", "0", "\\N", "F", "\\N", "\\N", "\\N", "\\N", "", "", ""},
  };
  EXPECT_EQ(Cells(table, &memo.value()), want);

  // The same table without memo fields under 0x04.
  const std::vector<FieldSpec> plain(fields.begin(), fields.begin() + 9);
  std::vector<std::string> plainRecords;
  for (const std::string& r : records) plainRecords.push_back(r.substr(0, r.size() - 30));
  const std::string table4 = Dbase7Table(kDbfVersionDbase7, plain, plainRecords);
  Result<DbfHeader> h4 = ParseDbfHeader(Bytes(table4), table4.size(), "plain7.dbf");
  ASSERT_TRUE(h4.ok()) << h4.error().ToString();
  EXPECT_EQ(h4.value().memoKind(), MemoKind::kNone);
  std::vector<std::vector<std::string>> want4;
  for (const auto& row : want) want4.emplace_back(row.begin(), row.begin() + 9);
  EXPECT_EQ(Cells(table4, nullptr), want4);
}

// A dBASE 7 header too short for its own layout, and a timestamp that names no moment.
TEST(DbfExportForms, Dbase7DamageIsReportedNotMisread) {
  const std::vector<FieldSpec> fields = {{"T", '@', 8, 0}, {"C", 'C', 2, 0}};
  std::string table = Dbase7Table(kDbfVersionDbase7, fields, {Timestamp7(-5.0) + "ok"});
  Result<DbfHeader> h = ParseDbfHeader(Bytes(table), table.size(), "t7.dbf");
  ASSERT_TRUE(h.ok());
  DbfRecordDecoder decoder(h.value(), "t7.dbf", nullptr);
  const uint64_t at = h.value().headerLength;
  Result<Value> v = decoder.Field(Bytes(table).subspan(at, 11), at, 0);
  ASSERT_TRUE(v.ok());
  ASSERT_TRUE(std::holds_alternative<Blob>(v.value()));
  EXPECT_EQ(std::get<Blob>(v.value()).bytes, Timestamp7(-5.0));

  // A header length of 68 leaves no room for the terminator; 69 is the shortest header.
  for (uint16_t length : {68, 69}) {
    std::string shortHead = table;
    EncodeLE16(reinterpret_cast<uint8_t*>(shortHead.data() + 8), length);
    Result<DbfHeader> s = ParseDbfHeader(Bytes(shortHead), shortHead.size(), "t7.dbf");
    EXPECT_EQ(s.ok(), length == 69) << length;
    if (s.ok()) {
      EXPECT_TRUE(s.value().fields.empty());
    }
  }
}

}  // namespace
}  // namespace tabrix
