// Placement rule and short control ids (see win32fkt_place.h).

#include "framework/native/win32fkt_place.h"

#include <algorithm>
#include <atomic>

namespace tabrix {
namespace {

std::atomic<bool> gShortIds{false};

// Lowest edge such that [edge, edge + size) lies in [low, high); low wins when it cannot.
int Clip(int edge, int size, int low, int high) {
  return std::max(low, std::min(high - size, edge));
}

}  // namespace

PlaceRect PlaceOnMonitor(const PlaceRect& rect, const PlaceRect& monitor, const PlaceRect& workArea,
                         int flags, bool dialog) {
  const PlaceRect& area = (flags & kPlaceWorkArea) ? workArea : monitor;
  const int w = rect.Width(), h = rect.Height();
  int left, top;
  if (flags & kPlaceCenter) {
    left = area.left + (area.Width() - w) / 2;
    top = area.top + (area.Height() - h) / 2;
  } else {
    const int inset = dialog ? 1 : 0;
    left = Clip(rect.left, w, area.left + inset, area.right - inset);
    top = Clip(rect.top, h, area.top + inset, area.bottom - inset);
  }
  return {left, top, left + w, top + h};
}

bool SETSHORTIDS(bool on) {
  return gShortIds.exchange(on);
}
bool ShortIdsOn() {
  return gShortIds.load();
}

int64_t ReportedControlId(int64_t id) {
  if (gShortIds.load() && id >= 0x8000 && id <= 0xFFFF) return id - 0x10000;
  return id;
}

}  // namespace tabrix
