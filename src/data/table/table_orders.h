#pragma once
// The index orders of one table kept by the local back-end: its order list (the production CDX
// opened with the table, bags added later, orders created), the key of a record in each order,
// and the upkeep that keeps every order equal to the table after each record written.
//
// Keys. An order's key expression and FOR condition are compiled once against the table's
// structure (data/expr); a record's entry in an order is the key value of its bytes in the
// order's key form (IndexOrder::EncodeKey), or none when its FOR condition is false. Deleted
// records keep their entries: visibility is the areas' business.
//
// Upkeep. A record's entries are taken from its bytes before a change (as the file holds them)
// and after it; where they differ, the old entry is removed and the new one inserted, in every
// order of the list (not only the controlling one). A new record enters every order with its
// blank bytes when it is appended.
//
// Orders that cannot be kept. An index file whose key expression this program does not
// understand, or whose pages are damaged, is still listed, but every write to the table is
// refused while it is open (30, naming the expression or the damage): a table changed behind
// one of its indexes misleads every program that uses the index. Reading, also in that order
// when its pages are sound, goes on.
//
// Invariants:
//   T1. Orders are numbered 1 ... count() in the order they were opened or created; the
//       controlling order is 0 (record order) or one of them.
//   T2. After Changed/Added return ok, every sound order holds exactly the entries of the
//       table's records (FOR conditions applied), as a fresh build would.
//   T3. Navigation hands out record numbers only; the caller reads the record.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/base/value.h"
#include "data/env/file_env.h"
#include "data/expr/expression.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbf_record.h"
#include "data/index/index_order.h"
#include "data/table/table_backend.h"
#include "data/table/table_errors.h"

namespace tabrix {

class CdxFile;

// Reads record bytes for builds and for the current record's entry.
class RecordReader {
 public:
  virtual ~RecordReader() = default;
  virtual uint32_t RecordCount() = 0;
  // The bytes of record n (1 ... RecordCount()), valid until the next call.
  virtual TableStatus Record(uint32_t n, std::span<const uint8_t>* bytes) = 0;
};

class TableOrders {
 public:
  struct Setup {
    Env* env = nullptr;
    std::string tableFile;
    std::string driver;  // "DBFCDX" (CDX bags) or "DBFNTX" (NTX files)
    bool shared = true;
    bool readOnly = false;
    const DbfHeader* header = nullptr;
    const DbfRecordDecoder* decoder = nullptr;
    const std::vector<size_t>* columns = nullptr;  // header field of each visible column
  };
  explicit TableOrders(Setup setup);
  ~TableOrders();
  TableOrders(const TableOrders&) = delete;
  TableOrders& operator=(const TableOrders&) = delete;

  // Opens an index file and appends its orders (CDX: every tag; NTX: its one order).
  // production: the CDX of the table's base name, which ClearOrders keeps.
  TableStatus AddBag(const std::string& file, bool production);
  // Closes every bag except the production CDX; the controlling order becomes 0 unless it
  // was one of the production tags.
  void Clear();
  // Builds an order over the table's records and appends it; it becomes controlling.
  TableStatus Create(const OrderRequest& request, RecordReader* records);

  int count() const { return static_cast<int>(orders_.size()); }
  // REQUIRES: 1 <= order <= count().
  const OrderInfo& info(int order) const;
  int controlling() const { return controlling_; }
  // Order 0 ... count(); anything else is refused with argument error 1.
  TableStatus SetControlling(int order);
  // The reason writes are refused (see "Orders that cannot be kept"), or success.
  TableStatus WriteRefusal(const char* operation) const;

  // Upkeep (T2). before/after: the record's bytes as the file holds them and as they will be.
  TableStatus Changed(uint32_t recno, std::span<const uint8_t> before,
                      std::span<const uint8_t> after);
  TableStatus Added(uint32_t recno, std::span<const uint8_t> record);
  // Whether any order is open (upkeep needed).
  bool empty() const { return orders_.empty(); }
  // The file of the production CDX when it is open (opened with the table, or made by Create:
  // a CDX of the table's base name, driver "DBFCDX"), "" otherwise.
  std::string ProductionBag() const;

  // The record the move reaches in the controlling order, 0 when none. kNext and kPrevious
  // go from the entry of (recno, record); recno 0 stands for the end position, from which
  // kPrevious reaches the last entry and kNext none. REQUIRES: controlling() > 0.
  TableStatus Move(OrderMove move, uint32_t recno, std::span<const uint8_t> record, uint32_t* out);
  // The record n entries on (n < 0: back) from the entry of (recno, record) in the controlling
  // order, 0 when the order ends first. REQUIRES: controlling() > 0, recno > 0.
  TableStatus SkipKeys(int64_t n, uint32_t recno, std::span<const uint8_t> record, uint32_t* out);
  // The first record whose key does not come before `key` in the controlling order, 0 when
  // none. REQUIRES: controlling() > 0.
  TableStatus Seek(const Value& key, uint32_t* record);
  // Whether the record's key in the controlling order starts with `key` (a Seek hit).
  TableStatus KeyStartsWith(const Value& key, uint32_t recno, std::span<const uint8_t> record,
                            bool* match);
  // 1-based position of the record's entry in `order`; 0 when it has none.
  TableStatus KeyPosition(int order, uint32_t recno, std::span<const uint8_t> record,
                          uint32_t* position);
  // Where the record's entry lies in the controlling order as a fraction of its entries (0 the
  // first; estimated from one path down a CDX tree); -1 when it has none.
  // REQUIRES: controlling() > 0.
  TableStatus KeyFraction(uint32_t recno, std::span<const uint8_t> record, double* fraction);
  // The record of the entry at about `fraction` (0 ... 1) of the controlling order, 0 in an
  // empty order. REQUIRES: controlling() > 0.
  TableStatus RecordAtFraction(double fraction, uint32_t* record);
  // Hands written index pages to the device.
  TableStatus Flush();

 private:
  struct Order;
  struct Bag;
  class RecordView;

  TableStatus OpenCdx(const std::string& file, bool production);
  TableStatus OpenNtx(const std::string& file);
  // Compiles the order's expressions; a failure marks the order as not kept.
  void Prepare(Order* order);
  TableStatus EntryOf(Order& order, uint32_t recno, std::span<const uint8_t> record,
                      std::optional<IndexEntry>* entry);
  TableStatus IndexError(const IoStatus& io, const std::string& file, const char* operation,
                         const CallSite& at = CallSite::Current()) const;
  TableStatus ExprFailure(const ExprError& error, const char* operation,
                          const CallSite& at = CallSite::Current()) const;

  Setup setup_;
  ExprStructure structure_;
  std::unique_ptr<RecordView> view_;
  std::vector<std::unique_ptr<Bag>> bags_;
  std::vector<std::unique_ptr<Order>> orders_;
  int controlling_ = 0;
};

}  // namespace tabrix
