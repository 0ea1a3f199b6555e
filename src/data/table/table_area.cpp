// The table areas and their operations; the contracts are in table_area.h.

#include "data/table/table_area.h"

#include <algorithm>
#include <memory>
#include <utility>

#include "data/base/error.h"
#include "data/base/text.h"
#include "data/formats/field_types.h"
#include "data/table/table_backend.h"
#include "data/table/table_errors.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

struct Area {
  std::unique_ptr<TableBackend> table;
  // The same table when the local back-end keeps it. Reading a field is the hottest call of
  // a conversion; through this pointer it is a direct, inlined call instead of a virtual one.
  TableFile* local = nullptr;
  std::string alias;
  // The open mode, kept here: the write rules ask for it at every field written.
  bool shared = false;
  bool readOnly = false;
  size_t fieldCount = 0;  // of the table's fields(), fixed while it is open
  bool atEnd = false;
  bool atBeginning = false;
  bool found = false;      // of the last Seek or Locate
  OrderRequest nextBuild;  // the conditions SetOrderCondition gave the next CreateOrder
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

// Raises e on behalf of the public function `entry`. The error's builder placed it where the
// failure was found; `entry` follows as its caller, so the reports name the table function
// the program called. The helpers between (Attempt, Move, SeekVisible, ...) take `entry` as a
// default argument, which names their caller, and hand it on: the public function is the one that
// first called a helper.
ErrorOutcome RaiseFor(ErrorObject e, const CallSite& entry) {
  if (e.procName.empty()) {
    SetErrorPlace(&e, entry);
  } else {
    AddErrorCaller(&e, entry);
  }
  return RaiseError(e);
}

// Raises e to the current handler. True when the handler asks to retry and the error allows
// it; false for "default" (and a substitute, which only GetField takes).
bool RaiseWantsRetry(const ErrorObject& e, const CallSite& entry) {
  ErrorOutcome outcome = RaiseFor(e, entry);
  return outcome.action == ErrorAction::kRetry && e.canRetry;
}

// Runs step until it succeeds or the handler no longer asks for a retry. True on success.
template <typename Step>
bool Attempt(Step step, const CallSite& entry = CallSite::Current()) {
  for (;;) {
    TableStatus s = step();
    if (s) return true;
    if (!RaiseWantsRetry(s.error(), entry)) return false;
  }
}

ErrorObject AreaError(int genCode, int subCode, std::string description, std::string operation,
                      const CallSite& at = CallSite::Current()) {
  const Area& a = Current();
  return TableError(genCode, subCode, a.table ? a.table->driver() : S().defaultDriver,
                    std::move(description), a.table ? a.table->fileName() : "",
                    std::move(operation), at);
}

// The table of the current area, or raises "no table" 35 for operations that need one.
TableBackend* TableOrRaise(const char* operation, const CallSite& entry = CallSite::Current()) {
  Area& a = Current();
  if (!a.table) {
    (void)RaiseFor(AreaError(kGenNoTable, kSubNoTable, "Work area not in use", operation), entry);
    return nullptr;
  }
  return a.table.get();
}

bool Move(TableBackend* t, uint32_t n, bool fresh, const CallSite& entry = CallSite::Current()) {
  return Attempt([&] { return t->GoTo(n, fresh); }, entry);
}

bool VisibleHere(const TableBackend* t) {
  return S().deletedVisible || !t->deleted();
}

// Positions on the first visible record at or after `from` (forward) or at or before it
// (backward). True when one was found; false leaves the area on the last record looked at.
bool SeekVisible(TableBackend* t, uint32_t from, bool forward, bool fresh,
                 const CallSite& entry = CallSite::Current()) {
  if (forward) {
    for (uint32_t n = from; n <= t->count(); ++n) {
      if (!Move(t, n, fresh, entry)) return false;
      fresh = false;
      if (VisibleHere(t)) return true;
    }
    return false;
  }
  for (uint32_t n = from; n >= 1 && n <= t->count(); --n) {
    if (!Move(t, n, fresh, entry)) return false;
    fresh = false;
    if (VisibleHere(t)) return true;
  }
  return false;
}

// Moves along the controlling order: `first` from the current record, then `step` while the
// record reached is not visible. True on a visible record; false when the order has no more
// (or a failure was let through), the area then where the last move left it. An entry naming
// a record the table does not hold ends the walk as well.
bool OrderVisible(TableBackend* t, OrderMove first, OrderMove step, bool fresh,
                  const CallSite& entry = CallSite::Current()) {
  for (OrderMove move = first;; move = step) {
    uint32_t record = 0;
    if (!Attempt([&] { return t->OrderMoveFrom(move, &record); }, entry)) return false;
    if (record == 0) return false;
    if (record > t->count() &&
        (!Attempt([&] { return t->RefreshCount(); }, entry) || record > t->count())) {
      return false;
    }
    if (!Move(t, record, fresh, entry)) return false;
    fresh = false;
    if (VisibleHere(t)) return true;
  }
}

void GoToEnd(Area& a, const CallSite& entry = CallSite::Current()) {
  (void)Move(a.table.get(), a.table->count() + 1, false, entry);
}

// A navigation that failed (and was let fail by the handler) ends at the end position with
// both flags set, so loops over GoTop/Skip/AtEnd and GoBottom/Skip(-1)/AtBeginning stop.
void Lost(Area& a, const CallSite& entry = CallSite::Current()) {
  GoToEnd(a, entry);
  a.atEnd = a.atBeginning = true;
}

// Whether the area's write rules let the current record be changed: the table is not
// read-only, and on a shared table this program holds the record's lock or the table lock
// (the end position has no record to protect). Cheap: asked at every field written.
bool MayWrite(const Area& a) {
  if (a.readOnly) return false;
  if (!a.shared) return true;
  const uint32_t n = a.table->recno();
  return n > a.table->count() || a.table->RecordLocked(n);
}

// The error of the first write rule that fails (39, then 38); success when they pass.
[[gnu::noinline]] TableStatus WriteRefusal(const Area& a, const char* operation) {
  if (MayWrite(a)) return {};
  if (a.readOnly) {
    return AreaError(kGenReadOnly, kSubReadOnly, "Table is read-only", operation);
  }
  return AreaError(kGenUnlocked, kSubLockRequired, "Lock required", operation);
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
  if (driver) {
    std::string upper = AsciiUpper(*driver);
    if (FindBackend(upper)) S().defaultDriver = std::move(upper);
  }
  return previous;
}

std::vector<std::string> RegisteredDrivers() {
  return BackendDrivers();
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
  return Current().table ? Current().table->codePageMark() : 0;
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
  if (!FindBackend(drv)) {
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
  std::unique_ptr<TableBackend> table;
  const BackendRequest request{
      .env = TheEnv(), .fileName = name, .driver = drv, .shared = shared, .readOnly = readOnly};
  if (!Attempt([&] { return OpenBackend(request, &table); })) return false;
  Area& a = Current();
  a.table = std::move(table);
  a.local = dynamic_cast<TableFile*>(a.table.get());
  a.alias = aliasName;
  a.shared = a.table->shared();
  a.readOnly = a.table->readOnly();
  a.fieldCount = a.table->fields().size();
  GoTop();
  return true;
}

void CreateTable(std::string_view fileName, const std::vector<StructureRow>& rows,
                 std::string_view driver) {
  const std::string drv = driver.empty() ? S().defaultDriver : AsciiUpper(driver);
  const std::string name = WithDefaultExtension(fileName);
  const BackendKind* kind = FindBackend(drv);
  if (!kind) {
    (void)RaiseError(TableError(kGenCreate, kSubCreate, drv, "Create error (driver not available)",
                                name, "CreateTable"));
    return;
  }
  (void)Attempt([&] { return kind->create(TheEnv(), name, rows, drv); });
}

void CloseArea() {
  Area& a = Current();
  if (!a.table) return;
  TableStatus s = a.table->Close();
  a = Area();
  if (!s) (void)RaiseFor(std::move(s.error()), CallSite::Current());
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
  TableBackend* t = Current().table.get();
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

namespace {

// With deleted records visible every entry is a step, so a skip of many entries is one skip in
// the index (which may pass whole pages) and one record read.
bool SkipKeysVisible(Area& a, TableBackend* t, int64_t n, const CallSite& entry) {
  uint32_t record = 0;
  bool done = false;
  const bool ok = Attempt([&] { return t->OrderSkipFrom(n, &record, &done); }, entry);
  if (ok && !done) return false;
  if (ok && record != 0 && record <= t->count() && Move(t, record, false, entry)) {
    a.atEnd = a.atBeginning = false;
    return true;
  }
  // A failure let through ends the walk where a failed step would: at the end.
  if (n > 0 || !ok) {
    GoToEnd(a, entry);
    a.atEnd = true;
    a.atBeginning = false;
    return true;
  }
  const bool found = OrderVisible(t, OrderMove::kFirst, OrderMove::kNext, false, entry);
  if (!found) GoToEnd(a, entry);
  a.atBeginning = true;
  a.atEnd = !found;
  return true;
}

// Skip in the controlling order: the same positions and flags as in record order.
void SkipInOrder(Area& a, TableBackend* t, int64_t n, const CallSite& entry = CallSite::Current()) {
  if (S().deletedVisible && (n > 1 || n < -1) && SkipKeysVisible(a, t, n, entry)) return;
  for (int64_t i = 0; i < n; ++i) {
    if (!OrderVisible(t, OrderMove::kNext, OrderMove::kNext, false, entry)) {
      GoToEnd(a, entry);
      a.atEnd = true;
      a.atBeginning = false;
      return;
    }
    a.atEnd = a.atBeginning = false;
  }
  for (int64_t i = 0; i > n; --i) {
    if (OrderVisible(t, OrderMove::kPrevious, OrderMove::kPrevious, false, entry)) {
      a.atEnd = a.atBeginning = false;
      continue;
    }
    // Before the first visible record: stay on it (or at the end when there is none).
    const bool found = OrderVisible(t, OrderMove::kFirst, OrderMove::kNext, false, entry);
    if (!found) GoToEnd(a, entry);
    a.atBeginning = true;
    a.atEnd = !found;
    return;
  }
}

}  // namespace

void GoTop() {
  Area& a = Current();
  TableBackend* t = a.table.get();
  if (!t) return;
  if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
  const bool found = t->controllingOrder() > 0
                         ? OrderVisible(t, OrderMove::kFirst, OrderMove::kNext, true)
                         : SeekVisible(t, 1, true, true);
  if (!found) GoToEnd(a);
  a.atEnd = a.atBeginning = !found;
}

void GoBottom() {
  Area& a = Current();
  TableBackend* t = a.table.get();
  if (!t) return;
  if (!Attempt([&] { return t->RefreshCount(); })) return Lost(a);
  const bool found = t->controllingOrder() > 0
                         ? OrderVisible(t, OrderMove::kLast, OrderMove::kPrevious, true)
                         : SeekVisible(t, t->count(), false, true);
  if (!found) GoToEnd(a);
  a.atEnd = a.atBeginning = !found;
}

void Skip(int64_t n) {
  Area& a = Current();
  TableBackend* t = a.table.get();
  if (!t) return;
  if (n == 0) {
    (void)Move(t, t->recno(), true);
    return;
  }
  if (t->controllingOrder() > 0) return SkipInOrder(a, t, n);
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
  TableBackend* t = a.table.get();
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
  TableBackend* t = Current().table.get();
  if (!t) return 0;
  (void)Attempt([&] { return t->RefreshCount(); });
  return t->count();
}

bool IsDeleted() {
  return Current().table && Current().table->deleted();
}

namespace {

void SetDeletedMark(bool deleted, const char* operation) {
  TableBackend* t = TableOrRaise(operation);
  if (!t) return;
  (void)Attempt([&] {
    TableStatus s = WriteRefusal(Current(), operation);
    return s ? t->SetDeleted(deleted) : s;
  });
}

}  // namespace

void MarkDeleted() {
  SetDeletedMark(true, "MarkDeleted");
}

void UnmarkDeleted() {
  SetDeletedMark(false, "UnmarkDeleted");
}

bool AppendRecord(bool releaseOtherLocks) {
  NetworkError(false);
  TableBackend* t = TableOrRaise("AppendRecord");
  if (!t) return false;
  // A new record needs no lock held before: only the open mode can refuse it here.
  auto append = [&]() -> TableStatus {
    if (Current().readOnly) {
      return AreaError(kGenReadOnly, kSubReadOnly, "Table is read-only", "AppendRecord");
    }
    return t->Append(releaseOtherLocks);
  };
  if (!Attempt(append)) return false;
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

// ---- orders -------------------------------------------------------------------------------

void AddOrderBag(std::string_view file) {
  TableBackend* t = TableOrRaise("AddOrderBag");
  if (t) (void)Attempt([&] { return t->AddOrderBag(std::string(file)); });
}

void ClearOrders() {
  TableBackend* t = TableOrRaise("ClearOrders");
  if (t) (void)Attempt([&] { return t->ClearOrders(); });
}

void SetOrderCondition(std::string_view forCondition, bool allRecords, int64_t startRecord) {
  Area& a = Current();
  a.nextBuild.forCondition = std::string(forCondition);
  a.nextBuild.startRecord =
      allRecords
          ? 1
          : static_cast<uint32_t>(std::clamp<int64_t>(
                startRecord > 0 ? startRecord : (a.table ? a.table->recno() : 1), 1, UINT32_MAX));
}

void CreateOrder(std::string_view bag, std::string_view tag, std::string_view key, bool unique,
                 bool descending) {
  Area& a = Current();
  TableBackend* t = TableOrRaise("CreateOrder");
  if (!t) return;
  OrderRequest request = std::exchange(a.nextBuild, OrderRequest());
  request.bag = std::string(bag);
  request.tag = std::string(tag);
  request.key = std::string(key);
  request.unique = unique;
  request.descending = descending;
  if (request.bag.empty()) {
    // No bag named: the tag goes into the table's production CDX, an NTX file takes the tag's
    // name beside the table.
    const std::string& table = t->fileName();
    const std::string folder = table.substr(0, table.size() - FileNamePart(table).size());
    request.bag =
        t->driver() == kDriverNtx ? folder + request.tag : std::string(WithoutExtension(table));
  }
  if (Attempt([&] { return t->CreateOrder(request); })) GoTop();
}

void SetOrder(int order) {
  TableBackend* t = TableOrRaise("SetOrder");
  if (t) (void)Attempt([&] { return t->SetOrder(order); });
}

int CurrentOrder() {
  const TableBackend* t = Current().table.get();
  return t ? t->controllingOrder() : 0;
}

int OrderCount() {
  const TableBackend* t = Current().table.get();
  return t ? t->orderCount() : 0;
}

std::string OrderKeyText(int order) {
  const TableBackend* t = Current().table.get();
  const OrderInfo* info = t ? t->orderInfo(order) : nullptr;
  return info ? info->keyExpression : "";
}

std::string OrderName(int order) {
  const TableBackend* t = Current().table.get();
  const OrderInfo* info = t ? t->orderInfo(order) : nullptr;
  return info ? info->name : "";
}

int64_t OrderKeyPosition(std::optional<int> order) {
  TableBackend* t = Current().table.get();
  if (!t) return 0;
  uint32_t position = 0;
  const int which = order.value_or(t->controllingOrder());
  if (which == 0) return t->recno() <= t->count() ? t->recno() : 0;
  (void)Attempt([&] { return t->OrderKeyPosition(which, &position); });
  return position;
}

std::optional<double> OrderKeyFraction() {
  TableBackend* t = Current().table.get();
  if (!t || t->recno() < 1 || t->recno() > t->count()) return std::nullopt;
  if (t->controllingOrder() == 0) {
    return static_cast<double>(t->recno() - 1) / static_cast<double>(t->count());
  }
  double fraction = -1.0;
  if (!Attempt([&] { return t->OrderKeyFraction(&fraction); }) || fraction < 0) {
    return std::nullopt;
  }
  return fraction;
}

bool GoToOrderFraction(double fraction) {
  Area& a = Current();
  TableBackend* t = a.table.get();
  if (!t) return false;
  const double f = std::clamp(fraction, 0.0, 1.0);
  if (t->controllingOrder() == 0) {
    if (!Attempt([&] { return t->RefreshCount(); })) return false;
    GoTo(t->count() == 0 ? 1 : 1 + static_cast<int64_t>(f * (t->count() - 1) + 0.5));
    return true;
  }
  uint32_t record = 0;
  bool done = false;
  const bool ok = Attempt([&] { return t->OrderRecordAtFraction(f, &record, &done); });
  if (ok && !done) return false;
  if (ok && record > t->count() && !Attempt([&] { return t->RefreshCount(); })) record = 0;
  const bool inside = ok && record >= 1 && record <= t->count();
  (void)Move(t, inside ? record : t->count() + 1, false);
  a.atEnd = !inside;
  a.atBeginning = false;
  return true;
}

bool Seek(const Value& key, bool soft) {
  Area& a = Current();
  TableBackend* t = TableOrRaise("Seek");
  if (!t) return false;
  a.found = false;
  if (t->controllingOrder() == 0) {
    (void)RaiseFor(AreaError(kGenNoOrder, kSubNoOrder, "No controlling order", "Seek"),
                   CallSite::Current());
    return false;
  }
  if (!Attempt([&] { return t->RefreshCount(); })) {
    Lost(a);
    return false;
  }
  uint32_t record = 0;
  bool landed = Attempt([&] { return t->OrderSeek(key, &record); }) && record != 0 &&
                record <= t->count() && Move(t, record, true);
  // A deleted record found is passed over like every invisible one.
  if (landed && !VisibleHere(t)) {
    landed = OrderVisible(t, OrderMove::kNext, OrderMove::kNext, false);
  }
  bool match = false;
  if (landed) landed = Attempt([&] { return t->OrderKeyMatches(key, &match); });
  a.found = landed && match;
  if (!landed || (!a.found && !soft)) {
    GoToEnd(a);
    a.atEnd = true;
  } else {
    a.atEnd = false;
  }
  a.atBeginning = false;
  return a.found;
}

bool WasFound() {
  return Current().table && Current().found;
}

void Locate(const std::function<bool()>& condition, const LocateScope& scope) {
  Area& a = Current();
  TableBackend* t = TableOrRaise("Locate");
  if (!t) return;
  a.found = false;
  int64_t left = scope.next.value_or(-1);
  if (scope.record) {
    GoTo(*scope.record);
    if (a.atEnd || !VisibleHere(t)) return;
    a.found = condition();
    return;
  }
  if (!scope.rest && !scope.next) GoTop();
  while (!a.atEnd && left != 0) {
    if (scope.whileCondition && !scope.whileCondition()) return;
    if (condition()) {
      a.found = true;
      return;
    }
    if (left > 0) --left;
    Skip(1);
  }
}

std::string FilterText() {
  return "";  // this program never sets a filter
}

std::string RelationText() {
  return "";  // nor a relation
}

// ---- locks --------------------------------------------------------------------------------

bool LockRecord() {
  TableBackend* t = Current().table.get();
  return t && t->LockRecord();
}

bool LockTable() {
  TableBackend* t = Current().table.get();
  return t && t->LockTable();
}

void UnlockArea() {
  if (TableBackend* t = Current().table.get()) (void)Attempt([&] { return t->Unlock(); });
}

// ---- fields -------------------------------------------------------------------------------

std::vector<StructureRow> Structure() {
  const Area& a = Current();
  if (!a.table) return {};
  return a.table->fields();
}

int FieldPosition(std::string_view name) {
  const Area& a = Current();
  if (!a.table) return 0;
  const std::string wanted = AsciiUpper(name);
  const std::vector<StructureRow>& fields = a.table->fields();
  for (size_t p = 0; p < fields.size(); ++p) {
    if (AsciiUpper(fields[p].name) == wanted) return static_cast<int>(p + 1);
  }
  return 0;
}

Value GetField(int position) {
  Value v;
  GetFieldInto(position, &v);
  return v;
}

namespace {

// The rest of GetFieldInto after field `column` could not be read: the handler decides.
// Apart from the hot path, which it would otherwise burden with an error object on its stack.
[[gnu::noinline]] void FieldReadFailed(TableBackend* t, size_t column, Status failed, Value* out,
                                       const CallSite& entry = CallSite::Current()) {
  for (;;) {
    ErrorObject e = TableFormatError(failed.error(), t->driver(), "GetField");
    e.canRetry = true;
    ErrorOutcome outcome = RaiseFor(std::move(e), entry);
    if (outcome.action == ErrorAction::kSubstitute) {
      *out = std::move(outcome.substitute);
      return;
    }
    if (outcome.action != ErrorAction::kRetry) {
      *out = BlankValueOf(t->fields()[column].type, t->fields()[column].length);
      return;
    }
    failed = t->FieldInto(column, out);
    if (failed) return;
  }
}

// A write of field `column` under the area's write rules; the back-end adds its own.
TableStatus WriteField(const Area& a, size_t column, const Value& value) {
  if (!MayWrite(a)) [[unlikely]] {
    return WriteRefusal(a, "PutField");
  }
  // A local table is written by a direct call, as it is read (the virtual call showed in the
  // append benchmark).
  return a.local ? a.local->PutField(column, value) : a.table->PutField(column, value);
}

// The rest of PutField after the first try failed: raise, and retry while the handler asks.
[[gnu::noinline]] void FieldWriteFailed(const Area& a, size_t column, const Value& value,
                                        TableStatus failed,
                                        const CallSite& entry = CallSite::Current()) {
  while (RaiseWantsRetry(failed.error(), entry)) {
    failed = WriteField(a, column, value);
    if (failed) return;
  }
}

[[gnu::noinline]] void PositionRefused(int position, const Value& value,
                                       const CallSite& entry = CallSite::Current()) {
  ErrorObject e = AreaError(kGenArg, kSubArgument, "Argument error (field position)", "PutField");
  e.args = std::vector<Value>{static_cast<double>(position), value};
  (void)RaiseFor(std::move(e), entry);
}

}  // namespace

void GetFieldInto(int position, Value* out) {
  Area& a = Current();
  TableBackend* t = a.table ? a.table.get() : TableOrRaise("GetField");
  if (!t || position < 1 || position > static_cast<int>(a.fieldCount)) {
    *out = Null{};
    return;
  }
  const size_t column = static_cast<size_t>(position - 1);
  Status s = a.local ? a.local->FieldInto(column, out) : t->FieldInto(column, out);
  if (!s) [[unlikely]]
    FieldReadFailed(t, column, std::move(s), out);
}

void PutField(int position, const Value& value) {
  Area& a = Current();
  TableBackend* t = a.table ? a.table.get() : TableOrRaise("PutField");
  if (!t) return;
  if (position < 1 || position > static_cast<int>(a.fieldCount)) [[unlikely]] {
    return PositionRefused(position, value);
  }
  const size_t column = static_cast<size_t>(position - 1);
  TableStatus s = WriteField(a, column, value);
  if (!s) [[unlikely]]
    FieldWriteFailed(a, column, value, std::move(s));
}

namespace {

// `entry` is taken by the public function itself: called from its lambda, the default would
// name the lambda.
int PositionOrRaise(std::string_view name, const char* operation, const CallSite& entry) {
  int position = FieldPosition(name);
  if (position == 0 && Current().table) {
    ErrorObject e = AreaError(kGenArg, kSubArgument, "Argument error (no such field)", operation);
    e.args = std::vector<Value>{std::string(name)};
    (void)RaiseFor(std::move(e), entry);
  }
  return position;
}

}  // namespace

Value GetFieldByName(int area, std::string_view name) {
  const CallSite entry = CallSite::Current();
  return EvaluateInArea(area == 0 ? S().current : area, [&]() -> Value {
    int position = PositionOrRaise(name, "GetFieldByName", entry);
    if (position == 0) return Current().table ? Value(Null{}) : GetField(0);
    return GetField(position);
  });
}

void PutFieldByName(int area, std::string_view name, const Value& value) {
  const CallSite entry = CallSite::Current();
  EvaluateInArea(area == 0 ? S().current : area, [&] {
    int position = PositionOrRaise(name, "PutFieldByName", entry);
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
  r.order = a.table->controllingOrder();
  if (const OrderInfo* info = a.table->orderInfo(r.order)) r.key = info->keyExpression;
  return r;
}

}  // namespace tabrix
