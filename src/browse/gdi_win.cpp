#include "browse/gdi_win.h"

#include <climits>

#include "browse/gdi_handle_win.h"

namespace tabrix {

Colour SETBKCOLOR(GdiHandle dc, Colour colour) {
  return SetBkColor(FromGdiHandle<HDC>(dc), colour);
}

Colour SETTEXTCOLOR(GdiHandle dc, Colour colour) {
  return SetTextColor(FromGdiHandle<HDC>(dc), colour);
}

int SETBKMODE(GdiHandle dc, int mode) {
  return SetBkMode(FromGdiHandle<HDC>(dc), mode);
}

bool RECTANGLE(GdiHandle dc, int left, int top, int right, int bottom) {
  return Rectangle(FromGdiHandle<HDC>(dc), left, top, right, bottom) != FALSE;
}

bool TEXTOUT(GdiHandle dc, int x, int y, std::string_view textAnsi) {
  if (textAnsi.size() > INT_MAX) return false;
  return TextOutA(FromGdiHandle<HDC>(dc), x, y, textAnsi.data(),
                  static_cast<int>(textAnsi.size())) != FALSE;
}

bool MOVETO(GdiHandle dc, int x, int y) {
  return MoveToEx(FromGdiHandle<HDC>(dc), x, y, nullptr) != FALSE;
}

bool LINETO(GdiHandle dc, int x, int y) {
  return LineTo(FromGdiHandle<HDC>(dc), x, y) != FALSE;
}

GdiHandle CREATEPEN(int style, int width, Colour colour) {
  return ToGdiHandle(CreatePen(style, width, colour));
}

GdiHandle CREATESOLIDBRUSH(Colour colour) {
  return ToGdiHandle(CreateSolidBrush(colour));
}

GdiHandle SELECTOBJECT(GdiHandle dc, GdiHandle object) {
  HGDIOBJ previous = SelectObject(FromGdiHandle<HDC>(dc), FromGdiHandle<HGDIOBJ>(object));
  return previous == HGDI_ERROR ? 0 : ToGdiHandle(previous);
}

bool DELETEOBJECT(GdiHandle object) {
  return DeleteObject(FromGdiHandle<HGDIOBJ>(object)) != FALSE;
}

}  // namespace tabrix
