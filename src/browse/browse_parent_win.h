#pragma once
// What ZB_BROWSE needs of a parent dialog object (ZB_WDIALOG): its window and its browse list.
// Kept apart so the browse depends on the dialog class in one place only.

#include <windows.h>

namespace tabrix {

class ZB_WDIALOG;
class DialogBrowse;

// The dialog window of the object; nullptr when it has none.
HWND DialogWindowOf(ZB_WDIALOG* dialog);
// Adds / removes the browse in the object's browse list (aBrowseObj).
void RegisterBrowseAt(ZB_WDIALOG* dialog, DialogBrowse* browse);
void UnregisterBrowseAt(ZB_WDIALOG* dialog, DialogBrowse* browse);

}  // namespace tabrix
