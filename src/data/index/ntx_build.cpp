#include "data/index/ntx_build.h"

#include <algorithm>

#include "data/index/ntx_key.h"
#include "data/index/ntx_update.h"

namespace tabrix {

namespace {

// Pages written to the file in one call.
constexpr size_t kWriteBatchPages = 64;

// The fewest pages near the target fill that give every page a count within bounds (the
// root, alone on its level, anything up to M).
uint64_t PagesFor(uint64_t items, uint64_t maxKeys, uint64_t minFill, uint64_t target) {
  auto fits = [&](uint64_t pages) {
    if (pages == 0 || pages > items + 1) return false;
    const uint64_t keys = items - (pages - 1);
    if (pages == 1) return keys <= maxKeys;
    return keys / pages >= minFill && (keys + pages - 1) / pages <= maxKeys;
  };
  const uint64_t guess = std::max<uint64_t>(1, (items + 1 + target) / (target + 1));
  for (uint64_t p = guess; p >= 1; --p) {
    if (fits(p)) return p;
  }
  for (uint64_t p = guess + 1; p <= items + 1; ++p) {
    if (fits(p)) return p;
  }
  return guess;
}

class Builder {
 public:
  Builder(File* file, const NtxHeader& header, NtxSortedEntries* source,
          const std::string& fileName)
      : file_(file), header_(header), source_(source), fileName_(fileName) {}

  IoStatus Run(uint32_t* root) {
    const std::vector<uint64_t> pages = NtxBuildPlan(source_->count(), header_);
    uint64_t items = source_->count();
    for (uint64_t p : pages) {
      levels_.push_back({p, items, 0});
      items = p - 1;
    }
    uint64_t total = 0;
    for (uint64_t p : pages) total += p;
    if ((total + 1) * kNtxPageSize > UINT32_MAX) {
      return IoStatus::Error(kOsDiskFull, "create index", fileName_, "index would pass 4 GB");
    }
    IoStatus s = BuildPage(levels_.size() - 1, root);
    if (s.ok()) s = FlushBatch();
    return s;
  }

 private:
  struct Level {
    uint64_t pages;
    uint64_t items;
    uint64_t next;
  };

  IoStatus Take(IndexEntry* entry) {
    if (taken_ == source_->count()) return Bad("source ran out of entries");
    IoStatus s = source_->Next(entry);
    if (!s.ok()) return s;
    ++taken_;
    if (entry->key.size() != header_.keyLength) return Bad("key of the wrong length");
    if (taken_ > 1) {
      const int c = header_.unique ? NtxCompareKeys(previous_.key, entry->key, entry->key.size())
                                   : NtxCompareEntries(previous_.key, previous_.record, entry->key,
                                                       entry->record);
      if (c >= 0) return Bad(header_.unique ? "key repeated in a unique index" : "out of order");
    }
    previous_ = *entry;
    return IoStatus::Ok();
  }

  IoStatus BuildPage(size_t level, uint32_t* offset) {
    Level& l = levels_[level];
    const uint64_t j = l.next++;
    const uint64_t keys = l.items - (l.pages - 1);
    const uint64_t count = keys / l.pages + (j < keys % l.pages ? 1 : 0);
    NtxPage page;
    page.items.reserve(count);
    for (uint64_t k = 0; k < count; ++k) {
      uint32_t child = 0;
      if (level > 0) {
        IoStatus s = BuildPage(level - 1, &child);
        if (!s.ok()) return s;
      }
      IndexEntry e;
      IoStatus s = Take(&e);
      if (!s.ok()) return s;
      page.items.push_back(NtxItem{child, e.record, std::move(e.key)});
    }
    if (level > 0) {
      IoStatus s = BuildPage(level - 1, &page.rightChild);
      if (!s.ok()) return s;
    }
    *offset = next_;
    next_ += kNtxPageSize;
    std::vector<uint8_t> bytes = EncodeNtxPage(page, header_);
    batch_.insert(batch_.end(), bytes.begin(), bytes.end());
    if (batch_.size() >= kWriteBatchPages * kNtxPageSize) return FlushBatch();
    return IoStatus::Ok();
  }

  IoStatus FlushBatch() {
    if (batch_.empty()) return IoStatus::Ok();
    IoStatus s = file_->WriteAt(batchStart_, batch_);
    batchStart_ += batch_.size();
    batch_.clear();
    return s;
  }

  IoStatus Bad(const char* reason) const {
    return IoStatus::Error(kOsInvalidParameter, "create index", fileName_, reason);
  }

  File* file_;
  const NtxHeader& header_;
  NtxSortedEntries* source_;
  const std::string& fileName_;
  std::vector<Level> levels_;
  uint64_t taken_ = 0;
  IndexEntry previous_;
  uint32_t next_ = kNtxPageSize;
  uint64_t batchStart_ = kNtxPageSize;
  std::vector<uint8_t> batch_;
};

}  // namespace

std::vector<uint64_t> NtxBuildPlan(uint64_t entries, const NtxHeader& header) {
  const uint64_t maxKeys = header.maxKeys;
  const uint64_t minFill = static_cast<uint64_t>(NtxMinFill(header));
  const uint64_t target = std::max(minFill, maxKeys * 9 / 10);
  std::vector<uint64_t> plan;
  uint64_t items = entries;
  for (;;) {
    const uint64_t pages = PagesFor(items, maxKeys, minFill, target);
    plan.push_back(pages);
    if (pages <= 1) return plan;
    items = pages - 1;
  }
}

void NtxMemorySorter::Add(std::string_view key, uint32_t record) {
  const size_t n = std::min(key.size(), keyLength_);
  bytes_.append(key.substr(0, n));
  bytes_.append(keyLength_ - n, ' ');
  records_.push_back(record);
}

void NtxMemorySorter::Sort(bool unique) {
  order_.resize(records_.size());
  for (uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
    return NtxCompareEntries(KeyAt(a), records_[a], KeyAt(b), records_[b]) < 0;
  });
  if (unique) {
    auto last = std::unique(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
      return NtxCompareKeys(KeyAt(a), KeyAt(b), keyLength_) == 0;
    });
    order_.erase(last, order_.end());
  }
  next_ = 0;
}

IoStatus NtxMemorySorter::Next(IndexEntry* entry) {
  const uint32_t i = order_[next_++];
  entry->key.assign(KeyAt(i));
  entry->record = records_[i];
  return IoStatus::Ok();
}

IoStatus BuildNtx(Env* env, const std::string& fileName, const NtxCreateOptions& options,
                  NtxSortedEntries* source) {
  NtxHeader header;
  IoStatus s = MakeNtxHeader(options, fileName, &header);
  if (!s.ok()) return s;
  std::unique_ptr<File> file;
  OpenOptions open;
  open.exclusive = options.exclusive;
  open.disposition = Disposition::kCreateAlways;
  s = env->Open(fileName, open, &file);
  if (!s.ok()) return s;
  RangeLock lock;
  if (!options.exclusive) {
    lock = RangeLock::AcquireBrief(env, file.get(), header.indexLock(), LockMode::kExclusive);
    if (!lock.held()) return IoStatus::Error(kOsLockViolation, "lock index", fileName);
  }
  uint32_t root = 0;
  Builder builder(file.get(), header, source, fileName);
  s = builder.Run(&root);
  if (!s.ok()) return s;
  header.root = root;
  header.version = 1;
  return file->WriteAt(0, EncodeNtxHeader(header));
}

}  // namespace tabrix
