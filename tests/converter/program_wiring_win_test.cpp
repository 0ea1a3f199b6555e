// The converter program's wiring: the message pumps put the selected table back where it stood,
// the Windows error platform reads the application object and the table layer, the default
// error handler is installed, the application object takes the table layer's default driver,
// and a real failure ends the program with the box and an "Error.txt" that lists the open
// tables.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include "converter/frame_fixture_win.h"
#include "converter/program_wiring_win.h"
#include "converter/scripted_user_win.h"
#include "data/diagnostics/error_log.h"
#include "data/diagnostics/errorsys.h"
#include "data/env/memory_env.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"

namespace tabrix::testing_support {
namespace {

namespace fs = std::filesystem;

// Two tables of five records each on the in-memory files, open in areas 1 (KUNDEN) and 2 (LAND).
class WiredTables : public FrameTest {
 protected:
  void SetUp() override {
    previousEnv_ = SetTableEnv(env_.get());
    for (const char* name : {"C:\\KUNDEN.DBF", "C:\\LAND.DBF"}) {
      CreateTable(name, {{"NAME", 'C', 10, 0}}, "DBFCDX");
      SelectArea(0);
      ASSERT_TRUE(OpenTable(true, "DBFCDX", name, "", false, false));
      for (int i = 1; i <= 5; ++i) {
        AppendRecord();
        PutField(1, Value{std::string("R") + std::to_string(i)});
      }
      CommitArea();
    }
    ASSERT_EQ(AreaOfAlias("KUNDEN"), 1);
    ASSERT_EQ(AreaOfAlias("LAND"), 2);
    FrameTest::SetUp();
  }
  void TearDown() override {
    FrameTest::TearDown();
    CloseAllAreas();
    SelectArea(1);
    SetTableEnv(previousEnv_);
  }
  static int64_t RecnoIn(int area) {
    return EvaluateInArea(area, [] { return RecordNumber(); });
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
};

TEST_F(WiredTables, TheAreasShowWhatEachAreaHolds) {
  TableLayerAreas areas;
  SelectArea(2);
  GoTo(4);
  EXPECT_EQ(areas.CurrentArea(), 2);
  const std::optional<AreaPosition> land = areas.Position(2);
  ASSERT_TRUE(land);
  EXPECT_EQ(land->alias, "LAND");
  EXPECT_EQ(land->recno, 4);
  EXPECT_EQ(land->order, 0);
  EXPECT_FALSE(areas.Position(3));
  EXPECT_FALSE(areas.Position(0));
  EXPECT_EQ(areas.CurrentArea(), 2);  // looking did not move
  areas.Select(1);
  areas.GoTo(2);
  EXPECT_EQ(AreaOfAlias(), 1);
  EXPECT_EQ(RecordNumber(), 2);
}

// What a message handled inside a pump does to the tables, and where the pump leaves them.
struct PumpCase {
  const char* what;
  std::function<void()> meanwhile;
  int area;           // current area afterwards
  int64_t kundenRec;  // KUNDEN's record afterwards
};

std::vector<PumpCase> PumpCases() {
  return {
      {"another area selected and moved",
       [] {
         SelectArea(2);
         GoTo(1);
         EvaluateInArea(1, [] { GoTo(5); });
       },
       1, 3},
      {"the same area moved", [] { GoTo(1); }, 1, 3},
      {"another order chosen and the area moved",
       [] {
         if (OrderCount() == 0) CreateOrder("C:\\KUNDENX", "NAME", "NAME");
         SetOrder(1);
         GoBottom();
       },
       1, 3},
      {"the table closed meanwhile",
       [] {
         SelectArea(1);
         CloseArea();
         SelectArea(2);
       },
       2, 0},
  };
}

TEST_F(WiredTables, LocalExecPutsTheSelectedTableBackWhereItStood) {
  ProgramWiring wiring;
  for (const PumpCase& c : PumpCases()) {
    SCOPED_TRACE(c.what);
    if (AreaOfAlias("KUNDEN") == 0) {
      SelectArea(1);
      ASSERT_TRUE(OpenTable(false, "DBFCDX", "C:\\KUNDEN.DBF", "", false, false));
    }
    SelectArea(1);
    GoTo(3);
    ScriptedUser user(nullptr);
    user.Then(c.meanwhile);
    EXPECT_GT(app_->LocalExec(), 0);
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(AreaOfAlias(), c.area);
    if (c.kundenRec > 0) {
      EXPECT_EQ(RecnoIn(1), c.kundenRec);
    }
  }
}

TEST_F(WiredTables, LocalFragePutsTheSelectedTableBackWhereItStood) {
  ProgramWiring wiring;
  for (const PumpCase& c : PumpCases()) {
    SCOPED_TRACE(c.what);
    if (AreaOfAlias("KUNDEN") == 0) {
      SelectArea(1);
      ASSERT_TRUE(OpenTable(false, "DBFCDX", "C:\\KUNDEN.DBF", "", false, false));
    }
    SelectArea(1);
    GoTo(3);
    ScriptedUser user(nullptr);
    user.Then(c.meanwhile);
    LOCAL_FRAGE();
    EXPECT_TRUE(user.Done());
    EXPECT_EQ(AreaOfAlias(), c.area);
    if (c.kundenRec > 0) {
      EXPECT_EQ(RecnoIn(1), c.kundenRec);
      EXPECT_EQ(EvaluateInArea(1, [] { return CurrentOrder(); }), 0);  // record order again
    }
  }
}

TEST_F(WiredTables, WithoutTheWiringThePumpsLeaveTheTablesWhereTheMessagesPutThem) {
  SelectArea(1);
  GoTo(3);
  ScriptedUser user(nullptr);
  user.Then([] {
    SelectArea(2);
    EvaluateInArea(1, [] { GoTo(5); });
  });
  app_->LocalExec();
  EXPECT_EQ(AreaOfAlias(), 2);
  EXPECT_EQ(RecnoIn(1), 5);
}

TEST_F(WiredTables, TheErrorPlatformReadsTheApplicationObjectAndTheTables) {
  WinErrorSysPlatform platform(ProgramErrorHooks());
  app_->lErrorLock = true;
  EXPECT_TRUE(platform.ErrorLogWritesAllowed());
  app_->lErrorLock = false;
  EXPECT_FALSE(platform.ErrorLogWritesAllowed());
  SelectArea(2);
  GoTo(2);
  EXPECT_EQ(platform.CurrentArea(), 2);
  const std::optional<WorkAreaReport> land = platform.WorkArea(2);
  ASSERT_TRUE(land);
  EXPECT_EQ(land->alias, "LAND");
  EXPECT_EQ(land->recno, 2);
  EXPECT_FALSE(platform.WorkArea(7));
  app_.reset();  // no application object: writing is allowed
  EXPECT_TRUE(platform.ErrorLogWritesAllowed());
}

TEST(TabrixProgramWiring, InstallsTheDefaultHandlerAndTheWindowsPlatformForItsLifetime) {
  ErrorSysPlatform* before = &CurrentErrorSysPlatform();
  {
    ProgramWiring wiring;
    const ErrorHandler& handler = CurrentErrorHandler();
    ASSERT_TRUE(handler);
    auto* target = handler.target<ErrorOutcome (*)(const ErrorObject&)>();
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(*target, &DEFERROR);
    EXPECT_EQ(&CurrentErrorSysPlatform(), &wiring.Platform());
    // Division by zero is softened by the default handler: the program goes on.
    ErrorObject zero;
    zero.genCode = kGenZeroDiv;
    EXPECT_EQ(RaiseError(zero).action, ErrorAction::kSubstitute);
  }
  EXPECT_EQ(&CurrentErrorSysPlatform(), before);
  const ErrorHandler& after = CurrentErrorHandler();
  EXPECT_TRUE(!after || after.target<ErrorOutcome (*)(const ErrorObject&)>() == nullptr ||
              *after.target<ErrorOutcome (*)(const ErrorObject&)>() != &DEFERROR);
}

class TabrixAppDriver : public FrameTest {
 protected:
  void SetUp() override {}  // each case starts its own application object
};

TEST_F(TabrixAppDriver, TheApplicationObjectTakesTheTableLayersDefaultDriver) {
  const std::string before = SetDefaultDriver();
  for (const char* driver : {"DBFNTX", "DBFCDX"}) {
    SCOPED_TRACE(driver);
    SetDefaultDriver(driver);
    FrameTest::SetUp();
    EXPECT_EQ(app_->cDBFNTX, driver);
    EXPECT_FALSE(app_->lDBFNTXAX);
    EXPECT_EQ(SetDefaultDriver(), driver);  // set again as the default
    SyncNetTableConfig(*app_);
    EXPECT_EQ(NetTableConfig().defaultDriverName, driver);
    EXPECT_FALSE(NetTableConfig().serverDefault);
    EXPECT_EQ(NetTableConfig().resourceLibrary, app_->cZBRES);
    EXPECT_EQ(NetTableConfig().tempDir, app_->TempDir);
    EXPECT_EQ(NetTableConfig().servedDrive, "!");
    FrameTest::TearDown();
  }
  SetDefaultDriver(before);
}

// ---- a real failure, in a process of its own ----------------------------------------------

constexpr char kChildDirVariable[] = "TABRIX_WIRING_CHILD_DIR";

// Runs only as the child of the test below: opens a table read-only, moves to its third record
// and writes to it, which the default handler does not soften.
TEST(ProgramWiringChild, DISABLED_AWriteToAReadOnlyTableEndsTheProgram) {
  char dir[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA(kChildDirVariable, dir, sizeof dir), 0u);
  const std::string folder = std::string(dir) + "\\";
  SetErrorLog(ErrorLogSetting{folder + "Error.txt", true});
  ProgramWiring wiring;
  const std::string table = folder + "KUNDEN.DBF";
  CreateTable(table, {{"NAME", 'C', 10, 0}}, "DBFCDX");
  SelectArea(0);
  ASSERT_TRUE(OpenTable(true, "DBFCDX", table, "", false, false));
  for (int i = 0; i < 4; ++i) AppendRecord();
  CloseArea();
  ASSERT_TRUE(OpenTable(true, "DBFCDX", table, "KUNDEN", true, true));
  GoTo(3);
  PutField(1, Value{std::string("X")});
  ADD_FAILURE() << "the program went on after the failure";
}

struct ChildWindows {
  DWORD process;
  HWND box = nullptr;
};

BOOL CALLBACK FindBox(HWND window, LPARAM param) {
  auto* found = reinterpret_cast<ChildWindows*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[16] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid == found->process && std::string(cls) == "#32770" && IsWindowVisible(window)) {
    found->box = window;
    return FALSE;
  }
  return TRUE;
}

TEST(TabrixProgramWiring, ARealFailureShowsTheBoxWritesErrorTxtWithTheOpenTablesAndEnds) {
  const fs::path dir = fs::path(TABRIX_BINARY_DIR) / "program_wiring_child";
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::string folder = dir.string();
  for (char& c : folder)
    if (c == '/') c = '\\';
  SetEnvironmentVariableA(kChildDirVariable, folder.c_str());
  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string command =
      std::string("\"") + self +
      "\" --gtest_also_run_disabled_tests "
      "--gtest_filter=ProgramWiringChild.DISABLED_AWriteToAReadOnlyTableEndsTheProgram";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  // The child writes no test report of its own.
  char output[MAX_PATH] = {};
  const bool hadOutput = GetEnvironmentVariableA("GTEST_OUTPUT", output, sizeof output) > 0;
  SetEnvironmentVariableA("GTEST_OUTPUT", nullptr);
  const bool started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &si, &pi) != FALSE;
  SetEnvironmentVariableA(kChildDirVariable, nullptr);
  if (hadOutput) SetEnvironmentVariableA("GTEST_OUTPUT", output);
  ASSERT_TRUE(started);
  // The child's box appears (or the child ends without one).
  ChildWindows found{pi.dwProcessId};
  const DWORD end = GetTickCount() + 30000;
  while (found.box == nullptr && GetTickCount() < end &&
         WaitForSingleObject(pi.hProcess, 50) == WAIT_TIMEOUT) {
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&found));
  }
  ASSERT_NE(found.box, nullptr) << "no box";
  char text[256] = {};
  SendMessageA(GetDlgItem(found.box, 0xFFFF), WM_GETTEXT, sizeof text,
               reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "Fehler bei Programmausf\xFChrung, Programm wird beendet");
  char title[64] = {};
  SendMessageA(found.box, WM_GETTEXT, sizeof title, reinterpret_cast<LPARAM>(title));
  EXPECT_STREQ(title, "QZ-Hinweis");
  PostMessageA(found.box, WM_COMMAND, IDOK, 0);
  ASSERT_EQ(WaitForSingleObject(pi.hProcess, 30000), WAIT_OBJECT_0);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  EXPECT_EQ(code, 1u);

  std::ifstream log(dir / "Error.txt", std::ios::binary);
  std::stringstream content;
  content << log.rdbuf();
  const std::string report = content.str();
  EXPECT_NE(report.find("Current Area ......:1"), std::string::npos) << report;
  EXPECT_NE(report.find("Work Area No ......: 1"), std::string::npos);
  EXPECT_NE(report.find("Alias .............: KUNDEN"), std::string::npos);
  EXPECT_NE(report.find("Current Recno .....: 3"), std::string::npos);
}

}  // namespace
}  // namespace tabrix::testing_support
