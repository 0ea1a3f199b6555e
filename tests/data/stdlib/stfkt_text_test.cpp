// Text, number and bit functions of the standard library.

#include <gtest/gtest.h>

#include <cmath>

#include "data/stdlib/stfkt_bits.h"
#include "data/stdlib/stfkt_text.h"

namespace tabrix {
namespace {

TEST(GetPartStr, CountsPartsBetweenSeparatorsFromOne) {
  struct Case {
    const char* text;
    const char* separator;
    int64_t n;
    const char* want;
  } cases[] = {
      {"\\\\SRV\\DATA\\X", "\\", 3, "SRV"},
      {"\\\\SRV\\DATA\\X", "\\", 4, "DATA"},
      {"\\\\SRV\\DATA\\X", "\\", 1, ""},  // empty parts count
      {"\\\\SRV\\DATA\\X", "\\", 5, "X"},
      {"\\\\SRV\\DATA\\X", "\\", 6, ""},  // beyond the last part
      {"a;b", ";", 3, ""},
      {"a;b", ";", 2, "b"},
      {"a;;b", ";", 2, ""},
      {"a;;b", ";", 3, "b"},
      {"a;b;", ";", 3, ""},
      {"abc", ";", 1, "abc"},  // no separator: the whole text is part 1
      {"", ";", 1, ""},
      {"a,b;c", ",;", 2, "b;c"},  // only the first separator character counts
      {"a;b", ";", 0, ""},
      {"a;b", ";", -1, ""},
      {"a;b", "", 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GETPARTSTR(c.text, c.separator, c.n), c.want)
        << "text " << c.text << " sep " << c.separator << " n " << c.n;
  }
}

TEST(CharOnlyAndCharRem, KeepOrDropTheGivenCharactersInOrder) {
  EXPECT_EQ(CHARONLY("0123456789", " 0 8 1 5 "), "0815");
  EXPECT_EQ(CHARONLY("ab", "cabbage"), "abba");
  EXPECT_EQ(CHARONLY("", "abc"), "");
  EXPECT_EQ(CHARREM(" -", "12 34-5"), "12345");
  EXPECT_EQ(CHARREM("", "abc"), "abc");
  EXPECT_EQ(CHARREM("abc", "abcabc"), "");
  // Bytes above 0x7F are characters like any other (umlauts in code page 850).
  EXPECT_EQ(CHARREM("\x81", "M\x81ller"), "Mller");
}

TEST(StrZero, FixedWidthWithZerosAndTheSignInFront) {
  struct Case {
    double number;
    std::optional<int> length;
    std::optional<int> decimals;
    const char* want;
  } cases[] = {
      {-5, 4, {}, "-005"},
      {5, 4, {}, "0005"},
      {5, {}, {}, "0000000005"},  // default width 10
      {0, 3, {}, "000"},
      {1234, 4, {}, "1234"},
      {12345, 4, {}, "****"},  // does not fit
      {-123, 4, {}, "-123"},
      {-1234, 4, {}, "****"},  // the sign needs a place too
      {3.14159, 8, 2, "00003.14"},
      {-2.5, 6, 1, "-002.5"},
      {2.5, 3, {}, "003"},  // half away from zero
      {-2.5, 3, {}, "-03"},
      {-0.4, 3, {}, "000"},  // no "-0"
      {7, 0, {}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(STRZERO(c.number, c.length, c.decimals), c.want) << c.number;
  }
}

TEST(Val2, ReadsGermanNumberText) {
  struct Case {
    const char* text;
    double want;
  } cases[] = {
      {"1.234,56", 1234.56},
      {"12", 12},
      {"1.234.567", 1234567},
      {"-3,5", -3.5},
      {"  7,25 EUR", 7.25},
      {"abc", 0},
      {"", 0},
      {",5", 0.5},
      {"1,2,3", 1.2},  // a second comma ends the number
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(VAL2(c.text), c.want) << c.text;
  }
}

TEST(FormatParamString, FillsOnePlaceholderOfTheValuesKind) {
  struct Case {
    const char* format;
    ParamValue value;
    const char* want;
  } cases[] = {
      {"Die Datenbank %s fehlt", std::string("KUNDEN.DBF"), "Die Datenbank KUNDEN.DBF fehlt"},
      {"Nummer %i", int64_t{42}, "Nummer 42"},
      {"Nummer %d", int64_t{-7}, "Nummer -7"},
      {"%s und %s", std::string("a"), "a und %s"},  // one value, one placeholder
      // A template that does not match its value keeps its placeholder instead of reading a
      // missing argument.
      {"Nummer %i", std::string("x"), "Nummer %i"},
      {"Datei %s", int64_t{3}, "Datei %s"},
      {"100%% von %i", int64_t{5}, "100% von 5"},
      {"ohne", std::monostate{}, "ohne"},
      {"Ende %", int64_t{1}, "Ende %"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatParamString(c.format, c.value), c.want) << c.format;
  }
  EXPECT_EQ(FormatParamString(std::string(300, 'x'), {}).size(), 255u);
  EXPECT_EQ(FormatParamString("%s", std::string(300, 'y')).size(), 255u);
  EXPECT_EQ(MissingParamString(4711), "String at ID 4711 could not be found!");
}

TEST(OemAnsi, ConvertsAndANonTextBecomesABlank) {
  EXPECT_EQ(OEMTOANSI(std::string("M\x81ller")), "M\xFCller");
  EXPECT_EQ(OEMTOANSI(std::nullopt), " ");
  EXPECT_EQ(ANSITOOEM("Stra\xDF"
                      "e"),
            "Stra\xE1"
            "e");
}

TEST(Bits, FieldsAndPacking) {
  struct Case {
    int64_t value;
    int top;
    int count;
    int64_t want;
  } cases[] = {
      {0b101100, 5, 3, 0b101},
      {0b101100, 3, 2, 0b11},
      {0xFF00, 15, 8, 0xFF},
      {0xFF00, 7, 8, 0},
      {-1, 31, 32, 0xFFFFFFFF},
      {5, 0, 1, 1},
      {5, 1, 1, 0},
      {5, 1, 3, 0},  // field reaches below bit 0
      {5, 2, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GETBITS(c.value, c.top, c.count), c.want)
        << c.value << " " << c.top << " " << c.count;
    EXPECT_EQ(GETBIT(c.value, c.top, c.count), c.want);
  }
  EXPECT_EQ(MAKE_LPARAM(0x1234, 0x5678), 0x56781234);
  EXPECT_EQ(MAKE_LPARAM(-1, 2), 2 * 65536 + 0xFFFF);  // low word masked
  EXPECT_EQ(C2W_MAKEWPARAM(0x1FF, 0x2AB), 0xABFF);
  EXPECT_EQ(C2W_HIBYTE(0x12345), 0x23);
  EXPECT_EQ(MYNOT(0x000000), 0xFFFFFF);
  EXPECT_EQ(MYNOT(0x0000FF), 0xFFFF00);
  EXPECT_EQ(MYNOT(0x7F123456), 0xEDCBA9);
}

}  // namespace
}  // namespace tabrix
