#pragma once
// An open CDX compound index file: its tag directory, its pages (read through a bounded cache
// and counted), page allocation, and the index lock that keeps programs sharing the file apart.
// Page and header bytes: cdx_page.h. One tag as an index order: cdx_tag.h. Building a tag:
// cdx_build.h.
//
// Errors. Every failure is an IoStatus: the Env's own codes for I/O and lock failures;
// kOsFileCorrupt with a detail starting "corrupt index" for damaged bytes (the detail names
// the byte offset); kOsInvalidParameter for arguments that do not fit the file.
//
// Sharing. A file opened shared is read and written only inside a Scope, which holds the CDX
// index lock (lock_offsets.h: IndexLockRange of the FoxPro dialect; shared for reads,
// exclusive for writes) and, on entry, checks whether another program changed the file: the
// file size and the change counters of the file header and of the tag at hand (header byte
// 8). Any difference drops every cached page. Each write Scope advances the change counter of
// the file header and of every tag it changed, so other programs see the change as well.
// A file opened exclusive is never locked and never re-read; its counters are advanced once.
//
// Invariants:
//   F1. A page offset is used only when it is a multiple of 512 past the file header and the
//       whole page lies inside the file; anything else is corruption.
//   F2. Pages are written whole and at once; a Scope that fails part-way may leave unreachable
//       pages behind (as the FoxPro programs do), never a reachable page that does not decode.
//   F3. The cache holds at most `cachePages` pages beside those in use by an operation, so
//       memory does not grow with the file.
//   F4. New pages come from pages this handle freed (unreachable since) or from the end of the
//       file; the file stays below the lock byte at 2 GB - 2.
//
// Threads: one thread at a time per CdxFile and its tags.

#include <cstdint>
#include <list>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/env/file_env.h"
#include "data/formats/lock_offsets.h"
#include "data/index/cdx_page.h"
#include "data/index/index_order.h"

namespace tabrix {

class CdxTag;

// A tag name as the directory keys it: upper case, blank padded (or cut) to 10 bytes.
std::string CdxDirectoryKey(std::string_view name);

struct CdxOptions {
  bool exclusive = false;
  bool readOnly = false;
  size_t cachePages = 256;
  // Fewer entries per page than fit (0: as many as fit). Tests use small numbers to make
  // splits frequent and trees deep. Interior pages take at least 2.
  int maxLeafEntries = 0;
  int maxInteriorEntries = 0;
};

struct CdxTagEntry {
  std::string name;  // upper case, as in the directory
  uint32_t headerOffset = 0;
};

class CdxFile {
 public:
  // Opens an existing CDX file; reads its file header.
  static IoStatus Open(Env* env, const std::string& fileName, const CdxOptions& options,
                       std::unique_ptr<CdxFile>* file);
  // Creates a CDX file without tags (replacing any file of that name).
  static IoStatus Create(Env* env, const std::string& fileName, const CdxOptions& options,
                         std::unique_ptr<CdxFile>* file);
  ~CdxFile();
  CdxFile(const CdxFile&) = delete;
  CdxFile& operator=(const CdxFile&) = delete;

  // The tags in directory order (by name).
  IoStatus ListTags(std::vector<CdxTagEntry>* tags);
  // The header of the tag whose header lies at offset (from ListTags).
  IoStatus ReadTagHeader(uint32_t offset, CdxHeader* header);
  // Takes tag `name` (any case) out of the directory, so a tag of that name can be built anew;
  // nothing to do when there is none. Its pages stay behind unreachable, as after a failed build.
  IoStatus RemoveTag(std::string_view name);
  // Opens tag `name` (any case). kind: what the tag's key expression yields (the file does not
  // say; it decides the key bytes and the trailing fill). kOsFileNotFound when there is no such
  // tag.
  IoStatus OpenTag(std::string_view name, KeyKind kind, std::unique_ptr<CdxTag>* tag);
  // Hands written pages to the device.
  IoStatus Flush();

  // Pages read from the file (cache misses) and pages looked at (hits and misses).
  uint64_t pageReads() const { return pageReads_; }
  uint64_t pageVisits() const { return pageVisits_; }
  const std::string& fileName() const { return fileName_; }
  const CdxOptions& options() const { return options_; }
  Env* env() const { return env_; }

  // The lock and freshness of one operation (see Sharing). Scopes nest: only the outermost
  // locks, checks and advances counters, so a caller may hold one across several tag updates.
  // A write Scope may not nest in a read Scope.
  class Scope {
   public:
    Scope(CdxFile* file, bool write);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
    const IoStatus& status() const { return status_; }
    bool ok() const { return status_.ok(); }
    // Ends the scope: advances the change counters when pages changed, releases the lock.
    // Returns `result` when it failed, else the first failure of ending.
    IoStatus End(IoStatus result);

   private:
    CdxFile* file_;
    bool write_;
    bool ended_ = false;
    IoStatus status_;
  };

  // ---- for the tree, tag and build code of this folder ----

  // The node at offset (F1), decoded with keyLength-byte keys and fill; from the cache when
  // there. REQUIRES: inside a Scope.
  IoStatus ReadNode(uint32_t offset, int keyLength, uint8_t fill,
                    std::shared_ptr<const CdxNode>* node);
  // Encodes and writes the node; `cache`: keep it for later reads. REQUIRES: a write Scope;
  // the node fits its page. `owner`: header offset of the tree, whose counter advances.
  IoStatus WriteNode(uint32_t owner, uint32_t offset, const CdxNode& node, uint8_t fill,
                     bool cache = true);
  // `count` contiguous new pages (F4). REQUIRES: a write Scope.
  IoStatus AllocatePages(uint32_t count, uint32_t* offset);
  // A page no longer reachable, for AllocatePages to reuse.
  void FreePage(uint32_t offset);
  IoStatus WriteHeader(uint32_t offset, const CdxHeader& header);
  IoStatus WriteRoot(uint32_t headerOffset, uint32_t root);
  // The root offset of the tree whose header lies at headerOffset; in a shared file re-read
  // (and, when it or the header's counter moved, the cache dropped). REQUIRES: inside a Scope.
  IoStatus RefreshRoot(uint32_t headerOffset, uint32_t* root);
  // Changes whenever cached pages may no longer be what the file holds; cursors of tags
  // compare it.
  uint64_t generation() const { return generation_; }
  // The offset of the tag called name (upper case, blank padded to 10), or kCdxNone.
  IoStatus FindTag(std::string_view name, uint32_t* headerOffset);
  // Adds a directory entry for a tag header at headerOffset. REQUIRES: a write Scope.
  IoStatus AddDirectoryEntry(std::string_view name, uint32_t headerOffset);
  IoStatus Corrupt(uint64_t offset, std::string_view reason) const;
  uint32_t pageCount() const { return static_cast<uint32_t>(fileEnd_ / kCdxPageSize); }

 private:
  CdxFile(Env* env, std::string fileName, const CdxOptions& options, std::unique_ptr<File> file);
  IoStatus ReadTagHeaderLocked(uint32_t offset, CdxHeader* header);
  IoStatus Begin(bool write);
  IoStatus Finish(bool write);
  void DropCache();
  void Remember(uint32_t offset, std::shared_ptr<const CdxNode> node, uint8_t fill);

  struct HeaderState {
    uint32_t root = kCdxNone;
    uint32_t counter = 0;
  };
  struct CachedPage {
    std::shared_ptr<const CdxNode> node;
    uint8_t fill = 0;
    std::list<uint32_t>::iterator lru;
  };

  Env* env_;
  std::string fileName_;
  CdxOptions options_;
  std::unique_ptr<File> file_;
  uint64_t fileEnd_ = 0;   // where new pages go; pages must end at or before it
  uint64_t seenSize_ = 0;  // shared: the size the last Scope left the file at
  RangeLock lock_;
  int depth_ = 0;
  bool writeScope_ = false;
  std::unordered_map<uint32_t, CachedPage> cache_;
  std::list<uint32_t> lru_;  // most recent first
  std::vector<uint32_t> freePages_;
  std::unordered_map<uint32_t, HeaderState> headers_;  // header offset -> as last seen
  std::set<uint32_t> changed_;                         // headers changed in this write Scope
  std::set<uint32_t> advanced_;                        // exclusive: counters advanced already
  uint64_t generation_ = 0;
  uint64_t pageReads_ = 0;
  uint64_t pageVisits_ = 0;
};

}  // namespace tabrix
