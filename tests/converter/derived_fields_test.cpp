#include "converter/derived_fields.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

TEST(GetPlzOrt, TakesFirstWordAsPostalCode) {
  struct Case {
    std::string ort;
    std::string plzAfter, ortAfter;
  };
  const std::string kOldPlz = "99999";
  const Case cases[] = {
      {"12345 Berlin        ", "12345", "Berlin"},
      {"D-12345 Bad Homburg ", "D-12345", "Bad Homburg"},
      {"Berlin              ", kOldPlz, "Berlin              "},  // one word: unchanged
      {"Bad Homburg", "Bad", "Homburg"},                          // no check for digits
      {" \t 12345   Berlin  ", "12345", "Berlin"},                // leading white space goes
      {"12345 \r\n", kOldPlz, "12345 \r\n"},                      // rest only white space
      {"12345\tBerlin", kOldPlz, "12345\tBerlin"},                // only a blank separates
      {"", kOldPlz, ""},
  };
  for (const Case& c : cases) {
    PostalCity target{kOldPlz, c.ort};
    GET_PLZORT(target);
    EXPECT_EQ(target.plz, c.plzAfter) << '"' << c.ort << '"';
    EXPECT_EQ(target.ort, c.ortAfter) << '"' << c.ort << '"';
  }
}

TEST(Fsort, SpellsOutUmlautsAndKeepsLetters) {
  struct Case {
    std::string text, key;
  };
  const Case cases[] = {
      {"M\x81ller & S\x94hne GmbH", "MUELLERSOEHNEGMBH"},
      {"\x8E"
       "RZTE-Zentrum 2",
       "AERZTEZENTRUM"},
      {"  Stra\xE1"
       "e  ",
       "STRASSE"},  // ß stays ß when upper-cased, then SS
      {"\x84\x94\x81\x8E\x99\x9A", "AEOEUEAEOEUE"},
      {"Caf\x82 Fran\x87ois", "CAFFRANOIS"},  // accented letters outside the alphabet drop
      {"4711", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(FSORT(c.text), c.key) << c.key;
}

TEST(Makekndnr, PrefixFromPostalCodeOrFallback) {
  struct Case {
    const char* what;
    std::string plz, plz2, muster, p1a;
    int number;
  };
  const Case cases[] = {
      {"German postal code", "70173", "", " ", "N", 700000},
      {"postal code starting with 0", "01067", "", " ", "N", 130000},
      {"postal code in PLZ2", "     ", "1010", "A", " ", 100000},
      {"no postal code at all, any flags", "     ", "     ", "A", "N", 120000},
      {"no postal code, no flags", "", "", "", "", 120000},
      {"prefix without digits", "AB12", "", " ", "N", 130000},
      {"flag off: postal code given", "70173", "", " ", " ", 110000},
      {"flag off: postal code starting with 0", "01067", "", " ", " ", 130000},
      {"PLZ2 ignored while PLZ is filled", "70173", "1010", "A", " ", 110000},
      {"PLZ2 prefix below 10", "", "0815", "A", " ", 130000},
      {"single digit then blank", "7    ", "", " ", "N", 130000},
      {"highest prefix", "99999", "", " ", "N", 990000},
      {"leading blank in PLZ", " 7017", "", " ", "N", 130000},
      {"flags must match exactly", "70173", "", "a", "n", 110000},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MAKEKNDNR({c.plz, c.plz2, c.muster, c.p1a}), c.number) << c.what;
  }
}

TEST(TelephoneDigits, KeepsDigitsInOrder) {
  EXPECT_EQ(TelephoneDigits("+49 (0711) 123-45 67"), "4907111234567");
  EXPECT_EQ(TelephoneDigits("keine"), "");
  EXPECT_EQ(TelephoneDigits(""), "");
}

}  // namespace
}  // namespace tabrix
