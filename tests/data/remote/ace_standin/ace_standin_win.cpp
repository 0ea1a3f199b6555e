// The stand-in client engine the tests load in place of the database server's: the subset of
// engine functions the remote back-end calls (ace_api.h), served from tables on disk through
// the program's own local table layer, which this DLL links in a copy of its own. It behaves
// as a server does for that subset: handles for connections, tables and indexes; each table
// handle its own record position and its own locks (two handles on one table exclude each
// other as two workstations do); errors with the engine's numbers and texts for
// AdsGetLastError. The test controls are described in ace_standin.h.
//
// Where it is simpler than the real engine (the back-end does not rely on any of it):
//   - AdsLockRecord gives back the handle's other record locks, as the table layer's record
//     lock does; the back-end gives them back itself before.
//   - AdsCloseIndex closes every index file of the table except the structural one.
//   - Text is passed on as stored, whatever the character type.
//   - An open that fails for another reason than a missing file answers 7008.

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "data/base/text.h"
#include "data/formats/dbf_record.h"
#include "data/formats/field_types.h"
#include "data/remote/ace_api.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

constexpr AceU32 kAeOpenFailed = 7008;

// ---- the server's clock ---------------------------------------------------------------------

class ServerEnv final : public Env {
 public:
  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override {
    return DefaultEnv()->Open(fileName, options, file);
  }
  bool FileExists(const std::string& fileName) override {
    return DefaultEnv()->FileExists(fileName);
  }
  IoStatus RemoveFile(const std::string& fileName) override {
    return DefaultEnv()->RemoveFile(fileName);
  }
  LocalTime LocalNow() override {
    if (!fixed) return DefaultEnv()->LocalNow();
    LocalTime t = *fixed;
    int64_t seconds = t.hour * 3600 + t.minute * 60 + t.second + advancedMs / 1000;
    int64_t day = JulianDayFromDate(t.date) + seconds / 86400;
    seconds %= 86400;
    return {DateFromJulianDay(day), static_cast<int>(seconds / 3600),
            static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60)};
  }
  void SleepFor(std::chrono::milliseconds pause) override {
    if (pause.count() <= 0) return;
    sleptMs += static_cast<AceU32>(pause.count());
    advancedMs += pause.count();
  }

  std::optional<LocalTime> fixed;
  int64_t advancedMs = 0;
  AceU32 sleptMs = 0;
};

// ---- handles --------------------------------------------------------------------------------

struct TableObject {
  std::unique_ptr<TableFile> file;
  bool bof = false;  // moved before the first record: the record number reads 0
  bool eof = false;
};

struct IndexObject {
  AceHandle table = 0;
  std::string name;  // the order's name; its number changes as index files come and go
};

struct Server {
  std::mutex mutex;
  ServerEnv env;
  AceU16 serverType = 0;
  std::map<std::string, AceU16> servedAt;  // answers for single locations
  std::map<std::string, AceU32> failing;
  std::vector<std::string> calls;
  std::string logFile;
  bool showDeleted = true;
  AceU32 lastError = 0;
  std::string lastText;
  AceHandle nextHandle = 0x1000;
  std::map<AceHandle, TableObject> tables;
  std::map<AceHandle, IndexObject> indexes;

  void Reset() {
    serverType = 0;
    servedAt.clear();
    failing.clear();
    calls.clear();
    env.fixed.reset();
    env.advancedMs = 0;
    env.sleptMs = 0;
  }
};

Server& S() {
  static Server* server = [] {
    auto* s = new Server();
    if (const char* type = std::getenv("TABRIX_ACE_SERVER")) {
      s->serverType = static_cast<AceU16>(std::atoi(type));
    }
    if (const char* fail = std::getenv("TABRIX_ACE_FAIL")) {
      const std::string text = fail;
      const size_t colon = text.find(':');
      if (colon != std::string::npos) {
        s->failing[text.substr(0, colon)] =
            static_cast<AceU32>(std::atol(text.c_str() + colon + 1));
      }
    }
    if (const char* log = std::getenv("TABRIX_ACE_LOG")) s->logFile = log;
    return s;
  }();
  return *server;
}

// Every engine call starts here: it is recorded, clears the last error (A1) and fails when the
// test asked for it.
AceU32 Enter(const char* function) {
  Server& s = S();
  s.calls.push_back(function);
  if (!s.logFile.empty())
    std::ofstream(s.logFile, std::ios::app | std::ios::binary) << function << "\n";
  if (std::strcmp(function, "AdsGetLastError") != 0) {
    s.lastError = 0;
    s.lastText.clear();
  }
  auto it = s.failing.find(function);
  return it == s.failing.end() ? kAeSuccess : it->second;
}

AceU32 Fail(AceU32 code, const std::string& text) {
  Server& s = S();
  s.lastError = code;
  s.lastText = text;
  return code;
}

AceU32 Injected(AceU32 code, const char* function) {
  return Fail(code, std::string("stand-in: ") + function + " fails as asked");
}

TableObject* TableOf(AceHandle h) {
  auto it = S().tables.find(h);
  return it == S().tables.end() ? nullptr : &it->second;
}

// The table of a table or index handle, and the order number of an index handle (0: the
// table's record order, -1: an index handle whose order has gone).
TableObject* Target(AceHandle h, int* order) {
  *order = 0;
  if (TableObject* t = TableOf(h)) return t;
  auto it = S().indexes.find(h);
  if (it == S().indexes.end()) return nullptr;
  TableObject* t = TableOf(it->second.table);
  if (!t) return nullptr;
  *order = -1;
  for (int i = 1; i <= t->file->orderCount(); ++i) {
    if (t->file->orderInfo(i)->name == it->second.name) *order = i;
  }
  return t;
}

AceHandle IndexHandle(AceHandle table, const std::string& name) {
  for (const auto& [h, index] : S().indexes) {
    if (index.table == table && index.name == name) return h;
  }
  const AceHandle h = S().nextHandle += 16;
  S().indexes[h] = {table, name};
  return h;
}

const StructureRow* FieldOf(TableObject* t, AceU8* designator, size_t* column) {
  const std::vector<StructureRow>& fields = t->file->fields();
  const uintptr_t n = reinterpret_cast<uintptr_t>(designator);
  if (n < 0x10000) {
    if (n < 1 || n > fields.size()) return nullptr;
    *column = n - 1;
    return &fields[*column];
  }
  const std::string name = AsciiUpper(reinterpret_cast<const char*>(designator));
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) {
      *column = i;
      return &fields[i];
    }
  }
  return nullptr;
}

AceU32 FromStatus(const TableStatus& s, AceU32 code) {
  if (s) return kAeSuccess;
  return Fail(code, s.error().description + " " + s.error().fileName);
}

// Moves the table to record n (0 or beyond the count: the end).
AceU32 Position(TableObject* t, uint32_t n) {
  t->bof = false;
  TableStatus s = t->file->GoTo(n, true);
  t->eof = t->file->recno() > t->file->count();
  return FromStatus(s, kAeInvalidRecordNumber);
}

bool Hidden(TableObject* t) {
  return !S().showDeleted && t->file->recno() <= t->file->count() && t->file->deleted();
}

// One step in record order or in `order`; false at either end.
bool Step(TableObject* t, int order, bool forward) {
  TableFile& f = *t->file;
  if (order <= 0) {
    const uint32_t n = f.recno();
    if (forward ? n >= f.count() : n <= 1) return false;
    return f.GoTo(forward ? n + 1 : n - 1, false).ok();
  }
  uint32_t record = 0;
  (void)f.SetOrder(order);
  if (!f.OrderMoveFrom(forward ? OrderMove::kNext : OrderMove::kPrevious, &record).ok() ||
      record == 0) {
    return false;
  }
  return f.GoTo(record, false).ok();
}

// GotoTop / GotoBottom in record order or in `order`, past hidden records.
AceU32 ToEdge(TableObject* t, int order, bool top) {
  TableFile& f = *t->file;
  (void)f.RefreshCount();
  uint32_t record = 0;
  if (order > 0) {
    (void)f.SetOrder(order);
    (void)f.OrderMoveFrom(top ? OrderMove::kFirst : OrderMove::kLast, &record);
  } else {
    record = f.count() == 0 ? 0 : top ? 1 : f.count();
  }
  if (record == 0) {
    AceU32 rc = Position(t, 0);
    t->bof = true;
    return rc;
  }
  AceU32 rc = Position(t, record);
  while (rc == kAeSuccess && Hidden(t)) {
    if (!Step(t, order, top)) {
      rc = Position(t, 0);
      t->bof = true;
      break;
    }
  }
  return rc;
}

std::string StoredText(const StructureRow& f, const Value& v) {
  switch (f.type) {
    case 'C':
    case 'M':
      return std::get<std::string>(v);
    case 'N':
    case 'F': {
      Result<std::string> text =
          FormatNumberField(std::get<Decimal>(v), f.length, static_cast<uint8_t>(f.decimals));
      return text ? text.value() : std::string(f.length, '*');
    }
    case 'D': {
      const Date& d = std::get<Date>(v);
      if (d.empty()) return std::string(8, ' ');
      char text[16];
      std::snprintf(text, sizeof text, "%04d%02d%02d", d.year, d.month, d.day);
      return text;
    }
    case 'L':
      return std::get<bool>(v) ? "T" : "F";
    default:
      return "";
  }
}

// A value of field f read from the engine's text form.
std::optional<Value> ValueOfText(const StructureRow& f, const std::string& text) {
  switch (f.type) {
    case 'C':
    case 'M':
      return text;
    case 'N':
    case 'F': {
      const size_t first = text.find_first_not_of(' ');
      if (first == std::string::npos) return Decimal{};
      std::optional<Decimal> d =
          Decimal::FromText(text.substr(first, text.find_last_not_of(' ') - first + 1));
      if (!d) return std::nullopt;
      return *d;
    }
    case 'D':
      if (text.find_first_not_of(' ') == std::string::npos) return Date{};
      if (text.size() != 8) return std::nullopt;
      return Date{std::atoi(text.substr(0, 4).c_str()), std::atoi(text.substr(4, 2).c_str()),
                  std::atoi(text.substr(6, 2).c_str())};
    case 'L':
      return !text.empty() && std::strchr("TtYy", text[0]) != nullptr;
    default:
      return std::nullopt;
  }
}

// Writes a field as the engine does: an unlocked record of a shared table is locked first.
AceU32 Put(TableObject* t, size_t column, const Value& v) {
  TableFile& f = *t->file;
  if (f.recno() > f.count()) return Fail(kAeNoCurrentRecord, "no current record");
  if (f.readOnly()) return Fail(kAeTableReadOnly, "table is read-only");
  if (!f.RecordLocked(f.recno()) && !f.LockRecord()) return Fail(kAeLockFailed, "record lock");
  TableStatus s = f.PutField(column, v);
  if (s) return kAeSuccess;
  return Fail(s.error().genCode == kGenDataWidth ? kAeDataTooLong : 5020, s.error().description);
}

AceU32 CopyOut(const std::string& text, AceU8* buffer, AceU16* length) {
  const size_t room = *length;
  *length = static_cast<AceU16>(std::min(text.size(), room > 0 ? room - 1 : 0));
  if (room > 0) {
    std::memcpy(buffer, text.data(), *length);
    buffer[*length] = 0;
  }
  if (text.size() + 1 > room) return Fail(kAeInsufficientBuffer, "buffer too small");
  return kAeSuccess;
}

// The order's key value for the seek key bytes the engine was given.
std::optional<Value> SeekValue(const OrderInfo& info, const AceU8* key, AceU16 length,
                               AceU16 type) {
  if (type == kAdsDoubleKey) {
    if (length < sizeof(double)) return std::nullopt;
    double d = 0;
    std::memcpy(&d, key, sizeof d);
    if (info.kind == KeyKind::kDate) return DateFromJulianDay(static_cast<int64_t>(d));
    std::optional<Decimal> number = Decimal::FromDouble(d);
    if (!number) return std::nullopt;
    return *number;
  }
  const std::string text(reinterpret_cast<const char*>(key), length);
  if (info.kind == KeyKind::kNumeric) {
    std::optional<Decimal> number = Decimal::FromText(text);
    if (!number) return std::nullopt;
    return *number;
  }
  if (info.kind == KeyKind::kDate) {
    return ValueOfText({"", 'D', 8, 0}, text);
  }
  return text;
}

}  // namespace
}  // namespace tabrix

using namespace tabrix;

#define ENTER(name)                             \
  std::lock_guard<std::mutex> guard(S().mutex); \
  if (AceU32 injected = Enter(#name)) return Injected(injected, #name)

extern "C" {

// ---- connection and environment -------------------------------------------------------------

AceU32 WINAPI AdsIsServerLoaded(AceU8* location, AceU16* type) {
  ENTER(AdsIsServerLoaded);
  if (!location || !type) return Fail(kAeNoDriveConnection, "no location");
  auto it = S().servedAt.find(AsciiUpper(reinterpret_cast<const char*>(location)));
  *type = it == S().servedAt.end() ? S().serverType : it->second;
  return kAeSuccess;
}

AceU32 WINAPI AdsSetServerType(AceU16) {
  ENTER(AdsSetServerType);
  return kAeSuccess;
}

AceU32 WINAPI AdsConnect(AceU8*, AceHandle* connection) {
  ENTER(AdsConnect);
  *connection = S().nextHandle += 16;
  return kAeSuccess;
}

AceU32 WINAPI AdsDisconnect(AceHandle) {
  ENTER(AdsDisconnect);
  return kAeSuccess;
}

AceU32 WINAPI AdsApplicationExit() {
  ENTER(AdsApplicationExit);
  return kAeSuccess;
}

AceU32 WINAPI AdsGetLastError(AceU32* code, AceU8* buffer, AceU16* length) {
  ENTER(AdsGetLastError);
  *code = S().lastError;
  return CopyOut(S().lastText, buffer, length) == kAeSuccess ? kAeSuccess : kAeSuccess;
}

AceU32 WINAPI AdsShowDeleted(AceU16 show) {
  ENTER(AdsShowDeleted);
  S().showDeleted = show != 0;
  return kAeSuccess;
}

// ---- tables ---------------------------------------------------------------------------------

AceU32 WINAPI AdsOpenTable(AceHandle, AceU8* name, AceU8*, AceU16 tableType, AceU16, AceU16, AceU16,
                           AceU32 options, AceHandle* table) {
  ENTER(AdsOpenTable);
  std::unique_ptr<TableFile> file;
  const std::string fileName = reinterpret_cast<const char*>(name);
  TableStatus s =
      TableFile::Open(&S().env, fileName, tableType == kAdsNtx ? "DBFNTX" : "DBFCDX",
                      (options & kAdsExclusive) == 0, (options & kAdsReadOnly) != 0, &file);
  if (!s) {
    return Fail(s.error().osCode == kOsFileNotFound ? kAeFileNotFound : kAeOpenFailed,
                s.error().description + " " + fileName);
  }
  const AceHandle h = S().nextHandle += 16;
  TableObject& t = S().tables[h];
  t.file = std::move(file);
  *table = h;
  return ToEdge(&t, 0, true);
}

AceU32 WINAPI AdsCreateTable(AceHandle, AceU8* name, AceU8*, AceU16 tableType, AceU16, AceU16,
                             AceU16, AceU16, AceU8* description, AceHandle* table) {
  ENTER(AdsCreateTable);
  // "NAME,Char,30,0;NR,Numeric,5,0;D,Date;..."
  std::vector<StructureRow> rows;
  std::string text = reinterpret_cast<const char*>(description);
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(';', at);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> parts;
    size_t p = at;
    while (p <= end) {
      size_t comma = text.find(',', p);
      if (comma == std::string::npos || comma > end) comma = end;
      parts.push_back(text.substr(p, comma - p));
      p = comma + 1;
    }
    at = end + 1;
    if (parts.size() < 2) return Fail(5020, "bad field description");
    const std::string type = AsciiUpper(parts[1]);
    StructureRow row{AsciiUpper(parts[0]), type.empty() ? '?' : type[0], 0, 0};
    if (type == "CHAR" || type == "CHARACTER") row.type = 'C';
    if (row.type == 'D') row.length = 8;
    if (row.type == 'L') row.length = 1;
    if (row.type == 'M') row.length = 10;
    if (parts.size() > 2) row.length = static_cast<uint32_t>(std::atoi(parts[2].c_str()));
    if (parts.size() > 3) row.decimals = static_cast<uint32_t>(std::atoi(parts[3].c_str()));
    rows.push_back(row);
  }
  const std::string fileName = reinterpret_cast<const char*>(name);
  const std::string driver = tableType == kAdsNtx ? "DBFNTX" : "DBFCDX";
  TableStatus s = CreateTableFiles(&S().env, fileName, rows, driver);
  if (!s) return Fail(kAeOpenFailed, s.error().description + " " + fileName);
  std::unique_ptr<TableFile> file;
  s = TableFile::Open(&S().env, fileName, driver, false, false, &file);
  if (!s) return Fail(kAeOpenFailed, s.error().description + " " + fileName);
  const AceHandle h = S().nextHandle += 16;
  TableObject& t = S().tables[h];
  t.file = std::move(file);
  *table = h;
  return ToEdge(&t, 0, true);
}

AceU32 WINAPI AdsCloseTable(AceHandle h) {
  ENTER(AdsCloseTable);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  TableStatus s = t->file->Close();
  S().tables.erase(h);
  std::erase_if(S().indexes, [h](const auto& entry) { return entry.second.table == h; });
  return FromStatus(s, 5020);
}

AceU32 WINAPI AdsGetNumFields(AceHandle h, AceU16* count) {
  ENTER(AdsGetNumFields);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  *count = static_cast<AceU16>(t->file->fields().size());
  return kAeSuccess;
}

AceU32 WINAPI AdsGetFieldName(AceHandle h, AceU16 number, AceU8* name, AceU16* length) {
  ENTER(AdsGetFieldName);
  TableObject* t = TableOf(h);
  size_t column = 0;
  const StructureRow* f = t ? FieldOf(t, AceField(number), &column) : nullptr;
  if (!f) return Fail(kAeInvalidHandle, "no such field");
  return CopyOut(f->name, name, length);
}

#define FIELD_OF(h, designator)                                          \
  int order = 0;                                                         \
  TableObject* t = Target(h, &order);                                    \
  size_t column = 0;                                                     \
  const StructureRow* f = t ? FieldOf(t, designator, &column) : nullptr; \
  if (!f) return Fail(kAeInvalidHandle, "no such field")

AceU32 WINAPI AdsGetFieldType(AceHandle h, AceU8* field, AceU16* type) {
  ENTER(AdsGetFieldType);
  FIELD_OF(h, field);
  switch (f->type) {
    case 'C':
      *type = kAdsString;
      break;
    case 'N':
    case 'F':
      *type = kAdsNumeric;
      break;
    case 'D':
      *type = kAdsDate;
      break;
    case 'L':
      *type = kAdsLogical;
      break;
    case 'M':
      *type = kAdsMemo;
      break;
    default:
      *type = kAdsBinary;
      break;
  }
  return kAeSuccess;
}

AceU32 WINAPI AdsGetFieldLength(AceHandle h, AceU8* field, AceU32* length) {
  ENTER(AdsGetFieldLength);
  FIELD_OF(h, field);
  *length = f->length;
  return kAeSuccess;
}

AceU32 WINAPI AdsGetFieldDecimals(AceHandle h, AceU8* field, AceU16* decimals) {
  ENTER(AdsGetFieldDecimals);
  FIELD_OF(h, field);
  *decimals = static_cast<AceU16>(f->decimals);
  return kAeSuccess;
}

// ---- navigation -----------------------------------------------------------------------------

AceU32 WINAPI AdsGotoTop(AceHandle h) {
  ENTER(AdsGotoTop);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order < 0) return Fail(kAeInvalidHandle, "not a table or index");
  return ToEdge(t, order, true);
}

AceU32 WINAPI AdsGotoBottom(AceHandle h) {
  ENTER(AdsGotoBottom);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order < 0) return Fail(kAeInvalidHandle, "not a table or index");
  return ToEdge(t, order, false);
}

AceU32 WINAPI AdsSkip(AceHandle h, AceS32 n) {
  ENTER(AdsSkip);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order < 0) return Fail(kAeInvalidHandle, "not a table or index");
  const bool forward = n >= 0;
  for (AceS32 left = n >= 0 ? n : -n; left > 0; --left) {
    if (t->eof && forward) return kAeSuccess;
    bool moved = !t->eof && Step(t, order, forward);
    while (moved && Hidden(t)) moved = Step(t, order, forward);
    if (!moved) {
      if (forward) return Position(t, 0);
      // Before the first record: the beginning, record number 0.
      t->bof = true;
      return kAeSuccess;
    }
    t->eof = false;
    t->bof = false;
  }
  return kAeSuccess;
}

AceU32 WINAPI AdsGotoRecord(AceHandle h, AceU32 n) {
  ENTER(AdsGotoRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  (void)t->file->RefreshCount();
  const AceU32 rc = Position(t, n);
  if (n == 0) t->bof = true;
  return rc;
}

AceU32 WINAPI AdsAtEOF(AceHandle h, AceU16* at) {
  ENTER(AdsAtEOF);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t) return Fail(kAeInvalidHandle, "not a table or index");
  *at = t->eof;
  return kAeSuccess;
}

AceU32 WINAPI AdsAtBOF(AceHandle h, AceU16* at) {
  ENTER(AdsAtBOF);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t) return Fail(kAeInvalidHandle, "not a table or index");
  *at = t->bof;
  return kAeSuccess;
}

AceU32 WINAPI AdsGetRecordNum(AceHandle h, AceU16, AceU32* n) {
  ENTER(AdsGetRecordNum);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t) return Fail(kAeInvalidHandle, "not a table or index");
  *n = t->bof ? 0 : t->file->recno();
  return kAeSuccess;
}

AceU32 WINAPI AdsGetRecordCount(AceHandle h, AceU16, AceU32* count) {
  ENTER(AdsGetRecordCount);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t) return Fail(kAeInvalidHandle, "not a table or index");
  (void)t->file->RefreshCount();
  *count = t->file->count();
  return kAeSuccess;
}

AceU32 WINAPI AdsRefreshRecord(AceHandle h) {
  ENTER(AdsRefreshRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  return FromStatus(t->file->GoTo(t->file->recno(), true), kAeNoCurrentRecord);
}

// ---- fields ---------------------------------------------------------------------------------

AceU32 WINAPI AdsGetString(AceHandle h, AceU8* field, AceU8* buffer, AceU32* length, AceU16) {
  ENTER(AdsGetString);
  FIELD_OF(h, field);
  Value v;
  if (Status st = t->file->FieldInto(column, &v); !st) return Fail(5020, st.error().reason);
  const std::string text = StoredText(*f, v);
  if (text.size() > *length) {
    *length = static_cast<AceU32>(text.size());
    return Fail(kAeInsufficientBuffer, "buffer too small");
  }
  std::memcpy(buffer, text.data(), text.size());
  if (text.size() < *length) buffer[text.size()] = 0;
  *length = static_cast<AceU32>(text.size());
  return kAeSuccess;
}

AceU32 WINAPI AdsGetMemoLength(AceHandle h, AceU8* field, AceU32* length) {
  ENTER(AdsGetMemoLength);
  FIELD_OF(h, field);
  Value v;
  if (Status st = t->file->FieldInto(column, &v); !st) return Fail(5020, st.error().reason);
  const std::string* text = std::get_if<std::string>(&v);
  *length = text ? static_cast<AceU32>(text->size()) : 0;
  return kAeSuccess;
}

AceU32 WINAPI AdsGetLogical(AceHandle h, AceU8* field, AceU16* value) {
  ENTER(AdsGetLogical);
  FIELD_OF(h, field);
  Value v;
  if (Status st = t->file->FieldInto(column, &v); !st) return Fail(5020, st.error().reason);
  const bool* b = std::get_if<bool>(&v);
  *value = b && *b;
  return kAeSuccess;
}

AceU32 WINAPI AdsIsRecordDeleted(AceHandle h, AceU16* deleted) {
  ENTER(AdsIsRecordDeleted);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  *deleted = t->file->deleted();
  return kAeSuccess;
}

AceU32 WINAPI AdsSetString(AceHandle h, AceU8* field, AceU8* text, AceU32 length) {
  ENTER(AdsSetString);
  FIELD_OF(h, field);
  const std::string value(reinterpret_cast<const char*>(text), length);
  if (f->type == 'L') return Put(t, column, !value.empty() && std::strchr("TtYy", value[0]));
  if (f->type == 'C' && value.size() > f->length) return Fail(kAeDataTooLong, "too long");
  return Put(t, column, value);
}

AceU32 WINAPI AdsSetField(AceHandle h, AceU8* field, AceU8* text, AceU32 length) {
  ENTER(AdsSetField);
  FIELD_OF(h, field);
  std::optional<Value> v =
      ValueOfText(*f, std::string(reinterpret_cast<const char*>(text), length));
  if (!v) return Fail(5020, "value does not suit the field");
  return Put(t, column, *v);
}

AceU32 WINAPI AdsSetJulian(AceHandle h, AceU8* field, AceS32 day) {
  ENTER(AdsSetJulian);
  FIELD_OF(h, field);
  return Put(t, column, day == 0 ? Date{} : DateFromJulianDay(day));
}

AceU32 WINAPI AdsSetLogical(AceHandle h, AceU8* field, AceU16 value) {
  ENTER(AdsSetLogical);
  FIELD_OF(h, field);
  return Put(t, column, value != 0);
}

AceU32 WINAPI AdsSetEmpty(AceHandle h, AceU8* field) {
  ENTER(AdsSetEmpty);
  FIELD_OF(h, field);
  return Put(t, column, BlankValueOf(f->type, f->length));
}

// ---- records and locks ----------------------------------------------------------------------

AceU32 WINAPI AdsAppendRecord(AceHandle h) {
  ENTER(AdsAppendRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  if (t->file->readOnly()) return Fail(kAeTableReadOnly, "table is read-only");
  TableStatus s = t->file->Append(false);
  t->bof = t->eof = false;
  return FromStatus(s, kAeLockFailed);
}

AceU32 WINAPI AdsWriteRecord(AceHandle h) {
  ENTER(AdsWriteRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  if (t->file->readOnly()) return kAeSuccess;
  return FromStatus(t->file->Commit(), 5020);
}

AceU32 WINAPI AdsDeleteRecord(AceHandle h) {
  ENTER(AdsDeleteRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  TableFile& f = *t->file;
  if (!f.RecordLocked(f.recno()) && !f.LockRecord()) return Fail(kAeLockFailed, "record lock");
  return FromStatus(f.SetDeleted(true), 5020);
}

AceU32 WINAPI AdsRecallRecord(AceHandle h) {
  ENTER(AdsRecallRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  TableFile& f = *t->file;
  if (!f.RecordLocked(f.recno()) && !f.LockRecord()) return Fail(kAeLockFailed, "record lock");
  return FromStatus(f.SetDeleted(false), 5020);
}

AceU32 WINAPI AdsLockRecord(AceHandle h, AceU32 n) {
  ENTER(AdsLockRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  TableFile& f = *t->file;
  const uint32_t here = f.recno();
  if (n != 0 && n != here && !f.GoTo(n, true)) return Fail(kAeInvalidRecordNumber, "record");
  const bool locked = f.LockRecord();
  if (n != 0 && n != here) (void)f.GoTo(here, false);
  return locked ? kAeSuccess : Fail(kAeLockFailed, "record is locked by another user");
}

AceU32 WINAPI AdsUnlockRecord(AceHandle h, AceU32 n) {
  ENTER(AdsUnlockRecord);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  return FromStatus(t->file->UnlockRecord(n == 0 ? t->file->recno() : n), 5020);
}

AceU32 WINAPI AdsLockTable(AceHandle h) {
  ENTER(AdsLockTable);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  return t->file->LockTable() ? kAeSuccess : Fail(kAeLockFailed, "table is locked");
}

AceU32 WINAPI AdsUnlockTable(AceHandle h) {
  ENTER(AdsUnlockTable);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  return FromStatus(t->file->Unlock(), 5020);
}

// ---- indexes --------------------------------------------------------------------------------

AceU32 WINAPI AdsCreateIndex(AceHandle h, AceU8* file, AceU8* tag, AceU8* key, AceU8* condition,
                             AceU8*, AceU32 options, AceHandle* index) {
  ENTER(AdsCreateIndex);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  OrderRequest request;
  request.bag = file ? reinterpret_cast<const char*>(file)
                     : std::string(WithoutExtension(t->file->fileName()));
  request.tag = tag ? reinterpret_cast<const char*>(tag) : "";
  request.key = reinterpret_cast<const char*>(key);
  request.forCondition = condition ? reinterpret_cast<const char*>(condition) : "";
  request.unique = (options & kAdsUnique) != 0;
  request.descending = (options & kAdsDescending) != 0;
  TableStatus s = t->file->CreateOrder(request);
  if (!s) return Fail(5020, s.error().description);
  *index = IndexHandle(h, t->file->orderInfo(t->file->controllingOrder())->name);
  return Position(t, 1);
}

AceU32 WINAPI AdsOpenIndex(AceHandle h, AceU8* name, AceHandle* handles, AceU16* count) {
  ENTER(AdsOpenIndex);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  const int before = t->file->orderCount();
  TableStatus s = t->file->AddOrderBag(reinterpret_cast<const char*>(name));
  if (!s) {
    return Fail(s.error().osCode == kOsFileNotFound ? kAeFileNotFound : kAeOpenFailed,
                s.error().description);
  }
  AceU16 n = 0;
  for (int i = before + 1; i <= t->file->orderCount() && n < *count; ++i) {
    handles[n++] = IndexHandle(h, t->file->orderInfo(i)->name);
  }
  *count = n;
  return kAeSuccess;
}

AceU32 WINAPI AdsCloseIndex(AceHandle h) {
  ENTER(AdsCloseIndex);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t) return Fail(kAeInvalidHandle, "not an index");
  if (order < 0) return kAeSuccess;  // closed with its file before
  return FromStatus(t->file->ClearOrders(), 5020);
}

AceU32 WINAPI AdsGetNumIndexes(AceHandle h, AceU16* count) {
  ENTER(AdsGetNumIndexes);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  *count = static_cast<AceU16>(t->file->orderCount());
  return kAeSuccess;
}

AceU32 WINAPI AdsGetIndexHandleByOrder(AceHandle h, AceU16 order, AceHandle* index) {
  ENTER(AdsGetIndexHandleByOrder);
  TableObject* t = TableOf(h);
  if (!t) return Fail(kAeInvalidHandle, "not a table");
  if (order < 1 || order > t->file->orderCount()) return Fail(kAeNotFound, "no such order");
  *index = IndexHandle(h, t->file->orderInfo(order)->name);
  return kAeSuccess;
}

AceU32 WINAPI AdsGetIndexName(AceHandle h, AceU8* name, AceU16* length) {
  ENTER(AdsGetIndexName);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order <= 0) return Fail(kAeInvalidHandle, "not an index");
  return CopyOut(t->file->orderInfo(order)->name, name, length);
}

AceU32 WINAPI AdsGetIndexExpr(AceHandle h, AceU8* expression, AceU16* length) {
  ENTER(AdsGetIndexExpr);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order <= 0) return Fail(kAeInvalidHandle, "not an index");
  return CopyOut(t->file->orderInfo(order)->keyExpression, expression, length);
}

AceU32 WINAPI AdsGetKeyNum(AceHandle h, AceU16, AceU32* position) {
  ENTER(AdsGetKeyNum);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order <= 0) return Fail(kAeInvalidHandle, "not an index");
  uint32_t n = 0;
  TableStatus s = t->file->OrderKeyPosition(order, &n);
  *position = n;
  return FromStatus(s, 5020);
}

AceU32 WINAPI AdsSeek(AceHandle h, AceU8* key, AceU16 length, AceU16 type, AceU16 seekType,
                      AceU16* found) {
  ENTER(AdsSeek);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order <= 0) return Fail(kAeInvalidHandle, "not an index");
  std::optional<Value> value = SeekValue(*t->file->orderInfo(order), key, length, type);
  if (!value) return Fail(5020, "key does not suit the index");
  TableFile& f = *t->file;
  (void)f.RefreshCount();
  (void)f.SetOrder(order);
  uint32_t record = 0;
  TableStatus s = f.OrderSeek(*value, &record);
  if (!s) return FromStatus(s, 5020);
  bool match = false;
  if (record != 0) {
    if (AceU32 rc = Position(t, record)) return rc;
    while (Hidden(t) && Step(t, order, true)) {
    }
    if (Hidden(t)) record = 0;
    if (record != 0) s = f.OrderKeyMatches(*value, &match);
  }
  *found = match;
  if (record == 0 || (!match && seekType == kAdsHardSeek)) return Position(t, 0);
  return FromStatus(s, 5020);
}

AceU32 WINAPI AdsSeekLast(AceHandle h, AceU8* key, AceU16 length, AceU16 type, AceU16* found) {
  ENTER(AdsSeekLast);
  int order = 0;
  TableObject* t = Target(h, &order);
  if (!t || order <= 0) return Fail(kAeInvalidHandle, "not an index");
  std::optional<Value> value = SeekValue(*t->file->orderInfo(order), key, length, type);
  if (!value) return Fail(5020, "key does not suit the index");
  TableFile& f = *t->file;
  (void)f.RefreshCount();
  (void)f.SetOrder(order);
  uint32_t record = 0;
  bool match = false;
  if (f.OrderSeek(*value, &record).ok() && record != 0) {
    (void)Position(t, record);
    (void)f.OrderKeyMatches(*value, &match);
  }
  *found = match;
  if (!match) return Position(t, 0);
  // On to the last record whose key still matches.
  for (;;) {
    const uint32_t here = f.recno();
    bool next = false;
    if (!Step(t, order, true) || !f.OrderKeyMatches(*value, &next).ok() || !next) {
      return Position(t, here);
    }
  }
}

// ---- test controls (ace_standin.h) ----------------------------------------------------------

void WINAPI StandInSetServer(AceU16 type) {
  std::lock_guard<std::mutex> guard(S().mutex);
  S().serverType = type;
}

void WINAPI StandInSetServerFor(const char* location, AceU16 type) {
  std::lock_guard<std::mutex> guard(S().mutex);
  S().servedAt[AsciiUpper(location)] = type;
}

void WINAPI StandInFail(const char* function, AceU32 error) {
  std::lock_guard<std::mutex> guard(S().mutex);
  if (error == 0) {
    S().failing.erase(function);
  } else {
    S().failing[function] = error;
  }
}

AceU32 WINAPI StandInCalls(char* buffer, AceU32 length) {
  std::lock_guard<std::mutex> guard(S().mutex);
  std::string text;
  for (const std::string& call : S().calls) text += call + "\n";
  if (buffer && length > 0) {
    const size_t n = std::min<size_t>(text.size(), length - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
  }
  return static_cast<AceU32>(text.size() + 1);
}

void WINAPI StandInReset() {
  std::lock_guard<std::mutex> guard(S().mutex);
  S().Reset();
}

void WINAPI StandInSetClock(int year, int month, int day, int hour, int minute, int second) {
  std::lock_guard<std::mutex> guard(S().mutex);
  S().env.fixed = LocalTime{{year, month, day}, hour, minute, second};
  S().env.advancedMs = 0;
}

void WINAPI StandInAdvanceClock(AceU32 ms) {
  std::lock_guard<std::mutex> guard(S().mutex);
  S().env.advancedMs += ms;
}

AceU32 WINAPI StandInSleptMs() {
  std::lock_guard<std::mutex> guard(S().mutex);
  return S().env.sleptMs;
}

}  // extern "C"
