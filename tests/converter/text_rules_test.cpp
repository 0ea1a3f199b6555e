#include "converter/text_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
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

// The value is the double nearest to all the digits read, rounded once: no digit-by-digit sum
// that rounds at every step, however long the run of digits.
TEST(TextRules, NumericValueIsTheNearestDoubleToItsDigits) {
  constexpr double kMax = std::numeric_limits<double>::max();
  constexpr double kInf = std::numeric_limits<double>::infinity();
  constexpr double kTiny = std::numeric_limits<double>::denorm_min();
  const std::string belowMaxHalfStep = "17976931348623158" + std::string(292, '0');
  const std::string pastMaxHalfStep = "17976931348623159" + std::string(292, '0');
  const std::string subnormalZeros = "0." + std::string(323, '0');
  struct Case {
    std::string text;
    double value;
  };
  const Case cases[] = {
      {".7", 0.7},
      {"0.1", 0.1},
      {"1234567.89", 1234567.89},
      {"-0.3", -0.3},
      {"  +2.675 EUR", 2.675},
      {"0.1.2", 0.1},
      {"123456789012345678901234567890", 123456789012345678901234567890.0},
      // The exact value of the double 0.1, written out.
      {"0.1000000000000000055511151231257827021181583404541015625", 0.1},
      // Exactly halfway between 2 and the next double: ties go to the even one; one more digit
      // decides for the upper one.
      {"2.0000000000000002220446049250313080847263336181640625", 2.0},
      {"2.00000000000000022204460492503130808472633361816406251", std::nextafter(2.0, 3.0)},
      {"9007199254740993.0000000001", 9007199254740994.0},
      {"0." + std::string(500, '3'), 1.0 / 3.0},
      {std::string(300, '0') + "42", 42},
      // The largest double and past it: up to half a step above the largest double the nearest
      // value is the largest double, beyond that infinity.
      {belowMaxHalfStep, kMax},
      {pastMaxHalfStep, kInf},
      {"-" + pastMaxHalfStep, -kInf},
      {std::string(1000, '9') + ".5", kInf},
      // The smallest subnormal and below it: more than half of it is it, less is zero.
      {subnormalZeros + "25", kTiny},
      {subnormalZeros + "24", 0},
      {"-" + subnormalZeros + "25", -kTiny},
      {"0." + std::string(1000, '0') + "1", 0},
      // No digit at all.
      {".", 0},
      {"-.", 0},
      {"+", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NumericValue(c.text), c.value)
        << c.text.substr(0, 60) << " (" << c.text.size() << " characters)";
  }
}

}  // namespace
}  // namespace tabrix
