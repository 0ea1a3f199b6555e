#include "converter/text_form.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tabrix {
namespace {

FieldDescription Field(char type, int length, int decimals = 0) {
  return FieldDescription{"F", type, length, decimals};
}

struct Case {
  const char* what;
  Value value;
  FieldDescription field;
  std::string text;
};

TEST(TextForm, DBaseTypes) {
  const Case cases[] = {
      {"padded character kept", std::string("Meier     "), Field('C', 10), "Meier     "},
      {"memo with line breaks", std::string("a\r\nb "), Field('M', 10), "a\r\nb "},
      {"negative number with debit mark", -12.5, Field('N', 8, 2), "   12.50 DB"},
      {"positive number", 12.5, Field('N', 8, 2), "   12.50"},
      {"zero is not empty", 0.0, Field('N', 5), "    0"},
      {"negative zero has no mark", -0.0, Field('N', 4, 1), " 0.0"},
      {"integer width", 1234.0, Field('N', 6), "  1234"},
      {"rounded to the decimals", 2.675, Field('N', 6, 1), "   2.7"},
      {"wider than the field keeps all digits", 123456.0, Field('N', 4), "123456"},
      {"date", Date{2024, 3, 7}, Field('D', 8), "07.03.2024"},
      {"empty date", Date{}, Field('D', 8), "  .  .    "},
      {"true", true, Field('L', 1), "T"},
      {"false", false, Field('L', 1), "F"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextForm(c.value, c.field), c.text) << c.what;
}

TEST(TextForm, FurtherTypes) {
  const Case cases[] = {
      {"float as numeric", -3.5, Field('F', 6, 2), "  3.50 DB"},
      {"double in 20 columns", 1.25, Field('B', 8, 2), std::string(16, ' ') + "1.25"},
      {"integer in 11 columns", int32_t{-42}, Field('I', 4), std::string(9, ' ') + "42 DB"},
      {"smallest integer", std::numeric_limits<int32_t>::min(), Field('I', 4), " 2147483648 DB"},
      {"currency exact", Currency{-123456}, Field('Y', 8, 4), std::string(13, ' ') + "12.3456 DB"},
      {"smallest currency", Currency{std::numeric_limits<int64_t>::min()}, Field('Y', 8, 4),
       "922337203685477.5808 DB"},
      {"date and time", DateTime{Date{1999, 12, 31}, (23 * 3600 + 59 * 60 + 58) * 1000 + 999},
       Field('T', 8), "31.12.1999 23:59:58"},
      {"empty date and time", DateTime{}, Field('T', 8), "  .  .       :  :  "},
      {"varchar unchanged", std::string("kurz"), Field('V', 20), "kurz"},
      {"binary is no text", Blob{std::string("\x00\x01", 2)}, Field('Q', 10), ""},
      {"null character", Null{}, Field('C', 10), ""},
      {"null number", Null{}, Field('N', 5), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(TextForm(c.value, c.field), c.text) << c.what;
}

}  // namespace
}  // namespace tabrix
