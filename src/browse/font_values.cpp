#include "browse/font_values.h"

#include <cmath>
#include <limits>

namespace tabrix {
namespace {

std::optional<int> AsInt(const Value& value) {
  if (const int32_t* i = std::get_if<int32_t>(&value)) return *i;
  if (const double* d = std::get_if<double>(&value)) {
    if (!std::isfinite(*d) || *d < std::numeric_limits<int>::min() ||
        *d > std::numeric_limits<int>::max())
      return std::nullopt;
    return static_cast<int>(std::trunc(*d));
  }
  return std::nullopt;
}

std::optional<bool> AsFlag(const Value& value) {
  if (const bool* b = std::get_if<bool>(&value)) return *b;
  if (std::optional<int> i = AsInt(value)) return *i != 0;
  return std::nullopt;
}

}  // namespace

std::optional<FontValues> FontValuesFromArray(std::span<const Value> values) {
  if (values.size() != 14) return std::nullopt;
  FontValues font;
  int* ints[] = {&font.height, &font.width, &font.escapement, &font.orientation, &font.weight};
  for (int k = 0; k < 5; ++k) {
    std::optional<int> v = AsInt(values[k]);
    if (!v) return std::nullopt;
    *ints[k] = *v;
  }
  bool* flags[] = {&font.italic, &font.underline, &font.strikeOut};
  for (int k = 0; k < 3; ++k) {
    std::optional<bool> v = AsFlag(values[5 + k]);
    if (!v) return std::nullopt;
    *flags[k] = *v;
  }
  int* more[] = {&font.charSet, &font.outPrecision, &font.clipPrecision, &font.quality,
                 &font.pitchAndFamily};
  for (int k = 0; k < 5; ++k) {
    std::optional<int> v = AsInt(values[8 + k]);
    if (!v) return std::nullopt;
    *more[k] = *v;
  }
  if (const std::string* face = std::get_if<std::string>(&values[13]))
    font.faceName = *face;
  else if (!std::holds_alternative<Null>(values[13]))
    return std::nullopt;
  return font;
}

}  // namespace tabrix
