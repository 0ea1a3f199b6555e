#include "data/index/ntx_cursor.h"

#include <algorithm>

#include "data/index/ntx_key.h"

namespace tabrix {

IoStatus NtxCursor::Broken(uint32_t page, const char* reason) const {
  return NtxCorruption(Corruption(store_->fileName(), page, reason));
}

void NtxCursor::Reset() {
  path_.clear();
  entered_.clear();
  direction_ = Direction::kNone;
  leafDepth_ = -1;
}

IoStatus NtxCursor::Enter(uint32_t page, int index, const NtxPage** read) {
  if (path_.size() >= kNtxMaxDepth) return Broken(page, "tree deeper than any valid index");
  if (!entered_.insert(page).second) return Broken(page, "page reached twice (page loop)");
  IoStatus s = store_->ReadPage(page, read);
  if (!s.ok()) return s;
  const int depth = static_cast<int>(path_.size());
  if ((*read)->leaf()) {
    if (leafDepth_ < 0) leafDepth_ = depth;
    if (leafDepth_ != depth) return Broken(page, "leaves at different depths");
  } else if (leafDepth_ >= 0 && depth >= leafDepth_) {
    return Broken(page, "leaves at different depths");
  }
  path_.push_back({page, index});
  return IoStatus::Ok();
}

IoStatus NtxCursor::DescendLeftmost(uint32_t page) {
  for (;;) {
    const NtxPage* p = nullptr;
    IoStatus s = Enter(page, 0, &p);
    if (!s.ok()) return s;
    if (p->leaf()) return IoStatus::Ok();
    page = p->child(0);
  }
}

IoStatus NtxCursor::DescendRightmost(uint32_t page) {
  for (;;) {
    const NtxPage* p = nullptr;
    IoStatus s = Enter(page, 0, &p);
    if (!s.ok()) return s;
    const int n = static_cast<int>(p->count());
    if (p->leaf()) {
      path_.back().index = n - 1;
      return IoStatus::Ok();
    }
    path_.back().index = n;
    page = p->child(n);
  }
}

IoStatus NtxCursor::SettleForward() {
  while (!path_.empty()) {
    const NtxPage* p = nullptr;
    IoStatus s = store_->ReadPage(path_.back().page, &p);
    if (!s.ok()) return s;
    if (path_.back().index < static_cast<int>(p->count())) break;
    path_.pop_back();
  }
  return IoStatus::Ok();
}

IoStatus NtxCursor::SettleBackward() {
  while (!path_.empty() && path_.back().index < 0) {
    path_.pop_back();
    if (!path_.empty()) --path_.back().index;
  }
  return IoStatus::Ok();
}

IoStatus NtxCursor::LoadEntry() {
  if (path_.empty()) return IoStatus::Ok();
  const NtxPage* p = nullptr;
  IoStatus s = store_->ReadPage(path_.back().page, &p);
  if (!s.ok()) return s;
  const NtxItem& item = p->items[path_.back().index];
  entry_.key = item.key;
  entry_.record = item.record;
  return IoStatus::Ok();
}

IoStatus NtxCursor::StartWalk(Direction direction) {
  if (direction_ != direction) {
    // Turning round re-enters pages the walk came through (C1), so the walk starts afresh
    // from the pages on the path.
    entered_.clear();
    for (const NtxPathFrame& f : path_) entered_.insert(f.page);
    direction_ = direction;
  }
  return IoStatus::Ok();
}

IoStatus NtxCursor::First() {
  Reset();
  direction_ = Direction::kForward;
  IoStatus s = DescendLeftmost(store_->header().root);
  if (s.ok()) s = SettleForward();
  if (s.ok()) s = LoadEntry();
  if (!s.ok()) Reset();
  return s;
}

IoStatus NtxCursor::Last() {
  Reset();
  direction_ = Direction::kBackward;
  IoStatus s = DescendRightmost(store_->header().root);
  if (s.ok()) s = SettleBackward();
  if (s.ok()) s = LoadEntry();
  if (!s.ok()) Reset();
  return s;
}

IoStatus NtxCursor::LowerBound(std::string_view key, std::optional<uint32_t> record) {
  Reset();
  direction_ = Direction::kForward;
  const size_t length = std::min<size_t>(key.size(), store_->header().keyLength);
  uint32_t page = store_->header().root;
  for (;;) {
    const NtxPage* p = nullptr;
    IoStatus s = Enter(page, 0, &p);
    if (!s.ok()) {
      Reset();
      return s;
    }
    size_t i = 0;
    bool exact = false;
    for (; i < p->count(); ++i) {
      const NtxItem& item = p->items[i];
      int c = NtxCompareKeys(item.key, key, length);
      if (c == 0 && record) c = item.record < *record ? -1 : item.record > *record ? 1 : 0;
      if (c >= 0) {
        exact = c == 0 && record.has_value();
        break;
      }
    }
    path_.back().index = static_cast<int>(i);
    if (exact || p->leaf()) break;
    page = p->child(i);
  }
  IoStatus s = SettleForward();
  if (s.ok()) s = LoadEntry();
  if (!s.ok()) Reset();
  return s;
}

IoStatus NtxCursor::Next() {
  if (path_.empty()) return IoStatus::Ok();
  IoStatus s = StartWalk(Direction::kForward);
  const std::string before = entry_.key;
  const NtxPage* p = nullptr;
  if (s.ok()) s = store_->ReadPage(path_.back().page, &p);
  if (s.ok()) {
    const int i = path_.back().index;
    path_.back().index = i + 1;
    if (!p->leaf()) s = DescendLeftmost(p->child(i + 1));
  }
  if (s.ok()) s = SettleForward();
  if (s.ok()) s = LoadEntry();
  if (s.ok() && valid() && NtxCompareKeys(entry_.key, before, before.size()) < 0) {
    s = Broken(path_.back().page, "keys out of order");
  }
  if (!s.ok()) Reset();
  return s;
}

IoStatus NtxCursor::Previous() {
  if (path_.empty()) return IoStatus::Ok();
  IoStatus s = StartWalk(Direction::kBackward);
  const std::string before = entry_.key;
  const NtxPage* p = nullptr;
  if (s.ok()) s = store_->ReadPage(path_.back().page, &p);
  if (s.ok()) {
    const int i = path_.back().index;
    if (p->leaf()) {
      path_.back().index = i - 1;
    } else {
      s = DescendRightmost(p->child(i));
    }
  }
  if (s.ok()) s = SettleBackward();
  if (s.ok()) s = LoadEntry();
  if (s.ok() && valid() && NtxCompareKeys(entry_.key, before, before.size()) > 0) {
    s = Broken(path_.back().page, "keys out of order");
  }
  if (!s.ok()) Reset();
  return s;
}

}  // namespace tabrix
