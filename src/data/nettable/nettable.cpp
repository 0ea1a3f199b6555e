// ZB_NETTABLE, the shared-table opener; the contracts are in nettable.h.

#include "data/nettable/nettable.h"

#include <algorithm>
#include <type_traits>
#include <utility>
#include <variant>

#include "data/base/codepage.h"
#include "data/base/error.h"
#include "data/base/network_error.h"
#include "data/base/text.h"
#include "data/diagnostics/error_log.h"
#include "data/diagnostics/errorsys.h"
#include "data/nettable/remote_client.h"
#include "data/stdlib/stfkt.h"
#include "data/stdlib/zbres_ids.h"
#include "data/table/table_area.h"

namespace tabrix {
namespace {

// Index files a table opens with at the most.
constexpr size_t kMaxIndexFiles = 15;

const std::string kCrLf = "\r\n";

// Strings of the framework's resource library, each formatted with the file name.
constexpr int64_t kStringCaption = IDS_ZB_ATTENTION;
constexpr int64_t kStringNotFound = IDS_ZB_TABLE_NOT_FOUND;
constexpr int64_t kStringCannotOpen = IDS_ZB_TABLE_IN_USE;

// Message box flags and the answer "Yes" of the window system.
constexpr unsigned kBoxYesNo = 4;
constexpr unsigned kBoxIconQuestion = 32;
constexpr unsigned kBoxIconExclamation = 48;
constexpr int kAnswerYes = 6;

// The operating system's error mode while a table opens: neither its critical-error box nor
// its file-not-found box may stop the program in the middle of the open.
constexpr unsigned kOpenErrorMode = kErrorModeFailCriticalErrors | kErrorModeNoOpenFileErrorBox;

// One registered table file: its name as registered, how many users hold it, its object.
struct Registered {
  std::string name;
  int uses = 0;
  std::shared_ptr<ZB_NETTABLE> table;
};

std::vector<Registered>& Registry() {
  static std::vector<Registered> registry;
  return registry;
}

Registered* Find(const std::string& name) {
  for (Registered& r : Registry()) {
    if (r.name == name) return &r;
  }
  return nullptr;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string RightAligned(int64_t number, size_t width) {
  std::string digits = std::to_string(number);
  return digits.size() >= width ? digits : std::string(width - digits.size(), ' ') + digits;
}

const char* Logical(bool value) {
  return value ? "T" : "F";
}

// The default driver as the application object holds it; "DBFNTX" when it holds none.
std::string DefaultDriver() {
  const std::string& driver = NetTableConfig().defaultDriverName;
  return driver.empty() ? std::string(kDriverNtx) : AsciiUpper(driver);
}

// The file name with ".DBF" when its last four characters hold no extension dot.
std::string WithTableExtension(const std::string& fileName) {
  const size_t tail = fileName.size() > 4 ? fileName.size() - 4 : 0;
  return fileName.find('.', tail) == std::string::npos ? fileName + ".DBF" : fileName;
}

// The name of a companion file: the extension replaced by ext, or ext appended.
std::string Companion(const std::string& fileName, const std::string& ext) {
  return std::string(WithoutExtension(fileName)) + "." + ext;
}

// The alias of a table file: its base name made a valid, unused alias.
std::string AliasOf(const std::string& fileName) {
  const size_t slash = fileName.find_last_of('\\');
  std::string alias = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
  std::replace(alias.begin(), alias.end(), ' ', '_');
  if (size_t colon = alias.find(':'); colon != std::string::npos) alias.erase(0, colon + 1);
  if (size_t dot = alias.find('.'); dot != std::string::npos) alias.resize(dot);
  std::replace(alias.begin(), alias.end(), '~', '1');
  // A name starting with a digit 1 ... 9 starts with B ... J instead (1999 -> B999); a leading
  // 0 stays (0815 -> 0815).
  if (!alias.empty() && alias[0] >= '1' && alias[0] <= '9')
    alias[0] = static_cast<char>(alias[0] + 17);
  while (!alias.empty() && AreaOfAlias(alias) != 0) ++alias.back();
  return alias;
}

// Whether the table file lies on a drive or share a database server serves. Remembers the
// last drive found served, so that only a new drive costs a question to the server.
bool Served(const std::string& fileName) {
  NetTableSettings& config = NetTableConfig();
  std::string drive;
  if (fileName.size() >= 2 && IsAsciiLetter(fileName[0]) && fileName[1] == ':') {
    drive = fileName.substr(0, 2);
  } else if (fileName.starts_with("\\\\")) {
    drive = ServedLocationOf(fileName);
  }
  // The program's own temporary tables are always local. (An empty setting names no folder.)
  const std::string temp = AsciiUpper(config.tempDir);
  if (!temp.empty() && fileName.find(temp) != std::string::npos) return false;
  if (AsciiUpper(drive) == AsciiUpper(config.servedDrive)) return true;
  if (CurrentRemoteClient().AdsIsServerLoaded(drive) == kServerNone) return false;
  config.servedDrive = drive;
  return true;
}

// The driver chosen from the companion files: a DBT memo means the NTX flavour, an FPT memo
// or a CDX index the CDX flavour; a server-served table takes the server's driver instead.
std::string AutomaticDriver(const std::string& fileName, const std::string& hint, bool served) {
  if (EXISTFILE(Companion(fileName, "DBT"))) return served ? kDriverAds : kDriverNtx;
  if (EXISTFILE(Companion(fileName, "FPT")) || EXISTFILE(Companion(fileName, "CDX")) ||
      hint == "CDX") {
    return served ? kDriverAds : kDriverCdx;
  }
  const std::string driver = DefaultDriver();
  if (hint == "NTX" && driver.starts_with(kDriverCdx)) return kDriverNtx;
  return driver;
}

// The form of the file name under which the file exists: table text (OEM) first, then window
// text (ANSI); the name itself when neither exists.
std::string ExistingForm(const std::string& fileName) {
  const std::string oem = Ansi1252ToOem850(fileName);
  if (EXISTFILE(oem) || EXISTFILE(oem + ".DBF")) return oem;
  const std::string ansi = Oem850ToAnsi1252(fileName);
  if (EXISTFILE(ansi)) return ansi;
  return fileName;
}

// The operating system's error mode for the span of an open, restored on every path.
class OpenErrorMode {
 public:
  OpenErrorMode() : previous_(SETERRORMODE(kOpenErrorMode)) {}
  ~OpenErrorMode() { SETERRORMODE(previous_); }
  OpenErrorMode(const OpenErrorMode&) = delete;
  OpenErrorMode& operator=(const OpenErrorMode&) = delete;

 private:
  unsigned previous_;
};

// What the user answered when asked to retry an open that failed for now.
enum class RetryAnswer { kYes, kNo, kNoLibrary };

enum class Notice { kNotFound, kCannotOpen };

// Shows the box of `notice` about fileName with the texts of the framework's resource
// library, which is loaded for the box and released after. Returns the button chosen, or
// nothing when the library cannot be loaded: the fixed double-failure box is shown instead.
std::optional<int> ShowNotice(Notice notice, const std::string& fileName) {
  StfktSystem& system = CurrentStfktSystem();
  const std::string& library = NetTableConfig().resourceLibrary;
  const ModuleHandle module = system.LoadLibraryFile(library);
  if (module == 0) {
    system.ShowMessageBox(
        "     " + library + " nicht gefunden!" + kCrLf + "   Bitte installieren Sie " + library +
            " in Ihr System" + kCrLf + "Die Datenbank " + fileName +
            (notice == Notice::kNotFound ? " existiert nicht!"
                                         : " kann momentan nicht geöffnet werden!"),
        "Doppelfehler", kBoxOk | kBoxIconHand);
    return std::nullopt;
  }
  const bool ask = notice == Notice::kCannotOpen;
  const std::string text =
      LOADPARAMSTRING(module, ask ? kStringCannotOpen : kStringNotFound, fileName);
  const std::string caption = LOADPARAMSTRING(module, kStringCaption, std::monostate{});
  const int answer =
      system.ShowMessageBox(text, caption, ask ? kBoxYesNo | kBoxIconQuestion : kBoxOk);
  system.FreeLibraryModule(module);
  return answer;
}

// Asks whether to try again to open a table that cannot be opened now; boxes off: no.
RetryAnswer AskRetry(bool boxes, const std::string& fileName) {
  if (!boxes) return RetryAnswer::kNo;
  const std::optional<int> answer = ShowNotice(Notice::kCannotOpen, fileName);
  if (!answer) return RetryAnswer::kNoLibrary;
  return *answer == kAnswerYes ? RetryAnswer::kYes : RetryAnswer::kNo;
}

// Printable form of one value of an error's argument list; "" for kinds without one.
std::string ArgumentText(const Value& value) {
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v;
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t> ||
                             std::is_same_v<T, Currency> || std::is_same_v<T, Decimal>) {
          return NumberText(value);
        } else if constexpr (std::is_same_v<T, Date>) {
          return DateText(v);
        } else if constexpr (std::is_same_v<T, bool>) {
          return v ? ".T." : ".F.";
        } else if constexpr (std::is_same_v<T, Null>) {
          return "NIL";
        } else {
          return "";
        }
      },
      value);
}

bool IsEmptyValue(const Value& value) {
  return std::visit(
      [](const auto& v) -> bool {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::string>) {
          return v.find_first_not_of(" \t\r\n") == std::string::npos;
        } else if constexpr (std::is_same_v<T, double> || std::is_same_v<T, int32_t>) {
          return v == 0;
        } else if constexpr (std::is_same_v<T, Decimal>) {
          return v.IsZero();
        } else if constexpr (std::is_same_v<T, Currency>) {
          return v.tenThousandths == 0;
        } else if constexpr (std::is_same_v<T, Date>) {
          return v.empty();
        } else if constexpr (std::is_same_v<T, DateTime>) {
          return v.date.empty() && v.millisOfDay == 0;
        } else if constexpr (std::is_same_v<T, bool>) {
          return !v;
        } else if constexpr (std::is_same_v<T, Blob>) {
          return v.bytes.empty();
        } else {
          return true;
        }
      },
      value);
}

}  // namespace

NetTableSettings& NetTableConfig() {
  static NetTableSettings settings;
  return settings;
}

int NetTableRegistrySize() {
  return static_cast<int>(Registry().size());
}

// ---- opening --------------------------------------------------------------------------------

std::shared_ptr<ZB_NETTABLE> ZB_NETTABLE::New(const std::string& fileName, const CallSite& caller) {
  NetTableArgs args;
  args.fileName = fileName;
  return New(args, caller);
}

std::shared_ptr<ZB_NETTABLE> ZB_NETTABLE::New(const NetTableArgs& args, const CallSite& caller) {
  auto self = std::make_shared<ZB_NETTABLE>();
  self->caller_ = caller;
  self->lShowErrorBox = args.showErrorBox;
  self->cError = "";
  self->nOsCode = 0;
  self->lShared = args.shared;

  const std::string fileName = WithTableExtension(AsciiUpper(args.fileName));
  if (!EXISTFILE(fileName)) {
    if (self->lShowErrorBox) (void)ShowNotice(Notice::kNotFound, fileName);
    self->GiveUp("Datenbank " + fileName + " wurde nicht gefunden!");
    return self;
  }
  self->Alias = AliasOf(fileName);

  for (;;) {
    self->cName = fileName;
    Registered* registered = Find(fileName);
    if (!registered) break;
    // Opened already: the registered object serves this user too, unless this user wants
    // the table for itself while others share it.
    if (registered->table->lShared && !args.shared) {
      const RetryAnswer answer = AskRetry(self->lShowErrorBox, fileName);
      if (answer == RetryAnswer::kYes) continue;
      self->GiveUp("Datenbank " + fileName + " konnte nicht geöffnet werden (Shareproblem (3))!");
      return self;
    }
    ++registered->uses;
    registered->table->lOK = true;
    SelectArea(registered->table->Area);
    return registered->table;
  }

  self->Init2(fileName, args.shared, args.newArea, args.readOnly, args.driver);
  if (!self->lOK) return self;
  // Only the repeated open after a server failure can leave the table held by another
  // program (the network-error flag): the user may have it released and try again.
  while (NetworkError()) {
    const RetryAnswer answer = AskRetry(self->lShowErrorBox, fileName);
    const std::string cannot = "Datenbank " + fileName + " konnte nicht geöffnet werden ";
    if (answer == RetryAnswer::kNoLibrary) {
      self->GiveUp(cannot + "(Shareproblem)!");
      return self;
    }
    if (answer == RetryAnswer::kNo) {
      self->GiveUp(cannot + "(Shareproblem (2))!");
      return self;
    }
    self->Init2(fileName, args.shared, args.newArea, args.readOnly, args.driver);
    if (!self->lOK) {
      self->GiveUp(cannot + "(Shareproblem (1))!");
      return self;
    }
  }

  Registry().push_back({fileName, 1, self});
  self->aIndex = args.indexList;
  // The first kMaxIndexFiles of the list open on the table; a longer list is a developer's
  // mistake, shown (boxes on) and logged with the numbers wanted and opened.
  const size_t opened = std::min(self->aIndex.size(), kMaxIndexFiles);
  if (opened > 0) {
    EvaluateInArea(self->Area, [&] {
      for (size_t i = 0; i < opened; ++i) AddOrderBag(self->aIndex[i]);
    });
  }
  if (self->aIndex.size() > kMaxIndexFiles) {
    const std::string wanted = "gewünscht: " + std::to_string(self->aIndex.size()) +
                               ", geöffnet: " + std::to_string(opened);
    if (self->lShowErrorBox) {
      CurrentStfktSystem().ShowMessageBox("Zu viele Indexdateien für " + fileName + kCrLf + wanted,
                                          "ZB_NETTABLE", kBoxOk | kBoxIconExclamation);
    }
    ZB_ERRLOG("ZB_NETTABLE: zu viele Indexdateien für " + fileName,
              Value{wanted + self->Aufrufende()});
  }
  self->lOK = true;
  return self;
}

ZB_NETTABLE& ZB_NETTABLE::Init2(const std::string& fileName, bool shared, bool newArea,
                                bool readOnly, const std::string& driver) {
  const NetTableSettings& config = NetTableConfig();
  const std::string given = AsciiUpper(driver);
  // Three letters other than the server's driver are an index-kind hint ("CDX", "NTX").
  const bool hint = given.size() == 3 && given != kDriverAds &&
                    std::all_of(given.begin(), given.end(), IsAsciiLetter);
  bool automatic = given.empty() || hint;

  if (newArea) SelectArea(0);
  Area = AreaOfAlias();
  std::string name = AsciiUpper(fileName);

  bool served = false;
  if (config.serverDefault) {
    served = Served(name);
    // On a served drive the NTX flavour is no reason to bypass the server.
    if (served && given == kDriverNtx) automatic = true;
  }
  const std::string chosen = automatic ? AutomaticDriver(name, hint ? given : "", served) : given;
  xRDD = RDD = chosen;

  if (int open = AreaOfAlias(Alias); open != 0) {
    SelectArea(open);
    Area = open;
    return *this;
  }

  OpenErrorMode errorMode;
  bool failed = false;
  std::string recorded;
  std::string errorFile;
  int osCode = 0;
  bool opened = false;
  {
    ScopedErrorHandler local([&](const ErrorObject& e) {
      failed = true;
      recorded = e.description + " DosCode " + std::to_string(e.osCode) + " SubCode " +
                 std::to_string(e.subCode) + kCrLf + "Args " + CONVERTARGS(e.args) + kCrLf +
                 "Op. " + IFEMPTY(Value{e.operation});
      errorFile = e.fileName;
      osCode = e.osCode;
      return ErrorOutcome{ErrorAction::kAbandon, {}};
    });
    if (Alias.starts_with('#')) Alias.erase(0, 1);
    SelectArea(Area);
    std::replace(Alias.begin(), Alias.end(), '$', 'S');
    if (name.find('\\') != std::string::npos) name = ExistingForm(name);
    try {
      opened = OpenTable(false, chosen, name, Alias, shared, readOnly);
    } catch (const ErrorAbandoned&) {
      if (!failed) throw;
    }
  }
  if (opened && !failed) {
    lOK = true;
    return *this;
  }

  lOK = false;
  cError = (recorded.empty() ? std::string("unbekannt?") : recorded) + Aufrufende();
  nOsCode = osCode;
  ZB_ERRLOG(errorFile + " Fehler in ZB_NETTABLE bei DBUSEAREA() Area->" + RightAligned(Area, 10),
            Value{kCrLf + "   F " + chosen + " " + name + " " + Alias + " " + Logical(shared) +
                  " " + Logical(readOnly) + kCrLf + "   " + cError});

  const int64_t serverError = config.serverDefault ? CurrentRemoteClient().AdsGetLastError() : 0;
  if (serverError > 0) {
    // The server failed: open the files locally, under the program's own error handler (a
    // sharing conflict then sets the network-error flag for New to handle).
    ZB_ERRLOG(errorFile + " DBUSEAREA wiederholt mit DBFNTX, weil mit ADS ein Fehler auftrat",
              Value{kCrLf + "   ADS-Fehler-Nr: " + RightAligned(serverError, 10) + Aufrufende()});
    const std::string local = chosen == kDriverCdx ? kDriverCdx : kDriverNtx;
    SelectArea(Area);
    const bool reopened = OpenTable(false, local, name, Alias, shared, readOnly);
    xRDD = RDD = local;
    // A handler that lets the open fail without the network-error flag leaves no table: that
    // is no success.
    lOK = reopened || NetworkError();
  }
  return *this;
}

// ---- releasing ------------------------------------------------------------------------------

void ZB_NETTABLE::Axit(bool force, bool keepOne) {
  std::vector<Registered>& registry = Registry();
  // Only the registered object releases: an object whose open failed (even one refused for a
  // file that another object holds registered) has no use to give back.
  auto it = std::find_if(registry.begin(), registry.end(), [&](const Registered& r) {
    return r.name == cName && r.table.get() == this;
  });
  if (it == registry.end()) return;
  int uses = force ? 0 : it->uses - 1;
  if (keepOne) uses = std::max(uses, 1);
  it->uses = uses;
  if (uses > 0) {
    if (Area > 0) EvaluateInArea(Area, [] { CommitArea(); });
    return;
  }
  // The registry may hold the last reference to this object.
  const std::shared_ptr<ZB_NETTABLE> keepAlive = std::move(it->table);
  registry.erase(it);
  if (Area > 0) {
    EvaluateInArea(Area, [] {
      if (!IsAreaUsed()) return;
      CommitArea();
      CloseArea();
    });
  }
  Area = 0;
}

// ---- failure reports ------------------------------------------------------------------------

std::string ZB_NETTABLE::Aufrufende() const {
  return kCrLf + "   Aufgerufen von: " + kCrLf + caller_.function + "(" +
         std::to_string(caller_.line) + ")";
}

void ZB_NETTABLE::GiveUp(const std::string& heading) {
  lOK = false;
  ZB_ERRLOG(heading, Value{std::string("Programm wurde ") +
                           (lShowErrorBox ? "nach Hinweis an User mit KillTask() beendet "
                                          : "nicht beendet ") +
                           Aufrufende()});
  if (lShowErrorBox) KILLTASK();
}

// ---- free functions -------------------------------------------------------------------------

void FASTSKIP(int64_t n) {
  constexpr int64_t kPlainSkipLimit = 100;
  if (DeletedVisible() || (n <= kPlainSkipLimit && n >= -kPlainSkipLimit)) {
    Skip(n);
    return;
  }
  // Counting visible records reads every record passed; with deleted records visible the
  // skip may move by record positions. At most one step corrects a deleted record reached.
  {
    struct Visible {
      Visible() { SetDeletedVisible(true); }
      ~Visible() { SetDeletedVisible(false); }
    } visible;
    Skip(n);
  }
  if (IsDeleted()) Skip(1);
}

bool EXISTFILE(const std::string& fileName) {
  return !fileName.empty() && TableEnv()->FileExists(fileName);
}

std::string GETCSTANDARDDBFDIR(int area, int order) {
  for (const Registered& r : Registry()) {
    const ZB_NETTABLE& table = *r.table;
    if (table.Area != area) continue;
    if (!table.lShared) return "";
    const size_t slash = table.cName.find_last_of('\\');
    const std::string dir = slash == std::string::npos ? "" : table.cName.substr(0, slash + 1);
    if (order < 1 || static_cast<size_t>(order) > table.aIndex.size()) return dir;
    const std::string& index = table.aIndex[static_cast<size_t>(order - 1)];
    if (index.find('\\') != std::string::npos) return index;
    return dir + index + (index.find('.') == std::string::npos ? ".NTX" : "");
  }
  return "";
}

std::string CONVERTARGS(const std::optional<std::vector<Value>>& args) {
  if (!args || args->empty()) return "<none>";
  std::string text = "{ ";
  for (size_t i = 0; i < args->size(); ++i) {
    if (i > 0) text += ", ";
    text += ArgumentText((*args)[i]);
  }
  return text + " }";
}

std::string IFEMPTY(const Value& value) {
  if (IsEmptyValue(value)) return "<none>";
  std::string text = ArgumentText(value);
  text.erase(text.find_last_not_of(' ') + 1);
  return text;
}

bool ISRDDCDX(std::string_view driver) {
  // The server keeps CDX-style files from start-up on.
  return NetTableConfig().serverDefault || AsciiUpper(driver).find("CDX") != std::string::npos;
}

}  // namespace tabrix
