#include "data/index/cdx_file.h"

#include <algorithm>
#include <array>

#include "data/base/byte_coding.h"
#include "data/formats/lock_offsets.h"
#include "data/index/cdx_tag.h"
#include "data/index/cdx_tree.h"

namespace tabrix {
namespace {

// Pages stay below the FoxPro lock bytes at 2 GB - 2 (lock_offsets.h).
constexpr uint64_t kMaxFileEnd = 0x7FFFFE00;
constexpr uint8_t kDirectoryFill = ' ';
constexpr uint8_t kFileHeaderOptions = kCdxOptionDirectory | kCdxOptionCompound | kCdxOptionCompact;

uint64_t RoundUpToPage(uint64_t n) {
  return (n + kCdxPageSize - 1) / kCdxPageSize * kCdxPageSize;
}

LockSpan IndexLock() {
  return IndexLockRange(LockDialect::kFoxPro, false);
}

}  // namespace

std::string CdxDirectoryKey(std::string_view name) {
  std::string key(name.substr(0, kCdxDirectoryKeyLength));
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  key.resize(kCdxDirectoryKeyLength, ' ');
  return key;
}

CdxFile::CdxFile(Env* env, std::string fileName, const CdxOptions& options,
                 std::unique_ptr<File> file)
    : env_(env), fileName_(std::move(fileName)), options_(options), file_(std::move(file)) {}

CdxFile::~CdxFile() = default;

IoStatus CdxFile::Corrupt(uint64_t offset, std::string_view reason) const {
  return IoStatus::Error(kOsFileCorrupt, "read index", fileName_,
                         "corrupt index @" + std::to_string(offset) + ": " + std::string(reason));
}

IoStatus CdxFile::Open(Env* env, const std::string& fileName, const CdxOptions& options,
                       std::unique_ptr<CdxFile>* out) {
  out->reset();
  OpenOptions open;
  open.exclusive = options.exclusive;
  open.readOnly = options.readOnly;
  std::unique_ptr<File> file;
  if (IoStatus s = env->Open(fileName, open, &file); !s.ok()) return s;
  std::unique_ptr<CdxFile> cdx(new CdxFile(env, fileName, options, std::move(file)));
  uint64_t size = 0;
  if (IoStatus s = cdx->file_->Size(&size); !s.ok()) return s;
  cdx->fileEnd_ = size;
  Scope scope(cdx.get(), false);
  if (!scope.ok()) return scope.status();
  IoStatus s;
  CdxHeader header;
  if (cdx->fileEnd_ < kCdxHeaderSize) {
    s = cdx->Corrupt(0, "file shorter than its header");
  } else {
    s = cdx->ReadTagHeader(0, &header);
  }
  if (s.ok() && header.keyLength != kCdxDirectoryKeyLength) {
    s = cdx->Corrupt(12, "tag directory keys are not 10 bytes");
  }
  if (IoStatus e = scope.End(s); !e.ok()) return e;
  *out = std::move(cdx);
  return IoStatus::Ok();
}

IoStatus CdxFile::Create(Env* env, const std::string& fileName, const CdxOptions& options,
                         std::unique_ptr<CdxFile>* out) {
  out->reset();
  OpenOptions open;
  open.exclusive = options.exclusive;
  open.disposition = Disposition::kCreateAlways;
  std::unique_ptr<File> file;
  if (IoStatus s = env->Open(fileName, open, &file); !s.ok()) return s;
  CdxOptions writable = options;
  writable.readOnly = false;
  std::unique_ptr<CdxFile> cdx(new CdxFile(env, fileName, writable, std::move(file)));
  Scope scope(cdx.get(), true);
  if (!scope.ok()) return scope.status();
  CdxHeader header;
  header.root = kCdxHeaderSize;
  header.keyLength = kCdxDirectoryKeyLength;
  header.options = kFileHeaderOptions;
  cdx->fileEnd_ = kCdxHeaderSize + kCdxPageSize;
  IoStatus s = cdx->WriteHeader(0, header);
  if (s.ok()) {
    CdxNode root;
    root.keyLength = kCdxDirectoryKeyLength;
    root.attributes = kCdxNodeRoot | kCdxNodeLeaf;
    s = cdx->WriteNode(0, kCdxHeaderSize, root, kDirectoryFill);
  }
  if (IoStatus e = scope.End(s); !e.ok()) return e;
  *out = std::move(cdx);
  return IoStatus::Ok();
}

// ---- scopes ----

CdxFile::Scope::Scope(CdxFile* file, bool write) : file_(file), write_(write) {
  status_ = file_->Begin(write);
  if (!status_.ok()) ended_ = true;
}

CdxFile::Scope::~Scope() {
  if (!ended_) (void)End(IoStatus::Ok());
}

IoStatus CdxFile::Scope::End(IoStatus result) {
  if (ended_) return result.ok() ? status_ : result;
  ended_ = true;
  IoStatus s = file_->Finish(write_ && result.ok());
  return result.ok() ? s : result;
}

IoStatus CdxFile::Begin(bool write) {
  if (write && options_.readOnly) {
    return IoStatus::Error(kOsAccessDenied, "write index", fileName_, "opened read-only");
  }
  if (depth_ > 0) {
    if (write && !writeScope_) {
      return IoStatus::Error(kOsInvalidParameter, "write index", fileName_,
                             "an update inside a read of the index");
    }
    ++depth_;
    return IoStatus::Ok();
  }
  if (!options_.exclusive) {
    lock_ = RangeLock::AcquireBrief(env_, file_.get(), IndexLock(),
                                    write ? LockMode::kExclusive : LockMode::kShared);
    if (!lock_.held()) {
      IoStatus why = file_->lastLockError();
      return IoStatus::Error(why.ok() ? kOsLockViolation : why.osCode(), "lock index", fileName_,
                             "the index is locked by another program");
    }
    uint64_t size = 0;
    if (IoStatus s = file_->Size(&size); !s.ok()) {
      (void)lock_.Release();
      return s;
    }
    if (size != seenSize_) DropCache();
    seenSize_ = size;
    fileEnd_ = size;
  }
  depth_ = 1;
  writeScope_ = write;
  changed_.clear();
  return IoStatus::Ok();
}

IoStatus CdxFile::Finish(bool advanceCounters) {
  if (--depth_ > 0) return IoStatus::Ok();
  IoStatus result;
  if (advanceCounters && writeScope_ && !changed_.empty()) {
    changed_.insert(0);
    for (uint32_t offset : changed_) {
      if (options_.exclusive && advanced_.count(offset)) continue;
      uint8_t bytes[4];
      size_t got = 0;
      IoStatus s = file_->ReadAt(offset + kCdxChangeCounterOffset, bytes, &got);
      if (s.ok() && got == sizeof bytes) {
        uint32_t counter = DecodeCdxChangeCounter(bytes) + 1;
        EncodeCdxChangeCounter(bytes, counter);
        s = file_->WriteAt(offset + kCdxChangeCounterOffset, bytes);
        if (s.ok()) {
          if (auto it = headers_.find(offset); it != headers_.end()) it->second.counter = counter;
          advanced_.insert(offset);
        }
      }
      if (!s.ok() && result.ok()) result = s;
    }
  }
  changed_.clear();
  writeScope_ = false;
  if (!options_.exclusive) {
    uint64_t size = 0;
    if (IoStatus s = file_->Size(&size); s.ok()) seenSize_ = size;
    if (IoStatus s = lock_.Release(); !s.ok() && result.ok()) result = s;
  }
  return result;
}

void CdxFile::DropCache() {
  cache_.clear();
  lru_.clear();
  headers_.clear();
  ++generation_;
}

// ---- pages ----

void CdxFile::Remember(uint32_t offset, std::shared_ptr<const CdxNode> node, uint8_t fill) {
  auto it = cache_.find(offset);
  if (it != cache_.end()) {
    it->second.node = std::move(node);
    it->second.fill = fill;
    lru_.splice(lru_.begin(), lru_, it->second.lru);
    return;
  }
  lru_.push_front(offset);
  cache_.emplace(offset, CachedPage{std::move(node), fill, lru_.begin()});
  while (cache_.size() > std::max<size_t>(options_.cachePages, 1)) {
    cache_.erase(lru_.back());
    lru_.pop_back();
  }
}

IoStatus CdxFile::ReadNode(uint32_t offset, int keyLength, uint8_t fill,
                           std::shared_ptr<const CdxNode>* node) {
  ++pageVisits_;
  if (offset % kCdxPageSize != 0 || offset < kCdxHeaderSize ||
      uint64_t{offset} + kCdxPageSize > fileEnd_) {
    return Corrupt(offset, "page offset outside the file");
  }
  auto it = cache_.find(offset);
  if (it != cache_.end() && it->second.node->keyLength == keyLength && it->second.fill == fill) {
    lru_.splice(lru_.begin(), lru_, it->second.lru);
    *node = it->second.node;
    return IoStatus::Ok();
  }
  std::array<uint8_t, kCdxPageSize> page;
  size_t got = 0;
  if (IoStatus s = file_->ReadAt(offset, page, &got); !s.ok()) return s;
  ++pageReads_;
  if (got < kCdxPageSize) return Corrupt(offset, "page cut short by the end of the file");
  Result<CdxNode> decoded = DecodeCdxNode(page, offset, keyLength, fill, fileName_);
  if (!decoded.ok()) return Corrupt(decoded.error().offset, decoded.error().reason);
  auto shared = std::make_shared<const CdxNode>(std::move(decoded).value());
  Remember(offset, shared, fill);
  *node = std::move(shared);
  return IoStatus::Ok();
}

IoStatus CdxFile::WriteNode(uint32_t owner, uint32_t offset, const CdxNode& node, uint8_t fill,
                            bool cache) {
  if (depth_ == 0 || !writeScope_) {
    return IoStatus::Error(kOsInvalidParameter, "write index", fileName_, "write outside a scope");
  }
  std::array<uint8_t, kCdxPageSize> page;
  if (!EncodeCdxNode(node, fill, page)) {
    return IoStatus::Error(kOsInvalidParameter, "write index", fileName_,
                           "page @" + std::to_string(offset) + " overfull");
  }
  if (IoStatus s = file_->WriteAt(offset, page); !s.ok()) {
    cache_.erase(offset);
    lru_.remove(offset);
    return s;
  }
  changed_.insert(owner);
  ++generation_;
  fileEnd_ = std::max<uint64_t>(fileEnd_, uint64_t{offset} + kCdxPageSize);
  if (cache) {
    Remember(offset, std::make_shared<const CdxNode>(node), fill);
  } else if (auto it = cache_.find(offset); it != cache_.end()) {
    lru_.erase(it->second.lru);
    cache_.erase(it);
  }
  return IoStatus::Ok();
}

IoStatus CdxFile::AllocatePages(uint32_t count, uint32_t* offset) {
  if (count == 1 && !freePages_.empty()) {
    *offset = freePages_.back();
    freePages_.pop_back();
    return IoStatus::Ok();
  }
  uint64_t at = RoundUpToPage(std::max<uint64_t>(fileEnd_, kCdxHeaderSize));
  uint64_t end = at + uint64_t{count} * kCdxPageSize;
  if (end > kMaxFileEnd) {
    return IoStatus::Error(kOsDiskFull, "write index", fileName_, "an index file stays below 2 GB");
  }
  fileEnd_ = end;
  *offset = static_cast<uint32_t>(at);
  return IoStatus::Ok();
}

void CdxFile::FreePage(uint32_t offset) {
  if (auto it = cache_.find(offset); it != cache_.end()) {
    lru_.erase(it->second.lru);
    cache_.erase(it);
  }
  freePages_.push_back(offset);
}

// ---- headers ----

IoStatus CdxFile::ReadTagHeader(uint32_t offset, CdxHeader* header) {
  Scope scope(this, false);
  if (!scope.ok()) return scope.status();
  return scope.End(ReadTagHeaderLocked(offset, header));
}

IoStatus CdxFile::ReadTagHeaderLocked(uint32_t offset, CdxHeader* header) {
  if (offset % kCdxPageSize != 0 || uint64_t{offset} + kCdxHeaderSize > fileEnd_) {
    return Corrupt(offset, "tag header outside the file");
  }
  std::array<uint8_t, kCdxHeaderSize> bytes;
  size_t got = 0;
  if (IoStatus s = file_->ReadAt(offset, bytes, &got); !s.ok()) return s;
  if (got < kCdxHeaderSize) return Corrupt(offset, "header cut short by the end of the file");
  Result<CdxHeader> decoded = DecodeCdxHeader(bytes, offset, fileName_);
  if (!decoded.ok()) return Corrupt(decoded.error().offset, decoded.error().reason);
  *header = std::move(decoded).value();
  auto it = headers_.find(offset);
  if (it != headers_.end() &&
      (it->second.root != header->root || it->second.counter != header->changeCounter)) {
    DropCache();
  }
  headers_[offset] = HeaderState{header->root, header->changeCounter};
  return IoStatus::Ok();
}

IoStatus CdxFile::WriteHeader(uint32_t offset, const CdxHeader& header) {
  if (depth_ == 0 || !writeScope_) {
    return IoStatus::Error(kOsInvalidParameter, "write index", fileName_, "write outside a scope");
  }
  std::array<uint8_t, kCdxHeaderSize> bytes;
  EncodeCdxHeader(header, bytes);
  if (IoStatus s = file_->WriteAt(offset, bytes); !s.ok()) return s;
  headers_[offset] = HeaderState{header.root, header.changeCounter};
  changed_.insert(offset);
  ++generation_;
  fileEnd_ = std::max<uint64_t>(fileEnd_, uint64_t{offset} + kCdxHeaderSize);
  return IoStatus::Ok();
}

IoStatus CdxFile::WriteRoot(uint32_t headerOffset, uint32_t root) {
  uint8_t bytes[4];
  EncodeLE32(bytes, root);
  if (IoStatus s = file_->WriteAt(headerOffset, bytes); !s.ok()) return s;
  headers_[headerOffset].root = root;
  changed_.insert(headerOffset);
  ++generation_;
  return IoStatus::Ok();
}

IoStatus CdxFile::RefreshRoot(uint32_t headerOffset, uint32_t* root) {
  auto it = headers_.find(headerOffset);
  if (options_.exclusive && it != headers_.end()) {
    *root = it->second.root;
    return IoStatus::Ok();
  }
  if (headerOffset % kCdxPageSize != 0 || uint64_t{headerOffset} + kCdxHeaderSize > fileEnd_) {
    return Corrupt(headerOffset, "tag header outside the file");
  }
  uint8_t bytes[12];
  size_t got = 0;
  if (IoStatus s = file_->ReadAt(headerOffset, bytes, &got); !s.ok()) return s;
  if (got < sizeof bytes) return Corrupt(headerOffset, "header cut short by the end of the file");
  HeaderState now{DecodeLE32(bytes), DecodeCdxChangeCounter(bytes + kCdxChangeCounterOffset)};
  it = headers_.find(headerOffset);
  if (it != headers_.end() && (it->second.root != now.root || it->second.counter != now.counter)) {
    DropCache();
  }
  headers_[headerOffset] = now;
  *root = now.root;
  return IoStatus::Ok();
}

// ---- the tag directory ----

IoStatus CdxFile::FindTag(std::string_view name, uint32_t* headerOffset) {
  *headerOffset = kCdxNone;
  uint32_t root;
  if (IoStatus s = RefreshRoot(0, &root); !s.ok()) return s;
  CdxTree directory(this, 0, kCdxDirectoryKeyLength, kDirectoryFill);
  directory.set_root(root);
  std::string key = CdxDirectoryKey(name);
  CdxTree::Cursor cursor;
  if (IoStatus s = directory.Find({key, 0, false}, &cursor); !s.ok()) return s;
  if (!cursor.atEnd() && cursor.key() == key) *headerOffset = cursor.record();
  return IoStatus::Ok();
}

IoStatus CdxFile::AddDirectoryEntry(std::string_view name, uint32_t headerOffset) {
  uint32_t root;
  if (IoStatus s = RefreshRoot(0, &root); !s.ok()) return s;
  CdxTree directory(this, 0, kCdxDirectoryKeyLength, kDirectoryFill);
  directory.set_root(root);
  return directory.Insert(CdxDirectoryKey(name), headerOffset);
}

IoStatus CdxFile::RemoveTag(std::string_view name) {
  Scope scope(this, true);
  if (!scope.ok()) return scope.status();
  uint32_t offset = kCdxNone;
  IoStatus s = FindTag(name, &offset);
  if (s.ok() && offset != kCdxNone) {
    uint32_t root;
    s = RefreshRoot(0, &root);
    CdxTree directory(this, 0, kCdxDirectoryKeyLength, kDirectoryFill);
    directory.set_root(root);
    bool removed = false;
    if (s.ok()) s = directory.Remove(CdxDirectoryKey(name), offset, &removed);
  }
  return scope.End(s);
}

IoStatus CdxFile::ListTags(std::vector<CdxTagEntry>* tags) {
  tags->clear();
  Scope scope(this, false);
  if (!scope.ok()) return scope.status();
  uint32_t root;
  IoStatus s = RefreshRoot(0, &root);
  CdxTree directory(this, 0, kCdxDirectoryKeyLength, kDirectoryFill);
  directory.set_root(root);
  CdxTree::Cursor cursor;
  if (s.ok()) s = directory.First(&cursor);
  while (s.ok() && !cursor.atEnd()) {
    std::string name(cursor.key());
    while (!name.empty() && name.back() == ' ') name.pop_back();
    tags->push_back({name, cursor.record()});
    s = directory.Next(&cursor);
  }
  return scope.End(s);
}

IoStatus CdxFile::OpenTag(std::string_view name, KeyKind kind, std::unique_ptr<CdxTag>* tag) {
  tag->reset();
  Scope scope(this, false);
  if (!scope.ok()) return scope.status();
  uint32_t offset = kCdxNone;
  IoStatus s = FindTag(name, &offset);
  if (s.ok() && offset == kCdxNone) {
    s = IoStatus::Error(kOsFileNotFound, "open tag", fileName_,
                        "no tag " + std::string(name) + " in the index");
  }
  CdxHeader header;
  if (s.ok()) s = ReadTagHeader(offset, &header);
  if (s.ok()) s = CdxTag::Make(this, offset, header, CdxDirectoryKey(name), kind, tag);
  return scope.End(s);
}

IoStatus CdxFile::Flush() {
  return file_->Flush();
}

}  // namespace tabrix
