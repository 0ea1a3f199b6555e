#pragma once
// Handle helpers of the converter's window side. The owners of Win32 handles live with the
// data layer's base (data/base/win_handles_win.h); this header adds them to the converter.
//
// Window handles travel through the portable converter as 32-bit numbers (converter_ui.h);
// they are sign-extended on the way back, as the platform does for handles passed between
// 32- and 64-bit code.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "converter/converter_ui.h"
#include "data/base/win_handles_win.h"

namespace tabrix {

inline HWND FromWindowHandle(WindowHandle number) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}

inline WindowHandle ToWindowHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// Adds rows to a list box with its redrawing off: the dialogs are visible already when they fill
// their lists, and a redraw per row (list and scroll bar) made a country list of 233 rows take
// most of a second under Wine.
inline void ListBoxAddRows(HWND list, const std::vector<std::string>& rowsAnsi) {
  SendMessageA(list, WM_SETREDRAW, FALSE, 0);
  for (const std::string& row : rowsAnsi)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row.c_str()));
  SendMessageA(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

// The width in pixels of an ANSI text drawn with `window`'s font in its display context.
inline int TextWidthIn(HWND window, const std::string& textAnsi) {
  WindowDc dc(window);
  if (!dc.get()) return 0;
  SelectedObject font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), textAnsi.c_str(), static_cast<int>(textAnsi.size()), &size);
  return size.cx;
}

}  // namespace tabrix
