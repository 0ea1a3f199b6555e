#pragma once
// Window operations with logic of their own (Windows only): monitor-aware placement,
// foreground switching and control ids in the short-id mode.
#include <windows.h>

#include <cstdint>

#include "framework/native/monitor_placement.h"

namespace tabrix {

// Places the window on the monitor nearest to it (see monitor_placement.h; flags 1 center,
// 2 work area): moves it without sizing, z-order change or activation. Dialogs (class
// "#32770") are kept one pixel inside. False when the window has no rectangle.
bool CLIPORCENTERWINDOWTOMONITOR(HWND window, int flags = kPlaceCenter | kPlaceWorkArea);

// Brings the window to the foreground (attached to the input of the foreground thread),
// restores it when minimised and activates its last active popup. True when it became the
// foreground window.
bool SETFOREGROUNDWINDOWEX(HWND window);

// The control's id, negative for 0x8000 ... 0xFFFF while short ids are on.
int64_t GETDLGCTRLID(HWND control);

}  // namespace tabrix
