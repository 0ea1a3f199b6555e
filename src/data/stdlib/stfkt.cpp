// The standard library's functions with rules of their own (see stfkt.h).

#include "data/stdlib/stfkt.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "data/base/error.h"
#include "data/base/text.h"
#include "data/diagnostics/error_log.h"
#include "data/diagnostics/error_platform.h"

namespace tabrix {
namespace {

StfktSystem* gSystem = nullptr;
LocalFrageAreas* gAreas = nullptr;
ModuleHandle gZbres = 0;
ModuleHandle gCtl3d = 0;  // the loaded 3-D control library, 0: not loaded

std::string WithBackslash(std::string path) {
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path;
}

}  // namespace

StfktSystem& CurrentStfktSystem() {
  return gSystem ? *gSystem : BuiltInStfktSystem();
}

StfktSystem* SetStfktSystem(StfktSystem* system) {
  StfktSystem* previous = gSystem;
  gSystem = system;
  return previous;
}

// ---- paths -------------------------------------------------------------------------------

std::string GETSHELLFOLDER(bool longForm) {
  StfktSystem& sys = CurrentStfktSystem();
  if (sys.OsMajorVersion() < kPerUserFolderMinMajor) return "";
  std::string folder = sys.Environment("APPDATA");
  if (folder.empty()) {
    ZB_ERRLOG("Fehler bei _ShellFolder",
              Value{std::string("Userpfad konnte nicht ermittelt werden.")});
    return "";
  }
  if (!longForm) folder = sys.ShortPath(folder);
  return WithBackslash(folder);
}

std::string ProgramBaseName() {
  std::string name(FileNamePart(CurrentStfktSystem().ProgramPath()));
  // Only a real four-character extension (".EXE") is cut.
  if (name.size() > 4 && name[name.size() - 4] == '.') name.resize(name.size() - 4);
  return name;
}

std::string GETINIPFAD(std::optional<std::string> name, bool perUser) {
  StfktSystem& sys = CurrentStfktSystem();
  if (!perUser || sys.OsMajorVersion() < kPerUserFolderMinMajor) return "";
  std::string folder = GETSHELLFOLDER();
  if (folder.empty()) return "";
  std::string dir = folder + (name ? *name : ProgramBaseName());
  sys.MakeDirectory(dir);
  return dir + "\\";
}

std::string GETTMPPFAD(std::optional<std::string> name, bool homeShare) {
  StfktSystem& sys = CurrentStfktSystem();
  std::string start = homeShare ? WithBackslash(sys.Environment("HOMESHARE")) : "";
  if (start.empty()) start = GETSHELLFOLDER();
  std::string result;
  if (!start.empty()) {
    std::string dir = start + (name ? *name : ProgramBaseName());
    sys.MakeDirectory(dir);
    sys.MakeDirectory(dir + "\\TEMP");
    result = start;
  } else {
    result = WithBackslash(sys.TempDirectory());
  }
  if (result.find(':') != result.npos) {
    std::string single;
    for (char c : result)
      if (!(c == '\\' && !single.empty() && single.back() == '\\')) single += c;
    result = single;
  }
  return result;
}

// ---- INI files ---------------------------------------------------------------------------

std::string GETPVPROFSTRING(std::string_view section, std::string_view key, std::string_view def,
                            std::string_view file) {
  std::string value = CurrentStfktSystem().ReadProfileString(std::string(section), std::string(key),
                                                             std::string(def), std::string(file));
  if (value.size() > 1023) value.resize(1023);
  return value;
}

int64_t GETPVPROFINT(std::string_view section, std::string_view key, int64_t def,
                     std::string_view file) {
  std::string value = GETPVPROFSTRING(section, key, "", file);
  if (value.empty()) return def;
  size_t i = 0;
  while (i < value.size() && (value[i] == ' ' || value[i] == '\t')) ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
  int64_t n = 0;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    if (n > (INT64_MAX - 9) / 10) break;  // a longer number keeps what fits
    n = n * 10 + (value[i] - '0');
  }
  return negative ? -n : n;
}

bool WRITEPVPROFSTRING(std::string_view section, std::string_view key, std::string_view value,
                       std::string_view file) {
  return CurrentStfktSystem().WriteProfileString(std::string(section), std::string(key),
                                                 std::string(value), std::string(file));
}

// ---- resource strings --------------------------------------------------------------------

void SetZbresModule(ModuleHandle module) {
  gZbres = module;
}
ModuleHandle ZbresModule() {
  return gZbres;
}

std::string ZbresText(const Value& number, std::optional<int> pad) {
  int64_t n = 0;
  if (const auto* i = std::get_if<int32_t>(&number)) {
    n = *i;
  } else if (const auto* d = std::get_if<double>(&number)) {
    n = static_cast<int64_t>(*d);
  } else if (const auto* x = std::get_if<Decimal>(&number)) {
    n = static_cast<int64_t>(x->ToDouble());
  } else {
    return "Funktion _T2(): 1. Argument ist keine Zahl";
  }
  StfktSystem& sys = CurrentStfktSystem();
  std::string text = sys.LoadResourceString(gZbres, n).value_or("");
  if (text.empty()) {
    ZB_ERRLOG("Fehler in _T2()",
              Value{"String Nr. " + std::to_string(n) + " fehlt in " + sys.ModuleFileName(gZbres)});
  }
  if (pad && *pad > 0) text.append(*pad, ' ');
  return text;
}

std::string LOADPARAMSTRING(ModuleHandle module, int64_t number, const ParamValue& value) {
  std::optional<std::string> format = CurrentStfktSystem().LoadResourceString(module, number);
  if (!format) return MissingParamString(number);
  if (format->size() > 255) format->resize(255);
  return FormatParamString(*format, value);
}

// ---- messages and waiting ----------------------------------------------------------------

LocalFrageAreas* SetLocalFrageAreas(LocalFrageAreas* areas) {
  LocalFrageAreas* previous = gAreas;
  gAreas = areas;
  return previous;
}

bool LOCAL_FRAGE(std::optional<int> area) {
  int where = 0;
  std::optional<AreaPosition> before;
  if (gAreas) {
    where = area.value_or(gAreas->CurrentArea());
    before = gAreas->Position(where);
  }
  int handled = CurrentStfktSystem().DispatchPendingMessages();
  // The messages may have closed the table, or even replaced the installed areas.
  if (handled > 0 && before && gAreas) {
    std::optional<AreaPosition> after = gAreas->Position(where);
    if (after && after->alias == before->alias) {
      gAreas->Select(where);
      if (after->order != before->order) gAreas->SetOrder(before->order);
      if (after->recno != before->recno) gAreas->GoTo(before->recno);
    }
  }
  return false;
}

void WAITMODELESS(double seconds) {
  StfktSystem& sys = CurrentStfktSystem();
  const double end = sys.SteadySeconds() + seconds;
  do {
    LOCAL_FRAGE();
    double left = end - CurrentStfktSystem().SteadySeconds();
    if (left <= 0) break;
    // Messages arrive rarely compared to the loop: a short pause keeps the wait off the CPU.
    CurrentStfktSystem().Sleep(std::min(left, 0.01));
  } while (CurrentStfktSystem().SteadySeconds() < end);
}

bool P_A(double seconds) {
  if (seconds > 0) CurrentStfktSystem().Sleep(seconds);
  return true;
}

// ---- system, user, boxes -----------------------------------------------------------------

bool ISWIN5X() {
  return CurrentStfktSystem().OsMajorVersion() == 5;
}

bool GETVEREX(OsVersion& version) {
  std::optional<OsVersion> v = CurrentStfktSystem().Version();
  if (!v) return false;
  version = *v;
  return true;
}

bool NETGETUSER(std::string& user) {
  std::optional<std::string> name = CurrentStfktSystem().NetworkUser();
  if (!name) return false;
  user = *name;
  return true;
}

int ALERT(std::string_view message) {
  StfktSystem& sys = CurrentStfktSystem();
  sys.ShowMessageBox(std::string(message), sys.ProgramPath(), kBoxOk);
  return 1;
}

// ---- old 3-D control library ------------------------------------------------------------

void CTL3DOPEN(bool open) {
  if (!open) {
    CTL3DCLOSE();
    return;
  }
  if (gCtl3d) return;
  StfktSystem& sys = CurrentStfktSystem();
  ModuleHandle module = sys.LoadLibraryFile(kCtl3dFile);
  if (!module) {
    sys.ShowMessageBox(kCtl3dMissingText, kCtl3dMissingCaption, kBoxOk);
    return;
  }
  gCtl3d = module;
  const ModuleHandle instance = sys.ProgramInstance();
  sys.CallLibraryFunction(module, "Ctl3dRegister", instance);
  sys.CallLibraryFunction(module, "Ctl3dAutoSubclass", instance);
}

void CTL3DCLOSE() {
  if (!gCtl3d) return;
  StfktSystem& sys = CurrentStfktSystem();
  sys.CallLibraryFunction(gCtl3d, "Ctl3dUnregister", sys.ProgramInstance());
  sys.FreeLibraryModule(gCtl3d);
  gCtl3d = 0;
}

void CTL3DCOLORCHANGE() {
  if (gCtl3d) CurrentStfktSystem().CallLibraryFunction(gCtl3d, "Ctl3dColorChange", std::nullopt);
}

bool Ctl3dLoaded() {
  return gCtl3d != 0;
}

// ---- program end -------------------------------------------------------------------------

void KILLTASK(const CallSite& at) {
  CurrentErrorSysPlatform().EndProgram(0);
  ErrorObject e;
  e.description = "Programmende (KILLTASK)";
  e.operation = "KILLTASK";
  SetErrorPlace(&e, at);
  throw ErrorAbandoned{e};
}

bool GET_LREGISTER() {
  static std::atomic<bool> latch{false};
  return latch.exchange(true);
}

}  // namespace tabrix
