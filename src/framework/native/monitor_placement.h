#pragma once
// The placement rule of the monitor-aware window operations: keep a rectangle inside an area
// (the work area or the whole of the monitor nearest to it), or center it there. The size never
// changes. Dialogs are kept one pixel further inside.

#include <cstdint>

namespace tabrix {

struct Rect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Flags of CLIPORCENTERWINDOWTOMONITOR / SETMULTIWINCLIPPOS.
inline constexpr int kPlaceCenter = 1;    // center instead of clipping
inline constexpr int kPlaceWorkArea = 2;  // the area is the work area, not the whole monitor

// Places `rect` in `area` (the caller chose work area or monitor by kPlaceWorkArea). Clipping:
// left := max(area.left, min(area.right - width, left)), top likewise; for a dialog the bounds
// are one pixel further in. Centering: the rectangle's middle on the area's middle.
Rect PlaceRectInArea(const Rect& rect, const Rect& area, int flags, bool dialog);

}  // namespace tabrix
