#pragma once
// A recording stand-in for the system side of the error handler and the error log.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/diagnostics/error_platform.h"

namespace tabrix {

class FakeErrorSysPlatform : public ErrorSysPlatform {
 public:
  struct Box {
    std::string text;
    std::string caption;
    unsigned flags;
  };

  // What the fake reports about the system; tests change what they need.
  LocalTime now{{2026, 3, 7}, 9, 5, 3};
  std::optional<std::string> user = std::string("anna");
  std::string computer = "WS-07";
  std::string programPath = "C:\\QZ\\Tabrix.exe";
  LocalTime programTime{{2025, 11, 30}, 17, 45, 0};
  int64_t memoryKb = 523264;
  std::string drive = "C";
  std::string directory;  // the test's temporary directory
  int64_t diskBytes = 1073741824;
  std::string os = "Windows 10.0 Build 19045";
  int currentArea = 0;
  std::vector<std::pair<int, WorkAreaReport>> areas;
  bool logWritesAllowed = true;

  // What happened.
  std::vector<Box> boxes;
  std::vector<std::pair<std::string, std::optional<std::string>>> debug;
  std::vector<int> endCodes;
  std::vector<unsigned> modes;

  void ShowMessageBox(const std::string& text, const std::string& caption,
                      unsigned flags) override {
    boxes.push_back({text, caption, flags});
  }
  void DebugOutput(const std::string& text, const std::optional<std::string>& second) override {
    debug.emplace_back(text, second);
  }
  void EndProgram(int exitCode) override { endCodes.push_back(exitCode); }
  unsigned SetSystemErrorMode(unsigned mode) override {
    const unsigned previous = modes.empty() ? 0 : modes.back();
    modes.push_back(mode);
    return previous;
  }
  bool ErrorLogWritesAllowed() override { return logWritesAllowed; }
  LocalTime Now() override { return now; }
  std::optional<std::string> NetworkUserName() override { return user; }
  std::string ComputerName() override { return computer; }
  std::string ProgramPath() override { return programPath; }
  LocalTime ProgramFileTime() override { return programTime; }
  int64_t FreePhysicalMemoryKb() override { return memoryKb; }
  std::string CurrentDrive() override { return drive; }
  std::string CurrentDirectory() override { return directory; }
  int64_t FreeDiskBytes() override { return diskBytes; }
  std::string OperatingSystem() override { return os; }
  int CurrentArea() override { return currentArea; }
  std::optional<WorkAreaReport> WorkArea(int area) override {
    for (const auto& [number, report] : areas) {
      if (number == area) return report;
    }
    return std::nullopt;
  }
};

}  // namespace tabrix
