// Window operations with rules of their own (see win32fkt_win.h).

#include "framework/native/win32fkt_win.h"

#include <commdlg.h>

#include "data/base/win_handles_win.h"

namespace tabrix {
namespace {

FileDialogResult RunFileDialog(const FileDialogArgs& args, bool save) {
  FileDialogSetup setup = PrepareFileDialog(args);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = reinterpret_cast<HWND>(args.owner);
  ofn.lpstrFilter = setup.filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = setup.nameBuffer.data();
  ofn.nMaxFile = static_cast<DWORD>(setup.nameBuffer.size());
  ofn.lpstrTitle = setup.title.c_str();
  ofn.Flags = setup.flags;
  ofn.lpstrInitialDir = setup.initialDir ? setup.initialDir->c_str() : nullptr;
  ofn.lpstrDefExt = setup.defaultExt ? setup.defaultExt->c_str() : nullptr;
  BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
  if (!chosen) return std::monostate{};
  return ReadFileDialogResult(setup.nameBuffer, ofn.nFileOffset);
}

uint64_t FromFileTime(const FILETIME& t) {
  return (static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
}
FILETIME ToFileTime(uint64_t t) {
  return {static_cast<DWORD>(t & 0xFFFFFFFF), static_cast<DWORD>(t >> 32)};
}

class Win32CopyFileSystem : public CopyFileSystem {
 public:
  FileStep ReadTimes(const std::string& file, FileTimes& times) override {
    FILETIME c, a, w;
    {
      OwnedFileHandle h(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!h) return FileStep::kOpenFailed;
      if (!GetFileTime(h.get(), &c, &a, &w)) return FileStep::kTimesFailed;
    }
    times = {FromFileTime(c), FromFileTime(a), FromFileTime(w)};
    return FileStep::kOk;
  }
  bool CurrentTime(uint64_t& now) override {
    SYSTEMTIME st;
    GetSystemTime(&st);
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    now = FromFileTime(ft);
    return true;
  }
  bool Copy(const std::string& source, const std::string& target, bool failIfExists) override {
    return CopyFileA(source.c_str(), target.c_str(), failIfExists) != 0;
  }
  FileStep WriteTimes(const std::string& file, const FileTimes& times) override {
    OwnedFileHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h) return FileStep::kOpenFailed;
    FILETIME c = ToFileTime(times.creation), a = ToFileTime(times.lastAccess),
             w = ToFileTime(times.lastWrite);
    return SetFileTime(h.get(), &c, &a, &w) ? FileStep::kOk : FileStep::kTimesFailed;
  }
};

bool IsDialogWindow(HWND window) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  return lstrcmpA(name, "#32770") == 0;
}

PlaceRect FromRect(const RECT& r) {
  return {r.left, r.top, r.right, r.bottom};
}

// The placement rule on the monitor nearest rect.
PlaceRect Place(const PlaceRect& rect, int flags, bool dialog) {
  RECT r{rect.left, rect.top, rect.right, rect.bottom};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
  if (!monitor || !GetMonitorInfoA(monitor, &info)) {
    // Plain single-screen behaviour: the primary screen and its work area.
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    info.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    info.rcWork = work;
  }
  return PlaceOnMonitor(rect, FromRect(info.rcMonitor), FromRect(info.rcWork), flags, dialog);
}

}  // namespace

FileDialogResult GETOPENFILENAME(const FileDialogArgs& args) {
  return RunFileDialog(args, false);
}
FileDialogResult GETSAVEFILENAME(const FileDialogArgs& args) {
  return RunFileDialog(args, true);
}

CopyFileSystem& Win32CopyFiles() {
  static Win32CopyFileSystem files;
  return files;
}

int COPYFILE(const std::string& source, const std::string& target, bool failIfExists,
             bool keepSourceTimes) {
  return COPYFILE(Win32CopyFiles(), source, target, failIfExists, keepSourceTimes);
}

void CLIPORCENTERWINDOWTOMONITOR(HWND window, int flags) {
  RECT r;
  if (!GetWindowRect(window, &r)) return;
  PlaceRect placed = Place(FromRect(r), flags, IsDialogWindow(window));
  SetWindowPos(window, nullptr, placed.left, placed.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool SETMULTIWINCLIPPOS(HWND window, HWND insertAfter, int x, int y, int width, int height,
                        UINT positionFlags, int clipFlags) {
  if (width == 0 && height == 0) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT r;
    if (GetWindowRect(window, &r)) {
      width = r.right - r.left;
      height = r.bottom - r.top;
    }
  }
  PlaceRect placed = Place({x, y, x + width, y + height}, clipFlags, IsDialogWindow(window));
  return SetWindowPos(window, insertAfter, placed.left, placed.top, placed.Width(), placed.Height(),
                      positionFlags) != 0;
}

int64_t GETDLGCTRLID(HWND control) {
  // GetDlgCtrlID answers a 32-bit int; the id itself is the window's 16-bit-or-more id value.
  return ReportedControlId(static_cast<int64_t>(static_cast<unsigned>(GetDlgCtrlID(control))));
}

bool SETFOREGROUNDWINDOWEX(HWND window) {
  HWND foreground = GetForegroundWindow();
  DWORD foreignThread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
  DWORD ownThread = GetCurrentThreadId();
  const bool attach = foreignThread && foreignThread != ownThread &&
                      AttachThreadInput(ownThread, foreignThread, TRUE);
  SetForegroundWindow(window);
  BringWindowToTop(window);
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  HWND popup = GetLastActivePopup(window);
  if (popup && popup != window) SetForegroundWindow(popup);
  if (attach) AttachThreadInput(ownThread, foreignThread, FALSE);
  HWND now = GetForegroundWindow();
  return now == window || (popup && now == popup);
}

}  // namespace tabrix
