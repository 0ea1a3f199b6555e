#pragma once
// One open DBF table of the local back-end: its file handles, the record buffer, the locks
// this program holds in it, appending and writing back. It is the local back-end of the
// table areas (table_backend.h): they sit on top and add positioning rules, visibility of
// deleted records, the write rules of the open mode and the locks, and the error handler.
//
// Record buffer. Exactly one record (the current one) is held in a buffer. Writes change the
// buffer; it is written back when another record becomes current, on Commit, Unlock and
// Close. The last record is written together with the end-of-file byte 0x1A.
//
// Reading ahead. Records are read in blocks of up to kReadAheadBytes into a read cache, so
// that walking a table costs one read per block. The cache is dropped whenever a lock is
// taken (lock_offsets.h I8: what a lock protects is re-read after taking it), on Reload(), and
// after every append; the area drops it on GoTop, GoBottom and GoTo, so an explicit
// positioning always sees the file as it is now. Skip may serve records from the cache.
//
// Writing behind (exclusive tables). Nobody else sees an exclusive table, so the records
// written back at the end of the table (appends, mostly) collect in a write-behind buffer of
// up to kWriteBehindBytes and reach the file in one write, with the end-of-file byte: when the
// buffer is full, before any read of records from the file, and on Commit, Unlock and Close.
//
// Header date. The last-update date becomes today with the first append (shared tables) or
// on the first Commit/Close after a change.
//
// Memos before their records. A record that points to a memo written in this session becomes
// visible in the table file only after the memo file (blocks and next-free pointer) has been
// flushed to the device: the system may write the table's pages before the memo file's, and a
// crash then would leave a pointer to blocks that never arrived, or a next-free pointer that
// hands the new memo's blocks out again. So a crash leaves each record with its old memo or its
// new one. A record is visible once the header on disk counts it: records written back inside
// that count wait for the memo flush (one per record on shared tables, only when a memo of the
// session is not yet flushed); records appended to an exclusive table lie beyond it until
// Commit, which flushes the memos and the records before it writes the new count.
//
// Record count. Tables opened shared re-read the count from the header (and the file size)
// in RefreshCount(), which the area calls when positioning and before declaring the end, so
// records other programs appended become visible. Tables opened exclusively keep the count
// in memory and write it to the header on Commit and Close (every append of an exclusive
// table would otherwise rewrite the header).
//
// Appending (shared): lock the header byte (a few tries: other appenders hold it briefly) ->
// re-read the count -> lock the new record -> write the blank record and 0x1A -> write the
// count and today's date into the header -> unlock the header (docs/formats/locking.md, section 3).
//
// Write rules. The area checks first that the table is not read-only (39) and, on a shared
// table, that the current record or the whole table is locked by this program (38). Then
// PutField and SetDeleted check, in this order: writing while an open index cannot follow the
// write (its key expression is not understood, its file is damaged) is refused (30): an index
// left behind its table misleads every program that uses it; the field type takes the value
// (33: "C" and "M" strings, "N" and "F" numbers, "D" dates, "L" logicals; other types are not
// written, 30); the value fits (34).
//
// dBASE 7 tables are read, not written: every write is refused (30), because this writer knows
// neither their autoincrement fields nor their field properties.
//
// Orders. The production CDX (driver "DBFCDX", a .CDX of the table's base name) opens with the
// table, further index files with AddOrderBag (table_orders.h).
//
// The production index bit (header byte 28, bit 0x01) tells FoxPro-family programs to open the
// production CDX with the table and to keep it; without it they neither open nor keep it. So:
//   - CreateOrder that makes or fills the production CDX of a writable table sets the bit in the
//     file (a read-only table cannot record it; its CDX is then unmarked, see below).
//   - CreateTable, which removes the old CDX, writes a header without it.
//   - A production CDX found beside a table whose bit is clear may be stale: a program of the
//     FoxPro family may have changed the table without keeping it. It is opened with the table
//     and its orders can be read (they may not match the table), but the table layer does not
//     vouch for it: every write to the table and every CreateOrder is refused (30, naming the
//     index) while it is open, so that no record is written behind it and the bit is never set
//     on an index nobody kept. Nothing is lost: the table and the index stay as they are; once
//     the index is rebuilt or removed by the program that owns it, the table is written again.
//   - A set bit without a CDX beside the table is left as found (in dBASE tables the bit marks
//     an MDX). Every write reaches the orders
// when the record is written back: the entries of the bytes kept before the record's first
// change make way for those of the bytes written; an appended record enters them with its blank
// bytes (shared tables at once, with the record; exclusive ones when it is written back).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/base/value.h"
#include "data/env/file_env.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/formats/field_types.h"
#include "data/formats/lock_offsets.h"
#include "data/table/memo_file.h"
#include "data/table/table_backend.h"
#include "data/table/table_errors.h"
#include "data/table/table_orders.h"

namespace tabrix {

inline constexpr size_t kReadAheadBytes = 64 * 1024;
inline constexpr size_t kWriteBehindBytes = 1024 * 1024;

class TableFile final : public TableBackend {
 public:
  // Opens the table, its memo file (required when the table has memo fields) and notes a
  // production index (driver "DBFCDX" and a .CDX of the same base name). Failures carry
  // generic code 21 (or 32 for a damaged header) and the file name.
  static TableStatus Open(Env* env, const std::string& fileName, const std::string& driver,
                          bool shared, bool readOnly, std::unique_ptr<TableFile>* out);
  // Best effort: writes pending changes. Call Close() to see its errors.
  ~TableFile() override;
  TableFile(const TableFile&) = delete;
  TableFile& operator=(const TableFile&) = delete;

  const DbfHeader& header() const { return header_; }
  const std::string& fileName() const override { return fileName_; }
  const std::string& driver() const override { return driver_; }
  bool shared() const override { return shared_; }
  bool readOnly() const override { return readOnly_; }
  // The production index file name, "" when none was found beside the table.
  const std::string& productionIndex() const override { return productionIndex_; }
  // The header's fields without the system ones (the _NullFlags field, flagged fields).
  const std::vector<StructureRow>& fields() const override { return fields_; }
  uint8_t codePageMark() const override { return header_.codePageMark; }

  // Records in the table, deleted ones included.
  uint32_t count() const override { return count_; }
  // Shared tables: re-reads the count from the file. No-op for exclusive tables.
  TableStatus RefreshCount() override;

  // Current record number; count() + 1 is the end position (all fields blank).
  uint32_t recno() const override { return recno_; }
  // Makes record n current (n outside 1 ... count: the end position). Writes back a changed
  // buffer first. fresh: read from the file, not from the read cache.
  TableStatus GoTo(uint32_t n, bool fresh) override;
  // Whether record n carries the deletion mark (reads through the cache; the current record
  // comes from the buffer). REQUIRES: 1 <= n <= count().
  Result<bool> IsDeletedAt(uint32_t n);
  bool deleted() const override { return RecordIsDeleted(buffer_); }

  // Field `column` (0-based into fields()) of the current record.
  Result<Value> Field(size_t column) const;
  // The same into *out, reusing the string storage *out holds (DbfRecordDecoder::FieldInto).
  Status FieldInto(size_t column, Value* out) const override {
    return decoder_->FieldInto(buffer_, header_.RecordOffset(recno_ > 1 ? recno_ : 1),
                               columns_[column], out);
  }
  TableStatus PutField(size_t column, const Value& value) override;
  TableStatus SetDeleted(bool deleted) override;

  // Adds a blank record, locks it (shared) and makes it current. releaseOthers: release the
  // record locks held before. Contention for the header or the new record: generic code 40.
  TableStatus Append(bool releaseOthers) override;

  // false on contention (or for the end position / a record beyond the lockable range).
  bool LockRecord() override;
  bool LockTable() override;
  bool RecordLocked(uint32_t n) const override;
  bool TableLocked() const { return tableLock_.held(); }
  // Writes back the buffer, then releases every lock.
  TableStatus Unlock() override;
  // Writes back the buffer when n is the current record, then releases record n's lock (a
  // database server gives back one record lock of a handle).
  TableStatus UnlockRecord(uint32_t n);

  // Orders (table_orders.h): the list, the controlling order and moves in it.
  int orderCount() const override;
  const OrderInfo* orderInfo(int order) const override;
  int controllingOrder() const override;
  TableStatus SetOrder(int order) override;
  TableStatus AddOrderBag(const std::string& file) override;
  TableStatus ClearOrders() override;
  TableStatus CreateOrder(const OrderRequest& request) override;
  TableStatus OrderMoveFrom(OrderMove move, uint32_t* record) override;
  TableStatus OrderSkipFrom(int64_t n, uint32_t* record, bool* done) override;
  TableStatus OrderKeyFraction(double* fraction) override;
  TableStatus OrderRecordAtFraction(double fraction, uint32_t* record, bool* done) override;
  TableStatus OrderSeek(const Value& key, uint32_t* record) override;
  TableStatus OrderKeyMatches(const Value& key, bool* match) override;
  TableStatus OrderKeyPosition(int order, uint32_t* position) override;

  // Writes back the buffer and a deferred header, and hands the data to the device.
  TableStatus Commit() override;
  // Commit, release the locks, close the files. The object stays only for destruction.
  TableStatus Close() override;

 private:
  TableFile() = default;
  TableStatus WriteBack();
  TableStatus FlushBehind();
  TableStatus WriteHeaderCount();
  // Flushes the memo file when a memo written since its last flush is not yet on the device.
  TableStatus MemosToDevice();
  TableStatus ReadRecord(uint32_t n, bool fresh, std::span<uint8_t> out);
  // Why writes are refused while an open index cannot follow them, or success.
  TableStatus IndexRefusal(const char* operation) const;
  // After the order list changed: whether records have entries to keep, whether writes are
  // refused.
  void OrdersChanged();
  // Keeps the record's bytes before its first change, for the orders' upkeep.
  void KeepOriginal();
  TableOrders* Orders();
  // Sets the production index bit in the file's header (see "The production index bit").
  TableStatus MarkProductionIndex();
  // What PutField refuses before writing (the checks in their order), and the error of a
  // value the encoder refused.
  [[gnu::noinline]] TableStatus Refusal(size_t index, const Value& value) const;
  [[gnu::noinline]] ErrorObject EncodeRefusal(size_t index, const Value& value,
                                              const FormatError& error) const;
  TableStatus PutMemo(size_t index, const Value& value);
  void DropCache() { cacheCount_ = 0; }
  void ReleaseRecordLocks(uint32_t except);
  TableStatus ReloadCurrent();
  // An error of this table, placed at `at` (table_errors.h).
  ErrorObject Error(int genCode, int subCode, std::string description, std::string operation,
                    const CallSite& at = CallSite::Current()) const;

  Env* env_ = nullptr;  // the clock and the pauses between lock tries
  std::unique_ptr<File> file_;
  std::unique_ptr<MemoFile> memo_;
  std::string fileName_;
  std::string driver_;
  std::string productionIndex_;
  LockDialect dialect_ = LockDialect::kFoxPro;
  bool shared_ = true;
  bool readOnly_ = false;
  DbfHeader header_;
  std::unique_ptr<DbfRecordDecoder> decoder_;
  std::vector<StructureRow> fields_;
  std::vector<size_t> columns_;    // header field index of each column of fields_
  std::vector<FieldTakes> takes_;  // what a write of each column takes

  uint32_t count_ = 0;
  uint32_t recno_ = 1;
  std::vector<uint8_t> buffer_;
  std::vector<uint8_t> blank_;  // a blank record of this table
  bool dirty_ = false;
  bool headerDirty_ = false;    // exclusive tables: count and date not yet in the header
  bool modified_ = false;       // a record was written in this session
  bool dateWritten_ = false;    // today's date is in the header
  bool memoUnflushed_ = false;  // a memo was written since the memo file's last flush
  bool closed_ = true;          // until Open has succeeded

  // Orders. indexed_: records have entries to keep; original_: the current record's bytes
  // before its first change; unindexed_: the current record (appended to an exclusive table)
  // has no entries yet. writesRefused_: an open index cannot follow writes (IndexRefusal).
  std::unique_ptr<TableOrders> orders_;
  TableStatus indexFailure_;
  TableStatus unmarkedIndex_;  // the production CDX is not marked in the header: writes refused
  bool indexed_ = false;
  bool writesRefused_ = false;
  bool unindexed_ = false;
  std::vector<uint8_t> original_;

  // Exclusive tables: records behindFirst_ ... written back but not yet in the file.
  std::vector<uint8_t> behind_;
  uint32_t behindFirst_ = 0;

  std::vector<uint8_t> cache_;
  uint32_t cacheFirst_ = 0;
  uint32_t cacheCount_ = 0;

  std::map<uint32_t, RangeLock> recordLocks_;
  RangeLock tableLock_;
};

// Today's local date by env's clock, as written into the header of a changed table.
Date TodayForHeader(Env* env);

}  // namespace tabrix
