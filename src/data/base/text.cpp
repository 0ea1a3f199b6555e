#include "data/base/text.h"

#include <cstdio>

namespace tabrix {

namespace {

size_t FileNameStart(std::string_view path) {
  const size_t separator = path.find_last_of("/\\:");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

// The position of the extension's dot, npos when the file name has none.
size_t ExtensionDot(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  return dot != std::string_view::npos && dot >= FileNameStart(path) ? dot : std::string_view::npos;
}

}  // namespace

char AsciiUpper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string AsciiUpper(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = AsciiUpper(c);
  return s;
}

std::string_view FileNamePart(std::string_view path) {
  return path.substr(FileNameStart(path));
}

std::string_view WithoutExtension(std::string_view path) {
  return path.substr(0, ExtensionDot(path));
}

std::string_view ExtensionOf(std::string_view path) {
  const size_t dot = ExtensionDot(path);
  return dot == std::string_view::npos ? std::string_view() : path.substr(dot + 1);
}

bool HasExtension(std::string_view path) {
  return ExtensionDot(path) != std::string_view::npos;
}

std::string DateText(const Date& date) {
  if (date.empty()) return "  .  .    ";
  if (date.day >= 0 && date.day <= 99 && date.month >= 0 && date.month <= 99 && date.year >= 0 &&
      date.year <= 9999) {
    // Written digit by digit: the protocol and the converter's text forms show a date for
    // every record, and formatting it through snprintf costs more than the rest of the row.
    std::string text = "00.00.0000";
    text[0] = static_cast<char>('0' + date.day / 10);
    text[1] = static_cast<char>('0' + date.day % 10);
    text[3] = static_cast<char>('0' + date.month / 10);
    text[4] = static_cast<char>('0' + date.month % 10);
    for (int i = 9, y = date.year; i >= 6; --i, y /= 10) {
      text[static_cast<size_t>(i)] = static_cast<char>('0' + y % 10);
    }
    return text;
  }
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", date.day, date.month, date.year);
  return buffer;
}

}  // namespace tabrix
