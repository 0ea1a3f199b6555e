#include "data/stdlib/stfkt_table.h"

#include <gtest/gtest.h>

#include <memory>

#include "data/env/memory_env.h"
#include "data/stdlib/stfkt_fake.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

const std::vector<StructureRow> kRows = {{"NAME", 'C', 20, 0}, {"PLZ", 'C', 5, 0}};
const std::vector<StructureRow> kOldRows = {{"ALT", 'N', 5, 0}};

TEST(LocalTableNameTest, ExtensionAndCase) {
  struct Case {
    const char* given;
    const char* expected;
  } cases[] = {
      {"kunden", "KUNDEN.DBF"},
      {"kunden.dbf", "KUNDEN.DBF"},
      {"c:\\tmp\\wk.tmp", "c:\\tmp\\WK.TMP"},  // the directory is left as given
      {"dir.x/abcde", "dir.x/ABCDE.DBF"},      // a "." outside the last four characters
      {"a.b", "A.B"},
      {"ab", "AB.DBF"},
  };
  for (const Case& c : cases) EXPECT_EQ(LocalTableName(c.given), c.expected) << c.given;
}

class DbCreateLocalTest : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }

  std::vector<StructureRow> StructureOf(const std::string& file) {
    std::vector<StructureRow> rows;
    if (OpenTable(true, "", file, "PROBE", false, true)) {
      rows = Structure();
      CloseArea();
    }
    return rows;
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
  FakeStfktSystem sys_;
  ScopedStfktSystem sysScope_{&sys_};
};

TEST_F(DbCreateLocalTest, CreatesNewAndReplacesOldTableWithoutWaiting) {
  RecordingHandler handler;
  EXPECT_EQ(DBCREATELOCAL("work", kRows, "DBFNTX"), kCreateLocalOk);
  EXPECT_TRUE(env_->FileExists("WORK.DBF"));
  EXPECT_EQ(StructureOf("WORK.DBF"), kRows);

  CreateTable("OLD.DBF", kOldRows, "DBFNTX");
  EXPECT_EQ(DBCREATELOCAL("old.dbf", kRows), kCreateLocalOk);
  EXPECT_EQ(StructureOf("OLD.DBF"), kRows);
  EXPECT_TRUE(sys_.sleeps.empty());  // a file nobody holds goes at the first try
  EXPECT_TRUE(handler.TakeCodes().empty());
}

TEST_F(DbCreateLocalTest, FileHeldOpenIsRetriedForTenSecondsAndReportsOne) {
  RecordingHandler handler;
  CreateTable("HELD.DBF", kOldRows, "DBFNTX");
  // Another program keeps the old table open: it cannot be removed.
  std::unique_ptr<File> held;
  ASSERT_TRUE(env_->Open("HELD.DBF", {}, &held).ok());
  const double start = sys_.clock;

  int result = DBCREATELOCAL("held", kRows, "DBFNTX");

  EXPECT_EQ(result, kCreateLocalOldFileKept);
  EXPECT_TRUE(env_->FileExists("HELD.DBF"));
  EXPECT_NEAR(sys_.clock - start, kCreateLocalRemoveTries * kCreateLocalRemovePause, 0.05);
  EXPECT_GT(sys_.dispatchCalls, 0);  // messages were handled while waiting
}

TEST_F(DbCreateLocalTest, FileReleasedWhileWaitingIsReplaced) {
  RecordingHandler handler;
  CreateTable("HELD.DBF", kOldRows, "DBFNTX");
  std::unique_ptr<File> held;
  ASSERT_TRUE(env_->Open("HELD.DBF", {}, &held).ok());
  // The other program lets go of the file during the first wait.
  sys_.messageBatches.push_back({1, [&] { held.reset(); }});

  EXPECT_EQ(DBCREATELOCAL("held", kRows, "DBFNTX"), kCreateLocalOk);
  EXPECT_EQ(StructureOf("HELD.DBF"), kRows);
  EXPECT_LE(sys_.clock - 1000.0, 2 * kCreateLocalRemovePause);
}

TEST_F(DbCreateLocalTest, FailedCreateReportsTwo) {
  RecordingHandler handler;
  // A field type no table can hold: CreateTable raises create error 20 and writes nothing.
  EXPECT_EQ(DBCREATELOCAL("bad", {{"X", 'Q', 5, 0}}, "DBFNTX"), kCreateLocalMissing);
  EXPECT_FALSE(env_->FileExists("BAD.DBF"));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{20});
}

TEST_F(DbCreateLocalTest, ServerDefaultCreatesWithLocalCdxAndRestoresDefault) {
  RecordingHandler handler;
  const std::string before = SetDefaultDriver(std::string_view("DBFNTX"));
  // A memo field shows the driver: FoxPro memo (.FPT) for DBFCDX, .DBT for DBFNTX.
  std::vector<StructureRow> rows = {{"NOTIZ", 'M', 10, 0}};
  EXPECT_EQ(DBCREATELOCAL("memo", rows, "", LocalDriverSettings{.serverDefault = true}),
            kCreateLocalOk);
  EXPECT_TRUE(env_->FileExists("MEMO.FPT"));
  EXPECT_FALSE(env_->FileExists("MEMO.DBT"));
  EXPECT_EQ(SetDefaultDriver(), "DBFNTX");

  EXPECT_EQ(DBCREATELOCAL("memo2", rows), kCreateLocalOk);
  EXPECT_TRUE(env_->FileExists("MEMO2.DBT"));
  SetDefaultDriver(before);
}

}  // namespace
}  // namespace tabrix
