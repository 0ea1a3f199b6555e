#pragma once
// One index order as the table layer sees it: the (key, record) entries of one CDX tag or of
// one NTX file, kept sorted in the index file.
//
// The table layer evaluates the key expression of the order over a record (data/expr), turns
// the value into the order's key bytes with EncodeKey, and hands those bytes to the order. The
// order knows nothing of records or expressions; it only keeps entries sorted and finds them.
//
// Invariants every implementation keeps:
//   O1. Entries are unique as (key, record) pairs. With Info().unique, at most one entry per
//       key: Insert of a key already present stores nothing and succeeds (the record that came
//       first keeps the key, as xBase programs expect).
//   O2. Navigation order is the order another program reading the file shows: ascending by the
//       order's collation and, among equal keys, by record number; a descending order hands the
//       same entries out back to front.
//   O3. Keys handed in and out are exactly Info().keyLength bytes, except the search key of
//       Seek, which may be shorter (a partial character key compares over its own length).
//   O4. The file on disk is a valid index after every call that returns ok: another program
//       opening it sees every entry inserted so far (shared files are written under the index
//       lock of the file's dialect; exclusive files may keep pages in memory until Flush).
//   O5. A damaged file (bad page offsets, loops in page links, counts beyond the page, keys
//       longer than the header says) gives an error status, never a crash, a hang or a wrong
//       entry handed out as right.
//   O6. Navigation from an entry that is no longer in the order (another write removed it)
//       continues from where that entry would sort.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/base/value.h"
#include "data/env/file_env.h"

namespace tabrix {

// What a key expression yields, which decides the key bytes.
enum class KeyKind { kCharacter, kNumeric, kDate, kDateTime, kLogical };

struct IndexEntry {
  std::string key;  // Info().keyLength bytes in the order's key form
  uint32_t record = 0;
  friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

struct OrderInfo {
  std::string name;           // CDX tag name or NTX file base name, upper case
  std::string keyExpression;  // as stored in the file
  std::string forExpression;  // "" when the order has no FOR condition
  KeyKind kind = KeyKind::kCharacter;
  int keyLength = 0;
  int decimals = 0;  // numeric NTX keys: decimals of the key text
  bool unique = false;
  bool descending = false;
  bool candidate = false;  // CDX candidate tag: a second record with the same key is refused
};

class IndexOrder {
 public:
  virtual ~IndexOrder() = default;

  virtual const OrderInfo& Info() const = 0;

  // The key bytes of a key-expression value. partial: keep a character value's own length (a
  // Seek key); otherwise pad or cut it to the key length. Fails with kOsInvalidParameter when
  // the value's type does not fit Info().kind.
  virtual IoStatus EncodeKey(const Value& value, bool partial, std::string* key) const = 0;

  // Navigation in the order (O2); *entry is empty when there is none.
  virtual IoStatus First(std::optional<IndexEntry>* entry) = 0;
  virtual IoStatus Last(std::optional<IndexEntry>* entry) = 0;
  virtual IoStatus Next(const IndexEntry& from, std::optional<IndexEntry>* entry) = 0;
  virtual IoStatus Previous(const IndexEntry& from, std::optional<IndexEntry>* entry) = 0;
  // The first entry in navigation order whose key, compared over key.size() bytes, does not
  // come before `key`. The caller sees a hit when that entry's key starts with `key`.
  virtual IoStatus Seek(std::string_view key, std::optional<IndexEntry>* entry) = 0;
  // The entry |n| entries after `from` (n < 0: before it) in navigation order, counted as
  // Next / Previous would count them; empty when the order ends first. Orders whose pages
  // tell their entry counts override this to pass whole pages at once.
  virtual IoStatus Skip(const IndexEntry& from, int64_t n, std::optional<IndexEntry>* entry) {
    *entry = from;
    for (; n != 0 && *entry; n += n > 0 ? -1 : 1) {
      const IndexEntry at = **entry;
      if (IoStatus s = n > 0 ? Next(at, entry) : Previous(at, entry); !s.ok()) return s;
    }
    return IoStatus::Ok();
  }

  // Upkeep (O1, O4). Remove of an entry that is not there succeeds and changes nothing.
  virtual IoStatus Insert(const IndexEntry& entry) = 0;
  virtual IoStatus Remove(const IndexEntry& entry) = 0;

  // 1-based position of the entry in navigation order; 0 when it is not in the order.
  virtual IoStatus KeyPosition(const IndexEntry& entry, uint32_t* position) = 0;
  virtual IoStatus KeyCount(uint32_t* count) = 0;

  // Where the entry lies in navigation order as a fraction of all entries: 0 for the first,
  // (k - 1) / count for the k-th; -1 when it is not in the order. Orders whose pages allow it
  // estimate it from one path down the tree (cheap, for a scroll bar); this default counts.
  virtual IoStatus PositionFraction(const IndexEntry& entry, double* fraction) {
    *fraction = -1.0;
    uint32_t position = 0, count = 0;
    if (IoStatus s = KeyPosition(entry, &position); !s.ok() || position == 0) return s;
    if (IoStatus s = KeyCount(&count); !s.ok() || count == 0) return s;
    *fraction = static_cast<double>(position - 1) / static_cast<double>(count);
    return IoStatus::Ok();
  }
  // The entry at about `fraction` (0 ... 1) of navigation order, the last one for 1; empty in
  // an empty order. The same estimate as PositionFraction; this default counts and skips.
  virtual IoStatus EntryAtFraction(double fraction, std::optional<IndexEntry>* entry) {
    entry->reset();
    uint32_t count = 0;
    if (IoStatus s = KeyCount(&count); !s.ok() || count == 0) return s;
    if (IoStatus s = First(entry); !s.ok() || !*entry) return s;
    const double f = fraction < 0 ? 0 : fraction > 1 ? 1 : fraction;
    const auto n = static_cast<int64_t>(f * static_cast<double>(count - 1) + 0.5);
    return n == 0 ? IoStatus::Ok() : Skip(**entry, n, entry);
  }
};

}  // namespace tabrix
