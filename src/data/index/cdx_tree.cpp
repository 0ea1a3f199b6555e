#include "data/index/cdx_tree.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace tabrix {
namespace {

void AppendEntry(CdxNode* to, const CdxNode& from, size_t i) {
  to->keys.append(from.key(i));
  to->records.push_back(from.records[i]);
  if (!from.leaf()) to->children.push_back(from.children[i]);
}

}  // namespace

CdxNode CdxNodeSlice(const CdxNode& node, size_t begin, size_t end) {
  CdxNode out;
  out.attributes = node.attributes;
  out.keyLength = node.keyLength;
  out.left = node.left;
  out.right = node.right;
  for (size_t i = begin; i < end; ++i) AppendEntry(&out, node, i);
  return out;
}

// Where the entries of a node reached from its parent must lie: above the parent's entry before
// it and at or below the parent's entry for it. A damaged interior page that sends a search into
// the wrong subtree breaks them.
struct CdxTree::Bounds {
  std::string lowKey, highKey;
  uint32_t lowRecord = 0, highRecord = 0;
  bool hasLow = false, hasHigh = false;

  void Narrow(const CdxNode& parent, size_t i) {
    if (i > 0) {
      lowKey.assign(parent.key(i - 1));
      lowRecord = parent.records[i - 1];
      hasLow = true;
    }
    highKey.assign(parent.key(i));
    highRecord = parent.records[i];
    hasHigh = true;
  }
  bool Hold(const CdxNode& node) const {
    size_t n = node.count();
    if (n == 0) return true;
    if (hasLow && CompareCdxEntry(node.key(0), node.records[0], lowKey, lowRecord) <= 0) {
      return false;
    }
    return !hasHigh ||
           CompareCdxEntry(node.key(n - 1), node.records[n - 1], highKey, highRecord) <= 0;
  }
};

CdxTree::CdxTree(CdxFile* file, uint32_t headerOffset, int keyLength, uint8_t fill)
    : file_(file), headerOffset_(headerOffset), keyLength_(keyLength), fill_(fill) {}

int CdxTree::Compare(const CdxNode& node, size_t i, const Target& target) const {
  std::string_view key = node.key(i);
  size_t n = std::min(target.key.size(), key.size());
  int c = std::memcmp(key.data(), target.key.data(), n);
  if (c != 0) return c;
  if (target.after) return -1;
  uint32_t r = node.records[i];
  return r < target.record ? -1 : r > target.record ? 1 : 0;
}

IoStatus CdxTree::Read(uint32_t offset, std::shared_ptr<const CdxNode>* node) {
  return file_->ReadNode(offset, keyLength_, fill_, node);
}

IoStatus CdxTree::Descend(const Target& target, bool forInsert, std::vector<Step>* path) {
  path->clear();
  uint32_t offset = root_;
  Bounds bounds;
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) return file_->Corrupt(offset, "index tree deeper than possible");
    Step step;
    step.offset = offset;
    if (IoStatus s = Read(offset, &step.node); !s.ok()) return s;
    const CdxNode& node = *step.node;
    if (!bounds.Hold(node)) return file_->Corrupt(offset, "page outside its parent's range");
    size_t n = node.count();
    size_t i = 0;
    while (i < n && Compare(node, i, target) < 0) ++i;
    step.index = i;
    path->push_back(step);
    if (node.leaf()) return IoStatus::Ok();
    if (n == 0) return file_->Corrupt(offset, "interior page without entries");
    if (i == n) {
      if (!forInsert) {
        path->clear();
        return IoStatus::Ok();
      }
      path->back().index = i = n - 1;
    }
    bounds.Narrow(node, i);
    offset = node.children[i];
  }
}

IoStatus CdxTree::SettleForward(Cursor* cursor) {
  std::string lastKey;
  uint32_t lastRecord = 0;
  bool haveLast = false;
  uint32_t steps = 0;
  while (cursor->index >= cursor->leaf->count()) {
    const CdxNode& leaf = *cursor->leaf;
    if (leaf.count() > 0) {
      lastKey.assign(leaf.key(leaf.count() - 1));
      lastRecord = leaf.records[leaf.count() - 1];
      haveLast = true;
    }
    uint32_t next = leaf.right;
    if (next == kCdxNone) {
      *cursor = Cursor();
      return IoStatus::Ok();
    }
    if (++steps > file_->pageCount()) return file_->Corrupt(next, "leaf sibling chain loops");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(next, &node); !s.ok()) return s;
    if (!node->leaf()) return file_->Corrupt(next, "leaf sibling is not a leaf");
    if (node->left != cursor->offset) return file_->Corrupt(next, "sibling links disagree");
    if (node->count() > 0 && haveLast &&
        CompareCdxEntry(node->key(0), node->records[0], lastKey, lastRecord) <= 0) {
      return file_->Corrupt(next, "leaf sibling chain out of order or looping");
    }
    cursor->leaf = node;
    cursor->offset = next;
    cursor->index = 0;
  }
  return IoStatus::Ok();
}

IoStatus CdxTree::Find(const Target& target, Cursor* cursor) {
  std::vector<Step> path;
  if (IoStatus s = Descend(target, false, &path); !s.ok()) return s;
  if (path.empty()) {
    *cursor = Cursor();
    return IoStatus::Ok();
  }
  cursor->leaf = path.back().node;
  cursor->offset = path.back().offset;
  cursor->index = path.back().index;
  return SettleForward(cursor);
}

IoStatus CdxTree::First(Cursor* cursor) {
  uint32_t offset = root_;
  Bounds bounds;
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) return file_->Corrupt(offset, "index tree deeper than possible");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(offset, &node); !s.ok()) return s;
    if (!bounds.Hold(*node)) return file_->Corrupt(offset, "page outside its parent's range");
    if (node->left != kCdxNone) return file_->Corrupt(offset, "first page has a left sibling");
    if (node->leaf()) {
      cursor->leaf = node;
      cursor->offset = offset;
      cursor->index = 0;
      return SettleForward(cursor);
    }
    if (node->count() == 0) return file_->Corrupt(offset, "interior page without entries");
    bounds.Narrow(*node, 0);
    offset = node->children[0];
  }
}

IoStatus CdxTree::Last(Cursor* cursor) {
  uint32_t offset = root_;
  Bounds bounds;
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) return file_->Corrupt(offset, "index tree deeper than possible");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(offset, &node); !s.ok()) return s;
    if (!bounds.Hold(*node)) return file_->Corrupt(offset, "page outside its parent's range");
    if (node->right != kCdxNone) return file_->Corrupt(offset, "last page has a right sibling");
    if (node->leaf()) {
      cursor->leaf = node;
      cursor->offset = offset;
      if (node->count() > 0) {
        cursor->index = node->count() - 1;
        return IoStatus::Ok();
      }
      // An empty last leaf (left behind by another writer): step back to an entry.
      cursor->index = 0;
      return Previous(cursor);
    }
    if (node->count() == 0) return file_->Corrupt(offset, "interior page without entries");
    bounds.Narrow(*node, node->count() - 1);
    offset = node->children[node->count() - 1];
  }
}

IoStatus CdxTree::Next(Cursor* cursor) {
  if (cursor->atEnd()) return IoStatus::Ok();
  ++cursor->index;
  return SettleForward(cursor);
}

IoStatus CdxTree::Previous(Cursor* cursor) {
  if (cursor->atEnd()) return IoStatus::Ok();
  if (cursor->index > 0 && cursor->index <= cursor->leaf->count()) {
    --cursor->index;
    return IoStatus::Ok();
  }
  bool havePrevious = cursor->leaf->count() > 0;
  std::string firstKey = havePrevious ? std::string(cursor->leaf->key(0)) : std::string();
  uint32_t firstRecord = havePrevious ? cursor->leaf->records[0] : 0;
  uint32_t steps = 0;
  for (;;) {
    uint32_t prev = cursor->leaf->left;
    if (prev == kCdxNone) {
      *cursor = Cursor();
      return IoStatus::Ok();
    }
    if (++steps > file_->pageCount()) return file_->Corrupt(prev, "leaf sibling chain loops");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(prev, &node); !s.ok()) return s;
    if (!node->leaf()) return file_->Corrupt(prev, "leaf sibling is not a leaf");
    if (node->right != cursor->offset) return file_->Corrupt(prev, "sibling links disagree");
    cursor->leaf = node;
    cursor->offset = prev;
    size_t n = node->count();
    if (n == 0) continue;
    if (havePrevious &&
        CompareCdxEntry(node->key(n - 1), node->records[n - 1], firstKey, firstRecord) >= 0) {
      return file_->Corrupt(prev, "leaf sibling chain out of order or looping");
    }
    cursor->index = n - 1;
    return IoStatus::Ok();
  }
}

IoStatus CdxTree::Advance(Cursor* cursor, uint64_t n) {
  while (n > 0 && !cursor->atEnd()) {
    const size_t count = cursor->leaf->count();
    const uint64_t left = cursor->index < count ? count - 1 - cursor->index : 0;
    if (n <= left) {
      cursor->index += static_cast<size_t>(n);
      return IoStatus::Ok();
    }
    // Onto the first entry of the next leaf that has one: left + 1 steps.
    n -= left + 1;
    cursor->index = count;
    if (IoStatus s = SettleForward(cursor); !s.ok()) return s;
  }
  return IoStatus::Ok();
}

IoStatus CdxTree::Retreat(Cursor* cursor, uint64_t n) {
  while (n > 0 && !cursor->atEnd()) {
    const uint64_t left = std::min<uint64_t>(cursor->index, cursor->leaf->count());
    if (n <= left) {
      cursor->index -= static_cast<size_t>(n);
      return IoStatus::Ok();
    }
    // Onto the last entry of the previous leaf that has one: left + 1 steps.
    n -= left + 1;
    cursor->index = 0;
    if (IoStatus s = Previous(cursor); !s.ok()) return s;
  }
  return IoStatus::Ok();
}

IoStatus CdxTree::CountBefore(const Cursor& cursor, uint64_t* count) {
  *count = 0;
  Cursor c = cursor;
  if (c.atEnd()) {
    if (IoStatus s = Last(&c); !s.ok()) return s;
    if (c.atEnd()) return IoStatus::Ok();
    c.index = c.leaf->count();
  }
  uint64_t total = c.index;
  std::shared_ptr<const CdxNode> leaf = c.leaf;
  bool haveFirst = leaf->count() > 0;
  std::string firstKey = haveFirst ? std::string(leaf->key(0)) : std::string();
  uint32_t firstRecord = haveFirst ? leaf->records[0] : 0;
  uint32_t steps = 0;
  uint32_t at = c.offset;
  while (leaf->left != kCdxNone) {
    uint32_t prev = leaf->left;
    if (++steps > file_->pageCount()) return file_->Corrupt(prev, "leaf sibling chain loops");
    if (IoStatus s = Read(prev, &leaf); !s.ok()) return s;
    if (!leaf->leaf()) return file_->Corrupt(prev, "leaf sibling is not a leaf");
    if (leaf->right != at) return file_->Corrupt(prev, "sibling links disagree");
    at = prev;
    size_t n = leaf->count();
    if (n == 0) continue;
    if (haveFirst &&
        CompareCdxEntry(leaf->key(n - 1), leaf->records[n - 1], firstKey, firstRecord) >= 0) {
      return file_->Corrupt(prev, "leaf sibling chain out of order or looping");
    }
    firstKey.assign(leaf->key(0));
    firstRecord = leaf->records[0];
    haveFirst = true;
    total += n;
  }
  *count = total;
  return IoStatus::Ok();
}

IoStatus CdxTree::EdgePath(bool last, std::vector<std::shared_ptr<const CdxNode>>* nodes) {
  nodes->clear();
  uint32_t offset = root_;
  Bounds bounds;
  for (int depth = 0;; ++depth) {
    if (depth >= kMaxDepth) return file_->Corrupt(offset, "index tree deeper than possible");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(offset, &node); !s.ok()) return s;
    if (!bounds.Hold(*node)) return file_->Corrupt(offset, "page outside its parent's range");
    if ((last ? node->right : node->left) != kCdxNone) {
      return file_->Corrupt(
          offset, last ? "last page has a right sibling" : "first page has a left sibling");
    }
    nodes->push_back(node);
    if (node->leaf()) return IoStatus::Ok();
    const size_t n = node->count();
    if (n == 0) return file_->Corrupt(offset, "interior page without entries");
    bounds.Narrow(*node, last ? n - 1 : 0);
    offset = node->children[last ? n - 1 : 0];
  }
}

IoStatus CdxTree::ReadShape(const std::vector<Step>* path, Shape* shape) {
  std::vector<std::shared_ptr<const CdxNode>> first, last;
  if (IoStatus s = EdgePath(false, &first); !s.ok()) return s;
  if (IoStatus s = EdgePath(true, &last); !s.ok()) return s;
  const size_t depth = first.size();
  if (last.size() != depth || (path && path->size() != depth)) {
    return file_->Corrupt(root_, "leaves at different depths");
  }
  // The fill of a level: its first page and the entry's page, unless they are the level's
  // last page (which alone may be partly filled in a bulk build); a level of one page is read.
  std::vector<double> fill(depth);
  for (size_t level = 0; level < depth; ++level) {
    double sum = 0;
    int samples = 0;
    const CdxNode* seen[] = {first[level].get(), path ? (*path)[level].node.get() : nullptr};
    for (const CdxNode* node : seen) {
      if (node && node->right != kCdxNone) {
        sum += static_cast<double>(node->count());
        ++samples;
      }
    }
    fill[level] = samples ? sum / samples : static_cast<double>(last[level]->count());
  }
  shape->below.assign(depth, 1.0);
  for (size_t level = depth - 1; level-- > 0;) {
    shape->below[level] = fill[level + 1] * shape->below[level + 1];
  }
  // All children of the last path's pages but their last are whole subtrees.
  shape->total = static_cast<double>(last[depth - 1]->count());
  for (size_t level = 0; level + 1 < depth; ++level) {
    shape->total += static_cast<double>(last[level]->count() - 1) * shape->below[level];
  }
  return IoStatus::Ok();
}

IoStatus CdxTree::EstimateFraction(const Cursor& cursor, double* fraction, double* entryShare) {
  *fraction = 1.0;
  if (entryShare) *entryShare = 0.0;
  if (cursor.atEnd()) return IoStatus::Ok();
  std::vector<Step> path;
  if (IoStatus s = Descend({cursor.key(), cursor.record(), false}, false, &path); !s.ok()) {
    return s;
  }
  if (path.empty()) return IoStatus::Ok();
  Shape shape;
  if (IoStatus s = ReadShape(&path, &shape); !s.ok()) return s;
  double before = 0.0;
  for (size_t level = 0; level < path.size(); ++level) {
    before += static_cast<double>(path[level].index) * shape.below[level];
  }
  const double total = std::max(shape.total, before + 1);
  *fraction = std::min(before / total, std::nextafter(1.0, 0.0));
  if (entryShare) *entryShare = 1.0 / total;
  return IoStatus::Ok();
}

IoStatus CdxTree::AtFraction(double fraction, Cursor* cursor) {
  Shape shape;
  if (IoStatus s = ReadShape(nullptr, &shape); !s.ok()) return s;
  double rest = std::floor(std::clamp(fraction, 0.0, 1.0) * std::max(0.0, shape.total - 1) + 0.5);
  uint32_t offset = root_;
  Bounds bounds;
  for (size_t level = 0;; ++level) {
    if (level >= shape.below.size()) return file_->Corrupt(offset, "leaves at different depths");
    std::shared_ptr<const CdxNode> node;
    if (IoStatus s = Read(offset, &node); !s.ok()) return s;
    if (!bounds.Hold(*node)) return file_->Corrupt(offset, "page outside its parent's range");
    const size_t n = node->count();
    const double whole = std::floor(rest / shape.below[level]);
    const size_t i = n == 0 ? 0 : static_cast<size_t>(std::min(whole, static_cast<double>(n - 1)));
    rest -= static_cast<double>(i) * shape.below[level];
    if (node->leaf()) {
      cursor->leaf = node;
      cursor->offset = offset;
      cursor->index = i;
      // An empty leaf (the root of an empty tree, or one another writer left behind): on to
      // the next entry, if any.
      return SettleForward(cursor);
    }
    if (n == 0) return file_->Corrupt(offset, "interior page without entries");
    bounds.Narrow(*node, i);
    offset = node->children[i];
  }
}

IoStatus CdxTree::Insert(std::string_view key, uint32_t record) {
  std::vector<Step> path;
  Target target{key, record, false};
  if (IoStatus s = Descend(target, true, &path); !s.ok()) return s;
  const Step& leafStep = path.back();
  CdxNode leaf = *leafStep.node;
  size_t i = leafStep.index;
  leaf.keys.insert(i * static_cast<size_t>(keyLength_), key);
  leaf.records.insert(leaf.records.begin() + static_cast<ptrdiff_t>(i), record);
  return Store(path, path.size() - 1, std::move(leaf));
}

IoStatus CdxTree::Remove(std::string_view key, uint32_t record, bool* removed) {
  *removed = false;
  std::vector<Step> path;
  Target target{key, record, false};
  if (IoStatus s = Descend(target, false, &path); !s.ok()) return s;
  if (path.empty()) return IoStatus::Ok();
  const Step& leafStep = path.back();
  size_t i = leafStep.index;
  if (i >= leafStep.node->count() || Compare(*leafStep.node, i, target) != 0) {
    return IoStatus::Ok();
  }
  CdxNode leaf = *leafStep.node;
  size_t k = static_cast<size_t>(keyLength_);
  leaf.keys.erase(i * k, k);
  leaf.records.erase(leaf.records.begin() + static_cast<ptrdiff_t>(i));
  *removed = true;
  return Store(path, path.size() - 1, std::move(leaf));
}

std::vector<std::pair<size_t, size_t>> CdxTree::Pieces(const CdxNode& node) const {
  std::vector<std::pair<size_t, size_t>> pieces;
  size_t n = node.count();
  if (n == 0) return pieces;
  const CdxOptions& options = file_->options();
  if (!node.leaf()) {
    size_t cap = CdxInteriorCapacity(keyLength_);
    if (options.maxInteriorEntries > 0) {
      cap = std::min(cap, static_cast<size_t>(std::max(options.maxInteriorEntries, 2)));
    }
    size_t k = (n + cap - 1) / cap;
    for (size_t p = 0, begin = 0; p < k; ++p) {
      size_t end = n * (p + 1) / k;
      pieces.emplace_back(begin, end);
      begin = end;
    }
    return pieces;
  }
  size_t limit = options.maxLeafEntries > 0 ? static_cast<size_t>(options.maxLeafEntries) : n;
  if (n <= limit && CdxLeafBytes(node, 0, n, fill_) <= kCdxLeafSpace) {
    pieces.emplace_back(0, n);
    return pieces;
  }
  // Two pieces of about equal bytes when they fit: per entry its stored bytes in the whole
  // run and its full bytes when it starts a piece.
  std::vector<size_t> stored(n), full(n), prefStored(n + 1, 0), sufStored(n + 1, 0);
  std::vector<uint32_t> prefMax(n + 1, 0), sufMax(n + 1, 0);
  size_t k = static_cast<size_t>(keyLength_);
  for (size_t i = 0; i < n; ++i) {
    size_t trail = static_cast<size_t>(CdxTrailingFill(node.key(i), fill_));
    full[i] = k - trail;
    size_t dup =
        i > 0 ? static_cast<size_t>(CdxSharedBytes(node.key(i - 1), node.key(i), fill_)) : 0;
    stored[i] = k - trail - dup;
    prefStored[i + 1] = prefStored[i] + stored[i];
    prefMax[i + 1] = std::max(prefMax[i], node.records[i]);
  }
  for (size_t i = n; i-- > 0;) {
    sufStored[i] = sufStored[i + 1] + stored[i];
    sufMax[i] = std::max(sufMax[i + 1], node.records[i]);
  }
  auto widths = [&](uint32_t maxRecord) {
    return static_cast<size_t>(CdxLeafWidthsFor(keyLength_, maxRecord).bytes);
  };
  size_t best = 0, bestSize = SIZE_MAX;
  for (size_t m = 1; m < n; ++m) {
    if (m > limit || n - m > limit) continue;
    size_t left = m * widths(prefMax[m]) + prefStored[m];
    size_t right = (n - m) * widths(sufMax[m]) + sufStored[m] - stored[m] + full[m];
    if (left > kCdxLeafSpace || right > kCdxLeafSpace) continue;
    if (std::max(left, right) < bestSize) {
      bestSize = std::max(left, right);
      best = m;
    }
  }
  if (best > 0) {
    pieces.emplace_back(0, best);
    pieces.emplace_back(best, n);
    return pieces;
  }
  // Otherwise as many pieces as it takes, each filled in turn.
  size_t begin = 0;
  while (begin < n) {
    size_t end = begin + 1;
    while (end < n && end - begin < limit &&
           CdxLeafBytes(node, begin, end + 1, fill_) <= kCdxLeafSpace) {
      ++end;
    }
    pieces.emplace_back(begin, end);
    begin = end;
  }
  return pieces;
}

IoStatus CdxTree::SetLeft(uint32_t offset, uint32_t left) {
  std::shared_ptr<const CdxNode> node;
  if (IoStatus s = Read(offset, &node); !s.ok()) return s;
  CdxNode copy = *node;
  copy.left = left;
  return file_->WriteNode(headerOffset_, offset, copy, fill_);
}

IoStatus CdxTree::SetRight(uint32_t offset, uint32_t right) {
  std::shared_ptr<const CdxNode> node;
  if (IoStatus s = Read(offset, &node); !s.ok()) return s;
  CdxNode copy = *node;
  copy.right = right;
  return file_->WriteNode(headerOffset_, offset, copy, fill_);
}

IoStatus CdxTree::CollapseRoot(uint32_t rootOffset, const CdxNode& root) {
  uint32_t offset = rootOffset;
  CdxNode node = root;
  while (!node.leaf() && node.count() == 1) {
    uint32_t child = node.children[0];
    std::shared_ptr<const CdxNode> c;
    if (IoStatus s = Read(child, &c); !s.ok()) return s;
    node = *c;
    node.attributes |= kCdxNodeRoot;
    node.left = node.right = kCdxNone;
    if (IoStatus s = file_->WriteNode(headerOffset_, child, node, fill_); !s.ok()) return s;
    if (IoStatus s = file_->WriteRoot(headerOffset_, child); !s.ok()) return s;
    file_->FreePage(offset);
    root_ = offset = child;
  }
  return IoStatus::Ok();
}

IoStatus CdxTree::Store(std::vector<Step>& path, size_t level, CdxNode content) {
  const uint32_t offset = path[level].offset;
  const bool isRoot = level == 0;
  uint16_t kind = content.attributes & kCdxNodeLeaf;
  std::vector<std::pair<size_t, size_t>> pieces = Pieces(content);

  if (isRoot && pieces.empty()) {
    CdxNode empty;
    empty.keyLength = keyLength_;
    empty.attributes = kCdxNodeRoot | kCdxNodeLeaf;
    return file_->WriteNode(headerOffset_, offset, empty, fill_);
  }
  if (isRoot && pieces.size() == 1) {
    content.attributes = kind | kCdxNodeRoot;
    content.left = content.right = kCdxNone;
    if (IoStatus s = file_->WriteNode(headerOffset_, offset, content, fill_); !s.ok()) return s;
    if (offset != root_) {
      if (IoStatus s = file_->WriteRoot(headerOffset_, offset); !s.ok()) return s;
      root_ = offset;
    }
    return CollapseRoot(offset, content);
  }

  CdxNode parent;
  size_t parentIndex = 0;
  if (!isRoot) {
    parent = *path[level - 1].node;
    parentIndex = path[level - 1].index;
  }
  if (pieces.empty()) {
    // The node leaves its sibling chain and its parent (T3).
    if (content.left != kCdxNone) {
      if (IoStatus s = SetRight(content.left, content.right); !s.ok()) return s;
    }
    if (content.right != kCdxNone) {
      if (IoStatus s = SetLeft(content.right, content.left); !s.ok()) return s;
    }
    file_->FreePage(offset);
    size_t k = static_cast<size_t>(keyLength_);
    parent.keys.erase(parentIndex * k, k);
    parent.records.erase(parent.records.begin() + static_cast<ptrdiff_t>(parentIndex));
    parent.children.erase(parent.children.begin() + static_cast<ptrdiff_t>(parentIndex));
    return Store(path, level - 1, std::move(parent));
  }

  // Pieces: the last keeps the page, the others take new pages before it (T4).
  size_t count = pieces.size();
  std::vector<uint32_t> offsets(count, offset);
  for (size_t p = 0; p + 1 < count; ++p) {
    if (IoStatus s = file_->AllocatePages(1, &offsets[p]); !s.ok()) return s;
  }
  std::vector<CdxNode> nodes;
  for (size_t p = 0; p < count; ++p) {
    CdxNode node = CdxNodeSlice(content, pieces[p].first, pieces[p].second);
    node.attributes = kind;
    node.left = p == 0 ? content.left : offsets[p - 1];
    node.right = p + 1 == count ? content.right : offsets[p + 1];
    nodes.push_back(std::move(node));
  }
  if (count > 1 && content.left != kCdxNone) {
    if (IoStatus s = SetRight(content.left, offsets[0]); !s.ok()) return s;
  }
  for (size_t p = 0; p < count; ++p) {
    if (IoStatus s = file_->WriteNode(headerOffset_, offsets[p], nodes[p], fill_); !s.ok()) {
      return s;
    }
  }
  CdxNode above;
  above.keyLength = keyLength_;
  for (size_t p = 0; p < count; ++p) {
    const CdxNode& node = nodes[p];
    above.keys.append(node.key(node.count() - 1));
    above.records.push_back(node.records.back());
    above.children.push_back(offsets[p]);
  }
  if (isRoot) {
    // The root was cut: a new root above the pieces (cut in turn when they are too many).
    std::vector<Step> top(1);
    if (IoStatus s = file_->AllocatePages(1, &top[0].offset); !s.ok()) return s;
    above.attributes = 0;
    return Store(top, 0, std::move(above));
  }
  if (count == 1 && parent.children[parentIndex] == offset &&
      parent.key(parentIndex) == above.key(0) && parent.records[parentIndex] == above.records[0]) {
    return IoStatus::Ok();  // the parent's entry still describes the node
  }
  CdxNode updated = CdxNodeSlice(parent, 0, parentIndex);
  for (size_t p = 0; p < count; ++p) AppendEntry(&updated, above, p);
  for (size_t i = parentIndex + 1; i < parent.count(); ++i) AppendEntry(&updated, parent, i);
  return Store(path, level - 1, std::move(updated));
}

}  // namespace tabrix
