// Text and number functions of the standard library.

#include "data/stdlib/stfkt_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "data/base/codepage.h"

namespace tabrix {

std::string GETPARTSTR(std::string_view text, std::string_view separator, int64_t n) {
  if (separator.empty() || n < 1) return "";
  const char sep = separator.front();
  size_t start = 0;
  for (int64_t part = 1;; ++part) {
    size_t end = text.find(sep, start);
    if (part == n)
      return std::string(text.substr(start, end == text.npos ? text.npos : end - start));
    if (end == text.npos) return "";
    start = end + 1;
  }
}

std::string CHARONLY(std::string_view allowed, std::string_view text) {
  std::string out;
  for (char c : text)
    if (allowed.find(c) != allowed.npos) out += c;
  return out;
}

std::string CHARREM(std::string_view chars, std::string_view text) {
  std::string out;
  for (char c : text)
    if (chars.find(c) == chars.npos) out += c;
  return out;
}

std::string STRZERO(double number, std::optional<int> length, std::optional<int> decimals) {
  const int width = length.value_or(10);
  const int dec = std::max(0, decimals.value_or(0));
  if (width < 1) return "";
  if (!std::isfinite(number)) return std::string(width, '*');
  // Half away from zero, as the runtime's number-to-text conversion rounds.
  const double scale = std::pow(10.0, dec);
  double rounded = std::round(std::fabs(number) * scale) / scale;
  char digits[400];
  int n = std::snprintf(digits, sizeof digits, "%.*f", dec, rounded);
  if (n < 0 || n >= static_cast<int>(sizeof digits)) return std::string(width, '*');
  const bool negative = number < 0 && rounded != 0;
  const int needed = n + (negative ? 1 : 0);
  if (needed > width) return std::string(width, '*');
  std::string out;
  if (negative) out += '-';
  out.append(width - needed, '0');
  out += digits;
  return out;
}

double VAL2(std::string_view text) {
  std::string plain;
  for (char c : text) {
    if (c == '.') continue;
    plain += c == ',' ? '.' : c;
  }
  size_t i = 0;
  while (i < plain.size() && (plain[i] == ' ' || plain[i] == '\t')) ++i;
  size_t start = i;
  if (i < plain.size() && (plain[i] == '-' || plain[i] == '+')) ++i;
  bool digits = false, point = false;
  for (; i < plain.size(); ++i) {
    char c = plain[i];
    if (c >= '0' && c <= '9') {
      digits = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!digits) return 0;
  return std::strtod(plain.substr(start, i - start).c_str(), nullptr);
}

std::string FormatParamString(std::string_view format, const ParamValue& value) {
  std::string out;
  bool filled = false;
  for (size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (c == '%' && i + 1 < format.size()) {
      char spec = format[i + 1];
      if (spec == '%') {
        out += '%';
        ++i;
        continue;
      }
      if (!filled && spec == 's' && std::holds_alternative<std::string>(value)) {
        out += std::get<std::string>(value);
        filled = true;
        ++i;
        continue;
      }
      if (!filled && (spec == 'i' || spec == 'd') && std::holds_alternative<int64_t>(value)) {
        out += std::to_string(std::get<int64_t>(value));
        filled = true;
        ++i;
        continue;
      }
    }
    out += c;
  }
  if (out.size() > 255) out.resize(255);
  return out;
}

std::string MissingParamString(int64_t number) {
  return FormatParamString("String at ID %i could not be found!", ParamValue{number});
}

std::string OEMTOANSI(const std::optional<std::string>& textOem) {
  if (!textOem) return " ";
  return Oem850ToAnsi1252(*textOem);
}

std::string ANSITOOEM(std::string_view textAnsi) {
  return Ansi1252ToOem850(textAnsi);
}

}  // namespace tabrix
