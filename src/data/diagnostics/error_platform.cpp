#include "data/diagnostics/error_platform.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

#include "data/diagnostics/error_log.h"

namespace tabrix {
namespace {

// Used until the program installs its own platform (and by programs without a window layer):
// boxes go to standard error, there is no debug output, placeholders stand for system facts.
class BuiltInPlatform final : public ErrorSysPlatform {
 public:
  void ShowMessageBox(const std::string& text, const std::string& caption, unsigned) override {
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
  }
  void DebugOutput(const std::string&, const std::optional<std::string>&) override {}
  void EndProgram(int exitCode) override { std::exit(exitCode); }
  unsigned SetSystemErrorMode(unsigned mode) override { return std::exchange(mode_, mode); }
  bool ErrorLogWritesAllowed() override { return true; }
  LocalTime Now() override {
    const std::time_t t = std::time(nullptr);
    const std::tm* tm = std::localtime(&t);
    if (!tm) return {};
    return {{tm->tm_year + 1900, tm->tm_mon + 1, tm->tm_mday}, tm->tm_hour, tm->tm_min, tm->tm_sec};
  }
  std::optional<std::string> NetworkUserName() override { return std::nullopt; }
  std::string ComputerName() override { return "?"; }
  std::string ProgramPath() override { return "?"; }
  LocalTime ProgramFileTime() override { return {}; }
  int64_t FreePhysicalMemoryKb() override { return 0; }
  std::string CurrentDrive() override { return ""; }
  std::string CurrentDirectory() override { return ""; }
  int64_t FreeDiskBytes() override { return 0; }
  std::string OperatingSystem() override { return "?"; }
  int CurrentArea() override { return ReportedCurrentArea(); }
  std::optional<WorkAreaReport> WorkArea(int area) override { return ReportedWorkArea(area); }

 private:
  unsigned mode_ = 0;
};

AreaReporter& Reporter() {
  static AreaReporter reporter;
  return reporter;
}

ErrorSysPlatform*& Installed() {
  static ErrorSysPlatform* platform = nullptr;
  return platform;
}

}  // namespace

void RegisterAreaReporter(AreaReporter reporter) {
  Reporter() = std::move(reporter);
}

int ReportedCurrentArea() {
  const AreaReporter& r = Reporter();
  return r.currentArea ? r.currentArea() : 0;
}

std::optional<WorkAreaReport> ReportedWorkArea(int area) {
  const AreaReporter& r = Reporter();
  return r.workArea ? r.workArea(area) : std::nullopt;
}

ErrorSysPlatform& CurrentErrorSysPlatform() {
  static BuiltInPlatform builtIn;
  ErrorSysPlatform* platform = Installed();
  return platform ? *platform : builtIn;
}

ErrorSysPlatform* SetErrorSysPlatform(ErrorSysPlatform* platform) {
  ForgetErrLogRun();
  return std::exchange(Installed(), platform);
}

}  // namespace tabrix
