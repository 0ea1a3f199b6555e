// The exact decimal value of N and F fields: its limits and its one rounding rule.

#include "data/base/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace tabrix {
namespace {

TEST(Decimal, TextWithinTheLimitsReadsExactly) {
  const std::string d38(38, '9');
  const std::string zeros254(254, '0');
  struct Case {
    std::string text;
    std::optional<std::string> value;  // its Text(); nullopt: not a number
  } cases[] = {
      {d38, d38},                                      // 38 significant digits: the limit
      {d38 + "9", std::nullopt},                       // one more
      {"-0000" + d38, "-" + d38},                      // leading zeros do not count
      {"0." + zeros254 + "1", "0." + zeros254 + "1"},  // 255 decimals: the limit
      {"0." + zeros254 + "01", std::nullopt},          // 256
      {"+1", "1"},
      {"1.", "1"},
      {".10", "0.10"},
      {"-0.0", "0.0"},
      {"", std::nullopt},
      {"-", std::nullopt},
      {".", std::nullopt},
      {"1 ", std::nullopt},
      {"1e3", std::nullopt},
      {"--1", std::nullopt},
      {"1.2.3", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::optional<Decimal> d = Decimal::FromText(c.text);
    ASSERT_EQ(d.has_value(), c.value.has_value());
    if (d) {
      EXPECT_EQ(d->Text(), *c.value);
    }
  }
}

TEST(Decimal, RoundingIsHalfAwayFromZeroOnTheDigits) {
  struct Case {
    const char* value;
    int decimals;
    const char* text;  // MagnitudeText
    bool below;        // RoundsBelowZero
  } cases[] = {
      {"0.5", 0, "1", false},
      {"-0.5", 0, "1", true},
      {"0.49999999999999999999", 0, "0", false},
      {"-0.49999999999999999999", 0, "0", false},
      {"2.5", 0, "3", false},
      {"-0.125", 2, "0.13", true},
      {"1.005", 2, "1.01", false},
      {"9.995", 2, "10.00", false},
      {"12.5", 3, "12.500", false},  // fewer decimals than asked: padded, never rounded
      {"-0.00", 2, "0.00", false},
      // Dropping 38 digits keeps a half that lies in the 38th; 39 digits drop everything, as
      // half of 10^39 lies above every coefficient.
      {"0.50000000000000000000000000000000000000", 0, "1", false},
      {"0.9999999999999999999999999999999999999", 0, "1", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.value) + " to " + std::to_string(c.decimals));
    const Decimal d = Decimal::FromText(c.value).value();
    EXPECT_EQ(d.MagnitudeText(c.decimals), c.text);
    EXPECT_EQ(d.RoundsBelowZero(c.decimals), c.below);
  }
  Decimal big = Decimal::FromText(std::string(38, '9')).value();
  big.scale = 38;  // 0.999... with 38 nines: a drop of 38 digits
  EXPECT_EQ(big.Rounded(0).coefficient, 1u);
  big.scale = 39;  // 0.0999...: a drop of 39 digits
  EXPECT_EQ(big.Rounded(0).coefficient, 0u);
}

TEST(Decimal, MagnitudeTextNeedsItsWholeRoom) {
  const Decimal d = Decimal::FromText("-1234.5").value();
  char buf[8];
  EXPECT_EQ(d.MagnitudeText(2, buf, 7), 7u);  // "1234.50": exactly the room
  EXPECT_EQ(std::string(buf, 7), "1234.50");
  EXPECT_EQ(d.MagnitudeText(2, buf, 6), 0u);  // one short
}

TEST(Decimal, DoublesBothWays) {
  const double values[] = {0.0,
                           -0.0,
                           1.005,
                           -17.25,
                           0.1,
                           1e22,
                           1e23,
                           5e-324,
                           1.7976931348623157e308,
                           123456789012345678.0,
                           9007199254740993.0};
  for (double v : values) {
    SCOPED_TRACE(v);
    const std::optional<Decimal> d = Decimal::FromDouble(v);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->ToDouble(), v);
    EXPECT_EQ(std::signbit(d->ToDouble()), std::signbit(v));
  }
  EXPECT_EQ(Decimal::FromDouble(1.005)->Text(), "1.005");
  EXPECT_EQ(Decimal::FromDouble(1e22)->Text(), "10000000000000000000000");
  EXPECT_FALSE(Decimal::FromDouble(NAN).has_value());
  EXPECT_FALSE(Decimal::FromDouble(-INFINITY).has_value());
  // Past 2^53 the stored digits are no double: the nearest one.
  EXPECT_EQ(Decimal::FromText("12345678901234567890").value().ToDouble(), 12345678901234567890.0);
  EXPECT_EQ(Decimal::FromText("12345678901234567890").value().Text(), "12345678901234567890");
}

TEST(Decimal, EqualityIsNumeric) {
  auto d = [](const char* t) { return Decimal::FromText(t).value(); };
  EXPECT_EQ(d("1.5"), d("1.50"));
  EXPECT_EQ(d("-0.00"), d("0"));
  EXPECT_EQ(d("100"), Decimal::FromInt(100));
  EXPECT_EQ(Decimal::FromDouble(1e22).value(), d("10000000000000000000000"));
  EXPECT_FALSE(d("1.5") == d("-1.5"));
  EXPECT_FALSE(d("12345678901234567890") == d("12345678901234567891"));
  EXPECT_EQ(Decimal::FromInt(INT64_MIN).Text(), "-9223372036854775808");
}

}  // namespace
}  // namespace tabrix
