#pragma once
// An Env wrapper for tests that makes chosen calls fail, so every path of the table layer that
// handles an I/O or lock failure can be driven: fail call N for N = 1, 2, ... until a run
// completes without the fault firing, or refuse the locks on a chosen byte range.
//
// Counted calls: Open and RemoveFile of the Env; ReadAt, WriteAt, Size, Truncate, Flush,
// LockRange and UnlockRange of its files. FileExists, HoldsLock, the accessors, the clock
// (LocalNow) and SleepFor pass through uncounted: they cannot fail. A failed call does nothing in
// the wrapped Env: a failed write writes nothing, a failed unlock keeps the lock, a failed
// LockRange returns false with the fault's code in lastLockError().
//
// Files opened through a FaultEnv share its fault settings and may outlive it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "data/env/file_env.h"

namespace tabrix {

enum class FaultOp { kOpen, kRemove, kRead, kWrite, kSize, kTruncate, kFlush, kLock, kUnlock };

struct CallFault {
  int nth = 0;                                 // 1-based among the counted calls; 0 switches it off
  int osCode = kOsGeneralFailure;              // the code the failing call reports
  bool persistent = false;                     // every counted call from the nth on fails
  std::optional<FaultOp> only = std::nullopt;  // count only calls of this kind
};

class FaultEnv final : public Env {
 public:
  // target must outlive this Env and every file opened through it.
  explicit FaultEnv(Env* target);
  ~FaultEnv() override;

  // Arms f and restarts the count.
  void SetCallFault(const CallFault& f);
  // From now on lock requests overlapping [offset, offset + length), on any file, fail as
  // contention (false, kOsLockViolation) without reaching the wrapped Env.
  void RefuseLocks(uint64_t offset, uint64_t length);
  // Switches every fault off; the count restarts.
  void ClearFaults();

  // Counted calls since the last SetCallFault/ClearFaults (calls that only `only` selects).
  int callCount() const;
  // True once the armed call fault has failed at least one call.
  bool fired() const;

  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override;
  bool FileExists(const std::string& fileName) override;
  IoStatus RemoveFile(const std::string& fileName) override;
  LocalTime LocalNow() override;
  void SleepFor(std::chrono::milliseconds pause) override;

  struct State;

 private:
  Env* target_;
  std::shared_ptr<State> state_;
};

}  // namespace tabrix
