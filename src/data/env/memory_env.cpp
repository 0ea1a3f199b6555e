// The in-memory Env: one lock table per file, shared by every handle on it, and per file an
// undo record of every change since the last flush (what a crash takes back).

#include "data/env/memory_env.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <vector>

#include "data/env/held_locks.h"

namespace tabrix {
namespace {

// Writes that would make a file larger than this fail like a full disk: tests never need
// more, and a stray offset must not exhaust the memory.
constexpr uint64_t kMaxFileSize = uint64_t{256} << 20;

struct OwnedLock {
  uint64_t owner = 0;
  LockedRange range;
};

// How to take one change back: the file had oldSize bytes, and `old` at offset (the bytes the
// change overwrote or cut off).
struct Undo {
  uint64_t offset = 0;
  std::vector<uint8_t> old;
  uint64_t oldSize = 0;
};

struct FileNode {
  std::vector<uint8_t> data;
  int openCount = 0;
  bool openExclusive = false;
  std::vector<OwnedLock> locks;  // the lock table: every lock of every handle on this file
  std::vector<Undo> unflushed;   // the changes since the last flush, oldest first

  // Records how to take back a change of [offset, end) that leaves the file newSize long.
  void NoteChange(uint64_t offset, uint64_t end, uint64_t newSize) {
    Undo u;
    u.oldSize = data.size();
    // A cut changes the bytes it drops; a write those it overwrites.
    if (newSize < data.size()) {
      offset = newSize;
      end = data.size();
    }
    u.offset = offset;
    if (offset < data.size()) {
      u.old.assign(data.begin() + static_cast<ptrdiff_t>(offset),
                   data.begin() + static_cast<ptrdiff_t>(std::min<uint64_t>(end, data.size())));
    }
    unflushed.push_back(std::move(u));
  }

  // Takes back every unflushed change after the first `keep`, newest first.
  void Crash(size_t keep) {
    while (unflushed.size() > keep) {
      const Undo& u = unflushed.back();
      if (data.size() < u.offset + u.old.size()) data.resize(u.offset + u.old.size());
      std::copy(u.old.begin(), u.old.end(), data.begin() + static_cast<ptrdiff_t>(u.offset));
      data.resize(u.oldSize);
      unflushed.pop_back();
    }
    unflushed.clear();
  }
};

struct MemoryState {
  std::mutex mu;
  std::map<std::string, std::shared_ptr<FileNode>> files;
  uint64_t nextOwner = 1;
};

std::string NormalName(const std::string& fileName) {
  std::string key = fileName;
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c == '/') c = '\\';
  }
  return key;
}

class MemoryFile final : public File {
 public:
  MemoryFile(std::shared_ptr<MemoryState> state, std::shared_ptr<FileNode> node, uint64_t owner,
             std::string fileName, bool readOnly, bool exclusive)
      : state_(std::move(state)),
        node_(std::move(node)),
        owner_(owner),
        fileName_(std::move(fileName)),
        readOnly_(readOnly),
        exclusive_(exclusive) {}

  ~MemoryFile() override {
    std::lock_guard<std::mutex> guard(state_->mu);
    std::erase_if(node_->locks, [&](const OwnedLock& l) { return l.owner == owner_; });
    --node_->openCount;
    if (exclusive_) node_->openExclusive = false;
  }

  IoStatus ReadAt(uint64_t offset, std::span<uint8_t> buffer, size_t* bytesRead) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    *bytesRead = 0;
    if (BlockedByLock(offset, buffer.size(), /*write=*/false)) {
      return IoStatus::Error(kOsLockViolation, "read", fileName_, "range locked by another handle");
    }
    const std::vector<uint8_t>& data = node_->data;
    if (offset >= data.size()) return IoStatus::Ok();
    size_t n = static_cast<size_t>(std::min<uint64_t>(buffer.size(), data.size() - offset));
    std::copy_n(data.begin() + static_cast<ptrdiff_t>(offset), n, buffer.begin());
    *bytesRead = n;
    return IoStatus::Ok();
  }

  IoStatus WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    if (readOnly_) return IoStatus::Error(kOsAccessDenied, "write", fileName_, "opened read-only");
    if (offset > kMaxFileSize || data.size() > kMaxFileSize - offset) {
      return IoStatus::Error(kOsDiskFull, "write", fileName_);
    }
    if (BlockedByLock(offset, data.size(), /*write=*/true)) {
      return IoStatus::Error(kOsLockViolation, "write", fileName_, "range locked");
    }
    std::vector<uint8_t>& bytes = node_->data;
    const uint64_t end = offset + data.size();
    node_->NoteChange(offset, end, std::max<uint64_t>(end, bytes.size()));
    if (end > bytes.size()) bytes.resize(end);
    std::copy(data.begin(), data.end(), bytes.begin() + static_cast<ptrdiff_t>(offset));
    return IoStatus::Ok();
  }

  IoStatus Size(uint64_t* size) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    *size = node_->data.size();
    return IoStatus::Ok();
  }

  IoStatus Truncate(uint64_t size) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    if (readOnly_) {
      return IoStatus::Error(kOsAccessDenied, "truncate", fileName_, "opened read-only");
    }
    if (size > kMaxFileSize) return IoStatus::Error(kOsDiskFull, "truncate", fileName_);
    node_->NoteChange(std::min<uint64_t>(size, node_->data.size()), size, size);
    node_->data.resize(size);
    return IoStatus::Ok();
  }

  IoStatus Flush() override {
    std::lock_guard<std::mutex> guard(state_->mu);
    node_->unflushed.clear();
    return IoStatus::Ok();
  }

  bool LockRange(uint64_t offset, uint64_t length, LockMode mode) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    if (!IsValidLockRange(offset, length)) {
      lastLockError_ = IoStatus::Error(kOsInvalidParameter, "lock", fileName_, "bad range");
      return false;
    }
    if (held_.Overlaps(offset, length)) {  // rule L3
      lastLockError_ = IoStatus::Error(kOsLockViolation, "lock", fileName_, "overlaps own lock");
      return false;
    }
    for (const OwnedLock& l : node_->locks) {  // rule L2
      if (l.owner != owner_ && RangesOverlap(l.range.offset, l.range.length, offset, length) &&
          (mode == LockMode::kExclusive || l.range.mode == LockMode::kExclusive)) {
        lastLockError_ = IoStatus::Error(kOsLockViolation, "lock", fileName_);
        return false;
      }
    }
    held_.Add(offset, length, mode);
    node_->locks.push_back({owner_, {offset, length, mode}});
    lastLockError_ = IoStatus::Ok();
    return true;
  }

  IoStatus UnlockRange(uint64_t offset, uint64_t length) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    if (!held_.Remove(offset, length)) return IoStatus::Error(kOsNotLocked, "unlock", fileName_);
    auto it = std::find_if(node_->locks.begin(), node_->locks.end(), [&](const OwnedLock& l) {
      return l.owner == owner_ && l.range.offset == offset && l.range.length == length;
    });
    if (it != node_->locks.end()) node_->locks.erase(it);
    return IoStatus::Ok();
  }

  IoStatus lastLockError() const override { return lastLockError_; }

  bool HoldsLock(uint64_t offset, uint64_t length, LockMode mode) const override {
    return held_.Covers(offset, length, mode);
  }

  const std::string& fileName() const override { return fileName_; }

 private:
  // Rule L7 as Windows applies it. REQUIRES: state_->mu held.
  bool BlockedByLock(uint64_t offset, uint64_t length, bool write) const {
    if (length == 0) return false;
    return std::any_of(node_->locks.begin(), node_->locks.end(), [&](const OwnedLock& l) {
      if (!RangesOverlap(l.range.offset, l.range.length, offset, length)) return false;
      bool own = l.owner == owner_;
      if (l.range.mode == LockMode::kExclusive) return !own;
      return write;  // a shared lock keeps everybody, its owner included, from writing
    });
  }

  std::shared_ptr<MemoryState> state_;
  std::shared_ptr<FileNode> node_;
  uint64_t owner_;
  std::string fileName_;
  bool readOnly_;
  bool exclusive_;
  HeldLocks held_;
  IoStatus lastLockError_;
};

// The clock: milliseconds since 1970-01-01 00:00 of the local calendar.
using ClockTime = std::chrono::sys_time<std::chrono::milliseconds>;

ClockTime FromLocalTime(const LocalTime& t) {
  using namespace std::chrono;
  const sys_days day{year{t.date.year} / month{static_cast<unsigned>(t.date.month)} /
                     std::chrono::day{static_cast<unsigned>(t.date.day)}};
  return ClockTime{day} + hours{t.hour} + minutes{t.minute} + seconds{t.second};
}

LocalTime ToLocalTime(ClockTime t) {
  using namespace std::chrono;
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<milliseconds> time{t - day};
  return {{static_cast<int>(ymd.year()), static_cast<int>(static_cast<unsigned>(ymd.month())),
           static_cast<int>(static_cast<unsigned>(ymd.day()))},
          static_cast<int>(time.hours().count()),
          static_cast<int>(time.minutes().count()),
          static_cast<int>(time.seconds().count())};
}

class MemoryEnvImpl final : public MemoryEnv {
 public:
  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override {
    file->reset();
    std::lock_guard<std::mutex> guard(state_->mu);
    std::string key = NormalName(fileName);
    auto it = state_->files.find(key);
    if (it == state_->files.end()) {
      if (options.disposition != Disposition::kCreateAlways) {
        return IoStatus::Error(kOsFileNotFound, "open", fileName);
      }
      it = state_->files.emplace(key, std::make_shared<FileNode>()).first;
    }
    FileNode& node = *it->second;
    if (node.openExclusive || (options.exclusive && node.openCount > 0)) {
      return IoStatus::Error(kOsSharingViolation, "open", fileName,
                             "the file is open elsewhere in a conflicting mode");
    }
    if (options.disposition == Disposition::kCreateAlways) {
      node.NoteChange(0, 0, 0);
      node.data.clear();
    }
    ++node.openCount;
    node.openExclusive = options.exclusive;
    *file = std::make_unique<MemoryFile>(state_, it->second, state_->nextOwner++, fileName,
                                         options.readOnly, options.exclusive);
    return IoStatus::Ok();
  }

  bool FileExists(const std::string& fileName) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    return state_->files.count(NormalName(fileName)) != 0;
  }

  IoStatus RemoveFile(const std::string& fileName) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    auto it = state_->files.find(NormalName(fileName));
    if (it == state_->files.end()) return IoStatus::Error(kOsFileNotFound, "remove", fileName);
    if (it->second->openCount > 0) {
      return IoStatus::Error(kOsSharingViolation, "remove", fileName, "the file is open");
    }
    state_->files.erase(it);
    return IoStatus::Ok();
  }

  LocalTime LocalNow() override {
    std::lock_guard<std::mutex> guard(state_->mu);
    return ToLocalTime(clock_);
  }

  void SleepFor(std::chrono::milliseconds pause) override {
    if (pause.count() <= 0) return;
    std::lock_guard<std::mutex> guard(state_->mu);
    clock_ += pause;
    slept_ += pause;
  }

  void SetLocalTime(const LocalTime& now) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    clock_ = FromLocalTime(now);
  }

  std::chrono::milliseconds totalSleep() const override {
    std::lock_guard<std::mutex> guard(state_->mu);
    return slept_;
  }

  size_t UnflushedChanges(const std::string& fileName) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    auto it = state_->files.find(NormalName(fileName));
    return it == state_->files.end() ? 0 : it->second->unflushed.size();
  }

  IoStatus CrashFile(const std::string& fileName, size_t keep) override {
    std::lock_guard<std::mutex> guard(state_->mu);
    auto it = state_->files.find(NormalName(fileName));
    if (it == state_->files.end()) return IoStatus::Error(kOsFileNotFound, "crash", fileName);
    it->second->Crash(keep);
    return IoStatus::Ok();
  }

  void Crash() override {
    std::lock_guard<std::mutex> guard(state_->mu);
    for (auto& [name, node] : state_->files) node->Crash(0);
  }

 private:
  std::shared_ptr<MemoryState> state_ = std::make_shared<MemoryState>();
  ClockTime clock_ = FromLocalTime(kMemoryEnvEpoch);
  std::chrono::milliseconds slept_{0};
};

}  // namespace

std::unique_ptr<MemoryEnv> NewMemoryEnv() {
  return std::make_unique<MemoryEnvImpl>();
}

}  // namespace tabrix
