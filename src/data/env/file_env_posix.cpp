// The file layer on POSIX systems (Linux): the native build and its tests.
//
// Locks are open-file-description locks (F_OFD_SETLK): they belong to the open file
// description, i.e. to one File object (rule L1), and are not dropped when another descriptor
// of the same file is closed, unlike classic process-owned fcntl locks. Every descriptor is
// opened O_CLOEXEC so a started helper process never inherits (and so never shares) them.
//
// Sharing modes have no POSIX counterpart; they are emulated with one more lock on the byte at
// kMaxLockEnd, above every range callers may lock: a shared open holds a read lock there, an
// exclusive open a write lock. A conflicting open fails with kOsSharingViolation (32), as on
// Windows. Only programs using this layer see the emulated modes.
//
// Read-only opens still ask for a read-write descriptor (falling back to read-only when the
// file is not writable) because exclusive byte-range locks need one on POSIX but not on
// Windows; writing through a read-only File is refused here. On a file without write
// permission exclusive locks and exclusive opens cannot be had: they fail with
// kOsAccessDenied.

#ifndef _WIN32

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <thread>

#include "data/env/file_env.h"
#include "data/env/held_locks.h"

#ifndef F_OFD_SETLK
#error "open-file-description locks (Linux 3.15 or later) are required"
#endif

namespace tabrix {
namespace {

int OsCodeOfErrno(int e) {
  switch (e) {
    case ENOENT:
      return kOsFileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
      return kOsPathNotFound;
    case EMFILE:
    case ENFILE:
      return kOsTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBADF:
      return kOsAccessDenied;
    case EAGAIN:
      return kOsLockViolation;
    case EEXIST:
      return kOsFileExists;
    case EINVAL:
    case EOVERFLOW:
    case EFBIG:
      return kOsInvalidParameter;
    case ENOSPC:
    case EDQUOT:
      return kOsDiskFull;
    default:
      return kOsGeneralFailure;
  }
}

IoStatus ErrnoStatus(int e, const char* operation, const std::string& fileName) {
  return IoStatus::Error(OsCodeOfErrno(e), operation, fileName,
                         std::string("errno ") + std::to_string(e) + " " + std::strerror(e));
}

// One OFD lock request; returns 0 or errno.
int OfdLock(int fd, short type, uint64_t offset, uint64_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;  // required for OFD locks
  while (fcntl(fd, F_OFD_SETLK, &fl) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

class PosixFile final : public File {
 public:
  PosixFile(int fd, std::string fileName, bool readOnly)
      : fd_(fd), fileName_(std::move(fileName)), readOnly_(readOnly) {}
  ~PosixFile() override { close(fd_); }  // releases every OFD lock of this description

  IoStatus ReadAt(uint64_t offset, std::span<uint8_t> buffer, size_t* bytesRead) override {
    *bytesRead = 0;
    if (offset > static_cast<uint64_t>(INT64_MAX)) {
      return IoStatus::Error(kOsInvalidParameter, "read", fileName_);
    }
    while (*bytesRead < buffer.size()) {
      ssize_t n = pread(fd_, buffer.data() + *bytesRead, buffer.size() - *bytesRead,
                        static_cast<off_t>(offset + *bytesRead));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno, "read", fileName_);
      }
      if (n == 0) break;  // end of file
      *bytesRead += static_cast<size_t>(n);
    }
    return IoStatus::Ok();
  }

  IoStatus WriteAt(uint64_t offset, std::span<const uint8_t> data) override {
    if (readOnly_) return IoStatus::Error(kOsAccessDenied, "write", fileName_, "opened read-only");
    if (offset > static_cast<uint64_t>(INT64_MAX) - data.size()) {
      return IoStatus::Error(kOsInvalidParameter, "write", fileName_);
    }
    unflushed_ = true;
    size_t done = 0;
    while (done < data.size()) {
      ssize_t n =
          pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + done));
      if (n < 0) {
        if (errno == EINTR) continue;
        return ErrnoStatus(errno, "write", fileName_);
      }
      done += static_cast<size_t>(n);
    }
    StartWriteBack(data.size());
    return IoStatus::Ok();
  }

  IoStatus Size(uint64_t* size) override {
    struct stat st {};
    if (fstat(fd_, &st) != 0) return ErrnoStatus(errno, "size", fileName_);
    *size = static_cast<uint64_t>(st.st_size);
    return IoStatus::Ok();
  }

  IoStatus Truncate(uint64_t size) override {
    if (readOnly_) {
      return IoStatus::Error(kOsAccessDenied, "truncate", fileName_, "opened read-only");
    }
    if (size > static_cast<uint64_t>(INT64_MAX)) {
      return IoStatus::Error(kOsInvalidParameter, "truncate", fileName_);
    }
    unflushed_ = true;
    while (ftruncate(fd_, static_cast<off_t>(size)) != 0) {
      if (errno != EINTR) return ErrnoStatus(errno, "truncate", fileName_);
    }
    return IoStatus::Ok();
  }

  IoStatus Flush() override {
    if (readOnly_ || !unflushed_) return IoStatus::Ok();
    unstarted_ = 0;
    if (fsync(fd_) != 0) return ErrnoStatus(errno, "flush", fileName_);
    unflushed_ = false;
    return IoStatus::Ok();
  }

  bool LockRange(uint64_t offset, uint64_t length, LockMode mode) override {
    if (!IsValidLockRange(offset, length)) {
      lastLockError_ = IoStatus::Error(kOsInvalidParameter, "lock", fileName_, "bad range");
      return false;
    }
    if (held_.Overlaps(offset, length)) {  // rule L3; POSIX would merge silently
      lastLockError_ = IoStatus::Error(kOsLockViolation, "lock", fileName_, "overlaps own lock");
      return false;
    }
    int e = OfdLock(fd_, mode == LockMode::kExclusive ? F_WRLCK : F_RDLCK, offset, length);
    if (e != 0) {
      lastLockError_ = ErrnoStatus(e == EACCES ? EAGAIN : e, "lock", fileName_);
      return false;
    }
    held_.Add(offset, length, mode);
    lastLockError_ = IoStatus::Ok();
    return true;
  }

  IoStatus UnlockRange(uint64_t offset, uint64_t length) override {
    if (!held_.Remove(offset, length)) {
      return IoStatus::Error(kOsNotLocked, "unlock", fileName_);
    }
    if (int e = OfdLock(fd_, F_UNLCK, offset, length); e != 0) {
      return ErrnoStatus(e, "unlock", fileName_);
    }
    return IoStatus::Ok();
  }

  IoStatus lastLockError() const override { return lastLockError_; }

  bool HoldsLock(uint64_t offset, uint64_t length, LockMode mode) const override {
    return held_.Covers(offset, length, mode);
  }

  const std::string& fileName() const override { return fileName_; }

 private:
  // Every file written here is flushed to the device sooner or later (commit, close): once a
  // few megabytes are waiting, the device starts on them while the program goes on writing,
  // so the flush finds most of the work done. A hint only: its failure changes nothing.
  void StartWriteBack(size_t bytes) {
#ifdef SYNC_FILE_RANGE_WRITE
    unstarted_ += bytes;
    if (unstarted_ < kWriteBackStartBytes) return;
    unstarted_ = 0;
    (void)sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)bytes;
#endif
  }
  static constexpr size_t kWriteBackStartBytes = 8 << 20;

  int fd_;
  std::string fileName_;
  bool readOnly_;
  size_t unstarted_ = 0;    // bytes written since the device was last asked to start
  bool unflushed_ = false;  // written or cut since the last flush
  HeldLocks held_;
  IoStatus lastLockError_;
};

class PosixEnv final : public Env {
 public:
  IoStatus Open(const std::string& fileName, const OpenOptions& options,
                std::unique_ptr<File>* file) override {
    file->reset();
    int flags = O_RDWR | O_CLOEXEC;
    if (options.disposition == Disposition::kCreateAlways) flags |= O_CREAT;
    int fd = OpenRetrying(fileName, flags);
    if (fd < 0 && options.readOnly && (errno == EACCES || errno == EROFS)) {
      fd = OpenRetrying(fileName, O_RDONLY | O_CLOEXEC);
    }
    if (fd < 0) return ErrnoStatus(errno, "open", fileName);

    // The sharing check comes before emptying the file, so an open that loses against an
    // exclusive holder leaves the file alone.
    int e = OfdLock(fd, options.exclusive ? F_WRLCK : F_RDLCK, kMaxLockEnd, 1);
    if (e != 0) {
      close(fd);
      if (e == EAGAIN || e == EACCES) {
        return IoStatus::Error(kOsSharingViolation, "open", fileName,
                               "the file is open elsewhere in a conflicting mode");
      }
      return ErrnoStatus(e, "open", fileName);
    }
    if (options.disposition == Disposition::kCreateAlways && ftruncate(fd, 0) != 0) {
      IoStatus status = ErrnoStatus(errno, "create", fileName);
      close(fd);
      return status;
    }
    *file = std::make_unique<PosixFile>(fd, fileName, options.readOnly);
    return IoStatus::Ok();
  }

  bool FileExists(const std::string& fileName) override {
    struct stat st {};
    return stat(fileName.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  }

  IoStatus RemoveFile(const std::string& fileName) override {
    if (unlink(fileName.c_str()) != 0) return ErrnoStatus(errno, "remove", fileName);
    return IoStatus::Ok();
  }

  LocalTime LocalNow() override {
    // The reentrant form: std::localtime re-reads the time zone (a stat of /etc/localtime) at
    // every call on glibc, and this runs at every append of a shared table.
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return LocalTime{{2000, 1, 1}};
    return {{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}, tm.tm_hour, tm.tm_min, tm.tm_sec};
  }

  void SleepFor(std::chrono::milliseconds pause) override {
    if (pause.count() > 0) std::this_thread::sleep_for(pause);
  }

 private:
  static int OpenRetrying(const std::string& fileName, int flags) {
    int fd;
    do {
      fd = open(fileName.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
  }
};

}  // namespace

Env* DefaultEnv() {
  static Env* env = new PosixEnv;  // never destroyed: files may outlive static destructors
  return env;
}

}  // namespace tabrix

#endif  // _WIN32
