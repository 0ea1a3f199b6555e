// A skip of many entries in an order with deleted records visible (the fast skip's case) is
// one skip in the index: it must land where as many single steps land, across leaf pages, in
// both directions, on the limits of the order and one past them.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/env/memory_env.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

struct Param {
  const char* driver;
  bool descending;
};

class OrderSkipTest : public testing::TestWithParam<Param> {
 protected:
  static constexpr int kRecords = 3000;  // enough keys for many leaf pages

  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    SetDeletedVisible(false);
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

TEST_P(OrderSkipTest, ManyEntriesLandWhereSingleStepsLand) {
  RecordingHandler handler;
  const std::string driver = GetParam().driver;
  CreateTable("KEYS.DBF", {{"NAME", 'C', 20, 0}}, driver);
  ASSERT_TRUE(OpenTable(false, driver, "KEYS", "", false, false));
  for (uint32_t i = 0; i < kRecords; ++i) {
    ASSERT_TRUE(AppendRecord());
    const uint32_t h = (i * 2654435761u) >> 8;
    PutField(1, "K" + std::to_string(h % 100000) + "-" + std::to_string(i % 7));
    if (i % 5 == 0) MarkDeleted();
  }
  const bool ntx = driver == std::string(kDriverNtx);
  CreateOrder(ntx ? "NAME.NTX" : "", "NAME", "NAME", false, GetParam().descending);
  SetDeletedVisible(true);
  std::vector<int64_t> walk;
  for (GoTop(); !AtEnd(); Skip(1)) walk.push_back(RecordNumber());
  ASSERT_EQ(walk.size(), static_cast<size_t>(kRecords));
  const int64_t last = kRecords - 1;

  struct Case {
    int64_t from;  // index into walk
    int64_t n;
  };
  const Case cases[] = {
      {0, 2},        {10, 37},          {5, 700},         {0, last},      // to the last entry
      {0, last + 1}, {100, last - 100}, {100, last - 99}, {last - 1, 2},  // one past
      {last, -2},    {2000, -1500},     {last, -last},    {last, -last - 1}, {1500, -1499},
      {1500, -1500}, {1500, -1501},     {7, 1000000},     {2999, -1000000},
  };
  for (const Case& c : cases) {
    GoTo(walk[static_cast<size_t>(c.from)]);
    Skip(c.n);
    const int64_t to = c.from + c.n;
    if (to > last) {
      EXPECT_TRUE(AtEnd()) << c.from << " " << c.n;
      EXPECT_EQ(RecordNumber(), kRecords + 1) << c.from << " " << c.n;
    } else if (to < 0) {
      EXPECT_TRUE(AtBeginning()) << c.from << " " << c.n;
      EXPECT_FALSE(AtEnd());
      EXPECT_EQ(RecordNumber(), walk.front()) << c.from << " " << c.n;
    } else {
      EXPECT_FALSE(AtEnd()) << c.from << " " << c.n;
      EXPECT_FALSE(AtBeginning()) << c.from << " " << c.n;
      EXPECT_EQ(RecordNumber(), walk[static_cast<size_t>(to)]) << c.from << " " << c.n;
    }
  }
  // Skips in a row go on from the place the one before reached.
  GoTo(walk[10]);
  Skip(300);
  Skip(400);
  EXPECT_EQ(RecordNumber(), walk[710]);
  Skip(-700);
  EXPECT_EQ(RecordNumber(), walk[10]);
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

INSTANTIATE_TEST_SUITE_P(Orders, OrderSkipTest,
                         testing::Values(Param{"DBFCDX", false}, Param{"DBFCDX", true},
                                         Param{"DBFNTX", false}, Param{"DBFNTX", true}),
                         [](const testing::TestParamInfo<Param>& info) {
                           return std::string(info.param.driver) +
                                  (info.param.descending ? "Descending" : "Ascending");
                         });

}  // namespace
}  // namespace tabrix
