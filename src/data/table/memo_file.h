#pragma once
// The memo file of an open table (FPT or DBT), read and written through the Env.
//
// Only what a memo operation needs is held in memory, never the whole file:
//   - the file's header (its first 512 bytes: block size, next-free pointer);
//   - a read window: up to kMemoWindowBytes of the file read at the position of the last
//     memo that missed it. Memos lie in the file roughly in the order of their records, so a
//     walk through the table reads the memo file in window-sized pieces; a memo longer than
//     the window is read straight into its value;
//   - exclusive files only: the bytes appended at the end of the file (new memos) and not yet
//     written, up to kMemoWriteBehindBytes (the tail), and the next-free pointer, which is
//     written by Flush() (and on destruction) only: a stale pointer is safe, the planners never
//     trust a pointer into existing data.
// The file size follows the file:
//   - exclusive files: nobody else writes, so the size in memory (file plus tail) is the truth;
//   - shared files: Refresh() (which the table calls whenever it reads records from its file)
//     checks the size and re-reads the header when it changed; a memo beyond the known size
//     checks again before it is called damaged; a file that shrank (packed by another
//     program) drops the window.
// A write runs under the memo allocation lock (lock_offsets.h) on shared tables and re-reads
// the header, the size and the old value's block header under that lock first, so a
// next-free pointer moved by another program is honoured. The patches of a write go to the
// file (data blocks, then the header) or, on exclusive files, to the tail; the window takes
// every patch it overlaps.
// A memo another program rewrote in place inside its old blocks is seen after RefreshBlock
// (the table calls it for the memos of a record after locking it, as it re-reads the record):
// it drops the window.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/env/file_env.h"
#include "data/formats/dbf_header.h"
#include "data/formats/memo_source.h"
#include "data/table/table_errors.h"

namespace tabrix {

inline constexpr size_t kMemoWriteBehindBytes = 1024 * 1024;
inline constexpr size_t kMemoWindowBytes = 128 * 1024;
// The header bytes held in memory: the whole header of both formats.
inline constexpr size_t kMemoHeaderBytes = 512;

// A byte buffer whose growth leaves the new bytes uninitialised: they are filled by file reads
// and copies at once.
class ByteBuffer {
 public:
  ByteBuffer() = default;
  ByteBuffer(const ByteBuffer&) = delete;
  ByteBuffer& operator=(const ByteBuffer&) = delete;
  ~ByteBuffer() { std::free(bytes_); }
  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }
  // Growing keeps the bytes so far; the capacity doubles.
  void resize(size_t size) {
    if (size > capacity_) {
      const size_t capacity = std::max(size, 2 * capacity_);
      void* bytes = std::realloc(bytes_, capacity);
      if (!bytes) throw std::bad_alloc();
      bytes_ = static_cast<uint8_t*>(bytes);
      capacity_ = capacity;
    }
    size_ = size;
  }
  void clear() { size_ = 0; }

 private:
  uint8_t* bytes_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

class MemoFile final : public MemoSource {
 public:
  // Opens fileName (shared or exclusive like its table) and reads it. kind: kFpt, kDbt3 or
  // kDbt4. Failures: open error 21 with the OS code; a header the readers refuse is 21 too.
  static TableStatus Open(Env* env, const std::string& fileName, const OpenOptions& options,
                          MemoKind kind, const std::string& driver, std::unique_ptr<MemoFile>* out);

  Result<MemoData> ReadMemo(uint32_t block) const override;
  Result<uint32_t> ReadMemoInto(uint32_t block, std::string* bytes) const override;

  // Stores `data` as a text memo replacing the memo at oldBlock (0 = none) and returns the
  // block number for the record in *block (0 for an empty value). Shared files: under the
  // memo allocation lock. Failures: data width error 34 for text the format cannot
  // hold, write error 24, lock error 41 when the allocation lock stays taken by another
  // program.
  TableStatus Write(uint32_t oldBlock, std::string_view data, uint32_t* block);

  // Writes the memos held back and a deferred header (exclusive files) and hands the data to
  // the device.
  IoStatus Flush();
  // Best effort: writes the memos held back. Call Flush() to see its errors.
  ~MemoFile();

  // Shared files: brings the size and the header up to date (whole: and drops the window).
  // Exclusive files hold the truth: nothing to do.
  IoStatus Refresh(bool whole) const;
  // Shared files: the memo at `block` is read again from the file on its next read (after a
  // lock: another program may have rewritten it in place).
  IoStatus RefreshBlock(uint32_t block) const;

  const std::string& fileName() const { return file_->fileName(); }
  File* file() { return file_.get(); }

 private:
  MemoFile(Env* env, std::unique_ptr<File> file, MemoKind kind, std::string driver, bool shared)
      : env_(env),
        file_(std::move(file)),
        kind_(kind),
        driver_(std::move(driver)),
        shared_(shared) {}
  // Reads the header and the size from the file.
  IoStatus ReadHeader() const;
  // The first bytes of [offset, offset + length) of the file (tail included), through the
  // window: at least one byte unless the file ends at offset, and all of them unless the
  // range crosses the end of the file or the start of the tail.
  Result<std::span<const uint8_t>> Bytes(uint64_t offset, uint64_t length) const;
  // Appends the bytes [offset, offset + length) to *out (fewer when the file ends before) and
  // returns their count. Long runs are read straight into *out, past the window.
  Result<uint64_t> AppendBytes(uint64_t offset, uint64_t length, std::string* out) const;
  // Shared files: whether the file has grown to hold [offset, offset + length) since its size
  // was last read (reads the size again).
  bool Holds(uint64_t offset, uint64_t length) const;
  FormatError Unreadable(uint64_t offset, const IoStatus& io) const;
  // Exclusive files: writes the tail.
  IoStatus WriteBehind() const;
  // Applies a patch that reached the file to the window.
  void PatchWindow(uint64_t offset, std::span<const uint8_t> bytes) const;
  IoStatus WriteHeader() const;

  Env* env_;  // the pauses between tries of the allocation lock
  std::unique_ptr<File> file_;
  MemoKind kind_;
  std::string driver_;
  bool shared_;
  mutable uint8_t header_[kMemoHeaderBytes] = {};
  mutable size_t headerBytes_ = 0;    // bytes of header_ the file holds
  mutable bool headerDirty_ = false;  // exclusive files: next-free pointer not yet written
  mutable uint64_t size_ = 0;         // the file's size (exclusive files: with the tail)
  mutable uint64_t written_ = 0;      // exclusive files: the file holds the bytes up to here
  mutable ByteBuffer tail_;           // exclusive files: the bytes written_ ... size_
  mutable ByteBuffer window_;
  mutable uint64_t windowStart_ = 0;
};

}  // namespace tabrix
