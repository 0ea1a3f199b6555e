#include "data/stdlib/stfkt_caption.h"

#include "data/base/codepage.h"

namespace tabrix {

namespace {

std::string WithoutMarks(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c != '&' && c != '.') out += c;
  }
  return out;
}

std::string_view BeforeTab(std::string_view text) {
  return text.substr(0, text.find('\t'));
}

}  // namespace

std::optional<CaptionTexts> CaptionFromText(std::string_view text, bool keepMarks) {
  if (keepMarks) return CaptionTexts{std::string(BeforeTab(text)), std::nullopt};
  if (text.empty()) return std::nullopt;
  std::string plain = WithoutMarks(BeforeTab(text));
  return CaptionTexts{plain, Ansi1252ToOem850(plain)};
}

}  // namespace tabrix
