#include "browse/clip_win.h"

#include "browse/gdi_handle_win.h"

namespace tabrix {

int EXCLUDECLIPRECT(GdiHandle dc, int left, int top, int right, int bottom) {
  return ExcludeClipRect(FromGdiHandle<HDC>(dc), left, top, right, bottom);
}

}  // namespace tabrix
