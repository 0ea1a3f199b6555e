#include "data/base/decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>

namespace tabrix {

namespace {

using U128 = unsigned __int128;

U128 Pow10(int n) {
  U128 p = 1;
  while (n-- > 0) p *= 10;
  return p;
}

// The decimal digits of `c`, most significant first, into out (room for 39); none for zero.
int CoefficientDigits(U128 c, char* out) {
  if (c == 0) return 0;
  // The 64-bit conversion where the value allows: a 128-bit division is a library call.
  if (c <= UINT64_MAX) {
    return static_cast<int>(std::to_chars(out, out + 39, static_cast<uint64_t>(c)).ptr - out);
  }
  char reversed[40];
  int n = 0;
  while (c > UINT64_MAX) {
    reversed[n++] = static_cast<char>('0' + static_cast<int>(c % 10));
    c /= 10;
  }
  for (uint64_t small = static_cast<uint64_t>(c); small != 0; small /= 10) {
    reversed[n++] = static_cast<char>('0' + small % 10);
  }
  std::reverse_copy(reversed, reversed + n, out);
  return n;
}

// The value with trailing zeros of the coefficient moved into the scale.
Decimal Normalized(Decimal d) {
  while (d.coefficient != 0 && d.coefficient % 10 == 0) {
    d.coefficient /= 10;
    --d.scale;
  }
  return d;
}

}  // namespace

std::optional<Decimal> Decimal::FromText(std::string_view text) {
  Decimal d;
  size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    d.negative = text[i] == '-';
    ++i;
  }
  int significant = 0, decimals = 0;
  bool point = false, digit = false;
  // Digits gather in 64 bits, 19 at a time, and only then reach the 128-bit coefficient:
  // field values rarely have more than 19, and 128-bit arithmetic per digit is what reading
  // a number field would otherwise cost.
  static constexpr uint64_t kPow10[] = {1ULL,
                                        10ULL,
                                        100ULL,
                                        1000ULL,
                                        10000ULL,
                                        100000ULL,
                                        1000000ULL,
                                        10000000ULL,
                                        100000000ULL,
                                        1000000000ULL,
                                        10000000000ULL,
                                        100000000000ULL,
                                        1000000000000ULL,
                                        10000000000000ULL,
                                        100000000000000ULL,
                                        1000000000000000ULL,
                                        10000000000000000ULL,
                                        100000000000000000ULL,
                                        1000000000000000000ULL,
                                        10000000000000000000ULL};
  uint64_t pending = 0;
  int pendingDigits = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
      if (point && ++decimals > 255) return std::nullopt;
      if ((significant > 0 || c != '0') && ++significant > kMaxDigits) return std::nullopt;
      pending = pending * 10 + static_cast<unsigned>(c - '0');
      if (++pendingDigits == 19) {
        d.coefficient = d.coefficient * kPow10[19] + pending;
        pending = 0;
        pendingDigits = 0;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return std::nullopt;
    }
  }
  if (!digit) return std::nullopt;
  d.coefficient = d.coefficient == 0 ? pending : d.coefficient * kPow10[pendingDigits] + pending;
  d.scale = static_cast<int16_t>(decimals);
  return d;
}

std::optional<Decimal> Decimal::FromDouble(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  // Whole numbers a double holds exactly (ids, counters): their digits are the integer's, and
  // this path spares the text round trip below, which a writer of many numbers feels.
  constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
  if (value == std::trunc(value) && std::fabs(value) < kExactIntegers &&
      !(value == 0 && std::signbit(value))) {  // -0 keeps its sign below
    return FromInt(static_cast<int64_t>(value));
  }
  // Shortest round-trip text in scientific form: "-1.2345e+05", at most 17 digits.
  char buf[40];
  const std::to_chars_result r =
      std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
  if (r.ec != std::errc()) return std::nullopt;
  Decimal d;
  const char* p = buf;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  int fraction = 0;
  bool point = false;
  for (; p != r.ptr && *p != 'e'; ++p) {
    if (*p == '.') {
      point = true;
      continue;
    }
    d.coefficient = d.coefficient * 10 + static_cast<unsigned>(*p - '0');
    fraction += point;
  }
  int exponent = 0;
  if (p != r.ptr) {
    ++p;  // 'e'
    if (*p == '+') ++p;
    std::from_chars(p, r.ptr, exponent);
  }
  d.scale = static_cast<int16_t>(fraction - exponent);
  return d;
}

Decimal Decimal::FromInt(int64_t i) {
  Decimal d;
  d.negative = i < 0;
  d.coefficient = d.negative ? 0 - static_cast<uint64_t>(i) : static_cast<uint64_t>(i);
  return d;
}

double Decimal::ToDouble() const {
  // Powers of ten up to 10^22 are exact doubles, as is every integer below 2^53: one IEEE
  // operation on two exact operands rounds correctly.
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                      1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  double v = 0;
  if (coefficient < (U128{1} << 53) && scale >= -22 && scale <= 22) {
    const double c = static_cast<double>(static_cast<uint64_t>(coefficient));
    v = scale >= 0 ? c / kPow10[scale] : c * kPow10[-scale];
  } else {
    char buf[64];
    char* end = buf + CoefficientDigits(coefficient, buf);
    *end++ = 'e';
    end = std::to_chars(end, buf + sizeof buf, -static_cast<int>(scale)).ptr;
    const std::from_chars_result r = std::from_chars(buf, end, v);
    if (r.ec == std::errc::result_out_of_range) v = scale > 0 ? 0.0 : HUGE_VAL;
  }
  return negative ? -v : v;
}

Decimal Decimal::Rounded(int decimals) const {
  if (scale <= decimals) return *this;
  Decimal r = *this;
  r.scale = static_cast<int16_t>(decimals);
  const int drop = scale - decimals;
  if (drop > kMaxDigits) {
    // Half of 10^39 is above every 128-bit coefficient: all of it rounds away.
    r.coefficient = 0;
    return r;
  }
  const U128 unit = Pow10(drop);
  r.coefficient = coefficient / unit;
  if (coefficient % unit >= unit / 2) ++r.coefficient;
  return r;
}

size_t Decimal::MagnitudeText(int decimals, char* out, size_t cap) const {
  decimals = std::max(decimals, 0);
  const Decimal r = Rounded(decimals);
  char digits[40];
  const int n = CoefficientDigits(r.coefficient, digits);
  // The digit string is: leading zeros, the coefficient, zeros for a negative scale, zeros up to
  // `decimals`; its last `decimals` digits follow the point.
  const int64_t zerosAfter = (n == 0 || r.scale >= 0) ? 0 : -int64_t{r.scale};
  const int64_t pad = decimals - std::max<int64_t>(r.scale, 0);
  const int64_t total = n + zerosAfter + pad;
  const int64_t lead = std::max<int64_t>(0, decimals + 1 - total);
  const int64_t length = lead + total + (decimals > 0);
  if (length > static_cast<int64_t>(cap)) return 0;
  int64_t remaining = lead + total;
  size_t at = 0;
  auto put = [&](char c) {
    if (remaining == decimals && decimals > 0) out[at++] = '.';
    out[at++] = c;
    --remaining;
  };
  for (int64_t i = 0; i < lead; ++i) put('0');
  for (int i = 0; i < n; ++i) put(digits[i]);
  while (remaining > 0) put('0');
  return at;
}

std::string Decimal::MagnitudeText(int decimals) const {
  // Every digit of a coefficient plus the zeros of the widest scale fit.
  std::string text(std::max(decimals, 0) + 40 + std::max(0, -int{scale}) + 2, '\0');
  text.resize(MagnitudeText(decimals, text.data(), text.size()));
  return text;
}

std::string Decimal::Text() const {
  std::string text = MagnitudeText(std::max<int>(scale, 0));
  if (IsNegative()) text.insert(0, 1, '-');
  return text;
}

bool operator==(const Decimal& a, const Decimal& b) {
  if (a.IsZero() || b.IsZero()) return a.IsZero() && b.IsZero();
  if (a.negative != b.negative) return false;
  const Decimal x = Normalized(a), y = Normalized(b);
  return x.coefficient == y.coefficient && x.scale == y.scale;
}

std::ostream& operator<<(std::ostream& os, const Decimal& d) {
  return os << d.Text();
}

}  // namespace tabrix
