#pragma once
// Window operations with rules of their own (Windows build): the file dialogs, COPYFILE with
// time stamps, monitor-aware placement, short control ids, bringing a window to the front.
// Operations that pass one platform call through are not wrapped: callers use the platform
// call itself (ShowWindow, MoveWindow, GetDlgItem, ...).

#include <windows.h>

#include <string>

#include "framework/native/win32fkt_copy.h"
#include "framework/native/win32fkt_dialogs.h"
#include "framework/native/win32fkt_place.h"

namespace tabrix {

// The platform's open and save dialogs (GetOpenFileNameA / GetSaveFileNameA) with the defaults
// of win32fkt_dialogs.h. Nothing when the user cancels (or the dialog fails); the chosen full
// path; with multiple selection and several files chosen, the directory and the file names.
FileDialogResult GETOPENFILENAME(const FileDialogArgs& args);
FileDialogResult GETSAVEFILENAME(const FileDialogArgs& args);

// COPYFILE with the kernel's file calls (codes in win32fkt_copy.h).
int COPYFILE(const std::string& source, const std::string& target, bool failIfExists = true,
             bool keepSourceTimes = false);
// The kernel's file calls as COPYFILE runs them.
CopyFileSystem& Win32CopyFiles();

// Places the window's rectangle by the placement rule on the monitor nearest it (flags:
// kPlaceCenter, kPlaceWorkArea; default both) and moves it there without sizing, z-order
// change or activation. Windows of class "#32770" count as dialogs.
void CLIPORCENTERWINDOWTOMONITOR(HWND window, int flags = kPlaceCenter | kPlaceWorkArea);

// Positions and sizes a window with the rectangle placed first (clip flags as above, default
// kPlaceWorkArea). With width and height both 0 the window is first moved to (x, y) and keeps
// its current size. Returns what SetWindowPos returned.
bool SETMULTIWINCLIPPOS(HWND window, HWND insertAfter, int x, int y, int width, int height,
                        UINT positionFlags, int clipFlags = kPlaceWorkArea);

// The control's id, as a negative number for 0x8000 ... 0xFFFF while short ids are on.
int64_t GETDLGCTRLID(HWND control);

// Attaches to the input of the thread owning the current foreground window, brings window to
// the foreground, restores it when minimised and activates its last active popup. Returns
// whether it became the foreground window.
bool SETFOREGROUNDWINDOWEX(HWND window);

}  // namespace tabrix
