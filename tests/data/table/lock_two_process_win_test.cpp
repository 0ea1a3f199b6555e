// Two processes sharing a table file on Windows (under Wine in the test run): the second
// process is lock_probe.exe, started with CreateProcessA. The cases are those of the POSIX
// build (two_process_lock_cases.h).

#include <windows.h>

#include <string>
#include <vector>

#include "data/table/two_process_lock_cases.h"

namespace tabrix {

int RunLockProbe(const std::vector<std::string>& args) {
  std::string commandLine = "lock_probe.exe";
  for (const std::string& a : args) commandLine += " " + a;  // no argument holds blanks
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(LOCK_PROBE_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      nullptr, &startup, &process)) {
    return -1;
  }
  DWORD exitCode = ~0u;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode == ~0u ? -1 : static_cast<int>(exitCode);
}

}  // namespace tabrix
