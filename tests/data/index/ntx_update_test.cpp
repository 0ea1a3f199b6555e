// Insert and Remove keep a valid tree: thousands of random changes with small pages (splits and
// merges on most calls), checked page by page against a model, and the bulk build's shapes.

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "data/index/ntx_range.h"
#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::BuildFrom;
using ntx_testing::CharOptions;
using ntx_testing::Lcg;
using ntx_testing::Pad;
using ntx_testing::Walk;

struct EntryLess {
  bool operator()(const IndexEntry& a, const IndexEntry& b) const {
    return NtxCompareEntries(a.key, a.record, b.key, b.record) < 0;
  }
};

// Every page of the file is the header, a tree page or a free page: none is lost.
void ExpectNoPageLost(NtxOrder& order, const NtxTreeShape& shape) {
  EXPECT_EQ(order.store()->fileSize() / kNtxPageSize, 1 + shape.pages + shape.freePages);
}

void ExpectValid(NtxOrder& order, const std::set<IndexEntry, EntryLess>& model,
                 NtxTreeShape* shape) {
  IoStatus s = CheckNtxTree(order.store(), {}, shape);
  ASSERT_TRUE(s.ok()) << s.ToString();
  std::vector<IndexEntry> walked;
  ASSERT_TRUE(Walk(order, &walked).ok());
  ASSERT_EQ(walked, std::vector<IndexEntry>(model.begin(), model.end()));
  uint32_t count = 0;
  ASSERT_TRUE(order.KeyCount(&count).ok());
  EXPECT_EQ(count, model.size());
  ExpectNoPageLost(order, *shape);
}

struct PropertyCase {
  int maxKeys;
  int keyRange;  // keys "0" ... keyRange - 1: small ranges give long runs of equal keys
};

class NtxUpdatePropertyTest : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(NtxUpdatePropertyTest, RandomChangesKeepAValidTreeEqualToAFreshBuild) {
  const PropertyCase c = GetParam();
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "p.ntx", CharOptions(4, c.maxKeys), &order).ok());
  std::set<IndexEntry, EntryLess> model;
  std::vector<IndexEntry> present;
  Lcg g(2024 + c.maxKeys);
  NtxTreeShape shape;
  int maxDepth = 0;
  for (int step = 1; step <= 6000; ++step) {
    // Grow to about 800 entries, then shrink to nothing, then grow again.
    const bool growing = step < 2500 || step > 4500;
    const bool insert = present.empty() || g.Below(100) < (growing ? 70u : 25u);
    if (insert) {
      IndexEntry e{Pad(std::to_string(g.Below(c.keyRange)), 4), 1 + g.Below(100000)};
      ASSERT_TRUE(order->Insert(e).ok());
      if (model.insert(e).second) present.push_back(e);
    } else {
      const size_t at = g.Below(present.size());
      ASSERT_TRUE(order->Remove(present[at]).ok());
      model.erase(present[at]);
      present[at] = present.back();
      present.pop_back();
    }
    if (step % 500 == 0 || (step > 4000 && present.size() < 5)) {
      SCOPED_TRACE(step);
      ExpectValid(*order, model, &shape);
      maxDepth = std::max(maxDepth, shape.depth);
    }
  }
  EXPECT_GE(maxDepth, c.maxKeys <= 4 ? 5 : 2);

  // The same entries built afresh.
  std::vector<IndexEntry> fresh;
  ASSERT_TRUE(BuildFrom(env.get(), "f.ntx", CharOptions(4, c.maxKeys), present).ok());
  std::unique_ptr<NtxOrder> built;
  ASSERT_TRUE(NtxOrder::Open(env.get(), "f.ntx", {}, &built).ok());
  ASSERT_TRUE(Walk(*built, &fresh).ok());
  std::vector<IndexEntry> walked;
  ASSERT_TRUE(Walk(*order, &walked).ok());
  EXPECT_EQ(walked, fresh);

  // The range count reads the updated tree like a walk.
  for (int round = 0; round < 50 && walked.size() > 1; ++round) {
    const size_t i = g.Below(walked.size()), j = g.Below(walked.size());
    const int64_t n = NtxRangeCount(env.get(), 1, walked[i].record, walked[i].key, walked[j].record,
                                    walked[j].key, false, true, "p.ntx", nullptr);
    EXPECT_EQ(n, static_cast<int64_t>(i > j ? i - j : j - i) + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, NtxUpdatePropertyTest,
                         ::testing::Values(PropertyCase{2, 5000}, PropertyCase{3, 5000},
                                           PropertyCase{3, 20}, PropertyCase{4, 300},
                                           PropertyCase{NtxMaxKeysForKeyLength(4), 5000}),
                         [](const auto& info) {
                           return "M" + std::to_string(info.param.maxKeys) + "_keys" +
                                  std::to_string(info.param.keyRange);
                         });

TEST(NtxUpdate, EmptiedIndexReusesItsPages) {
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "r.ntx", CharOptions(4, 3), &order).ok());
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= 300; ++r) entries.push_back({Pad(std::to_string(r), 4), r});
  for (const IndexEntry& e : entries) ASSERT_TRUE(order->Insert(e).ok());
  const uint64_t grown = order->store()->fileSize();
  for (const IndexEntry& e : entries) ASSERT_TRUE(order->Remove(e).ok());
  NtxTreeShape shape;
  ASSERT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
  EXPECT_EQ(shape.pages, 1u);
  EXPECT_EQ(shape.entries, 0u);
  EXPECT_EQ(shape.freePages, grown / kNtxPageSize - 2);
  for (const IndexEntry& e : entries) ASSERT_TRUE(order->Insert(e).ok());
  EXPECT_EQ(order->store()->fileSize(), grown);
  ASSERT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
  EXPECT_EQ(shape.entries, 300u);
}

TEST(NtxUpdate, UniqueIndexKeepsTheFirstRecordThroughChanges) {
  auto env = NewMemoryEnv();
  NtxCreateOptions o = CharOptions(4, 3);
  o.unique = true;
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "u.ntx", o, &order).ok());
  std::map<std::string, uint32_t> model;
  Lcg g(77);
  for (int step = 0; step < 3000; ++step) {
    const std::string key = Pad(std::to_string(g.Below(200)), 4);
    const uint32_t record = 1 + g.Below(1000);
    if (g.Below(3) != 0) {
      ASSERT_TRUE(order->Insert({key, record}).ok());
      model.emplace(key, record);
    } else if (model.count(key)) {
      ASSERT_TRUE(order->Remove({key, model[key]}).ok());
      model.erase(key);
    }
  }
  std::vector<IndexEntry> walked, expected;
  ASSERT_TRUE(Walk(*order, &walked).ok());
  for (const auto& [key, record] : model) expected.push_back({key, record});
  EXPECT_EQ(walked, ntx_testing::Sorted(expected));
  NtxTreeShape shape;
  EXPECT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
}

TEST(NtxBuild, EveryCountGivesAValidTreeWithTheRightEdgeMended) {
  // Every entry count up to a few full levels, so the last page of each level is left with
  // anything from no key to a full page before the edge is mended.
  for (int maxKeys : {2, 3, 4, 5, 10}) {
    for (uint32_t n = 0; n <= 400; n += n < 140 ? 1 : 37) {
      SCOPED_TRACE(std::to_string(maxKeys) + " keys a page, " + std::to_string(n) + " entries");
      auto env = NewMemoryEnv();
      std::vector<IndexEntry> entries;
      for (uint32_t r = 1; r <= n; ++r) entries.push_back({Pad(std::to_string(r), 4), r});
      ASSERT_TRUE(BuildFrom(env.get(), "e.ntx", CharOptions(4, maxKeys), entries).ok());
      std::unique_ptr<NtxOrder> order;
      ASSERT_TRUE(NtxOrder::Open(env.get(), "e.ntx", {}, &order).ok());
      NtxTreeShape shape;
      std::vector<IndexEntry> checked;
      IoStatus s = CheckNtxTree(order->store(), {}, &shape, &checked);
      ASSERT_TRUE(s.ok()) << s.ToString();
      ASSERT_EQ(checked, ntx_testing::Sorted(entries));
      ExpectNoPageLost(*order, shape);
    }
  }
}

TEST(NtxBuild, BuiltTreesAreValidAndFilledToNineTenths) {
  for (uint32_t n : {0u, 1u, 50u, 51u, 2500u, 20000u}) {
    SCOPED_TRACE(n);
    auto env = NewMemoryEnv();
    std::vector<IndexEntry> entries;
    for (uint32_t r = 1; r <= n; ++r) entries.push_back({Pad(std::to_string(r % 977), 10), r});
    ASSERT_TRUE(BuildFrom(env.get(), "b.ntx", CharOptions(10), entries).ok());
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Open(env.get(), "b.ntx", {}, &order).ok());
    NtxTreeShape shape;
    IoStatus s = CheckNtxTree(order->store(), {}, &shape);
    ASSERT_TRUE(s.ok()) << s.ToString();
    EXPECT_EQ(shape.entries, n);
    EXPECT_EQ(shape.freePages, 0u);
    if (n >= 2500) {
      // Leaves hold 45 of M = 50 keys, give or take one.
      EXPECT_LE(shape.leaves * 45, n);
      EXPECT_GE(shape.leaves * 46, n - (shape.pages - shape.leaves) * 50);
    }
  }
}

TEST(NtxBuild, SourcesOutOfOrderAreRefusedAndUniqueKeysKeepTheFirstRecord) {
  // Hands out the entries, then fails with kOsHandleEof when `fails`.
  struct Source final : NtxSortedEntries {
    std::vector<IndexEntry> entries;
    bool fails = false;
    size_t next = 0;
    IoStatus Next(IndexEntry* e, bool* done) override {
      *done = false;
      if (next == entries.size() && fails) return IoStatus::Error(kOsHandleEof, "read", "sort");
      *done = next == entries.size();
      if (!*done) *e = entries[next++];
      return IoStatus::Ok();
    }
  };
  struct Case {
    const char* what;
    std::vector<IndexEntry> entries;
    bool unique;
    bool fails;
    int code;
    std::vector<IndexEntry> indexed;
  };
  const Case cases[] = {
      {"in order",
       {{"a ", 1}, {"a ", 2}, {"b ", 1}},
       false,
       false,
       kOsOk,
       {{"a ", 1}, {"a ", 2}, {"b ", 1}}},
      {"unique: the first record of a key",
       {{"a ", 1}, {"a ", 2}, {"b ", 3}, {"b ", 4}},
       true,
       false,
       kOsOk,
       {{"a ", 1}, {"b ", 3}}},
      {"records out of order", {{"a ", 2}, {"a ", 1}}, false, false, kOsInvalidParameter, {}},
      {"keys out of order", {{"b ", 1}, {"a ", 2}}, false, false, kOsInvalidParameter, {}},
      {"pair twice", {{"a ", 1}, {"a ", 1}}, false, false, kOsInvalidParameter, {}},
      {"key of the wrong length", {{"abc", 1}}, false, false, kOsInvalidParameter, {}},
      {"source failing", {{"a ", 1}}, false, true, kOsHandleEof, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto env = NewMemoryEnv();
    Source source;
    source.entries = c.entries;
    source.fails = c.fails;
    NtxCreateOptions o = CharOptions(2);
    o.unique = c.unique;
    ASSERT_EQ(BuildNtx(env.get(), "s.ntx", o, &source).osCode(), c.code);
    if (c.code != kOsOk) continue;
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Open(env.get(), "s.ntx", {}, &order).ok());
    std::vector<IndexEntry> walked;
    ASSERT_TRUE(Walk(*order, &walked).ok());
    EXPECT_EQ(walked, c.indexed);
  }
}

}  // namespace
}  // namespace tabrix
