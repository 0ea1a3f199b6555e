#pragma once
// The remote back-end: a table kept by the database server, every operation carried out by
// the server through its client engine (ace_engine.h). It serves the driver "ADS" behind the
// table areas' seam (table_backend.h); the area rules (positions, visibility of deleted
// records, the write rules of the open mode) stay in the areas.
//
// How the seam maps onto the engine:
//   R1. The engine shows deleted records (AdsShowDeleted(TRUE), set by the start-up): the area
//       decides what is visible, as on the local back-end.
//   R2. The engine's current record is the back-end's record position, or known to differ
//       (engineAt_): a move through an index handle (A5) leaves the table elsewhere, and every
//       call that reads or writes the current record first goes back to the position.
//   R3. At the end position nothing is asked: every field reads blank, deleted() is false.
//   R4. Locks are the server's. The back-end only remembers which it took (RecordLocked is
//       asked for every field written): record locks through AdsLockRecord and the append,
//       the table lock through AdsLockTable; AdsUnlockTable gives all of them back.
//   R5. Values travel as the stored text: C and M as bytes (the engine opens OEM tables and
//       passes them on), N as the digits the local back-end writes (FormatNumberField), D as
//       CCYYMMDD on reading and as a Julian day on writing, L as the engine's logical. So a
//       value reads back alike on both back-ends, and a value that does not fit is refused
//       with the local back-end's error before the server sees it.
//   R6. The code page mark is the header's, read before the server opens the table (the engine
//       does not report it).
//   R7. Engine failures become error objects with subsystem "ADS" and the engine's number as
//       subcode (AceEngine::Error); the generic code is the one the local back-end would give.

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/base/driver_names.h"
#include "data/remote/ace_engine.h"
#include "data/table/table_backend.h"

namespace tabrix {

// Registers the back-end for "ADS" on `engine`, which must outlive every table opened through
// it; nullptr takes the back-end away again.
void RegisterAceBackend(AceEngine* engine);
// Takes the back-end away when it runs on `engine` (an engine going away).
void ForgetAceBackend(const AceEngine* engine);

class AceTable final : public TableBackend {
 public:
  static TableStatus Open(AceEngine* engine, const BackendRequest& request,
                          std::unique_ptr<AceTable>* out);
  // Writes a new empty table through the server (an existing one is replaced).
  static TableStatus Create(AceEngine* engine, const std::string& fileName,
                            const std::vector<StructureRow>& rows);
  ~AceTable() override;
  AceTable(const AceTable&) = delete;
  AceTable& operator=(const AceTable&) = delete;

  const std::string& driver() const override { return driver_; }
  const std::string& fileName() const override { return fileName_; }
  bool shared() const override { return shared_; }
  bool readOnly() const override { return readOnly_; }
  const std::string& productionIndex() const override { return productionIndex_; }
  const std::vector<StructureRow>& fields() const override { return fields_; }
  uint8_t codePageMark() const override { return codePageMark_; }

  uint32_t count() const override { return count_; }
  TableStatus RefreshCount() override;
  uint32_t recno() const override { return recno_; }
  TableStatus GoTo(uint32_t n, bool fresh) override;
  bool deleted() const override { return deleted_; }
  Status FieldInto(size_t column, Value* out) const override;

  TableStatus PutField(size_t column, const Value& value) override;
  TableStatus SetDeleted(bool deleted) override;
  TableStatus Append(bool releaseOthers) override;

  bool LockRecord() override;
  bool LockTable() override;
  bool RecordLocked(uint32_t n) const override;
  TableStatus Unlock() override;

  int orderCount() const override { return static_cast<int>(orders_.size()); }
  const OrderInfo* orderInfo(int order) const override;
  int controllingOrder() const override { return controlling_; }
  TableStatus SetOrder(int order) override;
  TableStatus AddOrderBag(const std::string& file) override;
  TableStatus ClearOrders() override;
  TableStatus CreateOrder(const OrderRequest& request) override;
  TableStatus OrderMoveFrom(OrderMove move, uint32_t* record) override;
  TableStatus OrderSeek(const Value& key, uint32_t* record) override;
  TableStatus OrderKeyMatches(const Value& key, bool* match) override;
  TableStatus OrderKeyPosition(int order, uint32_t* position) override;

  TableStatus Commit() override;
  TableStatus Close() override;

 private:
  struct Order {
    AceHandle index = 0;
    OrderInfo info;
    std::string bag;  // upper case, as the engine names the file
    bool production = false;
  };
  static constexpr uint32_t kNowhere = UINT32_MAX;

  AceTable() = default;
  const AceApi& api() const { return engine_->api(); }
  ErrorObject Error(AceU32 code, int genCode, std::string operation,
                    const CallSite& at = CallSite::Current()) const;
  // R2: the engine back on the record position. False when the engine refused.
  bool Sync() const;
  TableStatus ReadDeleted(const char* operation);
  TableStatus ReadFields();
  TableStatus ReadOrders();
  // The orders of the index file the engine opened as `handles`, appended to the list.
  TableStatus AdoptOrders(const AceHandle* handles, size_t count, bool production);
  Result<OrderInfo> DescribeOrder(AceHandle index) const;
  // After a move through an index handle: the record reached, 0 at the end or the beginning.
  TableStatus RecordReached(AceHandle index, uint32_t* record);
  void ReleaseRecordLocks(uint32_t except);

  AceEngine* engine_ = nullptr;
  AceHandle table_ = 0;
  std::string driver_ = kDriverAds;
  std::string fileName_;
  std::string productionIndex_;
  bool shared_ = true;
  bool readOnly_ = false;
  uint8_t codePageMark_ = 0;
  std::vector<StructureRow> fields_;

  uint32_t count_ = 0;
  uint32_t recno_ = 1;
  bool deleted_ = false;
  mutable uint32_t engineAt_ = kNowhere;
  mutable std::vector<AceU8> buffer_;  // field text read from the engine

  std::set<uint32_t> recordLocks_;
  bool tableLocked_ = false;

  std::vector<Order> orders_;
  int controlling_ = 0;
  // The last seek: the record it reached and whether its key matched.
  uint32_t seekRecord_ = 0;
  bool seekFound_ = false;
  bool closed_ = true;
};

}  // namespace tabrix
