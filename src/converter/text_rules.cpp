#include "converter/text_rules.h"

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
  double value = 0;
  double scale = 0;  // 0 before the decimal point, then the weight of the next digit
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') {
      if (scale == 0) {
        value = value * 10 + (c - '0');
      } else {
        value += (c - '0') * scale;
        scale /= 10;
      }
    } else if (c == '.' && scale == 0) {
      scale = 0.1;
    } else {
      break;
    }
  }
  return negative ? -value : value;
}

}  // namespace tabrix
