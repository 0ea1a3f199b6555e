// Estimated places in a CDX tag (PositionFraction, EntryAtFraction): exact over one leaf and
// over bulk-built trees of several levels (full pages, the last page of a level partly filled),
// close after upkeep has left pages partly filled, back to front in a descending tag; an empty
// tag and a damaged page.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

using testing::CharKey;

std::string NameKey(int i) {
  char text[16];
  std::snprintf(text, sizeof text, "K%07d", i);
  return CharKey(text, 10);
}

std::vector<IndexEntry> Entries(int n) {
  std::vector<IndexEntry> out;
  for (int i = 0; i < n; ++i) out.push_back({NameKey(i), static_cast<uint32_t>(n - i)});
  return out;
}

struct Built {
  std::unique_ptr<MemoryEnv> env;
  CdxOptions options;
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
};

Built Build(int entries, int leafEntries, int interiorEntries, bool descending) {
  Built b;
  b.env = NewMemoryEnv();
  b.options.maxLeafEntries = leafEntries;
  b.options.maxInteriorEntries = interiorEntries;
  OrderInfo info = testing::CharOrder("NAME", 10);
  info.descending = descending;
  IoStatus s =
      testing::BuildFile(b.env.get(), "f.cdx", b.options, info, Entries(entries), &b.file, &b.tag);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return b;
}

struct ExactCase {
  const char* what;
  int entries, leaf, interior;
  bool descending;
};

// Bulk builds: the estimate is the exact place of every entry, and the entry at the place of
// the k-th entry is the k-th entry.
TEST(CdxFraction, BulkBuiltTreesAreEstimatedExactly) {
  const ExactCase cases[] = {
      {"one leaf", 7, 0, 0, false},
      {"one leaf, descending", 7, 0, 0, true},
      {"one entry", 1, 0, 0, false},
      {"two levels, the last leaf full", 16, 4, 4, false},
      {"two levels, the last leaf with one entry", 17, 4, 4, false},
      {"four levels, last pages partly filled", 1000, 4, 3, false},
      {"four levels, descending", 1000, 4, 3, true},
      {"pages of two entries", 300, 2, 2, false},
  };
  for (const ExactCase& c : cases) {
    SCOPED_TRACE(c.what);
    Built b = Build(c.entries, c.leaf, c.interior, c.descending);
    int depth = 0;
    ASSERT_TRUE(b.tag->Depth(&depth).ok());
    std::vector<IndexEntry> walk;
    ASSERT_TRUE(testing::WalkOrder(*b.tag, false, &walk).ok());
    ASSERT_EQ(walk.size(), static_cast<size_t>(c.entries));
    for (size_t k = 0; k < walk.size(); ++k) {
      double fraction = -1;
      ASSERT_TRUE(b.tag->PositionFraction(walk[k], &fraction).ok());
      ASSERT_NEAR(fraction * c.entries, static_cast<double>(k), 1e-6) << "entry " << k;
      const double place = c.entries > 1 ? static_cast<double>(k) / (c.entries - 1) : 0.0;
      std::optional<IndexEntry> at;
      ASSERT_TRUE(b.tag->EntryAtFraction(place, &at).ok());
      ASSERT_TRUE(at.has_value());
      ASSERT_EQ(*at, walk[k]) << "entry " << k << " depth " << depth;
    }
    // Outside 0 ... 1: the first and the last entry.
    std::optional<IndexEntry> at;
    ASSERT_TRUE(b.tag->EntryAtFraction(-0.5, &at).ok());
    EXPECT_EQ(at, walk.front());
    ASSERT_TRUE(b.tag->EntryAtFraction(1.5, &at).ok());
    EXPECT_EQ(at, walk.back());
    // An entry that is not in the tag has no place.
    double fraction = 0;
    ASSERT_TRUE(b.tag->PositionFraction({NameKey(c.entries + 5), 1}, &fraction).ok());
    EXPECT_EQ(fraction, -1.0);
  }
}

// Upkeep splits pages into partly filled ones: the estimate is no longer exact, but stays near.
TEST(CdxFraction, AfterUpkeepTheEstimateStaysNear) {
  Built b = Build(0, 8, 8, false);
  // Every third key removed after an insert of all in a scattered order.
  const int n = 6000;
  for (int i = 0; i < n; ++i) {
    const int k = (i * 2654435761u) % n;  // a permutation of 0 ... n-1 (n and the factor coprime)
    ASSERT_TRUE(b.tag->Insert({NameKey(k), static_cast<uint32_t>(k + 1)}).ok());
  }
  for (int k = 0; k < n; k += 3) {
    ASSERT_TRUE(b.tag->Remove({NameKey(k), static_cast<uint32_t>(k + 1)}).ok());
  }
  std::vector<IndexEntry> walk;
  ASSERT_TRUE(testing::WalkOrder(*b.tag, false, &walk).ok());
  const double count = static_cast<double>(walk.size());
  double worst = 0;
  for (size_t k = 0; k < walk.size(); k += 7) {
    double fraction = -1;
    ASSERT_TRUE(b.tag->PositionFraction(walk[k], &fraction).ok());
    worst = std::max(worst, std::fabs(fraction - static_cast<double>(k) / count));
  }
  EXPECT_LT(worst, 0.15);
  std::optional<IndexEntry> middle;
  ASSERT_TRUE(b.tag->EntryAtFraction(0.5, &middle).ok());
  ASSERT_TRUE(middle.has_value());
  const auto at = std::find(walk.begin(), walk.end(), *middle) - walk.begin();
  EXPECT_NEAR(static_cast<double>(at) / count, 0.5, 0.15);
}

TEST(CdxFraction, EmptyTagHasNoEntryAnywhere) {
  Built b = Build(0, 0, 0, false);
  std::optional<IndexEntry> at;
  ASSERT_TRUE(b.tag->EntryAtFraction(0.5, &at).ok());
  EXPECT_FALSE(at.has_value());
  double fraction = 0;
  ASSERT_TRUE(b.tag->PositionFraction({NameKey(1), 1}, &fraction).ok());
  EXPECT_EQ(fraction, -1.0);
}

// A damaged interior page met on the way down is corruption, for both calls.
TEST(CdxFraction, DamagedPageIsCorruption) {
  Built b = Build(200, 4, 4, false);
  std::vector<IndexEntry> walk;
  ASSERT_TRUE(testing::WalkOrder(*b.tag, false, &walk).ok());
  const uint32_t root = b.tag->root();
  b.tag.reset();
  b.file.reset();
  std::vector<uint8_t> bytes = testing::GetFile(*b.env, "f.cdx");
  ASSERT_GE(bytes.size(), root + kCdxPageSize);
  // The root's entries (after its 12-byte page header) overwritten: its child pointers lead
  // outside the file.
  std::fill(bytes.begin() + root + 12, bytes.begin() + root + kCdxPageSize, 0xEE);
  testing::PutFile(*b.env, "f.cdx", bytes);
  std::unique_ptr<CdxFile> file;
  ASSERT_TRUE(CdxFile::Open(b.env.get(), "f.cdx", b.options, &file).ok());
  std::unique_ptr<CdxTag> tag;
  IoStatus s = file->OpenTag("NAME", KeyKind::kCharacter, &tag);
  ASSERT_TRUE(s.ok()) << s.ToString();
  std::optional<IndexEntry> at;
  EXPECT_TRUE(testing::IsCorrupt(tag->EntryAtFraction(0.5, &at)));
  double fraction = 0;
  EXPECT_TRUE(testing::IsCorrupt(tag->PositionFraction(walk[100], &fraction)));
}

}  // namespace
}  // namespace tabrix
