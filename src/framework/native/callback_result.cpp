#include "framework/native/callback_result.h"

#include <cmath>
#include <limits>

namespace tabrix {
namespace {

// Julian day number of a calendar date (proleptic Gregorian); 0 for the empty date. (The key
// expressions have a DayNumber of their own: this one stays local to the callback answers.)
int64_t CallbackDayNumber(const Date& date) {
  if (date.empty()) return 0;
  // Fliegel and Van Flandern's integer formula.
  int64_t y = date.year, m = date.month, d = date.day;
  int64_t a = (m - 14) / 12;
  return (1461 * (y + 4800 + a)) / 4 + (367 * (m - 2 - 12 * a)) / 12 -
         (3 * ((y + 4900 + a) / 100)) / 4 + d - 32075;
}

}  // namespace

int64_t MsgResult::ToNumber() const {
  struct Visitor {
    int64_t operator()(std::monostate) const { return 0; }
    int64_t operator()(int64_t v) const { return v; }
    int64_t operator()(double v) const {
      if (std::isnan(v)) return 0;
      constexpr double kMax = 9223372036854775807.0;  // rounds up to 2^63
      if (v >= kMax) return std::numeric_limits<int64_t>::max();
      if (v <= -kMax) return std::numeric_limits<int64_t>::min();
      return static_cast<int64_t>(v);  // truncates toward zero
    }
    int64_t operator()(bool v) const { return v ? 1 : 0; }
    int64_t operator()(const Date& v) const { return CallbackDayNumber(v); }
    int64_t operator()(const TextAnswer& v) const { return v.code; }
  };
  return std::visit(Visitor{}, value_);
}

}  // namespace tabrix
