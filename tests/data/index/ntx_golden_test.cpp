// NTX files walked in order against DBD::XBase's walk of the same files, kept in
// golden/ntx_keys.tsv by scripts/ntx_golden.pl: the corpus index (our reading) and the fixture
// indexes of ntx_test_util.h (our writing: the bulk build and a file grown by Insert and Remove).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::NtxFixture;
using ntx_testing::NtxFixtures;
using ntx_testing::Walk;
using ntx_testing::WalkBack;
using testing_support::ReadWholeFile;

struct GoldenIndex {
  std::string type;
  std::vector<std::pair<std::string, uint32_t>> rows;  // key as the script writes it, record
};

std::map<std::string, GoldenIndex> LoadGolden() {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/tests/data/golden/ntx_keys.tsv",
                   std::ios::binary);
  std::map<std::string, GoldenIndex> out;
  GoldenIndex* current = nullptr;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    const size_t tab = line.find('\t');
    if (line[0] == '=') {
      const size_t tab2 = line.find('\t', tab + 1);
      current = &out[line.substr(1, tab - 1)];
      current->type = line.substr(tab + 1, tab2 - tab - 1);
    } else if (current) {
      current->rows.emplace_back(line.substr(0, tab),
                                 static_cast<uint32_t>(std::stoul(line.substr(tab + 1))));
    }
  }
  return out;
}

// The script's form of a key: bytes 0x20-0x7E but "\" as they are, the rest as \xHH.
std::string Escape(const std::string& key) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : key) {
    if (c >= 0x20 && c <= 0x7E && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

void ExpectSameAsGolden(const GoldenIndex& golden, const std::vector<IndexEntry>& walked) {
  ASSERT_EQ(walked.size(), golden.rows.size());
  for (size_t i = 0; i < walked.size(); ++i) {
    SCOPED_TRACE("entry " + std::to_string(i));
    EXPECT_EQ(walked[i].record, golden.rows[i].second);
    EXPECT_EQ(Escape(walked[i].key), golden.rows[i].first);
  }
}

TEST(NtxGolden, CorpusIndexWalksInTheReadersOrderBothWays) {
  const auto golden = LoadGolden();
  ASSERT_TRUE(golden.count("corpus/ntx/ntx-char"));
  std::unique_ptr<NtxOrder> order;
  NtxOpenOptions readOnly;
  readOnly.readOnly = true;
  ASSERT_TRUE(NtxOrder::Open(DefaultEnv(), std::string(TABRIX_CORPUS_DIR) + "/ntx/ntx-char.ntx",
                             readOnly, &order)
                  .ok());
  EXPECT_EQ(order->Info().name, "NTX-CHAR");
  EXPECT_EQ(order->Info().keyExpression, "ntx_char->v1");
  EXPECT_EQ(order->Info().keyLength, 78);
  EXPECT_EQ(order->store()->header().maxKeys, 10);
  EXPECT_EQ(order->store()->header().halfPage, 5);

  std::vector<IndexEntry> forward, backward;
  ASSERT_TRUE(Walk(*order, &forward).ok());
  ExpectSameAsGolden(golden.at("corpus/ntx/ntx-char"), forward);
  ASSERT_TRUE(WalkBack(*order, &backward).ok());
  std::reverse(backward.begin(), backward.end());
  EXPECT_EQ(backward, forward);

  uint32_t count = 0;
  ASSERT_TRUE(order->KeyCount(&count).ok());
  EXPECT_EQ(count, 68u);
  // Another program's file: the tree is valid, its fill is not ours to demand.
  NtxTreeShape shape;
  IoStatus check =
      CheckNtxTree(order->store(), {.strictRecords = true, .requireFill = false}, &shape);
  EXPECT_TRUE(check.ok()) << check.ToString();
  EXPECT_EQ(shape.entries, 68u);
}

TEST(NtxGolden, FixturesWeWriteWalkInTheReadersOrder) {
  const auto golden = LoadGolden();
  for (const NtxFixture& f : NtxFixtures()) {
    SCOPED_TRACE(f.name);
    ASSERT_TRUE(golden.count("fixture/" + f.name));
    auto env = NewMemoryEnv();
    ASSERT_TRUE(WriteNtxFixture(env.get(), f.name + ".ntx", f).ok());
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Open(env.get(), f.name + ".ntx", {}, &order).ok());
    std::vector<IndexEntry> walked;
    ASSERT_TRUE(Walk(*order, &walked).ok());
    ExpectSameAsGolden(golden.at("fixture/" + f.name), walked);
    EXPECT_EQ(walked, ntx_testing::Sorted(f.entries));
  }
}

// The fixtures written through the platform's files are the bytes the memory Env gets. With
// TABRIX_NTX_FIXTURE_DIR set they stay there for scripts/ntx_golden.pl, with fixtures.txt
// naming each file and its key type.
TEST(NtxFixtureFiles, PlatformFilesHoldTheSameBytes) {
  const char* keep = std::getenv("TABRIX_NTX_FIXTURE_DIR");
  const std::string dir = keep ? keep : testing_support::ScratchName("ntx_fixtures");
  std::filesystem::create_directories(dir);
  std::ofstream list(dir + "/fixtures.txt", std::ios::binary);
  for (const NtxFixture& f : NtxFixtures()) {
    SCOPED_TRACE(f.name);
    const std::string path = dir + "/" + f.name + ".ntx";
    ASSERT_TRUE(WriteNtxFixture(DefaultEnv(), path, f).ok());
    auto env = NewMemoryEnv();
    ASSERT_TRUE(WriteNtxFixture(env.get(), "m.ntx", f).ok());
    EXPECT_EQ(ReadWholeFile(*DefaultEnv(), path), ReadWholeFile(*env, "m.ntx"));
    list << f.name << ' ' << f.perlType << '\n';
  }
  list.close();
  if (!keep) std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tabrix
