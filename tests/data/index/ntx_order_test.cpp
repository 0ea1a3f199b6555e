// The NTX order as the table layer uses it: key forms, Seek, navigation, positions, counts and
// the upkeep rules, on small files whose content each test shows.

#include <gtest/gtest.h>

#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::BuildFrom;
using ntx_testing::CharOptions;
using ntx_testing::Pad;
using ntx_testing::Sorted;
using ntx_testing::Walk;
using ntx_testing::WalkBack;

std::unique_ptr<NtxOrder> Built(Env* env, const NtxCreateOptions& options,
                                const std::vector<IndexEntry>& entries,
                                const std::string& name = "t.ntx") {
  EXPECT_TRUE(BuildFrom(env, name, options, entries).ok());
  std::unique_ptr<NtxOrder> order;
  NtxOpenOptions open;
  open.kind = options.kind;
  EXPECT_TRUE(NtxOrder::Open(env, name, open, &order).ok());
  return order;
}

// A file laid out page by page, as another program might have written it.
void WritePages(Env* env, const std::string& name, const NtxHeader& header,
                const std::vector<std::pair<uint32_t, NtxPage>>& pages) {
  std::string bytes(kNtxPageSize * (pages.size() + 1), '\0');
  std::vector<uint8_t> head = EncodeNtxHeader(header);
  std::copy(head.begin(), head.end(), bytes.begin());
  for (const auto& [offset, page] : pages) {
    std::vector<uint8_t> p = EncodeNtxPage(page, header);
    std::copy(p.begin(), p.end(), bytes.begin() + offset);
  }
  ASSERT_TRUE(testing_support::WriteWholeFile(*env, name, bytes));
}

IndexEntry E(const char* key, uint32_t record, size_t length = 8) {
  return {Pad(key, length), record};
}

TEST(NtxOrder, EncodeKeyGivesEachKindItsForm) {
  struct Case {
    const char* what;
    KeyKind kind;
    int length;
    int decimals;
    Value value;
    bool partial;
    const char* key;  // nullptr: refused
  };
  const Case cases[] = {
      {"text padded", KeyKind::kCharacter, 6, 0, std::string("ab"), false, "ab    "},
      {"text cut", KeyKind::kCharacter, 3, 0, std::string("abcdef"), false, "abc"},
      {"partial keeps its length", KeyKind::kCharacter, 6, 0, std::string("ab"), true, "ab"},
      {"partial cut to the key", KeyKind::kCharacter, 3, 0, std::string("abcdef"), true, "abc"},
      {"number for text", KeyKind::kCharacter, 6, 0, int32_t{5}, false, nullptr},
      {"decimal", KeyKind::kNumeric, 6, 2, Decimal::FromText("-12.5").value(), false, ",+*.',"},
      {"integer", KeyKind::kNumeric, 4, 0, int32_t{42}, false, "0042"},
      {"double", KeyKind::kNumeric, 6, 2, 0.125, false, "000.13"},
      {"number too wide", KeyKind::kNumeric, 4, 0, int32_t{10000}, false, nullptr},
      {"widest number", KeyKind::kNumeric, 4, 0, int32_t{9999}, false, "9999"},
      {"text for a number", KeyKind::kNumeric, 4, 0, std::string("1"), false, nullptr},
      {"date", KeyKind::kDate, 8, 0, Date{2001, 2, 3}, false, "20010203"},
      {"empty date", KeyKind::kDate, 8, 0, Date{}, false, "        "},
      {"text for a date", KeyKind::kDate, 8, 0, std::string("20010203"), false, nullptr},
      {"logical", KeyKind::kLogical, 1, 0, true, false, "T"},
      {"null", KeyKind::kCharacter, 4, 0, Null{}, false, nullptr},
      {"date-time", KeyKind::kDateTime, 8, 0, DateTime{}, false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto env = NewMemoryEnv();
    NtxCreateOptions o = CharOptions(c.length);
    o.kind = c.kind;
    o.decimals = c.decimals;
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Create(env.get(), "k.ntx", o, &order).ok());
    std::string key;
    IoStatus s = order->EncodeKey(c.value, c.partial, &key);
    ASSERT_EQ(s.ok(), c.key != nullptr) << s.ToString();
    if (c.key) {
      EXPECT_EQ(key, c.key);
    } else {
      EXPECT_EQ(s.osCode(), kOsInvalidParameter);
    }
  }
}

TEST(NtxOrder, CreateOptionsAtTheirLimits) {
  struct Case {
    const char* what;
    int keyLength;
    int decimals;
    int maxKeys;
    size_t expression;
    bool ok;
  };
  const int fit10 = NtxMaxKeysForKeyLength(10);
  const Case cases[] = {
      {"key 0", 0, 0, 0, 4, false},
      {"key 1", 1, 0, 0, 4, true},
      {"key 256", 256, 0, 0, 4, true},
      {"key 257", 257, 0, 0, 4, false},
      {"max keys 1", 10, 0, 1, 4, false},
      {"max keys 2", 10, 0, 2, 4, true},
      {"max keys that fit", 10, 0, fit10, 4, true},
      {"one more than fit", 10, 0, fit10 + 1, 4, false},
      {"expression 255", 10, 0, 0, 255, true},
      {"expression 256", 10, 0, 0, 256, false},
      {"decimals up to key - 2", 10, 8, 0, 4, true},
      {"decimals key - 1", 10, 9, 0, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto env = NewMemoryEnv();
    NtxCreateOptions o = CharOptions(c.keyLength, c.maxKeys);
    o.decimals = c.decimals;
    o.keyExpression.assign(c.expression, 'E');
    std::unique_ptr<NtxOrder> order;
    IoStatus s = NtxOrder::Create(env.get(), "c.ntx", o, &order);
    EXPECT_EQ(s.ok(), c.ok) << s.ToString();
    if (s.ok()) {
      std::unique_ptr<NtxOrder> again;
      ASSERT_TRUE(NtxOrder::Open(env.get(), "c.ntx", {}, &again).ok());
      EXPECT_EQ(again->Info().keyLength, c.keyLength);
      EXPECT_EQ(again->Info().keyExpression, o.keyExpression);
    }
  }
}

class NtxSeekTest : public ::testing::Test {
 protected:
  void SetUp() override {
    order_ = Built(
        env_.get(), CharOptions(8),
        {E("Meier", 7), E("Adams", 1), E("Smith", 2), E("Meier", 3), E("Smyth", 5), E("Zorn", 4)});
  }
  std::optional<IndexEntry> Seek(const std::string& key) {
    std::optional<IndexEntry> e;
    EXPECT_TRUE(order_->Seek(key, &e).ok());
    return e;
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order_;
};

TEST_F(NtxSeekTest, HitMissSoftMissAndPartialKeys) {
  struct Case {
    const char* what;
    std::string key;
    std::optional<IndexEntry> expected;
  };
  const Case cases[] = {
      {"hit: the first record of the key", Pad("Meier", 8), E("Meier", 3)},
      {"partial hit", "Me", E("Meier", 3)},
      {"partial hit on the second of two", "Smy", E("Smyth", 5)},
      {"soft miss: the next greater key", "Mz", E("Smith", 2)},
      {"soft miss between prefixes", "Smz", E("Zorn", 4)},
      {"before everything", "A", E("Adams", 1)},
      {"empty key", "", E("Adams", 1)},
      {"past the end", "Zz", std::nullopt},
      {"longer than the key", "Smith   and more", E("Smith", 2)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Seek(c.key), c.expected);
  }
}

TEST(NtxOrder, EmptyIndexHasNothing) {
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "e.ntx", CharOptions(8), &order).ok());
  std::optional<IndexEntry> e = E("x", 1);
  EXPECT_TRUE(order->Seek("", &e).ok());
  EXPECT_FALSE(e);
  e = E("x", 1);
  EXPECT_TRUE(order->First(&e).ok());
  EXPECT_FALSE(e);
  EXPECT_TRUE(order->Last(&e).ok());
  EXPECT_FALSE(e);
  EXPECT_TRUE(order->Next(E("a", 1), &e).ok());
  EXPECT_FALSE(e);
  uint32_t n = 9, position = 9;
  EXPECT_TRUE(order->KeyCount(&n).ok());
  EXPECT_EQ(n, 0u);
  EXPECT_TRUE(order->KeyPosition(E("a", 1), &position).ok());
  EXPECT_EQ(position, 0u);
  EXPECT_TRUE(order->Remove(E("a", 1)).ok());
}

TEST_F(NtxSeekTest, NavigationFromEntriesPresentAndGone) {
  struct Case {
    const char* what;
    IndexEntry from;
    std::optional<IndexEntry> next;
    std::optional<IndexEntry> previous;
  };
  const Case cases[] = {
      {"between equal keys", E("Meier", 3), E("Meier", 7), E("Adams", 1)},
      {"first", E("Adams", 1), E("Meier", 3), std::nullopt},
      {"last", E("Zorn", 4), std::nullopt, E("Smyth", 5)},
      {"gone, between equal keys", E("Meier", 5), E("Meier", 7), E("Meier", 3)},
      {"gone, before everything", E("A", 9), E("Adams", 1), std::nullopt},
      {"gone, after everything", E("Zz", 1), std::nullopt, E("Zorn", 4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<IndexEntry> e;
    ASSERT_TRUE(order_->Next(c.from, &e).ok());
    EXPECT_EQ(e, c.next);
    ASSERT_TRUE(order_->Previous(c.from, &e).ok());
    EXPECT_EQ(e, c.previous);
  }
}

TEST(NtxOrder, PositionsAndCountOverADeepTree) {
  auto env = NewMemoryEnv();
  std::vector<IndexEntry> entries;
  ntx_testing::Lcg g(5);
  for (uint32_t r = 1; r <= 500; ++r) entries.push_back(E(std::to_string(g.Below(300)).c_str(), r));
  auto order = Built(env.get(), CharOptions(8, 2), entries);
  NtxTreeShape shape;
  ASSERT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
  EXPECT_GE(shape.depth, 6);
  const std::vector<IndexEntry> sorted = Sorted(entries);
  std::vector<IndexEntry> walked;
  ASSERT_TRUE(Walk(*order, &walked).ok());
  EXPECT_EQ(walked, sorted);
  ASSERT_TRUE(WalkBack(*order, &walked).ok());
  EXPECT_EQ(walked, std::vector<IndexEntry>(sorted.rbegin(), sorted.rend()));
  for (size_t i = 0; i < sorted.size(); ++i) {
    uint32_t position = 0;
    ASSERT_TRUE(order->KeyPosition(sorted[i], &position).ok());
    ASSERT_EQ(position, i + 1) << i;
  }
  uint32_t position = 7, count = 0;
  ASSERT_TRUE(order->KeyPosition(E("1", 9999), &position).ok());
  EXPECT_EQ(position, 0u);
  ASSERT_TRUE(order->KeyCount(&count).ok());
  EXPECT_EQ(count, 500u);
}

TEST(NtxOrder, UniqueKeepsTheFirstRecordAndPairsAreNeverRepeated) {
  auto env = NewMemoryEnv();
  NtxCreateOptions o = CharOptions(8);
  o.unique = true;
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "u.ntx", o, &order).ok());
  ASSERT_TRUE(order->Insert(E("b", 4)).ok());
  ASSERT_TRUE(order->Insert(E("b", 2)).ok());
  ASSERT_TRUE(order->Insert(E("a", 9)).ok());
  ASSERT_TRUE(order->Insert(E("a", 9)).ok());
  std::vector<IndexEntry> walked;
  ASSERT_TRUE(Walk(*order, &walked).ok());
  EXPECT_EQ(walked, (std::vector<IndexEntry>{E("a", 9), E("b", 4)}));

  std::unique_ptr<NtxOrder> plain;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "p.ntx", CharOptions(8), &plain).ok());
  for (int i = 0; i < 2; ++i) ASSERT_TRUE(plain->Insert(E("a", 9)).ok());
  ASSERT_TRUE(plain->Insert(E("a", 3)).ok());
  ASSERT_TRUE(plain->Remove(E("a", 5)).ok());
  ASSERT_TRUE(Walk(*plain, &walked).ok());
  EXPECT_EQ(walked, (std::vector<IndexEntry>{E("a", 3), E("a", 9)}));
}

TEST(NtxOrder, KeysOfTheWrongLengthAreRefused) {
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "w.ntx", CharOptions(8), &order).ok());
  std::optional<IndexEntry> e;
  uint32_t position = 0;
  for (size_t length : {7u, 9u}) {
    const IndexEntry bad{std::string(length, 'a'), 1};
    EXPECT_EQ(order->Insert(bad).osCode(), kOsInvalidParameter);
    EXPECT_EQ(order->Remove(bad).osCode(), kOsInvalidParameter);
    EXPECT_EQ(order->Next(bad, &e).osCode(), kOsInvalidParameter);
    EXPECT_EQ(order->Previous(bad, &e).osCode(), kOsInvalidParameter);
    EXPECT_EQ(order->KeyPosition(bad, &position).osCode(), kOsInvalidParameter);
  }
  EXPECT_TRUE(order->Insert({std::string(8, 'a'), 1}).ok());
}

// Another program inserted changed keys after the equal keys already there: runs of equal keys
// out of record order, a valid file.
class NtxForeignRunsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    NtxHeader h;
    h.keyLength = 8;
    h.maxKeys = 4;
    h.halfPage = 2;
    h.root = 3 * kNtxPageSize;
    NtxPage left, right, root;
    left.items = {{0, 5, Pad("A", 8)}, {0, 2, Pad("A", 8)}};
    right.items = {{0, 9, Pad("B", 8)}, {0, 4, Pad("B", 8)}, {0, 3, Pad("C", 8)}};
    root.items = {{kNtxPageSize, 1, Pad("B", 8)}};
    root.rightChild = 2 * kNtxPageSize;
    WritePages(env_.get(), "f.ntx", h,
               {{kNtxPageSize, left}, {2 * kNtxPageSize, right}, {3 * kNtxPageSize, root}});
    ASSERT_TRUE(NtxOrder::Open(env_.get(), "f.ntx", {}, &order_).ok());
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order_;
};

TEST_F(NtxForeignRunsTest, EntriesAreFoundWhereTheFileKeepsThem) {
  std::vector<IndexEntry> walked;
  ASSERT_TRUE(Walk(*order_, &walked).ok());
  const std::vector<IndexEntry> fileOrder = {E("A", 5), E("A", 2), E("B", 1),
                                             E("B", 9), E("B", 4), E("C", 3)};
  EXPECT_EQ(walked, fileOrder);
  for (size_t i = 0; i < fileOrder.size(); ++i) {
    // A fresh order each time, so nothing is remembered from a walk.
    std::unique_ptr<NtxOrder> fresh;
    ASSERT_TRUE(NtxOrder::Open(env_.get(), "f.ntx", {}, &fresh).ok());
    uint32_t position = 0;
    ASSERT_TRUE(fresh->KeyPosition(fileOrder[i], &position).ok());
    EXPECT_EQ(position, i + 1);
    std::optional<IndexEntry> e;
    ASSERT_TRUE(fresh->Next(fileOrder[i], &e).ok());
    EXPECT_EQ(e, i + 1 < fileOrder.size() ? std::optional(fileOrder[i + 1]) : std::nullopt);
    ASSERT_TRUE(fresh->Previous(fileOrder[i], &e).ok());
    EXPECT_EQ(e, i > 0 ? std::optional(fileOrder[i - 1]) : std::nullopt);
  }
  ASSERT_TRUE(order_->Remove(E("A", 2)).ok());
  ASSERT_TRUE(order_->Remove(E("B", 4)).ok());
  ASSERT_TRUE(Walk(*order_, &walked).ok());
  EXPECT_EQ(walked, (std::vector<IndexEntry>{E("A", 5), E("B", 1), E("B", 9), E("C", 3)}));
}

TEST(NtxOrder, ReadOnlyOpensAndOtherIndexKindsRefuseWrites) {
  auto env = NewMemoryEnv();
  ASSERT_TRUE(BuildFrom(env.get(), "r.ntx", CharOptions(8), {E("a", 1)}).ok());
  NtxOpenOptions readOnly;
  readOnly.readOnly = true;
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Open(env.get(), "r.ntx", readOnly, &order).ok());
  EXPECT_EQ(order->Insert(E("b", 2)).osCode(), kOsAccessDenied);
  order.reset();

  // A conditional index (signature 7): read, never written.
  std::string bytes = *testing_support::ReadWholeFile(*env, "r.ntx");
  bytes[0] = 7;
  ASSERT_TRUE(testing_support::WriteWholeFile(*env, "r.ntx", bytes));
  ASSERT_TRUE(NtxOrder::Open(env.get(), "r.ntx", {}, &order).ok());
  std::optional<IndexEntry> e;
  ASSERT_TRUE(order->First(&e).ok());
  EXPECT_EQ(e, E("a", 1));
  EXPECT_EQ(order->Insert(E("b", 2)).osCode(), kOsAccessDenied);
  EXPECT_EQ(order->Remove(E("a", 1)).osCode(), kOsAccessDenied);
}

}  // namespace
}  // namespace tabrix
