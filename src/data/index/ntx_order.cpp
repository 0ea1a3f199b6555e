#include "data/index/ntx_order.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>
#include <utility>

#include "data/index/ntx_key.h"
#include "data/index/ntx_update.h"

namespace tabrix {

namespace {

IoStatus Invalid(const char* operation, const std::string& fileName, std::string detail) {
  return IoStatus::Error(kOsInvalidParameter, operation, fileName, std::move(detail));
}

std::string Fit(std::string_view text, size_t length) {
  std::string key(text.substr(0, std::min(text.size(), length)));
  key.resize(length, ' ');
  return key;
}

}  // namespace

std::string NtxOrderName(const std::string& fileName) {
  size_t start = fileName.find_last_of("/\\:");
  start = start == std::string::npos ? 0 : start + 1;
  std::string base = fileName.substr(start);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  for (char& c : base) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return base;
}

IoStatus MakeNtxHeader(const NtxCreateOptions& o, const std::string& fileName, NtxHeader* header) {
  if (o.keyLength < 1 || o.keyLength > kNtxMaxKeyLength) {
    return Invalid("create index", fileName,
                   "key length " + std::to_string(o.keyLength) + " outside 1 ... 256");
  }
  if (o.decimals < 0 || (o.decimals > 0 && o.decimals + 2 > o.keyLength)) {
    return Invalid("create index", fileName, "decimals do not fit the key length");
  }
  if (o.keyExpression.size() >= kNtxExpressionSize ||
      o.keyExpression.find('\0') != std::string::npos) {
    return Invalid("create index", fileName, "key expression longer than 255 bytes");
  }
  const uint16_t fit = NtxMaxKeysForKeyLength(o.keyLength);
  if (o.maxKeys != 0 && (o.maxKeys < 2 || o.maxKeys > fit)) {
    return Invalid(
        "create index", fileName,
        "max keys " + std::to_string(o.maxKeys) + " outside 2 ... " + std::to_string(fit));
  }
  NtxHeader h;
  h.signature = static_cast<uint16_t>(kNtxSignature | (o.newLockOffset ? kNtxNewLockFlag : 0));
  h.keyLength = static_cast<uint16_t>(o.keyLength);
  h.decimals = static_cast<uint16_t>(o.decimals);
  h.maxKeys = o.maxKeys != 0 ? static_cast<uint16_t>(o.maxKeys) : fit;
  h.halfPage = static_cast<uint16_t>(h.maxKeys / 2);
  h.keyExpression = o.keyExpression;
  h.unique = o.unique;
  *header = std::move(h);
  return IoStatus::Ok();
}

NtxOrder::NtxOrder(std::unique_ptr<NtxPageStore> store, KeyKind kind)
    : store_(std::move(store)), cursor_(store_.get()) {
  const NtxHeader& h = store_->header();
  info_.name = NtxOrderName(store_->fileName());
  info_.keyExpression = h.keyExpression;
  info_.kind = kind;
  info_.keyLength = h.keyLength;
  info_.decimals = h.decimals;
  info_.unique = h.unique;
}

IoStatus NtxOrder::Open(Env* env, const std::string& fileName, const NtxOpenOptions& options,
                        std::unique_ptr<NtxOrder>* order) {
  std::unique_ptr<NtxPageStore> store;
  IoStatus s = NtxPageStore::Open(env, fileName, {options.exclusive, options.readOnly}, &store);
  if (!s.ok()) return s;
  KeyKind kind =
      options.kind.value_or(store->header().decimals > 0 ? KeyKind::kNumeric : KeyKind::kCharacter);
  order->reset(new NtxOrder(std::move(store), kind));
  return IoStatus::Ok();
}

IoStatus NtxOrder::Create(Env* env, const std::string& fileName, const NtxCreateOptions& options,
                          std::unique_ptr<NtxOrder>* order) {
  NtxHeader header;
  IoStatus s = MakeNtxHeader(options, fileName, &header);
  if (!s.ok()) return s;
  std::unique_ptr<NtxPageStore> store;
  s = NtxPageStore::Create(env, fileName, {options.exclusive, false}, header, &store);
  if (!s.ok()) return s;
  order->reset(new NtxOrder(std::move(store), options.kind));
  return IoStatus::Ok();
}

IoStatus NtxOrder::EncodeKey(const Value& value, bool partial, std::string* key) const {
  const size_t length = static_cast<size_t>(info_.keyLength);
  const std::string& file = store_->fileName();
  switch (info_.kind) {
    case KeyKind::kCharacter:
      if (const std::string* s = std::get_if<std::string>(&value)) {
        *key = partial ? s->substr(0, std::min(s->size(), length)) : Fit(*s, length);
        return IoStatus::Ok();
      }
      break;
    case KeyKind::kNumeric: {
      std::optional<Decimal> d;
      if (const Decimal* x = std::get_if<Decimal>(&value)) d = *x;
      if (const int32_t* i = std::get_if<int32_t>(&value)) d = Decimal::FromInt(*i);
      if (const double* f = std::get_if<double>(&value)) d = Decimal::FromDouble(*f);
      if (!d) break;
      if (!NtxNumericKey(*d, info_.keyLength, info_.decimals, key)) {
        return Invalid("EncodeKey", file,
                       d->Text() + " does not fit a key of " + std::to_string(length));
      }
      return IoStatus::Ok();
    }
    case KeyKind::kDate:
      if (const Date* d = std::get_if<Date>(&value)) {
        *key = Fit(NtxDateKey(*d), length);
        return IoStatus::Ok();
      }
      break;
    case KeyKind::kLogical:
      if (const bool* b = std::get_if<bool>(&value)) {
        *key = Fit(*b ? "T" : "F", length);
        return IoStatus::Ok();
      }
      break;
    case KeyKind::kDateTime:
      break;
  }
  return Invalid("EncodeKey", file, "value does not fit the order's key type");
}

IoStatus NtxOrder::CheckKey(const IndexEntry& entry, const char* operation) const {
  if (entry.key.size() != static_cast<size_t>(info_.keyLength)) {
    return Invalid(operation, store_->fileName(),
                   "key of " + std::to_string(entry.key.size()) + " bytes, the order has " +
                       std::to_string(info_.keyLength));
  }
  return IoStatus::Ok();
}

IoStatus NtxOrder::Hand(std::optional<IndexEntry>* entry) {
  cursorGeneration_ = store_->generation();
  if (cursor_.valid()) {
    *entry = cursor_.entry();
  } else {
    entry->reset();
  }
  return IoStatus::Ok();
}

IoStatus NtxOrder::First(std::optional<IndexEntry>* entry) {
  entry->reset();
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  IoStatus s = cursor_.First();
  if (!s.ok()) return s;
  return Hand(entry);
}

IoStatus NtxOrder::Last(std::optional<IndexEntry>* entry) {
  entry->reset();
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  IoStatus s = cursor_.Last();
  if (!s.ok()) return s;
  return Hand(entry);
}

IoStatus NtxOrder::Find(const IndexEntry& entry, bool searchRun, bool* found) {
  *found = false;
  IoStatus s = cursor_.LowerBound(entry.key, entry.record);
  if (!s.ok()) return s;
  if (cursor_.valid() && cursor_.entry() == entry) {
    *found = true;
    return s;
  }
  if (!searchRun) return s;
  NtxCursor scan(store_.get());
  s = scan.LowerBound(entry.key, std::nullopt);
  while (s.ok() && scan.valid() &&
         NtxCompareKeys(scan.entry().key, entry.key, entry.key.size()) == 0) {
    if (scan.entry().record == entry.record) {
      cursor_ = scan;
      *found = true;
      return s;
    }
    s = scan.Next();
  }
  return s;
}

IoStatus NtxOrder::Next(const IndexEntry& from, std::optional<IndexEntry>* entry) {
  entry->reset();
  IoStatus s = CheckKey(from, "Next");
  if (!s.ok()) return s;
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  if (cursor_.valid() && cursorGeneration_ == store_->generation() && cursor_.entry() == from) {
    s = cursor_.Next();
  } else {
    bool found = false;
    s = Find(from, true, &found);
    // Absent (O6): the cursor already stands on the first entry after it.
    if (s.ok() && found) s = cursor_.Next();
  }
  if (!s.ok()) return s;
  return Hand(entry);
}

IoStatus NtxOrder::Previous(const IndexEntry& from, std::optional<IndexEntry>* entry) {
  entry->reset();
  IoStatus s = CheckKey(from, "Previous");
  if (!s.ok()) return s;
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  if (cursor_.valid() && cursorGeneration_ == store_->generation() && cursor_.entry() == from) {
    s = cursor_.Previous();
  } else {
    bool found = false;
    s = Find(from, true, &found);
    if (s.ok()) s = found || cursor_.valid() ? cursor_.Previous() : cursor_.Last();
  }
  if (!s.ok()) return s;
  return Hand(entry);
}

IoStatus NtxOrder::Seek(std::string_view key, std::optional<IndexEntry>* entry) {
  entry->reset();
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  IoStatus s = cursor_.LowerBound(key, std::nullopt);
  if (!s.ok()) return s;
  return Hand(entry);
}

IoStatus NtxOrder::Insert(const IndexEntry& entry) {
  IoStatus s = CheckKey(entry, "Insert");
  if (!s.ok()) return s;
  NtxPageStore::Session session(store_.get(), true);
  if (!session.status().ok()) return session.status();
  if (store_->header().maxKeys < 2) {
    return IoStatus::Error(kOsAccessDenied, "Insert", store_->fileName(),
                           "pages of one key cannot be maintained");
  }
  const bool countKnown = count_ && countGeneration_ == store_->generation();
  if (store_->header().unique) {
    s = cursor_.LowerBound(entry.key, std::nullopt);
    if (!s.ok()) return s;
    if (cursor_.valid() && cursor_.entry().key == entry.key) return IoStatus::Ok();
  }
  bool found = false;
  s = Find(entry, false, &found);
  if (!s.ok() || found) return s;
  s = NtxInsertEntry(store_.get(), entry);
  if (s.ok()) s = store_->Commit();
  cursor_.Reset();
  if (!s.ok()) {
    count_.reset();
    (void)store_->Reload();
    return s;
  }
  if (countKnown) {
    *count_ += 1;
    countGeneration_ = store_->generation();
  }
  return s;
}

IoStatus NtxOrder::Remove(const IndexEntry& entry) {
  IoStatus s = CheckKey(entry, "Remove");
  if (!s.ok()) return s;
  NtxPageStore::Session session(store_.get(), true);
  if (!session.status().ok()) return session.status();
  if (store_->header().maxKeys < 2) {
    return IoStatus::Error(kOsAccessDenied, "Remove", store_->fileName(),
                           "pages of one key cannot be maintained");
  }
  const bool countKnown = count_ && countGeneration_ == store_->generation();
  bool found = false;
  s = Find(entry, true, &found);
  if (!s.ok() || !found) return s;
  s = NtxRemoveEntry(store_.get(), cursor_.path());
  if (s.ok()) s = store_->Commit();
  cursor_.Reset();
  if (!s.ok()) {
    count_.reset();
    (void)store_->Reload();
    return s;
  }
  if (countKnown) {
    *count_ -= 1;
    countGeneration_ = store_->generation();
  }
  return s;
}

IoStatus NtxOrder::CountSubtree(uint32_t page, size_t depth, uint64_t* count) {
  std::unordered_set<uint32_t> seen;
  std::vector<std::pair<uint32_t, size_t>> todo{{page, depth}};
  while (!todo.empty()) {
    auto [offset, d] = todo.back();
    todo.pop_back();
    if (d >= kNtxMaxDepth || !seen.insert(offset).second) {
      return NtxCorruption(Corruption(store_->fileName(), offset, "page loop while counting"));
    }
    if (leafDepth_ >= 0 && d == static_cast<size_t>(leafDepth_)) {
      uint16_t n = 0;
      IoStatus s = store_->ReadPageCount(offset, &n);
      if (!s.ok()) return s;
      *count += n;
      continue;
    }
    const NtxPage* p = nullptr;
    IoStatus s = store_->ReadPage(offset, &p);
    if (!s.ok()) return s;
    *count += p->count();
    if (p->leaf()) {
      if (leafDepth_ >= 0) {
        return NtxCorruption(Corruption(store_->fileName(), offset, "leaves at different depths"));
      }
      leafDepth_ = static_cast<int>(d);
      continue;
    }
    if (leafDepth_ >= 0 && d >= static_cast<size_t>(leafDepth_)) {
      return NtxCorruption(Corruption(store_->fileName(), offset, "leaves at different depths"));
    }
    for (size_t i = p->count() + 1; i-- > 0;) todo.push_back({p->child(i), d + 1});
  }
  return IoStatus::Ok();
}

IoStatus NtxOrder::KeyCount(uint32_t* count) {
  *count = 0;
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  if (!count_ || countGeneration_ != store_->generation()) {
    leafDepth_ = -1;
    uint64_t n = 0;
    IoStatus s = CountSubtree(store_->header().root, 0, &n);
    if (!s.ok()) return s;
    count_ = n;
    countGeneration_ = store_->generation();
  }
  *count = static_cast<uint32_t>(std::min<uint64_t>(*count_, UINT32_MAX));
  return IoStatus::Ok();
}

IoStatus NtxOrder::KeyPosition(const IndexEntry& entry, uint32_t* position) {
  *position = 0;
  IoStatus s = CheckKey(entry, "KeyPosition");
  if (!s.ok()) return s;
  NtxPageStore::Session session(store_.get(), false);
  if (!session.status().ok()) return session.status();
  bool found = false;
  s = Find(entry, true, &found);
  if (!s.ok() || !found) return s;
  cursorGeneration_ = store_->generation();
  const std::vector<NtxPathFrame> path = cursor_.path();
  leafDepth_ = -1;
  uint64_t before = 0;
  for (size_t level = 0; level < path.size(); ++level) {
    const NtxPage* p = nullptr;
    s = store_->ReadPage(path[level].page, &p);
    if (!s.ok()) return s;
    if (p->leaf()) leafDepth_ = static_cast<int>(level);
    const NtxPage page = *p;
    const size_t index = static_cast<size_t>(path[level].index);
    const bool entryPage = level + 1 == path.size();
    // Above the entry: every child left of the one taken, and the keys between them. In the
    // entry's page: the children up to and including its own left child, and the keys before.
    const size_t children = entryPage && !page.leaf() ? index + 1 : entryPage ? 0 : index;
    for (size_t j = 0; j < children; ++j) {
      s = CountSubtree(page.child(j), level + 1, &before);
      if (!s.ok()) return s;
    }
    before += index;
  }
  *position = static_cast<uint32_t>(std::min<uint64_t>(before + 1, UINT32_MAX));
  return IoStatus::Ok();
}

}  // namespace tabrix
