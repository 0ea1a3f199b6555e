#include "data/index/cdx_tag.h"

#include <algorithm>

#include "data/index/cdx_key.h"

namespace tabrix {

IoStatus CdxTag::Make(CdxFile* file, uint32_t headerOffset, const CdxHeader& header,
                      std::string_view name, KeyKind kind, std::unique_ptr<CdxTag>* tag) {
  OrderInfo info;
  info.name = std::string(name);
  while (!info.name.empty() && info.name.back() == ' ') info.name.pop_back();
  info.keyExpression = header.keyExpression;
  info.forExpression = header.forExpression;
  info.kind = kind;
  info.keyLength = header.keyLength;
  info.unique = (header.options & kCdxOptionUnique) != 0;
  info.candidate = (header.options & kCdxOptionCandidate) != 0;
  info.descending = header.descending;
  // A key of the kind must fit the tag's key length: encode a sample value.
  bool nullable = (header.options & kCdxOptionNullable) != 0;
  Value sample;
  switch (kind) {
    case KeyKind::kCharacter:
      sample = std::string();
      break;
    case KeyKind::kNumeric:
      sample = int32_t{0};
      break;
    case KeyKind::kDate:
      sample = Date{2000, 1, 1};
      break;
    case KeyKind::kDateTime:
      sample = DateTime{};
      break;
    case KeyKind::kLogical:
      sample = true;
      break;
  }
  std::string key, error;
  if (!EncodeCdxKey(kind, header.keyLength, nullable, sample, false, &key, &error)) {
    return IoStatus::Error(kOsInvalidParameter, "open tag", file->fileName(),
                           "tag " + info.name + ": " + error);
  }
  tag->reset(new CdxTag(file, headerOffset, header, std::move(info)));
  return IoStatus::Ok();
}

CdxTag::CdxTag(CdxFile* file, uint32_t headerOffset, const CdxHeader& header, OrderInfo info)
    : file_(file),
      headerOffset_(headerOffset),
      header_(header),
      info_(std::move(info)),
      nullable_((header.options & kCdxOptionNullable) != 0),
      tree_(file, headerOffset, header.keyLength, CdxFillByte(info_.kind)) {
  tree_.set_root(header.root);
}

IoStatus CdxTag::EncodeKey(const Value& value, bool partial, std::string* key) const {
  std::string error;
  if (!EncodeCdxKey(info_.kind, info_.keyLength, nullable_, value, partial, key, &error)) {
    return IoStatus::Error(kOsInvalidParameter, "encode key", file_->fileName(),
                           "tag " + info_.name + ": " + error);
  }
  return IoStatus::Ok();
}

IoStatus CdxTag::Refresh() {
  uint32_t root;
  if (IoStatus s = file_->RefreshRoot(headerOffset_, &root); !s.ok()) return s;
  tree_.set_root(root);
  return IoStatus::Ok();
}

IoStatus CdxTag::CheckKey(const IndexEntry& entry, const char* operation) const {
  if (entry.key.size() != static_cast<size_t>(info_.keyLength)) {
    return IoStatus::Error(kOsInvalidParameter, operation, file_->fileName(),
                           "tag " + info_.name + " keys are " + std::to_string(info_.keyLength) +
                               " bytes, not " + std::to_string(entry.key.size()));
  }
  if (entry.record == 0) {
    return IoStatus::Error(kOsInvalidParameter, operation, file_->fileName(),
                           "record numbers start at 1");
  }
  return IoStatus::Ok();
}

void CdxTag::Hand(const CdxTree::Cursor& cursor, std::optional<IndexEntry>* entry) {
  if (cursor.atEnd()) {
    entry->reset();
    last_.valid = false;
    return;
  }
  *entry = IndexEntry{std::string(cursor.key()), cursor.record()};
  last_.valid = true;
  last_.generation = file_->generation();
  last_.entry = **entry;
  last_.cursor = cursor;
}

IoStatus CdxTag::First(std::optional<IndexEntry>* entry) {
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  CdxTree::Cursor cursor;
  IoStatus s = Refresh();
  if (s.ok()) s = info_.descending ? tree_.Last(&cursor) : tree_.First(&cursor);
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

IoStatus CdxTag::Last(std::optional<IndexEntry>* entry) {
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  CdxTree::Cursor cursor;
  IoStatus s = Refresh();
  if (s.ok()) s = info_.descending ? tree_.First(&cursor) : tree_.Last(&cursor);
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

IoStatus CdxTag::Locate(const IndexEntry& from, CdxTree::Cursor* cursor, bool* exact) {
  if (IoStatus s = tree_.Find({from.key, from.record, false}, cursor); !s.ok()) return s;
  *exact = !cursor->atEnd() && cursor->key() == from.key && cursor->record() == from.record;
  return IoStatus::Ok();
}

IoStatus CdxTag::Step(const IndexEntry& from, bool forward, std::optional<IndexEntry>* entry) {
  if (IoStatus s = CheckKey(from, "skip"); !s.ok()) return s;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  bool ascending = forward != info_.descending;
  if (s.ok()) {
    if (last_.valid && last_.generation == file_->generation() && last_.entry == from) {
      cursor = last_.cursor;
      s = ascending ? tree_.Next(&cursor) : tree_.Previous(&cursor);
    } else {
      bool exact = false;
      s = Locate(from, &cursor, &exact);
      if (s.ok() && ascending && exact) s = tree_.Next(&cursor);
      if (s.ok() && !ascending) {
        // The entry before where `from` is or would be.
        s = cursor.atEnd() ? tree_.Last(&cursor) : tree_.Previous(&cursor);
      }
    }
  }
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

// One Step, then the rest of the way inside the tree: a skip of many entries reads each leaf
// it passes once and decodes no entry it passes.
IoStatus CdxTag::Skip(const IndexEntry& from, int64_t n, std::optional<IndexEntry>* entry) {
  if (n == 0) {
    *entry = from;
    return IoStatus::Ok();
  }
  const bool forward = n > 0;
  const uint64_t rest = forward ? static_cast<uint64_t>(n) - 1 : static_cast<uint64_t>(-(n + 1));
  if (IoStatus s = Step(from, forward, entry); !s.ok() || !*entry || rest == 0) return s;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  if (s.ok() && last_.valid && last_.generation == file_->generation()) {
    cursor = last_.cursor;
  } else if (s.ok()) {
    bool exact = false;
    s = Locate(**entry, &cursor, &exact);
  }
  const bool ascending = forward != info_.descending;
  if (s.ok()) s = ascending ? tree_.Advance(&cursor, rest) : tree_.Retreat(&cursor, rest);
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

IoStatus CdxTag::Next(const IndexEntry& from, std::optional<IndexEntry>* entry) {
  return Step(from, true, entry);
}

IoStatus CdxTag::Previous(const IndexEntry& from, std::optional<IndexEntry>* entry) {
  return Step(from, false, entry);
}

IoStatus CdxTag::Seek(std::string_view key, std::optional<IndexEntry>* entry) {
  if (key.size() > static_cast<size_t>(info_.keyLength)) {
    return IoStatus::Error(kOsInvalidParameter, "seek", file_->fileName(),
                           "search key longer than the keys of tag " + info_.name);
  }
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  if (s.ok()) {
    if (!info_.descending) {
      s = tree_.Find({key, 0, false}, &cursor);
    } else {
      // Back to front: the last entry whose key prefix is not above key.
      s = tree_.Find({key, 0, true}, &cursor);
      if (s.ok()) s = cursor.atEnd() ? tree_.Last(&cursor) : tree_.Previous(&cursor);
    }
  }
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

IoStatus CdxTag::Insert(const IndexEntry& entry) {
  if (IoStatus s = CheckKey(entry, "insert key"); !s.ok()) return s;
  CdxFile::Scope scope(file_, true);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  if (s.ok() && (info_.unique || info_.candidate)) {
    s = tree_.Find({entry.key, 0, false}, &cursor);
    if (s.ok() && !cursor.atEnd() && cursor.key() == entry.key) {
      if (info_.candidate && cursor.record() != entry.record) {
        s = IoStatus::Error(kOsFileExists, "insert key", file_->fileName(),
                            "candidate tag " + info_.name + ": record " +
                                std::to_string(cursor.record()) + " has the key already");
      }
      return scope.End(s);
    }
  }
  bool exact = false;
  if (s.ok()) s = Locate(entry, &cursor, &exact);
  if (s.ok() && !exact) s = tree_.Insert(entry.key, entry.record);
  return scope.End(s);
}

IoStatus CdxTag::Remove(const IndexEntry& entry) {
  if (IoStatus s = CheckKey(entry, "remove key"); !s.ok()) return s;
  CdxFile::Scope scope(file_, true);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  bool removed = false;
  if (s.ok()) s = tree_.Remove(entry.key, entry.record, &removed);
  return scope.End(s);
}

IoStatus CdxTag::KeyPosition(const IndexEntry& entry, uint32_t* position) {
  *position = 0;
  if (IoStatus s = CheckKey(entry, "key position"); !s.ok()) return s;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  bool exact = false;
  if (s.ok()) s = Locate(entry, &cursor, &exact);
  uint64_t before = 0, total = 0;
  if (s.ok() && exact) s = tree_.CountBefore(cursor, &before);
  if (s.ok() && exact && info_.descending) s = tree_.CountBefore(CdxTree::Cursor(), &total);
  if (s.ok() && exact) {
    *position = static_cast<uint32_t>(info_.descending ? total - before : before + 1);
  }
  return scope.End(s);
}

IoStatus CdxTag::PositionFraction(const IndexEntry& entry, double* fraction) {
  *fraction = -1.0;
  if (IoStatus s = CheckKey(entry, "key position"); !s.ok()) return s;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  bool exact = false;
  if (s.ok()) s = Locate(entry, &cursor, &exact);
  double before = 0.0, share = 0.0;
  if (s.ok() && exact) s = tree_.EstimateFraction(cursor, &before, &share);
  if (s.ok() && exact) {
    // Back to front the entry's place is counted from the other end.
    *fraction = info_.descending ? std::max(0.0, 1.0 - before - share) : before;
  }
  return scope.End(s);
}

IoStatus CdxTag::EntryAtFraction(double fraction, std::optional<IndexEntry>* entry) {
  entry->reset();
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  CdxTree::Cursor cursor;
  const double f = std::clamp(fraction, 0.0, 1.0);
  if (s.ok()) s = tree_.AtFraction(info_.descending ? 1.0 - f : f, &cursor);
  // Fractions near the end lie past the last entry's own share: the last entry.
  if (s.ok() && cursor.atEnd()) s = tree_.Last(&cursor);
  if (s.ok()) Hand(cursor, entry);
  return scope.End(s);
}

IoStatus CdxTag::KeyCount(uint32_t* count) {
  *count = 0;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  uint64_t total = 0;
  if (s.ok()) s = tree_.CountBefore(CdxTree::Cursor(), &total);
  if (s.ok()) *count = static_cast<uint32_t>(total);
  return scope.End(s);
}

IoStatus CdxTag::Depth(int* depth) {
  *depth = 0;
  CdxFile::Scope scope(file_, false);
  if (!scope.ok()) return scope.status();
  IoStatus s = Refresh();
  uint32_t offset = tree_.root();
  while (s.ok()) {
    if (++*depth > CdxTree::kMaxDepth) {
      s = file_->Corrupt(offset, "index tree deeper than possible");
      break;
    }
    std::shared_ptr<const CdxNode> node;
    s = file_->ReadNode(offset, tree_.keyLength(), tree_.fill(), &node);
    if (!s.ok() || node->leaf()) break;
    if (node->count() == 0) {
      s = file_->Corrupt(offset, "interior page without entries");
      break;
    }
    offset = node->children[0];
  }
  return scope.End(s);
}

}  // namespace tabrix
