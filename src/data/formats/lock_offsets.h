#pragma once
// Where the local back-end puts its byte-range locks, per lock dialect, and the RAII lock.
//
// xBase programs do not lock the bytes they protect. They lock one-byte "semaphores" at
// agreed offsets, mostly beyond the end of the file, so that readers are not blocked (locks
// are mandatory on Windows) and so that every program using the same offsets excludes the
// others. Programs using different offsets do not see each other's locks at all, so these
// numbers are a file-format matter: stored conventions, never move them. Fact sheet:
// docs/formats/locking.md. The Env rules the locks obey are in file_env.h.
//
// FoxPro dialect (driver "DBFCDX"; Visual FoxPro and compatible programs), in the DBF file.
// N = floor((2^31 - headerLen - 2) / (recordLen + 1)) is the most records a table can have so
// that its data and its lock bytes both fit below 2 GB.
//
//   lock              offset                  length   protects
//   header/append     0x7FFFFFFE              1        header record count and date; append
//   record n          0x7FFFFFFE - n          1        record n (1 <= n <= N)
//   table (FLOCK)     0x7FFFFFFE - N          N + 2    everything: ends at 0x7FFFFFFF, so it
//                                                      covers VFP's own FLOCK, every record
//                                                      lock and the header lock
//   index (CDX file)  0x7FFFFFFE              1        index updates          [unverified]
//   memo (FPT file)   0x7FFFFFFE              1        block allocation       [unverified]
//
// NTX dialect (driver "DBFNTX"), in the DBF file unless noted.
//
//   lock              offset                  length   protects
//   record n          1,000,000,000 + n       1        record n (1 <= n <= MaxLockableRecords)
//   header/append     1,000,000,000           1        append ("record 0")    [our choice]
//   table (FLOCK)     1,000,000,000           1e9      every record lock and the header lock
//                                                      [commonly described; unverified]
//   index (NTX file)  1,000,000,000           1        index updates, old offset (documented)
//                     0xFFFFFFFF              1        when the NTX signature has bit 0x10
//   memo (DBT file)   0x7FFFFFFE              1        block allocation       [our choice]
//
// The header lock of the NTX dialect is not publicly documented; "record 0" lies inside the
// table range and outside every record lock, so it excludes table lockers and other appenders
// of this program. Marked entries must be checked against the real programs (file monitor)
// before claiming compatibility with them.
//
// Invariants (checked by lock_offsets_test.cpp for every dialect and many table shapes):
//   I1. Every record lock lies inside the table lock of its table.
//   I2. Record locks of different records are disjoint.
//   I3. The header lock lies inside the table lock and is disjoint from every record lock.
//   I4. No lock byte holds data: for a table with at most MaxLockableRecords records,
//       headerLen + records * recordLen <= the lowest lock offset. Windows makes locks
//       mandatory, so a lock on data bytes would block other programs' reads.
//   I5. A lock is released with exactly the offset and length it was taken with (RangeLock
//       keeps them).
//   I6. Acquisition order: header, then record(s), then index, then memo; release in reverse.
//       Everybody taking them in one order means no two programs of ours wait on each other
//       crosswise.
//   I7. A handle holding the table lock takes no header or record lock (they overlap it; the
//       Env refuses such a request): it treats them as held.
//   I8. After taking a lock, re-read what it protects (header or record): another program may
//       have changed it, and network clients may cache.

#include <cstdint>
#include <optional>
#include <string_view>

#include "data/env/file_env.h"

namespace tabrix {

enum class LockDialect { kFoxPro, kNtx };

// "DBFNTX" selects the NTX dialect; every other driver name ("DBFCDX", "ADS" in compatible
// locking) the FoxPro dialect.
LockDialect LockDialectOfDriver(std::string_view driverName);

struct LockSpan {
  uint64_t offset = 0;
  uint64_t length = 0;
  friend bool operator==(const LockSpan&, const LockSpan&) = default;
};

// The most records whose locks keep invariants I1 to I4 for a table of this shape.
// headerLen and recordLen as stored in the DBF header (recordLen includes the deletion flag).
uint64_t MaxLockableRecords(LockDialect dialect, uint32_t headerLen, uint32_t recordLen);

// The lock of record recno, or nothing when recno is 0 or above MaxLockableRecords (the caller
// reports a lock error).
std::optional<LockSpan> RecordLockRange(LockDialect dialect, uint64_t recno, uint32_t headerLen,
                                        uint32_t recordLen);

// The whole-table lock.
LockSpan TableLockRange(LockDialect dialect, uint32_t headerLen, uint32_t recordLen);

// The header (append) lock.
LockSpan HeaderLockRange(LockDialect dialect);

// The index update lock, in the index file. ntxNewLockOffset: the NTX signature's bit 0x10
// (ignored for the FoxPro dialect).
LockSpan IndexLockRange(LockDialect dialect, bool ntxNewLockOffset);

// The memo allocation lock, in the memo file.
LockSpan MemoLockRange(LockDialect dialect);

// For asserts: true when file holds span in mode (or stronger) through this handle.
inline bool LockHeld(const File& file, LockSpan span, LockMode mode) {
  return file.HoldsLock(span.offset, span.length, mode);
}

// One byte-range lock, released when the object dies or Release() is called. Move-only.
// REQUIRES: the File outlives the RangeLock.
class [[nodiscard]] RangeLock {
 public:
  RangeLock() = default;
  // Tries once (never blocks). held() tells whether the lock was taken; on failure the
  // reason is file->lastLockError().
  static RangeLock TryAcquire(File* file, LockSpan span, LockMode mode);
  // The short locks other programs hold only for a moment (the header byte while appending,
  // the memo allocation lock): up to kBriefLockTries tries, kBriefLockPauseMs apart on env's
  // clock. held() false: still contended after the last try.
  static RangeLock AcquireBrief(Env* env, File* file, LockSpan span, LockMode mode);
  static constexpr int kBriefLockTries = 100;
  static constexpr int kBriefLockPauseMs = 10;

  RangeLock(RangeLock&& other) noexcept;
  RangeLock& operator=(RangeLock&& other) noexcept;
  RangeLock(const RangeLock&) = delete;
  RangeLock& operator=(const RangeLock&) = delete;
  ~RangeLock();

  bool held() const { return file_ != nullptr; }
  const LockSpan& span() const { return span_; }
  // Unlocks now; afterwards held() is false whatever the outcome.
  IoStatus Release();

 private:
  File* file_ = nullptr;  // null when nothing is held
  LockSpan span_;
};

}  // namespace tabrix
