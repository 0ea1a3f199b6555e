#pragma once
// What the standard library (Stfkt) needs from the operating system, behind one interface so
// that its rules are portable: the Windows build implements it with kernel and window calls
// (stfkt_system_win.cpp), the native build with POSIX calls (stfkt_system_posix.cpp), and
// tests replace it with a fake.
//
// Paths are Windows paths: "\" separates directories whatever the build.

#include <cstdint>
#include <optional>
#include <string>

namespace tabrix {

// A module (program or library) handle as a plain number; 0 is none.
using ModuleHandle = uintptr_t;

// The operating system's version as GetVersionEx reports it.
struct OsVersion {
  int major = 0;
  int minor = 0;
  int build = 0;
  int platformId = 0;
  std::string servicePack;
  friend bool operator==(const OsVersion&, const OsVersion&) = default;
};

// Message box flags used by the library (the window system's values).
inline constexpr unsigned kBoxOk = 0;
inline constexpr unsigned kBoxIconHand = 16;

class StfktSystem {
 public:
  virtual ~StfktSystem() = default;

  // The operating system's major version number.
  virtual int OsMajorVersion() = 0;
  // The whole version; nothing when the system does not tell.
  virtual std::optional<OsVersion> Version() = 0;
  // The network user name; nothing when none can be obtained.
  virtual std::optional<std::string> NetworkUser() = 0;
  // An environment variable; "" when it is not set.
  virtual std::string Environment(const std::string& name) = 0;
  // The short (8.3) form of an existing path; the path unchanged when there is none.
  virtual std::string ShortPath(const std::string& path) = 0;
  // Creates one directory level; true when it was created.
  virtual bool MakeDirectory(const std::string& path) = 0;
  // Full path of the program file.
  virtual std::string ProgramPath() = 0;
  // The operating system's temporary directory, with a trailing "\".
  virtual std::string TempDirectory() = 0;

  // Takes every waiting window message off the queue and dispatches it, without waiting;
  // returns how many there were.
  virtual int DispatchPendingMessages() = 0;
  // A steady clock in seconds; only differences count.
  virtual double SteadySeconds() = 0;
  // Waits without handling messages.
  virtual void Sleep(double seconds) = 0;

  // String number of a module's string table; nothing when the module does not hold it.
  virtual std::optional<std::string> LoadResourceString(ModuleHandle module, int64_t number) = 0;
  // Full path of a module's file; "" when unknown.
  virtual std::string ModuleFileName(ModuleHandle module) = 0;

  // Profile (INI) files by the operating system's rules: sections in brackets, key=value
  // lines, a file name without a directory refers to the Windows directory. Reading gives def
  // when the file, the section or the key is missing. Writing creates file, section and key as
  // needed and returns false when the file cannot be written.
  virtual std::string ReadProfileString(const std::string& section, const std::string& key,
                                        const std::string& def, const std::string& file) = 0;
  virtual bool WriteProfileString(const std::string& section, const std::string& key,
                                  const std::string& value, const std::string& file) = 0;

  // A modal message box without an owner window; returns the button chosen (1: OK).
  virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                             unsigned flags) = 0;

  // Loads a library without the system's file-error box; 0 when it cannot be loaded.
  virtual ModuleHandle LoadLibraryFile(const std::string& file) = 0;
  virtual void FreeLibraryModule(ModuleHandle module) = 0;
  // The program's own instance handle.
  virtual ModuleHandle ProgramInstance() = 0;
  // Calls the function `name` exported by a loaded library: with `argument` as its one
  // handle-sized argument, or with none. Nothing when the library has no such export.
  virtual std::optional<int64_t> CallLibraryFunction(ModuleHandle module, const std::string& name,
                                                     std::optional<uintptr_t> argument) = 0;
};

// The installed system, or the built-in one of the build when none is installed.
StfktSystem& CurrentStfktSystem();
// Installs system (nullptr: back to the built-in one); returns the previous one. The caller
// keeps ownership.
StfktSystem* SetStfktSystem(StfktSystem* system);

class ScopedStfktSystem {
 public:
  explicit ScopedStfktSystem(StfktSystem* system) : previous_(SetStfktSystem(system)) {}
  ~ScopedStfktSystem() { SetStfktSystem(previous_); }
  ScopedStfktSystem(const ScopedStfktSystem&) = delete;
  ScopedStfktSystem& operator=(const ScopedStfktSystem&) = delete;

 private:
  StfktSystem* previous_;
};

// The build's own implementation (defined once per platform).
StfktSystem& BuiltInStfktSystem();

}  // namespace tabrix
