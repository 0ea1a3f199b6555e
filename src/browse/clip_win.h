#pragma once
// Clipping. Conventions as in browse/gdi_win.h.

#include "browse/gdi_win.h"

namespace tabrix {

// Removes the rectangle from the clip region; answers the new region's type (0: error).
int EXCLUDECLIPRECT(GdiHandle dc, int left, int top, int right, int bottom);

}  // namespace tabrix
