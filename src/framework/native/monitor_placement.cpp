#include "framework/native/monitor_placement.h"

#include <algorithm>

namespace tabrix {

Rect PlaceRectInArea(const Rect& rect, const Rect& area, int flags, bool dialog) {
  const int32_t width = rect.Width(), height = rect.Height();
  int32_t left, top;
  if (flags & kPlaceCenter) {
    left = area.left + (area.Width() - width) / 2;
    top = area.top + (area.Height() - height) / 2;
  } else {
    const int32_t inset = dialog ? 1 : 0;
    // max after min: a rectangle wider than the area keeps its left edge on the area's.
    left = std::max(area.left + inset, std::min(area.right - width - inset, rect.left));
    top = std::max(area.top + inset, std::min(area.bottom - height - inset, rect.top));
  }
  return Rect{left, top, left + width, top + height};
}

}  // namespace tabrix
