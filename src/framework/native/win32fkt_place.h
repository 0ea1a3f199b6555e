#pragma once
// Monitor-aware placement and short control ids: the rules, apart from the window calls that
// use them (CLIPORCENTERWINDOWTOMONITOR, SETMULTIWINCLIPPOS, GETDLGCTRLID in win32fkt_win.h).

#include <cstdint>

namespace tabrix {

struct PlaceRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const PlaceRect&, const PlaceRect&) = default;
};

inline constexpr int kPlaceCenter = 1;    // center in the area (else clip into it)
inline constexpr int kPlaceWorkArea = 2;  // the monitor's work area (else the whole monitor)

// The placement rule for a rectangle on the monitor nearest it (monitor and work area given):
// centered in the area with kPlaceCenter, else moved the least so that it lies inside the area
// (left := max(area left, min(area right - width, left)), top likewise). A dialog keeps one
// pixel off the area's edges when clipped. Width and height never change; a rectangle larger
// than the area is aligned with the area's left or top edge.
PlaceRect PlaceOnMonitor(const PlaceRect& rect, const PlaceRect& monitor, const PlaceRect& workArea,
                         int flags, bool dialog);

// Short control ids: a process-wide mode in which ids 0x8000 ... 0xFFFF read as negative
// numbers (the 16 bits read as signed); other ids are reported as they are. Returns the previous
// mode.
bool SETSHORTIDS(bool on);
bool ShortIdsOn();
// An id as GETDLGCTRLID reports it in the current mode.
int64_t ReportedControlId(int64_t id);

}  // namespace tabrix
