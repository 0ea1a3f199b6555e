#pragma once
// The table access layer as callers see it: numbered table areas, each holding one open
// table, and the operations on them. The table itself is kept by a back-end chosen by the
// driver (table_backend.h): the local one reads and writes the files itself through the Env
// of file_env.h. The rules below are the areas' own and hold whatever the back-end.
//
// Areas. Areas 1 ... kMaxTableAreas are addressable; one of them is current, and every
// operation that names no area acts on it. An area in use has an alias (unique, upper case),
// a driver ("DBFCDX", "DBFNTX", or "ADS" when the server's engine is loaded), a record position
// and the locks this program holds in it.
// Process state: the current area, the default driver, the visibility of deleted records
// (invisible unless changed) and the network-error flag (network_error.h).
//
// Positions. The record number runs 1 ... RecordCount(); RecordCount() + 1 is the end
// position, where every field reads blank. While deleted records are invisible GoTop, GoBottom
// and Skip pass over them; GoTo lands on any record. Moving forward past the last visible
// record sets AtEnd() and positions at the end; moving backward before the first visible
// record sets AtBeginning() and stays on that first visible record. GoTop and GoBottom clear
// both flags, unless the table has no visible record: then both are set and the area is at
// the end position.
//
// Errors. A failing operation raises an error object (error.h, codes in table_errors.h) to
// the current handler. "retry" repeats the failed step; "default" makes the operation fail
// softly with its failure result (false, nothing, a blank value); a substitute value is
// returned by GetField; abandoning throws ErrorAbandoned out of the call. LockRecord and
// LockTable never raise on contention: they return false.
//
// Writes. PutField, MarkDeleted and UnmarkDeleted need: a table not opened read-only (39), on
// a shared table the current record or the table locked by this program (38), a value of the
// field's type (33: "C"/"M" strings, "N"/"F" numbers, "D" dates, "L" logicals), and a value
// that fits (34). "C" values are cut or blank padded to the field length. Writes reach the
// file when another record becomes current, on CommitArea/CommitAllAreas, UnlockArea and
// CloseArea. Tables opened with "DBFCDX" whose production index (.CDX of the same base name)
// was found are read normally, but writes to them raise 30 until indexes are maintained.
//
// Text is handed out and taken as the stored bytes (code page 850); no conversion here.
// Single-threaded, like the whole program.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "data/base/driver_names.h"
#include "data/base/network_error.h"
#include "data/base/value.h"
#include "data/diagnostics/error_platform.h"
#include "data/env/file_env.h"
#include "data/table/table_create.h"

namespace tabrix {

inline constexpr int kMaxTableAreas = 1024;  // the error log walks 1 ... 600

// ---- drivers ------------------------------------------------------------------------------
// kDriverCdx and kDriverNtx: data/base/driver_names.h.

// Reads the default driver ("DBFCDX" at start) and, when a registered name is given, sets it.
// Returns the previous name.
std::string SetDefaultDriver(std::optional<std::string_view> driver = std::nullopt);
// Drivers that OpenTable and CreateTable accept.
std::vector<std::string> RegisteredDrivers();

// ---- areas --------------------------------------------------------------------------------

// Makes area `area` current; 0 makes the lowest-numbered free area current. A number outside
// 0 ... kMaxTableAreas raises argument error 1.
void SelectArea(int area);
// Makes the area of alias current; an unknown alias raises 15 and leaves the current area.
void SelectArea(std::string_view alias);
// The area carrying alias (case-insensitive), 0 when none.
int AreaOfAlias(std::string_view alias);
// The current area's number.
int AreaOfAlias();
// The alias of the current / the given area, "" for a free area.
std::string AliasOfArea();
std::string AliasOfArea(int area);
bool IsAreaUsed();
// "" for a free area.
std::string DriverOfArea();
// The code page mark of the current area's table as its header carries it (byte 29: 0x02
// code page 850, 0x03 Windows ANSI, 0x00 none; nothing is converted because of it), so a
// caller can tell window text from table text in a foreign table; 0 for a free area.
uint8_t CodePageMark();

// Evaluating in an area: makes `area` current, calls f, makes the previous area current again
// (also when f throws). Returns f's result.
class AreaSwitch {
 public:
  explicit AreaSwitch(int area);
  ~AreaSwitch();
  AreaSwitch(const AreaSwitch&) = delete;
  AreaSwitch& operator=(const AreaSwitch&) = delete;

 private:
  int previous_;
};
template <typename F>
auto EvaluateInArea(int area, F&& f) -> std::invoke_result_t<F> {
  AreaSwitch scope(area);
  return f();
}

// ---- opening and closing -------------------------------------------------------------------

// Opens fileName (".DBF" added when it has no extension) into the current area, or with
// newArea into the lowest free area, which becomes current. driver "" means the default
// driver; alias "" means the file's base name. The table already open in the target area is
// closed first. Resets the network-error flag first. Returns true when the table is open.
// Failures raise: 21 open error (file missing: OS code 2 and the file name; sharing
// violation: OS code 32), 32/21 for a damaged header, 18 for an alias in use; "default"
// makes OpenTable return false.
bool OpenTable(bool newArea, std::string_view driver, std::string_view fileName,
               std::string_view alias, bool shared, bool readOnly);
// Writes a new empty table (and its memo file when rows hold "M" fields), replacing existing
// files; see table_create.h for the versions written. Failure raises create error 20.
void CreateTable(std::string_view fileName, const std::vector<StructureRow>& rows,
                 std::string_view driver = {});
// Writes pending changes, releases the locks, closes the table; the area becomes free.
void CloseArea();
void CloseAllAreas();
// Writes pending changes of the current / every table to its files.
void CommitArea();
void CommitAllAreas();

// ---- navigation and records ---------------------------------------------------------------

void GoTop();
void GoBottom();
void Skip(int64_t n = 1);
void GoTo(int64_t recno);
bool AtEnd();
bool AtBeginning();
int64_t RecordNumber();
int64_t RecordCount();
bool IsDeleted();
void MarkDeleted();
void UnmarkDeleted();
// Adds a blank record at the end, locks it (shared tables) and makes it current. Releases the
// area's record locks first unless releaseOtherLocks is false. Resets the network-error flag.
// A failed append lock raises 40; "default" returns false.
bool AppendRecord(bool releaseOtherLocks = true);
// The caller's argument as given: anything that is not a logical counts as true.
bool AppendRecord(const Value& releaseOtherLocks);

// Whether deleted records are visible to GoTop, GoBottom and Skip; returns the previous
// setting. Start-up makes them invisible; only the fast skip of the shared-table opener
// switches them on, briefly.
bool SetDeletedVisible(bool visible);
bool DeletedVisible();

// ---- orders -------------------------------------------------------------------------------
// Orders are numbered 1 ... OrderCount() in the order they were opened or created; order 0 is
// record order. The production CDX of a "DBFCDX" table opens with it (none controlling).

// Opens an index file (NTX: one order; CDX: all its tags) and appends its orders.
void AddOrderBag(std::string_view file);
// Closes every index file except the production CDX.
void ClearOrders();
// The conditions of the next CreateOrder in this area: a FOR condition ("" none), and whether
// all records are taken or those from startRecord on (0: from the current record).
void SetOrderCondition(std::string_view forCondition, bool allRecords = true,
                       int64_t startRecord = 0);
// Builds an order over the table from the key expression and makes it controlling, then goes
// to the top. bag "": the production CDX ("DBFCDX") or an NTX file named by the tag beside the
// table ("DBFNTX"). Failures raise (a key expression not understood names it).
void CreateOrder(std::string_view bag, std::string_view tag, std::string_view key,
                 bool unique = false, bool descending = false);
// Chooses the controlling order; a number outside 0 ... OrderCount() raises argument error 1.
void SetOrder(int order);
int CurrentOrder();
int OrderCount();
// The key expression / name of that order ("" for 0 and numbers outside the list).
std::string OrderKeyText(int order);
std::string OrderName(int order);
// 1-based position of the current record's key in the order (default: the controlling one;
// in record order the record number); 0 at the end or when the record has no key there.
int64_t OrderKeyPosition(std::optional<int> order = std::nullopt);
// Where the current record lies in the controlling order as a fraction of its keys, 0 for the
// first and (k - 1) / keys for the k-th (record order: (recno - 1) / count). In a CDX order it
// is estimated from one path down the tree, so it costs a few page reads however large the
// table; elsewhere it is counted. Nothing at the end, when the record has no key there, or
// when the back-end cannot tell (the caller then counts with OrderKeyPosition).
std::optional<double> OrderKeyFraction();
// Goes to the record at about `fraction` (0 ... 1) of the controlling order by the same
// estimate (record order: that share of the record numbers), visible or not. An empty order
// goes to the end. false, and no move: the back-end has no such jump, and the caller skips.
bool GoToOrderFraction(double fraction);
// Positions on the first visible record whose key starts with `key` (character keys compare
// over the value's length) and sets the found flag. A miss goes to the end, or with soft to
// the record of the next greater key (the end when none). Without a controlling order raises
// 36.
bool Seek(const Value& key, bool soft = false);
// The found flag of the last Seek or Locate.
bool WasFound();
// The scope of a Locate: everything from the top (default), `next` records from the current
// one, only `record`, or the rest from the current one; `whileCondition` ends the search at the
// first record where it fails.
struct LocateScope {
  std::function<bool()> whileCondition;
  std::optional<int64_t> next;
  std::optional<int64_t> record;
  bool rest = false;
};
// Searches the visible records of the scope in controlling order for the first meeting the
// condition and stays there (found flag set); otherwise ends where the scope ends.
void Locate(const std::function<bool()>& condition, const LocateScope& scope = {});
// "" (this program sets no filters and no relations; the texts are only reported).
std::string FilterText();
std::string RelationText();

// ---- locks --------------------------------------------------------------------------------

// Releases this program's other record locks in the area, then locks the current record.
// false when another program holds it (or the table), or at the end position.
bool LockRecord();
// Locks the whole table (releasing the area's record locks first); false when any other
// program holds a lock in it.
bool LockTable();
// Writes back the record buffer and releases every lock of the area.
void UnlockArea();

// ---- fields -------------------------------------------------------------------------------

std::vector<StructureRow> Structure();
// 1-based position of the field, case-insensitive; 0 when there is none.
int FieldPosition(std::string_view name);
// The field of the current record (values per type: value.h). A position outside 1 ... field
// count yields Null. A free area raises 35.
Value GetField(int position);
// GetField into *out, with the same results and errors: the string of a text or memo value
// goes into the string *out already holds. A caller that walks whole tables keeps one Value per
// field position and passes it for every record; once its strings have grown to the longest
// value, reading allocates nothing.
void GetFieldInto(int position, Value* out);
void PutField(int position, const Value& value);
// Field by name in the given area (0: the current one). An unknown name raises argument
// error 1.
Value GetFieldByName(int area, std::string_view name);
void PutFieldByName(int area, std::string_view name, const Value& value);

// ---- for tests and the error report -------------------------------------------------------

// The Env the local back-end opens files through (DefaultEnv() unless replaced). Returns the
// previous one. REQUIRES: no table open.
Env* SetTableEnv(Env* env);
// The Env the local back-end opens files through now.
Env* TableEnv();
// What the long error report lists about area `area`; nothing for a free area.
std::optional<WorkAreaReport> TableAreaReport(int area);

}  // namespace tabrix
