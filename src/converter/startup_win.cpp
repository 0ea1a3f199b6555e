// RDDINIT and the application context values taken from the program file.
#include "converter/startup_win.h"

#include "data/stdlib/o_s.h"
#include "data/stdlib/stfkt.h"
#include "data/table/table_area.h"
#include "framework/native/win32fkt_win.h"

namespace tabrix {

std::string ProgramFilePath() {
  char path[MAX_PATH] = {};
  DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, n);
}

std::string ProgramFolderOf(const std::string& programPath) {
  const size_t slash = programPath.find_last_of('\\');
  return slash == std::string::npos ? std::string() : programPath.substr(0, slash + 1);
}

std::string StartDirOf(const std::string& programPath) {
  std::string dir = ProgramFolderOf(programPath);
  if (!dir.empty()) CharUpperBuffA(dir.data(), static_cast<DWORD>(dir.size()));
  if (dir.empty() || dir.back() != '\\') dir += '\\';
  return dir;
}

std::string UserSettingsFile() {
  return GETINIPFAD("Velarto") + "qz.ini";
}

bool BringRunningCopyToFront() {
  HWND running = FindWindowA(kFrameClassName, nullptr);
  if (running == nullptr) return false;
  SETFOREGROUNDWINDOWEX(running);
  return true;
}

std::string ChooseTableBackEnd(const std::string& programPath, RemoteClient& client) {
  const std::string sysDir =
      GETPVPROFSTRING("Directory", "SysDir", programPath, ProgramFolderOf(programPath) + "QZX.INI");
  const std::string location = ServedLocationOf(sysDir);
  client.ConfigureForStartUp();
  const std::string driver = StartUpDriver(client, location);
  SetDefaultDriver(driver);
  O_S("RDDINIT " + location, driver);
  return driver;
}

bool RDDINIT() {
  const std::string programPath = ProgramFilePath();
  if (BringRunningCopyToFront()) return false;
  // German messages, case conversion and collation for the whole run.
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  ChooseTableBackEnd(programPath, CurrentRemoteClient());
  return true;
}

}  // namespace tabrix
