// The table areas and their operations; the contracts are in table_area.h.

#include "data/table/table_area.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "data/base/error.h"
#include "data/base/text.h"
#include "data/table/table_errors.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

struct Area {
  std::unique_ptr<TableFile> table;
  std::string alias;
  std::vector<size_t> fields;  // header field index of each position (system fields left out)
  bool atEnd = false;
  bool atBeginning = false;
};

struct LayerState {
  std::vector<Area> areas = std::vector<Area>(kMaxTableAreas + 1);  // [0] unused
  int current = 1;
  std::string defaultDriver = kDriverCdx;
  bool deletedVisible = false;
  Env* env = nullptr;
};

// Inlined: every area operation asks for the state several times.
[[gnu::always_inline]] inline LayerState& S() {
  static LayerState state;
  return state;
}

Env* TheEnv() {
  return S().env ? S().env : DefaultEnv();
}

[[gnu::always_inline]] inline Area& Current() {
  LayerState& s = S();
  return s.areas[static_cast<size_t>(s.current)];
}

bool IsRegistered(const std::string& driver) {
  return driver == kDriverCdx || driver == kDriverNtx;
}

// Raises e to the current handler. True when the handler asks to retry and the error allows
// it; false for "default" (and a substitute, which only GetField takes).
bool RaiseWantsRetry(const ErrorObject& e) {
  ErrorOutcome outcome = RaiseError(e);
  return outcome.action == ErrorAction::kRetry && e.canRetry;
}

// Runs step until it succeeds or the handler no longer asks for a retry. True on success.
template <typename Step>
bool Attempt(Step step) {
  for (;;) {
    TableStatus s = step();
    if (s) return true;
    if (!RaiseWantsRetry(s.error())) return false;
  }
}

ErrorObject AreaError(int genCode, int subCode, std::string description, std::string operation) {
  const Area& a = Current();
  return TableError(genCode, subCode, a.table ? a.table->driver() : S().defaultDriver,
                    std::move(description), a.table ? a.table->fileName() : "",
                    std::move(operation));
}

// The table of the current area, or raises "no table" 35 for operations that need one.
TableFile* TableOrRaise(const char* operation) {
  Area& a = Current();
  if (!a.table) {
    (void)RaiseError(AreaError(kGenNoTable, kSubNoTable, "Work area not in use", operation));
    return nullptr;
  }
  return a.table.get();
}

bool Move(TableFile* t, uint32_t n, bool fresh) {
  return Attempt([&] { return t->GoTo(n, fresh); });
}

bool VisibleHere(const TableFile* t) {
  return S().deletedVisible || !t->deleted();
}

// Positions on the first visible record at or after `from` (forward) or at or before it
// (backward). True when one was found; false leaves the area on the last record looked at.
bool SeekVisible(TableFile* t, uint32_t from, bool forward, bool fresh) {
  if (forward) {
    for (uint32_t n = from; n <= t->count(); ++n) {
      if (!Move(t, n, fresh)) return false;
      fresh = false;
      if (VisibleHere(t)) return true;
    }
    return false;
  }
  for (uint32_t n = from; n >= 1 && n <= t->count(); --n) {
    if (!Move(t, n, fresh)) return false;
    fresh = false;
    if (VisibleHere(t)) return true;
  }
  return false;
}

void GoToEnd(Area& a) {
  (void)Move(a.table.get(), a.table->count() + 1, false);
}

// A navigation that failed (and was let fail by the handler) ends at the end position with
// both flags set, so loops over GoTop/Skip/AtEnd and GoBottom/Skip(-1)/AtBeginning stop.
void Lost(Area& a) {
  GoToEnd(a);
  a.atEnd = a.atBeginning = true;
}

// The blank a field reads as when its value cannot be had.
Value BlankValue(const DbfField& f) {
  switch (f.type) {
    case 'C':
      return std::string(f.length, ' ');
    case 'M':
      return std::string();
    case 'N':
    case 'F':
      return 0.0;
    case 'D':
      return Date{};
    case 'L':
      return false;
    default:
      return Null{};
  }
}

std::string WithDefaultExtension(std::string_view fileName) {
  std::string name(fileName);
  if (HasExtension(name)) return name;
  if (!TheEnv()->FileExists(name + ".DBF") && TheEnv()->FileExists(name + ".dbf")) {
    return name + ".dbf";
  }
  return name + ".DBF";
}

std::string AliasFromFileName(const std::string& fileName) {
  return AsciiUpper(WithoutExtension(FileNamePart(fileName)));
}

}  // namespace

// ---- drivers ------------------------------------------------------------------------------

std::string SetDefaultDriver(std::optional<std::string_view> driver) {
  std::string previous = S().defaultDriver;
  if (driver && IsRegistered(AsciiUpper(*driver))) S().defaultDriver = AsciiUpper(*driver);
  return previous;
}

std::vector<std::string> RegisteredDrivers() {
  return {kDriverCdx, kDriverNtx};
}

// ---- areas --------------------------------------------------------------------------------

void SelectArea(int area) {
  if (area == 0) {
    for (int n = 1; n <= kMaxTableAreas; ++n) {
      if (!S().areas[static_cast<size_t>(n)].table) {
        S().current = n;
        return;
      }
    }
    (void)RaiseError(AreaError(kGenArg, kSubArgument, "No free work area", "SelectArea"));
    return;
  }
  if (area < 0 || area > kMaxTableAreas) {
    ErrorObject e = AreaError(kGenArg, kSubArgument, "Argument error", "SelectArea");
    e.args = std::vector<Value>{static_cast<double>(area)};
    (void)RaiseError(e);
    return;
  }
  S().current = area;
}

void SelectArea(std::string_view alias) {
  int area = AreaOfAlias(alias);
  if (area == 0) {
    ErrorObject e = AreaError(kGenNoAlias, kSubAlias, "Alias does not exist", "SelectArea");
    e.args = std::vector<Value>{std::string(alias)};
    (void)RaiseError(e);
    return;
  }
  S().current = area;
}

int AreaOfAlias(std::string_view alias) {
  const std::string wanted = AsciiUpper(alias);
  if (wanted.empty()) return 0;
  for (int n = 1; n <= kMaxTableAreas; ++n) {
    const Area& a = S().areas[static_cast<size_t>(n)];
    if (a.table && a.alias == wanted) return n;
  }
  return 0;
}

int AreaOfAlias() {
  return S().current;
}

std::string AliasOfArea() {
  return AliasOfArea(S().current);
}

std::string AliasOfArea(int area) {
  if (area < 1 || area > kMaxTableAreas) return "";
  const Area& a = S().areas[static_cast<size_t>(area)];
  return a.table ? a.alias : "";
}

bool IsAreaUsed() {
  return Current().table != nullptr;
}

std::string DriverOfArea() {
  return Current().table ? Current().table->driver() : "";
}

uint8_t CodePageMark() {
  return Current().table ? Current().table->header().codePageMark : 0;
}

AreaSwitch::AreaSwitch(int area) : previous_(S().current) {
  SelectArea(area);
}

AreaSwitch::~AreaSwitch() {
  S().current = previous_;
}

// ---- opening and closing -------------------------------------------------------------------

bool OpenTable(bool newArea, std::string_view driver, std::string_view fileName,
               std::string_view alias, bool shared, bool readOnly) {
  NetworkError(false);
  if (newArea) SelectArea(0);
  if (Current().table) CloseArea();
  const std::string drv = driver.empty() ? S().defaultDriver : AsciiUpper(driver);
  const std::string name = WithDefaultExtension(fileName);
  if (!IsRegistered(drv)) {
    ErrorObject e =
        TableError(kGenOpen, kSubOpen, drv, "Open error (driver not available)", name, "OpenTable");
    (void)RaiseError(e);
    return false;
  }
  const std::string aliasName = alias.empty() ? AliasFromFileName(name) : AsciiUpper(alias);
  if (AreaOfAlias(aliasName) != 0) {
    ErrorObject e = TableError(kGenDupAlias, kSubAlias, drv, "Alias already in use: " + aliasName,
                               name, "OpenTable");
    (void)RaiseError(e);
    return false;
  }
  std::unique_ptr<TableFile> table;
  if (!Attempt([&] { return TableFile::Open(TheEnv(), name, drv, shared, readOnly, &table); })) {
    return false;
  }
  Area& a = Current();
  a.table = std::move(table);
  a.alias = aliasName;
  a.fields.clear();
  const DbfHeader& h = a.table->header();
  for (size_t i = 0; i < h.fields.size(); ++i) {
    if (static_cast<int>(i) != h.nullFlagsField && !(h.fields[i].flags & kFieldFlagSystem)) {
      a.fields.push_back(i);
    }
  }
  GoTop();
  return true;
}

void CreateTable(std::string_view fileName, const std::vector<StructureRow>& rows,
                 std::string_view driver) {
  const std::string drv = driver.empty() ? S().defaultDriver : AsciiUpper(driver);
  const std::string name = WithDefaultExtension(fileName);
  if (!IsRegistered(drv)) {
    (void)RaiseError(TableError(kGenCreate, kSubCreate, drv, "Create error (driver not available)",
                                name, "CreateTable"));
    return;
  }
  (void)Attempt([&] { return CreateTableFiles(TheEnv(), name, rows, drv); });
}

void CloseArea() {
  Area& a = Current();
  if (!a.table) return;
  TableStatus s = a.table->Close();
  a = Area();
  if (!s) (void)RaiseError(s.error());
}

void CloseAllAreas() {
  AreaSwitch keep(S().current);
  for (int n = 1; n <= kMaxTableAreas; ++n) {
    if (!S().areas[static_cast<size_t>(n)].table) continue;
    S().current = n;
    CloseArea();
  }
}

void CommitArea() {
  TableFile* t = Current().table.get();
  if (t && !t->readOnly()) (void)Attempt([&] { return t->Commit(); });
}

void CommitAllAreas() {
  AreaSwitch keep(S().current);
  for (int n = 1; n <= kMaxTableAreas; ++n) {
    if (!S().areas[static_cast<size_t>(n)].table) continue;
    S().current = n;
    CommitArea();
  }
}

// ---- navigation and records ---------------------------------------------------------------

void GoTop() {
  Area& a = Current();
  TableFile* t = a.table.get();
  if (!t) return;
  if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
  const bool found = SeekVisible(t, 1, true, true);
  if (!found) GoToEnd(a);
  a.atEnd = a.atBeginning = !found;
}

void GoBottom() {
  Area& a = Current();
  TableFile* t = a.table.get();
  if (!t) return;
  if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
  const bool found = SeekVisible(t, t->count(), false, true);
  if (!found) GoToEnd(a);
  a.atEnd = a.atBeginning = !found;
}

void Skip(int64_t n) {
  Area& a = Current();
  TableFile* t = a.table.get();
  if (!t) return;
  if (n == 0) {
    (void)Move(t, t->recno(), true);
    return;
  }
  for (int64_t i = 0; i < n; ++i) {
    if (t->recno() > t->count() && !Attempt([&] { return t->RefreshCount(); })) return Lost(a);
    bool found = SeekVisible(t, t->recno() + 1, true, false);
    // Other programs may have appended since the count was read.
    if (!found && t->shared()) {
      const uint32_t known = t->count();
      if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
      if (t->count() > known) found = SeekVisible(t, known + 1, true, false);
    }
    if (!found) {
      GoToEnd(a);
      a.atEnd = true;
      a.atBeginning = false;
      return;
    }
    a.atEnd = a.atBeginning = false;
  }
  for (int64_t i = 0; i > n; --i) {
    const uint32_t here = t->recno();
    const uint32_t from = here > t->count() ? t->count() : here - 1;
    if (from >= 1 && SeekVisible(t, from, false, false)) {
      a.atEnd = a.atBeginning = false;
      continue;
    }
    // Before the first visible record: stay on it (or at the end when there is none).
    const bool found = SeekVisible(t, 1, true, false);
    if (!found) GoToEnd(a);
    a.atBeginning = true;
    a.atEnd = !found;
    return;
  }
}

void GoTo(int64_t recno) {
  Area& a = Current();
  TableFile* t = a.table.get();
  if (!t) return;
  if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
  const bool inside = recno >= 1 && recno <= static_cast<int64_t>(t->count());
  (void)Move(t, inside ? static_cast<uint32_t>(recno) : t->count() + 1, true);
  a.atEnd = !inside;
  a.atBeginning = false;
}

bool AtEnd() {
  return Current().table ? Current().atEnd : true;
}

bool AtBeginning() {
  return Current().table ? Current().atBeginning : true;
}

int64_t RecordNumber() {
  return Current().table ? Current().table->recno() : 0;
}

int64_t RecordCount() {
  TableFile* t = Current().table.get();
  if (!t) return 0;
  (void)Attempt([&] { return t->RefreshCount(); });
  return t->count();
}

bool IsDeleted() {
  return Current().table && Current().table->deleted();
}

void MarkDeleted() {
  if (TableFile* t = TableOrRaise("MarkDeleted"))
    (void)Attempt([&] { return t->SetDeleted(true); });
}

void UnmarkDeleted() {
  if (TableFile* t = TableOrRaise("UnmarkDeleted")) {
    (void)Attempt([&] { return t->SetDeleted(false); });
  }
}

bool AppendRecord(bool releaseOtherLocks) {
  NetworkError(false);
  TableFile* t = TableOrRaise("AppendRecord");
  if (!t) return false;
  if (!Attempt([&] { return t->Append(releaseOtherLocks); })) return false;
  Current().atEnd = Current().atBeginning = false;
  return true;
}

bool AppendRecord(const Value& releaseOtherLocks) {
  const bool* flag = std::get_if<bool>(&releaseOtherLocks);
  return AppendRecord(flag ? *flag : true);
}

bool SetDeletedVisible(bool visible) {
  return std::exchange(S().deletedVisible, visible);
}

bool DeletedVisible() {
  return S().deletedVisible;
}

// ---- locks --------------------------------------------------------------------------------

bool LockRecord() {
  TableFile* t = Current().table.get();
  return t && t->LockRecord();
}

bool LockTable() {
  TableFile* t = Current().table.get();
  return t && t->LockTable();
}

void UnlockArea() {
  if (TableFile* t = Current().table.get()) (void)Attempt([&] { return t->Unlock(); });
}

// ---- fields -------------------------------------------------------------------------------

std::vector<StructureRow> Structure() {
  std::vector<StructureRow> rows;
  const Area& a = Current();
  if (!a.table) return rows;
  for (size_t i : a.fields) {
    const DbfField& f = a.table->header().fields[i];
    rows.push_back({f.name, f.type, f.length, f.decimals});
  }
  return rows;
}

int FieldPosition(std::string_view name) {
  const Area& a = Current();
  if (!a.table) return 0;
  const std::string wanted = AsciiUpper(name);
  for (size_t p = 0; p < a.fields.size(); ++p) {
    if (AsciiUpper(a.table->header().fields[a.fields[p]].name) == wanted)
      return static_cast<int>(p + 1);
  }
  return 0;
}

Value GetField(int position) {
  Value v;
  GetFieldInto(position, &v);
  return v;
}

namespace {

// The rest of GetFieldInto after field `index` could not be read: the handler decides.
// Apart from the hot path, which it would otherwise burden with an error object on its stack.
[[gnu::noinline]] void FieldReadFailed(TableFile* t, size_t index, Status failed, Value* out) {
  for (;;) {
    ErrorObject e = TableFormatError(failed.error(), t->driver(), "GetField");
    e.canRetry = true;
    ErrorOutcome outcome = RaiseError(e);
    if (outcome.action == ErrorAction::kSubstitute) {
      *out = std::move(outcome.substitute);
      return;
    }
    if (outcome.action != ErrorAction::kRetry) {
      *out = BlankValue(t->header().fields[index]);
      return;
    }
    failed = t->FieldInto(index, out);
    if (failed) return;
  }
}

// The rest of PutField after the first try failed: raise, and retry while the handler asks.
[[gnu::noinline]] void FieldWriteFailed(TableFile* t, size_t index, const Value& value,
                                        TableStatus failed) {
  while (RaiseWantsRetry(failed.error())) {
    failed = t->PutField(index, value);
    if (failed) return;
  }
}

[[gnu::noinline]] void PositionRefused(int position, const Value& value) {
  ErrorObject e = AreaError(kGenArg, kSubArgument, "Argument error (field position)", "PutField");
  e.args = std::vector<Value>{static_cast<double>(position), value};
  (void)RaiseError(e);
}

}  // namespace

void GetFieldInto(int position, Value* out) {
  Area& a = Current();
  TableFile* t = a.table ? a.table.get() : TableOrRaise("GetField");
  if (!t || position < 1 || position > static_cast<int>(a.fields.size())) {
    *out = Null{};
    return;
  }
  const size_t index = a.fields[static_cast<size_t>(position - 1)];
  Status s = t->FieldInto(index, out);
  if (!s) [[unlikely]]
    FieldReadFailed(t, index, std::move(s), out);
}

void PutField(int position, const Value& value) {
  Area& a = Current();
  TableFile* t = a.table ? a.table.get() : TableOrRaise("PutField");
  if (!t) return;
  if (position < 1 || position > static_cast<int>(a.fields.size())) [[unlikely]] {
    return PositionRefused(position, value);
  }
  const size_t index = a.fields[static_cast<size_t>(position - 1)];
  TableStatus s = t->PutField(index, value);
  if (!s) [[unlikely]]
    FieldWriteFailed(t, index, value, std::move(s));
}

namespace {

int PositionOrRaise(std::string_view name, const char* operation) {
  int position = FieldPosition(name);
  if (position == 0 && Current().table) {
    ErrorObject e = AreaError(kGenArg, kSubArgument, "Argument error (no such field)", operation);
    e.args = std::vector<Value>{std::string(name)};
    (void)RaiseError(e);
  }
  return position;
}

}  // namespace

Value GetFieldByName(int area, std::string_view name) {
  return EvaluateInArea(area == 0 ? S().current : area, [&]() -> Value {
    int position = PositionOrRaise(name, "GetFieldByName");
    if (position == 0) return Current().table ? Value(Null{}) : GetField(0);
    return GetField(position);
  });
}

void PutFieldByName(int area, std::string_view name, const Value& value) {
  EvaluateInArea(area == 0 ? S().current : area, [&] {
    int position = PositionOrRaise(name, "PutFieldByName");
    if (position != 0 || !Current().table) PutField(position, value);
  });
}

// ---- for tests and the error report -------------------------------------------------------

Env* SetTableEnv(Env* env) {
  Env* previous = TheEnv();
  S().env = env;
  return previous;
}

Env* TableEnv() {
  return TheEnv();
}

// The error report lists the areas through the reporter this layer registers with the
// diagnostics below it; registered when this file is linked into a program.
[[maybe_unused]] const bool kAreaReporterRegistered = [] {
  RegisterAreaReporter({.currentArea = [] { return AreaOfAlias(); },
                        .workArea = [](int area) { return TableAreaReport(area); }});
  return true;
}();

std::optional<WorkAreaReport> TableAreaReport(int area) {
  if (area < 1 || area > kMaxTableAreas) return std::nullopt;
  const Area& a = S().areas[static_cast<size_t>(area)];
  if (!a.table) return std::nullopt;
  WorkAreaReport r;
  r.alias = a.alias;
  r.recno = a.table->recno();
  return r;
}

}  // namespace tabrix
