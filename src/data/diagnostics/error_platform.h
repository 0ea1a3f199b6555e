#pragma once
// What the error handler and the error log need from the system.
//
// Everything that shows a box, writes debug output, ends the process or asks the system about
// itself goes through ErrorSysPlatform, so the handler and the log are portable: the Windows
// build implements it with the window and kernel calls, tests replace it with a fake.
// Without an installed platform a minimal built-in one is used (no box, no debug output,
// std::exit to end the program, placeholders for the system facts).

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "data/base/value.h"

namespace tabrix {

// What the long error report lists about one table area that holds a table.
struct WorkAreaReport {
  std::string alias;
  int64_t recno = 0;
  std::string filter;    // "" when none
  std::string relation;  // "" when none
  int order = 0;         // controlling order number, 0 for none
  std::string key;       // key expression of that order
};

// How the error report learns about table areas. This layer sits below the table layer and
// cannot ask it, so the table layer registers its answers when it is linked in
// (table_area.cpp); until then, and in programs without tables, there is no area.
struct AreaReporter {
  std::function<int()> currentArea;
  std::function<std::optional<WorkAreaReport>(int)> workArea;
};
void RegisterAreaReporter(AreaReporter reporter);
// The current area number, 0 without a reporter.
int ReportedCurrentArea();
// What area holds; nothing without a reporter or when the area is empty.
std::optional<WorkAreaReport> ReportedWorkArea(int area);

// Message box flag of the fatal-error box (exclamation icon).
inline constexpr unsigned kBoxExclamation = 48;

class ErrorSysPlatform {
 public:
  virtual ~ErrorSysPlatform() = default;

  // A modal message box without an owner window.
  virtual void ShowMessageBox(const std::string& text, const std::string& caption,
                              unsigned flags) = 0;
  // One developer trace line: text and, when given, a second value (the debug output's
  // two-argument form).
  virtual void DebugOutput(const std::string& text, const std::optional<std::string>& second) = 0;
  // Ends the process with exitCode. Does not return in the program; a test fake may return,
  // and the caller then abandons the current operation instead.
  virtual void EndProgram(int exitCode) = 0;
  // The operating system's error mode (critical-error and file-error boxes); returns the
  // previous mode.
  virtual unsigned SetSystemErrorMode(unsigned mode) = 0;

  // True unless the application object exists and has locked error-log writing.
  virtual bool ErrorLogWritesAllowed() = 0;

  virtual LocalTime Now() = 0;
  // Network user name; nothing when it cannot be obtained.
  virtual std::optional<std::string> NetworkUserName() = 0;
  virtual std::string ComputerName() = 0;
  // Full path of the program file and the file's last-write time.
  virtual std::string ProgramPath() = 0;
  virtual LocalTime ProgramFileTime() = 0;
  virtual int64_t FreePhysicalMemoryKb() = 0;
  virtual std::string CurrentDrive() = 0;
  // The current directory; relative log names are taken relative to it. "" means the
  // process's own current directory.
  virtual std::string CurrentDirectory() = 0;
  virtual int64_t FreeDiskBytes() = 0;
  virtual std::string OperatingSystem() = 0;

  // The table layer's current area number and what an area holds (nothing when empty).
  virtual int CurrentArea() = 0;
  virtual std::optional<WorkAreaReport> WorkArea(int area) = 0;
};

// The installed platform, or the built-in one when none is installed.
ErrorSysPlatform& CurrentErrorSysPlatform();

// Installs platform (nullptr: back to the built-in one) and returns the previous one. The
// caller keeps ownership. Installing starts the error log's per-run state afresh (entries
// written, program identification), because both come from the platform.
ErrorSysPlatform* SetErrorSysPlatform(ErrorSysPlatform* platform);

// Installs a platform for the lifetime of this object and restores the previous one after.
class ScopedErrorSysPlatform {
 public:
  explicit ScopedErrorSysPlatform(ErrorSysPlatform* platform)
      : previous_(SetErrorSysPlatform(platform)) {}
  ~ScopedErrorSysPlatform() { SetErrorSysPlatform(previous_); }
  ScopedErrorSysPlatform(const ScopedErrorSysPlatform&) = delete;
  ScopedErrorSysPlatform& operator=(const ScopedErrorSysPlatform&) = delete;

 private:
  ErrorSysPlatform* previous_;
};

}  // namespace tabrix
