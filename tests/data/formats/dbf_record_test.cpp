// Decoding and encoding single fields of a record.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "data/base/byte_coding.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/fpt_memo.h"

namespace tabrix {
namespace {

// A header with one field of each written type: C5, N8.2, D8, L1, M10.
DbfHeader WritableHeader() {
  Result<DbfHeader> h = MakeDbfHeader(
      kDbfVersionDbase3Memo,
      {{"C", 'C', 5, 0}, {"N", 'N', 8, 2}, {"D", 'D', 8, 0}, {"L", 'L', 1, 0}, {"M", 'M', 10, 0}},
      0, "w.dbf");
  EXPECT_TRUE(h.ok());
  return h.value();
}

enum Field { kC, kN, kD, kL, kM };

std::span<uint8_t> Span(std::string& s) {
  return {reinterpret_cast<uint8_t*>(s.data()), s.size()};
}
std::span<const uint8_t> CSpan(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}
std::string FieldBytes(const DbfHeader& h, const std::string& rec, int i) {
  return rec.substr(h.fields[i].offset, h.fields[i].length);
}

// FieldInto into values of every kind a reused value may hold: what Field gives.
void ExpectFieldIntoGives(const DbfRecordDecoder& dec, std::span<const uint8_t> rec, size_t i,
                          const Value& want) {
  const Value held[] = {Null{},
                        std::string(40, 'h'),  // longer than any field: its storage is reused
                        std::string(5, 'h'),   // as long as a C5 field
                        Blob{"b"},
                        2.5,
                        Date{2000, 1, 1}};
  for (const Value& start : held) {
    Value v = start;
    Status s = dec.FieldInto(rec, 0, i, &v);
    ASSERT_TRUE(s.ok()) << s.error().ToString();
    EXPECT_EQ(v, want) << "field " << i << ", held alternative " << start.index();
  }
}

TEST(DbfRecord, CharacterValuesAreCutOrBlankPadded) {
  struct Case {
    std::string in, stored;
  } cases[] = {{"ab", "ab   "}, {"abcdefgh", "abcde"}, {"", "     "}, {"abcde", "abcde"}};
  DbfHeader h = WritableHeader();
  DbfRecordDecoder dec(h, "w.dbf", nullptr);
  for (const Case& c : cases) {
    std::string rec = BlankRecord(h);
    ASSERT_TRUE(EncodeField(h, kC, c.in, Span(rec)).ok());
    EXPECT_EQ(FieldBytes(h, rec, kC), c.stored);
    Result<Value> back = dec.Field(CSpan(rec), 0, kC);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(std::get<std::string>(back.value()), c.stored);
  }
}

TEST(DbfRecord, NumbersAreRightAlignedWithTheirDecimals) {
  struct Case {
    double value;
    uint32_t length;
    uint8_t decimals;
    const char* stored;  // nullptr: does not fit
  } cases[] = {
      {-12.5, 8, 2, "  -12.50"},
      {42, 5, 0, "   42"},
      {0, 6, 2, "  0.00"},
      {-0.001, 6, 2, "  0.00"},
      {2.5, 3, 0, "  3"},
      {-2.5, 3, 0, " -3"},
      {99999.99, 8, 2, "99999.99"},
      {999999.99, 8, 2, nullptr},
      {123456, 5, 0, nullptr},
      {NAN, 8, 2, nullptr},
      {INFINITY, 8, 2, nullptr},
      {1e300, 20, 0, nullptr},
      {1234567.125, 11, 2, " 1234567.13"},
      {0.1 + 0.2, 7, 4, " 0.3000"},
      {1e15, 20, 2, " 1000000000000000.00"},
      {-7.25, 4, 0, "  -7"},
      {1.5, 30, 25, "   1.5000000000000000000000000"},  // beyond the exact powers of ten
      // Scaled values on either side of 2^40, where writing straight from binary stops.
      {1099511627775.25, 16, 0, "   1099511627775"},
      {-1099511627776.75, 16, 0, "  -1099511627777"},
      {109951162777.625, 16, 1, "  109951162777.6"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    Result<std::string> s = FormatNumberField(c.value, c.length, c.decimals);
    if (c.stored == nullptr) {
      ASSERT_FALSE(s.ok());
      EXPECT_EQ(s.error().kind, FormatErrorKind::kInvalidValue);
    } else {
      ASSERT_TRUE(s.ok());
      EXPECT_EQ(s.value(), c.stored);
    }
  }
}

// A double is written as the shortest decimal that reads back as it, rounded half away from
// zero on those digits: 1.005 is 1.01 although the double is 1.00499999... Doubles are made
// from decimal texts of up to 15 significant digits (all of which read back as themselves);
// the expected text is worked out in integer arithmetic from the text's digits.
TEST(DbfRecord, DoublesAreWrittenAsTheirShortestDecimalRoundedHalfAwayFromZero) {
  uint64_t seed = 12345;
  auto next = [&] { return seed = seed * 6364136223846793005ull + 1442695040888963407ull; };
  uint64_t pow10[19] = {1};
  for (int i = 1; i < 19; ++i) pow10[i] = pow10[i - 1] * 10;
  for (int decimals = 0; decimals <= 18; ++decimals) {
    for (int i = 0; i < 3000; ++i) {
      const int digits = 1 + static_cast<int>(next() >> 33) % 15;
      uint64_t m = (next() >> 11) % pow10[digits];
      const int places = static_cast<int>(next() >> 33) % 19;  // decimals of the text
      const int shift = static_cast<int>(next() >> 33) % 11;   // zeros after the text
      if (i % 5 == 0 && places > 0) m = m / 10 * 10 + 5;       // a half at some place
      const bool negative = i % 2 == 1;
      // text = m x 10^(shift - places), in e-notation for strtod.
      const std::string text = std::string(negative ? "-" : "") + std::to_string(m) + "e" +
                               std::to_string(shift - places);
      const double v = std::strtod(text.c_str(), nullptr);
      // The count of units of the last written decimal, as digits.
      std::string units;
      const int exponent = shift - places + decimals;  // units = m x 10^exponent
      if (m == 0) {
        units = "0";
      } else if (exponent >= 0) {
        units = std::to_string(m) + std::string(static_cast<size_t>(exponent), '0');
      } else if (-exponent > 18) {
        units = "0";
      } else {
        const uint64_t unit = pow10[-exponent];
        units = std::to_string(m / unit + (m % unit >= unit - m % unit ? 1 : 0));
      }
      if (units.size() <= static_cast<size_t>(decimals)) {
        units.insert(0, static_cast<size_t>(decimals) + 1 - units.size(), '0');
      }
      std::string expected = units;
      if (decimals > 0) expected.insert(expected.size() - static_cast<size_t>(decimals), ".");
      if (negative && units.find_first_not_of('0') != std::string::npos) expected.insert(0, "-");
      Result<std::string> s = FormatNumberField(v, 64, static_cast<uint8_t>(decimals));
      if (expected.size() > 64) {
        EXPECT_FALSE(s.ok()) << text;
        continue;
      }
      ASSERT_TRUE(s.ok()) << text << " " << decimals;
      ASSERT_EQ(s.value(), std::string(64 - expected.size(), ' ') + expected)
          << text << " with " << decimals << " decimals";
    }
  }
  EXPECT_EQ(FormatNumberField(1.005, 5, 2).value(), " 1.01");
  EXPECT_EQ(FormatNumberField(-1.005, 5, 2).value(), "-1.01");
}

// The reading rule of dbf_record.h ("Reading numbers"), case by case: the value keeps the
// stored digits and decimals (its Text()).
TEST(DbfRecord, NumberTextsDecode) {
  struct Case {
    std::string stored;
    const char* text;
  } cases[] = {
      {"   12.50", "12.50"},
      {"  -12.50", "-12.50"},
      {"00012.50", "12.50"},  // leading zeros
      {"  +3.25 ", "3.25"},
      {"     12.", "12"},
      {"      .5", "0.5"},
      {"     -.5", "-0.5"},
      // blanks and NUL bytes around the number
      {"        ", "0"},
      {std::string(8, '\0'), "0"},
      {std::string("1234\0\0\0\0", 8), "1234"},
      {std::string("\0\0\0\0"
                   "1234",
                   8),
       "1234"},
      // damaged: the number ends at the first byte that cannot continue it
      {"  1.5abc", "1.5"},
      {"   1.5e3", "1500"},  // an exponent (rule 6)
      {"  -1.2.3", "-1.2"},
      {"  12 34 ", "12"},
      {std::string("  12\0"
                   "34 ",
                   8),
       "12"},
      {"12-34   ", "12"},
      {"  1.2*3 ", "1.2"},
      // damaged: no digit before that end reads as 0
      {"********", "0"},
      {"  - 1.25", "0"},
      {"  --1.25", "0"},
      {"  +-1.25", "0"},
      {"       -", "0"},
      {"       .", "0"},
      {"      -.", "0"},
      {"abc12.50", "0"},
      {"  *12.50", "0"},
  };
  DbfHeader h = WritableHeader();
  DbfRecordDecoder dec(h, "w.dbf", nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.stored));
    std::string rec = BlankRecord(h);
    rec.replace(h.fields[kN].offset, 8, c.stored);
    Result<Value> v = dec.Field(CSpan(rec), 0, kN);
    ASSERT_TRUE(v.ok());
    ASSERT_TRUE(std::holds_alternative<Decimal>(v.value()));
    EXPECT_EQ(std::get<Decimal>(v.value()).Text(), c.text);
    ExpectFieldIntoGives(dec, CSpan(rec), kN, v.value());
  }
}

// Significant digits up to what a Decimal holds are all kept; one more and the field reads as 0
// (rule 5), never as other digits. Leading zeros do not count.
TEST(DbfRecord, NumberTextsOfUpTo38SignificantDigits) {
  Result<DbfHeader> h = MakeDbfHeader(kDbfVersionDbase3, {{"C", 'C', 60, 0}}, 0, "n.dbf");
  ASSERT_TRUE(h.ok());
  DbfHeader wide = h.value();
  wide.fields[0].type = 'N';  // a field wider than any writer makes: only damaged tables
  DbfRecordDecoder dec(wide, "n.dbf", nullptr);
  const std::string d38 = "12345678901234567890123456789012345678";
  struct Case {
    std::string stored;
    std::string text;
  } cases[] = {
      {d38, d38},
      {"-" + d38, "-" + d38},
      {"0000" + d38, d38},
      {"1234.5678901234567890123456789012345678", "1234.5678901234567890123456789012345678"},
      {"0.00" + d38, "0.00" + d38},
      {d38 + "9", "0"},
      {"-" + d38 + "9", "0"},
      {"1234.56789012345678901234567890123456789", "0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    std::string rec = BlankRecord(wide);
    rec.replace(1 + 60 - c.stored.size(), c.stored.size(), c.stored);
    Result<Value> v = dec.Field(CSpan(rec), 0, 0);
    ASSERT_TRUE(v.ok());
    EXPECT_EQ(std::get<Decimal>(v.value()).Text(), c.text);
  }
}

// Numbers as programs write them, up to and beyond 15 digits: the stored digits, and as a double
// exactly what strtod reads from the text, the sign of a negative zero included.
TEST(DbfRecord, NumberTextsDecodeToTheNearestDouble) {
  Result<DbfHeader> h = MakeDbfHeader(kDbfVersionDbase3, {{"N", 'N', 20, 0}}, 0, "n.dbf");
  ASSERT_TRUE(h.ok());
  DbfRecordDecoder dec(h.value(), "n.dbf", nullptr);
  uint64_t x = 88172645463325252ull;
  for (int i = 0; i < 4000; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    const int decimals = i % 9;
    // Mantissas of 1 to 19 digits, so that both sides of the 15-digit limit are covered.
    const uint64_t m = x % [](int d) {
      uint64_t p = 10;
      while (--d > 0) p *= 10;
      return p;
    }(1 + i % 19);
    // The digits of m with the point before its last `decimals`, as a program writes them.
    std::string digits = std::to_string(m);
    if (digits.size() <= static_cast<size_t>(decimals)) {
      digits.insert(0, static_cast<size_t>(decimals) + 1 - digits.size(), '0');
    }
    if (decimals > 0) digits.insert(digits.size() - static_cast<size_t>(decimals), ".");
    if (i % 3 == 0) digits.insert(0, "-");
    if (digits.size() > 20) continue;
    const std::string text = std::string(20 - digits.size(), ' ') + digits;
    std::string rec = BlankRecord(h.value());
    rec.replace(1, 20, text);
    Result<Value> v = dec.Field(CSpan(rec), 0, 0);
    ASSERT_TRUE(v.ok());
    const Decimal& d = std::get<Decimal>(v.value());
    if (m != 0) {
      ASSERT_EQ(d.Text(), digits);
    }
    const double want = std::strtod(text.c_str(), nullptr);
    ASSERT_EQ(d.ToDouble(), want) << text;
    ASSERT_EQ(std::signbit(d.ToDouble()), std::signbit(want)) << text;
  }
  std::string rec = BlankRecord(h.value());
  rec.replace(1, 20, std::string(15, ' ') + "-0.00");
  EXPECT_TRUE(std::signbit(std::get<Decimal>(dec.Field(CSpan(rec), 0, 0).value()).ToDouble()));
}

TEST(DbfRecord, DatesAndLogicals) {
  DbfHeader h = WritableHeader();
  DbfRecordDecoder dec(h, "w.dbf", nullptr);
  struct DateCase {
    std::string stored;
    Date value;
  } dates[] = {{"20240229", {2024, 2, 29}},
               {"        ", {}},
               {"00000000", {}},
               {"20230229", {}},
               {"2024-1-1", {}},
               {"19991231", {1999, 12, 31}}};
  for (const DateCase& c : dates) {
    SCOPED_TRACE(c.stored);
    std::string rec = BlankRecord(h);
    rec.replace(h.fields[kD].offset, 8, c.stored);
    EXPECT_EQ(std::get<Date>(dec.Field(CSpan(rec), 0, kD).value()), c.value);
  }
  const std::pair<char, bool> logicals[] = {{'T', true},  {'t', true},  {'Y', true},  {'y', true},
                                            {'F', false}, {'f', false}, {'N', false}, {'n', false},
                                            {'?', false}, {' ', false}};
  for (auto [stored, value] : logicals) {
    std::string rec = BlankRecord(h);
    rec[h.fields[kL].offset] = stored;
    EXPECT_EQ(std::get<bool>(dec.Field(CSpan(rec), 0, kL).value()), value) << stored;
  }
  std::string rec = BlankRecord(h);
  ASSERT_TRUE(EncodeField(h, kD, Date{2026, 12, 10}, Span(rec)).ok());
  ASSERT_TRUE(EncodeField(h, kL, true, Span(rec)).ok());
  EXPECT_EQ(FieldBytes(h, rec, kD), "20261210");
  EXPECT_EQ(FieldBytes(h, rec, kL), "T");
  ASSERT_TRUE(EncodeField(h, kD, Date{}, Span(rec)).ok());
  EXPECT_EQ(FieldBytes(h, rec, kD), "        ");
  EXPECT_FALSE(EncodeField(h, kD, Date{2023, 2, 29}, Span(rec)).ok());
}

TEST(DbfRecord, WrongTypesAreRefusedAndLeaveTheRecordUnchanged) {
  DbfHeader h = WritableHeader();
  const std::pair<int, Value> cases[] = {{kC, 1.5},
                                         {kN, std::string("12")},
                                         {kD, std::string("20240101")},
                                         {kL, 1.0},
                                         {kM, std::string("memo text goes through the memo file")}};
  for (const auto& [field, value] : cases) {
    SCOPED_TRACE(field);
    std::string rec = BlankRecord(h);
    std::string before = rec;
    Status s = EncodeField(h, field, value, Span(rec));
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().kind, FormatErrorKind::kInvalidValue);
    EXPECT_EQ(rec, before);
  }
}

TEST(DbfRecord, NullWritesTheBlank) {
  DbfHeader h = WritableHeader();
  std::string rec = BlankRecord(h);
  ASSERT_TRUE(EncodeField(h, kN, 5.0, Span(rec)).ok());
  ASSERT_TRUE(EncodeField(h, kN, Null{}, Span(rec)).ok());
  EXPECT_EQ(rec, BlankRecord(h));
}

TEST(DbfRecord, MemoPointersInDigitsAndBinary) {
  DbfHeader h = WritableHeader();
  DbfRecordDecoder dec(h, "w.dbf", nullptr);
  std::string rec = BlankRecord(h);
  ASSERT_TRUE(EncodeMemoBlock(h, kM, 1234, Span(rec)).ok());
  EXPECT_EQ(FieldBytes(h, rec, kM), "      1234");
  EXPECT_EQ(dec.MemoBlock(CSpan(rec), 0, kM).value(), 1234u);
  ASSERT_TRUE(EncodeMemoBlock(h, kM, 0, Span(rec)).ok());
  EXPECT_EQ(FieldBytes(h, rec, kM), std::string(10, ' '));
  // No memo: empty text, and no memo file needed to say so.
  EXPECT_EQ(std::get<std::string>(dec.Field(CSpan(rec), 0, kM).value()), "");
  EXPECT_FALSE(EncodeMemoBlock(h, kC, 1, Span(rec)).ok());
  ASSERT_TRUE(EncodeMemoBlock(h, kM, 4294967295u, Span(rec)).ok());
  EXPECT_EQ(FieldBytes(h, rec, kM), "4294967295");
  // A number longer than a (damaged, short) pointer field: refused, the field left blank.
  DbfHeader shortPointer = h;
  shortPointer.fields[kM].length = 3;
  EXPECT_FALSE(EncodeMemoBlock(shortPointer, kM, 1234, Span(rec)).ok());
  EXPECT_EQ(rec.substr(h.fields[kM].offset, 3), "   ");
  ASSERT_TRUE(EncodeMemoBlock(shortPointer, kM, 987, Span(rec)).ok());
  EXPECT_EQ(rec.substr(h.fields[kM].offset, 3), "987");

  const std::string bad[] = {"      12a4", "99999999999", "  -1      "};
  for (const std::string& b : bad) {
    rec.replace(h.fields[kM].offset, 10, b.substr(0, 10));
    Result<uint32_t> block = dec.MemoBlock(CSpan(rec), 500, kM);
    ASSERT_FALSE(block.ok()) << b;
    EXPECT_EQ(block.error().offset, 500u + h.fields[kM].offset);
  }
  // A pointer without an open memo file is an error, not an empty memo.
  rec.replace(h.fields[kM].offset, 10, "         9");
  EXPECT_FALSE(dec.Field(CSpan(rec), 0, kM).ok());

  DbfHeader vfp;
  vfp.version = kDbfVersionVfp;
  vfp.fields = {{"M", 'M', 4, 0, 0, 1}};
  vfp.recordLength = 5;
  std::string vrec = BlankRecord(vfp);
  EXPECT_EQ(vrec, std::string(" \0\0\0\0", 5));
  ASSERT_TRUE(EncodeMemoBlock(vfp, 0, 0x01020304, Span(vrec)).ok());
  EXPECT_EQ(vrec, std::string(" \x04\x03\x02\x01", 5));
  EXPECT_EQ(DbfRecordDecoder(vfp, "v", nullptr).MemoBlock(CSpan(vrec), 0, 0).value(), 0x01020304u);
}

// Every field of records with text, picture and no memos, and C fields with blanks and NUL
// bytes, read into reused values; a damaged pointer fails both ways.
TEST(DbfRecord, FieldIntoReadsWhatFieldReads) {
  DbfHeader h = WritableHeader();
  std::string fpt = NewFptFile(64);
  auto addMemo = [&](uint32_t type, const std::string& data) {
    const uint32_t block = static_cast<uint32_t>(fpt.size() / 64);
    std::string head(8, '\0');
    EncodeBE32(reinterpret_cast<uint8_t*>(head.data()), type);
    EncodeBE32(reinterpret_cast<uint8_t*>(head.data()) + 4, static_cast<uint32_t>(data.size()));
    fpt += head + data;
    fpt.resize((fpt.size() + 63) / 64 * 64, '\0');
    return block;
  };
  const uint32_t text = addMemo(kMemoTypeText, "Stammkunde.\r\n" + std::string(100, 'x'));
  const uint32_t picture = addMemo(kMemoTypePicture, std::string("\x89PNG\0\1", 6));
  Result<FptMemoReader> memo = FptMemoReader::Open(CSpan(fpt), "w.fpt");
  ASSERT_TRUE(memo.ok());
  DbfRecordDecoder dec(h, "w.dbf", &memo.value());
  struct Record {
    std::string c, n, d, l;
    uint32_t memo;
  } records[] = {
      {"abc  ", "  -1.25 ", "20240229", "T", text},
      {std::string("a\0b\0 ", 5), "        ", "        ", "?", picture},
      {"     ", "12345678", "2023022x", "n", 0},
  };
  for (const Record& r : records) {
    std::string rec = BlankRecord(h);
    rec.replace(h.fields[kC].offset, 5, r.c);
    rec.replace(h.fields[kN].offset, 8, r.n);
    rec.replace(h.fields[kD].offset, 8, r.d);
    rec.replace(h.fields[kL].offset, 1, r.l);
    ASSERT_TRUE(EncodeMemoBlock(h, kM, r.memo, Span(rec)).ok());
    for (size_t i = 0; i < h.fields.size(); ++i) {
      Result<Value> want = dec.Field(CSpan(rec), 0, i);
      ASSERT_TRUE(want.ok()) << want.error().ToString();
      ExpectFieldIntoGives(dec, CSpan(rec), i, want.value());
    }
  }
  std::string rec = BlankRecord(h);
  rec.replace(h.fields[kM].offset, 10, "      12a4");
  Value v = std::string(40, 'h');
  EXPECT_FALSE(dec.FieldInto(CSpan(rec), 0, kM, &v).ok());
}

TEST(DbfRecord, JulianDays) {
  const std::pair<int64_t, Date> cases[] = {{2440588, {1970, 1, 1}},
                                            {1721426, {1, 1, 1}},
                                            {2449749, {1995, 1, 31}},
                                            {2451604, {2000, 2, 29}},
                                            {2415019, {1899, 12, 30}}};
  for (const auto& [jdn, date] : cases) {
    EXPECT_EQ(DateFromJulianDay(jdn), date) << jdn;
    EXPECT_EQ(JulianDayFromDate(date), jdn) << jdn;
  }
  EXPECT_TRUE(DateFromJulianDay(0).empty());
  EXPECT_TRUE(DateFromJulianDay(-5).empty());
  EXPECT_TRUE(DateFromJulianDay(2147483647).empty());
}

// Visual FoxPro binary types, Varchar and _NullFlags on a hand-built header.
TEST(DbfRecord, VisualFoxProTypesAndNullFlags) {
  DbfHeader h;
  h.version = kDbfVersionVfpVarchar;
  h.fields = {
      {"V", 'V', 6, 0, 0, 1},                   // varlength bit 0
      {"C", 'C', 3, 0, kFieldFlagNullable, 7},  // null bit 1
      {"I", 'I', 4, 0, 0, 10},
      {"Y", 'Y', 8, 4, 0, 14},
      {"B", 'B', 8, 2, 0, 22},
      {"T", 'T', 8, 0, 0, 30},
      {"_NullFlags", '0', 1, 0, kFieldFlagSystem, 38},
  };
  h.fields[0].varLengthBit = 0;
  h.fields[1].nullBit = 1;
  h.nullFlagsField = 6;
  h.recordLength = 39;
  std::string rec = BlankRecord(h);
  EXPECT_EQ(rec.substr(10, 28), std::string(28, '\0'));
  rec.replace(1, 6, std::string("abc\0\0\x03", 6));
  rec.replace(7, 3, "xyz");
  auto* p = reinterpret_cast<uint8_t*>(rec.data());
  EncodeLE32(p + 10, static_cast<uint32_t>(-7));
  EncodeLE64(p + 14, static_cast<uint64_t>(-123456));
  EncodeLEDouble(p + 22, 78.9);
  EncodeLE32(p + 30, 2449749);
  EncodeLE32(p + 34, 3723004);
  p[38] = 0x01;  // varlength set, C not null

  // A decoder per read: the test changes the descriptors between reads.
  auto get = [&](size_t i) {
    DbfRecordDecoder dec(h, "v.dbf", nullptr);
    Value v = dec.Field(CSpan(rec), 0, i).value();
    ExpectFieldIntoGives(dec, CSpan(rec), i, v);
    return v;
  };
  EXPECT_EQ(std::get<std::string>(get(0)), "abc");
  EXPECT_EQ(std::get<std::string>(get(1)), "xyz");
  EXPECT_EQ(std::get<int32_t>(get(2)), -7);
  EXPECT_EQ(std::get<Currency>(get(3)).tenThousandths, -123456);
  EXPECT_DOUBLE_EQ(std::get<double>(get(4)), 78.9);
  EXPECT_EQ(std::get<DateTime>(get(5)), (DateTime{{1995, 1, 31}, 3723004}));
  EXPECT_EQ(std::get<Blob>(get(6)).bytes, "\x01");

  p[38] = 0x02;  // C null, V without length byte: all six bytes
  EXPECT_TRUE(std::holds_alternative<Null>(get(1)));
  EXPECT_EQ(std::get<std::string>(get(0)), std::string("abc\0\0\x03", 6));

  // 0x20 marks bit 5; as the only content of the flags it is a blank-filling writer's blank.
  h.fields[1].nullBit = 5;
  p[38] = 0x20;
  EXPECT_EQ(std::get<std::string>(get(1)), "xyz");
  h.fields[6].length = 2;  // two flag bytes, only one blank: bit 5 counts
  rec.push_back('\0');
  h.recordLength = 40;
  p = reinterpret_cast<uint8_t*>(rec.data());
  EXPECT_TRUE(std::holds_alternative<Null>(get(1)));
  h.fields[6].length = 1;
  rec.pop_back();
  h.recordLength = 39;
  p = reinterpret_cast<uint8_t*>(rec.data());
  h.fields[1].nullBit = 1;

  p[38] = 0x01;
  p[6] = 200;  // a length byte larger than the field: cut to the field
  EXPECT_EQ(std::get<std::string>(get(0)).size(), 5u);

  std::fill(p + 30, p + 38, 0);  // empty datetime
  EXPECT_TRUE(std::get<DateTime>(get(5)).date.empty());
}

}  // namespace
}  // namespace tabrix
