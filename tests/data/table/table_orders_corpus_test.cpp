// The production CDX files of the corpus tables, opened with their tables by the areas: every
// tag becomes an order whose walk (deleted records included, as an index holds them) visits the
// records in the sequence DBD::XBase reads from the file (tests/data/golden/index_keys.tsv).
// This needs the key expressions of other programs understood and their key kinds right.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/base/text.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

struct GoldenTag {
  std::string file;  // corpus-relative index file
  std::string tag;
  std::vector<int64_t> records;
};

std::vector<GoldenTag> ReadGolden() {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/tests/data/golden/index_keys.tsv",
                   std::ios::binary);
  std::vector<GoldenTag> tags;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    if (line[0] == '=') {
      std::istringstream fields(line.substr(1));
      GoldenTag t;
      std::getline(fields, t.file, '\t');
      std::getline(fields, t.tag, '\t');
      tags.push_back(t);
    } else if (!tags.empty()) {
      tags.back().records.push_back(std::stoll(line.substr(line.rfind('\t') + 1)));
    }
  }
  return tags;
}

class CorpusOrders : public testing::Test {
 protected:
  void TearDown() override {
    SetDeletedVisible(false);
    CloseAllAreas();
    SelectArea(1);
  }
};

TEST_F(CorpusOrders, EveryTagWalksAsTheIndependentReaderReadsIt) {
  const std::vector<GoldenTag> golden = ReadGolden();
  ASSERT_GT(golden.size(), 30u);
  SetDeletedVisible(true);
  int walked = 0;
  for (const GoldenTag& g : golden) {
    SCOPED_TRACE(g.file + " " + g.tag);
    RecordingHandler handler;
    const std::string table =
        std::string(TABRIX_CORPUS_DIR) + "/" + std::string(WithoutExtension(g.file)) + ".dbf";
    ASSERT_TRUE(OpenTable(false, kDriverCdx, table, "", true, true));
    int order = 0;
    for (int i = 1; i <= OrderCount(); ++i) {
      if (OrderName(i) == AsciiUpper(g.tag)) order = i;
    }
    ASSERT_GT(order, 0) << "no order " << g.tag;
    SetOrder(order);
    ASSERT_TRUE(handler.errors.empty()) << handler.errors.front().description;
    std::vector<int64_t> records;
    for (GoTop(); !AtEnd(); Skip()) records.push_back(RecordNumber());
    EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
    EXPECT_EQ(records, g.records);
    CloseArea();
    ++walked;
  }
  EXPECT_EQ(walked, static_cast<int>(golden.size()));
}

}  // namespace
}  // namespace tabrix
