// The parent dialog object's side of ZB_BROWSE (see browse_parent_win.h).
#include "browse/browse_parent_win.h"

#include "framework/wdialog_win.h"

namespace tabrix {

HWND DialogWindowOf(ZB_WDIALOG* dialog) {
  return dialog ? dialog->hwnd : nullptr;
}
void RegisterBrowseAt(ZB_WDIALOG* dialog, DialogBrowse* browse) {
  if (dialog) dialog->AddBrowse(browse);
}
void UnregisterBrowseAt(ZB_WDIALOG* dialog, DialogBrowse* browse) {
  if (dialog) dialog->RemoveBrowse(browse);
}

}  // namespace tabrix
