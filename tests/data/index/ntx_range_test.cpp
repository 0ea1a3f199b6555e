// The NTX range count: its edge cases, random ranges against a walk over the same index, the
// page reads it spends, the level limit and damaged files.

#include <gtest/gtest.h>

#include <map>

#include "data/base/byte_coding.h"
#include "data/index/ntx_range.h"
#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::BuildFrom;
using ntx_testing::CharOptions;
using ntx_testing::Lcg;
using ntx_testing::Pad;
using ntx_testing::Sorted;
using testing_support::ReadWholeFile;
using testing_support::WriteWholeFile;

// Calls the count the way the browse does, collecting the debug lines.
struct Counter {
  Counter(Env* e, std::string f, bool n = false) : env(e), file(std::move(f)), numeric(n) {}
  Env* env;
  std::string file;
  bool numeric;
  std::string debug;
  NtxRangeReads reads;

  int64_t operator()(uint32_t recordA, std::string_view keyA, uint32_t recordB,
                     std::string_view keyB) {
    return NtxRangeCount(
        env, 1, recordA, keyA, recordB, keyB, numeric, true, file,
        [this](std::string_view t) { debug += t; }, &reads);
  }
};

IndexEntry E(const std::string& key, uint32_t record, size_t length = 6) {
  return {Pad(key, length), record};
}

class NtxRangeEdgeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Equal keys (K with records 3, 7, 9), a German letter between its neighbours.
    std::vector<IndexEntry> entries = {E("a", 1), E("\x84", 2), E("b", 4), E("K", 3),  E("K", 9),
                                       E("K", 7), E("c", 5),    E("d", 6), E("e", 10), E("f", 11)};
    ASSERT_TRUE(BuildFrom(env_.get(), "r.ntx", CharOptions(6, 2), entries).ok());
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Counter count_{env_.get(), "r.ntx"};
};

TEST_F(NtxRangeEdgeTest, EdgeCases) {
  // Index order: K3 K7 K9 a a-umlaut b c d e f.
  struct Case {
    const char* what;
    IndexEntry a;
    IndexEntry b;
    int64_t expected;
  };
  const Case cases[] = {
      {"same record", E("c", 5), E("c", 5), 1},
      {"neighbours", E("c", 5), E("d", 6), 2},
      {"neighbours the other way round", E("d", 6), E("c", 5), 2},
      {"first to last", E("K", 3), E("f", 11), 10},
      {"equal keys", E("K", 3), E("K", 9), 3},
      {"equal keys given in reverse", E("K", 9), E("K", 3), 3},
      {"equal keys, neighbours in reverse", E("K", 7), E("K", 3), 2},
      {"a-umlaut after a", E("a", 1), E("\x84", 2), 2},
      {"a-umlaut before b", E("\x84", 2), E("b", 4), 2},
      {"B missing: to the end", E("c", 5), E("d", 99), 4},
      {"B missing, equal key: to the end", E("K", 7), E("K", 99), 9},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    count_.debug.clear();
    EXPECT_EQ(count_(c.a.record, c.a.key, c.b.record, c.b.key), c.expected);
    EXPECT_EQ(count_.debug, "");
  }
}

TEST_F(NtxRangeEdgeTest, FirstEntryMissingIsMinusOneWithTheDebugLine) {
  EXPECT_EQ(count_(99, Pad("c", 6), 6, Pad("d", 6)), -1);
  EXPECT_EQ(count_.debug, "NTXRange ERROR!\n");
  count_.debug.clear();
  // The first of the two is B here: its key is smaller.
  EXPECT_EQ(count_(6, Pad("d", 6), 99, Pad("c", 6)), -1);
  EXPECT_EQ(count_.debug, "NTXRange ERROR!\n");
}

TEST_F(NtxRangeEdgeTest, NoFileNoCount) {
  EXPECT_EQ(
      NtxRangeCount(env_.get(), 1, 5, Pad("c", 6), 6, Pad("d", 6), false, false, "r.ntx", nullptr),
      0);
  EXPECT_EQ(NtxRangeCount(env_.get(), 1, 5, Pad("c", 6), 6, Pad("d", 6), false, true, "missing.ntx",
                          nullptr),
            0);
  // Keys shorter than the key length are padded with blanks.
  EXPECT_EQ(count_(5, "c", 6, "d"), 2);
}

TEST(NtxRange, NegativeNumbersComeFirst) {
  auto env = NewMemoryEnv();
  NtxCreateOptions o = CharOptions(4);
  o.kind = KeyKind::kNumeric;
  std::vector<IndexEntry> entries;
  const int values[] = {9, -5, 0, 5, -7, 12};
  for (uint32_t r = 1; r <= 6; ++r) {
    std::string key;
    ASSERT_TRUE(NtxNumericKey(Decimal::FromInt(values[r - 1]), 4, 0, &key));
    entries.push_back({key, r});
  }
  ASSERT_TRUE(BuildFrom(env.get(), "n.ntx", o, entries).ok());
  Counter count{env.get(), "n.ntx", true};
  // Index order: -7 -5 0 5 9 12. The browse passes 10-character text.
  EXPECT_EQ(count(2, "        -5", 4, "         5"), 3);
  EXPECT_EQ(count(4, "         5", 2, "        -5"), 3);
  EXPECT_EQ(count(5, "        -7", 6, "        12"), 6);
  // A shorter negative text mirrors only its own length of the key, which no stored key has.
  EXPECT_EQ(count(2, "-5", 4, "5"), -1);
}

// Entries in index order and whether each lies in a leaf, read page by page.
struct Placed {
  IndexEntry entry;
  bool leaf;
};

void Collect(NtxPageStore* store, uint32_t offset, std::vector<Placed>* out) {
  const NtxPage* p = nullptr;
  ASSERT_TRUE(store->ReadPage(offset, &p).ok());
  const NtxPage page = *p;
  for (size_t i = 0; i <= page.count(); ++i) {
    if (!page.leaf()) Collect(store, page.child(i), out);
    if (i < page.count()) {
      out->push_back({{page.items[i].key, page.items[i].record}, page.leaf()});
    }
  }
}

TEST(NtxRange, RandomRangesCountWhatAWalkCountsReadingOnlyHeadersInside) {
  auto env = NewMemoryEnv();
  std::vector<IndexEntry> entries;
  Lcg g(7);
  for (uint32_t r = 1; r <= 3000; ++r) entries.push_back(E(std::to_string(g.Below(6000)), r));
  ASSERT_TRUE(BuildFrom(env.get(), "big.ntx", CharOptions(6, 6), entries).ok());
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Open(env.get(), "big.ntx", {}, &order).ok());
  NtxTreeShape shape;
  ASSERT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
  std::vector<Placed> placed;
  {
    NtxPageStore::Session session(order->store(), false);
    Collect(order->store(), order->store()->header().root, &placed);
  }
  ASSERT_EQ(placed.size(), entries.size());
  ASSERT_GE(shape.depth, 4);

  std::map<std::string, int> keyCount;
  for (const IndexEntry& e : entries) ++keyCount[e.key];
  Counter count{env.get(), "big.ntx"};
  uint64_t largeRanges = 0;
  for (int round = 0; round < 300; ++round) {
    const size_t i = g.Below(placed.size()), j = g.Below(placed.size());
    const IndexEntry& a = placed[i].entry;
    const IndexEntry& b = placed[j].entry;
    SCOPED_TRACE(std::to_string(i) + " .. " + std::to_string(j));
    const int64_t expected = static_cast<int64_t>(i > j ? i - j : j - i) + 1;
    ASSERT_EQ(count(a.record, a.key, b.record, b.key), expected);
    const size_t low = std::min(i, j), high = std::max(i, j);
    if (placed[low].leaf && keyCount[placed[low].entry.key] == 1 &&
        keyCount[placed[high].entry.key] == 1) {
      // The search reads the two paths and the right edges it passes on the way up, a number
      // that depends on the tree's height only; the pages in between are counted from their
      // counts. (A low key that repeats sends the search through whole subtrees looking for
      // the record among the equal keys, and so does a low entry in an interior page.)
      const uint64_t d = static_cast<uint64_t>(shape.depth);
      EXPECT_LE(count.reads.wholePages, d * (d + 1));
      if (high - low > 200) {
        ++largeRanges;
        EXPECT_GT(count.reads.countBytes, count.reads.wholePages);
        EXPECT_GT(count.reads.countBytes, count.reads.countPages);
      }
    }
    EXPECT_FALSE(count.reads.stopped);
  }
  EXPECT_GT(largeRanges, 50u);
}

TEST(NtxRange, PageReadsOfAFullBinaryTree) {
  // M 2 and 15 entries: a full tree of 4 levels with one key per page; entry k has key "k" and
  // record k. Counting 1 to 15: the paths and right edges are read whole (root, 4, 2, 1, 3, 6, 7,
  // 12, 14, 15), the subtree of 10 from its page without the last key, and the leaves 5, 9, 11,
  // 13 from their count bytes only.
  auto env = NewMemoryEnv();
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= 15; ++r)
    entries.push_back(E(r < 10 ? "0" + std::to_string(r) : std::to_string(r), r));
  ASSERT_TRUE(BuildFrom(env.get(), "b.ntx", CharOptions(6, 2), entries).ok());
  Counter count{env.get(), "b.ntx"};
  ASSERT_EQ(count(1, Pad("01", 6), 15, Pad("15", 6)), 15);
  EXPECT_EQ(count.reads.wholePages, 10u);
  EXPECT_EQ(count.reads.countPages, 1u);
  EXPECT_EQ(count.reads.countBytes, 4u);
}

// A full binary tree of `levels` levels whose header claims `half` as its half page.
void DeepTree(Env* env, const std::string& name, int levels, uint16_t half) {
  std::vector<IndexEntry> entries;
  const uint32_t n = (1u << levels) - 1;
  for (uint32_t r = 1; r <= n; ++r) {
    std::string key = std::to_string(r);
    entries.push_back(E(std::string(6 - key.size(), '0') + key, r));
  }
  ASSERT_TRUE(BuildFrom(env, name, CharOptions(6, 2), entries).ok());
  std::string bytes = *ReadWholeFile(*env, name);
  EncodeLE16(reinterpret_cast<uint8_t*>(&bytes[kNtxHalfPageOffset]), half);
  ASSERT_TRUE(WriteWholeFile(*env, name, bytes));
}

TEST(NtxRange, LevelLimitFollowsTheHalfPage) {
  struct Case {
    int half;
    int levels;
  };
  const Case cases[] = {{2, 20}, {3, 16},  {4, 14}, {5, 13}, {6, 12},
                        {7, 11}, {50, 11}, {1, 31}, {0, 31}, {-1, 31}};
  for (const Case& c : cases) EXPECT_EQ(NtxRangeLevels(c.half), c.levels) << c.half;
}

std::string Key6(uint32_t n) {
  std::string key = std::to_string(n);
  return std::string(6 - key.size(), '0') + key;
}

TEST(NtxRange, ATreeDeeperThanTheLevelLimitStopsThere) {
  // A full tree of 12 levels; the half page 6 allows 12 levels, 7 only 11. Any first entry
  // sends the search down to the leaves (an interior one through its left subtree).
  const uint32_t last = (1u << 12) - 1;
  for (uint16_t half : {6, 7}) {
    SCOPED_TRACE(half);
    auto env = NewMemoryEnv();
    DeepTree(env.get(), "deep.ntx", 12, half);
    Counter count{env.get(), "deep.ntx"};
    for (uint32_t first : {1u, 2048u, 3000u}) {
      count.debug.clear();
      const int64_t n = count(first, Key6(first), last, Key6(last));
      if (half == 6) {
        EXPECT_EQ(n, last - first + 1);
        EXPECT_FALSE(count.reads.stopped);
        EXPECT_EQ(count.debug, "");
      } else {
        EXPECT_EQ(n, -1);
        EXPECT_TRUE(count.reads.stopped);
        EXPECT_EQ(count.debug, "NTXRange ERROR!\n");
      }
    }
  }
}

TEST(NtxRange, StoppingAfterTheFirstEntryGivesTheCountSoFar) {
  // A root whose left child is a leaf and whose right subtree is the full tree of 11 levels:
  // 12 levels on the right only (a shape only a damaged or foreign file has). The first entry
  // is found in the shallow leaf; the count then stops where the right side passes the limit.
  const uint32_t deepLast = (1u << 11) - 1;
  for (uint16_t half : {6, 7}) {
    SCOPED_TRACE(half);
    auto env = NewMemoryEnv();
    DeepTree(env.get(), "lop.ntx", 11, half);
    std::string bytes = *ReadWholeFile(*env, "lop.ntx");
    NtxHeader h;
    h.keyLength = 6;
    h.maxKeys = 2;
    const uint32_t oldRoot = DecodeLE32(reinterpret_cast<const uint8_t*>(&bytes[kNtxRootOffset]));
    const uint32_t leaf = static_cast<uint32_t>(bytes.size());
    const uint32_t root = leaf + kNtxPageSize;
    NtxPage l, r;
    l.items = {{0, 7000, Pad("", 6)}};
    r.items = {{leaf, 7001, Pad("     1", 6)}};
    r.rightChild = oldRoot;
    for (const NtxPage* p : {&l, &r}) {
      std::vector<uint8_t> page = EncodeNtxPage(*p, h);
      bytes.append(page.begin(), page.end());
    }
    EncodeLE32(reinterpret_cast<uint8_t*>(&bytes[kNtxRootOffset]), root);
    ASSERT_TRUE(WriteWholeFile(*env, "lop.ntx", bytes));
    Counter count{env.get(), "lop.ntx"};
    const int64_t n = count(7000, Pad("", 6), deepLast, Key6(deepLast));
    if (half == 6) {
      EXPECT_EQ(n, deepLast + 2);
      EXPECT_FALSE(count.reads.stopped);
    } else {
      EXPECT_TRUE(count.reads.stopped);
      EXPECT_GE(n, 2);
      EXPECT_LT(n, deepLast + 2);
      EXPECT_EQ(count.debug, "");
    }
  }
}

TEST(NtxRange, DamagedFilesEndTheCountWithoutHarm) {
  auto env = NewMemoryEnv();
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= 200; ++r) entries.push_back(E(std::to_string(1000 + r), r));
  ASSERT_TRUE(BuildFrom(env.get(), "good.ntx", CharOptions(6, 4), entries).ok());
  const std::string good = *ReadWholeFile(*env, "good.ntx");
  const uint32_t root = DecodeLE32(reinterpret_cast<const uint8_t*>(&good[kNtxRootOffset]));
  NtxHeader h;
  h.keyLength = 6;
  h.maxKeys = 4;
  const uint32_t slot0 = h.slotsOffset();  // item 0 of every page we write sits here
  struct Case {
    const char* what;
    std::function<void(std::string&)> damage;
    bool stops;
  };
  auto put32 = [](std::string& b, size_t at, uint32_t v) {
    EncodeLE32(reinterpret_cast<uint8_t*>(&b[at]), v);
  };
  const Case cases[] = {
      {"cut in the middle", [](std::string& b) { b.resize(b.size() / 2); }, true},
      {"cut inside the header", [](std::string& b) { b.resize(100); }, false},
      {"root's first child past the end",
       [&](std::string& b) { put32(b, root + slot0, 0x7FFFFC00); }, true},
      {"root's first child is the root", [&](std::string& b) { put32(b, root + slot0, root); },
       true},
      {"root count beyond max keys",
       [&](std::string& b) { EncodeLE16(reinterpret_cast<uint8_t*>(&b[root]), 5); }, true},
      {"item offset past the page",
       [&](std::string& b) { EncodeLE16(reinterpret_cast<uint8_t*>(&b[root + 2]), 1020); }, true},
      // Pages claimed larger than the file: the first read comes up short.
      {"max keys beyond the page",
       [](std::string& b) { EncodeLE16(reinterpret_cast<uint8_t*>(&b[kNtxMaxKeysOffset]), 60000); },
       true},
      // Work buffers of gigabytes are not taken: the count is 0 before any page is read.
      {"buffers too large to have",
       [](std::string& b) {
         EncodeLE16(reinterpret_cast<uint8_t*>(&b[kNtxMaxKeysOffset]), 60000);
         EncodeLE16(reinterpret_cast<uint8_t*>(&b[kNtxItemSizeOffset]), 60008);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bytes = good;
    c.damage(bytes);
    ASSERT_TRUE(WriteWholeFile(*env, "bad.ntx", bytes));
    Counter count{env.get(), "bad.ntx"};
    const int64_t n = count(1, Pad("1001", 6), 200, Pad("1200", 6));
    EXPECT_LE(n, 200);
    EXPECT_EQ(count.reads.stopped, c.stops);
  }
}

}  // namespace
}  // namespace tabrix
