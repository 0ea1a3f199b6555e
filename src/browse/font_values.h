#pragma once
// The fourteen values of a logical font, and reading them from an array of values (the array
// form of CREATEFONT, e.g. {height, 0, 0, 0, 400, false, false, false, 0, 0, 0, 0, 0, "Arial"}).

#include <optional>
#include <span>
#include <string>

#include "data/base/value.h"

namespace tabrix {

struct FontValues {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  bool italic = false;
  bool underline = false;
  bool strikeOut = false;
  int charSet = 0;
  int outPrecision = 0;
  int clipPrecision = 0;
  int quality = 0;
  int pitchAndFamily = 0;
  std::string faceName;  // Windows-1252, at most 31 bytes are used
  friend bool operator==(const FontValues&, const FontValues&) = default;
};

// Numbers may be integers or reals (truncated); the three flags logical values or numbers
// (non-zero: set); the face name a text or empty (Null). Nothing when the array has not exactly
// fourteen values or a value has the wrong kind.
std::optional<FontValues> FontValuesFromArray(std::span<const Value> values);

}  // namespace tabrix
