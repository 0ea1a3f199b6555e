#pragma once
// Small owners of the Win32 handles the converter's window side creates: each releases its
// handle the way the platform wants when it goes out of scope. Handles the code only borrows
// (a dialog's controls, the frame) stay plain handles.
//
// Window handles travel through the portable converter as 32-bit numbers (converter_ui.h);
// they are sign-extended on the way back, as the platform does for handles passed between
// 32- and 64-bit code.

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "converter/converter_ui.h"

namespace tabrix {

inline HWND FromWindowHandle(WindowHandle number) {
  return reinterpret_cast<HWND>(static_cast<std::intptr_t>(static_cast<std::int32_t>(number)));
}

inline WindowHandle ToWindowHandle(HWND window) {
  return static_cast<WindowHandle>(reinterpret_cast<std::uintptr_t>(window));
}

// One handle of type H, released with Release::operator()(H) unless it is null.
template <typename H, typename Release>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(H handle) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, H{})) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, H{}));
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != H{}; }
  // Releases the handle held (if any) and takes `handle`.
  void reset(H handle = H{}) {
    if (handle_ != H{}) Release{}(handle_);
    handle_ = handle;
  }

 private:
  H handle_{};
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct FreeGlobalBlock {
  void operator()(HGLOBAL block) const {
    GlobalUnlock(block);
    GlobalFree(block);
  }
};

using OwnedBitmap = OwnedHandle<HBITMAP, DeleteGdiObject>;
// A movable memory block of CREATEPVHEAP (locked once), unlocked and freed as GLOBALFREE does.
using OwnedGlobalBlock = OwnedHandle<HGLOBAL, FreeGlobalBlock>;

// A window's display context, released to its window.
class WindowDc {
 public:
  explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

// An object selected into a display context for a scope; the previous one comes back after.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object)
      : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

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
