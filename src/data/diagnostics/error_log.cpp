#include "data/diagnostics/error_log.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>
#include <version>

#include "data/base/codepage.h"
#include "data/diagnostics/error_platform.h"
#include "data/diagnostics/errorsys.h"

namespace tabrix {
namespace {

constexpr int kTextWidth = 80;
constexpr char kFallbackLog[] = "error.log";
constexpr char kMergeFile[] = "_error.txt";

ErrorLogSetting& Setting() {
  static ErrorLogSetting setting;
  return setting;
}

// Per-run state of ZB_ERRLOG.
struct ErrLogRun {
  std::vector<std::pair<std::string, std::string>> written;  // heading, detail
  std::optional<std::string> programId;
};

ErrLogRun& Run() {
  static ErrLogRun run;
  return run;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

bool IsAbsolute(const std::string& name) {
  return (!name.empty() && (name[0] == '/' || name[0] == '\\')) ||
         (name.size() >= 2 && name[1] == ':');
}

// name, taken relative to the platform's current directory unless it is absolute.
std::string InCurrentDirectory(const std::string& name) {
  if (IsAbsolute(name)) return name;
  std::string dir = CurrentErrorSysPlatform().CurrentDirectory();
  if (dir.empty()) return name;
  if (dir.back() != '/' && dir.back() != '\\') {
    dir += dir.find('\\') != std::string::npos ? '\\' : '/';
  }
  return dir + name;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return "";
  const size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::string PadCenter(std::string_view text, int width, char fill) {
  const int len = static_cast<int>(text.size());
  if (len >= width) return std::string(text.substr(0, width));
  const int left = (width - len) / 2;
  return std::string(left, fill) + std::string(text) + std::string(width - len - left, fill);
}

std::string PadRight(std::string_view text, size_t width) {
  std::string out(text.substr(0, width));
  out.resize(width, ' ');
  return out;
}

// A line number in the picture "999,999": 7 characters, comma between thousands.
std::string LineNumberText(int line) {
  std::string digits = std::to_string(line < 0 ? -static_cast<long long>(line) : line);
  std::string grouped;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  if (line < 0) grouped = "-" + grouped;
  if (grouped.size() > 7) return "*******";
  return std::string(7 - grouped.size(), ' ') + grouped;
}

std::string Num(int64_t n) {
  return STRVALUE(Value{static_cast<double>(n)});
}

std::string ProgramIdentification() {
  ErrLogRun& run = Run();
  if (!run.programId) {
    ErrorSysPlatform& platform = CurrentErrorSysPlatform();
    const LocalTime fileTime = platform.ProgramFileTime();
    run.programId =
        platform.ProgramPath() + " vom " + DateText(fileTime.date) + " " + TimeText(fileTime);
  }
  return *run.programId;
}

// An open log: the file the entry goes to and, when merging, the old log to copy after it.
class LogFile {
 public:
  // Opens the log by the current setting (see the top of error_log.h).
  LogFile() {
    const ErrorLogSetting& setting = Setting();
    logPath_ = InCurrentDirectory(setting.fileName);
    if (!setting.append || !FileExists(logPath_)) {
      file_ = std::fopen(logPath_.c_str(), "wb");
    } else {
      tempPath_ = InCurrentDirectory(kMergeFile);
      file_ = std::fopen(tempPath_.c_str(), "wb");
      if (file_) old_ = std::fopen(logPath_.c_str(), "rb");
    }
    if (!file_ && !EqualsIgnoreAsciiCase(setting.fileName, kFallbackLog)) {
      tempPath_.clear();
      logPath_ = InCurrentDirectory(kFallbackLog);
      file_ = std::fopen(logPath_.c_str(), "wb");
    }
  }
  ~LogFile() {
    if (old_) std::fclose(old_);
    if (file_) std::fclose(file_);
  }
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  bool ok() const { return file_ != nullptr; }
  const std::string& path() const { return logPath_; }

  void Line(std::string_view text) {
    if (file_ && !FWRITELINE(file_, text)) writeFailed_ = true;
  }

  // Copies the old log after the entry, closes both and puts the merged file in the log's
  // place. Returns false when the entry may not have reached the disk. When the old log could
  // not be opened or read, the entry stays in "_error.txt" and the log is left unchanged.
  bool Finish() {
    if (!file_) return false;
    bool merged = old_ != nullptr;
    if (old_) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, old_)) > 0) {
        if (std::fwrite(buf, 1, n, file_) != n) {
          writeFailed_ = true;
          break;
        }
      }
      if (std::ferror(old_)) merged = false;
      std::fclose(old_);
      old_ = nullptr;
    }
    if (std::fclose(std::exchange(file_, nullptr)) != 0) writeFailed_ = true;
    if (merged && !writeFailed_) return ReplaceLog();
    return !writeFailed_;
  }

 private:
  // Never removes the old log before the merged file can take its place: a failing rename
  // (another volume, a reader holding the log) falls back to copying the merged file over it.
  bool ReplaceLog() {
    if (std::rename(tempPath_.c_str(), logPath_.c_str()) == 0) return true;
    // Some systems do not rename onto an existing file.
    if (std::remove(logPath_.c_str()) == 0 &&
        std::rename(tempPath_.c_str(), logPath_.c_str()) == 0) {
      return true;
    }
    std::FILE* in = std::fopen(tempPath_.c_str(), "rb");
    std::FILE* out = in ? std::fopen(logPath_.c_str(), "wb") : nullptr;
    bool copied = out != nullptr;
    if (copied) {
      char buf[65536];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, in)) > 0) {
        if (std::fwrite(buf, 1, n, out) != n) copied = false;
      }
      if (std::ferror(in)) copied = false;
    }
    if (out && std::fclose(out) != 0) copied = false;
    if (in) std::fclose(in);
    if (copied) std::remove(tempPath_.c_str());
    return copied;
  }

  std::string logPath_;
  std::string tempPath_;
  std::FILE* file_ = nullptr;
  std::FILE* old_ = nullptr;
  bool writeFailed_ = false;
};

std::string ListElementText(const Value& v) {
  return std::visit(
      [&](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Null>) {
          return "NIL";
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? ".T." : ".F.";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return Trim(x) + " | ";
        } else if constexpr (std::is_same_v<T, Blob>) {
          return Trim(x.bytes) + " | ";
        } else if constexpr (std::is_same_v<T, Date>) {
          return Trim(DateText(x)) + " | ";
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, Currency> || std::is_same_v<T, Decimal>) {
          return NumberText(v) + " | ";
        } else {
          return "";
        }
      },
      v);
}

std::string DetailText(const Value& v) {
  return std::visit(
      [&](const auto& x) -> std::string {
        using T = std::decay_t<decltype(x)>;
        if constexpr (std::is_same_v<T, Null>) {
          return "?";
        } else if constexpr (std::is_same_v<T, bool>) {
          return x ? ".T." : ".F.";
        } else if constexpr (std::is_same_v<T, std::string>) {
          return x;
        } else if constexpr (std::is_same_v<T, Blob>) {
          return x.bytes;
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, Currency> || std::is_same_v<T, Decimal>) {
          return NumberText(v);
        } else {
          return "??";
        }
      },
      v);
}

std::string DetailText(const std::vector<Value>& list) {
  std::string text;
  for (size_t i = 0; i < list.size(); ++i) {
    text += std::to_string(i + 1) + ": " + ListElementText(list[i]);
  }
  return text;
}

using Detail = std::variant<std::monostate, Value, std::vector<Value>>;

void WriteErrLog(std::string_view heading, const Detail& detail) {
  ErrorSysPlatform& platform = CurrentErrorSysPlatform();
  std::optional<std::string> detailText;
  std::optional<std::string> failure;
  try {
    // Nothing inside may raise to the caller: any error marks failure and abandons to here.
    ScopedErrorHandler guard([&failure](const ErrorObject& e) {
      failure = e.description;
      return ErrorOutcome{ErrorAction::kAbandon, {}};
    });
    if (const Value* v = std::get_if<Value>(&detail)) {
      detailText = DetailText(*v);
    } else if (const auto* list = std::get_if<std::vector<Value>>(&detail)) {
      detailText = DetailText(*list);
    } else {
      detailText = "?";
    }

    auto& written = Run().written;
    std::pair<std::string, std::string> entry{std::string(heading), *detailText};
    if (std::find(written.begin(), written.end(), entry) != written.end()) return;
    written.push_back(entry);
    platform.DebugOutput(entry.first, Oem850ToAnsi1252(*detailText));

    // Checked before the log is opened, so that a locked log is neither truncated nor left
    // with a stray "_error.txt".
    if (!platform.ErrorLogWritesAllowed()) return;
    LogFile log;
    if (!log.ok()) {
      failure = "nHandle: -1";
    } else {
      const LocalTime now = platform.Now();
      log.Line("*** Programmereignis am: " + DateText(now.date) + " " + TimeText(now) + " in " +
               ProgramIdentification() + " ***");
      log.Line("Beschreibung: " + entry.first + " , " + *detailText);
      log.Line(std::string(68, '-'));
      log.Line("");
      if (!log.Finish()) failure = "Schreibfehler: " + log.path();
    }
  } catch (const ErrorAbandoned& abandoned) {
    failure = abandoned.error.description;
  } catch (const std::exception& x) {
    failure = x.what();
  }
  if (!failure) return;

  platform.DebugOutput(*failure, std::nullopt);
  std::string when = "?";
  std::string program = "?";
  try {
    const LocalTime now = platform.Now();
    when = DateText(now.date) + " " + TimeText(now);
    program = ProgramIdentification();
  } catch (const std::exception&) {
  }
  platform.ShowMessageBox(
      "Fehler, beim Versuch einer Fehlerprotokollierung\rPlattenzugriffsproblem?\rDies sollte "
      "protokolliert werden:\rProgrammereignis am: " +
          when + " in " + program + "\rBeschreibung: " + std::string(heading) + "\r" +
          detailText.value_or("???"),
      "Fehler in ZB_ERRLOG", 0);
}

}  // namespace

const ErrorLogSetting& ErrorLog() {
  return Setting();
}

ErrorLogSetting SetErrorLog(ErrorLogSetting setting) {
  return std::exchange(Setting(), std::move(setting));
}

bool FWRITELINE(std::FILE* file, std::string_view text) {
  const std::string line = std::string(text) + "\r\n";
  return std::fwrite(line.data(), 1, line.size(), file) == line.size();
}

std::string RuntimeLibraryVersion() {
#if defined(_LIBCPP_VERSION)
  return "libc++ " + std::to_string(_LIBCPP_VERSION);
#elif defined(_GLIBCXX_RELEASE)
  return "libstdc++ " + std::to_string(_GLIBCXX_RELEASE);
#else
  return "?";
#endif
}

std::string RuntimeLibraryDate() {
#if defined(__GLIBCXX__)
  const long stamp = __GLIBCXX__;  // yyyymmdd
  return DateText(Date{static_cast<int>(stamp / 10000), static_cast<int>(stamp / 100 % 100),
                       static_cast<int>(stamp % 100)});
#else
  return "?";
#endif
}

std::string CompilerIdentification() {
#if defined(__clang__)
  return std::string(__VERSION__);
#elif defined(__GNUC__)
  return std::string("GNU C++ ") + __VERSION__;
#else
  return "?";
#endif
}

bool LOGERROR(const ErrorObject& e) {
  ErrorSysPlatform& platform = CurrentErrorSysPlatform();
  LogFile log;
  if (!log.ok()) return false;

  const LocalTime now = platform.Now();
  const LocalTime programTime = platform.ProgramFileTime();
  std::string user = platform.NetworkUserName().value_or("??????");
  user = user.substr(0, user.find('\0'));

  log.Line(PadCenter(" Tabrix Error Log ", 79, '-'));
  log.Line("");
  log.Line("User...............: " + user);
  log.Line("Date...............: " + DateText(now.date));
  log.Line("Time...............: " + TimeText(now));
  log.Line("");
  log.Line("Application name...: " + platform.ProgramPath() + " from " +
           DateText(programTime.date) + " " + TimeText(programTime));
  log.Line("Workstation name...: " + platform.ComputerName());
  log.Line("Available memory...: " + Num(platform.FreePhysicalMemoryKb()));
  log.Line("Current disk.......: " + platform.CurrentDrive());
  log.Line("Current directory..: " + platform.CurrentDirectory());
  log.Line("Free disk space....: " + Num(platform.FreeDiskBytes()));
  log.Line("");
  log.Line("Operating system...: " + platform.OperatingSystem());
  log.Line("Runtime library....: " + RuntimeLibraryVersion());
  log.Line("Runtime build date.: " + RuntimeLibraryDate());
  log.Line("C/C++ compiler.....: " + CompilerIdentification());
  log.Line("");
  log.Line("Current Area ......:" + Num(platform.CurrentArea()));
  log.Line("");
  log.Line("");
  log.Line(PadCenter("Detailed Work Area Items", kTextWidth, '-'));
  log.Line("");
  for (int area = 1; area <= 600; ++area) {
    const std::optional<WorkAreaReport> w = platform.WorkArea(area);
    if (!w) continue;
    log.Line("Work Area No ......: " + Num(area));
    log.Line("Alias .............: " + w->alias);
    log.Line("Current Recno .....: " + Num(w->recno));
    log.Line("Current Filter ....: " + w->filter);
    log.Line("Relation Exp. .....: " + w->relation);
    log.Line("Index Order .......: " + Num(w->order));
    log.Line("Active Key ........: " + w->key);
    log.Line("");
  }
  log.Line("");
  log.Line(PadCenter(" Internal Error Handling Information  ", kTextWidth, '-'));
  log.Line("");
  log.Line("Subsystem Call ....: " + e.subSystem);
  log.Line("System Code .......: " + Num(e.subCode));
  log.Line("Default Status ....: " + STRVALUE(Value{e.canDefault}));
  log.Line("Description .......: " + e.description);
  log.Line("Operation .........: " + e.operation);
  log.Line("Arguments .........: " + ARGUMENTS(e));
  log.Line("Involved File .....: " + e.fileName);
  log.Line("Dos Error Code ....: " + Num(e.osCode));
  log.Line("");
  log.Line(" Trace Through:");
  log.Line(std::string(16, '-'));
  auto traceLine = [](const std::string& name, int line, const std::string& module) {
    return PadRight(name, 21) + " : " + LineNumberText(line) + " in Module: " + module;
  };
  log.Line(traceLine(e.procName, e.procLine, e.moduleName));
  for (const StackFrame& caller : e.callers) {
    if (caller.procName.empty()) break;
    log.Line(traceLine(caller.procName, caller.procLine, caller.moduleName));
  }
  log.Line("");
  log.Line("");
  log.Finish();
  return false;
}

void ZB_ERRLOG(std::string_view heading) {
  WriteErrLog(heading, Detail{});
}

void ZB_ERRLOG(std::string_view heading, const Value& detail) {
  WriteErrLog(heading, Detail{detail});
}

void ZB_ERRLOG(std::string_view heading, const std::vector<Value>& detail) {
  WriteErrLog(heading, Detail{detail});
}

void ForgetErrLogRun() {
  Run() = ErrLogRun{};
}

}  // namespace tabrix
