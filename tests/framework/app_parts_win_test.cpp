// The application object's smaller parts with its real main window: the old 3-D control
// library switch, the tool bar's colour update, DDE servers cleaned up at the end, the learn
// mode tooltip, the character type, the database-server connection and the exit procedure.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "data/diagnostics/error_log_fixture.h"
#include "data/stdlib/stfkt.h"
#include "data/stdlib/stfkt_fake.h"
#include "framework/app_settings.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

std::vector<std::string> gLog;

class PartsApp : public ZB_APP {
 public:
  std::vector<std::string> boxes;
  int boxAnswer = IDYES;

 protected:
  int ShowBox(HWND, const std::string& text, const std::string&, UINT) override {
    boxes.push_back(text);
    return boxAnswer;
  }
  std::string TempDirFor(const std::string&) override { return TABRIX_BINARY_DIR "/"; }
  void Trace(const std::string&) override {}
};

struct LoggingToolBar : ToolBarObject {
  void ChangeToolBarButtonColors() override { gLog.push_back("toolbar colours"); }
};

struct LoggingDdeServer : DdeServerObject {
  explicit LoggingDdeServer(std::string n) : name(std::move(n)) {}
  ~LoggingDdeServer() override { gLog.push_back(name + " gone"); }
  void DDEML_CleanupStuff() override { gLog.push_back(name + " cleanup"); }
  std::string name;
};

struct LoggingTip : TipObject {
  ~LoggingTip() override { gLog.push_back("tip gone"); }
  void Close() override { gLog.push_back("tip close"); }
};

struct FakeConnection : RepositoryConnection {
  void Disconnect() override { gLog.push_back("disconnect"); }
  bool Connect(const std::string& path, const std::string& user, const std::string& password,
               int serverTypes) override {
    gLog.push_back("connect " + path + " " + user + " " + password + " " +
                   std::to_string(serverTypes));
    return answer;
  }
  int64_t LastServerError() override { return 7008; }
  bool answer = true;
};

class AppPartsTest : public testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    sys_.libraries["ctl3d.dll"] = 0x7000;
    sys_.exports = {"Ctl3dRegister", "Ctl3dAutoSubclass", "Ctl3dUnregister", "Ctl3dColorChange"};
  }
  void TearDown() override { CTL3DCLOSE(); }
  static std::string ClassName() {
    return std::string("TabrixParts_") +
           testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  FakeStfktSystem sys_;
  ScopedStfktSystem scoped_{&sys_};
};

TEST_F(AppPartsTest, Ctl3dIsSwitchedOnlyWhenAskedAndToldAboutColourChanges) {
  PartsApp app;
  ASSERT_EQ(app.Init(ClassName(), "Parts", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  EXPECT_TRUE(sys_.loads.empty());  // lCtl3d is off: Init leaves the library alone
  EXPECT_FALSE(Ctl3dLoaded());
  LoggingToolBar toolBar;
  app.oToolBar = &toolBar;

  app.OnSysColorChange(true);
  EXPECT_EQ(gLog, (std::vector<std::string>{"toolbar colours"}));
  EXPECT_TRUE(sys_.calls.empty());  // not loaded: no colour change call

  app.SetCtl3d(true);
  EXPECT_TRUE(app.aEVars.lCtl3d);
  EXPECT_TRUE(Ctl3dLoaded());
  SendMessageA(app.hwnd, WM_SYSCOLORCHANGE, 0, 0);
  EXPECT_EQ(gLog.size(), 2u);
  app.SetCtl3d(true);  // CheckCTL3D: off and on again
  app.SetCtl3d(false);
  EXPECT_FALSE(Ctl3dLoaded());
  const std::string inst = std::to_string(sys_.instance);
  EXPECT_EQ(sys_.calls, (std::vector<std::string>{
                            "Ctl3dRegister(" + inst + ")", "Ctl3dAutoSubclass(" + inst + ")",
                            "Ctl3dColorChange()", "Ctl3dUnregister(" + inst + ")",
                            "Ctl3dRegister(" + inst + ")", "Ctl3dAutoSubclass(" + inst + ")",
                            "Ctl3dUnregister(" + inst + ")"}));
  EXPECT_EQ(sys_.frees.size(), 2u);
  EXPECT_TRUE(sys_.boxes.empty());
  app.oToolBar = nullptr;
}

TEST_F(AppPartsTest, MissingCtl3dLibraryShowsTheFatalBox) {
  sys_.libraries.clear();
  PartsApp app;
  ASSERT_EQ(app.Init(ClassName(), "Parts", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  app.SetCtl3d(true);
  EXPECT_FALSE(Ctl3dLoaded());
  ASSERT_EQ(sys_.boxes.size(), 1u);
  EXPECT_EQ(sys_.boxes[0].text, "CTL3D.DLL not found");
  EXPECT_EQ(sys_.boxes[0].caption, "FATAL");
}

TEST_F(AppPartsTest, DdeServersAreCleanedUpAndDroppedWhenTheMainWindowGoes) {
  PartsApp app;
  ASSERT_EQ(app.Init(ClassName(), "Parts", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  app.aDDEServer.push_back(std::make_unique<LoggingDdeServer>("A"));
  app.aDDEServer.push_back(std::make_unique<LoggingDdeServer>("B"));
  EXPECT_EQ(SendMessageA(app.hwnd, WM_CLOSE, 0, 0), 1);
  EXPECT_TRUE(app.aDDEServer.empty());
  EXPECT_EQ(gLog, (std::vector<std::string>{"A cleanup", "B cleanup", "A gone", "B gone"}));
}

TEST_F(AppPartsTest, LearnModeYesClosesAndDropsTheTooltip) {
  PartsApp app;
  ASSERT_EQ(app.Init(ClassName(), "Parts", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  HWND entry =
      CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  app.AddDlgHandle(DlgEntry{entry, 1, "ERFASSUNG", true});  // asked before the dialog is
  app.Set_LearnMode(true);
  app.lShowTip = true;
  app.oTip = std::make_unique<LoggingTip>();

  app.boxAnswer = IDNO;
  EXPECT_EQ(SendMessageA(app.hwnd, WM_CLOSE, 0, 0), 0);
  EXPECT_TRUE(gLog.empty());
  EXPECT_NE(app.oTip, nullptr);
  EXPECT_TRUE(app.lShowTip);
  EXPECT_TRUE(IsWindow(app.hwnd));

  app.boxAnswer = IDYES;
  EXPECT_EQ(app.CloseApp(0, 0), 1);
  EXPECT_EQ(gLog, (std::vector<std::string>{"tip close", "tip gone"}));
  EXPECT_EQ(app.oTip, nullptr);
  EXPECT_FALSE(app.lShowTip);
  EXPECT_FALSE(app.Get_LearnMode());
  EXPECT_EQ(app.boxes.size(), 2u);
  EXPECT_EQ(app.hActive, entry);
  DestroyWindow(entry);
}

TEST_F(AppPartsTest, CharTypeIsKept) {
  PartsApp app;
  EXPECT_TRUE(std::holds_alternative<Null>(app.Get_CharType()));
  app.Set_CharType(Value{std::string("OEM")});
  EXPECT_EQ(app.Get_CharType(), Value{std::string("OEM")});
}

TEST_F(AppPartsTest, ConnectStoresTheLoginAndChoosesTheServerTypes) {
  PartsApp app;
  FakeConnection server;
  app.SetRepositoryConnection(&server);
  struct Case {
    const char* path;
    bool local;
    int types;
  };
  const Case cases[] = {{"\\\\SRV\\VELARTO\\DATA.ADD", false, 7},
                        {"\\\\SRV\\VELARTO\\DATA.ADD", true, 1},
                        {"C:\\VELARTO\\DATA.ADD", false, 1},
                        {"X:\\\\VELARTO", false, 7}};
  for (const Case& c : cases) {
    gLog.clear();
    EXPECT_TRUE(app.Connect(c.path, "ADSSYS", "geheim", c.local));
    EXPECT_TRUE(app.lRepository);
    EXPECT_EQ(app.adsRepPath, c.path);
    EXPECT_EQ(app.adsUser, "ADSSYS");
    EXPECT_EQ(app.adsPwd, "geheim");
    EXPECT_EQ(app.adsLocal, c.local);
    EXPECT_EQ(gLog, (std::vector<std::string>{"disconnect", std::string("connect ") + c.path +
                                                                " ADSSYS geheim " +
                                                                std::to_string(c.types)}))
        << c.path;
  }
  server.answer = false;
  EXPECT_FALSE(app.Reconnect());
  // Without a connection of the program's own there is no server client.
  app.SetRepositoryConnection(nullptr);
  EXPECT_FALSE(app.Connect("\\\\SRV\\X", "u", "p"));
  EXPECT_TRUE(app.lRepository);
}

TEST_F(AppPartsTest, ExitProcedureDisconnectsFromTheServerAndClosesTheLockFiles) {
  for (bool served : {false, true}) {
    SCOPED_TRACE(served);
    gLog.clear();
    PartsApp app;
    FakeConnection server;
    app.SetRepositoryConnection(&server);
    ASSERT_EQ(app.Init(ClassName() + (served ? "1" : "0"), "Parts", ZBRES32_DLL),
              ZB_APP::InitResult::kReady);
    app.lDBFNTXAX = served;
    const std::string lockName =
        std::string(TABRIX_BINARY_DIR "/parts_lock") + (served ? "1" : "0");
    app.hNetLock = CreateFileA(lockName.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(app.hNetLock, INVALID_HANDLE_VALUE);
    HANDLE lock = app.hNetLock;
    app.ExitProcedure();
    EXPECT_EQ(app.hNetLock, nullptr);
    DWORD flags = 0;
    EXPECT_FALSE(GetHandleInformation(lock, &flags));  // closed
    EXPECT_EQ(app.hZBRES, nullptr);
    EXPECT_EQ(gLog, served ? std::vector<std::string>{"disconnect"} : std::vector<std::string>{});
  }
}

// Tables that fail to close at the end are logged, with the server's last error when the server
// served them.
class ClosingApp : public PartsApp {
 protected:
  std::optional<std::string> CloseAllTables() override { return "Schreibfehler"; }
};

class AppClosingLogTest : public ErrorLogTest {};

TEST_F(AppClosingLogTest, FailedCloseIsLoggedWithTheServersErrorWhenServed) {
  SetErrorLog({PathOf("Error.txt"), true});
  for (bool served : {false, true}) {
    SCOPED_TRACE(served);
    Write("Error.txt", "");
    ClosingApp app;
    FakeConnection server;
    app.SetRepositoryConnection(&server);
    app.lDBFNTXAX = served;
    app.DESTROY(0, 0);
    const std::string entry = "Beschreibung: Fehler in ZB_APP in WndProc() bei DBCLOSEALL() , " +
                              std::string("Schreibfehler") +
                              (served ? "\r\n ADS-Error: 7008" : "") + "\r\n";
    EXPECT_NE(Read("Error.txt").find(entry), std::string::npos) << Read("Error.txt");
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
}

}  // namespace
}  // namespace tabrix
