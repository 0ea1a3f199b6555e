#pragma once
// Helpers of the NTX tests: building indexes in an Env, walking them, and the fixture indexes
// whose walk DBD::XBase's is stored for (golden/ntx_keys.tsv, scripts/ntx_golden.pl).

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/env/env_test_support.h"
#include "data/env/memory_env.h"
#include "data/index/ntx_build.h"
#include "data/index/ntx_check.h"
#include "data/index/ntx_key.h"
#include "data/index/ntx_order.h"

namespace tabrix::ntx_testing {

// A small deterministic generator: the same numbers on every platform and library.
class Lcg {
 public:
  explicit Lcg(uint32_t seed) : state_(seed) {}
  uint32_t Next() {
    state_ = state_ * 1103515245u + 12345u;
    return state_ >> 8;
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint32_t state_;
};

// Every entry of the order, First to the end.
inline IoStatus Walk(IndexOrder& order, std::vector<IndexEntry>* out) {
  out->clear();
  std::optional<IndexEntry> e;
  IoStatus s = order.First(&e);
  while (s.ok() && e) {
    out->push_back(*e);
    const IndexEntry from = *e;
    s = order.Next(from, &e);
  }
  return s;
}

// Every entry of the order, Last to the start.
inline IoStatus WalkBack(IndexOrder& order, std::vector<IndexEntry>* out) {
  out->clear();
  std::optional<IndexEntry> e;
  IoStatus s = order.Last(&e);
  while (s.ok() && e) {
    out->push_back(*e);
    const IndexEntry from = *e;
    s = order.Previous(from, &e);
  }
  return s;
}

// Entries sorted the way the order keeps them.
inline std::vector<IndexEntry> Sorted(std::vector<IndexEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](const IndexEntry& a, const IndexEntry& b) {
    return NtxCompareEntries(a.key, a.record, b.key, b.record) < 0;
  });
  return entries;
}

inline IoStatus BuildFrom(Env* env, const std::string& name, const NtxCreateOptions& options,
                          const std::vector<IndexEntry>& entries) {
  NtxMemorySorter sorter(options.keyLength);
  for (const IndexEntry& e : entries) sorter.Add(e.key, e.record);
  sorter.Sort();
  return BuildNtx(env, name, options, &sorter);
}

inline std::string Pad(std::string s, size_t n) {
  s.resize(n, ' ');
  return s;
}

inline NtxCreateOptions CharOptions(int keyLength, int maxKeys = 0) {
  NtxCreateOptions o;
  o.keyExpression = "NAME";
  o.keyLength = keyLength;
  o.maxKeys = maxKeys;
  return o;
}

// One fixture index: the entries the table layer would hand in, in record order, and how the
// file comes about.
struct NtxFixture {
  std::string name;      // file base name
  std::string perlType;  // the key type DBD::XBase is told: char, num or date
  NtxCreateOptions options;
  std::vector<IndexEntry> entries;  // what the index holds in the end
  // Built by Insert in a shuffled order, with `ghosts` inserted among them and removed again
  // (so pages split, merge and go through the free list), instead of by the bulk build.
  bool viaUpdates = false;
  std::vector<IndexEntry> ghosts;
};

inline NtxFixture Fixture(std::string name, std::string perlType, NtxCreateOptions options) {
  NtxFixture f;
  f.name = std::move(name);
  f.perlType = std::move(perlType);
  f.options = std::move(options);
  return f;
}

inline std::vector<NtxFixture> NtxFixtures() {
  std::vector<NtxFixture> out;
  {
    // German letters beside their base letters, repeated keys, several levels.
    NtxFixture f = Fixture("chr", "char", CharOptions(10));
    const char* words[] = {"\x84rger",
                           "arger",
                           "brger",
                           "\x81"
                           "ber",
                           "uber",
                           "vber",
                           "Stra\xE1"
                           "e",
                           "Strasse",
                           "Strate",
                           "\x8E"
                           "rger",
                           "Arger",
                           "\x99l",
                           "Ol",
                           "\x94l",
                           "ol",
                           "\x9A"
                           "bel",
                           "Ubel",
                           "zz",
                           "",
                           "A"};
    Lcg g(11);
    for (uint32_t r = 1; r <= 400; ++r) {
      std::string k = words[g.Below(std::size(words))];
      if (g.Below(3) != 0) k += std::to_string(g.Below(40));
      f.entries.push_back({Pad(k, 10), r});
    }
    out.push_back(std::move(f));
  }
  {
    NtxFixture f = Fixture("chrdeep", "char", CharOptions(10, 4));
    Lcg g(12);
    for (uint32_t r = 1; r <= 300; ++r) {
      f.entries.push_back({Pad("K" + std::to_string(g.Below(1000)), 10), r});
    }
    out.push_back(std::move(f));
  }
  {
    NtxFixture f = Fixture("num", "num", {});
    f.options.keyExpression = "AMOUNT";
    f.options.kind = KeyKind::kNumeric;
    f.options.keyLength = 8;
    f.options.decimals = 2;
    Lcg g(13);
    const char* fixed[] = {"0", "-0.5", "5", "-5", "0.5", "-9999.99", "9999.99", "-0.01"};
    for (uint32_t r = 1; r <= 300; ++r) {
      Decimal d;
      if (r <= 8) {
        d = *Decimal::FromText(fixed[r - 1]);
      } else {
        d = Decimal::FromInt(static_cast<int64_t>(g.Below(2000000)) - 1000000);
        d.scale = 2;
      }
      std::string key;
      NtxNumericKey(d, 8, 2, &key);
      f.entries.push_back({key, r});
    }
    out.push_back(std::move(f));
  }
  {
    NtxFixture f = Fixture("date", "date", {});
    f.options.keyExpression = "BORN";
    f.options.kind = KeyKind::kDate;
    f.options.keyLength = 8;
    Lcg g(14);
    for (uint32_t r = 1; r <= 200; ++r) {
      Date d = r % 17 == 0
                   ? Date{}
                   : Date{1900 + static_cast<int>(g.Below(200)), 1 + static_cast<int>(g.Below(12)),
                          1 + static_cast<int>(g.Below(28))};
      f.entries.push_back({NtxDateKey(d), r});
    }
    out.push_back(std::move(f));
  }
  {
    // Only the first record of each key is indexed.
    NtxFixture f = Fixture("uniq", "char", CharOptions(4));
    f.options.unique = true;
    Lcg g(15);
    std::vector<std::string> seen;
    for (uint32_t r = 1; r <= 200; ++r) {
      std::string k = Pad("U" + std::to_string(g.Below(30)), 4);
      if (std::find(seen.begin(), seen.end(), k) != seen.end()) continue;
      seen.push_back(k);
      f.entries.push_back({k, r});
    }
    out.push_back(std::move(f));
  }
  {
    NtxFixture f = Fixture("upd", "char", CharOptions(6, 3));
    f.viaUpdates = true;
    Lcg g(16);
    for (uint32_t r = 1; r <= 300; ++r) {
      IndexEntry e{Pad("R" + std::to_string(g.Below(120)), 6), r};
      (g.Below(2) == 0 ? f.entries : f.ghosts).push_back(e);
    }
    out.push_back(std::move(f));
  }
  return out;
}

// Writes the fixture's index file `path` through env.
inline IoStatus WriteNtxFixture(Env* env, const std::string& path, const NtxFixture& f) {
  if (!f.viaUpdates) {
    std::vector<IndexEntry> all = f.entries;
    return BuildFrom(env, path, f.options, all);
  }
  std::unique_ptr<NtxOrder> order;
  IoStatus s = NtxOrder::Create(env, path, f.options, &order);
  std::vector<IndexEntry> all = f.entries;
  all.insert(all.end(), f.ghosts.begin(), f.ghosts.end());
  Lcg g(99);
  for (size_t i = all.size(); i > 1; --i) std::swap(all[i - 1], all[g.Below(i)]);
  for (size_t i = 0; s.ok() && i < all.size(); ++i) s = order->Insert(all[i]);
  std::vector<IndexEntry> ghosts = f.ghosts;
  for (size_t i = ghosts.size(); i > 1; --i) std::swap(ghosts[i - 1], ghosts[g.Below(i)]);
  for (size_t i = 0; s.ok() && i < ghosts.size(); ++i) s = order->Remove(ghosts[i]);
  return s;
}

}  // namespace tabrix::ntx_testing
