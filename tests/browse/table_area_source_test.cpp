// The browse source over real table areas (in a memory file environment): record order and
// CDX / NTX orders, deleted records, typed text against the key's case, and orders that cannot
// be used, which must leave the browse in record order without reaching the program's handler.
#include "browse/table_area_source.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "browse/browse_model.h"
#include "data/env/env_test_support.h"
#include "data/env/memory_env.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

const std::vector<StructureRow> kStructure = {{"NAME", 'C', 20, 0}, {"NUM", 'N', 8, 0}};

// Names in OEM code page 850: "\x9A" is the upper-case U umlaut, "\x81" the lower-case one.
const std::vector<std::string> kNames = {"Maier",
                                         "ADAM",
                                         "MEYER",
                                         "EBERT",
                                         "m\x81ller",
                                         "ESCH",
                                         "BRAUN",
                                         "ZANDER",
                                         "\x9A"
                                         "BEL",
                                         "MEISSNER"};

class TableAreaSourceTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }
  // A table of the names (record i + 1 holds kNames[i], NUM 100 - i), the records listed in
  // `deleted` marked deleted, and orders on UPPER(NAME), NAME and NUM; open in area 3, record
  // order, area 1 current.
  void MakeTable(const std::vector<int>& deleted = {}, bool withOrders = true) {
    const std::string driver = GetParam();
    CreateTable("NAMES.DBF", kStructure, driver);
    SelectArea(3);
    ASSERT_TRUE(OpenTable(false, driver, "NAMES", "", false, false));
    for (size_t i = 0; i < kNames.size(); ++i) {
      ASSERT_TRUE(AppendRecord());
      PutField(1, kNames[i]);
      PutField(2, static_cast<double>(100 - static_cast<int>(i)));
    }
    for (int recno : deleted) {
      GoTo(recno);
      MarkDeleted();
    }
    if (withOrders) {
      const bool ntx = driver == std::string(kDriverNtx);
      CreateOrder(ntx ? "UNAME.NTX" : "", "UNAME", "UPPER(NAME)");
      CreateOrder(ntx ? "NAME.NTX" : "", "NAME", "NAME");
      CreateOrder(ntx ? "NUM.NTX" : "", "NUM", "NUM");
    }
    SetOrder(0);
    CommitArea();
    SelectArea(1);
  }
  static std::vector<int64_t> Shown(const BrowseModel& model) {
    std::vector<int64_t> out;
    for (const BrowseRow& row : model.Rows()) out.push_back(row.recno);
    return out;
  }
  // The visible records of area 3 in an order, walked by the table layer itself.
  static std::vector<int64_t> Walk(int order) {
    AreaSwitch inArea(3);
    const int previous = CurrentOrder();
    SetOrder(order);
    std::vector<int64_t> records;
    for (GoTop(); !AtEnd(); Skip()) records.push_back(RecordNumber());
    SetOrder(previous);
    return records;
  }
  static std::vector<int64_t> Slice(const std::vector<int64_t>& v, size_t from, size_t to) {
    return std::vector<int64_t>(v.begin() + static_cast<ptrdiff_t>(from),
                                v.begin() + static_cast<ptrdiff_t>(to));
  }
  static BrowseModel::RowBuilder NameRow() {
    return [] { return std::get<std::string>(GetField(1)); };
  }

  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

TEST_P(TableAreaSourceTest, RecordOrderPassesOverDeletedRecords) {
  RecordingHandler handler;
  MakeTable({1, 4, 10});
  TableAreaSource source(3, 0);
  BrowseModel model(source, NameRow());
  model.SetVisibleRows(4);
  EXPECT_EQ(model.RefreshAll(0, -1), 10);  // the table's count, deleted records included
  EXPECT_EQ(Shown(model), (std::vector<int64_t>{2, 3, 5, 6}));
  EXPECT_EQ(model.Rows()[1].text.substr(0, 5), "MEYER");
  model.End();
  EXPECT_EQ(Shown(model), (std::vector<int64_t>{6, 7, 8, 9}));
  EXPECT_EQ(model.SelectedRecord(), 9);
  EXPECT_EQ(model.nPos(), 10);
  model.Home();
  EXPECT_EQ(model.SelectedRecord(), 2);
  // Thumb to position 4 (record 4 is deleted): the next visible record.
  model.Thumb(4);
  EXPECT_EQ(model.SelectedRecord(), 5);
  EXPECT_EQ(AreaOfAlias(), 1);  // the caller's area is current again
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

TEST_P(TableAreaSourceTest, WalksTheOrderAndCountsPositionsByKey) {
  RecordingHandler handler;
  MakeTable({3});  // MEYER deleted
  // The visible records in UPPER(NAME) order, as the table layer walks them: ADAM BRAUN EBERT
  // ESCH MAIER MEISSNER M\x9aLLER, then ZANDER and \x9aBEL in the driver's collation.
  const std::vector<int64_t> walk = Walk(1);
  ASSERT_EQ(walk.size(), 9u);
  EXPECT_EQ(std::vector<int64_t>(walk.begin(), walk.begin() + 7),
            (std::vector<int64_t>{2, 7, 4, 6, 1, 10, 5}));
  TableAreaSource source(3, 1);
  ASSERT_EQ(source.Order(), 1);
  BrowseModel model(source, NameRow());
  model.SetVisibleRows(3);
  model.RefreshAll(0, -1);
  EXPECT_EQ(Shown(model), Slice(walk, 0, 3));
  model.PageDown();
  EXPECT_EQ(Shown(model), Slice(walk, 3, 6));
  EXPECT_EQ(model.nPos(), 4);
  model.PageDown();
  EXPECT_EQ(Shown(model), Slice(walk, 6, 9));
  model.Home();
  model.End();
  EXPECT_EQ(Shown(model), Slice(walk, 6, 9));
  EXPECT_EQ(model.SelectedRecord(), walk.back());
  EXPECT_EQ(model.nPos(), 10);
  // Positions come from the key position (deleted keys count, as in the table's count).
  source.GoTo(10);
  EXPECT_EQ(source.Position(), 6);
  source.GoTo(5);
  EXPECT_EQ(source.Position(), 8);
  SelectArea(3);
  EXPECT_EQ(CurrentOrder(), 1);  // the area is left in the browse's order
  SelectArea(1);
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

TEST_P(TableAreaSourceTest, TypedTextIsSoughtInTheKeysCase) {
  struct Case {
    int order;
    std::string typed;
    int64_t record;  // selected after the last character
  };
  const Case cases[] = {
      {1, "me", 10},    // UPPER key: lower-case typing finds MEISSNER
      {1, "mey", 3},    // MEYER
      {1, "m\x81", 5},  // typed u umlaut (OEM) finds M\x9ALLER under UPPER()
      {1, "\x81", 9},   // \x9A "BEL" (upper-cased umlaut)
      {2, "Ma", 1},     // NAME key: as typed
      {2, "m", 5},      // lower case sorts after the capitals: "m\x81ller"
      {2, "zz", -1},    // past every key: the last record of the order
      {3, "9", 0},      // numeric key: typing does nothing
      {0, "M", 0},      // record order: typing does nothing
  };
  for (const Case& c : cases) {
    RecordingHandler handler;
    MakeTable();
    TableAreaSource source(3, c.order);
    BrowseModel model(source, NameRow());
    model.SetVisibleRows(3);
    model.RefreshAll(0, -1);
    const int64_t before = model.SelectedRecord();
    const int64_t want = c.record == -1 ? Walk(c.order).back() : c.record;
    bool handled = true;
    for (char ch : c.typed) handled = model.TypeChar(ch) && handled;
    EXPECT_EQ(handled, c.record != 0) << c.order << " " << c.typed;
    EXPECT_EQ(model.SelectedRecord(), c.record != 0 ? want : before) << c.order << " " << c.typed;
    if (c.record != 0) {
      source.GoTo(model.SelectedRecord());
      EXPECT_EQ(model.nPos(), source.Position()) << c.order << " " << c.typed;
    }
    EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
    CloseAllAreas();
  }
}

TEST_P(TableAreaSourceTest, AnOrderThatCannotBeUsedLeavesRecordOrder) {
  RecordingHandler handler;
  MakeTable({}, false);
  // No index at all: order 1 does not exist.
  TableAreaSource source(3, 1);
  EXPECT_EQ(source.Order(), 0);
  EXPECT_FALSE(source.SetOrder(1));
  EXPECT_FALSE(source.SetOrder(-2));
  EXPECT_TRUE(source.SetOrder(0));
  BrowseModel model(source, NameRow());
  model.SetVisibleRows(20);
  model.RefreshAll(0, -1);
  EXPECT_EQ(model.Rows().size(), kNames.size());
  EXPECT_EQ(model.Rows().front().recno, 1);
  EXPECT_FALSE(model.TypeChar('M'));
  // Nothing reached the program's handler.
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

TEST_P(TableAreaSourceTest, ADamagedIndexFallsBackToRecordOrder) {
  RecordingHandler handler;
  const std::string driver = GetParam();
  const bool ntx = driver == std::string(kDriverNtx);
  const std::string bag = ntx ? "BIG.NTX" : "BIG.CDX";
  CreateTable("BIG.DBF", kStructure, driver);
  SelectArea(3);
  ASSERT_TRUE(OpenTable(false, driver, "BIG", "", false, false));
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i));
  }
  CreateOrder(bag, "S", "NAME");
  CloseArea();
  std::optional<std::string> bytes = testing_support::ReadWholeFile(*env_, bag);
  ASSERT_TRUE(bytes && bytes->size() > 4096);
  std::fill(bytes->begin() + 3072, bytes->end(), '\xEE');
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, bag, *bytes));
  ASSERT_TRUE(OpenTable(false, driver, "BIG", "", true, true));
  AddOrderBag(bag);
  const int order = OrderCount();
  ASSERT_GE(order, 1);
  SelectArea(1);
  handler.errors.clear();

  TableAreaSource source(3, order);
  BrowseModel model(source, NameRow());
  model.SetVisibleRows(10);
  model.RefreshAll(0, -1);
  model.End();
  model.Thumb(150);
  model.Home();
  // Whether the damage shows when the order is set or at the first move: the browse ends up
  // in record order with every record reachable, and the failure is there to report.
  EXPECT_EQ(source.Order(), 0);
  ASSERT_TRUE(source.LastFailure().has_value());
  EXPECT_EQ(source.LastFailure()->genCode, kGenCorruption);
  EXPECT_EQ(model.Rows().front().recno, 1);
  model.End();
  EXPECT_EQ(model.SelectedRecord(), 300);
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

// Up to the counted limit positions are counted; past it they are estimated from the index
// pages (a CDX's; NTX orders still count), and FastSkip jumps to the estimated place. On the
// limit the position of every sampled record is its key position and a jump of n keys lands n
// keys on (deleted records count as steps, the next visible one is taken); one record past it
// both are within 1 % of the count.
TEST_P(TableAreaSourceTest, PositionsAndJumpsAreCountedUpToTheLimitAndNearPastIt) {
  RecordingHandler handler;
  const std::string driver = GetParam();
  const bool ntx = driver == std::string(kDriverNtx);
  for (const int64_t count :
       {TableAreaSource::kCountedPositionLimit, TableAreaSource::kCountedPositionLimit + 1}) {
    SCOPED_TRACE(count);
    const int64_t tolerance =
        count > TableAreaSource::kCountedPositionLimit && !ntx ? count / 100 : 0;
    CloseAllAreas();
    CreateTable("BIG.DBF", kStructure, driver);
    SelectArea(3);
    ASSERT_TRUE(OpenTable(false, driver, "BIG", "", false, false));
    for (int64_t i = 0; i < count; ++i) {
      ASSERT_TRUE(AppendRecord());
      // Key order differs from record order: record i + 1 holds key (i * 7919) mod count.
      PutField(1, "K" + std::to_string(1000000 + (i * 7919) % count));
      if (i % 97 == 5) MarkDeleted();
    }
    CreateOrder(ntx ? "BIG.NTX" : "", "KEY", "UPPER(NAME)");
    SetOrder(0);
    SelectArea(1);
    const std::vector<int64_t> walk = [] {
      AreaSwitch inArea(3);
      SetOrder(1);
      SetDeletedVisible(true);
      std::vector<int64_t> records;
      for (GoTop(); !AtEnd(); Skip()) records.push_back(RecordNumber());
      SetDeletedVisible(false);
      SetOrder(0);
      return records;
    }();
    ASSERT_EQ(static_cast<int64_t>(walk.size()), count);
    std::vector<int64_t> keyOf(static_cast<size_t>(count) + 1);  // record -> 0-based key place
    for (size_t k = 0; k < walk.size(); ++k) keyOf[static_cast<size_t>(walk[k])] = k;
    TableAreaSource source(3, 1);
    for (const size_t k :
         {size_t{0}, size_t{1}, walk.size() / 3, walk.size() - 2, walk.size() - 1}) {
      source.GoTo(walk[k]);
      EXPECT_NEAR(source.Position(), static_cast<int64_t>(k) + 1, tolerance) << "key " << k;
    }
    EXPECT_EQ(
        [&] {
          source.GoTo(walk.front());
          return source.Position();
        }(),
        1);
    EXPECT_EQ(
        [&] {
          source.GoTo(walk.back());
          return source.Position();
        }(),
        count);
    // From the first key, n keys on; past the last key: the end.
    for (const int64_t n : {int64_t{1}, count / 2, count - 1, count}) {
      source.GoTop();
      ASSERT_EQ(source.RecordNumber(), walk[0]);
      source.FastSkip(n);
      if (n >= count) {
        EXPECT_TRUE(source.AtEnd()) << n;
        continue;
      }
      ASSERT_FALSE(source.AtEnd()) << "jump of " << n;
      size_t k = static_cast<size_t>(n);
      const auto deleted = [&](size_t at) { return (walk[at] - 1) % 97 == 5; };
      while (tolerance == 0 && k < walk.size() && deleted(k)) ++k;
      const int64_t reached = keyOf[static_cast<size_t>(source.RecordNumber())];
      EXPECT_NEAR(reached, static_cast<int64_t>(k), tolerance + (tolerance ? 2 : 0))
          << "jump of " << n;
      EXPECT_FALSE(source.IsDeleted());
    }
  }
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

INSTANTIATE_TEST_SUITE_P(Drivers, TableAreaSourceTest, testing::Values("DBFCDX", "DBFNTX"));

}  // namespace
}  // namespace tabrix
