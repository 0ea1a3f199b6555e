#pragma once
// Building a whole NTX index at once from entries in index order, bottom-up, in one pass.
//
// Streaming. Entries fill a leaf up to the target fill F = max(fill, 9M / 10) keys (fill: the
// minimum of ntx_update.h U3); the entry after a full leaf goes up to the level above as the
// separator, carrying the leaf as its left child, and the next leaf starts. Every level works
// the same way on the separators it receives: a full page takes the arriving separator's child
// as its right-most child, is written, and the separator goes on up carrying that page. Only
// the page being filled on each level is held in memory, so the entry count need not be known
// and memory does not grow with the index. Pages are written in batches at consecutive offsets
// after the header.
//
// The right edge. At the end the pages being filled are written bottom-up, each taking the page
// below as its right-most child; the top one is the root (a top page left without keys hands
// the root to its only child). Those right-edge pages may hold fewer keys than the fill, so the
// edge is then mended from the top down: the highest page below its fill is joined with its
// left sibling and the parent's separator between them, into one page when that fits M, else
// split evenly again (both halves then hold at least M / 2 keys); a join may leave the parent
// below its fill, which the next round mends. Freed pages go onto the free list. The header is
// written last.
//
// Sources. NtxSortedEntries is the seam for sorting: NtxMemorySorter sorts in memory; the key
// sorter for builds larger than memory hands entries out through the same call shape. The
// builder checks the order it is handed (collation, then record); for a unique index it keeps
// only the first entry of each key.

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
  // The next entry in index order into *entry; *done when there is none.
  virtual IoStatus Next(IndexEntry* entry, bool* done) = 0;
};

// Entries collected in memory: fixed-size records in one buffer, sorted by index.
class NtxMemorySorter final : public NtxSortedEntries {
 public:
  explicit NtxMemorySorter(int keyLength) : keyLength_(static_cast<size_t>(keyLength)) {}
  // Adds (key, record); the key is padded with blanks or cut to the key length.
  void Add(std::string_view key, uint32_t record);
  // Sorts what was added. Call once, before the first Next.
  void Sort();
  IoStatus Next(IndexEntry* entry, bool* done) override;

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
// order, a (key, record) pair twice, or keys of another length.
IoStatus BuildNtx(Env* env, const std::string& fileName, const NtxCreateOptions& options,
                  NtxSortedEntries* source);

}  // namespace tabrix
