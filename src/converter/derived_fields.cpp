#include "converter/derived_fields.h"

#include "converter/text_rules.h"
#include "data/base/codepage.h"

namespace tabrix {
namespace {

// Code page 850 bytes of the German letters.
constexpr char kSharpS = '\xE1';
constexpr char kUpperAUmlaut = '\x8E';
constexpr char kUpperOUmlaut = '\x99';
constexpr char kUpperUUmlaut = '\x9A';
constexpr char kLowerAUmlaut = '\x84';
constexpr char kLowerOUmlaut = '\x94';
constexpr char kLowerUUmlaut = '\x81';

bool IsAlphabetLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == kLowerAUmlaut ||
         c == kLowerOUmlaut || c == kLowerUUmlaut;
}

std::string_view FirstTwo(std::string_view text) {
  return text.substr(0, 2);
}

}  // namespace

void GET_PLZORT(PostalCity& target) {
  const std::string_view s = TrimLeft(target.ort);
  const size_t blank = s.find(' ');
  if (blank == std::string_view::npos) return;
  const std::string_view rest = TrimBoth(s.substr(blank + 1));
  if (rest.empty()) return;
  std::string plz(s.substr(0, blank));
  target.ort = std::string(rest);  // rest points into ort: copy before assigning
  target.plz = std::move(plz);
}

std::string FSORT(std::string_view textOem) {
  const std::string upper = UpperGerman850(TrimBoth(textOem));
  std::string key;
  key.reserve(upper.size() + 8);
  for (char c : upper) {
    switch (c) {
      case kSharpS:
        key += "SS";
        break;
      case kUpperAUmlaut:
        key += "AE";
        break;
      case kUpperOUmlaut:
        key += "OE";
        break;
      case kUpperUUmlaut:
        key += "UE";
        break;
      default:
        if (IsAlphabetLetter(c)) key += c;
    }
  }
  return key;
}

int MAKEKNDNR(const CustomerNumberInputs& in) {
  const bool plzEmpty = IsEmptyText(in.plz);
  const bool plzStartsWithZero = !in.plz.empty() && in.plz.front() == '0';
  std::string_view prefix;
  if (in.muster == "A" && plzEmpty && !IsEmptyText(in.plz2)) {
    prefix = FirstTwo(in.plz2);
  } else if (in.p1a == "N" && !plzStartsWithZero && !plzEmpty) {
    prefix = FirstTwo(in.plz);
  } else {
    prefix = plzEmpty ? "12" : "11";
    if (plzStartsWithZero) prefix = "13";
  }
  double value = NumericValue(prefix);
  if (value < 10) value = 13;
  // Two characters read as a number of at least 10 are two digits, so value is whole, 10..99.
  return static_cast<int>(value) * 10000;
}

std::string TelephoneDigits(std::string_view telephone) {
  std::string digits;
  for (char c : telephone) {
    if (c >= '0' && c <= '9') digits += c;
  }
  return digits;
}

}  // namespace tabrix
