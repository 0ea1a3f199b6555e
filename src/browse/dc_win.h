#pragma once
// Device contexts: memory device contexts, release and deletion, device capabilities.
// Conventions as in browse/gdi_win.h.

#include "browse/gdi_win.h"

namespace tabrix {

GdiHandle CRCOMPDC(GdiHandle dc);  // memory device context compatible with dc (0: the screen)
bool DELETEDC(GdiHandle dc);
int RELEASEDC(GdiHandle window, GdiHandle dc);  // 1 when released
int GETDEVICECAPS(GdiHandle dc, int index);

}  // namespace tabrix
