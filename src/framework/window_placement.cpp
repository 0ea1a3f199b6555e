#include "framework/window_placement.h"

#include <algorithm>
#include <limits>

namespace tabrix {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min() / 2,
                                                  std::numeric_limits<int32_t>::max() / 2));
}

}  // namespace

PlacementPlan PlanRestoredPlacement(const SavedPlacement& saved, std::optional<int> requestedShow,
                                    int screenWidth, int screenHeight, bool singleMonitor) {
  PlacementPlan plan;
  int64_t show = requestedShow ? *requestedShow : saved.show;
  plan.showCommand = show < 1 ? 5 : static_cast<int>(std::min<int64_t>(show, 11));
  if (saved.right < 2 || saved.bottom < 2) return plan;
  plan.restore = true;
  // Values from an edited INI file may be anything: keep the arithmetic inside int32.
  PlaceRect r{Clamp32(saved.x), Clamp32(saved.y), Clamp32(saved.right), Clamp32(saved.bottom)};
  if (singleMonitor && r.left > screenWidth - 100) {
    int32_t width = r.Width();
    r.left = screenWidth - 100;
    r.right = r.left + width;
  }
  if (r.top > screenHeight - 100) {
    int32_t height = r.Height();
    r.top = screenHeight - 100;
    r.bottom = r.top + height;
  }
  plan.normal = r;
  return plan;
}

std::string PlacementKey(const std::string& className, const char* what,
                         const std::string& suffix) {
  return className + what + suffix;
}

}  // namespace tabrix
