#pragma once
// The pages of one open NTX file: reading through a cache, writing through, page allocation
// with the free list, and the index lock of shared files.
//
// Rules:
//   P1. Every public operation of an NTX order runs inside one Session. On a shared file the
//       session holds the index lock (ntx_file.h: the offset picked from the signature; shared
//       mode for reading, exclusive for writing, a brief wait on contention) and re-reads the
//       header first: when another program changed the file (version, root or free list
//       differ) every cached page is dropped and generation() moves on. (The version word has
//       16 bits: exactly 65536 writes of others between two of our calls, with root and free
//       list back where they were, would go unnoticed.) An exclusive file is nobody else's, so
//       its header and pages stay cached.
//   P2. Pages are decoded and checked once when read (DecodeNtxPage) and must lie whole inside
//       the file; a bad page is Corruption, reported with the code kNtxCorruptCode.
//   P3. Writes go to the file at once: WritePage writes the page, Commit writes the header last
//       with the version counted up. So another program reading after Commit sees a valid
//       index, and nothing stays in memory that the file does not hold.
//   P4. A page leaving the tree goes onto the free list (its first 4 bytes point to the next
//       free page, the header to the first); a new page comes from the list first, from the end
//       of the file otherwise.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "data/env/file_env.h"
#include "data/formats/lock_offsets.h"
#include "data/index/ntx_file.h"

namespace tabrix {

// The OS code of a damaged index in the Windows numbering (ERROR_FILE_CORRUPT).
inline constexpr int kNtxCorruptCode = kOsFileCorrupt;

// A damaged-index status: code kNtxCorruptCode, the error's place and reason in the detail.
IoStatus NtxCorruption(const FormatError& error);

struct NtxOpenMode {
  bool exclusive = false;
  bool readOnly = false;
};

class NtxPageStore {
 public:
  // Opens an existing index and reads its header.
  static IoStatus Open(Env* env, const std::string& fileName, NtxOpenMode mode,
                       std::unique_ptr<NtxPageStore>* store);
  // Creates (or empties) the file and writes `header` with an empty root leaf after it.
  static IoStatus Create(Env* env, const std::string& fileName, NtxOpenMode mode,
                         const NtxHeader& header, std::unique_ptr<NtxPageStore>* store);

  const NtxHeader& header() const { return header_; }
  const std::string& fileName() const { return fileName_; }
  bool shared() const { return !mode_.exclusive; }
  bool readOnly() const { return mode_.readOnly; }
  // Moves on whenever cached pages were dropped or the tree was written (P1, P3).
  uint64_t generation() const { return generation_; }

  // One operation (P1). ok() false when the lock could not be had or the header no longer
  // reads; the status says why.
  class Session {
   public:
    Session(NtxPageStore* store, bool write);
    const IoStatus& status() const { return status_; }

   private:
    RangeLock lock_;
    IoStatus status_;
  };

  // The page at offset, decoded (P2). The pointer stays valid until that page is written or
  // freed, or the session ends.
  IoStatus ReadPage(uint32_t offset, const NtxPage** page);
  // Reads the count of the page only (2 bytes), for counting whole subtrees at the leaf level.
  IoStatus ReadPageCount(uint32_t offset, uint16_t* count);

  // Writing (P3, P4). REQUIRES: a write Session.
  IoStatus WritePage(uint32_t offset, const NtxPage& page);
  // Writes encoded pages at offset without keeping them in the cache (a bulk build writes pages
  // it does not read again). REQUIRES: offset and bytes.size() multiples of the page size.
  IoStatus WritePages(uint64_t offset, std::span<const uint8_t> bytes);
  IoStatus AllocatePage(uint32_t* offset);
  // Cuts the file to `size` bytes (pages past it must be in neither the tree nor the free list).
  IoStatus TruncatePages(uint64_t size);
  IoStatus FreePage(uint32_t offset);
  void SetRoot(uint32_t offset) { header_.root = offset; }
  // Writes the header with the version counted up.
  IoStatus Commit();
  // After a write that failed half-way: forgets every cached page and reads the header again,
  // so nothing of the unfinished change is taken for the file's content.
  IoStatus Reload();
  uint64_t fileSize() const { return fileSize_; }
  // The next-free link stored in a free page (P4).
  IoStatus ReadFreeLink(uint32_t page, uint32_t* next);

  // Reads done since the store was opened: decoded pages and count-only reads.
  uint64_t pageReads() const { return pageReads_; }

 private:
  NtxPageStore(Env* env, std::string fileName, NtxOpenMode mode, std::unique_ptr<File> file);
  IoStatus LoadHeader();
  IoStatus Refresh();
  void DropCache();

  Env* env_;
  std::string fileName_;
  NtxOpenMode mode_;
  std::unique_ptr<File> file_;
  NtxHeader header_;
  uint64_t fileSize_ = 0;
  uint64_t generation_ = 0;
  uint64_t pageReads_ = 0;
  std::unordered_map<uint32_t, NtxPage> cache_;
};

}  // namespace tabrix
