#pragma once
// A position in an NTX tree: the path from the root page to the page holding one entry.
//
// Path frames (page offset, index): the last frame's index is the entry's item in its page;
// every frame above it holds the child index taken to get down. Moving on from item i of an
// interior page continues with the left-most entry of child i + 1; from the last item of a page
// it continues with the parent's item at the child index taken (the B-tree's in-order walk,
// ntx_file.h).
//
// Guards, so that a damaged file ends a walk with Corruption instead of a loop or a wrong entry:
//   C1. A page entered twice during one walk in one direction is a loop (a page offset shared
//       by two parents or pointing back up); a walk starts with First, Last or LowerBound and
//       starts afresh when the direction changes.
//   C2. A path never gets deeper than kNtxMaxDepth pages, and all leaves met in one walk lie at
//       the same depth.
//   C3. Each step goes the right way by key: Next never hands out a key sorting before the one
//       it left, Previous never one sorting after it. (Records among equal keys are not checked:
//       programs that insert a changed key after the equal keys already present leave runs of
//       equal keys out of record order, and such a file is valid.)
// The cursor reads pages through the store's cache and is only good within the store generation
// it was positioned in.

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "data/index/index_order.h"
#include "data/index/ntx_pages.h"

namespace tabrix {

// Deeper than any valid tree: a tree of 2^32 entries with one key per page is 32 pages deep.
inline constexpr size_t kNtxMaxDepth = 40;

struct NtxPathFrame {
  uint32_t page = 0;
  int index = 0;
};

class NtxCursor {
 public:
  explicit NtxCursor(NtxPageStore* store) : store_(store) {}

  // Positions on the first / last entry; not valid() when the index is empty.
  IoStatus First();
  IoStatus Last();
  // Positions on the first entry that does not sort before the target. The target is the key,
  // compared over key.size() bytes, and, when record is given, the record among equal keys;
  // without a record every entry whose key compares equal counts as not before. Stops at an
  // exact (key, record) match in an interior page.
  IoStatus LowerBound(std::string_view key, std::optional<uint32_t> record);
  IoStatus Next();
  IoStatus Previous();

  bool valid() const { return !path_.empty(); }
  // REQUIRES: valid().
  const IndexEntry& entry() const { return entry_; }
  const std::vector<NtxPathFrame>& path() const { return path_; }
  void Reset();

 private:
  enum class Direction { kNone, kForward, kBackward };
  IoStatus Enter(uint32_t page, int index, const NtxPage** read);
  IoStatus DescendLeftmost(uint32_t page);
  IoStatus DescendRightmost(uint32_t page);
  IoStatus SettleForward();
  IoStatus SettleBackward();
  IoStatus LoadEntry();
  IoStatus StartWalk(Direction direction);
  IoStatus Broken(uint32_t page, const char* reason) const;

  NtxPageStore* store_;
  std::vector<NtxPathFrame> path_;
  IndexEntry entry_;
  Direction direction_ = Direction::kNone;
  std::unordered_set<uint32_t> entered_;
  int leafDepth_ = -1;
};

}  // namespace tabrix
