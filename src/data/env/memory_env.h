#pragma once
// An Env that keeps files in memory, for tests of the table layer.
//
// It applies the rules of file_env.h exactly as Windows does, including the sharing modes and
// the mandatory locks of rule L7 (a read through another handle into a range that handle
// does not own and another handle holds exclusively, or a write into any range locked by
// another handle, or into a range this handle holds shared, fails with kOsLockViolation).
// File names compare without regard to ASCII case, and '/' equals '\', as on Windows.
// Removing a file that is open fails with kOsSharingViolation, as on Windows.
// Files live as long as the Env or until removed; open handles keep their file's contents
// alive after the Env is gone.
//
// Clock. LocalNow() reads a clock the test sets; it starts at kMemoryEnvEpoch and moves only
// when set or when SleepFor() advances it (which returns at once).
//
// Crashes. Each file remembers its changes (writes, cuts, the emptying of kCreateAlways) since
// its last Flush() through any handle, in the order they were made: a flush hands the whole
// file to the device, as FlushFileBuffers and fsync do. A crash gives every file back what it
// had at its last flush plus, at most, a prefix of the changes made after it: a device may
// have written some of them, in order, before the power went. What a crash leaves is durable
// at once. The test decides how long the surviving prefix of each file is, so a loop can try
// every crash point of a write path. Creating and removing files are durable at once; writes
// are never torn (a change survives whole or not at all).

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "data/env/file_env.h"

namespace tabrix {

// Where the clock of a new memory Env stands.
inline constexpr LocalTime kMemoryEnvEpoch{{2000, 1, 1}, 0, 0, 0};

class MemoryEnv : public Env {
 public:
  // Sets the clock. REQUIRES: a valid date (years 1 ... 9999) and time of day.
  virtual void SetLocalTime(const LocalTime& now) = 0;
  // Everything SleepFor() was asked to wait since the Env was made.
  virtual std::chrono::milliseconds totalSleep() const = 0;

  // Changes of the file since its last flush (0 for a missing file).
  virtual size_t UnflushedChanges(const std::string& fileName) = 0;
  // A crash as far as fileName is concerned: keeps its first `keep` unflushed changes (all of
  // them when it made fewer) and drops the later ones. The file then counts as flushed. Handles
  // still open on it see the result. Fails with kOsFileNotFound for a missing file.
  virtual IoStatus CrashFile(const std::string& fileName, size_t keep) = 0;
  // CrashFile(name, 0) for every file: nothing unflushed survives.
  virtual void Crash() = 0;
};

std::unique_ptr<MemoryEnv> NewMemoryEnv();

}  // namespace tabrix
