#pragma once
// Building a whole NTX index at once from entries in index order, bottom-up.
//
// Shape. With N entries the tree is planned level by level before a page is written: the
// leaves take the entries in runs, one entry between two neighbouring leaves goes up to the
// level above as their separator, and that level is planned the same way over the separators
// until one page (the root) is left. A level of X items gets the fewest pages p that hold
// them at about nine tenths of M keys each (p = ceil((X + 1) / (F + 1)), F = 9M / 10), widened
// or narrowed until every page gets between the fill of ntx_update.h (U3) and M keys; the
// X - (p - 1) keys are spread evenly (page counts differ by one at most). Pages are written
// in one pass as the in-order walk of that plan pulls the entries, children before their parent,
// at consecutive offsets after the header; the header is written last.
//
// Sources. NtxSortedEntries is the seam for sorting: NtxMemorySorter sorts in memory; an
// external sorter for tables larger than memory plugs in behind the same interface. The builder
// checks the order it is handed (collation, then record) and, for a unique index, that no key
// comes twice; the source must drop repeated keys (NtxMemorySorter::Sort(true) keeps the first
// record of each key).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "data/index/index_order.h"
#include "data/index/ntx_order.h"

namespace tabrix {

class NtxSortedEntries {
 public:
  virtual ~NtxSortedEntries() = default;
  // Exactly as many entries as Next hands out.
  virtual uint64_t count() const = 0;
  // The next entry in index order. REQUIRES: fewer than count() taken so far.
  virtual IoStatus Next(IndexEntry* entry) = 0;
};

// Entries collected in memory: fixed-size records in one buffer, sorted by index.
class NtxMemorySorter final : public NtxSortedEntries {
 public:
  explicit NtxMemorySorter(int keyLength) : keyLength_(static_cast<size_t>(keyLength)) {}
  // Adds (key, record); the key is padded with blanks or cut to the key length.
  void Add(std::string_view key, uint32_t record);
  // Sorts what was added; unique keeps only the first record of each key. Call once, before
  // the first Next.
  void Sort(bool unique);

  uint64_t count() const override { return order_.size(); }
  IoStatus Next(IndexEntry* entry) override;

 private:
  std::string_view KeyAt(uint32_t i) const {
    return std::string_view(bytes_).substr(size_t{i} * keyLength_, keyLength_);
  }
  size_t keyLength_;
  std::string bytes_;
  std::vector<uint32_t> records_;
  std::vector<uint32_t> order_;
  size_t next_ = 0;
};

// Writes a new index file (an existing one is overwritten) holding every entry of source.
// kOsInvalidParameter when the options are out of range or the source hands out entries out of
// order, repeated keys for a unique index, or fewer than it announced.
IoStatus BuildNtx(Env* env, const std::string& fileName, const NtxCreateOptions& options,
                  NtxSortedEntries* source);

// The pages per level of a tree of `entries` entries, leaves first (the plan of the top comment).
std::vector<uint64_t> NtxBuildPlan(uint64_t entries, const NtxHeader& header);

}  // namespace tabrix
