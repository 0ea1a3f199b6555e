#pragma once
// Bitmaps: compatible bitmaps, drawing with one transparent colour, recolouring in place.
// Conventions as in browse/gdi_win.h.

#include "browse/gdi_win.h"

namespace tabrix {

GdiHandle COMPATBMP(GdiHandle dc, int width, int height);

// Copies the whole of `bitmap` to (x, y) of `target`. Nothing happens for a handle that is no
// bitmap. REQUIRES: the bitmap is not selected into a device context.
void DRAWBITMAP(GdiHandle target, GdiHandle bitmap, int x, int y);

// Draws `bitmap` at (x, y) into `target` so that every pixel of `transparent` shows what the
// target held there. The bitmap is left as it was. REQUIRES: a valid bitmap that is not
// selected into a device context.
void TRANSBMP(GdiHandle target, GdiHandle bitmap, int x, int y, Colour transparent);

// Replaces every pixel of colour `from` in `bitmap` by `to`, in place. `palette` (0: none) is
// selected and realised first. Monochrome bitmaps are left unchanged; without a screen or
// memory device context nothing happens.
void CHBMPCOLOR(GdiHandle bitmap, Colour from, Colour to, GdiHandle palette = 0);

}  // namespace tabrix
