// Index orders through the table areas on both local drivers: the order cases
// (table_orders_cases.h); the production CDX opens with its table and follows its writes; an
// index whose key is not understood keeps the table readable and refuses writes.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "data/env/memory_env.h"
#include "data/index/cdx_build.h"
#include "data/index/cdx_file.h"
#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_orders_cases.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using table_orders_cases::kPeople;
using table_orders_cases::Padded;
using table_orders_cases::TableOrdersTest;
using testing_support::RecordingHandler;

INSTANTIATE_TEST_SUITE_P(Drivers, TableOrdersTest, testing::Values("DBFCDX", "DBFNTX"));

// An order built again under the name it has in its file replaces the old one: the list keeps
// its length, the new key orders the walk, and the file holds the new order when opened again.
class RebuiltOrderTest : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }
  static std::vector<int64_t> Walk() {
    std::vector<int64_t> records;
    for (GoTop(); !AtEnd(); Skip()) records.push_back(RecordNumber());
    return records;
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

TEST_P(RebuiltOrderTest, ReplacesTheOrderOfThatName) {
  RecordingHandler handler;
  const std::string driver = GetParam();
  const std::string bag = driver == kDriverNtx ? "SORT.NTX" : "SORT.CDX";
  CreateTable("PEOPLE.DBF", kPeople, driver);
  ASSERT_TRUE(OpenTable(false, driver, "PEOPLE", "", false, false));
  const std::vector<std::pair<std::string, int>> rows = {{"Cora", 3}, {"Anna", 2}, {"Bert", 1}};
  for (const auto& [name, cents] : rows) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, name);
    PutField(2, cents / 100.0);
  }
  CreateOrder(bag, "S", "NAME");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{2, 3, 1}));
  SetOrder(0);
  CreateOrder(bag, "S", "STR(BETRAG,8,2)");
  EXPECT_EQ(OrderCount(), 1);
  EXPECT_EQ(CurrentOrder(), 1);
  EXPECT_EQ(OrderKeyText(1), "STR(BETRAG,8,2)");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{3, 2, 1}));
  CloseArea();
  ASSERT_TRUE(OpenTable(false, driver, "PEOPLE", "", false, false));
  AddOrderBag(bag);
  ASSERT_EQ(OrderCount(), 1);
  SetOrder(1);
  EXPECT_EQ(OrderKeyText(1), "STR(BETRAG,8,2)");
  EXPECT_EQ(Walk(), (std::vector<int64_t>{3, 2, 1}));
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

INSTANTIATE_TEST_SUITE_P(Drivers, RebuiltOrderTest, testing::Values("DBFCDX", "DBFNTX"));

// Pages of an index damaged behind the table's back: moving in that order raises corruption
// (32), the walk ends, and record order still reads the table.
TEST_P(RebuiltOrderTest, DamagedIndexPagesRaiseCorruption) {
  RecordingHandler handler;
  const std::string driver = GetParam();
  const std::string bag = driver == kDriverNtx ? "SORT.NTX" : "SORT.CDX";
  CreateTable("PEOPLE.DBF", kPeople, driver);
  ASSERT_TRUE(OpenTable(false, driver, "PEOPLE", "", false, false));
  for (int i = 0; i < 300; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(i));
  }
  CreateOrder(bag, "S", "NAME");
  CloseArea();
  std::optional<std::string> bytes = testing_support::ReadWholeFile(*env_, bag);
  ASSERT_TRUE(bytes && bytes->size() > 4096);
  // Everything behind the headers: the tree's pages.
  std::fill(bytes->begin() + 3072, bytes->end(), '\xEE');
  ASSERT_TRUE(testing_support::WriteWholeFile(*env_, bag, *bytes));

  ASSERT_TRUE(OpenTable(false, driver, "PEOPLE", "", true, true));
  AddOrderBag(bag);
  SetOrder(OrderCount());
  std::vector<int64_t> walk;
  for (GoTop(); !AtEnd() && walk.size() < 400; Skip()) walk.push_back(RecordNumber());
  EXPECT_LT(walk.size(), 300u);
  ASSERT_FALSE(handler.errors.empty());
  EXPECT_TRUE(std::any_of(handler.errors.begin(), handler.errors.end(), [](const ErrorObject& e) {
    return e.genCode == kGenCorruption;
  })) << handler.errors.front().description;
  SetOrder(0);
  handler.errors.clear();
  walk.clear();
  for (GoTop(); !AtEnd(); Skip()) walk.push_back(RecordNumber());
  EXPECT_EQ(walk.size(), 300u);
  EXPECT_TRUE(handler.errors.empty());
}

// ---- the production CDX -----------------------------------------------------------------------

class ProductionIndexTest : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

TEST_F(ProductionIndexTest, OpensWithItsTableAndFollowsItsWrites) {
  RecordingHandler handler;
  CreateTable("KUNDEN.DBF", kPeople, kDriverCdx);
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", true, false));
  ASSERT_TRUE(LockTable());
  for (const char* name : {"Meier", "Albers", "Zander"}) {
    ASSERT_TRUE(AppendRecord(false));
    PutField(1, std::string(name));
  }
  CreateOrder("", "NAME", "NAME");  // the table's own CDX
  CloseArea();

  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", true, false));
  EXPECT_EQ(OrderCount(), 1);
  EXPECT_EQ(CurrentOrder(), 0);  // none controlling after the open
  EXPECT_EQ(OrderName(1), "NAME");
  SetOrder(1);
  GoTop();
  EXPECT_EQ(RecordNumber(), 2);
  // A shared write reaches the index with the record: another area sees it in order.
  GoTo(3);
  ASSERT_TRUE(LockRecord());
  PutField(1, std::string("Abel"));
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("Berg"));
  UnlockArea();
  ClearOrders();  // keeps the production CDX
  EXPECT_EQ(OrderCount(), 1);
  EXPECT_EQ(CurrentOrder(), 1);

  ASSERT_TRUE(OpenTable(true, kDriverCdx, "KUNDEN", "K2", true, true));
  SetOrder(1);
  std::vector<int64_t> walk;
  for (GoTop(); !AtEnd(); Skip()) walk.push_back(RecordNumber());
  EXPECT_EQ(walk, (std::vector<int64_t>{3, 2, 4, 1}));  // Abel Albers Berg Meier
  // The error report names the controlling order and its key.
  std::optional<WorkAreaReport> report = TableAreaReport(AreaOfAlias("K2"));
  ASSERT_TRUE(report);
  EXPECT_EQ(report->order, 1);
  EXPECT_EQ(report->key, "NAME");
  EXPECT_TRUE(handler.errors.empty()) << handler.errors.front().description;
}

// A tag another program wrote with a key this program does not understand: the table stays
// readable (in record order), writes are refused naming the expression, and the order cannot
// be chosen.
TEST_F(ProductionIndexTest, UnknownKeyFunctionKeepsTheTableReadableAndRefusesWrites) {
  RecordingHandler handler;
  CreateTable("KUNDEN.DBF", kPeople, kDriverCdx);
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", false, false));
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("Meier"));
  CloseArea();
  {
    std::unique_ptr<CdxFile> cdx;
    ASSERT_TRUE(CdxFile::Create(env_.get(), "KUNDEN.cdx", {}, &cdx).ok());
    OrderInfo info;
    info.name = "ODD";
    info.keyExpression = "FOOBAR(NAME)";
    info.keyLength = 4;
    std::vector<IndexEntry> entries = {{"M600", 1}};
    VectorEntrySource source(&entries);
    ASSERT_TRUE(CreateCdxTag(cdx.get(), info, &source, nullptr).ok());
  }
  ASSERT_TRUE(OpenTable(false, kDriverCdx, "KUNDEN", "", false, false));
  GoTop();
  EXPECT_EQ(GetField(1), Value(Padded("Meier", 12)));
  EXPECT_EQ(OrderKeyText(1), "FOOBAR(NAME)");
  PutField(1, std::string("Schulz"));
  ASSERT_EQ(handler.errors.size(), 1u);
  EXPECT_EQ(handler.errors[0].genCode, kGenUnsupported);
  EXPECT_NE(handler.errors[0].description.find("FOOBAR"), std::string::npos)
      << handler.errors[0].description;
  handler.errors.clear();
  EXPECT_FALSE(AppendRecord());
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenUnsupported});
  SetOrder(1);
  EXPECT_EQ(handler.errors.size(), 1u);
  EXPECT_EQ(CurrentOrder(), 0);
  EXPECT_EQ(GetField(1), Value(Padded("Meier", 12)));
}

}  // namespace
}  // namespace tabrix
