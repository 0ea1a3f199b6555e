#pragma once
// IndexOrder over one NTX file (layout: ntx_file.h; keys and collation: ntx_key.h).
//
// Sharing. A shared file is read and written under its index lock, every call re-reads the
// header and drops cached pages another program made stale (ntx_pages.h P1); writes reach the
// file before the call returns and the header is written last (P3), so another program sees a
// valid index after each Insert or Remove (O4). An exclusive file keeps its pages cached.
//
// Finding an entry (Remove, KeyPosition, and Next/Previous from an entry the last call did not
// hand out): first where (key, record) order puts it; when it is not there, among all entries
// of its key, because other programs insert a changed key after the equal keys already present
// and so leave runs of equal keys out of record order. Insert looks only where the order puts
// the entry (an entry already present elsewhere in such a run is not found again).
//
// Walks: Next from the entry the previous call handed out steps on from the remembered position
// instead of searching from the root, so First + Next ... reads each page once; the walk guards
// of ntx_cursor.h end it with a damaged-index status on loops. Writes reach the file within the
// call, so an exclusive order has nothing to flush either.
//
// Key kind: the file does not record it. The caller that evaluated the key expression knows it
// (NtxOpenOptions::kind); without it a header with decimals means numeric, anything else
// character.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/index/index_order.h"
#include "data/index/ntx_cursor.h"
#include "data/index/ntx_pages.h"

namespace tabrix {

struct NtxOpenOptions {
  bool exclusive = false;
  bool readOnly = false;
  std::optional<KeyKind> kind;
};

struct NtxCreateOptions {
  std::string keyExpression;  // at most 255 bytes
  KeyKind kind = KeyKind::kCharacter;
  int keyLength = 0;  // 1 ... kNtxMaxKeyLength
  int decimals = 0;   // numeric keys: 0, or at most keyLength - 2
  bool unique = false;
  // Keys per page: 0 takes the most that fit (ntx_file.h); 2 up to that number gives smaller
  // pages and deeper trees (tests of splits and of deep trees).
  int maxKeys = 0;
  bool newLockOffset = false;  // signature bit 0x10: index lock at 0xFFFFFFFF
  bool exclusive = false;
};

// The header a new index gets from the options; kOsInvalidParameter for options out of range.
IoStatus MakeNtxHeader(const NtxCreateOptions& options, const std::string& fileName,
                       NtxHeader* header);

// OrderInfo::name for an index file: its base name without folder and extension, upper case.
std::string NtxOrderName(const std::string& fileName);

class NtxOrder final : public IndexOrder {
 public:
  static IoStatus Open(Env* env, const std::string& fileName, const NtxOpenOptions& options,
                       std::unique_ptr<NtxOrder>* order);
  // A new empty index (an existing file is overwritten).
  static IoStatus Create(Env* env, const std::string& fileName, const NtxCreateOptions& options,
                         std::unique_ptr<NtxOrder>* order);

  const OrderInfo& Info() const override { return info_; }
  IoStatus EncodeKey(const Value& value, bool partial, std::string* key) const override;

  IoStatus First(std::optional<IndexEntry>* entry) override;
  IoStatus Last(std::optional<IndexEntry>* entry) override;
  IoStatus Next(const IndexEntry& from, std::optional<IndexEntry>* entry) override;
  IoStatus Previous(const IndexEntry& from, std::optional<IndexEntry>* entry) override;
  IoStatus Seek(std::string_view key, std::optional<IndexEntry>* entry) override;

  IoStatus Insert(const IndexEntry& entry) override;
  IoStatus Remove(const IndexEntry& entry) override;

  IoStatus KeyPosition(const IndexEntry& entry, uint32_t* position) override;
  IoStatus KeyCount(uint32_t* count) override;

  NtxPageStore* store() { return store_.get(); }

 private:
  NtxOrder(std::unique_ptr<NtxPageStore> store, KeyKind kind);
  // Positions cursor_ on entry; *found false (cursor wherever the order puts it) when absent.
  IoStatus Find(const IndexEntry& entry, bool searchRun, bool* found);
  IoStatus Hand(std::optional<IndexEntry>* entry);
  IoStatus CountSubtree(uint32_t page, size_t depth, uint64_t* count);
  IoStatus CheckKey(const IndexEntry& entry, const char* operation) const;

  std::unique_ptr<NtxPageStore> store_;
  OrderInfo info_;
  NtxCursor cursor_;
  uint64_t cursorGeneration_ = 0;  // store generation the cursor was positioned in
  std::optional<uint64_t> count_;  // KeyCount, good while the generation is countGeneration_
  uint64_t countGeneration_ = 0;
  int leafDepth_ = -1;  // during CountSubtree
};

}  // namespace tabrix
