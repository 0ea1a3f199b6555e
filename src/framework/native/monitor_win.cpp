#include <string>

#include "framework/native/monitor.h"
#include "framework/native/short_ids.h"

namespace tabrix {

bool CLIPORCENTERWINDOWTOMONITOR(HWND window, int flags) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  MONITORINFO mi = {};
  mi.cbSize = sizeof mi;
  HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  Rect area;
  if (monitor != nullptr && GetMonitorInfoA(monitor, &mi)) {
    const RECT& a = (flags & kPlaceWorkArea) ? mi.rcWork : mi.rcMonitor;
    area = Rect{a.left, a.top, a.right, a.bottom};
  } else {
    area = Rect{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  bool dialog = std::string(cls) == "#32770";
  Rect placed = PlaceRectInArea(Rect{r.left, r.top, r.right, r.bottom}, area, flags, dialog);
  // A child window is positioned in its parent's client coordinates.
  POINT topLeft{placed.left, placed.top};
  if (HWND parent = GetParent(window); parent && (GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) {
    ScreenToClient(parent, &topLeft);
  }
  return SetWindowPos(window, nullptr, topLeft.x, topLeft.y, 0, 0,
                      SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE) != FALSE;
}

bool SETFOREGROUNDWINDOWEX(HWND window) {
  HWND foreground = GetForegroundWindow();
  DWORD self = GetCurrentThreadId();
  DWORD other = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  bool attached = other != 0 && other != self && AttachThreadInput(self, other, TRUE);
  SetForegroundWindow(window);
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  HWND popup = GetLastActivePopup(window);
  if (popup != nullptr && popup != window) SetForegroundWindow(popup);
  if (attached) AttachThreadInput(self, other, FALSE);
  return GetForegroundWindow() == window || GetForegroundWindow() == popup;
}

int64_t GETDLGCTRLID(HWND control) {
  return ReportedControlId(GetDlgCtrlID(control), ShortIdsOn());
}

}  // namespace tabrix
