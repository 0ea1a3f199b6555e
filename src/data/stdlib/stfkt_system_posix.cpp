// The standard library's system on POSIX (the native build). There is no Windows directory
// here: a profile file name without a directory is taken from the current directory. There is
// no window system either: no messages wait, and modules hold no strings.

#ifndef _WIN32

#include <sys/stat.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "data/stdlib/profile_text.h"
#include "data/stdlib/stfkt_system.h"

namespace tabrix {
namespace {

// "\" of the Windows paths the library builds is "/" here.
std::string Native(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

class PosixStfktSystem : public StfktSystem {
 public:
  int OsMajorVersion() override {
    utsname u{};
    if (uname(&u) != 0) return 0;
    return std::atoi(u.release);
  }
  std::optional<OsVersion> Version() override {
    utsname u{};
    if (uname(&u) != 0) return std::nullopt;
    OsVersion v;
    v.major = std::atoi(u.release);
    const char* dot = std::strchr(u.release, '.');
    v.minor = dot ? std::atoi(dot + 1) : 0;
    return v;
  }
  std::optional<std::string> NetworkUser() override {
    std::string user = Environment("USER");
    if (user.empty()) return std::nullopt;
    return user;
  }
  std::string Environment(const std::string& name) override {
    const char* v = std::getenv(name.c_str());
    return v ? v : "";
  }
  std::string ShortPath(const std::string& path) override { return path; }
  bool MakeDirectory(const std::string& path) override {
    return mkdir(Native(path).c_str(), 0777) == 0;
  }
  std::string ProgramPath() override {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, n) : "";
  }
  std::string TempDirectory() override {
    std::string dir = Environment("TMPDIR");
    if (dir.empty()) dir = "/tmp";
    return dir + "/";
  }
  int DispatchPendingMessages() override { return 0; }
  double SteadySeconds() override {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
  }
  void Sleep(double seconds) override {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  }
  std::optional<std::string> LoadResourceString(ModuleHandle, int64_t) override {
    return std::nullopt;
  }
  std::string ModuleFileName(ModuleHandle) override { return ""; }

  std::string ReadProfileString(const std::string& section, const std::string& key,
                                const std::string& def, const std::string& file) override {
    std::ifstream in(Native(file), std::ios::binary);
    if (!in) return def;
    std::stringstream content;
    content << in.rdbuf();
    return ReadProfileValue(content.str(), section, key).value_or(def);
  }
  bool WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value, const std::string& file) override {
    std::string content;
    if (std::ifstream in(Native(file), std::ios::binary); in) {
      std::stringstream s;
      s << in.rdbuf();
      content = s.str();
    }
    std::ofstream out(Native(file), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out << WriteProfileValue(content, section, key, value);
    return static_cast<bool>(out.flush());
  }
  // No window system: a box goes to the error stream and counts as OK.
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned) override {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    return 1;
  }
  // No libraries are loaded at run time here.
  ModuleHandle LoadLibraryFile(const std::string&) override { return 0; }
  void FreeLibraryModule(ModuleHandle) override {}
  ModuleHandle ProgramInstance() override { return 0; }
  std::optional<int64_t> CallLibraryFunction(ModuleHandle, const std::string&,
                                             std::optional<uintptr_t>) override {
    return std::nullopt;
  }
};

}  // namespace

StfktSystem& BuiltInStfktSystem() {
  static PosixStfktSystem system;
  return system;
}

}  // namespace tabrix

#endif  // _WIN32
