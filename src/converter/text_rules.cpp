#include "converter/text_rules.h"

#include <charconv>
#include <limits>
#include <system_error>

namespace tabrix {

bool IsWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsEmptyText(std::string_view text) {
  return TrimLeft(text).empty();
}

std::string_view TrimLeft(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsWhiteSpace(text[start])) ++start;
  return text.substr(start);
}

std::string_view TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

std::string_view TrimBoth(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

double NumericValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // The number is the run of digits with at most one decimal point. Its value is the double
  // nearest to those decimal digits: summing digit by digit rounds at every step (".7" would
  // come out as 0.7000000000000001), while std::from_chars rounds once and correctly however
  // many digits there are.
  const size_t start = i;
  bool point = false;
  bool wholeNonZero = false;  // a digit other than 0 before the point: the value is at least 1
  bool digits = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      digits = true;
      wholeNonZero = wholeNonZero || (!point && c != '0');
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  double value = 0;
  const std::from_chars_result read =
      std::from_chars(text.data() + start, text.data() + i, value, std::chars_format::fixed);
  if (read.ec == std::errc::result_out_of_range) {
    // Beyond the largest double the nearest value is infinity; below half the smallest
    // subnormal it is zero.
    value = wholeNonZero ? std::numeric_limits<double>::infinity() : 0.0;
  }
  return negative ? -value : value;
}

}  // namespace tabrix
