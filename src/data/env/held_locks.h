#pragma once
// Bookkeeping of the byte-range locks one file handle holds, shared by every Env
// implementation so that rules L3, L4 and HoldsLock of file_env.h behave the same on every
// platform (the operating systems differ: POSIX merges and splits overlapping locks of one
// owner, Windows refuses them).

#include <cstdint>
#include <vector>

#include "data/env/file_env.h"

namespace tabrix {

struct LockedRange {
  uint64_t offset = 0;
  uint64_t length = 0;
  LockMode mode = LockMode::kShared;
};

// True when [offset, offset + length) is non-empty and ends at or below kMaxLockEnd.
bool IsValidLockRange(uint64_t offset, uint64_t length);

// True when the two half-open ranges share at least one byte.
bool RangesOverlap(uint64_t offset1, uint64_t length1, uint64_t offset2, uint64_t length2);

class HeldLocks {
 public:
  // True when a held lock overlaps the range (rule L3 refuses the request then).
  bool Overlaps(uint64_t offset, uint64_t length) const;
  // REQUIRES: !Overlaps(offset, length).
  void Add(uint64_t offset, uint64_t length, LockMode mode);
  // Removes the lock with exactly this offset and length; false when there is none.
  bool Remove(uint64_t offset, uint64_t length);
  // True when one held lock covers the range completely in mode or stronger.
  bool Covers(uint64_t offset, uint64_t length, LockMode mode) const;
  const std::vector<LockedRange>& ranges() const { return ranges_; }
  void Clear() { ranges_.clear(); }

 private:
  std::vector<LockedRange> ranges_;
};

}  // namespace tabrix
