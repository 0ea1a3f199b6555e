#include "data/index/ntx_pages.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "data/base/byte_coding.h"

namespace tabrix {

namespace {

// Decoded pages kept between sessions at most; beyond it the cache starts afresh (a walk over
// a large index needs each page once).
constexpr size_t kMaxCachedPages = 8192;

IoStatus ReadExactly(File* file, uint64_t offset, std::span<uint8_t> out, size_t* got) {
  *got = 0;
  return file->ReadAt(offset, out, got);
}

}  // namespace

IoStatus NtxCorruption(const FormatError& error) {
  return IoStatus::Error(kNtxCorruptCode, "read index", error.fileName, error.ToString());
}

NtxPageStore::NtxPageStore(Env* env, std::string fileName, NtxOpenMode mode,
                           std::unique_ptr<File> file)
    : env_(env), fileName_(std::move(fileName)), mode_(mode), file_(std::move(file)) {}

IoStatus NtxPageStore::Open(Env* env, const std::string& fileName, NtxOpenMode mode,
                            std::unique_ptr<NtxPageStore>* store) {
  std::unique_ptr<File> file;
  OpenOptions options;
  options.exclusive = mode.exclusive;
  options.readOnly = mode.readOnly;
  IoStatus s = env->Open(fileName, options, &file);
  if (!s.ok()) return s;
  std::unique_ptr<NtxPageStore> st(new NtxPageStore(env, fileName, mode, std::move(file)));
  // The signature picks the lock offset, so the header is read once before the lock and again
  // under it.
  s = st->LoadHeader();
  if (!s.ok()) return s;
  {
    Session session(st.get(), false);
    if (!session.status().ok()) return session.status();
  }
  *store = std::move(st);
  return IoStatus::Ok();
}

IoStatus NtxPageStore::Create(Env* env, const std::string& fileName, NtxOpenMode mode,
                              const NtxHeader& header, std::unique_ptr<NtxPageStore>* store) {
  std::unique_ptr<File> file;
  OpenOptions options;
  options.exclusive = mode.exclusive;
  options.disposition = Disposition::kCreateAlways;
  IoStatus s = env->Open(fileName, options, &file);
  if (!s.ok()) return s;
  std::unique_ptr<NtxPageStore> st(new NtxPageStore(env, fileName, mode, std::move(file)));
  st->header_ = header;
  st->header_.root = kNtxPageSize;
  st->header_.freePage = 0;
  RangeLock lock;
  if (st->shared()) {
    lock = RangeLock::AcquireBrief(env, st->file_.get(), st->header_.indexLock(),
                                   LockMode::kExclusive);
    if (!lock.held()) return IoStatus::Error(kOsLockViolation, "lock index", fileName);
  }
  s = st->file_->WriteAt(kNtxPageSize, EncodeNtxPage(NtxPage{}, st->header_));
  if (!s.ok()) return s;
  st->fileSize_ = 2 * kNtxPageSize;
  s = st->Commit();
  if (!s.ok()) return s;
  *store = std::move(st);
  return IoStatus::Ok();
}

NtxPageStore::Session::Session(NtxPageStore* store, bool write) {
  if (write && store->mode_.readOnly) {
    status_ = IoStatus::Error(kOsAccessDenied, "write index", store->fileName_, "opened read-only");
    return;
  }
  if (store->shared()) {
    lock_ = RangeLock::AcquireBrief(store->env_, store->file_.get(), store->header_.indexLock(),
                                    write ? LockMode::kExclusive : LockMode::kShared);
    if (!lock_.held()) {
      status_ = store->file_->lastLockError();
      if (status_.ok()) {
        status_ = IoStatus::Error(kOsLockViolation, "lock index", store->fileName_);
      }
      return;
    }
    status_ = store->Refresh();
    if (!status_.ok()) return;
  }
  // Pages handed out stay valid for the whole session, so the cache is only cut between
  // sessions.
  if (store->cache_.size() > kMaxCachedPages) store->DropCache();
  if (write && !store->header_.maintainable()) {
    status_ =
        IoStatus::Error(kOsAccessDenied, "write index", store->fileName_,
                        "index kind " + std::to_string(store->header_.signature) + " is read only");
  }
}

IoStatus NtxPageStore::LoadHeader() {
  uint64_t size = 0;
  IoStatus s = file_->Size(&size);
  if (!s.ok()) return s;
  std::vector<uint8_t> head(kNtxHeaderUsed);
  size_t got = 0;
  s = ReadExactly(file_.get(), 0, head, &got);
  if (!s.ok()) return s;
  head.resize(got);
  Result<NtxHeader> h = ParseNtxHeader(head, size, fileName_);
  if (!h) return NtxCorruption(h.error());
  header_ = std::move(h.value());
  fileSize_ = size;
  return IoStatus::Ok();
}

IoStatus NtxPageStore::Refresh() {
  const NtxHeader before = header_;
  IoStatus s = LoadHeader();
  if (!s.ok()) {
    DropCache();
    return s;
  }
  if (before.version != header_.version || before.root != header_.root ||
      before.freePage != header_.freePage || before.signature != header_.signature) {
    DropCache();
  }
  return IoStatus::Ok();
}

void NtxPageStore::DropCache() {
  cache_.clear();
  ++generation_;
}

IoStatus NtxPageStore::ReadPage(uint32_t offset, const NtxPage** page) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) {
    *page = &it->second;
    return IoStatus::Ok();
  }
  const uint32_t used = header_.pageUsedBytes();
  if (!IsNtxPageOffset(offset) || offset + uint64_t{used} > fileSize_) {
    return NtxCorruption(Corruption(fileName_, offset, "page offset outside the file"));
  }
  std::vector<uint8_t> bytes(used);
  size_t got = 0;
  IoStatus s = ReadExactly(file_.get(), offset, bytes, &got);
  if (!s.ok()) return s;
  ++pageReads_;
  bytes.resize(got);
  NtxPage decoded;
  Status d = DecodeNtxPage(bytes, header_, offset, fileName_, &decoded);
  if (!d.ok()) return NtxCorruption(d.error());
  *page = &cache_.emplace(offset, std::move(decoded)).first->second;
  return IoStatus::Ok();
}

IoStatus NtxPageStore::ReadPageCount(uint32_t offset, uint16_t* count) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) {
    *count = static_cast<uint16_t>(it->second.count());
    return IoStatus::Ok();
  }
  if (!IsNtxPageOffset(offset) || offset + uint64_t{header_.pageUsedBytes()} > fileSize_) {
    return NtxCorruption(Corruption(fileName_, offset, "page offset outside the file"));
  }
  uint8_t bytes[2];
  size_t got = 0;
  IoStatus s = ReadExactly(file_.get(), offset, bytes, &got);
  if (!s.ok()) return s;
  ++pageReads_;
  if (got != 2) return NtxCorruption(Corruption(fileName_, offset, "page count unreadable"));
  *count = DecodeLE16(bytes);
  if (*count > header_.maxKeys) {
    return NtxCorruption(Corruption(fileName_, offset, "page count beyond the page"));
  }
  return IoStatus::Ok();
}

IoStatus NtxPageStore::WritePage(uint32_t offset, const NtxPage& page) {
  ++generation_;
  std::vector<uint8_t> bytes = EncodeNtxPage(page, header_);
  IoStatus s = file_->WriteAt(offset, bytes);
  if (!s.ok()) {
    cache_.erase(offset);
    return s;
  }
  if (offset + uint64_t{kNtxPageSize} > fileSize_) fileSize_ = offset + uint64_t{kNtxPageSize};
  cache_[offset] = page;
  return IoStatus::Ok();
}

IoStatus NtxPageStore::WritePages(uint64_t offset, std::span<const uint8_t> bytes) {
  ++generation_;
  for (uint64_t at = offset; at < offset + bytes.size(); at += kNtxPageSize) {
    cache_.erase(static_cast<uint32_t>(at));
  }
  IoStatus s = file_->WriteAt(offset, bytes);
  if (!s.ok()) return s;
  fileSize_ = std::max<uint64_t>(fileSize_, offset + bytes.size());
  return IoStatus::Ok();
}

IoStatus NtxPageStore::TruncatePages(uint64_t size) {
  ++generation_;
  for (auto it = cache_.begin(); it != cache_.end();) {
    it = it->first >= size ? cache_.erase(it) : std::next(it);
  }
  IoStatus s = file_->Truncate(size);
  if (s.ok()) fileSize_ = size;
  return s;
}

IoStatus NtxPageStore::AllocatePage(uint32_t* offset) {
  if (header_.freePage != 0) {
    const uint32_t page = header_.freePage;
    uint32_t following = 0;
    IoStatus s = ReadFreeLink(page, &following);
    if (!s.ok()) return s;
    if (following != 0 && (!IsNtxPageOffset(following) || following == page)) {
      return NtxCorruption(Corruption(fileName_, page, "free list points outside the pages"));
    }
    header_.freePage = following;
    cache_.erase(page);
    *offset = page;
    return IoStatus::Ok();
  }
  // Pages are whole: a file whose length is no multiple of the page size gets its next page
  // after the partial one.
  const uint64_t end = (fileSize_ + kNtxPageSize - 1) / kNtxPageSize * kNtxPageSize;
  if (end + kNtxPageSize > UINT32_MAX) {
    return IoStatus::Error(kOsDiskFull, "write index", fileName_, "index reached 4 GB");
  }
  *offset = static_cast<uint32_t>(end);
  fileSize_ = end + kNtxPageSize;
  return IoStatus::Ok();
}

IoStatus NtxPageStore::FreePage(uint32_t offset) {
  ++generation_;
  cache_.erase(offset);
  IoStatus s = file_->WriteAt(offset, EncodeNtxFreePage(header_.freePage));
  if (!s.ok()) return s;
  header_.freePage = offset;
  return IoStatus::Ok();
}

IoStatus NtxPageStore::Reload() {
  DropCache();
  return LoadHeader();
}

IoStatus NtxPageStore::ReadFreeLink(uint32_t page, uint32_t* next) {
  if (!IsNtxPageOffset(page) || page + uint64_t{kNtxPageSize} > fileSize_) {
    return NtxCorruption(Corruption(fileName_, page, "free page outside the file"));
  }
  uint8_t bytes[4];
  size_t got = 0;
  IoStatus s = ReadExactly(file_.get(), page, bytes, &got);
  if (!s.ok()) return s;
  if (got != 4) return NtxCorruption(Corruption(fileName_, page, "free page unreadable"));
  *next = DecodeLE32(bytes);
  return IoStatus::Ok();
}

IoStatus NtxPageStore::Commit() {
  ++generation_;
  header_.version = static_cast<uint16_t>(header_.version + 1);
  return file_->WriteAt(0, EncodeNtxHeader(header_));
}

}  // namespace tabrix
