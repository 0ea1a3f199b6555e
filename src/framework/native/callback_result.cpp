#include "framework/native/callback_result.h"

#include <cmath>
#include <limits>

namespace tabrix {

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
    int64_t operator()(const Date& v) const { return JulianDayFromDate(v); }
    int64_t operator()(const TextAnswer& v) const { return v.code; }
  };
  return std::visit(Visitor{}, value_);
}

}  // namespace tabrix
