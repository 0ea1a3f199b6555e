#pragma once
// Loading the stand-in client engine (ace_standin/) into a test process, and its test controls.
// Tests that include this are compiled with ACE_STANDIN_DIR, the folder of its ace64.dll.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "data/remote/ace_api.h"
#include "data/remote/ace_library.h"
#include "data/remote/ace_standin/ace_standin.h"

namespace tabrix::standin {

inline std::string Folder() {
  std::string dir = ACE_STANDIN_DIR;
  std::replace(dir.begin(), dir.end(), '/', '\\');
  return dir;
}

inline std::string LibraryPath() {
  return Folder() + "\\" + AceLibraryName();
}

// The stand-in's engine functions and its controls, loaded once per process.
class Engine {
 public:
  static Engine& Get() {
    static Engine engine;
    return engine;
  }
  bool loaded() const { return api_.has_value(); }
  const AceApi& api() const { return *api_; }

  void SetServer(AceU16 type) { Control<SetServerFn>("StandInSetServer")(type); }
  void SetServerFor(const char* location, AceU16 type) {
    Control<SetServerForFn>("StandInSetServerFor")(location, type);
  }
  void FailCall(const char* function, AceU32 error) {
    Control<FailFn>("StandInFail")(function, error);
  }
  std::string Calls() {
    auto calls = Control<CallsFn>("StandInCalls");
    std::string text(calls(nullptr, 0), '\0');
    calls(text.data(), static_cast<AceU32>(text.size()));
    text.pop_back();
    return text;
  }
  void Reset() { Control<ResetFn>("StandInReset")(); }
  void SetClock(const LocalTime& t) {
    Control<SetClockFn>("StandInSetClock")(t.date.year, t.date.month, t.date.day, t.hour, t.minute,
                                           t.second);
  }
  void AdvanceClock(std::chrono::milliseconds ms) {
    Control<AdvanceClockFn>("StandInAdvanceClock")(static_cast<AceU32>(ms.count()));
  }
  std::chrono::milliseconds Slept() {
    return std::chrono::milliseconds(Control<SleptFn>("StandInSleptMs")());
  }

 private:
  Engine()
      : api_(LoadAceLibrary(LibraryPath())), module_(GetModuleHandleA(LibraryPath().c_str())) {}
  template <typename F>
  F Control(const char* name) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }
  std::optional<AceApi> api_;
  HMODULE module_;
};

// Counts how often `function` occurs in a call list of Engine::Calls.
inline int CountCalls(const std::string& calls, const std::string& function) {
  int n = 0;
  for (size_t at = 0; (at = calls.find(function + "\n", at)) != std::string::npos; ++at) {
    if (at == 0 || calls[at - 1] == '\n') ++n;
  }
  return n;
}

}  // namespace tabrix::standin
