#pragma once
// What a table area needs from the table open in it, whoever keeps that table: the local
// back-end (table_file.h: this program reads and writes the DBF, memo and lock bytes itself)
// or a back-end that asks a database server's engine to do so (docs/formats/ace.md).
//
// The area rules stay above this line (table_area.h): positions and the end/beginning flags,
// visibility of deleted records, the write rules that follow from how the table was opened
// and which locks the area holds (39 read-only, 38 lock required), and raising errors to the
// handler. A back-end never raises: every failure comes back as a TableStatus carrying the
// back-end's driver and file name, and the area decides what the handler is asked.
//
// Invariants every back-end keeps (the area relies on them without checking):
//   B1. Records are numbered 1 ... count(); count() + 1 is the end position, where every field
//       reads blank and deleted() is false. recno() is always in 1 ... count() + 1.
//   B2. recno() changes only in GoTo and Append; count() only in RefreshCount, Append and
//       LockTable (which reads the count again, as B5 asks). Writing and committing leave
//       both alone.
//   B3. fields() is fixed from Open to Close: columns are 0-based indexes into it, the same
//       for FieldInto and PutField. Fields the user never sees (system fields of the format)
//       are not in it.
//   B4. A changed record is not lost by moving: whatever PutField and SetDeleted changed
//       reaches the table at the latest on GoTo to another record, Commit, Unlock or Close.
//   B5. LockRecord and LockTable answer false on contention and never fail otherwise; after
//       a lock is taken the locked data reads as the table holds it now, not as read before.
//   B6. The write entries (PutField, SetDeleted, Append) may refuse for reasons of the
//       back-end's own (a type it does not store, a value that does not fit, an index it
//       cannot follow), after the area rules have passed. They never check read-only or
//       locks: REQUIRES for each, the area's write rules passed.
//
// Choosing the back-end. OpenBackend picks the back-end by the driver name: the local one
// serves "DBFCDX" and "DBFNTX"; another one (the server's, under "ADS") is added with
// RegisterBackend by the layer that implements it, so nothing here or in the area changes
// when it arrives.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/format_status.h"
#include "data/base/value.h"
#include "data/env/file_env.h"
#include "data/index/index_order.h"
#include "data/table/table_create.h"
#include "data/table/table_errors.h"

namespace tabrix {

// Where a move in the controlling order goes from.
enum class OrderMove { kFirst, kLast, kNext, kPrevious };

// What CreateOrder builds. The conditions of the build (a FOR condition, the first record
// taken) are set by the caller before.
struct OrderRequest {
  std::string bag;  // index file name; ".cdx" / ".ntx" (by the driver) when it has none
  std::string tag;  // CDX tag name; "" for an NTX file (the order takes the file's base name)
  std::string key;  // key expression
  std::string forCondition;
  bool unique = false;
  bool descending = false;
  uint32_t startRecord = 1;  // the build takes records startRecord ... count
};

class TableBackend {
 public:
  virtual ~TableBackend() = default;

  // ---- what was opened (fixed from Open to Close) -----------------------------------------
  virtual const std::string& driver() const = 0;
  virtual const std::string& fileName() const = 0;
  virtual bool shared() const = 0;
  virtual bool readOnly() const = 0;
  // The production index the back-end found beside the table, "" when none.
  virtual const std::string& productionIndex() const = 0;
  // The visible fields in table order (B3).
  virtual const std::vector<StructureRow>& fields() const = 0;
  // The table's code page mark as a DBF header carries it (0x02 code page 850, 0x03 Windows
  // ANSI, 0x00 none).
  virtual uint8_t codePageMark() const = 0;

  // ---- records and positions ----------------------------------------------------------------
  // Records in the table, deleted ones included, as last read.
  virtual uint32_t count() const = 0;
  // Reads the count again where other programs may have appended (shared tables).
  virtual TableStatus RefreshCount() = 0;
  virtual uint32_t recno() const = 0;
  // Makes record n current; n outside 1 ... count() makes the end position current.
  // fresh: read the record as the table holds it now, not from what was read before (an
  // explicit positioning); otherwise a walk may be served from records read ahead.
  virtual TableStatus GoTo(uint32_t n, bool fresh) = 0;
  // Whether the current record carries the deletion mark.
  virtual bool deleted() const = 0;
  // The value of field `column` of the current record into *out, reusing the string *out
  // holds. Fails for stored bytes the back-end cannot decode.
  virtual Status FieldInto(size_t column, Value* out) const = 0;

  // ---- writes (B6) ---------------------------------------------------------------------------
  // At the end position the value goes nowhere (no record), after the back-end's own checks.
  virtual TableStatus PutField(size_t column, const Value& value) = 0;
  virtual TableStatus SetDeleted(bool deleted) = 0;
  // Adds a blank record, locks it (shared tables) and makes it current. releaseOthers:
  // release the record locks held before. Contention: generic code 40, retry allowed.
  virtual TableStatus Append(bool releaseOthers) = 0;

  // ---- locks (B5) ----------------------------------------------------------------------------
  // Releases this program's other record locks, then locks the current record; false at the
  // end position or when another program holds the record or the table.
  virtual bool LockRecord() = 0;
  // Locks the whole table, releasing the record locks first.
  virtual bool LockTable() = 0;
  // Whether this program holds record n's lock or the table lock.
  virtual bool RecordLocked(uint32_t n) const = 0;
  // Writes back the current record, then releases every lock.
  virtual TableStatus Unlock() = 0;

  // ---- orders (a back-end without them keeps record order: these defaults) -----------------
  // Orders in the order list, numbered 1 ... orderCount() as opened or created.
  virtual int orderCount() const { return 0; }
  // nullptr outside 1 ... orderCount().
  virtual const OrderInfo* orderInfo(int) const { return nullptr; }
  // 0: record order.
  virtual int controllingOrder() const { return 0; }
  // Order 0 ... orderCount(); anything else is argument error 1.
  virtual TableStatus SetOrder(int order);
  // Opens an index file and appends its orders to the list.
  virtual TableStatus AddOrderBag(const std::string& file);
  // Closes the index files except the production one.
  virtual TableStatus ClearOrders() { return {}; }
  // Builds an order over the table's records; it becomes controlling.
  virtual TableStatus CreateOrder(const OrderRequest& request);
  // The record a move in the controlling order reaches from the current record (the end
  // position: kPrevious reaches the last entry), 0 when none. Record order is the area's.
  virtual TableStatus OrderMoveFrom(OrderMove, uint32_t* record) {
    *record = 0;
    return {};
  }
  // The record n entries on (n < 0: back) from the current record's entry in the controlling
  // order, every entry counting, 0 when the order ends first. *done false: this back-end has
  // no such skip, and the caller steps.
  virtual TableStatus OrderSkipFrom(int64_t, uint32_t* record, bool* done) {
    *record = 0;
    *done = false;
    return {};
  }
  // The first record whose key does not come before `key` in the controlling order; 0 when
  // none.
  virtual TableStatus OrderSeek(const Value&, uint32_t* record) {
    *record = 0;
    return {};
  }
  // Whether the current record's key in the controlling order starts with `key`.
  virtual TableStatus OrderKeyMatches(const Value&, bool* match) {
    *match = false;
    return {};
  }
  // 1-based position of the current record's key in `order`; 0 when it has none there.
  virtual TableStatus OrderKeyPosition(int, uint32_t* position) {
    *position = 0;
    return {};
  }
  // Where the current record's key lies in the controlling order as a fraction of its keys,
  // estimated where the index allows it cheaply; -1 when it has none there or this back-end
  // cannot tell (the caller then counts with OrderKeyPosition).
  virtual TableStatus OrderKeyFraction(double* fraction) {
    *fraction = -1.0;
    return {};
  }
  // The record at about `fraction` (0 ... 1) of the controlling order's keys, 0 when the order
  // is empty. *done false: this back-end has no such jump, and the caller skips.
  virtual TableStatus OrderRecordAtFraction(double, uint32_t* record, bool* done) {
    *record = 0;
    *done = false;
    return {};
  }

  // ---- ending -------------------------------------------------------------------------------
  // Hands every change to the table's device (local) or server.
  virtual TableStatus Commit() = 0;
  // Commit (unless read-only), release the locks, close. The object stays only for destruction.
  virtual TableStatus Close() = 0;
};

// ---- choosing the back-end ------------------------------------------------------------------

// What OpenTable asks for: the file name with its extension, the driver in upper case.
struct BackendRequest {
  Env* env = nullptr;  // the Env of the local files (table_area.h TableEnv())
  std::string fileName;
  std::string driver;
  bool shared = true;
  bool readOnly = false;
};

// A back-end's entry points for one driver name. Open fails with the error OpenTable raises
// (21 open error, 32 damaged table); Create writes a new empty table (20 on failure).
struct BackendKind {
  std::string driver;
  TableStatus (*open)(const BackendRequest& request, std::unique_ptr<TableBackend>* out) = nullptr;
  TableStatus (*create)(Env* env, const std::string& fileName,
                        const std::vector<StructureRow>& rows, const std::string& driver) = nullptr;
};

// The back-end serving driver (upper case, exact name); nullptr when no back-end does.
const BackendKind* FindBackend(std::string_view driver);
// The driver names served, the local ones first, then in the order they were registered.
std::vector<std::string> BackendDrivers();
// Adds a back-end for kind.driver, replacing an earlier one of that name.
void RegisterBackend(BackendKind kind);
// Removes the back-end of driver (tests that register their own take it away again).
void UnregisterBackend(std::string_view driver);

// Opens request.fileName through the back-end of request.driver. REQUIRES: FindBackend
// finds one.
TableStatus OpenBackend(const BackendRequest& request, std::unique_ptr<TableBackend>* out);

}  // namespace tabrix
