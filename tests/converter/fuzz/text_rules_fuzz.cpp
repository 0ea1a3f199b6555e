// Feeds arbitrary bytes through the converter's text rules and checks the promises they make
// about every input: layout of NORMSTRING, the alphabet of FSORT, the range of MAKEKNDNR,
// the postal code split only ever shortening the city, and the base name being a tail piece
// of the path.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "converter/composite_texts.h"
#include "converter/derived_fields.h"
#include "converter/file_names.h"
#include "converter/text_rules.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

// NORMSTRING as its rule reads, one character at a time: the program's version copies runs and
// must lay out every input exactly like this.
std::string NormStringByCharacter(std::string_view v) {
  std::string r = "\t";
  if (v.empty()) return r;
  bool atLineStart = true;
  for (size_t i = 0; i + 1 < v.size(); ++i) {
    char c = v[i];
    if (c == '\r' && v[i + 1] != '\n') {
      while (!r.empty() && r.back() == ' ') r.pop_back();
      r += "\r\n";
      atLineStart = true;
      c = ' ';
    }
    if (!(atLineStart && c == ' ')) {
      atLineStart = false;
      r += c;
    }
    if (r.back() == '\n') {
      atLineStart = true;
      r += "\t\t";
    }
  }
  return r + v.back();
}

std::string_view Piece(std::string_view text, size_t pos, size_t length) {
  return pos <= text.size() ? text.substr(pos, length) : std::string_view();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tabrix;
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const std::string laidOut = NORMSTRING(text);
  Check(laidOut == NormStringByCharacter(text));
  Check(!laidOut.empty() && laidOut.front() == '\t');
  if (!text.empty()) Check(laidOut.back() == text.back());

  for (char c : FSORT(text)) Check(c >= 'A' && c <= 'Z');

  const size_t third = size / 3;
  const int number = MAKEKNDNR({Piece(text, 0, third), Piece(text, third, third),
                                Piece(text, 2 * third, 1), Piece(text, 2 * third + 1, 1)});
  Check(number >= 100000 && number <= 990000 && number % 10000 == 0);

  PostalCity target{"", std::string(text)};
  GET_PLZORT(target);
  Check(target.ort.size() + target.plz.size() <= size);

  const std::string base = SourceBaseName(text);
  Check(text.find(base) != std::string_view::npos);
  Check(base.find('\\') == std::string::npos);

  const int pos = SURCHCHARR(text, '.', 1);
  Check(pos >= 1 && pos <= static_cast<int>(size) + 1);

  // Digits read whole never make a value that is not a number.
  Check(!std::isnan(NumericValue(text)));
  (void)TrimBoth(text);
  return 0;
}
