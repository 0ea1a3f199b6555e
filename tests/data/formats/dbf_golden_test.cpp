// Our decode of every corpus table (tests/data/corpus) against the consensus of the independent
// readers, kept in golden/corpus_consensus.tsv by scripts/compare_readers.py, so that builds
// without the readers still check the agreement field by field.
//
// Golden file: "=table<TAB>column#occurrence|...<TAB>live=N" (N: live records, ? when the readers
// disagree), then per record
// "L<n>" (n-th live record) or "D<n>" (n-th deleted record), a TAB and the values in the form of
// oracle_form.h; \? where the readers do not agree. Values are compared exactly, except where
// the layer's value rules differ from the readers' null on purpose (counted and checked here):
//   - a blank number reads as 0, an uninitialised logical as false, a memo field without memo
//     as empty text (the layer hands out typed values for these types, never null);
//   - a Visual FoxPro field whose null flag is set reads as null (the readers ignore the flags
//     of character columns).

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "data/formats/dbf_test_util.h"
#include "data/formats/oracle_form.h"

namespace tabrix {
namespace {

using testing::CorpusPath;
using testing::LoadTable;
using testing::OracleForm;

std::vector<std::string> SplitValues(const std::string& line) {
  std::vector<std::string> out(1);
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) {
      out.back() += line.substr(i, 2);
      ++i;
    } else if (line[i] == '|') {
      out.emplace_back();
    } else {
      out.back() += line[i];
    }
  }
  return out;
}

struct GoldenTable {
  std::string path;
  std::vector<std::string> columns;  // "name#occurrence", name in lower case
  int live = -1;                     // live records the readers agree on, -1 when they do not
  std::vector<std::pair<std::string, std::vector<std::string>>> rows;
};

std::vector<GoldenTable> LoadGolden() {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/tests/data/golden/corpus_consensus.tsv",
                   std::ios::binary);
  std::vector<GoldenTable> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> tabs;
    std::istringstream ls(line);
    for (std::string part; std::getline(ls, part, '\t');) tabs.push_back(part);
    if (line[0] == '=') {
      GoldenTable t;
      t.path = tabs[0].substr(1);
      if (tabs.size() > 1 && !tabs[1].empty()) t.columns = SplitValues(tabs[1]);
      if (tabs.size() > 2 && tabs[2] != "live=?") t.live = std::stoi(tabs[2].substr(5));
      out.push_back(std::move(t));
    } else if (!out.empty()) {
      out.back().rows.emplace_back(
          tabs[0], tabs.size() > 1 ? SplitValues(tabs[1]) : std::vector<std::string>{});
    }
  }
  return out;
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

bool AllOf(std::span<const uint8_t> bytes, std::string_view allowed) {
  return std::all_of(bytes.begin(), bytes.end(),
                     [&](uint8_t c) { return allowed.find(static_cast<char>(c)) != allowed.npos; });
}

TEST(DbfGolden, EveryCorpusTableMatchesTheReadersConsensus) {
  std::vector<GoldenTable> golden = LoadGolden();
  ASSERT_GE(golden.size(), 50u) << "golden file missing";
  std::map<std::string, int> counts;
  for (const GoldenTable& g : golden) {
    SCOPED_TRACE(g.path);
    auto t = LoadTable(CorpusPath(g.path));
    ASSERT_TRUE(t->ok()) << t->header->error().ToString();
    const DbfHeader& h = t->h();

    // Records by (live/deleted, ordinal); columns by (lower-case name, occurrence).
    std::map<std::string, uint32_t> recordOf;
    uint32_t live = 0, deleted = 0;
    for (uint32_t n = 1; n <= h.recordCount; ++n) {
      bool del = RecordIsDeleted(t->Record(n));
      recordOf[(del ? "D" : "L") + std::to_string(del ? ++deleted : ++live)] = n;
    }
    if (g.live >= 0) {
      EXPECT_EQ(static_cast<int>(live), g.live) << "live records";
    }
    std::map<std::string, int> seen;
    std::map<std::string, size_t> fieldOf;
    for (size_t i = 0; i < h.fields.size(); ++i) {
      std::string name = Lower(h.fields[i].name);
      fieldOf[name + "#" + std::to_string(++seen[name])] = i;
    }

    for (const auto& [key, values] : g.rows) {
      ASSERT_TRUE(recordOf.count(key)) << "no record " << key;
      uint32_t n = recordOf[key];
      for (size_t c = 0; c < g.columns.size() && c < values.size(); ++c) {
        const std::string& want = values[c];
        if (want == "\\?") continue;
        ASSERT_TRUE(fieldOf.count(g.columns[c])) << "no field " << g.columns[c];
        size_t i = fieldOf[g.columns[c]];
        const DbfField& f = h.fields[i];
        Result<Value> v = t->decoder->Field(t->Record(n), h.RecordOffset(n), i);
        ASSERT_TRUE(v.ok()) << key << " " << f.name << ": " << v.error().ToString();
        std::string got = OracleForm(v.value());
        if (got == want) {
          ++counts["equal"];
          continue;
        }
        std::span<const uint8_t> raw = t->Record(n).subspan(f.offset, f.length);
        bool accepted = false;
        if (want == "\\N" && (f.type == 'N' || f.type == 'F')) {
          accepted = got == "0" && AllOf(raw, std::string_view(" \0", 2));
          ++counts["blank number"];
        } else if (want == "\\N" && f.type == 'L') {
          accepted = got == "F" && AllOf(raw, std::string_view(" ?\0", 3));
          ++counts["uninitialised logical"];
        } else if (want == "\\N" && f.type == 'M') {
          Result<uint32_t> block = t->decoder->MemoBlock(t->Record(n), h.RecordOffset(n), i);
          accepted = got.empty() && block.ok() && block.value() == 0;
          ++counts["memo field without memo"];
        } else if (got == "\\N") {
          accepted = (f.flags & kFieldFlagNullable) != 0;
          ++counts["null flag set"];
        }
        EXPECT_TRUE(accepted) << key << " (record " << n << ") " << f.name << ": ours " << got
                              << ", readers " << want;
      }
    }
  }
  // The comparison really ran over the corpus (tens of thousands of fields in the sample).
  EXPECT_GT(counts["equal"], 10000);
  for (const auto& [what, n] : counts) std::printf("  %s: %d\n", what.c_str(), n);
}

}  // namespace
}  // namespace tabrix
