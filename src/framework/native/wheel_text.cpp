#include "framework/native/wheel_text.h"

#include <limits>

namespace tabrix {
namespace {

std::string_view Field(std::string_view text, int index) {  // 0-based, tab-separated
  for (int i = 0; i < index; ++i) {
    size_t tab = text.find('\t');
    if (tab == std::string_view::npos) return {};
    text.remove_prefix(tab + 1);
  }
  size_t tab = text.find('\t');
  return tab == std::string_view::npos ? text : text.substr(0, tab);
}

int64_t LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  uint64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (value > (std::numeric_limits<uint64_t>::max() - 9) / 10) break;  // absurd length: stop
    value = value * 10 + static_cast<uint64_t>(text[i] - '0');
  }
  if (value > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return 0;
  int64_t signedValue = static_cast<int64_t>(value);
  return negative ? -signedValue : signedValue;
}

}  // namespace

bool IsBrowseScrollText(std::string_view text) {
  return text.substr(0, 2) == "B\t";
}

BrowseScrollTarget ParseBrowseScrollText(std::string_view text) {
  return BrowseScrollTarget{LeadingNumber(Field(text, 1)), LeadingNumber(Field(text, 2))};
}

}  // namespace tabrix
