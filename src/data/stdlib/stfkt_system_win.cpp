// The standard library's system on Windows: kernel and window calls, the ANSI variants
// throughout (window text is Windows-1252).

#include <windows.h>
#include <winnetwk.h>

#include <vector>

#include "data/stdlib/stfkt_system.h"

namespace tabrix {
namespace {

class Win32StfktSystem : public StfktSystem {
 public:
  int OsMajorVersion() override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    return GetVersionExA(&info) ? static_cast<int>(info.dwMajorVersion) : 0;
  }
  std::optional<OsVersion> Version() override {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return std::nullopt;
    return OsVersion{static_cast<int>(info.dwMajorVersion), static_cast<int>(info.dwMinorVersion),
                     static_cast<int>(info.dwBuildNumber), static_cast<int>(info.dwPlatformId),
                     info.szCSDVersion};
  }
  std::optional<std::string> NetworkUser() override {
    char name[256];
    DWORD size = sizeof name;
    if (WNetGetUserA(nullptr, name, &size) != NO_ERROR) return std::nullopt;
    return std::string(name);
  }
  std::string Environment(const std::string& name) override {
    DWORD n = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
    if (n == 0) return "";
    std::string value(n, '\0');
    n = GetEnvironmentVariableA(name.c_str(), value.data(), n);
    value.resize(n);
    return value;
  }
  std::string ShortPath(const std::string& path) override {
    char buffer[MAX_PATH * 2];
    DWORD n = GetShortPathNameA(path.c_str(), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
  }
  bool MakeDirectory(const std::string& path) override {
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
  }
  std::string ProgramPath() override { return ModuleFileName(0); }
  std::string TempDirectory() override {
    char buffer[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof buffer, buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : "";
  }
  int DispatchPendingMessages() override {
    int handled = 0;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        // The end of the program belongs to the main loop: leave it for the loop to find.
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      ++handled;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    return handled;
  }
  double SteadySeconds() override { return static_cast<double>(GetTickCount64()) / 1000.0; }
  void Sleep(double seconds) override {
    ::Sleep(seconds > 0 ? static_cast<DWORD>(seconds * 1000.0 + 0.5) : 0);
  }
  std::optional<std::string> LoadResourceString(ModuleHandle module, int64_t number) override {
    if (number < 0 || number > 0xFFFF) return std::nullopt;
    char buffer[1024];
    int n = LoadStringA(reinterpret_cast<HINSTANCE>(module), static_cast<UINT>(number), buffer,
                        sizeof buffer);
    if (n <= 0) return std::nullopt;
    return std::string(buffer, n);
  }
  std::string ModuleFileName(ModuleHandle module) override {
    char buffer[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(reinterpret_cast<HMODULE>(module), buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : "";
  }
  std::string ReadProfileString(const std::string& section, const std::string& key,
                                const std::string& def, const std::string& file) override {
    char buffer[1024];
    DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer,
                                       sizeof buffer, file.c_str());
    return std::string(buffer, n);
  }
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& file) override {
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
           0;
  }
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags);
  }
  ModuleHandle LoadLibraryFile(const std::string& file) override {
    UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE module = LoadLibraryA(file.c_str());
    SetErrorMode(previous);
    return reinterpret_cast<ModuleHandle>(module);
  }
  void FreeLibraryModule(ModuleHandle module) override {
    if (module) FreeLibrary(reinterpret_cast<HMODULE>(module));
  }
  ModuleHandle ProgramInstance() override {
    return reinterpret_cast<ModuleHandle>(GetModuleHandleA(nullptr));
  }
  std::optional<int64_t> CallLibraryFunction(ModuleHandle module, const std::string& name,
                                             std::optional<uintptr_t> argument) override {
    FARPROC proc = GetProcAddress(reinterpret_cast<HMODULE>(module), name.c_str());
    if (!proc) return std::nullopt;
    auto* address = reinterpret_cast<void*>(proc);
    if (argument) {
      auto* call = reinterpret_cast<BOOL(WINAPI*)(HINSTANCE)>(address);
      return call(reinterpret_cast<HINSTANCE>(*argument));
    }
    auto* call = reinterpret_cast<BOOL(WINAPI*)()>(address);
    return call();
  }
};

}  // namespace

StfktSystem& BuiltInStfktSystem() {
  static Win32StfktSystem system;
  return system;
}

}  // namespace tabrix
