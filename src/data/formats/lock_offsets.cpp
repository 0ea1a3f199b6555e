// Lock offsets of the two dialects; the table and its invariants are in lock_offsets.h.

#include "data/formats/lock_offsets.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "data/base/driver_names.h"

namespace tabrix {
namespace {

// FoxPro: the header semaphore; record n sits n bytes below it. Stored convention.
constexpr uint64_t kFoxHeaderByte = 0x7FFFFFFE;
constexpr uint64_t kFoxLimit = uint64_t{1} << 31;  // data and locks stay below 2 GB
// NTX: record n sits at kNtxBase + n; the table lock covers kNtxBase ... 2 * kNtxBase - 1.
constexpr uint64_t kNtxBase = 1000000000;
constexpr uint64_t kNtxNewIndexByte = 0xFFFFFFFF;

}  // namespace

LockDialect LockDialectOfDriver(std::string_view driverName) {
  return driverName == kDriverNtx ? LockDialect::kNtx : LockDialect::kFoxPro;
}

uint64_t MaxLockableRecords(LockDialect dialect, uint32_t headerLen, uint32_t recordLen) {
  if (dialect == LockDialect::kFoxPro) {
    if (uint64_t{headerLen} + 2 > kFoxLimit) return 0;
    return (kFoxLimit - headerLen - 2) / (uint64_t{recordLen} + 1);
  }
  if (headerLen >= kNtxBase) return 0;
  uint64_t byData = recordLen == 0 ? kNtxBase - 1 : (kNtxBase - headerLen) / recordLen;
  return std::min(byData, kNtxBase - 1);
}

std::optional<LockSpan> RecordLockRange(LockDialect dialect, uint64_t recno, uint32_t headerLen,
                                        uint32_t recordLen) {
  if (recno == 0 || recno > MaxLockableRecords(dialect, headerLen, recordLen)) {
    return std::nullopt;
  }
  if (dialect == LockDialect::kFoxPro) return LockSpan{kFoxHeaderByte - recno, 1};
  return LockSpan{kNtxBase + recno, 1};
}

LockSpan TableLockRange(LockDialect dialect, uint32_t headerLen, uint32_t recordLen) {
  if (dialect == LockDialect::kFoxPro) {
    uint64_t n = MaxLockableRecords(dialect, headerLen, recordLen);
    // Through 0x7FFFFFFF: covers VFP's own table lock whatever its exact length.
    return LockSpan{kFoxHeaderByte - n, n + 2};
  }
  return LockSpan{kNtxBase, kNtxBase};
}

LockSpan HeaderLockRange(LockDialect dialect) {
  return dialect == LockDialect::kFoxPro ? LockSpan{kFoxHeaderByte, 1} : LockSpan{kNtxBase, 1};
}

LockSpan IndexLockRange(LockDialect dialect, bool ntxNewLockOffset) {
  if (dialect == LockDialect::kFoxPro) return LockSpan{kFoxHeaderByte, 1};
  return ntxNewLockOffset ? LockSpan{kNtxNewIndexByte, 1} : LockSpan{kNtxBase, 1};
}

LockSpan MemoLockRange(LockDialect) {
  return LockSpan{kFoxHeaderByte, 1};
}

RangeLock RangeLock::AcquireBrief(Env* env, File* file, LockSpan span, LockMode mode) {
  RangeLock lock = TryAcquire(file, span, mode);
  for (int i = 1; i < kBriefLockTries && !lock.held(); ++i) {
    env->SleepFor(std::chrono::milliseconds(kBriefLockPauseMs));
    lock = TryAcquire(file, span, mode);
  }
  return lock;
}

RangeLock RangeLock::TryAcquire(File* file, LockSpan span, LockMode mode) {
  RangeLock lock;
  if (file->LockRange(span.offset, span.length, mode)) {
    lock.file_ = file;
    lock.span_ = span;
  }
  return lock;
}

RangeLock::RangeLock(RangeLock&& other) noexcept
    : file_(std::exchange(other.file_, nullptr)), span_(other.span_) {}

RangeLock& RangeLock::operator=(RangeLock&& other) noexcept {
  if (this != &other) {
    (void)Release();
    file_ = std::exchange(other.file_, nullptr);
    span_ = other.span_;
  }
  return *this;
}

RangeLock::~RangeLock() {
  (void)Release();
}

IoStatus RangeLock::Release() {
  if (file_ == nullptr) return IoStatus::Ok();
  File* file = std::exchange(file_, nullptr);
  return file->UnlockRange(span_.offset, span_.length);
}

}  // namespace tabrix
