#include "data/index/ntx_build.h"

#include <algorithm>
#include <functional>

#include "data/index/ntx_key.h"
#include "data/index/ntx_pages.h"
#include "data/index/ntx_update.h"

namespace tabrix {

namespace {

// Pages written to the file in one call.
constexpr size_t kWriteBatchPages = 64;

class Builder {
 public:
  Builder(NtxPageStore* store, NtxSortedEntries* source)
      : store_(store), source_(source), header_(store->header()) {
    fill_ = std::max<size_t>(static_cast<size_t>(NtxMinFill(header_)), header_.maxKeys * 9 / 10);
  }

  IoStatus Run(uint32_t* root) {
    levels_.resize(1);
    for (;;) {
      IndexEntry e;
      bool done = false;
      IoStatus s = Take(&e, &done);
      if (!s.ok()) return s;
      if (done) break;
      s = Put(0, NtxItem{0, e.record, std::move(e.key)});
      if (!s.ok()) return s;
    }
    IoStatus s = Finish(root);
    if (s.ok()) s = Flush();
    return s;
  }

 private:
  // The next entry to index: checked for order, a repeated key of a unique index skipped.
  IoStatus Take(IndexEntry* entry, bool* done) {
    for (;;) {
      IoStatus s = source_->Next(entry, done);
      if (!s.ok() || *done) return s;
      if (entry->key.size() != header_.keyLength) return Bad("key of the wrong length");
      if (taken_ > 0) {
        const int c = NtxCompareEntries(previous_.key, previous_.record, entry->key, entry->record);
        if (c > 0) return Bad("entries out of order");
        if (c == 0) return Bad("entry handed in twice");
        if (header_.unique && NtxCompareKeys(previous_.key, entry->key, entry->key.size()) == 0) {
          continue;  // the first record keeps the key
        }
      }
      ++taken_;
      previous_ = *entry;
      return IoStatus::Ok();
    }
  }

  // Adds an item to the page being filled on `level`; a full page is written and the item goes
  // up carrying it.
  IoStatus Put(size_t level, NtxItem item) {
    if (level == levels_.size()) levels_.emplace_back();
    NtxPage& page = levels_[level];
    if (page.count() < fill_) {
      page.items.push_back(std::move(item));
      return IoStatus::Ok();
    }
    page.rightChild = item.child;
    IoStatus s = Emit(page, &item.child);
    page = NtxPage{};
    if (!s.ok()) return s;
    return Put(level + 1, std::move(item));
  }

  // Writes the pages being filled bottom-up along the right edge.
  IoStatus Finish(uint32_t* root) {
    uint32_t below = 0;
    for (size_t level = 0; level < levels_.size(); ++level) {
      NtxPage& page = levels_[level];
      if (level > 0) page.rightChild = below;
      if (level > 0 && level + 1 == levels_.size() && page.count() == 0) break;
      IoStatus s = Emit(page, &below);
      if (!s.ok()) return s;
    }
    *root = below;
    return IoStatus::Ok();
  }

  IoStatus Emit(const NtxPage& page, uint32_t* offset) {
    if (next_ + uint64_t{kNtxPageSize} > UINT32_MAX) {
      return IoStatus::Error(kOsDiskFull, "create index", store_->fileName(),
                             "index would pass 4 GB");
    }
    *offset = static_cast<uint32_t>(next_);
    next_ += kNtxPageSize;
    std::vector<uint8_t> bytes = EncodeNtxPage(page, header_);
    batch_.insert(batch_.end(), bytes.begin(), bytes.end());
    if (batch_.size() >= kWriteBatchPages * kNtxPageSize) return Flush();
    return IoStatus::Ok();
  }

  IoStatus Flush() {
    if (batch_.empty()) return IoStatus::Ok();
    IoStatus s = store_->WritePages(batchStart_, batch_);
    batchStart_ += batch_.size();
    batch_.clear();
    return s;
  }

  IoStatus Bad(const char* reason) const {
    return IoStatus::Error(kOsInvalidParameter, "create index", store_->fileName(), reason);
  }

  NtxPageStore* store_;
  NtxSortedEntries* source_;
  const NtxHeader& header_;
  size_t fill_ = 1;
  std::vector<NtxPage> levels_;  // the page being filled on each level, leaves first
  uint64_t taken_ = 0;
  IndexEntry previous_;
  uint64_t next_ = kNtxPageSize;
  uint64_t batchStart_ = kNtxPageSize;
  std::vector<uint8_t> batch_;
};

IoStatus ReadCopy(NtxPageStore* store, uint32_t offset, NtxPage* page) {
  const NtxPage* p = nullptr;
  IoStatus s = store->ReadPage(offset, &p);
  if (s.ok()) *page = *p;
  return s;
}

// Pages the mending freed: those at the end of the file (the right edge was written last) are
// cut off, the others go onto the free list.
IoStatus ReleasePages(NtxPageStore* store, std::vector<uint32_t> freed) {
  std::sort(freed.begin(), freed.end(), std::greater<>());
  uint64_t end = store->fileSize();
  size_t i = 0;
  while (i < freed.size() && freed[i] + uint64_t{kNtxPageSize} == end) end = freed[i++];
  IoStatus s = end < store->fileSize() ? store->TruncatePages(end) : IoStatus::Ok();
  for (; s.ok() && i < freed.size(); ++i) s = store->FreePage(freed[i]);
  return s;
}

// Mends the right edge from the top down (see the top of ntx_build.h).
IoStatus MendRightEdge(NtxPageStore* store) {
  const size_t minFill = static_cast<size_t>(NtxMinFill(store->header()));
  const size_t maxKeys = store->header().maxKeys;
  std::vector<uint32_t> freed;
  // Each round joins two pages or leaves one page filled for good, so a few rounds per level
  // end it; the bound only guards against a file changed under us.
  for (size_t round = 0; round < 4 * kNtxMaxDepth * kNtxMaxDepth; ++round) {
    const uint32_t rootOffset = store->header().root;
    NtxPage root;
    IoStatus s = ReadCopy(store, rootOffset, &root);
    if (!s.ok()) return s;
    if (root.count() == 0 && !root.leaf()) {
      freed.push_back(rootOffset);
      store->SetRoot(root.rightChild);
      continue;
    }
    std::vector<uint32_t> edge{rootOffset};
    std::vector<size_t> counts{root.count()};
    for (NtxPage page = root; !page.leaf() && edge.size() < kNtxMaxDepth;) {
      edge.push_back(page.rightChild);
      s = ReadCopy(store, edge.back(), &page);
      if (!s.ok()) return s;
      counts.push_back(page.count());
    }
    size_t level = 1;
    while (level < edge.size() && counts[level] >= minFill) ++level;
    if (level == edge.size()) return ReleasePages(store, std::move(freed));

    NtxPage parent, left, right;
    s = ReadCopy(store, edge[level - 1], &parent);
    if (s.ok()) s = ReadCopy(store, edge[level], &right);
    const size_t n = parent.count();
    const uint32_t leftOffset = parent.child(n - 1);
    if (s.ok()) s = ReadCopy(store, leftOffset, &left);
    if (!s.ok()) return s;
    std::vector<NtxItem> items = std::move(left.items);
    items.push_back(
        NtxItem{left.rightChild, parent.items[n - 1].record, std::move(parent.items[n - 1].key)});
    items.insert(items.end(), right.items.begin(), right.items.end());
    if (items.size() <= maxKeys) {
      left.items = std::move(items);
      left.rightChild = right.rightChild;
      parent.items.pop_back();
      parent.rightChild = leftOffset;
      s = store->WritePage(leftOffset, left);
      if (s.ok()) s = store->WritePage(edge[level - 1], parent);
      freed.push_back(edge[level]);
    } else {
      const size_t half = items.size() / 2;
      NtxItem middle = std::move(items[half]);
      left.items.assign(items.begin(), items.begin() + half);
      left.rightChild = middle.child;
      right.items.assign(items.begin() + half + 1, items.end());
      parent.items[n - 1] = NtxItem{leftOffset, middle.record, std::move(middle.key)};
      s = store->WritePage(leftOffset, left);
      if (s.ok()) s = store->WritePage(edge[level], right);
      if (s.ok()) s = store->WritePage(edge[level - 1], parent);
    }
    if (!s.ok()) return s;
  }
  return NtxCorruption(Corruption(store->fileName(), 0, "right edge does not settle"));
}

}  // namespace

void NtxMemorySorter::Add(std::string_view key, uint32_t record) {
  const size_t n = std::min(key.size(), keyLength_);
  bytes_.append(key.substr(0, n));
  bytes_.append(keyLength_ - n, ' ');
  records_.push_back(record);
}

void NtxMemorySorter::Sort() {
  order_.resize(records_.size());
  for (uint32_t i = 0; i < order_.size(); ++i) order_[i] = i;
  std::sort(order_.begin(), order_.end(), [this](uint32_t a, uint32_t b) {
    return NtxCompareEntries(KeyAt(a), records_[a], KeyAt(b), records_[b]) < 0;
  });
  next_ = 0;
}

IoStatus NtxMemorySorter::Next(IndexEntry* entry, bool* done) {
  *done = next_ == order_.size();
  if (*done) return IoStatus::Ok();
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
  std::unique_ptr<NtxPageStore> store;
  s = NtxPageStore::Create(env, fileName, {options.exclusive, false}, header, &store);
  if (!s.ok()) return s;
  NtxPageStore::Session session(store.get(), true);
  if (!session.status().ok()) return session.status();
  uint32_t root = 0;
  s = Builder(store.get(), source).Run(&root);
  if (!s.ok()) return s;
  store->SetRoot(root);
  s = MendRightEdge(store.get());
  if (!s.ok()) return s;
  return store->Commit();
}

}  // namespace tabrix
