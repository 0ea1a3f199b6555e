#pragma once
// Fonts from the fourteen values of a logical font. Conventions as in browse/gdi_win.h.

#include <span>
#include <string>

#include "browse/font_values.h"
#include "browse/gdi_win.h"

namespace tabrix {

// The fourteen values as separate arguments (face name in Windows-1252).
GdiHandle CREATEFONT(int height, int width, int escapement, int orientation, int weight,
                     bool italic, bool underline, bool strikeOut, int charSet, int outPrecision,
                     int clipPrecision, int quality, int pitchAndFamily,
                     const std::string& faceName);
GdiHandle CREATEFONT(const FontValues& values);
// The fourteen values as one array, in the same order; 0 when the array does not hold them.
GdiHandle CREATEFONT(std::span<const Value> values);

}  // namespace tabrix
