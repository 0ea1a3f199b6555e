#include "data/index/ntx_update.h"

#include <algorithm>

#include "data/index/ntx_key.h"

namespace tabrix {

namespace {

IoStatus Broken(NtxPageStore* store, uint32_t page, const char* reason) {
  return NtxCorruption(Corruption(store->fileName(), page, reason));
}

// A copy of the page: the store's copy changes when a page is written.
IoStatus ReadCopy(NtxPageStore* store, uint32_t offset, NtxPage* page) {
  const NtxPage* p = nullptr;
  IoStatus s = store->ReadPage(offset, &p);
  if (s.ok()) *page = *p;
  return s;
}

bool OnPath(const std::vector<NtxPathFrame>& path, uint32_t page) {
  return std::any_of(path.begin(), path.end(),
                     [page](const NtxPathFrame& f) { return f.page == page; });
}

// Splits an overfull page (M + 1 items) bottom-up along path until a page has room (U3).
IoStatus SplitUp(NtxPageStore* store, std::vector<NtxPathFrame> path, uint32_t offset,
                 NtxPage page) {
  const size_t maxKeys = store->header().maxKeys;
  while (page.count() > maxKeys) {
    const size_t mid = page.count() / 2;
    NtxPage right;
    right.items.assign(page.items.begin() + mid + 1, page.items.end());
    right.rightChild = page.rightChild;
    NtxItem up = page.items[mid];
    page.rightChild = up.child;
    page.items.resize(mid);
    uint32_t rightOffset = 0;
    IoStatus s = store->AllocatePage(&rightOffset);
    if (s.ok()) s = store->WritePage(rightOffset, right);
    if (s.ok()) s = store->WritePage(offset, page);
    if (!s.ok()) return s;
    up.child = offset;
    if (path.empty()) {
      NtxPage root;
      root.items.push_back(std::move(up));
      root.rightChild = rightOffset;
      uint32_t rootOffset = 0;
      s = store->AllocatePage(&rootOffset);
      if (s.ok()) s = store->WritePage(rootOffset, root);
      if (s.ok()) store->SetRoot(rootOffset);
      return s;
    }
    const NtxPathFrame parent = path.back();
    path.pop_back();
    offset = parent.page;
    s = ReadCopy(store, offset, &page);
    if (!s.ok()) return s;
    const size_t at = static_cast<size_t>(parent.index);
    page.items.insert(page.items.begin() + at, std::move(up));
    page.setChild(at + 1, rightOffset);
  }
  return store->WritePage(offset, page);
}

}  // namespace

int NtxMinFill(const NtxHeader& header) {
  return std::max(1, std::min<int>(header.halfPage, header.maxKeys / 2));
}

IoStatus NtxInsertEntry(NtxPageStore* store, const IndexEntry& entry) {
  std::vector<NtxPathFrame> path;
  uint32_t offset = store->header().root;
  for (;;) {
    if (path.size() >= kNtxMaxDepth || OnPath(path, offset)) {
      return Broken(store, offset, "page loop on the way to a leaf");
    }
    const NtxPage* p = nullptr;
    IoStatus s = store->ReadPage(offset, &p);
    if (!s.ok()) return s;
    // After every entry that does not sort after the new one (U1).
    size_t i = 0;
    while (i < p->count() &&
           NtxCompareEntries(p->items[i].key, p->items[i].record, entry.key, entry.record) <= 0) {
      ++i;
    }
    if (p->leaf()) {
      NtxPage page = *p;
      page.items.insert(page.items.begin() + i, NtxItem{0, entry.record, entry.key});
      return SplitUp(store, std::move(path), offset, std::move(page));
    }
    path.push_back({offset, static_cast<int>(i)});
    offset = p->child(i);
  }
}

IoStatus NtxRemoveEntry(NtxPageStore* store, std::vector<NtxPathFrame> path) {
  if (path.empty()) return IoStatus::Ok();
  const size_t minFill = static_cast<size_t>(NtxMinFill(store->header()));
  NtxPage page;
  IoStatus s = ReadCopy(store, path.back().page, &page);
  if (!s.ok()) return s;
  const size_t e = static_cast<size_t>(path.back().index);
  if (e >= page.count()) return Broken(store, path.back().page, "entry outside its page");
  if (page.leaf()) {
    page.items.erase(page.items.begin() + e);
  } else {
    // An interior entry: its in-order predecessor takes its place and leaves its leaf (U3).
    // The entry's frame now names child e, the way down to that leaf.
    const uint32_t interior = path.back().page;
    uint32_t offset = page.child(e);
    for (;;) {
      if (path.size() >= kNtxMaxDepth || OnPath(path, offset)) {
        return Broken(store, offset, "page loop on the way to a leaf");
      }
      const NtxPage* p = nullptr;
      s = store->ReadPage(offset, &p);
      if (!s.ok()) return s;
      const int n = static_cast<int>(p->count());
      if (p->leaf()) {
        if (n == 0) return Broken(store, offset, "empty leaf below an interior page");
        path.push_back({offset, n - 1});
        break;
      }
      path.push_back({offset, n});
      offset = p->child(n);
    }
    NtxPage leaf;
    s = ReadCopy(store, path.back().page, &leaf);
    if (!s.ok()) return s;
    page.items[e].key = leaf.items.back().key;
    page.items[e].record = leaf.items.back().record;
    leaf.items.pop_back();
    s = store->WritePage(interior, page);
    if (!s.ok()) return s;
    page = std::move(leaf);
  }

  // Bottom-up: borrow or merge until a page keeps the fill (U3).
  for (size_t level = path.size() - 1;; --level) {
    const uint32_t offset = path[level].page;
    if (level == 0) {
      if (page.count() == 0 && !page.leaf()) {
        const uint32_t only = page.rightChild;
        s = store->FreePage(offset);
        if (s.ok()) store->SetRoot(only);
        return s;
      }
      return store->WritePage(offset, page);
    }
    if (page.count() >= minFill) return store->WritePage(offset, page);
    const uint32_t parentOffset = path[level - 1].page;
    const size_t c = static_cast<size_t>(path[level - 1].index);
    NtxPage parent;
    s = ReadCopy(store, parentOffset, &parent);
    if (!s.ok()) return s;
    if (parent.count() == 0 || c > parent.count() || parent.child(c) != offset) {
      return Broken(store, parentOffset, "parent does not lead to its child");
    }
    const bool useLeft = c > 0;
    const size_t sep = useLeft ? c - 1 : c;
    const uint32_t siblingOffset = parent.child(useLeft ? c - 1 : c + 1);
    if (siblingOffset == offset || OnPath(path, siblingOffset)) {
      return Broken(store, parentOffset, "sibling page reached twice");
    }
    NtxPage sibling;
    s = ReadCopy(store, siblingOffset, &sibling);
    if (!s.ok()) return s;
    if (sibling.leaf() != page.leaf())
      return Broken(store, siblingOffset, "leaves at different depths");
    NtxItem& separator = parent.items[sep];
    if (sibling.count() > minFill) {
      if (useLeft) {
        NtxItem moved = std::move(sibling.items.back());
        sibling.items.pop_back();
        page.items.insert(page.items.begin(),
                          NtxItem{sibling.rightChild, separator.record, separator.key});
        sibling.rightChild = moved.child;
        separator.key = std::move(moved.key);
        separator.record = moved.record;
      } else {
        NtxItem moved = std::move(sibling.items.front());
        sibling.items.erase(sibling.items.begin());
        page.items.push_back(NtxItem{page.rightChild, separator.record, separator.key});
        page.rightChild = moved.child;
        separator.key = std::move(moved.key);
        separator.record = moved.record;
      }
      s = store->WritePage(offset, page);
      if (s.ok()) s = store->WritePage(siblingOffset, sibling);
      if (s.ok()) s = store->WritePage(parentOffset, parent);
      return s;
    }
    NtxPage& left = useLeft ? sibling : page;
    NtxPage& right = useLeft ? page : sibling;
    const uint32_t leftOffset = useLeft ? siblingOffset : offset;
    const uint32_t rightOffset = useLeft ? offset : siblingOffset;
    left.items.push_back(NtxItem{left.rightChild, separator.record, separator.key});
    left.items.insert(left.items.end(), right.items.begin(), right.items.end());
    left.rightChild = right.rightChild;
    if (left.count() > store->header().maxKeys) {
      return Broken(store, parentOffset, "pages too full to merge");
    }
    s = store->WritePage(leftOffset, left);
    if (s.ok()) s = store->FreePage(rightOffset);
    if (!s.ok()) return s;
    parent.items.erase(parent.items.begin() + sep);
    parent.setChild(sep, leftOffset);
    page = std::move(parent);
  }
}

}  // namespace tabrix
