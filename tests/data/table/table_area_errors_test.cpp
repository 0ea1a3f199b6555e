// Bad input and failing operations at the table areas: every case ends in a clear error
// object (or the documented tolerant read), never a crash; the handler's answer decides what
// the operation returns.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/base/byte_coding.h"
#include "data/diagnostics/errorsys.h"
#include "data/env/fault_env.h"
#include "data/env/memory_env.h"
#include "data/formats/dbf_header.h"
#include "data/table/table_area.h"
#include "data/table/table_errors.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

class TableAreaErrors : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SelectArea(1);
    NetworkError(false);
    SetTableEnv(previous_);
  }
  void Write(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(testing_support::WriteWholeFile(*env_, name, bytes)) << name;
  }
  std::string Read(const std::string& name) {
    std::optional<std::string> bytes = testing_support::ReadWholeFile(*env_, name);
    EXPECT_TRUE(bytes) << name;
    return bytes.value_or("");
  }
  // A valid table: one C5 field and one M field (FoxPro 2), two records, memo in block 8.
  std::string GoodTable() {
    RecordingHandler handler;
    CreateTable("GOOD.DBF", {{"NAME", 'C', 5, 0}, {"NOTE", 'M', 10, 0}}, "DBFCDX");
    EXPECT_TRUE(OpenTable(false, "DBFCDX", "GOOD.DBF", "", false, false));
    EXPECT_TRUE(AppendRecord());
    PutField(1, std::string("abc"));
    PutField(2, std::string("memo"));
    EXPECT_TRUE(AppendRecord());
    CloseArea();
    EXPECT_TRUE(handler.errors.empty());
    return Read("GOOD.DBF");
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previous_ = nullptr;
};

TEST_F(TableAreaErrors, OpenFailuresNameTheFile) {
  const std::string good = GoodTable();
  const std::string memo = Read("GOOD.fpt");
  auto patched = [&](size_t at, std::string bytes) {
    std::string t = good;
    t.replace(at, bytes.size(), bytes);
    return t;
  };
  struct Case {
    const char* what;
    std::string table;  // "" = no file at all
    std::string memo;   // "" = no memo file
    int code;
    int osCode;
    const char* fileName;
  } cases[] = {
      {"missing file", "", "", kGenOpen, kOsFileNotFound, "T.DBF"},
      {"10 bytes", good.substr(0, 10), memo, kGenOpen, 0, "T.DBF"},
      {"header length past the end", patched(8, "\xff\x7f"), memo, kGenOpen, 0, "T.DBF"},
      {"dBASE 7 version byte, header shorter than the level 7 layout",
       [&] {
         std::string t = patched(0, "\x04");
         t.replace(8, 2, std::string("\x3c\x00", 2));
         return t;
       }(),
       memo, kGenOpen, 0, "T.DBF"},
      {"dBASE II", patched(0, "\x02"), memo, kGenOpen, 0, "T.DBF"},
      {"record length 0 and fields missing", patched(10, std::string("\0\0", 2)).substr(0, 40),
       memo, kGenOpen, 0, "T.DBF"},
      {"memo file missing", good, "", kGenOpen, kOsFileNotFound, "T.fpt"},
      {"memo block size 0", good, memo.substr(0, 6) + std::string(506, '\0'), kGenOpen, 0, "T.fpt"},
      {"memo file of 3 bytes", good, memo.substr(0, 3), kGenOpen, 0, "T.fpt"},
  };
  RecordingHandler handler;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    (void)env_->RemoveFile("T.DBF");
    (void)env_->RemoveFile("T.fpt");
    if (!c.table.empty()) Write("T.DBF", c.table);
    if (!c.memo.empty()) Write("T.fpt", c.memo);
    EXPECT_FALSE(OpenTable(false, "DBFCDX", "T", "", true, false));
    ASSERT_EQ(handler.errors.size(), 1u);
    EXPECT_EQ(handler.errors[0].genCode, c.code);
    EXPECT_EQ(handler.errors[0].osCode, c.osCode);
    EXPECT_EQ(handler.errors[0].fileName, c.fileName);
    EXPECT_EQ(handler.errors[0].subSystem, "DBFCDX");
    EXPECT_FALSE(IsAreaUsed());
    handler.errors.clear();
  }
}

// Damage inside records and memos: the table opens, the bad value raises and reads blank.
TEST_F(TableAreaErrors, DamagedValuesRaiseAndReadBlank) {
  std::string table = GoodTable();
  // Record 1's memo pointer points far beyond the memo file; record 2 carries NUL bytes in
  // its name and a pointer of letters.
  const size_t rec1 = DecodeLE16(reinterpret_cast<const uint8_t*>(&table[8]));
  const size_t rec2 = rec1 + 16;
  table.replace(rec1 + 6, 10, "    999999");
  table.replace(rec2 + 1, 5, std::string("a\0b\0c", 5));
  table.replace(rec2 + 6, 10, "     xyz12");
  Write("GOOD.DBF", table);
  RecordingHandler handler;
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "", true, false));
  EXPECT_EQ(GetField(2), Value(std::string()));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenCorruption});
  // Read into a value that holds text: the same error, and the blank replaces the text.
  Value held = std::string(40, 'h');
  GetFieldInto(2, &held);
  EXPECT_EQ(held, Value(std::string()));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenCorruption});
  Skip();
  EXPECT_EQ(GetField(1), Value(std::string("a\0b\0c", 5)));
  EXPECT_EQ(GetField(2), Value(std::string()));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenCorruption});
  // A substitute value from the handler is what GetField returns.
  ScopedErrorHandler substitute([](const ErrorObject&) {
    return ErrorOutcome{ErrorAction::kSubstitute, std::string("?")};
  });
  EXPECT_EQ(GetField(2), Value(std::string("?")));
  held = 1.5;
  GetFieldInto(2, &held);
  EXPECT_EQ(held, Value(std::string("?")));
}

// A header that promises more records than the file holds: the complete records are served.
TEST_F(TableAreaErrors, LyingRecordCountIsCutToTheRecordsPresent) {
  std::string table = GoodTable();
  uint8_t count[4];
  EncodeLE32(count, 1000);
  table.replace(4, 4, reinterpret_cast<const char*>(count), 4);
  Write("GOOD.DBF", table);
  RecordingHandler handler;
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "", true, true));
  EXPECT_EQ(RecordCount(), 2);
  int visited = 0;
  for (GoTop(); !AtEnd(); Skip()) ++visited;
  EXPECT_EQ(visited, 2);
  EXPECT_TRUE(handler.errors.empty());
}

TEST_F(TableAreaErrors, AreasAndAliases) {
  GoodTable();
  RecordingHandler handler;
  ASSERT_TRUE(OpenTable(false, "", "GOOD", "", true, true));
  EXPECT_EQ(AliasOfArea(), "GOOD");
  EXPECT_EQ(DriverOfArea(), "DBFCDX");
  EXPECT_FALSE(OpenTable(true, "", "GOOD", "good", true, true));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenDupAlias});
  EXPECT_FALSE(OpenTable(true, "ADS", "GOOD", "OTHER", true, true));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenOpen});
  ASSERT_TRUE(OpenTable(true, "dbfntx", "GOOD", "second", true, true));
  EXPECT_EQ(AreaOfAlias(), 2);
  EXPECT_EQ(DriverOfArea(), "DBFNTX");
  EXPECT_EQ(AreaOfAlias("SECOND"), 2);
  EXPECT_EQ(AreaOfAlias("nobody"), 0);
  EXPECT_EQ(AliasOfArea(3), "");
  EXPECT_EQ(AliasOfArea(kMaxTableAreas + 1), "");
  SelectArea(600);
  EXPECT_EQ(AreaOfAlias(), 600);
  EXPECT_FALSE(IsAreaUsed());
  EXPECT_EQ(EvaluateInArea(1, [] { return AliasOfArea(); }), "GOOD");
  EXPECT_EQ(AreaOfAlias(), 600);
  SelectArea("nobody");
  SelectArea(kMaxTableAreas + 1);
  EXPECT_EQ(handler.TakeCodes(), (std::vector<int>{kGenNoAlias, kGenArg}));
  EXPECT_EQ(AreaOfAlias(), 600);
  SelectArea(0);
  EXPECT_EQ(AreaOfAlias(), 3);
  SelectArea("second");
  EXPECT_EQ(AreaOfAlias(), 2);
  EXPECT_EQ(GetFieldByName(1, "nosuchfield"), Value(Null{}));
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenArg});
  EXPECT_EQ(SetDefaultDriver("DBFNTX"), "DBFCDX");
  EXPECT_EQ(SetDefaultDriver("NONSENSE"), "DBFNTX");
  EXPECT_EQ(SetDefaultDriver("DBFCDX"), "DBFNTX");
  EXPECT_EQ(RegisteredDrivers(), (std::vector<std::string>{"DBFCDX", "DBFNTX"}));
  std::optional<WorkAreaReport> report = TableAreaReport(2);
  ASSERT_TRUE(report.has_value());
  EXPECT_EQ(report->alias, "SECOND");
  EXPECT_EQ(report->recno, 1);
  EXPECT_FALSE(TableAreaReport(3).has_value());
  CloseAllAreas();
  EXPECT_EQ(AliasOfArea(1), "");
  EXPECT_TRUE(handler.errors.empty());
}

// Under the default handler a sharing violation on open and a failed append lock set the
// network-error flag and fail softly; no box, no end of the program.
TEST_F(TableAreaErrors, DefaultHandlerSoftensSharingViolationAndAppendLock) {
  GoodTable();
  ScopedErrorHandler defaults(DEFERROR);
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "A", false, false));
  EXPECT_FALSE(OpenTable(true, "DBFCDX", "GOOD", "B", true, false));
  EXPECT_TRUE(NetworkError());
  CloseAllAreas();
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "A", true, false));
  EXPECT_FALSE(NetworkError());  // OpenTable resets the flag
  ASSERT_TRUE(OpenTable(true, "DBFCDX", "GOOD", "B", true, false));
  ASSERT_TRUE(EvaluateInArea(AreaOfAlias("A"), [] { return LockTable(); }));
  EXPECT_FALSE(AppendRecord());
  EXPECT_TRUE(NetworkError());
  EvaluateInArea(AreaOfAlias("A"), [] { UnlockArea(); });
  EXPECT_TRUE(AppendRecord());
  EXPECT_FALSE(NetworkError());
  EXPECT_EQ(RecordCount(), 3);
}

// Without a handler, or when the handler abandons, the error leaves the call as
// ErrorAbandoned; a "retry" answer to an error that allows none does not loop.
TEST_F(TableAreaErrors, AbandonAndRetry) {
  GoodTable();
  {
    RecordingHandler handler(ErrorAction::kRetry);
    ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "", true, true));
    PutField(1, std::string("x"));
    EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenReadOnly});
  }
  ScopedErrorHandler none(nullptr);
  try {
    (void)OpenTable(false, "DBFCDX", "MISSING", "", true, true);
    ADD_FAILURE() << "no ErrorAbandoned";
  } catch (const ErrorAbandoned& a) {
    EXPECT_EQ(a.error.genCode, kGenOpen);
    EXPECT_EQ(a.error.osCode, kOsFileNotFound);
  }
}

// A table with a production index beside it reads normally but refuses writes until the
// index is maintained.
TEST_F(TableAreaErrors, WritesToTablesWithProductionIndexAreRefused) {
  GoodTable();
  Write("GOOD.CDX", std::string(1024, '\0'));
  RecordingHandler handler;
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "", false, false));
  EXPECT_EQ(GetField(1), Value(std::string("abc  ")));
  PutField(1, std::string("x"));
  EXPECT_FALSE(AppendRecord());
  EXPECT_EQ(handler.TakeCodes(), (std::vector<int>{kGenUnsupported, kGenUnsupported}));
  CloseArea();
  // The NTX driver does not open a .CDX.
  ASSERT_TRUE(OpenTable(false, "DBFNTX", "GOOD", "", false, false));
  PutField(1, std::string("x"));
  EXPECT_TRUE(handler.errors.empty());
}

// Every write of a write session fails once in turn (disk full): the error is raised, and the
// files left behind always open again with a consistent header. Shared tables write each
// record and memo at once; exclusive ones hold them back and write them at the end.
TEST_F(TableAreaErrors, FailingWritesLeaveReadableTables) {
  FaultEnv faults(env_.get());
  SetTableEnv(&faults);
  for (int n = 1, shared = 1; shared >= 0; ++n) {
    SCOPED_TRACE(testing::Message() << (shared ? "shared " : "exclusive ") << n);
    RecordingHandler handler;
    CreateTable("F.DBF", {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}}, "DBFCDX");
    ASSERT_TRUE(handler.errors.empty());
    faults.SetCallFault({.nth = n, .osCode = kOsDiskFull, .only = FaultOp::kWrite});
    if (OpenTable(false, "DBFCDX", "F", "", shared == 1, false)) {
      for (int i = 0; i < 3; ++i) {
        if (!AppendRecord()) continue;
        PutField(1, std::string("name") + char('0' + i));
        PutField(2, std::string(100 * (i + 1), 'm'));
      }
      CloseArea();
    }
    const bool fired = faults.fired();
    faults.ClearFaults();
    if (fired) {
      ASSERT_FALSE(handler.errors.empty());
      EXPECT_EQ(handler.errors[0].osCode, kOsDiskFull);
    }
    handler.errors.clear();
    ASSERT_TRUE(OpenTable(false, "DBFCDX", "F", "", true, true));
    EXPECT_LE(RecordCount(), 3);
    for (GoTop(); !AtEnd(); Skip()) {
      const Value name = GetField(1), note = GetField(2);
      if (!fired) {  // the run without a fault: every value as written
        const int i = static_cast<int>(RecordNumber()) - 1;
        EXPECT_EQ(name, Value(std::string("name") + char('0' + i) + "   "));
        EXPECT_EQ(note, Value(std::string(100 * (i + 1), 'm')));
      }
    }
    if (!fired) {
      EXPECT_EQ(RecordCount(), 3);
    }
    CloseArea();
    if (!fired) n = 0, --shared;
  }
  SetTableEnv(env_.get());
}

// Reads that keep failing (a network drive gone): every walk ends, with read errors raised.
TEST_F(TableAreaErrors, FailingReadsEndEveryWalk) {
  GoodTable();
  FaultEnv faults(env_.get());
  SetTableEnv(&faults);
  RecordingHandler handler;
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "GOOD", "", true, false));
  faults.SetCallFault(
      {.nth = 1, .osCode = kOsGeneralFailure, .persistent = true, .only = FaultOp::kRead});
  int steps = 0;
  for (GoTop(); !AtEnd() && steps < 10; Skip()) ++steps;
  EXPECT_TRUE(AtEnd());
  for (GoBottom(); !AtBeginning() && steps < 10; Skip(-1)) ++steps;
  EXPECT_TRUE(AtBeginning());
  GoTo(1);
  EXPECT_TRUE(AtEnd());
  EXPECT_EQ(steps, 0);
  ASSERT_FALSE(handler.errors.empty());
  for (const ErrorObject& e : handler.errors) EXPECT_EQ(e.genCode, kGenRead);
  faults.ClearFaults();
  GoTop();
  EXPECT_EQ(GetField(1), Value(std::string("abc  ")));
  CloseAllAreas();
  SetTableEnv(env_.get());
}

}  // namespace
}  // namespace tabrix
