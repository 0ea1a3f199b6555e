// The parent dialog object's side of ZB_BROWSE (see browse_parent_win.h).
#include "browse/browse_parent_win.h"

namespace tabrix {

// The dialog class is not merged yet: an object parent has no window, so Init refuses it.
HWND DialogWindowOf(ZB_WDIALOG*) {
  return nullptr;
}
void RegisterBrowseAt(ZB_WDIALOG*, DialogBrowse*) {}
void UnregisterBrowseAt(ZB_WDIALOG*, DialogBrowse*) {}

}  // namespace tabrix
