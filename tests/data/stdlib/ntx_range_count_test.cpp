// NTXRANGEC over an NTX order the table areas built: counts between two records as the walk
// counts them, the error line of a record the index does not hold, and no file.

#include "data/stdlib/ntx_range_count.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/env/memory_env.h"
#include "data/stdlib/o_s.h"
#include "data/table/table_area.h"

namespace tabrix {
namespace {

class DebuggerOnly : public DebugChannel {
 public:
  std::vector<std::string> debugger;
  bool AtomExists(const char*) override { return false; }
  bool FindViewer(const char*, const char*) override { return false; }
  std::string ViewerText(int) override { return ""; }
  void SetViewerText(int, const std::string&) override {}
  void DebugString(const std::string& text) override { debugger.push_back(text); }
};

TEST(NtxRangeCount, CountsWhatTheWalkCountsAndReportsAMissingRecord) {
  std::unique_ptr<MemoryEnv> env = NewMemoryEnv();
  Env* previousEnv = SetTableEnv(env.get());
  DebuggerOnly channel;
  DebugChannel* previousChannel = SetDebugChannel(&channel);
  CreateTable("ORTE.DBF", {{"ORT", 'C', 10, 0}}, kDriverNtx);
  ASSERT_TRUE(OpenTable(false, kDriverNtx, "ORTE", "", false, false));
  const std::vector<std::string> places = {"Bonn", "Aachen", "Kiel", "Bonn", "Essen", "Ulm"};
  for (const std::string& p : places) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, p);
  }
  CreateOrder("ORTE.NTX", "", "ORT");
  std::vector<int64_t> walk;  // Aachen(2) Bonn(1) Bonn(4) Essen(5) Kiel(3) Ulm(6)
  for (GoTop(); !AtEnd(); Skip()) walk.push_back(RecordNumber());
  ASSERT_EQ(walk, (std::vector<int64_t>{2, 1, 4, 5, 3, 6}));
  CloseArea();
  auto key = [&](uint32_t r) { return places[r - 1]; };
  for (size_t a = 0; a < walk.size(); ++a) {
    for (size_t b = 0; b < walk.size(); ++b) {
      const uint32_t ra = static_cast<uint32_t>(walk[a]), rb = static_cast<uint32_t>(walk[b]);
      const int64_t expected = static_cast<int64_t>(a > b ? a - b : b - a) + 1;
      EXPECT_EQ(NTXRANGEC(1, ra, key(ra), rb, key(rb), false, true, "ORTE.NTX"), expected)
          << ra << " " << rb;
    }
  }
  EXPECT_TRUE(channel.debugger.empty());
  // A first record the index does not hold: -1 and the error line.
  EXPECT_EQ(NTXRANGEC(1, 9, "Aachen", 6, "Ulm", false, true, "ORTE.NTX"), -1);
  EXPECT_EQ(channel.debugger, std::vector<std::string>{"NTXRange ERROR!\n"});
  // No file given, or none there: 0.
  EXPECT_EQ(NTXRANGEC(1, 2, "Aachen", 6, "Ulm", false, false, "ORTE.NTX"), 0);
  EXPECT_EQ(NTXRANGEC(1, 2, "Aachen", 6, "Ulm", false, true, "NONE.NTX"), 0);
  SetDebugChannel(previousChannel);
  SetTableEnv(previousEnv);
}

}  // namespace
}  // namespace tabrix
