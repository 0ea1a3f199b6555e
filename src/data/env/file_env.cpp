// Parts of the file layer that every platform shares: the status type and lock bookkeeping.

#include <algorithm>

#include "data/env/file_env.h"
#include "data/env/held_locks.h"

namespace tabrix {

IoStatus IoStatus::Error(int osCode, std::string operation, std::string fileName,
                         std::string detail) {
  IoStatus s;
  // An error without a code would read as success; keep it an error.
  s.osCode_ = osCode == kOsOk ? kOsGeneralFailure : osCode;
  s.operation_ = std::move(operation);
  s.fileName_ = std::move(fileName);
  s.detail_ = std::move(detail);
  return s;
}

std::string IoStatus::ToString() const {
  if (ok()) return "OK";
  std::string text = operation_;
  if (!fileName_.empty()) text += " " + fileName_;
  text += ": OS error " + std::to_string(osCode_);
  if (!detail_.empty()) text += " (" + detail_ + ")";
  return text;
}

bool IsValidLockRange(uint64_t offset, uint64_t length) {
  return length > 0 && length <= kMaxLockEnd && offset <= kMaxLockEnd - length;
}

bool RangesOverlap(uint64_t offset1, uint64_t length1, uint64_t offset2, uint64_t length2) {
  return offset1 < offset2 + length2 && offset2 < offset1 + length1;
}

bool HeldLocks::Overlaps(uint64_t offset, uint64_t length) const {
  return std::any_of(ranges_.begin(), ranges_.end(), [&](const LockedRange& r) {
    return RangesOverlap(r.offset, r.length, offset, length);
  });
}

void HeldLocks::Add(uint64_t offset, uint64_t length, LockMode mode) {
  ranges_.push_back({offset, length, mode});
}

bool HeldLocks::Remove(uint64_t offset, uint64_t length) {
  auto it = std::find_if(ranges_.begin(), ranges_.end(), [&](const LockedRange& r) {
    return r.offset == offset && r.length == length;
  });
  if (it == ranges_.end()) return false;
  ranges_.erase(it);
  return true;
}

bool HeldLocks::Covers(uint64_t offset, uint64_t length, LockMode mode) const {
  return std::any_of(ranges_.begin(), ranges_.end(), [&](const LockedRange& r) {
    return r.offset <= offset && offset + length <= r.offset + r.length &&
           (mode == LockMode::kShared || r.mode == LockMode::kExclusive);
  });
}

}  // namespace tabrix
