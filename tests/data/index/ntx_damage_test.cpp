// Damaged NTX files: every operation of the order ends with an answer or a damaged-index status,
// never a crash or a walk without end, and the page checker names the damage.

#include <gtest/gtest.h>

#include <functional>

#include "data/base/byte_coding.h"
#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::BuildFrom;
using ntx_testing::CharOptions;
using ntx_testing::Pad;
using testing_support::ReadWholeFile;
using testing_support::WriteWholeFile;

constexpr uint32_t kEntries = 200;

// The built file and a view of its pages to aim the damage.
struct Subject {
  std::string bytes;
  NtxHeader header;

  uint8_t* at(size_t offset) { return reinterpret_cast<uint8_t*>(&bytes[offset]); }
  uint32_t root() { return DecodeLE32(at(kNtxRootOffset)); }
  NtxPage Page(uint32_t offset) {
    NtxPage p;
    EXPECT_TRUE(DecodeNtxPage({at(offset), header.pageUsedBytes()}, header, offset, "d", &p).ok());
    return p;
  }
  // Where item i of the page at offset keeps its child pointer.
  size_t ItemAt(uint32_t offset, int i) { return offset + DecodeLE16(at(offset + 2 + 2 * i)); }
  uint32_t FirstLeaf() {
    uint32_t page = root();
    while (!Page(page).leaf()) page = Page(page).child(0);
    return page;
  }
};

// A walk that must end by itself well within the entries the file can hold.
IoStatus CappedWalk(IndexOrder& order, bool backward, bool* endless) {
  std::optional<IndexEntry> e;
  IoStatus s = backward ? order.Last(&e) : order.First(&e);
  for (uint32_t steps = 0; s.ok() && e; ++steps) {
    if (steps > 10 * kEntries) {
      *endless = true;
      return s;
    }
    const IndexEntry from = *e;
    s = backward ? order.Previous(from, &e) : order.Next(from, &e);
  }
  return s;
}

bool Answer(const IoStatus& s) {
  return s.ok() || s.osCode() == kNtxCorruptCode;
}

TEST(NtxDamage, EveryOperationAnswersOrReportsTheDamage) {
  auto env = NewMemoryEnv();
  std::vector<IndexEntry> entries;
  for (uint32_t r = 1; r <= kEntries; ++r) entries.push_back({Pad(std::to_string(1000 + r), 6), r});
  ASSERT_TRUE(BuildFrom(env.get(), "good.ntx", CharOptions(6, 4), entries).ok());
  Subject good{*ReadWholeFile(*env, "good.ntx"), {}};
  good.header =
      ParseNtxHeader(std::span<const uint8_t>(good.at(0), kNtxPageSize), good.bytes.size(), "good")
          .value();
  ASSERT_GE(good.Page(good.Page(good.root()).child(0)).leaf() ? 2 : 3, 3) << "needs 3 levels";

  struct Case {
    const char* what;
    std::function<void(Subject&)> damage;
    bool opens;
    bool walkFails;  // a full walk meets the damage
  };
  const Case cases[] = {
      // The bulk build writes the root last, so a cut file loses its root.
      {"cut to half its pages",
       [](Subject& s) { s.bytes.resize(s.bytes.size() / 2 / 1024 * 1024); }, false, false},
      {"cut inside the root's bytes",
       [](Subject& s) { s.bytes.resize(s.bytes.size() - kNtxPageSize + 50); }, false, false},
      {"cut inside the header", [](Subject& s) { s.bytes.resize(200); }, false, false},
      {"root past the end", [](Subject& s) { EncodeLE32(s.at(kNtxRootOffset), 0x40000000); }, false,
       false},
      {"child past the end",
       [](Subject& s) { EncodeLE32(s.at(s.ItemAt(s.root(), 0)), 0x7FFFFC00); }, true, true},
      {"child pointing back at the root",
       [](Subject& s) { EncodeLE32(s.at(s.ItemAt(s.root(), 1)), s.root()); }, true, true},
      {"two children on one page",
       [](Subject& s) { EncodeLE32(s.at(s.ItemAt(s.root(), 1)), s.Page(s.root()).child(0)); }, true,
       true},
      {"a leaf hung one level too high",
       [](Subject& s) { EncodeLE32(s.at(s.ItemAt(s.root(), 1)), s.FirstLeaf()); }, true, true},
      {"count beyond max keys", [](Subject& s) { EncodeLE16(s.at(s.FirstLeaf()), 5); }, true, true},
      {"item offset outside the page",
       [](Subject& s) { EncodeLE16(s.at(s.FirstLeaf() + 2), 1000); }, true, true},
      {"keys out of order",
       [](Subject& s) {
         const uint32_t leaf = s.FirstLeaf();
         const uint16_t first = DecodeLE16(s.at(leaf + 2));
         EncodeLE16(s.at(leaf + 2), DecodeLE16(s.at(leaf + 4)));
         EncodeLE16(s.at(leaf + 4), first);
       },
       true, true},
      {"free list looping on itself",
       [](Subject& s) {
         const uint32_t page = static_cast<uint32_t>(s.bytes.size());
         s.bytes.append(kNtxPageSize, '\0');
         EncodeLE32(s.at(page), page);
         EncodeLE32(s.at(kNtxFreeOffset), page);
       },
       true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Subject s = good;
    c.damage(s);
    ASSERT_TRUE(WriteWholeFile(*env, "bad.ntx", s.bytes));
    std::unique_ptr<NtxOrder> order;
    const IoStatus open = NtxOrder::Open(env.get(), "bad.ntx", {}, &order);
    ASSERT_EQ(open.ok(), c.opens) << open.ToString();
    if (!open.ok()) {
      EXPECT_EQ(open.osCode(), kNtxCorruptCode);
      continue;
    }
    for (bool backward : {false, true}) {
      bool endless = false;
      const IoStatus w = CappedWalk(*order, backward, &endless);
      EXPECT_FALSE(endless);
      EXPECT_EQ(w.ok(), !c.walkFails) << w.ToString();
      EXPECT_TRUE(Answer(w)) << w.ToString();
    }
    std::optional<IndexEntry> e;
    uint32_t n = 0;
    EXPECT_TRUE(Answer(order->Seek("1100", &e)));
    EXPECT_TRUE(Answer(order->KeyCount(&n)));
    EXPECT_TRUE(Answer(order->KeyPosition(entries[150], &n)));
    for (uint32_t r = 0; r < 20; ++r) {
      EXPECT_TRUE(Answer(order->Insert({Pad(std::to_string(2000 + r), 6), 500 + r})));
    }
    EXPECT_TRUE(Answer(order->Remove(entries[3])));
    NtxTreeShape shape;
    const IoStatus check = CheckNtxTree(order->store(), {}, &shape);
    EXPECT_EQ(check.osCode(), kNtxCorruptCode) << check.ToString();
  }
}

}  // namespace
}  // namespace tabrix
