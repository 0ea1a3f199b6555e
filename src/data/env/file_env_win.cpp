// The file layer on Windows.
//
// Sharing modes are the system's own: a shared open allows others to read and write
// (FILE_SHARE_READ | FILE_SHARE_WRITE), an exclusive open allows nothing. A conflict fails with
// ERROR_SHARING_VIOLATION (32), which the error handler treats specially on table opens.
// Locks are LockFileEx locks with LOCKFILE_FAIL_IMMEDIATELY; they belong to the handle
// (rule L1) and are mandatory (rule L7). Rules L3 and L4 are checked against this handle's
// own bookkeeping before the system is asked, so the answers match the other platforms.
// GetLastError() values are already in the numbering of file_env.h.

#include <windows.h>

#include <algorithm>

#include "data/base/win_handles_win.h"
#include "data/env/file_env.h"
#include "data/env/held_locks.h"

namespace tabrix {
namespace {

IoStatus LastErrorStatus(const char* operation, const std::string& fileName) {
  DWORD code = GetLastError();
  return IoStatus::Error(static_cast<int>(code), operation, fileName);
}

OVERLAPPED OverlappedAt(uint64_t offset) {
  OVERLAPPED ov{};
  ov.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
  ov.OffsetHigh = static_cast<DWORD>(offset >> 32);
  return ov;
}

// ReadFile and WriteFile move at most this many bytes per call.
constexpr size_t kMaxChunk = 1u << 30;

class WinFile final : public File {
 public:
  WinFile(HANDLE handle, std::string fileName, bool readOnly)
      : owned_(handle), handle_(handle), fileName_(std::move(fileName)), readOnly_(readOnly) {}

  IoStatus ReadAt(uint64_t offset, std::span<uint8_t> buffer, size_t* bytesRead) override {
    *bytesRead = 0;
    while (*bytesRead < buffer.size()) {
      OVERLAPPED ov = OverlappedAt(offset + *bytesRead);
      DWORD want = static_cast<DWORD>(std::min(buffer.size() - *bytesRead, kMaxChunk));
      DWORD got = 0;
      if (!ReadFile(handle_, buffer.data() + *bytesRead, want, &got, &ov)) {
        // A read at or past the end through an OVERLAPPED position reports ERROR_HANDLE_EOF.
        if (GetLastError() == ERROR_HANDLE_EOF) break;
        return LastErrorStatus("read", fileName_);
      }
      if (got == 0) break;
      *bytesRead += got;
    }
    return IoStatus::Ok();
  }

  IoStatus WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    if (readOnly_) return IoStatus::Error(kOsAccessDenied, "write", fileName_, "opened read-only");
    unflushed_ = true;
    size_t done = 0;
    while (done < data.size()) {
      OVERLAPPED ov = OverlappedAt(offset + done);
      DWORD want = static_cast<DWORD>(std::min(data.size() - done, kMaxChunk));
      DWORD put = 0;
      if (!WriteFile(handle_, data.data() + done, want, &put, &ov)) {
        return LastErrorStatus("write", fileName_);
      }
      if (put == 0) return IoStatus::Error(kOsDiskFull, "write", fileName_);
      done += put;
    }
    return IoStatus::Ok();
  }

  IoStatus Size(uint64_t* size) override {
    LARGE_INTEGER li{};
    if (!GetFileSizeEx(handle_, &li)) return LastErrorStatus("size", fileName_);
    *size = static_cast<uint64_t>(li.QuadPart);
    return IoStatus::Ok();
  }

  IoStatus Truncate(uint64_t size) override {
    if (readOnly_) {
      return IoStatus::Error(kOsAccessDenied, "truncate", fileName_, "opened read-only");
    }
    unflushed_ = true;
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(handle_, FileEndOfFileInfo, &info, sizeof info)) {
      return LastErrorStatus("truncate", fileName_);
    }
    return IoStatus::Ok();
  }

  IoStatus Flush() override {
    if (readOnly_ || !unflushed_) return IoStatus::Ok();  // FlushFileBuffers needs write access
    if (!FlushFileBuffers(handle_)) return LastErrorStatus("flush", fileName_);
    unflushed_ = false;
    return IoStatus::Ok();
  }

  bool LockRange(uint64_t offset, uint64_t length, LockMode mode) override {
    if (!IsValidLockRange(offset, length)) {
      lastLockError_ = IoStatus::Error(kOsInvalidParameter, "lock", fileName_, "bad range");
      return false;
    }
    if (held_.Overlaps(offset, length)) {  // rule L3
      lastLockError_ = IoStatus::Error(kOsLockViolation, "lock", fileName_, "overlaps own lock");
      return false;
    }
    OVERLAPPED ov = OverlappedAt(offset);
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY;
    if (mode == LockMode::kExclusive) flags |= LOCKFILE_EXCLUSIVE_LOCK;
    if (!LockFileEx(handle_, flags, 0, static_cast<DWORD>(length & 0xFFFFFFFFu),
                    static_cast<DWORD>(length >> 32), &ov)) {
      lastLockError_ = LastErrorStatus("lock", fileName_);
      return false;
    }
    held_.Add(offset, length, mode);
    lastLockError_ = IoStatus::Ok();
    return true;
  }

  IoStatus UnlockRange(uint64_t offset, uint64_t length) override {
    if (!held_.Remove(offset, length)) return IoStatus::Error(kOsNotLocked, "unlock", fileName_);
    OVERLAPPED ov = OverlappedAt(offset);
    if (!UnlockFileEx(handle_, 0, static_cast<DWORD>(length & 0xFFFFFFFFu),
                      static_cast<DWORD>(length >> 32), &ov)) {
      return LastErrorStatus("unlock", fileName_);
    }
    return IoStatus::Ok();
  }

  IoStatus lastLockError() const override { return lastLockError_; }

  bool HoldsLock(uint64_t offset, uint64_t length, LockMode mode) const override {
    return held_.Covers(offset, length, mode);
  }

  const std::string& fileName() const override { return fileName_; }

 private:
  OwnedFileHandle owned_;  // closing the handle releases every lock it holds
  HANDLE handle_;
  std::string fileName_;
  bool readOnly_;
  bool unflushed_ = false;  // written or cut since the last flush
  HeldLocks held_;
  IoStatus lastLockError_;
};

class WinEnv final : public Env {
 public:
  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override {
    file->reset();
    DWORD access = GENERIC_READ | (options.readOnly ? 0 : GENERIC_WRITE);
    DWORD share = options.exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    DWORD disposition =
        options.disposition == Disposition::kCreateAlways ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE handle = CreateFileA(fileName.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastErrorStatus("open", fileName);
    *file = std::make_unique<WinFile>(handle, fileName, options.readOnly);
    return IoStatus::Ok();
  }

  bool FileExists(const std::string& fileName) override {
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
  }

  IoStatus RemoveFile(const std::string& fileName) override {
    if (!DeleteFileA(fileName.c_str())) return LastErrorStatus("remove", fileName);
    return IoStatus::Ok();
  }

  LocalTime LocalNow() override {
    SYSTEMTIME t;
    GetLocalTime(&t);
    return {{t.wYear, t.wMonth, t.wDay}, t.wHour, t.wMinute, t.wSecond};
  }

  void SleepFor(std::chrono::milliseconds pause) override {
    if (pause.count() > 0) ::Sleep(static_cast<DWORD>(pause.count()));
  }
};

}  // namespace

Env* DefaultEnv() {
  static Env* env = new WinEnv;  // never destroyed: files may outlive static destructors
  return env;
}

}  // namespace tabrix
