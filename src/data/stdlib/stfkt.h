#pragma once
// The standard library's functions with rules of their own: where the program keeps its INI
// file and its temporary files, INI access, resource strings, message pumping and waiting,
// and the program end. Everything reaches the system through StfktSystem (stfkt_system.h).
// Text, number and bit functions: stfkt_text.h, stfkt_bits.h. Window-bound helpers (list and
// combo boxes, memory blocks, cursor): stfkt_win.h.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "data/base/call_site.h"
#include "data/base/value.h"
#include "data/stdlib/stfkt_system.h"
#include "data/stdlib/stfkt_text.h"

namespace tabrix {

// ---- paths -------------------------------------------------------------------------------

// The per-user folder is used from this operating-system major version on (Windows 2000 and
// every later version; see GETSHELLFOLDER).
inline constexpr int kPerUserFolderMinMajor = 5;

// The per-user application-data directory (APPDATA) with a trailing "\"; the short form when
// longForm is false. "" on an operating system older than kPerUserFolderMinMajor, and "" when
// APPDATA is empty, which is also logged ("Fehler bei _ShellFolder").
std::string GETSHELLFOLDER(bool longForm = true);

// The program file's base name: without directory and without its extension ("TABRIX").
std::string ProgramBaseName();

// The folder for the program's INI file: per-user folder + name + "\" (created) when the
// per-user folder is allowed and known; "" otherwise, so that the INI name alone then refers to
// the Windows directory. name defaults to the program's base name.
std::string GETINIPFAD(std::optional<std::string> name = std::nullopt, bool perUser = true);

// The temporary folder: HOMESHARE (when allowed) or else the per-user folder, with
// start + name and start + name + "\TEMP" created and the start returned; without either the
// system's temporary directory. Doubled "\" are made single in a result holding ":".
std::string GETTMPPFAD(std::optional<std::string> name = std::nullopt, bool homeShare = true);

// ---- INI files ---------------------------------------------------------------------------

// At most 1023 characters; def when missing.
std::string GETPVPROFSTRING(std::string_view section, std::string_view key, std::string_view def,
                            std::string_view file);
// The value's leading decimal integer; def when the key is missing or empty, 0 when the value
// starts with no number.
int64_t GETPVPROFINT(std::string_view section, std::string_view key, int64_t def,
                     std::string_view file);
bool WRITEPVPROFSTRING(std::string_view section, std::string_view key, std::string_view value,
                       std::string_view file);

// ---- resource strings --------------------------------------------------------------------

// The framework's resource library (the application object's hZBRES). The application object
// sets it after loading "ZBRES32.DLL"; 0 until then.
void SetZbresModule(ModuleHandle module);
ModuleHandle ZbresModule();

// String number of the framework's resource library, followed by pad blanks when pad is given.
// A number that is not a number yields "Funktion _T2(): 1. Argument ist keine Zahl". An empty
// or missing string is logged with ZB_ERRLOG ("Fehler in _T2()") and yields "" (plus pad).
// The framework calls it _T2, and so do the messages.
std::string ZbresText(const Value& number, std::optional<int> pad = std::nullopt);

// No language library is ever active in this system: both return their argument.
constexpr int64_t GETLSTRING(int64_t number) {
  return number;
}
constexpr ModuleHandle GETLLIB(ModuleHandle module) {
  return module;
}

// String number of module's string table (at most 255 characters) formatted with value
// (FormatParamString); a missing string gives MissingParamString(number).
std::string LOADPARAMSTRING(ModuleHandle module, int64_t number, const ParamValue& value);

// ---- messages and waiting ----------------------------------------------------------------

// Where a table area stands, as LOCAL_FRAGE remembers it.
struct AreaPosition {
  std::string alias;
  int64_t recno = 0;
  int order = 0;
};

// What LOCAL_FRAGE needs of the table layer: installed by the table layer; without it no area
// is remembered or restored.
class LocalFrageAreas {
 public:
  virtual ~LocalFrageAreas() = default;
  virtual int CurrentArea() = 0;
  // Nothing for a free area.
  virtual std::optional<AreaPosition> Position(int area) = 0;
  virtual void Select(int area) = 0;
  virtual void SetOrder(int order) = 0;
  virtual void GoTo(int64_t recno) = 0;
};
// Installs areas (nullptr: none); returns the previous one. The caller keeps ownership.
LocalFrageAreas* SetLocalFrageAreas(LocalFrageAreas* areas);

// Dispatches every waiting window message without waiting. When at least one was handled and
// the area (the current one when none is given) still holds a table of the remembered alias,
// makes it current again and restores its controlling order and record where they changed.
// Any other code, closing the program included, may have run meanwhile. Returns false.
bool LOCAL_FRAGE(std::optional<int> area = std::nullopt);

// Runs LOCAL_FRAGE repeatedly until seconds (fractions allowed) have passed.
void WAITMODELESS(double seconds);

// Waits seconds without handling messages. Returns true.
bool P_A(double seconds);

// ---- system, user, boxes -----------------------------------------------------------------

// The operating system's major version is 5 (Windows 2000, XP, Server 2003).
bool ISWIN5X();

// Fills version with major and minor version, build number, platform id and service-pack
// text; false (version untouched) when the system does not tell.
bool GETVEREX(OsVersion& version);

// The network user name into user; false (user untouched) when none can be obtained.
bool NETGETUSER(std::string& user);

// A message box with the program file's full path as caption and an OK button. Returns 1.
int ALERT(std::string_view message);

// ---- old 3-D control library ("ctl3d.dll") ------------------------------------------------

// The library file and the box shown when it is missing.
inline constexpr const char* kCtl3dFile = "ctl3d.dll";
inline constexpr const char* kCtl3dMissingText = "CTL3D.DLL not found";
inline constexpr const char* kCtl3dMissingCaption = "FATAL";

// open true: loads the library once (the box above when it is missing; a later call tries
// again) and calls its Ctl3dRegister and Ctl3dAutoSubclass with the program's instance;
// nothing when it is loaded already. open false: the same as CTL3DCLOSE.
void CTL3DOPEN(bool open = true);
// When the library is loaded: Ctl3dUnregister with the program's instance, then releases it.
// Otherwise nothing.
void CTL3DCLOSE();
// When the library is loaded: Ctl3dColorChange. Otherwise nothing.
void CTL3DCOLORCHANGE();  // the framework's _CTL3DCOLORCHANGE
// The library is loaded (CTL3DOPEN succeeded and no CTL3DCLOSE since).
bool Ctl3dLoaded();

// ---- program end -------------------------------------------------------------------------

// Ends the program at once: hands exit code 0 to the error platform's EndProgram (the process
// ends there; no dialogs, no saving). When that returns (a test platform), the current
// operation and everything that called it is abandoned by throwing ErrorAbandoned, placed at
// `at` (by default the caller of KILLTASK) like every raised error.
[[noreturn]] void KILLTASK(const CallSite& at = CallSite::Current());

// The previous state of a process-wide latch, and sets it: false on the first call, true after.
bool GET_LREGISTER();

}  // namespace tabrix
