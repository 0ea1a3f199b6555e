// The application object with its real main window: start, the resource library and its
// failure boxes, closing with the remembered close code, the system close command, placement
// from the INI file, help, the dialog registry, the record-change timer and the loops.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framework/app_settings.h"
#include "framework/native/bridge_win.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;

struct Received {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Received> gProbeGot;

// Stands in for a framework dialog: records the framework messages it is sent.
LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= 4086 && message <= 4260) gProbeGot.push_back({window, message, wParam, lParam});
  return DefWindowProcA(window, message, wParam, lParam);
}

struct HelpCall {
  std::string file;
  UINT command;
  ULONG_PTR data;
};

class TestApp : public ZB_APP {
 public:
  std::vector<std::pair<std::string, std::string>> boxes;  // text, title
  int boxAnswer = IDOK;
  std::vector<HelpCall> help;
  MsgResult sysCloseAnswer;
  std::vector<UINT> handled;
  std::string tempDir;
  std::optional<SIZE> screen;
  int shiftDlgCalls = 0;

  MsgResult HandleMessage(UINT message, WPARAM wParam, LPARAM) override {
    handled.push_back(message);
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return sysCloseAnswer;
    return {};
  }
  MsgResult OnShiftDlg(WPARAM, LPARAM) override {
    ++shiftDlgCalls;
    return {};
  }
  int AreaOfAlias(const std::string& alias) override { return alias == "KUNDEN" ? 3 : 0; }

 protected:
  int ShowBox(HWND, const std::string& text, const std::string& title, UINT) override {
    boxes.emplace_back(text, title);
    return boxAnswer;
  }
  bool CallWinHelp(HWND, const std::string& file, UINT command, ULONG_PTR data) override {
    help.push_back({file, command, data});
    return true;
  }
  std::string TempDirFor(const std::string& className) override {
    return tempDir.empty() ? ZB_APP::TempDirFor(className) : tempDir;
  }
  void Trace(const std::string&) override {}
  SIZE ScreenSize() const override { return screen ? *screen : ZB_APP::ScreenSize(); }
};

class AppTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = getInstance();
    wc.lpszClassName = "TabrixAppProbe";
    RegisterClassA(&wc);
  }
  void SetUp() override {
    gProbeGot.clear();
    dir_ = fs::path(TABRIX_BINARY_DIR) / "app_win_test" /
           testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    for (HWND w : probes_) DestroyWindow(w);
    Drain();
  }
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // A class name of its own per test: classes are process-wide.
  static std::string ClassName() {
    return std::string("TabrixApp_") +
           testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  void StartApp(TestApp& app) {
    app.tempDir = (dir_ / "").string();
    ASSERT_EQ(app.Init(ClassName(), "Tabrix Test", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  }
  HWND Probe() {
    HWND w = CreateWindowExA(0, "TabrixAppProbe", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                             getInstance(), nullptr);
    probes_.push_back(w);
    return w;
  }
  std::vector<Received> ProbeGot(UINT message) const {
    std::vector<Received> out;
    for (const Received& r : gProbeGot) {
      if (r.message == message) out.push_back(r);
    }
    return out;
  }
  static bool TakeWaiting(HWND window, UINT message) {
    MSG msg;
    return PeekMessageA(&msg, window, message, message, PM_REMOVE) != FALSE;
  }

  fs::path dir_;
  std::vector<HWND> probes_;
};

TEST_F(AppTest, InitCreatesTheHiddenMainWindowAndLoadsTheResourceLibrary) {
  TestApp app;
  StartApp(app);
  EXPECT_EQ(OAPP(), &app);
  ASSERT_NE(app.hwnd, nullptr);
  EXPECT_FALSE(IsWindowVisible(app.hwnd));
  char caption[64] = {};
  GetWindowTextA(app.hwnd, caption, sizeof caption);
  EXPECT_STREQ(caption, "Tabrix Test");
  RECT r;
  GetWindowRect(app.hwnd, &r);
  EXPECT_EQ(r.right - r.left, 640);
  EXPECT_EQ(r.bottom - r.top, 480);
  EXPECT_EQ(GetWindowLongA(app.hwnd, GWL_STYLE) & 47120384, 47120384);
  ASSERT_NE(GetMessageStack(app.hwnd), nullptr);
  EXPECT_EQ(GetMessageStack(app.hwnd)->ChainLength(), 2u);
  EXPECT_EQ(app.WndProcIndex(), 1u);
  EXPECT_NE(app.hZBRES, nullptr);
  EXPECT_EQ(app.aOldText.text, "Bereit");  // string 111 of the library
  EXPECT_EQ(app.aEVars.nWheelOffset, 25);
  EXPECT_NE(app.GetGreyPen(), nullptr);
  EXPECT_NE(app.GetLightPen(), nullptr);
  EXPECT_TRUE(app.cSysDir.ends_with("\\"));
  EXPECT_TRUE(DLGGETCENTINIFILENAME().ends_with("FRAMEWORK_TESTS.INI"));
  EXPECT_TRUE(app.boxes.empty());
  EXPECT_EQ(app.GetActiveDlg(), app.hwnd);  // no dialog yet
}

TEST_F(AppTest, SecondInstanceIsRefused) {
  TestApp first;
  StartApp(first);
  TestApp second;
  EXPECT_EQ(second.Init(ClassName(), "Tabrix Test", ZBRES32_DLL), ZB_APP::InitResult::kNotStarted);
  EXPECT_EQ(second.hwnd, nullptr);
}

TEST_F(AppTest, MissingResourceLibraryShowsTwoBoxesAndCloses) {
  HMODULE found = LoadLibraryA("ZBRES32.DLL");
  if (found) {
    FreeLibrary(found);
    GTEST_SKIP() << "ZBRES32.DLL is on the search path";
  }
  TestApp app;
  app.tempDir = (dir_ / "").string();
  EXPECT_EQ(app.Init(ClassName(), "Tabrix Test", "NOSUCH.DLL"), ZB_APP::InitResult::kFailed);
  ASSERT_EQ(app.boxes.size(), 2u);
  EXPECT_EQ(app.boxes[0].second, "Warning");
  EXPECT_EQ(app.boxes[0].first,
            "     NOSUCH.DLL not found !\r\n   Please install NOSUCH.DLL\r\nin your System. Some "
            "Functions may not be available without NOSUCH.DLL.");
  EXPECT_EQ(app.boxes[1].second, "Error");
  EXPECT_EQ(app.boxes[1].first,
            "     NOSUCH.DLL not found !\r\n   Please install NOSUCH.DLL\r\nin your System");
  EXPECT_EQ(app.hZBRES, nullptr);
  HWND window = app.hwnd;
  ASSERT_TRUE(IsWindow(window));
  app.LocalExec();  // the posted close command runs: close, destroy, quit
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(app.QuitFlagSet());
}

TEST_F(AppTest, CloseCodeIsRememberedForLaterCloses) {
  TestApp app;
  StartApp(app);
  HWND entry = Probe();
  app.AddDlgHandle(DlgEntry{entry, 1, "ERFASSUNG", true});

  struct Step {
    LPARAM lParam;
    int remembered;
    WPARAM request;
  };
  const Step steps[] = {{0, 0, 1002},  {-1, -1, 1106}, {0, -1, 1106},
                        {5, -1, 1106}, {-2, -2, 1104}, {0, -2, 1104}};
  for (const Step& s : steps) {
    SCOPED_TRACE(s.lParam);
    gProbeGot.clear();
    EXPECT_EQ(SendMessageA(app.hwnd, WM_CLOSE, 0, s.lParam), 0);  // the dialog decides
    EXPECT_EQ(app.RememberedCloseCode(), s.remembered);
    auto got = ProbeGot(WMU_CLOSEREQUEST);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].wParam, s.request);
    EXPECT_EQ(got[0].lParam, 2);
    EXPECT_EQ(app.hActive, entry);
    EXPECT_TRUE(IsWindow(app.hwnd));
  }

  // Without a data-entry dialog the application closes itself.
  app.DeleteDlgHandle(entry);
  HWND window = app.hwnd;
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 1);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(app.QuitFlagSet());
}

TEST_F(AppTest, LearnModeAsksBeforeClosingUnlessCodeIsMinusOne) {
  TestApp app;
  StartApp(app);
  app.Set_LearnMode(true);
  app.boxAnswer = IDNO;
  EXPECT_EQ(app.CloseApp(0, 0), 0);
  ASSERT_EQ(app.boxes.size(), 1u);
  EXPECT_EQ(app.boxes[0].second, "Lernmodus");  // strings 122 and 123 of the library
  EXPECT_FALSE(app.boxes[0].first.empty());
  EXPECT_TRUE(app.Get_LearnMode());
  app.boxAnswer = IDYES;
  EXPECT_EQ(app.CloseApp(0, 0), 1);
  EXPECT_FALSE(app.Get_LearnMode());
  app.Set_LearnMode(true);
  app.boxes.clear();
  EXPECT_EQ(app.CloseApp(0, -1), 1);  // no question, plain close
  EXPECT_TRUE(app.boxes.empty());
}

TEST_F(AppTest, SystemCloseFollowsHandleMessage) {
  TestApp app;
  StartApp(app);
  Drain();
  struct Case {
    const char* what;
    MsgResult answer;
    LRESULT result;
    bool closePosted;
  };
  const Case cases[] = {
      {"0 keeps the window", 0, 0, false},
      {"negative is returned", -3, -3, false},
      {"-0.5 is a number of 0 or less", -0.5, 0, false},
      {"nothing closes", {}, 0, true},
      {"positive closes", 1, 0, true},
      {"true is not a number", true, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    app.sysCloseAnswer = c.answer;
    EXPECT_EQ(SendMessageA(app.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0), c.result);
    EXPECT_EQ(TakeWaiting(app.hwnd, WM_CLOSE), c.closePosted);
    EXPECT_TRUE(IsWindow(app.hwnd));
  }
}

TEST_F(AppTest, PlacementFromTheIniFile) {
  TestApp app;
  StartApp(app);
  const std::string ini = (dir_ / "qz.ini").string();
  DLGSETINIFILENAME(ini);
  const std::string cls = ClassName();
  auto put = [&](const char* key, const char* value) {
    WritePrivateProfileStringA("Fenster", (cls + key).c_str(), value, ini.c_str());
  };
  put("_X", "1500");
  put("_Y", "100");
  put("_CX", "1900");
  put("_CY", "400");
  put("_SHOW", "1");

  // Positions the window takes, in order.
  std::vector<RECT> moves;
  SUBCLASSWINDOW(
      app.hwnd,
      [&](HWND w, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        if (m == WM_WINDOWPOSCHANGED) {
          RECT r;
          GetWindowRect(w, &r);
          if (moves.empty() || !EqualRect(&moves.back(), &r)) moves.push_back(r);
        }
        return static_cast<long long>(CALLWINDOWPROC(2, w, m, wp, lp));
      },
      MessageFilter::All());

  app.screen = SIZE{1024, 768};  // a 1024-pixel screen
  app.SetWnd();
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.front().left, 924);
  EXPECT_EQ(moves.front().right, 1324);
  EXPECT_EQ(moves.front().top, 100);
  EXPECT_TRUE(IsWindowVisible(app.hwnd));

  // Then the window is kept on the work area of its real monitor.
  MONITORINFO mi = {};
  mi.cbSize = sizeof mi;
  GetMonitorInfoA(MonitorFromWindow(app.hwnd, MONITOR_DEFAULTTONEAREST), &mi);
  RECT now;
  GetWindowRect(app.hwnd, &now);
  EXPECT_EQ(now.right - now.left, 400);
  EXPECT_EQ(now.left, std::min<LONG>(924, mi.rcWork.right - 400));

  // GetWnd writes the normal position back.
  app.GetWnd();
  char value[32] = {};
  GetPrivateProfileStringA("Fenster", (cls + "_X").c_str(), "", value, sizeof value, ini.c_str());
  EXPECT_EQ(std::stol(value), now.left);
  GetPrivateProfileStringA("Fenster", (cls + "_CX").c_str(), "", value, sizeof value, ini.c_str());
  EXPECT_EQ(std::stol(value), now.right);
  ShowWindow(app.hwnd, SW_HIDE);
}

TEST_F(AppTest, HelpGoesThroughWinHelp) {
  TestApp app;
  StartApp(app);
  app.cHelpFile = "TABRIX.HLP";
  SendMessageA(app.hwnd, WMU_HELP, 0, 0);
  app.Set_nHelpKontextId(50);
  SendMessageA(app.hwnd, WMU_HELP, 0, 0);
  ASSERT_EQ(app.help.size(), 2u);
  EXPECT_EQ(app.help[0].command, static_cast<UINT>(HELP_FINDER));
  EXPECT_EQ(app.help[0].data, 0u);
  EXPECT_EQ(app.help[1].command, static_cast<UINT>(HELP_CONTEXT));
  EXPECT_EQ(app.help[1].data, 50u);
  EXPECT_EQ(app.help[1].file, "TABRIX.HLP");
  app.handled.clear();
  app.cHelpFile.clear();
  SendMessageA(app.hwnd, WMU_HELP, 0, 0);  // no help file: HandleMessage sees it
  EXPECT_EQ(app.help.size(), 2u);
  EXPECT_EQ(app.handled, std::vector<UINT>{WMU_HELP});
  app.cHelpFile = "TABRIX.HLP";
  EXPECT_EQ(app.CloseApp(0, 0), 1);
  ASSERT_EQ(app.help.size(), 3u);
  EXPECT_EQ(app.help[2].command, static_cast<UINT>(HELP_QUIT));
}

TEST_F(AppTest, DialogRegistry) {
  TestApp app;
  StartApp(app);
  SendMessageA(app.hwnd, WMU_SHIFTDLG, 0, 0);  // no dialogs: only the hook
  EXPECT_EQ(app.shiftDlgCalls, 1);

  HWND a = Probe(), b = Probe();
  app.AddDlgHandle(DlgEntry{a, 0, "A", false});
  app.AddDlgHandle(DlgEntry{b, 0, "B", false});
  EXPECT_EQ(app.GetActiveDlg(), app.hwnd);
  app.SetActiveDlg(b);
  EXPECT_EQ(app.GetActiveDlg(), b);
  EXPECT_EQ(app.hActive, b);
  app.SetActiveDlg(a);
  EXPECT_EQ(app.GetActiveDlg(), a);
  EXPECT_FALSE(app.aDlgWnd[1].active);

  app.Set_CutTextMode(true);
  ASSERT_EQ(ProbeGot(WMU_CUTTEXTMODE).size(), 2u);
  EXPECT_EQ(ProbeGot(WMU_CUTTEXTMODE)[0].wParam, 1u);

  // A slave's registration text arrives by address.
  HWND c = Probe();
  std::string text = DialogRegistryText(reinterpret_cast<intptr_t>(c), 1, "SLAVE", true);
  SendMessageA(app.hwnd, WMU_ADDDLG, text.size(), reinterpret_cast<LPARAM>(text.c_str()));
  ASSERT_EQ(app.aDlgWnd.size(), 3u);
  EXPECT_EQ(app.aDlgWnd[2].window, c);
  EXPECT_EQ(app.aDlgWnd[2].type, 1);
  EXPECT_EQ(app.aDlgWnd[2].name, "SLAVE");
  EXPECT_TRUE(app.aDlgWnd[2].active);

  // Edit-mode query: a data-entry dialog answers with the dialog in edit mode.
  gProbeGot.clear();
  EXPECT_EQ(app.IsAnyDlgInEditModus(), nullptr);
  EXPECT_EQ(ProbeGot(WMU_EDITMODE).size(), 1u);  // only the type-1 dialog is asked
  SendMessageA(app.hwnd, WMU_EDITMODE, 0, reinterpret_cast<LPARAM>(c));
  EXPECT_EQ(app.hIsInEditModus, c);

  SendMessageA(app.hwnd, WMU_DELDLG, reinterpret_cast<WPARAM>(c), 0);
  app.DeleteDlgHandle(a);
  app.DeleteDlgHandle(b);
  EXPECT_TRUE(app.aDlgWnd.empty());
}

TEST_F(AppTest, RecordChangeTimerTellsTheDialogs) {
  TestApp app;
  StartApp(app);
  const std::string central = (dir_ / "central.ini").string();
  DLGSETCENTINIFILENAME(central);
  app.NetworkRefresh(true);
  ASSERT_FALSE(app.aEVars.cRefreshToken.empty());
  HWND d = Probe();
  app.AddDlgHandle(DlgEntry{d, 0, "LISTE", true});
  auto note = [&](const std::string& value) {
    WritePrivateProfileStringA("DBF_Rec_Change", "Change", value.c_str(), central.c_str());
  };

  note("other\\500\\KUNDEN\\17\\1001");
  app.TIMER();
  auto got = ProbeGot(WMU_REFRESHIFSHOWN);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].wParam, 3u);
  EXPECT_EQ(got[0].lParam, 17);
  EXPECT_EQ(app.aEVars.nLastRecChange, 500);

  gProbeGot.clear();
  app.TIMER();  // the same note again: not newer
  note(app.aEVars.cRefreshToken + "\\900\\KUNDEN\\18\\1002");
  app.TIMER();  // this process's own note
  note("other\\901\\ARTIKEL\\18\\1002");
  app.TIMER();  // alias not open here
  EXPECT_TRUE(gProbeGot.empty());
  EXPECT_EQ(app.aEVars.nLastRecChange, 901);
  note("other\\902\\KUNDEN\\19\\1002");
  SendMessageA(app.hwnd, WM_TIMER, kRecordChangeTimer, 0);
  ASSERT_EQ(ProbeGot(WMU_REFRESHRECORD).size(), 1u);
  EXPECT_EQ(ProbeGot(WMU_REFRESHRECORD)[0].lParam, 19);
  app.NetworkRefresh(false);
  EXPECT_TRUE(app.aEVars.cRefreshToken.empty());
}

TEST_F(AppTest, RemoveFilesDeletesLeftoverTemporaryTables) {
  auto make = [&](const char* name) { std::ofstream(dir_ / name) << "x"; };
  for (const char* n : {"_AAAAAAA.DBF", "_BBBBBBB.ntx", "_Dummy.bbb", "KEEP.DBF", "_AAAAAAA.CDX",
                        "_AAAAAA.DBF", "_CCCCCCC.DBF"}) {
    make(n);
  }
  HANDLE held = CreateFileA((dir_ / "_CCCCCCC.DBF").string().c_str(), GENERIC_READ, 0, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  TestApp app;
  StartApp(app);  // Init clears the temporary directory
  CloseHandle(held);
  for (const char* gone : {"_AAAAAAA.DBF", "_BBBBBBB.ntx", "_Dummy.bbb"}) {
    EXPECT_FALSE(fs::exists(dir_ / gone)) << gone;
  }
  for (const char* kept : {"KEEP.DBF", "_AAAAAAA.CDX", "_AAAAAA.DBF", "_CCCCCCC.DBF"}) {
    EXPECT_TRUE(fs::exists(dir_ / kept)) << kept;
  }
}

TEST_F(AppTest, LocalExecRestoresTheTableOnlyAfterHandlingMessages) {
  TestApp app;
  StartApp(app);
  Drain();
  int remembered = 0, restored = 0;
  SetTableKeeper([&](int area) -> TableRestorer {
    EXPECT_EQ(area, 4);
    ++remembered;
    return [&] { ++restored; };
  });
  EXPECT_EQ(app.LocalExec(4), 0);
  EXPECT_EQ(remembered, 1);
  EXPECT_EQ(restored, 0);
  PostMessageA(app.hwnd, WM_USER + 50, 0, 0);
  EXPECT_EQ(app.LocalExec(4), 1);
  EXPECT_EQ(restored, 1);
  SetTableKeeper(nullptr);
}

TEST_F(AppTest, ExecRunsUntilTheMainWindowIsClosed) {
  TestApp app;
  StartApp(app);
  PostMessageA(app.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(app.Exec(), 0u);
  EXPECT_FALSE(IsWindow(app.hwnd));
  EXPECT_EQ(app.hZBRES, nullptr);
  WNDCLASSA wc;
  EXPECT_FALSE(GetClassInfoA(getInstance(), ClassName().c_str(), &wc));  // unregistered
}

}  // namespace
}  // namespace tabrix
