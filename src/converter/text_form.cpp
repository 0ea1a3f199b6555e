#include "converter/text_form.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <optional>
#include <type_traits>

#include "data/base/text.h"

namespace tabrix {
namespace {

constexpr int kDoubleWidth = 20;
constexpr int kIntegerWidth = 11;
constexpr int kCurrencyWidth = 20;
// More decimals than a double carries would only print noise; field headers never hold more.
constexpr int kMaxDecimals = 18;
// Room for the widest magnitude: the digits of a double up to 1.8e308 and kMaxDecimals.
constexpr size_t kNumberTextRoom = 400;

std::string PadLeft(std::string digits, int width) {
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

std::string WithDebitMark(std::string digits, int width, bool negative) {
  std::string text = PadLeft(std::move(digits), width);
  if (negative) text += " DB";
  return text;
}

// Rounded by Decimal::Rounded, the rule the field writer follows: the text of a value is what
// the writer would store for it, less the sign.
std::string NumberText(const Decimal& number, int width, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  char buffer[kNumberTextRoom];
  const size_t n = number.MagnitudeText(decimals, buffer, sizeof buffer);
  return WithDebitMark(std::string(buffer, n), width, number.RoundsBelowZero(decimals));
}

std::string NumberText(double number, int width, int decimals) {
  if (const std::optional<Decimal> d = Decimal::FromDouble(number)) {
    return NumberText(*d, width, decimals);
  }
  // NaN or an infinity (only a computed B value can be one): its name, never digits.
  char buffer[16];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number));
  return WithDebitMark(std::string(buffer, ec == std::errc() ? end : buffer), width, number < 0);
}

std::string IntegerText(int32_t number) {
  const bool negative = number < 0;
  const int64_t magnitude = negative ? -static_cast<int64_t>(number) : number;
  return WithDebitMark(std::to_string(magnitude), kIntegerWidth, negative);
}

std::string CurrencyText(Currency amount) {
  const bool negative = amount.tenThousandths < 0;
  // Four decimals, as stored. Unsigned arithmetic: the magnitude of the smallest int64 does not fit
  // a signed int64.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(amount.tenThousandths)
                                      : static_cast<uint64_t>(amount.tenThousandths);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%" PRIu64 ".%04" PRIu64, magnitude / 10000,
                magnitude % 10000);
  return WithDebitMark(buffer, kCurrencyWidth, negative);
}

std::string DateTimeText(const DateTime& stamp) {
  if (stamp.date.empty()) return "  .  .       :  :  ";
  const int32_t seconds = std::max<int32_t>(stamp.millisOfDay, 0) / 1000;
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  return DateText(stamp.date) + buffer;
}

std::string DoubleText(double number, const FieldDescription& field) {
  if (field.type == 'B') return NumberText(number, kDoubleWidth, field.decimals);
  return NumberText(number, field.length, field.decimals);
}

}  // namespace

std::string TextForm(const Value& value, const FieldDescription& field) {
  return std::visit(
      [&field](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return NumberText(v, field.length, field.decimals);
        } else if constexpr (std::is_same_v<T, double>) {
          return DoubleText(v, field);
        } else if constexpr (std::is_same_v<T, int32_t>) {
          return IntegerText(v);
        } else if constexpr (std::is_same_v<T, Currency>) {
          return CurrencyText(v);
        } else if constexpr (std::is_same_v<T, Date>) {
          return DateText(v);
        } else if constexpr (std::is_same_v<T, DateTime>) {
          return DateTimeText(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? "T" : "F";
        } else {
          static_assert(std::is_same_v<T, Null> || std::is_same_v<T, Blob>);
          return std::string();
        }
      },
      value);
}

}  // namespace tabrix
