#pragma once
// The operating-system layer under the table access layer: files, sharing modes, byte-range
// locks, the local clock and pauses.
//
// Everything the table layer does with table, memo and index files goes through Env and File,
// so the layer runs unchanged on Windows (file_env_win.cpp), natively on POSIX systems
// (file_env_posix.cpp, used by the tests) and on the in-memory Env (memory_env.h). FaultEnv
// (fault_env.h) wraps any Env and makes chosen calls fail.
//
// Error codes. Every failure carries an operating-system code in the Windows numbering, so the
// error objects, the default error handler and the error log see the same numbers on every
// platform: 2 file not found, 3 path not found, 5 access denied, 32 sharing violation, 33 lock
// violation, 80 file exists, 87 invalid parameter, 112 disk full, 158 not locked, 1392 file
// corrupt. The POSIX
// implementation maps errno onto these (kOsGeneralFailure when no counterpart exists) and keeps
// the errno text in the detail.
//
// Sharing. A file is opened shared (other handles may open it shared, for reading and
// writing) or exclusive (no other handle, in this or another process, may have it open).
// Opening against the other kind fails with kOsSharingViolation (32). Read-only only limits
// this handle: writes and truncation fail with kOsAccessDenied.
//
// Byte-range locks (one set of rules for every implementation; the Windows rules, which are
// the strictest, made uniform):
//   L1. Locks belong to the handle (File object), not to the process: two handles of one
//       process exclude each other exactly as two processes do.
//   L2. An exclusive lock conflicts with every overlapping lock of another handle; a shared
//       lock conflicts only with overlapping exclusive locks of other handles.
//   L3. A handle never holds two overlapping locks: a request that overlaps a lock the same
//       handle already holds is refused (returns false with kOsLockViolation). Callers that
//       hold a whole-table lock treat the record locks inside it as held.
//   L4. UnlockRange names exactly a range the handle locked (same offset and length);
//       anything else fails with kOsNotLocked and releases nothing.
//   L5. Lock requests never block and never raise: contention returns false at once.
//   L6. Locks may lie beyond the end of the file, up to kMaxLockEnd (above that the POSIX
//       implementation keeps its sharing-mode byte); a range reaching further, or of length
//       0, is refused with kOsInvalidParameter. Closing a handle releases its locks.
//   L7. On Windows locks are mandatory (reads and writes through other handles into a locked
//       range fail with kOsLockViolation); on POSIX they are advisory. The dialect lock bytes
//       (lock_offsets.h) lie beyond the data for exactly this reason. The in-memory Env applies
//       the Windows rule so tests see it. (Wine does not enforce it either.)
//
// Clock and pauses. The table layer reads the date (the last-update date of a header) and
// waits between lock tries only through its Env, never through the C library or the thread
// library: the in-memory Env keeps a clock the test sets and advances it instead of waiting,
// so what a test compares does not change at midnight and no test sleeps.
//
// Threads: a File is used by one thread at a time. Env implementations are thread-safe.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "data/base/value.h"

namespace tabrix {

// Operating-system codes in the Windows numbering. Stored in error logs; never renumber.
enum OsCode : int {
  kOsOk = 0,
  kOsFileNotFound = 2,
  kOsPathNotFound = 3,
  kOsTooManyOpenFiles = 4,
  kOsAccessDenied = 5,
  kOsInvalidHandle = 6,
  kOsGeneralFailure = 31,
  kOsSharingViolation = 32,
  kOsLockViolation = 33,
  kOsHandleEof = 38,
  kOsFileExists = 80,
  kOsInvalidParameter = 87,
  kOsDiskFull = 112,
  kOsNotLocked = 158,
  kOsFileCorrupt = 1392,  // the bytes of a file contradict its format (an index's pages)
};

// Outcome of one file operation: ok, or an OS code with the operation, the file name and a
// detail text for the error log.
class [[nodiscard]] IoStatus {
 public:
  IoStatus() = default;
  static IoStatus Ok() { return IoStatus(); }
  static IoStatus Error(int osCode, std::string operation, std::string fileName,
                        std::string detail = {});

  bool ok() const { return osCode_ == kOsOk; }
  int osCode() const { return osCode_; }
  const std::string& operation() const { return operation_; }
  const std::string& fileName() const { return fileName_; }
  const std::string& detail() const { return detail_; }
  // "operation fileName: OS error n (detail)" for logs and test messages; "OK" when ok.
  std::string ToString() const;

 private:
  int osCode_ = kOsOk;
  std::string operation_;
  std::string fileName_;
  std::string detail_;
};

enum class LockMode { kShared, kExclusive };

// Lock ranges end at or below this offset (rule L6).
inline constexpr uint64_t kMaxLockEnd = uint64_t{1} << 62;

enum class Disposition {
  kOpenExisting,  // fails with kOsFileNotFound when the file is missing
  kCreateAlways,  // creates the file, or empties an existing one (after the sharing check)
};

struct OpenOptions {
  bool exclusive = false;  // false: shared
  bool readOnly = false;
  Disposition disposition = Disposition::kOpenExisting;
};

// An open file. Closing happens in the destructor, which releases every lock of the handle.
class File {
 public:
  File() = default;
  virtual ~File() = default;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Reads up to buffer.size() bytes at offset into buffer and stores the count in *bytesRead.
  // Reading at or past the end is not an error: fewer bytes (or none) arrive.
  virtual IoStatus ReadAt(uint64_t offset, std::span<uint8_t> buffer, size_t* bytesRead) = 0;
  // Writes all of data at offset, growing the file when needed (a gap reads as zeros).
  virtual IoStatus WriteAt(uint64_t offset, std::span<const uint8_t> data) = 0;
  virtual IoStatus Size(uint64_t* size) = 0;
  // Sets the file length: cuts, or extends with zeros.
  virtual IoStatus Truncate(uint64_t size) = 0;
  // Hands the data written through this handle to the device (nothing to do when nothing was
  // written or cut since the last flush: a commit followed by a close forces the file once).
  virtual IoStatus Flush() = 0;

  // Tries to lock [offset, offset + length). True when the lock was taken. False on contention
  // (rules L2, L3: lastLockError() is kOsLockViolation) or on any other failure (its code in
  // lastLockError()). Never blocks, never raises. REQUIRES: length > 0.
  virtual bool LockRange(uint64_t offset, uint64_t length, LockMode mode) = 0;
  // Releases a lock this handle took with exactly this offset and length (rule L4).
  virtual IoStatus UnlockRange(uint64_t offset, uint64_t length) = 0;
  // The reason of the last failed LockRange (ok after a successful one).
  virtual IoStatus lastLockError() const = 0;
  // True when this handle holds a lock covering [offset, offset + length) completely, in the
  // given mode or stronger. For asserts and tests.
  virtual bool HoldsLock(uint64_t offset, uint64_t length, LockMode mode) const = 0;

  virtual const std::string& fileName() const = 0;
};

class Env {
 public:
  Env() = default;
  virtual ~Env() = default;
  Env(const Env&) = delete;
  Env& operator=(const Env&) = delete;

  // Opens fileName. On success *file owns the new handle; on failure *file is reset. A sharing
  // conflict fails with kOsSharingViolation, a missing file (kOpenExisting) with
  // kOsFileNotFound.
  virtual IoStatus Open(const std::string& fileName, const OpenOptions& options,
                        std::unique_ptr<File>* file) = 0;
  virtual bool FileExists(const std::string& fileName) = 0;
  virtual IoStatus RemoveFile(const std::string& fileName) = 0;

  // The local date and time of day now. Never fails: a clock the system cannot read gives
  // 2000-01-01 00:00:00.
  virtual LocalTime LocalNow() = 0;
  // Returns after about `pause` (at once for zero or less); the clock has moved on by it.
  virtual void SleepFor(std::chrono::milliseconds pause) = 0;
};

// The Env of the platform the program runs on (Win32 or POSIX). Lives for the whole process.
Env* DefaultEnv();

}  // namespace tabrix
