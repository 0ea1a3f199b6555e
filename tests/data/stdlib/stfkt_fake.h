#pragma once
// A recording stand-in for the system side of the standard library: environment, version,
// directories, a message queue, a clock that only moves when the library sleeps, strings of
// modules and profile files held in memory.

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/stdlib/profile_text.h"
#include "data/stdlib/stfkt_system.h"

namespace tabrix {

class FakeStfktSystem : public StfktSystem {
 public:
  int major = 10;
  std::optional<OsVersion> version = OsVersion{10, 0, 19045, 2, ""};
  std::optional<std::string> networkUser;
  // Libraries that load: file name -> handle; every other name fails.
  std::map<std::string, ModuleHandle> libraries;
  ModuleHandle instance = 0x400000;
  // Exports every loaded library has (the others are missing).
  std::vector<std::string> exports;
  std::map<std::string, std::string> environment;
  std::string programPath = "C:\\QZ\\TABRIX.EXE";
  std::string tempDirectory = "C:\\WINDOWS\\TEMP";
  std::map<std::pair<ModuleHandle, int64_t>, std::string> strings;
  std::map<ModuleHandle, std::string> moduleFiles;
  std::map<std::string, std::string> profileFiles;  // file name -> content
  bool profileWritable = true;
  // Each dispatch takes the first waiting batch; a batch runs its action (may be empty).
  std::vector<std::pair<int, std::function<void()>>> messageBatches;

  // What happened.
  struct Box {
    std::string text, caption;
    unsigned flags = 0;
    friend bool operator==(const Box&, const Box&) = default;
  };
  std::vector<Box> boxes;
  std::vector<std::string> loads;  // every load asked for, in order
  std::vector<ModuleHandle> frees;
  // "name(argument)" or "name()" for every library call that found its export.
  std::vector<std::string> calls;
  std::vector<std::string> madeDirectories;
  std::vector<double> sleeps;
  int dispatchCalls = 0;
  double clock = 1000.0;

  int OsMajorVersion() override { return major; }
  std::optional<OsVersion> Version() override { return version; }
  std::optional<std::string> NetworkUser() override { return networkUser; }
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    boxes.push_back({text, caption, flags});
    return 1;
  }
  ModuleHandle LoadLibraryFile(const std::string& file) override {
    loads.push_back(file);
    auto it = libraries.find(file);
    return it == libraries.end() ? 0 : it->second;
  }
  void FreeLibraryModule(ModuleHandle module) override { frees.push_back(module); }
  ModuleHandle ProgramInstance() override { return instance; }
  std::optional<int64_t> CallLibraryFunction(ModuleHandle, const std::string& name,
                                             std::optional<uintptr_t> argument) override {
    if (std::find(exports.begin(), exports.end(), name) == exports.end()) return std::nullopt;
    calls.push_back(name + "(" + (argument ? std::to_string(*argument) : "") + ")");
    return 1;
  }
  std::string Environment(const std::string& name) override {
    auto it = environment.find(name);
    return it == environment.end() ? "" : it->second;
  }
  std::string ShortPath(const std::string& path) override { return "SHORT(" + path + ")"; }
  bool MakeDirectory(const std::string& path) override {
    madeDirectories.push_back(path);
    return true;
  }
  std::string ProgramPath() override { return programPath; }
  std::string TempDirectory() override { return tempDirectory; }
  int DispatchPendingMessages() override {
    ++dispatchCalls;
    if (messageBatches.empty()) return 0;
    auto [count, action] = messageBatches.front();
    messageBatches.erase(messageBatches.begin());
    if (action) action();
    return count;
  }
  double SteadySeconds() override { return clock; }
  void Sleep(double seconds) override {
    sleeps.push_back(seconds);
    clock += seconds;
  }
  std::optional<std::string> LoadResourceString(ModuleHandle module, int64_t number) override {
    auto it = strings.find({module, number});
    if (it == strings.end()) return std::nullopt;
    return it->second;
  }
  std::string ModuleFileName(ModuleHandle module) override {
    auto it = moduleFiles.find(module);
    return it == moduleFiles.end() ? "" : it->second;
  }
  std::string ReadProfileString(const std::string& section, const std::string& key,
                                const std::string& def, const std::string& file) override {
    auto it = profileFiles.find(file);
    if (it == profileFiles.end()) return def;
    return ReadProfileValue(it->second, section, key).value_or(def);
  }
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& file) override {
    if (!profileWritable) return false;
    profileFiles[file] = WriteProfileValue(profileFiles[file], section, key, value);
    return true;
  }
};

}  // namespace tabrix
