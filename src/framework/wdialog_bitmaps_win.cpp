// ZB_WDIALOG: dialog bitmaps and painting (see wdialog_win.h).
//
// A bitmap takes the place of a placeholder control: AddBitmap loads it from the dialog's
// resource module, turns its light grey (RGB 192, 192, 192) into the button face colour so it
// sits on the dialog's background, and destroys the placeholder. The entry keeps the bitmap
// until the dialog is destroyed; a system colour change loads and recolours it again.

#include <algorithm>

#include "data/base/win_handles_win.h"
#include "framework/wdialog_win.h"

namespace tabrix {
namespace {

constexpr COLORREF kLightGrey = RGB(192, 192, 192);  // 12632256

// The bitmap `name` of module as a 32-bit bitmap with light grey replaced by the button face
// colour; nullptr when the module has no such bitmap.
HBITMAP LoadRecoloured(HMODULE module, const std::string& name) {
  OwnedBitmap loaded(static_cast<HBITMAP>(
      LoadImageA(reinterpret_cast<HINSTANCE>(module), name.c_str(), IMAGE_BITMAP, 0, 0, 0)));
  if (!loaded) return nullptr;
  BITMAP info{};
  if (!GetObjectA(loaded.get(), sizeof info, &info)) return nullptr;
  BITMAPINFO header{};
  header.bmiHeader.biSize = sizeof header.bmiHeader;
  header.bmiHeader.biWidth = info.bmWidth;
  header.bmiHeader.biHeight = -info.bmHeight;  // top-down
  header.bmiHeader.biPlanes = 1;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  OwnedBitmap copy(CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!copy || bits == nullptr) return nullptr;
  {
    OwnedMemoryDc from(CreateCompatibleDC(nullptr)), to(CreateCompatibleDC(nullptr));
    SelectedObject a(from.get(), loaded.get()), b(to.get(), copy.get());
    BitBlt(to.get(), 0, 0, info.bmWidth, info.bmHeight, from.get(), 0, 0, SRCCOPY);
  }
  GdiFlush();
  // DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
  auto toDib = [](COLORREF c) {
    return static_cast<uint32_t>(GetRValue(c)) << 16 | GetGValue(c) << 8 | GetBValue(c);
  };
  const uint32_t grey = toDib(kLightGrey), face = toDib(GetSysColor(COLOR_BTNFACE));
  auto* pixel = static_cast<uint32_t*>(bits);
  const size_t count = static_cast<size_t>(info.bmWidth) * static_cast<size_t>(info.bmHeight);
  for (size_t i = 0; i < count; ++i)
    if ((pixel[i] & 0xFFFFFF) == grey) pixel[i] = face;
  return copy.release();
}

}  // namespace

void ZB_WDIALOG::AddBitmap(const std::vector<BitmapSpec>& bitmaps) {
  if (!aBitmap_.empty() || hwnd == nullptr) return;
  for (const BitmapSpec& spec : bitmaps) {
    HBITMAP bitmap = LoadRecoloured(hResModule_, spec.name);
    if (bitmap == nullptr) continue;
    BitmapEntry entry{spec.name, spec.placeholderId, {}, bitmap, spec.transparent, true, true};
    if (HWND placeholder = GetDlgItem(hwnd, spec.placeholderId)) {
      RECT r{};
      GetWindowRect(placeholder, &r);
      MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
      entry.rect.left = r.left, entry.rect.top = r.top;
      entry.visible = (GetWindowLongA(placeholder, GWL_STYLE) & WS_VISIBLE) != 0;
      DestroyWindow(placeholder);
    }
    BITMAP info{};
    GetObjectA(bitmap, sizeof info, &info);
    entry.rect.right = entry.rect.left + info.bmWidth;
    entry.rect.bottom = entry.rect.top + info.bmHeight;
    InvalidateRect(hwnd, &entry.rect, TRUE);
    aBitmap_.push_back(std::move(entry));
  }
}

void ZB_WDIALOG::ShowBitmap(int fromId, std::optional<int> toId, bool shown) {
  const int last = toId.value_or(fromId);
  for (BitmapEntry& b : aBitmap_) {
    if (b.placeholderId < fromId || b.placeholderId > last) continue;
    b.shown = shown;
    if (hwnd) InvalidateRect(hwnd, &b.rect, TRUE);
  }
}

void ZB_WDIALOG::ShowTabBitmap(int fromId, std::optional<int> toId, bool visible) {
  const int last = toId.value_or(fromId);
  for (BitmapEntry& b : aBitmap_) {
    if (b.placeholderId < fromId || b.placeholderId > last) continue;
    b.visible = visible;
    if (hwnd) InvalidateRect(hwnd, &b.rect, TRUE);
  }
}

HBITMAP ZB_WDIALOG::GetBitmapHandle(size_t position) const {
  if (position < 1 || position > aBitmap_.size()) return nullptr;
  return aBitmap_[position - 1].bitmap;
}

HBITMAP ZB_WDIALOG::GetBitmapHandle(const std::string& name) const {
  for (const BitmapEntry& b : aBitmap_)
    if (b.name == name) return b.bitmap;
  return nullptr;
}

void ZB_WDIALOG::DeleteBitmaps() {
  for (BitmapEntry& b : aBitmap_)
    if (b.bitmap) DeleteObject(b.bitmap);
  aBitmap_.clear();
}

LRESULT ZB_WDIALOG::SYSCOLORCHANGE() {
  for (const VLObject& o : std::vector<VLObject>(aVLObjects))
    SendMessageA(o.window, WMU_REFRESHPAGE, static_cast<WPARAM>(-1), 0);
  for (BitmapEntry& b : aBitmap_) {
    HBITMAP fresh = LoadRecoloured(hResModule_, b.name);
    if (fresh == nullptr) continue;
    if (b.bitmap) DeleteObject(b.bitmap);
    b.bitmap = fresh;
    if (hwnd) InvalidateRect(hwnd, &b.rect, TRUE);
  }
  return 0;
}

LRESULT ZB_WDIALOG::PAINT(WPARAM, LPARAM) {
  PaintDc paint(hwnd);
  HDC dc = paint.get();
  if (IsIconic(hwnd) && hIcon_) {
    DrawIcon(dc, 0, 0, hIcon_);
  } else {
    OwnedMemoryDc memory(CreateCompatibleDC(dc));
    for (const BitmapEntry& b : aBitmap_) {
      if (!b.shown || !b.visible || b.bitmap == nullptr) continue;
      SelectedObject chosen(memory.get(), b.bitmap);
      const int w = b.rect.right - b.rect.left, h = b.rect.bottom - b.rect.top;
      if (b.transparent) {
        TransparentBlt(dc, b.rect.left, b.rect.top, w, h, memory.get(), 0, 0, w, h, *b.transparent);
      } else {
        BitBlt(dc, b.rect.left, b.rect.top, w, h, memory.get(), 0, 0, SRCCOPY);
      }
    }
  }
  OnPAINT(dc);
  return 0;
}

}  // namespace tabrix
