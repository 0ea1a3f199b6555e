#include "data/index/ntx_check.h"

#include <optional>
#include <unordered_set>

#include "data/index/ntx_cursor.h"
#include "data/index/ntx_key.h"
#include "data/index/ntx_update.h"

namespace tabrix {

namespace {

class Checker {
 public:
  Checker(NtxPageStore* store, const NtxCheckOptions& options, NtxTreeShape* shape,
          std::vector<IndexEntry>* entries)
      : store_(store), options_(options), shape_(shape), entries_(entries) {}

  IoStatus Run() {
    *shape_ = NtxTreeShape{};
    IoStatus s = Page(store_->header().root, 0);
    if (s.ok()) s = FreeList();
    return s;
  }

 private:
  IoStatus Bad(uint64_t at, const std::string& reason) const {
    return NtxCorruption(Corruption(store_->fileName(), at, reason));
  }

  IoStatus Page(uint32_t offset, int depth) {
    if (depth >= static_cast<int>(kNtxMaxDepth)) return Bad(offset, "tree too deep");
    if (!tree_.insert(offset).second) return Bad(offset, "page reached twice");  // K1
    const NtxPage* read = nullptr;
    IoStatus s = store_->ReadPage(offset, &read);
    if (!s.ok()) return s;
    const NtxPage page = *read;
    ++shape_->pages;
    if (options_.requireFill && depth > 0 &&
        page.count() < static_cast<size_t>(NtxMinFill(store_->header()))) {
      return Bad(offset, "page below the fill");  // K4
    }
    if (page.leaf()) {  // K2
      ++shape_->leaves;
      if (leafDepth_ < 0) leafDepth_ = depth;
      if (leafDepth_ != depth) return Bad(offset, "leaves at different depths");
      shape_->depth = depth + 1;
    } else if (page.count() == 0 && depth == 0) {
      return Bad(offset, "root without keys above a child");
    }
    for (size_t i = 0; i <= page.count(); ++i) {
      if (!page.leaf()) {
        s = Page(page.child(i), depth + 1);
        if (!s.ok()) return s;
      }
      if (i < page.count()) {
        s = Entry(offset, page.items[i]);
        if (!s.ok()) return s;
      }
    }
    return IoStatus::Ok();
  }

  IoStatus Entry(uint32_t page, const NtxItem& item) {  // K3
    if (previous_) {
      const int byKey = NtxCompareKeys(previous_->key, item.key, item.key.size());
      if (byKey > 0) return Bad(page, "keys out of order");
      if (byKey == 0 && store_->header().unique) return Bad(page, "key repeated in a unique index");
      if (byKey == 0 && options_.strictRecords && previous_->record >= item.record) {
        return Bad(page, "equal keys out of record order");
      }
    }
    previous_ = IndexEntry{item.key, item.record};
    ++shape_->entries;
    if (entries_) entries_->push_back(*previous_);
    return IoStatus::Ok();
  }

  IoStatus FreeList() {  // K5
    std::unordered_set<uint32_t> seen;
    for (uint32_t page = store_->header().freePage; page != 0;) {
      if (tree_.count(page)) return Bad(page, "free page in the tree");
      if (!seen.insert(page).second) return Bad(page, "free list loops");
      uint32_t next = 0;
      IoStatus s = store_->ReadFreeLink(page, &next);
      if (!s.ok()) return s;
      ++shape_->freePages;
      page = next;
    }
    return IoStatus::Ok();
  }

  NtxPageStore* store_;
  const NtxCheckOptions& options_;
  NtxTreeShape* shape_;
  std::vector<IndexEntry>* entries_;
  std::unordered_set<uint32_t> tree_;
  int leafDepth_ = -1;
  std::optional<IndexEntry> previous_;
};

}  // namespace

IoStatus CheckNtxTree(NtxPageStore* store, const NtxCheckOptions& options, NtxTreeShape* shape,
                      std::vector<IndexEntry>* entries) {
  NtxPageStore::Session session(store, false);
  if (!session.status().ok()) return session.status();
  return Checker(store, options, shape, entries).Run();
}

}  // namespace tabrix
