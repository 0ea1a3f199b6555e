#pragma once
// A recording stand-in for the system side of the standard library: environment, version,
// directories, a message queue, a clock that only moves when the library sleeps, strings of
// modules and profile files held in memory.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/profile_text.h"
#include "data/stfkt_system.h"

namespace tabrix {

class FakeStfktSystem : public StfktSystem {
 public:
  int major = 10;
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
  std::vector<std::string> madeDirectories;
  std::vector<double> sleeps;
  int dispatchCalls = 0;
  double clock = 1000.0;

  int OsMajorVersion() override { return major; }
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
