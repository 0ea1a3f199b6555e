#include "converter/text_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

TEST(TextRules, EmptyTextIsWhiteSpaceOnly) {
  struct Case {
    std::string text;
    bool empty;
  };
  const Case cases[] = {
      {"", true},     {"   ", true}, {" \t\r\n ", true},    {"\n", true},
      {" x ", false}, {"0", false},  {"  .  .    ", false}, {"\v", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsEmptyText(c.text), c.empty) << '"' << c.text << '"';
}

TEST(TextRules, TrimmingIsAsymmetric) {
  struct Case {
    std::string text, left, right, both;
  };
  const Case cases[] = {
      {"  a b  ", "a b  ", "  a b", "a b"},
      {"\t\r\n a", "a", "\t\r\n a", "a"},
      // The right side loses blanks only: a trailing line break or TAB stays.
      {"a \r\n", "a \r\n", "a \r\n", "a \r\n"},
      {"a\t  ", "a\t  ", "a\t", "a\t"},
      {"   ", "", "", ""},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TrimLeft(c.text), c.left) << '"' << c.text << '"';
    EXPECT_EQ(TrimRight(c.text), c.right) << '"' << c.text << '"';
    EXPECT_EQ(TrimBoth(c.text), c.both) << '"' << c.text << '"';
  }
}

TEST(TextRules, NumericValueReadsLeadingNumber) {
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {"70", 70},
      {"  42abc", 42},
      {"-5", -5},
      {"+7", 7},
      {"3.25", 3.25},
      {"1.5.3", 1.5},
      {".5", 0.5},
      {"AB", 0},
      {"", 0},
      {"- 5", 0},
      {"\t5", 0},  // only blanks may stand
                   // before a number
      {"01", 1},
      {"7 ", 7},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(NumericValue(c.text), c.value) << c.text;
}

}  // namespace
}  // namespace tabrix
