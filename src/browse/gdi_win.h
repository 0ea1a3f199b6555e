#pragma once
// Thin drawing functions over the platform's graphics interface (Win32 GDI). Handles of device
// contexts, pens, brushes, fonts, bitmaps and windows travel through the program as plain 32-bit
// numbers, 0 meaning none; the functions convert them to the platform's handle types and back
// (GDI and window handles carry 32 significant bits, also in a 64-bit process).
//
// Each function calls the platform function of the same purpose with its arguments in the same
// order and passes the platform's result through: a failed call answers 0 or false and changes
// nothing. Colours are 0x00BBGGRR. Objects belong to the caller that created them, who deletes
// them with DELETEOBJECT / DELETEDC.
//
// Windows only: the implementations are gdi_win.cpp, dc_win.cpp, clip_win.cpp, bitmap_win.cpp
// and font_win.cpp. The declarations themselves name no platform type.

#include <cstdint>
#include <string_view>

namespace tabrix {

using GdiHandle = std::uint32_t;  // device context, pen, brush, font, bitmap, window; 0: none
using Colour = std::uint32_t;     // 0x00BBGGRR

Colour SETBKCOLOR(GdiHandle dc, Colour colour);    // previous background colour
Colour SETTEXTCOLOR(GdiHandle dc, Colour colour);  // previous text colour
int SETBKMODE(GdiHandle dc, int mode);             // previous mode (1 transparent, 2 opaque)
bool RECTANGLE(GdiHandle dc, int left, int top, int right, int bottom);
bool TEXTOUT(GdiHandle dc, int x, int y, std::string_view textAnsi);  // Windows-1252 text
bool MOVETO(GdiHandle dc, int x, int y);  // the previous point is not returned
bool LINETO(GdiHandle dc, int x, int y);
GdiHandle CREATEPEN(int style, int width, Colour colour);
GdiHandle CREATESOLIDBRUSH(Colour colour);
GdiHandle SELECTOBJECT(GdiHandle dc, GdiHandle object);  // previous object of that kind
bool DELETEOBJECT(GdiHandle object);

}  // namespace tabrix
