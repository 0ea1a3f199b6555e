#include "browse/font_win.h"

#include "browse/gdi_handle_win.h"

namespace tabrix {

GdiHandle CREATEFONT(int height, int width, int escapement, int orientation, int weight,
                     bool italic, bool underline, bool strikeOut, int charSet, int outPrecision,
                     int clipPrecision, int quality, int pitchAndFamily,
                     const std::string& faceName) {
  // LOGFONT holds at most 31 bytes of face name; a longer name is cut rather than refused.
  std::string face = faceName.substr(0, LF_FACESIZE - 1);
  return ToGdiHandle(CreateFontA(height, width, escapement, orientation, weight, italic, underline,
                                 strikeOut, static_cast<DWORD>(charSet),
                                 static_cast<DWORD>(outPrecision),
                                 static_cast<DWORD>(clipPrecision), static_cast<DWORD>(quality),
                                 static_cast<DWORD>(pitchAndFamily), face.c_str()));
}

GdiHandle CREATEFONT(const FontValues& v) {
  return CREATEFONT(v.height, v.width, v.escapement, v.orientation, v.weight, v.italic, v.underline,
                    v.strikeOut, v.charSet, v.outPrecision, v.clipPrecision, v.quality,
                    v.pitchAndFamily, v.faceName);
}

GdiHandle CREATEFONT(std::span<const Value> values) {
  std::optional<FontValues> font = FontValuesFromArray(values);
  return font ? CREATEFONT(*font) : 0;
}

}  // namespace tabrix
