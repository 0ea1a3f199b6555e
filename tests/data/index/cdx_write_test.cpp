// Upkeep of CDX tags: random inserts and removals against a fresh build, unique and candidate
// tags, tags added to a file and found again after reopening, and two handles sharing a file.

#include <gtest/gtest.h>

#include <random>
#include <set>

#include "data/env/fault_env.h"
#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

using testing::CharKey;

struct PropertyCase {
  const char* what;
  KeyKind kind;
  int keyLength;
  int leafEntries;      // 0: as many as fit
  int interiorEntries;  // 0: as many as fit
  uint32_t maxRecord;   // record numbers drawn below it (large ones widen the leaf fields)
};

void PrintTo(const PropertyCase& c, std::ostream* os) {
  *os << c.what;
}

// A key of the kind: few distinct prefixes and many trailing fill bytes, so duplicates and
// compression reach every case of the leaf coding.
std::string RandomKey(std::mt19937& rng, const PropertyCase& c) {
  std::string key(static_cast<size_t>(c.keyLength), static_cast<char>(CdxFillByte(c.kind)));
  size_t used = rng() % (key.size() + 1);
  for (size_t i = 0; i < used; ++i) key[i] = static_cast<char>("ABab \x01\xff"[rng() % 7]);
  return key;
}

class CdxProperty : public ::testing::TestWithParam<PropertyCase> {};

TEST_P(CdxProperty, RandomUpkeepMatchesAFreshBuildAndKeepsEveryPageValid) {
  const PropertyCase& c = GetParam();
  std::mt19937 rng(20240601);
  auto env = NewMemoryEnv();
  CdxOptions options;
  options.maxLeafEntries = c.leafEntries;
  options.maxInteriorEntries = c.interiorEntries;
  options.cachePages = 8;
  OrderInfo info = testing::CharOrder("PROP", c.keyLength);
  info.kind = c.kind;
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
  ASSERT_TRUE(testing::BuildFile(env.get(), "p.cdx", options, info, {}, &file, &tag).ok());

  std::set<std::pair<std::string, uint32_t>> model;
  std::vector<IndexEntry> present;
  int maxDepth = 0;
  for (int op = 0; op < 4000; ++op) {
    bool remove = !present.empty() && rng() % 100 < (op < 2500 ? 30 : 70);
    if (remove) {
      size_t i = rng() % present.size();
      ASSERT_TRUE(tag->Remove(present[i]).ok());
      model.erase({present[i].key, present[i].record});
      present[i] = present.back();
      present.pop_back();
    } else {
      IndexEntry e{RandomKey(rng, c), 1 + static_cast<uint32_t>(rng() % c.maxRecord)};
      IoStatus s = tag->Insert(e);
      ASSERT_TRUE(s.ok()) << s.ToString();
      if (model.insert({e.key, e.record}).second) present.push_back(e);
    }
    if (op % 500 == 499) {
      CdxTreeStats stats;
      IoStatus s = CheckCdxTag(tag.get(), &stats);
      ASSERT_TRUE(s.ok()) << "after op " << op << ": " << s.ToString();
      EXPECT_EQ(stats.entries, model.size());
      maxDepth = std::max(maxDepth, stats.depth);
    }
  }
  // Removing an entry that is not there changes nothing.
  ASSERT_TRUE(tag->Remove({RandomKey(rng, c), c.maxRecord + 1}).ok());

  std::vector<IndexEntry> walk, back;
  ASSERT_TRUE(testing::WalkOrder(*tag, false, &walk).ok());
  ASSERT_TRUE(testing::WalkOrder(*tag, true, &back).ok());
  std::reverse(back.begin(), back.end());
  std::vector<IndexEntry> expected;
  for (auto& [k, r] : model) expected.push_back({k, r});
  EXPECT_EQ(walk, expected);
  EXPECT_EQ(back, expected);

  // A tag built afresh from the same entries holds the same sequence.
  VectorEntrySource source(&expected);
  OrderInfo again = info;
  again.name = "AGAIN";
  std::unique_ptr<CdxTag> fresh;
  ASSERT_TRUE(CreateCdxTag(file.get(), again, &source, &fresh).ok());
  std::vector<IndexEntry> freshWalk;
  ASSERT_TRUE(testing::WalkOrder(*fresh, false, &freshWalk).ok());
  EXPECT_EQ(freshWalk, walk);
  CdxTreeStats stats;
  ASSERT_TRUE(CheckCdxTag(fresh.get(), &stats).ok());
  if (c.leafEntries > 0) {
    EXPECT_GE(maxDepth, 3) << "splits too rare to test much";
  }

  // Reopened from the bytes on disk, the tag still reads the same.
  tag.reset();
  fresh.reset();
  file.reset();
  ASSERT_TRUE(CdxFile::Open(env.get(), "p.cdx", options, &file).ok());
  ASSERT_TRUE(file->OpenTag("prop", c.kind, &tag).ok());
  ASSERT_TRUE(testing::WalkOrder(*tag, false, &walk).ok());
  EXPECT_EQ(walk, expected);

  // Emptied completely, the tag is one empty root leaf again.
  for (const IndexEntry& e : expected) ASSERT_TRUE(tag->Remove(e).ok());
  ASSERT_TRUE(CheckCdxTag(tag.get(), &stats).ok());
  EXPECT_EQ(stats.pages, 1u);
  EXPECT_EQ(stats.entries, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CdxProperty,
    ::testing::Values(PropertyCase{"small pages, character", KeyKind::kCharacter, 12, 4, 3, 5000},
                      PropertyCase{"small pages, binary fill", KeyKind::kNumeric, 8, 3, 2, 300},
                      PropertyCase{"full pages, long keys", KeyKind::kCharacter, 120, 0, 0, 70000},
                      PropertyCase{"full pages, one-byte keys", KeyKind::kCharacter, 1, 0, 0,
                                   1u << 30},
                      PropertyCase{"longest keys", KeyKind::kCharacter, 240, 0, 0, 1000}),
    [](const auto& info) {
      std::string name = info.param.what;
      for (char& ch : name) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      }
      return name;
    });

std::unique_ptr<CdxTag> OneTag(Env* env, const OrderInfo& info, std::unique_ptr<CdxFile>* file,
                               std::vector<IndexEntry> entries = {}) {
  std::unique_ptr<CdxTag> tag;
  IoStatus s = testing::BuildFile(env, "u.cdx", {}, info, std::move(entries), file, &tag);
  EXPECT_TRUE(s.ok()) << s.ToString();
  return tag;
}

TEST(CdxUpkeep, UniqueTagKeepsTheFirstRecordOfAKey) {
  auto env = NewMemoryEnv();
  OrderInfo info = testing::CharOrder("U", 4);
  info.unique = true;
  std::unique_ptr<CdxFile> file;
  // The build keeps the lowest record of each key.
  auto tag = OneTag(env.get(), info, &file, {{"BB  ", 5}, {"AA  ", 3}, {"BB  ", 2}, {"AA  ", 9}});
  ASSERT_TRUE(tag->Insert({"BB  ", 1}).ok());  // present: nothing stored
  ASSERT_TRUE(tag->Insert({"CC  ", 4}).ok());
  std::vector<IndexEntry> walk;
  ASSERT_TRUE(testing::WalkOrder(*tag, false, &walk).ok());
  EXPECT_EQ(walk, (std::vector<IndexEntry>{{"AA  ", 3}, {"BB  ", 2}, {"CC  ", 4}}));
  CdxHeader header;
  ASSERT_TRUE(file->ReadTagHeader(tag->headerOffset(), &header).ok());
  EXPECT_EQ(header.options, kCdxOptionCompound | kCdxOptionCompact | kCdxOptionUnique);
}

TEST(CdxUpkeep, CandidateTagRefusesASecondRecordOfAKey) {
  auto env = NewMemoryEnv();
  OrderInfo info = testing::CharOrder("C", 4);
  info.candidate = true;
  std::unique_ptr<CdxFile> file;
  auto tag = OneTag(env.get(), info, &file, {{"AA  ", 3}});
  ASSERT_TRUE(tag->Insert({"AA  ", 3}).ok());  // the same entry again: nothing to do
  IoStatus s = tag->Insert({"AA  ", 4});
  EXPECT_EQ(s.osCode(), kOsFileExists);
  EXPECT_NE(s.detail().find("record 3"), std::string::npos) << s.detail();
  ASSERT_TRUE(tag->Insert({"AB  ", 4}).ok());
  uint32_t count = 0;
  ASSERT_TRUE(tag->KeyCount(&count).ok());
  EXPECT_EQ(count, 2u);

  // A build over a repeated key fails and leaves no tag behind.
  std::vector<IndexEntry> twice = {{"ZZ  ", 1}, {"ZZ  ", 2}};
  VectorEntrySource source(&twice);
  info.name = "C2";
  EXPECT_EQ(CreateCdxTag(file.get(), info, &source, nullptr).osCode(), kOsFileExists);
  std::vector<CdxTagEntry> tags;
  ASSERT_TRUE(file->ListTags(&tags).ok());
  EXPECT_EQ(tags.size(), 1u);
}

TEST(CdxUpkeep, BadArgumentsAreRefused) {
  auto env = NewMemoryEnv();
  std::unique_ptr<CdxFile> file;
  auto tag = OneTag(env.get(), testing::CharOrder("T", 4), &file);
  EXPECT_EQ(tag->Insert({"AAA", 1}).osCode(), kOsInvalidParameter);
  EXPECT_EQ(tag->Insert({"AAAA", 0}).osCode(), kOsInvalidParameter);
  struct Case {
    const char* what;
    std::string name;
    int keyLength;
    std::string forText;
    int code;
  };
  const Case cases[] = {
      {"ten-letter name", "ABCDEFGHIJ", 4, "", kOsOk},
      {"eleven-letter name", "ABCDEFGHIJK", 4, "", kOsInvalidParameter},
      {"name starting with a digit", "1A", 4, "", kOsInvalidParameter},
      {"name with a blank", "A B", 4, "", kOsInvalidParameter},
      {"existing name, other case", "t", 4, "", kOsFileExists},
      {"longest key", "K240", 240, "", kOsOk},
      {"key one byte too long", "K241", 241, "", kOsInvalidParameter},
      {"no key", "K0", 0, "", kOsInvalidParameter},
      {"pool just full", "POOL", 4, std::string(510 - 4, 'x'), kOsOk},
      {"pool one byte over", "POOL2", 4, std::string(511 - 4, 'x'), kOsInvalidParameter},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    OrderInfo info = testing::CharOrder(c.name, c.keyLength);
    info.keyExpression = "k";
    info.keyExpression.resize(4, 'k');
    info.forExpression = c.forText;
    std::vector<IndexEntry> none;
    VectorEntrySource source(&none);
    EXPECT_EQ(CreateCdxTag(file.get(), info, &source, nullptr).osCode(), c.code);
  }
  // Keys of the wrong length or out of order stop a build.
  std::vector<IndexEntry> unordered = {{"BBBB", 1}, {"AAAA", 2}};
  VectorEntrySource source(&unordered);
  OrderInfo info = testing::CharOrder("ORD", 4);
  EXPECT_EQ(CreateCdxTag(file.get(), info, &source, nullptr).osCode(), kOsInvalidParameter);
  // A date tag needs 8-byte keys.
  info.kind = KeyKind::kDate;
  info.name = "D";
  std::vector<IndexEntry> none;
  VectorEntrySource empty(&none);
  EXPECT_EQ(CreateCdxTag(file.get(), info, &empty, nullptr).osCode(), kOsInvalidParameter);
}

TEST(CdxUpkeep, TagsAddedToAFileAreListedAndReopenedWithTheirHeaders) {
  auto env = NewMemoryEnv();
  std::unique_ptr<CdxFile> file;
  ASSERT_TRUE(CdxFile::Create(env.get(), "m.cdx", {}, &file).ok());
  // More tags than one directory leaf holds, added in no particular order.
  std::vector<std::string> names = {"TAG7", "TAG8", "TAG59"};
  std::mt19937 rng(7);
  while (names.size() < 60) {
    std::string name(10, 'A');
    for (char& ch : name) ch = static_cast<char>('A' + rng() % 26);
    names.push_back(name);
  }
  for (const std::string& name : names) {
    OrderInfo info = testing::CharOrder(name, 6);
    info.forExpression = name == "TAG7" ? "city = \"Bonn\"" : "";
    info.descending = name == "TAG8";
    std::vector<IndexEntry> entries = {{CharKey(name, 6), 1}};
    VectorEntrySource source(&entries);
    IoStatus s = CreateCdxTag(file.get(), info, &source, nullptr);
    ASSERT_TRUE(s.ok()) << name << ": " << s.ToString();
  }
  file.reset();
  ASSERT_TRUE(CdxFile::Open(env.get(), "m.cdx", {}, &file).ok());
  std::vector<CdxTagEntry> tags;
  ASSERT_TRUE(file->ListTags(&tags).ok());
  ASSERT_EQ(tags.size(), names.size());
  std::sort(names.begin(), names.end());
  for (size_t i = 0; i < tags.size(); ++i) EXPECT_EQ(tags[i].name, names[i]);
  CdxHeader directory;
  ASSERT_TRUE(file->ReadTagHeader(0, &directory).ok());
  EXPECT_NE(directory.root, kCdxHeaderSize);  // the first directory root was split
  CdxTreeStats stats;
  ASSERT_TRUE(CheckCdxTree(file.get(), directory.root, 10, ' ', &stats).ok());
  EXPECT_GE(stats.depth, 2);
  for (const char* name : {"TAG7", "TAG8", "TAG59"}) {
    std::unique_ptr<CdxTag> tag;
    ASSERT_TRUE(file->OpenTag(name, KeyKind::kCharacter, &tag).ok());
    std::optional<IndexEntry> e;
    ASSERT_TRUE(tag->First(&e).ok());
    ASSERT_TRUE(e);
    EXPECT_EQ(e->key, CharKey(name, 6));
    EXPECT_EQ(tag->Info().forExpression, std::string(name) == "TAG7" ? "city = \"Bonn\"" : "");
    EXPECT_EQ(tag->Info().descending, std::string(name) == "TAG8");
    CdxHeader header;
    ASSERT_TRUE(file->ReadTagHeader(tag->headerOffset(), &header).ok());
    EXPECT_EQ(header.options & kCdxOptionFor, std::string(name) == "TAG7" ? kCdxOptionFor : 0);
  }
  std::unique_ptr<CdxTag> missing;
  EXPECT_EQ(file->OpenTag("NOPE", KeyKind::kCharacter, &missing).osCode(), kOsFileNotFound);
}

// Two handles on one shared file, as two programs: what one writes the other sees at its next
// call, and a held index lock makes the other's calls fail with a lock violation.
TEST(CdxShared, SecondHandleSeesChangesAndWaitsForTheLock) {
  auto env = NewMemoryEnv();
  CdxOptions options;
  options.maxLeafEntries = 3;
  options.maxInteriorEntries = 2;
  std::unique_ptr<CdxFile> a, b;
  std::unique_ptr<CdxTag> ta, tb;
  ASSERT_TRUE(testing::BuildFile(env.get(), "s.cdx", options, testing::CharOrder("N", 4),
                                 {{"AAAA", 1}, {"CCCC", 2}}, &a, &ta)
                  .ok());
  ASSERT_TRUE(CdxFile::Open(env.get(), "s.cdx", options, &b).ok());
  ASSERT_TRUE(b->OpenTag("N", KeyKind::kCharacter, &tb).ok());
  std::optional<IndexEntry> e;
  ASSERT_TRUE(tb->Seek("C", &e).ok());
  ASSERT_TRUE(e);
  // b walks, a inserts between b's steps; b's cached pages are stale and dropped.
  for (uint32_t r = 3; r < 40; ++r) ASSERT_TRUE(ta->Insert({"BBBB", r}).ok());
  ASSERT_TRUE(tb->First(&e).ok());
  ASSERT_TRUE(tb->Next(*e, &e).ok());
  EXPECT_EQ(*e, (IndexEntry{"BBBB", 3}));
  ASSERT_TRUE(ta->Remove({"BBBB", 4}).ok());
  ASSERT_TRUE(tb->Next(*e, &e).ok());
  EXPECT_EQ(*e, (IndexEntry{"BBBB", 5}));
  // An entry removed under b's feet: b goes on from where it would sort (O6).
  ASSERT_TRUE(ta->Remove({"BBBB", 5}).ok());
  ASSERT_TRUE(tb->Next(*e, &e).ok());
  EXPECT_EQ(*e, (IndexEntry{"BBBB", 6}));
  uint32_t count = 0;
  ASSERT_TRUE(tb->KeyCount(&count).ok());
  EXPECT_EQ(count, 37u);
  CdxTreeStats stats;
  ASSERT_TRUE(CheckCdxTag(tb.get(), &stats).ok());
  EXPECT_GE(stats.depth, 3);

  // a holds the lock for a group of updates; b cannot read meanwhile.
  {
    CdxFile::Scope hold(a.get(), true);
    ASSERT_TRUE(hold.ok());
    ASSERT_TRUE(ta->Insert({"DDDD", 50}).ok());
    IoStatus s = tb->First(&e);
    EXPECT_EQ(s.osCode(), kOsLockViolation);
    ASSERT_TRUE(hold.End(IoStatus::Ok()).ok());
  }
  ASSERT_TRUE(tb->Last(&e).ok());
  EXPECT_EQ(*e, (IndexEntry{"DDDD", 50}));
  EXPECT_GT(env->totalSleep().count(), 0);  // b waited before giving up
}

// A write that fails part-way reports the failure; the tag stays readable.
TEST(CdxShared, FailedWritesReportTheirStatus) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  CdxOptions options;
  options.maxLeafEntries = 2;
  std::unique_ptr<CdxFile> file;
  std::unique_ptr<CdxTag> tag;
  ASSERT_TRUE(testing::BuildFile(&env, "f.cdx", options, testing::CharOrder("N", 4),
                                 {{"AAAA", 1}, {"BBBB", 2}}, &file, &tag)
                  .ok());
  for (int nth = 1; nth < 30; ++nth) {
    env.SetCallFault({nth, kOsDiskFull, false, FaultOp::kWrite});
    IoStatus s = tag->Insert({"ABAB", static_cast<uint32_t>(10 + nth)});
    bool fired = env.fired();
    env.ClearFaults();
    if (!fired) {
      ASSERT_TRUE(s.ok());
      break;
    }
    EXPECT_EQ(s.osCode(), kOsDiskFull);
  }
  env.RefuseLocks(0, kMaxLockEnd);
  std::optional<IndexEntry> e;
  EXPECT_EQ(tag->First(&e).osCode(), kOsLockViolation);
}

}  // namespace
}  // namespace tabrix
