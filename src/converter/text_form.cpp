#include "converter/text_form.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdio>
#include <type_traits>

#include "data/base/text.h"

namespace tabrix {
namespace {

constexpr int kDoubleWidth = 20;
constexpr int kIntegerWidth = 11;
constexpr int kCurrencyWidth = 20;
// More decimals than a double carries would only print noise; field headers never hold more.
constexpr int kMaxDecimals = 18;

std::string PadLeft(std::string digits, int width) {
  if (static_cast<int>(digits.size()) < width) digits.insert(0, width - digits.size(), ' ');
  return digits;
}

std::string WithDebitMark(std::string digits, int width, bool negative) {
  std::string text = PadLeft(std::move(digits), width);
  if (negative) text += " DB";
  return text;
}

std::string NumberText(double number, int width, int decimals) {
  decimals = std::clamp(decimals, 0, kMaxDecimals);
  const bool negative = number < 0;
  // Adding zero turns a negative zero into zero, which must print without a minus sign.
  const double magnitude = negative ? -number : number + 0.0;
  char buffer[400];
  const auto [end, ec] =
      std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::fixed, decimals);
  return WithDebitMark(std::string(buffer, ec == std::errc() ? end : buffer), width, negative);
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
