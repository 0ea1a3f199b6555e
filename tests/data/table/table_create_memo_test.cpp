// Two table-layer services for tables copied from templates: writing the memo file a table
// declares but lacks, and reading a table's code page mark.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/env/env_test_support.h"
#include "data/env/fault_env.h"
#include "data/env/memory_env.h"
#include "data/formats/dbf_header.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"
#include "data/table/table_area.h"
#include "data/table/table_create.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::ReadWholeFile;
using testing_support::RecordingHandler;
using testing_support::WriteWholeFile;

const std::vector<StructureRow> kWithMemo = {{"NAME", 'C', 20, 0}, {"NOTIZ", 'M', 10, 0}};
const std::vector<StructureRow> kWithoutMemo = {{"NAME", 'C', 20, 0}};

class MissingMemoFile : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previous_);
  }

  // A table of `rows` written by the layer, its version byte then replaced by `version`.
  void MakeTable(const std::string& name, const std::vector<StructureRow>& rows,
                 const std::string& driver, std::optional<uint8_t> version = std::nullopt) {
    ASSERT_TRUE(CreateTableFiles(env_.get(), name, rows, driver).ok()) << name;
    if (version) Patch(name, 0, static_cast<char>(*version));
  }
  void Patch(const std::string& name, size_t at, char byte) {
    std::string bytes = ReadWholeFile(*env_, name).value_or("");
    ASSERT_GT(bytes.size(), at) << name;
    bytes[at] = byte;
    ASSERT_TRUE(WriteWholeFile(*env_, name, bytes)) << name;
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

// The template case: a table declaring a memo field arrives without its memo file. Afterwards
// it opens, and a memo written reads back in a later session.
TEST_F(MissingMemoFile, MadeForEachMemoKindTheTableThenOpens) {
  const struct {
    const char* what;
    const char* driver;
    std::optional<uint8_t> version;
    const char* memo;
  } cases[] = {
      {"FoxPro 2", "DBFCDX", std::nullopt, "T1.FPT"},
      {"FoxBASE+ with memo", "DBFCDX", kDbfVersionFoxBaseMemo, "T2.FPT"},
      {"dBASE III", "DBFNTX", std::nullopt, "T3.DBT"},
      {"dBASE IV", "DBFNTX", kDbfVersionDbase4Memo, "T4.DBT"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string table = std::string(c.memo).substr(0, 2) + ".DBF";
    MakeTable(table, kWithMemo, c.driver, c.version);
    const std::optional<std::string> written = ReadWholeFile(*env_, c.memo);
    ASSERT_TRUE(written);
    ASSERT_TRUE(env_->RemoveFile(c.memo).ok());

    MemoFileStatus status = CreateMissingMemoFile(env_.get(), table);
    EXPECT_EQ(status.outcome, MemoFileOutcome::kCreated);
    EXPECT_FALSE(status.error);
    const std::optional<std::string> made = ReadWholeFile(*env_, c.memo);
    ASSERT_TRUE(made);
    if (c.version != kDbfVersionDbase4Memo) {
      // The same empty memo file the layer writes with a new table.
      EXPECT_EQ(*made, *written);
    } else {
      const auto* bytes = reinterpret_cast<const uint8_t*>(made->data());
      Result<DbtHeader> h = ParseDbtHeader({bytes, made->size()}, DbtFlavour::kDbase4, c.memo);
      ASSERT_TRUE(h.ok()) << h.error().ToString();
      EXPECT_EQ(h.value().nextFree, 1u);
      EXPECT_EQ(h.value().blockSize, kDbtBlockSize);
      EXPECT_EQ(made->size(), kDbtBlockSize);
      EXPECT_EQ(made->substr(8, 3), std::string("T4\0", 3));
    }

    RecordingHandler handler;
    ASSERT_TRUE(OpenTable(false, c.driver, table, "", false, false));
    ASSERT_TRUE(AppendRecord());
    PutField(2, std::string("Zweite Zeile\r\nder Notiz"));
    CloseArea();
    ASSERT_TRUE(OpenTable(false, c.driver, table, "", true, true));
    EXPECT_EQ(GetField(2), Value(std::string("Zweite Zeile\r\nder Notiz")));
    CloseArea();
    EXPECT_TRUE(handler.errors.empty());
  }
}

TEST_F(MissingMemoFile, NothingMadeWhenNotNeeded) {
  MakeTable("PLAIN.DBF", kWithoutMemo, "DBFCDX");
  // A memo version byte without memo fields needs no memo file to open.
  MakeTable("FOXPLAIN.DBF", kWithoutMemo, "DBFCDX", kDbfVersionFoxPro2Memo);
  MakeTable("HASMEMO.DBF", kWithMemo, "DBFCDX");
  ASSERT_TRUE(WriteWholeFile(*env_, "HASMEMO.FPT", "kept as it is"));
  MakeTable("LOWER.DBF", kWithMemo, "DBFNTX");
  ASSERT_TRUE(env_->RemoveFile("LOWER.DBT").ok());
  ASSERT_TRUE(WriteWholeFile(*env_, "lower.dbt", "kept as it is"));

  for (const char* table : {"PLAIN.DBF", "FOXPLAIN.DBF", "HASMEMO.DBF", "LOWER.DBF"}) {
    MemoFileStatus status = CreateMissingMemoFile(env_.get(), table);
    EXPECT_EQ(status.outcome, MemoFileOutcome::kNotNeeded) << table;
    EXPECT_FALSE(status.error) << table;
  }
  for (const char* memo : {"PLAIN.FPT", "PLAIN.DBT", "FOXPLAIN.FPT", "FOXPLAIN.DBT"}) {
    EXPECT_FALSE(env_->FileExists(memo)) << memo;
  }
  EXPECT_EQ(ReadWholeFile(*env_, "HASMEMO.FPT"), "kept as it is");
  EXPECT_EQ(ReadWholeFile(*env_, "LOWER.DBT"), "kept as it is");
}

TEST_F(MissingMemoFile, FailuresNameTheirCause) {
  MakeTable("DAMAGED.DBF", kWithMemo, "DBFCDX");
  ASSERT_TRUE(WriteWholeFile(*env_, "DAMAGED.DBF", "0123456789"));
  MakeTable("NOSPACE.DBF", kWithMemo, "DBFCDX");
  ASSERT_TRUE(env_->RemoveFile("NOSPACE.FPT").ok());
  FaultEnv faults(env_.get());

  const struct {
    const char* what;
    const char* table;
    std::optional<FaultOp> fault;
    int genCode;
    int osCode;
  } cases[] = {
      {"missing table", "NONE.DBF", std::nullopt, kGenOpen, kOsFileNotFound},
      {"damaged header", "DAMAGED.DBF", std::nullopt, kGenOpen, 0},
      {"memo file cannot be written", "NOSPACE.DBF", FaultOp::kWrite, kGenCreate, kOsDiskFull},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    faults.ClearFaults();
    if (c.fault) faults.SetCallFault({.nth = 1, .osCode = kOsDiskFull, .only = c.fault});
    MemoFileStatus status = CreateMissingMemoFile(&faults, c.table);
    EXPECT_EQ(status.outcome, MemoFileOutcome::kFailed);
    ASSERT_TRUE(status.error);
    EXPECT_EQ(status.error->genCode, c.genCode);
    EXPECT_EQ(status.error->osCode, c.osCode);
  }
  // The memo file the failed write began is gone, so a later attempt starts afresh.
  EXPECT_FALSE(env_->FileExists("NOSPACE.FPT"));
  faults.ClearFaults();
  EXPECT_EQ(CreateMissingMemoFile(&faults, "NOSPACE.DBF").outcome, MemoFileOutcome::kCreated);
}

// The memo file's extension follows the case of the table's: seen on the platform's own file
// system, where names keep their case.
TEST(MissingMemoFileName, TakesTheCaseOfTheTableExtension) {
  const std::filesystem::path dir =
      std::filesystem::current_path() / testing_support::ScratchName("memocase");
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  const struct {
    const char* table;
    const char* memo;
  } cases[] = {{"upper.DBF", "upper.FPT"}, {"lower.dbf", "lower.fpt"}, {"mixed.Dbf", "mixed.fpt"}};
  for (const auto& c : cases) {
    const std::string table = (dir / c.table).string();
    ASSERT_TRUE(CreateTableFiles(DefaultEnv(), table, kWithMemo, "DBFCDX").ok());
    // The layer writes new memo files with ".fpt".
    const std::string stem = std::filesystem::path(c.table).stem().string();
    ASSERT_TRUE(std::filesystem::remove(dir / (stem + ".fpt"))) << c.table;
    EXPECT_EQ(CreateMissingMemoFile(DefaultEnv(), table).outcome, MemoFileOutcome::kCreated);
    EXPECT_TRUE(std::filesystem::exists(dir / c.memo)) << c.memo;
  }
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"lower.dbf", "lower.fpt", "mixed.Dbf", "mixed.fpt",
                                             "upper.DBF", "upper.FPT"}));
  std::filesystem::remove_all(dir);
}

// The code page mark of the table in the current area, as its header carries it.
TEST_F(MissingMemoFile, CodePageMarkOfTheCurrentArea) {
  const struct {
    const char* table;
    std::optional<char> mark;  // patched into byte 29; none: as the layer writes it
    uint8_t expected;
  } cases[] = {
      {"OEM.DBF", std::nullopt, kNewTableCodePageMark},
      {"ANSI.DBF", '\x03', 0x03},
      {"NOMARK.DBF", '\x00', 0x00},
      {"HIGH.DBF", '\xC8', 0xC8},
  };
  RecordingHandler handler;
  for (const auto& c : cases) {
    MakeTable(c.table, kWithoutMemo, "DBFCDX");
    if (c.mark) Patch(c.table, 29, *c.mark);
    ASSERT_TRUE(OpenTable(true, "DBFCDX", c.table, "", true, true)) << c.table;
  }
  for (const auto& c : cases) {
    SelectArea(AreaOfAlias(std::string(c.table).substr(0, std::string(c.table).find('.'))));
    EXPECT_EQ(CodePageMark(), c.expected) << c.table;
  }
  SelectArea(0);
  EXPECT_EQ(CodePageMark(), 0);
  EXPECT_TRUE(handler.errors.empty());
}

}  // namespace
}  // namespace tabrix
