#include "data/expr/expr_number.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace tabrix {
namespace {

using U128 = unsigned __int128;

constexpr int kMaxScale = 255;

constexpr std::array<U128, Decimal::kMaxDigits + 1> MakePowers() {
  std::array<U128, Decimal::kMaxDigits + 1> p{};
  p[0] = 1;
  for (size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}
constexpr std::array<U128, Decimal::kMaxDigits + 1> kPow10 = MakePowers();
constexpr U128 kMaxCoefficient = kPow10[Decimal::kMaxDigits] - 1;

Decimal MakeDecimal(U128 coefficient, int scale, bool negative) {
  Decimal d;
  d.coefficient = coefficient;
  d.scale = static_cast<int16_t>(scale);
  d.negative = negative && coefficient != 0;
  return d;
}

// Brings both coefficients to the larger scale; false when one would pass 38 digits.
bool Align(const Decimal& a, const Decimal& b, U128* ca, U128* cb, int* scale) {
  *scale = std::max<int>(a.scale, b.scale);
  *ca = a.coefficient;
  *cb = b.coefficient;
  for (U128* c : {ca, cb}) {
    const int diff = *scale - (c == ca ? a.scale : b.scale);
    if (diff == 0 || *c == 0) continue;
    if (diff > Decimal::kMaxDigits || *c > kMaxCoefficient / kPow10[diff]) return false;
    *c *= kPow10[diff];
  }
  return true;
}

// Magnitudes of two exact numbers, compared without overflow: -1, 0, 1.
int CompareMagnitude(const Decimal& a, const Decimal& b) {
  U128 ca, cb;
  int scale;
  if (Align(a, b, &ca, &cb, &scale)) return ca < cb ? -1 : (ca > cb ? 1 : 0);
  // One of them has so many digits that aligning overflows: compare their texts with the same
  // count of decimals, integer part length first.
  const int decimals = std::max(0, scale);
  const std::string ta = a.MagnitudeText(decimals);
  const std::string tb = b.MagnitudeText(decimals);
  if (ta.size() != tb.size()) return ta.size() < tb.size() ? -1 : 1;
  const int c = ta.compare(tb);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// a + b, or a - b with negateB; nullopt when the result does not fit a Decimal.
std::optional<Decimal> AddExact(const Decimal& a, const Decimal& b, bool negateB) {
  const bool nb = negateB ? !b.negative : b.negative;
  U128 ca, cb;
  int scale;
  if (!Align(a, b, &ca, &cb, &scale)) return std::nullopt;
  if (a.negative == nb) {
    if (ca > kMaxCoefficient - cb) return std::nullopt;
    return MakeDecimal(ca + cb, scale, a.negative);
  }
  if (ca >= cb) return MakeDecimal(ca - cb, scale, a.negative);
  return MakeDecimal(cb - ca, scale, nb);
}

// Digits before the point of |d| without rounding, at least 1 ("0.5" has 1).
int64_t IntegerDigits(const Decimal& d) {
  int64_t digits = 0;
  for (U128 c = d.coefficient; c != 0; c /= 10) ++digits;
  digits -= d.scale;
  return std::max<int64_t>(1, digits);
}

}  // namespace

Number Negate(const Number& a) {
  if (!a.exact) return Number::Inexact(-a.dbl);
  Decimal d = a.dec;
  d.negative = !d.negative && d.coefficient != 0;
  return Number::Exact(d);
}

Number Add(const Number& a, const Number& b) {
  if (a.exact && b.exact) {
    if (std::optional<Decimal> d = AddExact(a.dec, b.dec, false)) return Number::Exact(*d);
  }
  return Number::Inexact(a.ToDouble() + b.ToDouble());
}

Number Subtract(const Number& a, const Number& b) {
  if (a.exact && b.exact) {
    if (std::optional<Decimal> d = AddExact(a.dec, b.dec, true)) return Number::Exact(*d);
  }
  return Number::Inexact(a.ToDouble() - b.ToDouble());
}

Number Multiply(const Number& a, const Number& b) {
  if (a.exact && b.exact) {
    const U128 ca = a.dec.coefficient, cb = b.dec.coefficient;
    const int scale = a.dec.scale + b.dec.scale;
    if (ca == 0 || cb == 0)
      return Number::Exact(MakeDecimal(0, std::clamp(scale, 0, kMaxScale), false));
    if (cb <= kMaxCoefficient / ca && scale >= -kMaxScale && scale <= kMaxScale) {
      return Number::Exact(MakeDecimal(ca * cb, scale, a.dec.negative != b.dec.negative));
    }
  }
  return Number::Inexact(a.ToDouble() * b.ToDouble());
}

Number Divide(const Number& a, const Number& b) {
  return Number::Inexact(a.ToDouble() / b.ToDouble());
}

int Compare(const Number& a, const Number& b) {
  if (a.exact && b.exact) {
    const bool na = a.dec.IsNegative(), nb = b.dec.IsNegative();
    if (na != nb) return na ? -1 : 1;
    const int m = CompareMagnitude(a.dec, b.dec);
    return na ? -m : m;
  }
  const double x = a.ToDouble(), y = b.ToDouble();
  return x < y ? -1 : (x > y ? 1 : 0);
}

int64_t TruncatedInt(const Number& a) {
  constexpr int64_t kLimit = int64_t{1} << 53;
  if (!a.exact) {
    if (std::isnan(a.dbl)) return 0;
    const double t = std::trunc(a.dbl);
    if (t >= static_cast<double>(kLimit)) return kLimit;
    if (t <= -static_cast<double>(kLimit)) return -kLimit;
    return static_cast<int64_t>(t);
  }
  U128 q = a.dec.coefficient;
  if (a.dec.scale > 0) {
    q = a.dec.scale > Decimal::kMaxDigits ? 0 : q / kPow10[a.dec.scale];
  } else if (a.dec.scale < 0 && q != 0) {
    // Zeros before the point (only a double's decimal has them): past the limit unless small.
    q = -a.dec.scale > 15 || q > static_cast<U128>(kLimit) ? static_cast<U128>(kLimit)
                                                           : q * kPow10[-a.dec.scale];
  }
  const int64_t m = q >= static_cast<U128>(kLimit) ? kLimit : static_cast<int64_t>(q);
  return a.dec.IsNegative() ? -m : m;
}

Number IntegerPart(const Number& a) {
  if (!a.exact) return Number::Inexact(std::trunc(a.dbl));
  if (a.dec.scale <= 0) return a;
  const U128 q = a.dec.scale > Decimal::kMaxDigits ? 0 : a.dec.coefficient / kPow10[a.dec.scale];
  return Number::Exact(MakeDecimal(q, 0, a.dec.negative));
}

Number Absolute(const Number& a) {
  if (!a.exact) return Number::Inexact(std::fabs(a.dbl));
  Decimal d = a.dec;
  d.negative = false;
  return Number::Exact(d);
}

Number RoundTo(const Number& a, int64_t decimals) {
  std::optional<Decimal> d;
  if (a.exact) {
    d = a.dec;
  } else {
    d = Decimal::FromDouble(a.dbl);
    if (!d) return a;  // NaN and infinities stay as they are
  }
  if (decimals >= 0) {
    return Number::Exact(d->Rounded(static_cast<int>(std::min<int64_t>(decimals, kMaxScale))));
  }
  // To tens, hundreds, ...: round the integer value at 10^k.
  const Decimal whole = d->Rounded(0);
  U128 c = whole.coefficient;
  if (whole.scale < 0) return Number::Exact(whole);  // already a multiple of a power of ten
  const int64_t k = -decimals;
  if (k > Decimal::kMaxDigits) return Number::Exact(MakeDecimal(0, 0, false));
  const U128 unit = kPow10[k];
  U128 q = c / unit;
  if ((c % unit) * 2 >= unit) ++q;
  if (q > kMaxCoefficient / unit) return Number::Inexact(whole.ToDouble());
  return Number::Exact(MakeDecimal(q * unit, 0, whole.negative));
}

void FormatStr(const Number& value, int64_t width, int64_t decimals, std::string* out) {
  std::optional<Decimal> d;
  if (value.exact) {
    d = value.dec;
  } else {
    d = Decimal::FromDouble(value.dbl);
  }
  if (d) {
    // Start with as many decimals as fit beside the integer digits and the sign; rounding can
    // still carry into one more integer digit (9.96 -> 10.0), then one decimal less is tried.
    const int64_t room = width - IntegerDigits(*d) - 1 - (d->IsNegative() ? 1 : 0);
    int64_t k = std::min<int64_t>(decimals, std::max<int64_t>(0, room));
    char buf[512];
    std::string big;
    for (; k >= 0; --k) {
      const bool negative = d->RoundsBelowZero(static_cast<int>(k));
      std::string_view text;
      const size_t n = d->MagnitudeText(static_cast<int>(k), buf, sizeof buf);
      if (n > 0) {
        text = std::string_view(buf, n);
      } else if (width > static_cast<int64_t>(sizeof buf)) {
        big = d->MagnitudeText(static_cast<int>(k));
        text = big;
      } else {
        continue;  // longer than the buffer, so longer than the width too
      }
      const int64_t length = static_cast<int64_t>(text.size()) + (negative ? 1 : 0);
      if (length > width) continue;
      out->assign(static_cast<size_t>(width - length), ' ');
      if (negative) out->push_back('-');
      out->append(text);
      return;
    }
  }
  out->assign(static_cast<size_t>(width), '*');
}

Number ParseVal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  bool digit = false, point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digit) return Number::Int(0);
  const std::string_view number = text.substr(start, i - start);
  if (std::optional<Decimal> d = Decimal::FromText(number)) return Number::Exact(*d);
  return Number::Inexact(std::strtod(std::string(number).c_str(), nullptr));
}

}  // namespace tabrix
