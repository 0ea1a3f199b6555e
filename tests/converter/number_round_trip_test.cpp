// Numbers from the bytes of a source N or F field, through the converter's text form and back
// into a target field: every stored digit kept, one rounding rule (half away from zero on the
// decimal digits) in the text and in the field, and a number wider than its target refused.

#include <gtest/gtest.h>

#include <string>

#include "converter/text_form.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"

namespace tabrix {
namespace {

struct Width {
  uint32_t length;
  uint8_t decimals;
};

struct Case {
  const char* what;
  Width source;
  std::string stored;  // the source field's bytes
  std::string text;    // the text form
  Width target;
  const char* written;  // the target field's bytes; nullptr: refused
};

DbfHeader NumberHeader(Width w) {
  Result<DbfHeader> h =
      MakeDbfHeader(kDbfVersionDbase3, {{"N", 'N', w.length, w.decimals}}, 0, "n.dbf");
  EXPECT_TRUE(h.ok()) << w.length << "," << int{w.decimals};
  return h.value();
}

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

TEST(NumberRoundTrip, StoredDigitsReachTheTextAndTheTargetField) {
  const Case cases[] = {
      // 20-digit integers: as wide as an N field gets.
      {"20-digit id fills N(20,0)",
       {20, 0},
       "12345678901234567890",
       "12345678901234567890",
       {20, 0},
       "12345678901234567890"},
      {"20-digit id is one digit too wide for N(19,0)",
       {20, 0},
       "12345678901234567890",
       "12345678901234567890",
       {19, 0},
       nullptr},
      {"largest 20-digit id",
       {20, 0},
       "99999999999999999999",
       "99999999999999999999",
       {20, 0},
       "99999999999999999999"},
      {"negative 19-digit integer fills N(20,0) with its sign",
       {20, 0},
       "-1234567890123456789",
       " 1234567890123456789 DB",
       {20, 0},
       "-1234567890123456789"},
      {"the sign is the one character too many for N(19,0)",
       {20, 0},
       "-1234567890123456789",
       " 1234567890123456789 DB",
       {19, 0},
       nullptr},
      // 16 integer digits with decimals.
      {"16 digits and 2 decimals fill N(19,2)",
       {19, 2},
       "1234567890123456.78",
       "1234567890123456.78",
       {19, 2},
       "1234567890123456.78"},
      {"16 digits and 2 decimals are one too wide for N(18,2)",
       {19, 2},
       "1234567890123456.78",
       "1234567890123456.78",
       {18, 2},
       nullptr},
      {"negative amount fills N(20,2)",
       {20, 2},
       "-1234567890123456.78",
       " 1234567890123456.78 DB",
       {20, 2},
       "-1234567890123456.78"},
      {"small negative amount", {10, 2}, "     -0.05", "      0.05 DB", {10, 2}, "     -0.05"},
      {"more room in the target",
       {19, 2},
       "1234567890123456.78",
       "1234567890123456.78",
       {20, 3},
       "1234567890123456.780"},
      // More decimals than the field: halves away from zero, on the decimal digits.
      {"0.5 rounds up", {4, 0}, " 0.5", "   1", {4, 0}, "   1"},
      {"-0.5 rounds down", {4, 0}, "-0.5", "   1 DB", {4, 0}, "  -1"},
      {"2.5 rounds up", {4, 0}, " 2.5", "   3", {4, 0}, "   3"},
      {"-2.5 rounds down", {4, 0}, "-2.5", "   3 DB", {4, 0}, "  -3"},
      {"0.49 rounds to zero", {4, 0}, "0.49", "   0", {4, 0}, "   0"},
      {"-0.4 rounds to zero, without sign or mark", {4, 0}, "-0.4", "   0", {4, 0}, "   0"},
      {"1.005 is a half in decimal, not in binary", {5, 2}, "1.005", " 1.01", {5, 2}, " 1.01"},
      {"-0.125 to two decimals", {8, 3}, "  -0.125", "   0.125 DB", {8, 2}, "   -0.13"},
      {"16-digit half",
       {20, 2},
       "1234567890123456.785",
       " 1234567890123456.79",
       {20, 2},
       " 1234567890123456.79"},
      {"a carry that fills N(20,2)",
       {20, 2},
       "9999999999999999.995",
       "10000000000000000.00",
       {20, 2},
       "10000000000000000.00"},
      {"a carry one digit too wide for N(19,2)",
       {20, 2},
       "9999999999999999.995",
       "10000000000000000.00",
       {19, 2},
       nullptr},
      // An exponent form is read at its value.
      {"exponent form", {8, 2}, "   1.5e3", " 1500.00", {8, 2}, " 1500.00"},
      // Damaged text, read by the rule of dbf_record.h.
      {"embedded blank", {8, 2}, "  12 34 ", "   12.00", {8, 2}, "   12.00"},
      {"overflow asterisks", {8, 2}, "********", "    0.00", {8, 2}, "    0.00"},
      {"NUL padding",
       {8, 2},
       std::string("\0\0\0"
                   "12.50",
                   8),
       "   12.50",
       {8, 2},
       "   12.50"},
      {"two signs", {8, 2}, "  --1.25", "    0.00", {8, 2}, "    0.00"},
      {"letters after the digits", {8, 2}, "12.50abc", "   12.50", {8, 2}, "   12.50"},
      {"only a point", {8, 2}, "       .", "    0.00", {8, 2}, "    0.00"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_EQ(c.stored.size(), c.source.length);
    const DbfHeader source = NumberHeader(c.source);
    std::string record = BlankRecord(source);
    record.replace(1, c.stored.size(), c.stored);
    DbfRecordDecoder decoder(source, "n.dbf", nullptr);
    Result<Value> value = decoder.Field(Bytes(record), 0, 0);
    ASSERT_TRUE(value.ok());

    const FieldDescription field{"N", 'N', static_cast<int>(c.source.length), c.source.decimals};
    EXPECT_EQ(TextForm(value.value(), field), c.text);

    const DbfHeader target = NumberHeader(c.target);
    std::string out = BlankRecord(target);
    const std::string before = out;
    Status s =
        EncodeField(target, 0, value.value(), {reinterpret_cast<uint8_t*>(out.data()), out.size()});
    if (c.written == nullptr) {
      ASSERT_FALSE(s.ok());
      EXPECT_EQ(s.error().kind, FormatErrorKind::kInvalidValue);
      EXPECT_EQ(out, before);  // a refused number leaves the record as it was
      continue;
    }
    ASSERT_TRUE(s.ok()) << s.error().ToString();
    EXPECT_EQ(out.substr(1), c.written);
    // FormatNumberField gives what the writer stores.
    Result<std::string> formatted =
        FormatNumberField(std::get<Decimal>(value.value()), c.target.length, c.target.decimals);
    ASSERT_TRUE(formatted.ok());
    EXPECT_EQ(formatted.value(), c.written);
  }
}

}  // namespace
}  // namespace tabrix
