// The fault wrapper: a shared fault state consulted before each counted call.

#include "data/env/fault_env.h"

#include <vector>

#include "data/env/held_locks.h"

namespace tabrix {

struct FaultEnv::State {
  CallFault fault;
  int count = 0;
  bool fired = false;
  std::vector<LockedRange> refused;

  // Counts a call of kind op; returns the error it must fail with, or ok.
  IoStatus Check(FaultOp op, const char* operation, const std::string& fileName) {
    if (fault.only && *fault.only != op) return IoStatus::Ok();
    ++count;
    if (fault.nth > 0 && (count == fault.nth || (fault.persistent && count > fault.nth))) {
      fired = true;
      return IoStatus::Error(fault.osCode, operation, fileName, "injected fault");
    }
    return IoStatus::Ok();
  }
};

namespace {

class FaultFile final : public File {
 public:
  FaultFile(std::unique_ptr<File> target, std::shared_ptr<FaultEnv::State> state)
      : target_(std::move(target)), state_(std::move(state)) {}

  IoStatus ReadAt(uint64_t offset, std::span<uint8_t> buffer, size_t* bytesRead) override {
    *bytesRead = 0;
    if (IoStatus s = state_->Check(FaultOp::kRead, "read", fileName()); !s.ok()) return s;
    return target_->ReadAt(offset, buffer, bytesRead);
  }
  IoStatus WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    if (IoStatus s = state_->Check(FaultOp::kWrite, "write", fileName()); !s.ok()) return s;
    return target_->WriteAt(offset, data);
  }
  IoStatus Size(uint64_t* size) override {
    if (IoStatus s = state_->Check(FaultOp::kSize, "size", fileName()); !s.ok()) return s;
    return target_->Size(size);
  }
  IoStatus Truncate(uint64_t size) override {
    if (IoStatus s = state_->Check(FaultOp::kTruncate, "truncate", fileName()); !s.ok()) {
      return s;
    }
    return target_->Truncate(size);
  }
  IoStatus Flush() override {
    if (IoStatus s = state_->Check(FaultOp::kFlush, "flush", fileName()); !s.ok()) return s;
    return target_->Flush();
  }
  bool LockRange(uint64_t offset, uint64_t length, LockMode mode) override {
    if (IoStatus s = state_->Check(FaultOp::kLock, "lock", fileName()); !s.ok()) {
      injectedLockError_ = s;
      return false;
    }
    for (const LockedRange& r : state_->refused) {
      if (RangesOverlap(r.offset, r.length, offset, length)) {
        injectedLockError_ =
            IoStatus::Error(kOsLockViolation, "lock", fileName(), "injected contention");
        return false;
      }
    }
    injectedLockError_.reset();
    return target_->LockRange(offset, length, mode);
  }
  IoStatus UnlockRange(uint64_t offset, uint64_t length) override {
    if (IoStatus s = state_->Check(FaultOp::kUnlock, "unlock", fileName()); !s.ok()) return s;
    return target_->UnlockRange(offset, length);
  }
  IoStatus lastLockError() const override {
    return injectedLockError_ ? *injectedLockError_ : target_->lastLockError();
  }
  bool HoldsLock(uint64_t offset, uint64_t length, LockMode mode) const override {
    return target_->HoldsLock(offset, length, mode);
  }
  const std::string& fileName() const override { return target_->fileName(); }

 private:
  std::unique_ptr<File> target_;
  std::shared_ptr<FaultEnv::State> state_;
  std::optional<IoStatus> injectedLockError_;
};

}  // namespace

FaultEnv::FaultEnv(Env* target) : target_(target), state_(std::make_shared<State>()) {}
FaultEnv::~FaultEnv() = default;

void FaultEnv::SetCallFault(const CallFault& f) {
  state_->fault = f;
  state_->count = 0;
  state_->fired = false;
}

void FaultEnv::RefuseLocks(uint64_t offset, uint64_t length) {
  state_->refused.push_back({offset, length, LockMode::kExclusive});
}

void FaultEnv::ClearFaults() {
  state_->fault = CallFault{};
  state_->count = 0;
  state_->fired = false;
  state_->refused.clear();
}

int FaultEnv::callCount() const {
  return state_->count;
}
bool FaultEnv::fired() const {
  return state_->fired;
}

IoStatus FaultEnv::Open(const std::string& fileName, const OpenOptions& options,
                        std::unique_ptr<File>* file) {
  file->reset();
  if (IoStatus s = state_->Check(FaultOp::kOpen, "open", fileName); !s.ok()) return s;
  std::unique_ptr<File> inner;
  IoStatus s = target_->Open(fileName, options, &inner);
  if (s.ok()) *file = std::make_unique<FaultFile>(std::move(inner), state_);
  return s;
}

bool FaultEnv::FileExists(const std::string& fileName) {
  return target_->FileExists(fileName);
}

IoStatus FaultEnv::RemoveFile(const std::string& fileName) {
  if (IoStatus s = state_->Check(FaultOp::kRemove, "remove", fileName); !s.ok()) return s;
  return target_->RemoveFile(fileName);
}

LocalTime FaultEnv::LocalNow() {
  return target_->LocalNow();
}

void FaultEnv::SleepFor(std::chrono::milliseconds pause) {
  target_->SleepFor(pause);
}

}  // namespace tabrix
