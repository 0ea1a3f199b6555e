#pragma once
// Owners of Win32 handles (Windows only): each guard releases its handle the way the platform
// wants when it goes out of scope, so every early return and exception path releases too.
// Handles the code only borrows (a dialog's controls, stock objects, the DC of WM_DRAWITEM)
// stay plain handles. The header lives in the lowest folder because the Windows files of every
// layer (file environment, standard functions, framework, browse, converter) use it.
//
// Ownership handed to the system or to a longer-lived owner (a font given to WM_SETFONT that
// must outlive the scope, a bitmap stored in a member) leaves a guard through release().
//
//   OwnedFont, OwnedBrush, OwnedPen,    DeleteObject        (null: none)
//   OwnedBitmap, OwnedRegion,
//   OwnedGdiObject
//   OwnedMemoryDc                       DeleteDC            (CreateCompatibleDC)
//   OwnedKernelHandle                   CloseHandle         (null: none; events, threads,
//                                                            processes, snapshots)
//   OwnedFileHandle                     CloseHandle         (INVALID_HANDLE_VALUE: none;
//                                                            CreateFile)
//   OwnedFindHandle                     FindClose           (INVALID_HANDLE_VALUE: none)
//   OwnedModule                         FreeLibrary         (null: none)
//   OwnedGlobalBlock                    GlobalUnlock+GlobalFree
//   WindowDc                            GetDC / ReleaseDC
//   PaintDc                             BeginPaint / EndPaint
//   SelectedObject                      SelectObject, the previous object back on scope exit

#include <windows.h>

#include <utility>

namespace tabrix {

// One handle of type H, released with Release::operator()(H) unless it holds Release's empty
// value (Release::Empty() when it has one, else a null handle).
template <typename H, typename Release>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(H handle) : handle_(handle) {}
  ~OwnedHandle() { reset(); }
  OwnedHandle(OwnedHandle&& other) noexcept : handle_(std::exchange(other.handle_, Empty())) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(std::exchange(other.handle_, Empty()));
    return *this;
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  H get() const { return handle_; }
  explicit operator bool() const { return handle_ != Empty(); }
  // Releases the handle held (if any) and takes `handle`.
  void reset(H handle = Empty()) {
    if (handle_ != Empty()) Release{}(handle_);
    handle_ = handle;
  }
  // Gives the handle up without releasing it; the caller (or the system) owns it now.
  [[nodiscard]] H release() { return std::exchange(handle_, Empty()); }

 private:
  static H Empty() {
    if constexpr (requires { Release::Empty(); })
      return Release::Empty();
    else
      return H{};
  }
  H handle_ = Empty();
};

struct DeleteGdiObject {
  void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteMemoryDc {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
struct CloseKernelHandle {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFileHandle {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
struct CloseFindHandle {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  void operator()(HANDLE handle) const { FindClose(handle); }
};
struct FreeLoadedModule {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
struct FreeGlobalBlock {
  void operator()(HGLOBAL block) const {
    GlobalUnlock(block);
    GlobalFree(block);
  }
};

using OwnedFont = OwnedHandle<HFONT, DeleteGdiObject>;
using OwnedBrush = OwnedHandle<HBRUSH, DeleteGdiObject>;
using OwnedPen = OwnedHandle<HPEN, DeleteGdiObject>;
using OwnedBitmap = OwnedHandle<HBITMAP, DeleteGdiObject>;
using OwnedRegion = OwnedHandle<HRGN, DeleteGdiObject>;
using OwnedGdiObject = OwnedHandle<HGDIOBJ, DeleteGdiObject>;
using OwnedMemoryDc = OwnedHandle<HDC, DeleteMemoryDc>;
using OwnedKernelHandle = OwnedHandle<HANDLE, CloseKernelHandle>;
using OwnedFileHandle = OwnedHandle<HANDLE, CloseFileHandle>;
using OwnedFindHandle = OwnedHandle<HANDLE, CloseFindHandle>;
using OwnedModule = OwnedHandle<HMODULE, FreeLoadedModule>;
// A movable memory block (locked once), unlocked and freed together.
using OwnedGlobalBlock = OwnedHandle<HGLOBAL, FreeGlobalBlock>;

// A window's display context (nullptr: the screen), released to its window.
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

// The display context of one WM_PAINT; EndPaint validates the update region on scope exit.
class PaintDc {
 public:
  explicit PaintDc(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  ~PaintDc() { EndPaint(window_, &paint_); }
  PaintDc(const PaintDc&) = delete;
  PaintDc& operator=(const PaintDc&) = delete;
  HDC get() const { return dc_; }
  const PAINTSTRUCT& paint() const { return paint_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

// An object selected into a display context for a scope; the previous one comes back after.
// A null object (or a failed selection, null or HGDI_ERROR) selects and restores nothing. select()
// may be called again within the scope; the first previous object is the one restored.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc) { select(object); }
  ~SelectedObject() {
    if (previous_) SelectObject(dc_, previous_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

  void select(HGDIOBJ object) {
    if (!object) return;
    HGDIOBJ previous = SelectObject(dc_, object);
    if (!previous_ && previous != HGDI_ERROR) previous_ = previous;
  }
  // Whether a selection took place (and will be undone).
  explicit operator bool() const { return previous_ != nullptr; }

 private:
  HDC dc_;
  HGDIOBJ previous_ = nullptr;
};

}  // namespace tabrix
