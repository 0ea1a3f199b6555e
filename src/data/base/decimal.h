#pragma once
// An exact decimal number: what an N or F field stores, digit for digit.
//
//   value = (negative ? -1 : 1) x coefficient x 10^-scale
//
// A double cannot carry the numbers customers keep in numeric fields: an N(20,0) id
// 12345678901234567890 or an N(19,2) amount 1234567890123456.78 have more digits than its 53-bit
// mantissa holds, and the double nearest to them prints other digits. So the table layer hands
// N and F values out as a Decimal, and callers that compute take ToDouble().
//
// Invariants:
//   1. coefficient holds every significant digit; FromText refuses text with more than
//      kMaxDigits of them, so a parsed value never lost a digit. Rounding up may add one digit
//      (10^38 still fits 128 bits).
//   2. scale is the count of digits after the point as they were stored ("12.50" has scale 2):
//      text of the value with its own scale gives back the stored digits. A negative scale
//      (only from FromDouble) stands for zeros before the point.
//   3. negative is kept for zero too, so a stored "-0.00" reads back as a negative zero double;
//      every text of a value that is (or rounds to) zero is written without a sign.
//   4. Rounding to fewer decimals is half away from zero on these digits (2.5 -> 3,
//      -0.125 -> -0.13), never on a binary double. Rounded() is the one place of that rule:
//      the field writer (dbf_record) and the converter's text form both go through it.
//
// Equality is numeric: 1.5 == 1.50, and -0 == 0.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

namespace tabrix {

struct Decimal {
  // 38 decimal digits always fit 128 bits (2^128 is about 3.4 x 10^38).
  static constexpr int kMaxDigits = 38;

  unsigned __int128 coefficient = 0;
  int16_t scale = 0;
  bool negative = false;

  bool IsZero() const { return coefficient == 0; }
  // Below zero; a negative zero is not.
  bool IsNegative() const { return negative && coefficient != 0; }

  // The number in plain text: an optional '+' or '-', digits with at most one '.', at least one
  // digit, at most kMaxDigits significant digits (leading zeros do not count) and at most 255
  // decimals. nullopt for any other text (blanks included).
  static std::optional<Decimal> FromText(std::string_view text);
  // The shortest decimal that reads back as `d` (what a person typed for it: 1.005 is 1.005,
  // not the binary 1.00499999...). nullopt for NaN and infinities.
  static std::optional<Decimal> FromDouble(double d);
  // An integer, exactly.
  static Decimal FromInt(int64_t i);

  // The double nearest to the value (correctly rounded; a negative zero stays negative).
  double ToDouble() const;

  // The value rounded to `decimals` places (decimals >= 0), halves away from zero. A value with
  // no more decimals than that is returned unchanged.
  Decimal Rounded(int decimals) const;
  // True when the value rounded to `decimals` places is below zero: its text needs a sign.
  bool RoundsBelowZero(int decimals) const { return Rounded(decimals).IsNegative(); }

  // The magnitude rounded to `decimals` places (as Rounded), with exactly `decimals` digits after
  // a point ("0.50", "3", "1000"), no sign, into out[0, cap). Returns the count of characters, or
  // 0 when more than `cap` are needed.
  size_t MagnitudeText(int decimals, char* out, size_t cap) const;
  std::string MagnitudeText(int decimals) const;
  // The value with its own scale and a '-' when below zero: the stored digits ("-12.50").
  std::string Text() const;

  friend bool operator==(const Decimal& a, const Decimal& b);
};

// Text() on a stream (test failure messages name the value, not its bytes).
std::ostream& operator<<(std::ostream& os, const Decimal& d);

}  // namespace tabrix
