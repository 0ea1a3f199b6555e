#pragma once
// Numbers inside the evaluator: exact decimals where the table holds exact digits, doubles
// where it holds binary numbers, and the text forms STR(), STRZERO() and VAL() give them.
//
// A Number is exact (a Decimal: N, F, I and Y fields, literals, VAL, counts) or inexact (a
// double: B fields, division, anything a double took part in). Rules:
//   1. + - * of two exact numbers stay exact while the result fits a Decimal (38 digits,
//      at most 255 decimals); otherwise, and whenever an inexact number takes part, the
//      result is the double computed from both values as doubles.
//   2. / is always a double: xBase programs divide in binary floating point.
//   3. Comparisons of two exact numbers are exact; otherwise both are compared as doubles.
//   4. STR of an exact number shows its stored digits: an N(20,0) id of 20 digits comes out
//      digit for digit. An inexact one is first taken as the shortest decimal that reads back
//      as the double (1.005 stays 1.005), then rounded like an exact one: halves away from
//      zero on the decimal digits, never on the binary value.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/base/decimal.h"

namespace tabrix {

struct Number {
  Decimal dec;       // the value when exact
  double dbl = 0.0;  // the value when not exact
  bool exact = true;

  static Number Exact(const Decimal& d) { return Number{d, 0.0, true}; }
  static Number Inexact(double d) { return Number{Decimal{}, d, false}; }
  static Number Int(int64_t i) { return Exact(Decimal::FromInt(i)); }

  double ToDouble() const { return exact ? dec.ToDouble() : dbl; }
  bool IsZero() const { return exact ? dec.IsZero() : dbl == 0.0; }
  // Below zero (a negative zero is not).
  bool IsNegative() const { return exact ? dec.IsNegative() : dbl < 0.0; }
};

Number Negate(const Number& a);
Number Add(const Number& a, const Number& b);
Number Subtract(const Number& a, const Number& b);
Number Multiply(const Number& a, const Number& b);
// REQUIRES: !b.IsZero() (division by zero is the caller's error to report).
Number Divide(const Number& a, const Number& b);
// -1, 0, 1. A NaN compares equal to everything (it never reaches a table).
int Compare(const Number& a, const Number& b);

// The integer part, truncated toward zero and clamped to +-2^53, for counts and positions
// ("LEFT(x, 2.9)" takes 2 bytes). A NaN gives 0.
int64_t TruncatedInt(const Number& a);
// The integer part as a Number (INT()); exact stays exact.
Number IntegerPart(const Number& a);
Number Absolute(const Number& a);
// ROUND(): halves away from zero; negative `decimals` round to tens, hundreds, ...
Number RoundTo(const Number& a, int64_t decimals);

// STR(value, width, decimals) into *out (replacing its content): right-aligned in `width`
// characters with `decimals` decimals, rounded as in rule 4. When the decimals do not fit but
// the integer part does, fewer decimals are shown (the point goes when none is left); when
// the integer part and its sign do not fit, `width` asterisks. REQUIRES: width >= 1,
// decimals >= 0.
void FormatStr(const Number& value, int64_t width, int64_t decimals, std::string* out);

// VAL(): leading blanks, an optional sign, digits with at most one point; the number ends at
// the first byte that cannot continue it, and text without a digit is 0. The decimals are
// those written ("12.50" has two). More than 38 digits give the nearest double.
Number ParseVal(std::string_view text);

}  // namespace tabrix
