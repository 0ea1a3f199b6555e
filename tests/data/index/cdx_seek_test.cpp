// Seek on CDX tags: hits, misses, soft misses onto the next key, partial character keys, empty
// tags, descending tags, numeric keys; over trees of one leaf and of several levels.

#include <gtest/gtest.h>

#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

using testing::CharKey;

struct SeekCase {
  const char* what;
  std::string key;                     // search key, may be partial
  std::optional<std::string> wantKey;  // entry found (full key), nullopt: at the end
  uint32_t wantRecord = 0;
};

// Names with duplicates; records chosen so that equal keys are not in record order by input.
std::vector<IndexEntry> Names(int keyLength) {
  const std::pair<const char*, uint32_t> rows[] = {
      {"MEIER", 7},  {"MEIERHOF", 3}, {"MUELLER", 12}, {"MEIER", 2}, {"ABEL", 9},
      {"ZANDER", 1}, {"MUELLER", 4},  {"BAUER", 5},    {"", 6},      {"M", 8},
  };
  std::vector<IndexEntry> out;
  for (auto& [name, record] : rows) out.push_back({CharKey(name, keyLength), record});
  return out;
}

class CdxSeek : public ::testing::TestWithParam<int> {};  // param: most entries per leaf

TEST_P(CdxSeek, CharacterKeysAscending) {
  auto env = NewMemoryEnv();
  CdxOptions options;
  options.maxLeafEntries = GetParam();
  options.maxInteriorEntries = 2;
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
  ASSERT_TRUE(testing::BuildFile(env.get(), "s.cdx", options, testing::CharOrder("NAME", 10),
                                 Names(10), &file, &tag)
                  .ok());
  const SeekCase cases[] = {
      {"hit takes the lowest record", "MEIER", CharKey("MEIER", 10), 2},
      {"full-length hit", CharKey("MUELLER", 10), CharKey("MUELLER", 10), 4},
      {"partial key hits the first match", "MEI", CharKey("MEIER", 10), 2},
      {"soft miss lands on the next key", "MEIERA", CharKey("MEIERHOF", 10), 3},
      {"soft miss between leaves", "N", CharKey("ZANDER", 10), 1},
      {"before everything", "", CharKey("", 10), 6},
      {"blank key", " ", CharKey("", 10), 6},
      {"past the last key", "ZZ", std::nullopt},
      {"one byte after the last key", CharKey("ZANDER", 9) + "!", std::nullopt},
      {"single letter key sorts before longer", "M", CharKey("M", 10), 8},
  };
  for (const SeekCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<IndexEntry> e;
    IoStatus s = tag->Seek(c.key, &e);
    ASSERT_TRUE(s.ok()) << s.ToString();
    ASSERT_EQ(e.has_value(), c.wantKey.has_value());
    if (!e) continue;
    EXPECT_EQ(e->key, *c.wantKey);
    EXPECT_EQ(e->record, c.wantRecord);
  }
  std::optional<IndexEntry> e;
  EXPECT_EQ(tag->Seek(std::string(11, 'A'), &e).osCode(), kOsInvalidParameter);
}

TEST_P(CdxSeek, CharacterKeysDescending) {
  auto env = NewMemoryEnv();
  CdxOptions options;
  options.maxLeafEntries = GetParam();
  options.maxInteriorEntries = 2;
  OrderInfo info = testing::CharOrder("NAME", 10);
  info.descending = true;
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
  ASSERT_TRUE(testing::BuildFile(env.get(), "s.cdx", options, info, Names(10), &file, &tag).ok());
  // Back to front: the first entry whose key prefix is not above the search key.
  const SeekCase cases[] = {
      {"full key: the highest record of the key", CharKey("MEIER", 10), CharKey("MEIER", 10), 7},
      {"partial key: longer keys with that prefix come first", "MEIER", CharKey("MEIERHOF", 10), 3},
      {"partial key", "MU", CharKey("MUELLER", 10), 12},
      {"soft miss lands on the next smaller key", "MEIERA", CharKey("MEIER", 10), 7},
      {"above everything", "ZZ", CharKey("ZANDER", 10), 1},
      {"a prefix equal to the search key is not above it", "A", CharKey("ABEL", 10), 9},
      {"below everything but the blank key", "AA", CharKey("", 10), 6},
      {"empty search key: the first entry", "", CharKey("ZANDER", 10), 1},
  };
  for (const SeekCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::optional<IndexEntry> e;
    ASSERT_TRUE(tag->Seek(c.key, &e).ok());
    ASSERT_EQ(e.has_value(), c.wantKey.has_value());
    if (!e) continue;
    EXPECT_EQ(e->key, *c.wantKey);
    EXPECT_EQ(e->record, c.wantRecord);
  }
  // A walk hands the entries out back to front.
  std::vector<IndexEntry> walk;
  ASSERT_TRUE(testing::WalkOrder(*tag, false, &walk).ok());
  ASSERT_EQ(walk.size(), 10u);
  EXPECT_EQ(walk.front(), (IndexEntry{CharKey("ZANDER", 10), 1}));
  EXPECT_EQ(walk[3], (IndexEntry{CharKey("MEIERHOF", 10), 3}));
  EXPECT_EQ(walk[4], (IndexEntry{CharKey("MEIER", 10), 7}));
  EXPECT_EQ(walk[5], (IndexEntry{CharKey("MEIER", 10), 2}));
  for (size_t i = 0; i < walk.size(); ++i) {
    uint32_t position = 0;
    ASSERT_TRUE(tag->KeyPosition(walk[i], &position).ok());
    EXPECT_EQ(position, i + 1);
  }
}

INSTANTIATE_TEST_SUITE_P(LeafSizes, CdxSeek, ::testing::Values(0, 2, 3));

TEST(CdxSeekEmpty, EmptyTagFindsNothing) {
  auto env = NewMemoryEnv();
  for (bool descending : {false, true}) {
    OrderInfo info = testing::CharOrder("NAME", 10);
    info.descending = descending;
    std::unique_ptr<CdxFile> file;
    std::unique_ptr<CdxTag> tag;
    ASSERT_TRUE(testing::BuildFile(env.get(), "e.cdx", {}, info, {}, &file, &tag).ok());
    std::optional<IndexEntry> e = IndexEntry{};
    ASSERT_TRUE(tag->Seek("A", &e).ok());
    EXPECT_FALSE(e);
    e = IndexEntry{};
    ASSERT_TRUE(tag->First(&e).ok());
    EXPECT_FALSE(e);
    e = IndexEntry{};
    ASSERT_TRUE(tag->Last(&e).ok());
    EXPECT_FALSE(e);
    uint32_t count = 1;
    ASSERT_TRUE(tag->KeyCount(&count).ok());
    EXPECT_EQ(count, 0u);
  }
}

// Numeric keys: EncodeKey of the value, Seek, and the order of negative numbers.
TEST(CdxSeekTyped, NumbersSeekByValue) {
  auto env = NewMemoryEnv();
  OrderInfo info;
  info.name = "AMOUNT";
  info.keyExpression = "amount";
  info.kind = KeyKind::kNumeric;
  info.keyLength = 8;
  std::vector<double> values = {-1e10, -2.5, -0.0, 0.5, 1, 3.25, 1e15, 2.5, -3};
  std::vector<IndexEntry> entries;
  std::string key, error;
  for (size_t i = 0; i < values.size(); ++i) {
    ASSERT_TRUE(EncodeCdxKey(info.kind, 8, false, values[i], false, &key, &error));
    entries.push_back({key, static_cast<uint32_t>(i + 1)});
  }
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
  CdxOptions options;
  options.maxLeafEntries = 2;
  ASSERT_TRUE(testing::BuildFile(env.get(), "n.cdx", options, info, entries, &file, &tag).ok());
  std::vector<IndexEntry> walk;
  ASSERT_TRUE(testing::WalkOrder(*tag, false, &walk).ok());
  std::vector<uint32_t> records;
  for (auto& e : walk) records.push_back(e.record);
  EXPECT_EQ(records, (std::vector<uint32_t>{1, 9, 2, 3, 4, 5, 8, 6, 7}));

  struct Case {
    Value value;
    std::optional<uint32_t> record;
  };
  const Case cases[] = {
      {Decimal::FromText("2.50").value(), 8},  // hit through a Decimal
      {int32_t{1}, 5},                         // hit through an integer
      {2.0, 8},                                // soft miss: the next number
      {0.0, 3},                                // -0 is stored as 0
      {1e16, std::nullopt},                    // past the end
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(tag->EncodeKey(c.value, true, &key).ok());
    std::optional<IndexEntry> e;
    ASSERT_TRUE(tag->Seek(key, &e).ok());
    ASSERT_EQ(e.has_value(), c.record.has_value());
    if (e) {
      EXPECT_EQ(e->record, *c.record);
    }
  }
  EXPECT_EQ(tag->EncodeKey(std::string("1"), true, &key).osCode(), kOsInvalidParameter);
}

}  // namespace
}  // namespace tabrix
