#pragma once
// Restoring the main window's placement from the dialog INI file (section "Fenster"), as
// arithmetic apart from the window system. Keys, each prefixed with the window class name and
// followed by an optional suffix: "_SHOW" show command, "_X", "_Y" left and top, "_CX", "_CY"
// right and bottom edge of the normal position (edges, not width and height). A missing key
// reads -1.

#include <cstdint>
#include <optional>
#include <string>

#include "framework/native/win32fkt_place.h"

namespace tabrix {

struct SavedPlacement {
  int64_t show = -1, x = -1, y = -1, right = -1, bottom = -1;
};

struct PlacementPlan {
  int showCommand = 5;  // SW_SHOW unless saved or given
  // False when nothing usable was saved (right or bottom below 2): the window is only centered
  // on its monitor's work area and shown.
  bool restore = false;
  PlaceRect normal;  // the normal position to apply when restore
};

// requestedShow: a show command given by the caller wins over the saved one; below 1 means 5.
// On a single-monitor system a left edge beyond screen width - 100 is moved to screen width -
// 100 (width kept); on any system a top edge beyond screen height - 100 is moved likewise.
PlacementPlan PlanRestoredPlacement(const SavedPlacement& saved, std::optional<int> requestedShow,
                                    int screenWidth, int screenHeight, bool singleMonitor);

// "<class>_SHOW" + suffix and the other key names.
std::string PlacementKey(const std::string& className, const char* what, const std::string& suffix);

}  // namespace tabrix
