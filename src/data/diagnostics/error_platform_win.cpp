#include "data/diagnostics/error_platform_win.h"

#include <windows.h>
#include <winnetwk.h>

#include <algorithm>
#include <cstdio>

#include "data/diagnostics/errorsys.h"

namespace tabrix {

namespace {

LocalTime FromSystemTime(const SYSTEMTIME& t) {
  return {{t.wYear, t.wMonth, t.wDay}, t.wHour, t.wMinute, t.wSecond};
}

// Reads a text of unknown length through a call taking (buffer, size) and answering the length
// written, or the size needed when the buffer is too small.
template <typename Call>
std::string GrowingText(Call call) {
  std::string buf(MAX_PATH, '\0');
  for (int tries = 0; tries < 8; ++tries) {
    DWORD n = call(buf.data(), static_cast<DWORD>(buf.size()));
    if (n == 0) return {};
    if (n < buf.size()) return buf.substr(0, n);
    buf.resize(std::max<size_t>(n + 1, buf.size() * 2));
  }
  return {};
}

}  // namespace

void WinErrorSysPlatform::ShowMessageBox(const std::string& text, const std::string& caption,
                                         unsigned flags) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
}

void WinErrorSysPlatform::DebugOutput(const std::string& text,
                                      const std::optional<std::string>& second) {
  // The two presence checks are the whole cost of a trace nobody reads.
  HWND viewer = FindWindowA("#32770", "Halvang-DBWIN");
  if (!viewer && GlobalFindAtomA("ENABLE_DEBUG_OUTPUT") == 0) return;
  const std::string line = "-> " + text + " >" + second.value_or("NIL") + "<\r\n";
  if (viewer) {
    HWND box = GetDlgItem(viewer, 101);
    if (!box) return;
    // Another process's control: WM_GETTEXT / WM_SETTEXT, not the window-text calls.
    LRESULT length = SendMessageA(box, WM_GETTEXTLENGTH, 0, 0);
    std::string old(static_cast<size_t>(length) + 1, '\0');
    LRESULT got = SendMessageA(box, WM_GETTEXT, old.size(), reinterpret_cast<LPARAM>(old.data()));
    old.resize(static_cast<size_t>(got));
    if (old.size() > 5000) old.erase(0, old.size() - 5000);
    std::string now = old + line;
    SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(now.c_str()));
    return;
  }
  if (!debuggerOutputStarted_) {
    debuggerOutputStarted_ = true;
    OutputDebugStringA("\x1bL");
    OutputDebugStringA(" \r\n");
  }
  OutputDebugStringA(line.c_str());
}

void WinErrorSysPlatform::EndProgram(int exitCode) {
  ExitProcess(static_cast<UINT>(exitCode));
}

static_assert(kErrorModeFailCriticalErrors == SEM_FAILCRITICALERRORS);
static_assert(kErrorModeNoOpenFileErrorBox == SEM_NOOPENFILEERRORBOX);

unsigned WinErrorSysPlatform::SetSystemErrorMode(unsigned mode) {
  return SetErrorMode(mode);
}

bool WinErrorSysPlatform::ErrorLogWritesAllowed() {
  return hooks_.errorLogWritesAllowed ? hooks_.errorLogWritesAllowed() : true;
}

LocalTime WinErrorSysPlatform::Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return FromSystemTime(t);
}

std::optional<std::string> WinErrorSysPlatform::NetworkUserName() {
  char name[256];
  DWORD size = sizeof name;
  if (WNetGetUserA(nullptr, name, &size) == NO_ERROR) return std::string(name);
  size = sizeof name;
  if (GetUserNameA(name, &size)) return std::string(name);
  return std::nullopt;
}

std::string WinErrorSysPlatform::ComputerName() {
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string WinErrorSysPlatform::ProgramPath() {
  return GrowingText([](char* buf, DWORD size) {
    DWORD n = GetModuleFileNameA(nullptr, buf, size);
    return n == size ? size + 1 : n;  // a cut path reports the buffer size
  });
}

LocalTime WinErrorSysPlatform::ProgramFileTime() {
  WIN32_FILE_ATTRIBUTE_DATA data;
  FILETIME local;
  SYSTEMTIME t;
  if (!GetFileAttributesExA(ProgramPath().c_str(), GetFileExInfoStandard, &data) ||
      !FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) ||
      !FileTimeToSystemTime(&local, &t)) {
    return {};
  }
  return FromSystemTime(t);
}

int64_t WinErrorSysPlatform::FreePhysicalMemoryKb() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  return GlobalMemoryStatusEx(&status) ? static_cast<int64_t>(status.ullAvailPhys / 1024) : 0;
}

std::string WinErrorSysPlatform::CurrentDrive() {
  std::string dir = CurrentDirectory();
  return dir.size() >= 2 && dir[1] == ':' ? dir.substr(0, 1) : std::string();
}

std::string WinErrorSysPlatform::CurrentDirectory() {
  return GrowingText([](char* buf, DWORD size) { return GetCurrentDirectoryA(size, buf); });
}

int64_t WinErrorSysPlatform::FreeDiskBytes() {
  ULARGE_INTEGER available, total, free;
  if (!GetDiskFreeSpaceExA(nullptr, &available, &total, &free)) return -1;
  return static_cast<int64_t>(available.QuadPart);
}

std::string WinErrorSysPlatform::OperatingSystem() {
  // GetVersionEx answers what the manifest allows; the kernel's own call tells the truth.
  struct RtlVersionInfo {  // RTL_OSVERSIONINFOW
    ULONG size, major, minor, build, platform;
    WCHAR servicePack[128];
  } v{};
  v.size = sizeof v;
  using RtlGetVersionFn = LONG(WINAPI*)(RtlVersionInfo*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
  if (!rtlGetVersion || rtlGetVersion(&v) != 0) return "Windows";
  char buf[80];
  std::snprintf(buf, sizeof buf, "Windows %lu.%lu (Build %lu)", v.major, v.minor, v.build);
  return buf;
}

int WinErrorSysPlatform::CurrentArea() {
  return hooks_.currentArea ? hooks_.currentArea() : ReportedCurrentArea();
}

std::optional<WorkAreaReport> WinErrorSysPlatform::WorkArea(int area) {
  return hooks_.workArea ? hooks_.workArea(area) : ReportedWorkArea(area);
}

}  // namespace tabrix
