// Compatible bitmaps, drawing a bitmap with one transparent colour, recolouring a bitmap.
#include "browse/bitmap_win.h"

#include "browse/gdi_handle_win.h"
#include "data/base/win_handles_win.h"

namespace tabrix {
namespace {

// A memory device context with one bitmap selected; on scope exit the bitmap is deselected, the
// context deleted, and the bitmap deleted too unless it is only borrowed (the caller's).
class MemoryBitmap {
 public:
  enum Ownership { kOwned, kBorrowed };
  MemoryBitmap(HDC compatibleTo, HBITMAP bitmap, Ownership ownership = kOwned)
      : owned_(ownership == kOwned ? bitmap : nullptr),
        dc_(CreateCompatibleDC(compatibleTo)),
        selected_(dc_.get(), dc_ ? bitmap : nullptr) {}
  bool ok() const { return static_cast<bool>(selected_); }
  HDC dc() const { return dc_.get(); }

 private:
  // Destroyed in reverse: deselected, then the context deleted, then the bitmap.
  OwnedBitmap owned_;
  OwnedMemoryDc dc_;
  SelectedObject selected_;
};

}  // namespace

GdiHandle COMPATBMP(GdiHandle dc, int width, int height) {
  return ToGdiHandle(CreateCompatibleBitmap(FromGdiHandle<HDC>(dc), width, height));
}

void DRAWBITMAP(GdiHandle target, GdiHandle bitmap, int x, int y) {
  HDC hdc = FromGdiHandle<HDC>(target);
  HBITMAP source = FromGdiHandle<HBITMAP>(bitmap);
  BITMAP header{};
  if (!GetObjectA(source, sizeof header, &header)) return;
  MemoryBitmap sourceDc(hdc, source, MemoryBitmap::kBorrowed);
  if (sourceDc.ok()) {
    BitBlt(hdc, x, y, header.bmWidth, header.bmHeight, sourceDc.dc(), 0, 0, SRCCOPY);
  }
}

void TRANSBMP(GdiHandle target, GdiHandle bitmap, int x, int y, Colour transparent) {
  HDC hdc = FromGdiHandle<HDC>(target);
  HBITMAP source = FromGdiHandle<HBITMAP>(bitmap);
  BITMAP header{};
  if (!GetObjectA(source, sizeof header, &header)) return;
  MemoryBitmap sourceBitmap(hdc, source, MemoryBitmap::kBorrowed);
  if (!sourceBitmap.ok()) return;
  HDC sourceDc = sourceBitmap.dc();
  SetMapMode(sourceDc, GetMapMode(hdc));
  POINT size{header.bmWidth, header.bmHeight};
  DPtoLP(sourceDc, &size, 1);
  const int w = size.x;
  const int h = size.y;

  MemoryBitmap inverse(hdc, CreateBitmap(w, h, 1, 1, nullptr));
  MemoryBitmap mask(hdc, CreateBitmap(w, h, 1, 1, nullptr));
  MemoryBitmap background(hdc, CreateCompatibleBitmap(hdc, w, h));
  MemoryBitmap saved(hdc, CreateCompatibleBitmap(hdc, w, h));
  if (!inverse.ok() || !mask.ok() || !background.ok() || !saved.ok()) return;
  BitBlt(saved.dc(), 0, 0, w, h, sourceDc, 0, 0, SRCCOPY);
  // Colour to monochrome: pixels of the source's background colour become 1.
  COLORREF previousBk = SetBkColor(sourceDc, transparent);
  BitBlt(mask.dc(), 0, 0, w, h, sourceDc, 0, 0, SRCCOPY);
  SetBkColor(sourceDc, previousBk);
  BitBlt(inverse.dc(), 0, 0, w, h, mask.dc(), 0, 0, NOTSRCCOPY);
  BitBlt(background.dc(), 0, 0, w, h, hdc, x, y, SRCCOPY);
  BitBlt(background.dc(), 0, 0, w, h, mask.dc(), 0, 0, SRCAND);  // opaque area black
  BitBlt(sourceDc, 0, 0, w, h, inverse.dc(), 0, 0, SRCAND);      // transparent pixels black
  BitBlt(background.dc(), 0, 0, w, h, sourceDc, 0, 0, SRCPAINT);
  BitBlt(hdc, x, y, w, h, background.dc(), 0, 0, SRCCOPY);
  BitBlt(sourceDc, 0, 0, w, h, saved.dc(), 0, 0, SRCCOPY);  // the bitmap as it was
}

void CHBMPCOLOR(GdiHandle bitmap, Colour from, Colour to, GdiHandle palette) {
  HBITMAP target = FromGdiHandle<HBITMAP>(bitmap);
  BITMAP header{};
  if (!GetObjectA(target, sizeof header, &header)) return;
  if (header.bmPlanes * header.bmBitsPixel == 1) return;  // monochrome: left unchanged
  WindowDc screen(nullptr);
  if (!screen.get()) return;
  OwnedMemoryDc memory(CreateCompatibleDC(screen.get()));
  if (!memory) return;
  const HDC dc = memory.get();
  HPALETTE previousPalette = nullptr;
  if (palette) {
    previousPalette = SelectPalette(dc, FromGdiHandle<HPALETTE>(palette), FALSE);
    RealizePalette(dc);
  }
  {
    SelectedObject targetSelected(dc, target);
    if (targetSelected) {
      const int w = header.bmWidth;
      const int h = header.bmHeight;
      MemoryBitmap mask(screen.get(), CreateBitmap(w, h, 1, 1, nullptr));
      OwnedBrush brush(CreateSolidBrush(to));
      if (mask.ok() && brush) {
        SetBkColor(dc, from);
        BitBlt(mask.dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);  // pixels of `from` become 1
        SelectedObject brushSelected(dc, brush.get());
        SetBkColor(dc, RGB(255, 255, 255));
        SetTextColor(dc, RGB(0, 0, 0));
        // DSPDxax: where the mask is 1 the brush colour, elsewhere the bitmap stays.
        BitBlt(dc, 0, 0, w, h, mask.dc(), 0, 0, 0xE20746);
      }
    }
  }
  if (previousPalette) SelectPalette(dc, previousPalette, FALSE);
}

}  // namespace tabrix
