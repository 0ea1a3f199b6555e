#pragma once
// The Windows implementation of ErrorSysPlatform (error_platform_win.cpp): message boxes,
// the debug output, ending the process and the system facts of the long error report come
// from the window and kernel calls. Portable declaration; only the .cpp sees <windows.h>.

#include <functional>
#include <optional>
#include <string>

#include "data/diagnostics/error_platform.h"

namespace tabrix {

class WinErrorSysPlatform final : public ErrorSysPlatform {
 public:
  // What the layers above know and this class does not: whether the application object has
  // locked error-log writing, and the table areas. Unset hooks answer "allowed" and what the
  // registered area reporter says (error_platform.h).
  struct Hooks {
    std::function<bool()> errorLogWritesAllowed;
    std::function<int()> currentArea;
    std::function<std::optional<WorkAreaReport>(int)> workArea;
  };

  WinErrorSysPlatform() = default;
  explicit WinErrorSysPlatform(Hooks hooks) : hooks_(std::move(hooks)) {}

  // MessageBoxA without an owner window; the texts are ANSI (window text).
  void ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  // One trace line "-> text >second<" (second "NIL" when missing), written only while a
  // developer enabled the trace: to the debug viewer (a top-level "#32770" dialog titled
  // "Halvang-DBWIN", its text box 101, kept to its last 5000 characters before the line) or,
  // with the global atom "ENABLE_DEBUG_OUTPUT", to the debugger output (preceded once per
  // process by ESC "L" and " " CR LF).
  void DebugOutput(const std::string& text, const std::optional<std::string>& second) override;
  // ExitProcess: does not return.
  void EndProgram(int exitCode) override;
  unsigned SetSystemErrorMode(unsigned mode) override;
  bool ErrorLogWritesAllowed() override;
  LocalTime Now() override;
  std::optional<std::string> NetworkUserName() override;
  std::string ComputerName() override;
  std::string ProgramPath() override;
  LocalTime ProgramFileTime() override;
  int64_t FreePhysicalMemoryKb() override;
  std::string CurrentDrive() override;  // "C"; "" for a UNC current directory
  std::string CurrentDirectory() override;
  int64_t FreeDiskBytes() override;        // on the current drive, -1 when unknown
  std::string OperatingSystem() override;  // "Windows 10.0 (Build 19045)"
  int CurrentArea() override;
  std::optional<WorkAreaReport> WorkArea(int area) override;

 private:
  Hooks hooks_;
  bool debuggerOutputStarted_ = false;
};

}  // namespace tabrix
