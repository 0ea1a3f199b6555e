#pragma once
// The memo file of an open table (FPT or DBT), read and written through the Env.
//
// The file's bytes are held in memory (`image`) so that the format readers and write planners
// of fpt_memo.h and dbt_memo.h work on them unchanged. The image follows the file:
//   - shared files: the size is checked when a memo lies beyond the image (another program
//     appended it) and on Refresh(), which the table calls whenever it reads records from its
//     file, so the image is never older than the records it is read for; a file that shrank
//     (packed by another program) is read again completely;
//   - exclusive files: nobody else writes, so the image is the truth; the header's next-free
//     pointer is written by Flush() only (a stale pointer is safe: the planners never trust a
//     pointer into existing data), and memos appended at the end of the file collect in the
//     image and reach the file in writes of up to kMemoWriteBehindBytes (at the latest on
//     Flush, Refresh and destruction);
//   - a write runs under the memo allocation lock (lock_offsets.h) on shared tables and
//     re-reads the header, the new tail and the old value's block header under that lock
//     first, so a next-free pointer moved by another program is honoured;
//   - the patches of a write go to the file (data blocks, then the header) and to the image.
// A memo another program rewrote in place inside its old blocks is seen after RefreshBlock
// (the table calls it for the memos of a record after locking it, as it re-reads the record).

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

#include "data/dbf_header.h"
#include "data/file_env.h"
#include "data/memo_source.h"
#include "data/table_errors.h"

namespace tabrix {

inline constexpr size_t kMemoWriteBehindBytes = 1024 * 1024;

// The bytes of the memo file in memory. Unlike a vector, growing leaves the new bytes
// uninitialised: they are filled by file reads and patches, and zero-filling hundreds of
// megabytes first would cost as much as reading them.
class ByteImage {
 public:
  ByteImage() = default;
  ByteImage(const ByteImage&) = delete;
  ByteImage& operator=(const ByteImage&) = delete;
  ~ByteImage() { std::free(bytes_); }
  uint8_t* data() { return bytes_; }
  const uint8_t* data() const { return bytes_; }
  size_t size() const { return size_; }
  operator std::span<const uint8_t>() const { return {bytes_, size_}; }
  // Growing keeps the bytes so far. The capacity doubles, and large blocks grow by remapping
  // (realloc), so appending copies nothing.
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

  // Brings the image up to date: appended bytes only, or (whole) everything.
  IoStatus Refresh(bool whole) const;
  // Reads the memo at `block` again from the file (after a lock: another program may have
  // rewritten it in place). Blocks outside the image are left alone; reading them reports
  // the damage.
  IoStatus RefreshBlock(uint32_t block) const;

  const std::string& fileName() const { return file_->fileName(); }
  File* file() { return file_.get(); }

 private:
  MemoFile(std::unique_ptr<File> file, MemoKind kind, std::string driver, bool shared)
      : file_(std::move(file)), kind_(kind), driver_(std::move(driver)), shared_(shared) {}
  IoStatus ReadRange(uint64_t offset, uint64_t length) const;
  // Exclusive files: writes the image bytes from written_ on.
  IoStatus WriteBehind() const;
  Result<MemoData> ReadFromImage(uint32_t block) const;

  std::unique_ptr<File> file_;
  MemoKind kind_;
  std::string driver_;
  bool shared_;
  bool headerDirty_ = false;
  mutable ByteImage image_;
  mutable uint64_t written_ = 0;  // exclusive files: the image bytes up to here are in the file
};

}  // namespace tabrix
