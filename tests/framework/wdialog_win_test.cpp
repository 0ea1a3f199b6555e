// ZB_WDIALOG on real dialogs under the platform: creation from a resource template and from
// memory, the callback's hand-over to the child objects and hooks, Escape and the close box,
// place and size in the dialog INI file, the layout of a resizable dialog, duplicate ids.
#include "framework/wdialog_win.h"

#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "framework/app_settings.h"
#include "framework/dialog_template_win.h"
#include "framework/native/words.h"
#include "framework/pump_until_win.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

using testing::ElementsAre;
using testing_support::DialogTemplate;
using testing_support::kButtonClass;
using testing_support::kListBoxClass;
using testing_support::kStaticClass;
using testing_support::PumpPending;
using testing_support::PumpUntil;

constexpr WORD kScrollBarClass = 0x0084;

// Every call a child object gets, as "name" or "name x,y", in order, across all children.
std::vector<std::string> gCalls;

struct FakeBrowse : DialogBrowse {
  explicit FakeBrowse(std::string n) : name(std::move(n)) {}
  LRESULT Note(const std::string& what) {
    gCalls.push_back(name + "." + what);
    auto it = answers.find(what);
    return it == answers.end() ? 0 : it->second;
  }
  LRESULT Note(const std::string& what, int x, int y) {
    return Note(what + " " + std::to_string(x) + "," + std::to_string(y));
  }
  LRESULT OnNCLButtonDown(int x, int y) override { return Note("OnNCLButtonDown", x, y); }
  LRESULT OnDrawItem(WPARAM, LPARAM) override { return Note("OnDrawItem"); }
  LRESULT MeasureItem(WPARAM, LPARAM) override { return Note("MeasureItem"); }
  LRESULT EraseBkgnd(WPARAM, LPARAM) override { return Note("EraseBkgnd"); }
  LRESULT Set__Cursor(WPARAM, LPARAM) override { return Note("Set__Cursor"); }
  LRESULT OnWinIniChange(WPARAM, LPARAM) override { return Note("OnWinIniChange"); }
  LRESULT OnMouseMove(int x, int y) override { return Note("OnMouseMove", x, y); }
  LRESULT VKeyToItem(WPARAM, LPARAM) override { return Note("VKeyToItem"); }
  LRESULT VScroll(WPARAM, LPARAM) override { return Note("VScroll"); }
  LRESULT OnCommand(WPARAM, LPARAM) override { return Note("OnCommand"); }
  LRESULT Activate(WPARAM, LPARAM) override { return Note("Activate"); }
  LRESULT SetIndexOrder(int x, int y) override { return Note("SetIndexOrder", x, y); }
  LRESULT LButtonDown(WPARAM, LPARAM) override { return Note("LButtonDown"); }
  LRESULT LButtonUp(WPARAM, LPARAM) override { return Note("LButtonUp"); }
  LRESULT OnDestroy(WPARAM, LPARAM) override { return Note("OnDestroy"); }
  LRESULT OnNCDestroy(WPARAM, LPARAM) override { return Note("OnNCDestroy"); }
  LRESULT Spalten() override { return Note("Spalten"); }
  LRESULT VScroll2(WPARAM w, LPARAM l) override {
    return Note("VScroll2 " + std::to_string(w) + "," + std::to_string(l));
  }
  void Set_CutTextMode(bool on) override { Note(on ? "CutText on" : "CutText off"); }
  LRESULT OnPaint(HDC) override { return Note("OnPaint"); }
  HWND ListWindow() const override { return list; }
  std::string name;
  HWND list = nullptr;
  std::map<std::string, LRESULT> answers;
};

struct FakeButton : DialogButton {
  LRESULT Note(const char* what) {
    gCalls.push_back(std::string("button.") + what);
    return answer;
  }
  LRESULT OnDrawItem(WPARAM, LPARAM) override { return Note("OnDrawItem"); }
  LRESULT MeasureItem(WPARAM, LPARAM) override { return Note("MeasureItem"); }
  LRESULT SysColorChange(WPARAM, LPARAM) override { return Note("SysColorChange"); }
  LRESULT OnDestroy(WPARAM, LPARAM) override { return Note("OnDestroy"); }
  LRESULT answer = 0;
};

struct FakeList : DialogList {
  LRESULT Note(const char* what) {
    gCalls.push_back(std::string("list.") + what);
    return answer;
  }
  bool lLBS_MULTICOLUMN() const override { return multiColumn; }
  LRESULT DrawMultColItem(WPARAM, LPARAM) override { return Note("DrawMultColItem"); }
  LRESULT OnDrawItem(WPARAM, LPARAM) override { return Note("OnDrawItem"); }
  LRESULT MeasureItem(WPARAM, LPARAM) override { return Note("MeasureItem"); }
  LRESULT EraseBkgnd(WPARAM, LPARAM) override { return Note("EraseBkgnd"); }
  HWND hwndListe() const override { return list; }
  LRESULT OnVKEYTOITEM(WPARAM, LPARAM) override { return Note("OnVKEYTOITEM"); }
  LRESULT OnDestroy(WPARAM, LPARAM) override { return Note("OnDestroy"); }
  LRESULT OnNCDestroy(WPARAM, LPARAM) override { return Note("OnNCDestroy"); }
  bool multiColumn = false;
  HWND list = nullptr;
  LRESULT answer = 0;
};

struct FakeMemo : DialogMemo {
  LRESULT Note(const std::string& what) {
    gCalls.push_back("memo." + what);
    return 0;
  }
  LRESULT OnMouseMove(int x, int y) override {
    return Note("OnMouseMove " + std::to_string(x) + "," + std::to_string(y));
  }
  LRESULT OnLButtonDown(int, int) override { return Note("OnLButtonDown"); }
  LRESULT OnLButtonUp(int, int) override { return Note("OnLButtonUp"); }
  LRESULT OnTimer(WPARAM, LPARAM) override { return Note("OnTimer"); }
  LRESULT OnDestroy(WPARAM, LPARAM) override { return Note("OnDestroy"); }
  LRESULT OnNCDestroy(WPARAM, LPARAM) override { return Note("OnNCDestroy"); }
};

// A dialog that records its hooks, boxes and log entries, with replaceable monitors and a
// creation that can fail a number of times.
class TestDialog : public ZB_WDIALOG {
 public:
  MsgResult HandleMessage(UINT message, WPARAM, LPARAM) override {
    auto it = takeOver.find(message);
    return it == takeOver.end() ? MsgResult() : MsgResult(it->second);
  }
  MsgResult OnINITDIALOG(WPARAM wParam, LPARAM lParam) override {
    hooks.push_back("OnINITDIALOG");
    return ZB_WDIALOG::OnINITDIALOG(wParam, lParam);
  }
  MsgResult OnDESTROY(WPARAM wParam, LPARAM lParam) override {
    hooks.push_back("OnDESTROY");
    if (escapeWhileDestroyed) SendMessageA(hwnd, WM_COMMAND, IDCANCEL, 0);
    return ZB_WDIALOG::OnDESTROY(wParam, lParam);
  }
  MsgResult OnCOMMAND(WPARAM wParam, LPARAM lParam) override {
    commands.push_back(wParam);
    return ZB_WDIALOG::OnCOMMAND(wParam, lParam);
  }
  MsgResult OnDRAWITEM(WPARAM, LPARAM) override { return Hook("OnDRAWITEM"); }
  MsgResult OnMEASUREITEM(WPARAM, LPARAM) override { return Hook("OnMEASUREITEM"); }
  MsgResult OnMOUSEMOVE(WPARAM, LPARAM) override { return Hook("OnMOUSEMOVE"); }
  MsgResult OnVKEYTOITEM(WPARAM, LPARAM) override { return Hook("OnVKEYTOITEM"); }
  MsgResult OnVSCROLL(WPARAM, LPARAM) override { return Hook("OnVSCROLL"); }
  MsgResult OnTIMER(WPARAM, LPARAM) override { return Hook("OnTIMER"); }
  MsgResult OnNCDESTROY(WPARAM, LPARAM) override { return Hook("OnNCDESTROY"); }
  MsgResult OnREFRESH_DLG(WPARAM, LPARAM, UINT message) override {
    return Hook("OnREFRESH_DLG " + std::to_string(message));
  }
  MsgResult Hook(const std::string& name) {
    hooks.push_back(name);
    return {};
  }

  std::map<UINT, int> takeOver;
  std::vector<std::string> hooks, boxes, logs;
  std::vector<WPARAM> commands;
  std::vector<wdialog::MonitorArea> fakeMonitors;
  int failingAttempts = 0;
  bool escapeWhileDestroyed = false;

 protected:
  int ShowBox(const std::string& text, const std::string& title, UINT flags) override {
    boxes.push_back(title + "|" + text + "|" + std::to_string(flags));
    return IDOK;
  }
  void Log(const std::string& heading, const std::string& detail) override {
    logs.push_back(heading + "|" + detail);
  }
  HWND CreateDialogWindow(int attempt, WindowCallback callback) override {
    if (attempt <= failingAttempts) return nullptr;
    return ZB_WDIALOG::CreateDialogWindow(attempt, std::move(callback));
  }
  std::vector<wdialog::MonitorArea> Monitors() const override {
    return fakeMonitors.empty() ? ZB_WDIALOG::Monitors() : fakeMonitors;
  }
};

// A plain dialog: buttons 1 and 2, a static, a list box 101.
DialogTemplate PlainTemplate(DWORD extraStyle = 0) {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | extraStyle, 0, 0, 200, 160, L"Test");
  t.Add(kButtonClass, IDOK, BS_DEFPUSHBUTTON, 10, 130, 50, 14, L"OK");
  t.Add(kButtonClass, IDCANCEL, BS_PUSHBUTTON, 70, 130, 50, 14, L"Abbruch");
  t.Add(kStaticClass, 0xFFFF, 0, 10, 10, 100, 10, L"Text");
  t.Add(kListBoxClass, 101, LBS_NOTIFY | WS_VSCROLL, 10, 25, 180, 90);
  return t;
}

class WDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    gCalls.clear();
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof dir, dir);
    ini_ = std::string(dir) + "wdialog_" +
           testing::UnitTest::GetInstance()->current_test_info()->name() + ".ini";
    DeleteFileA(ini_.c_str());
    DLGSETINIFILENAME(ini_);
  }
  void TearDown() override {
    PumpPending();
    DeleteFileA(ini_.c_str());
  }
  std::string Ini(const std::string& key) const {
    char value[64] = {};
    GetPrivateProfileStringA("Fenster", key.c_str(), "<none>", value, sizeof value, ini_.c_str());
    return value;
  }
  void PutIni(const std::string& key, int64_t value) const {
    WritePrivateProfileStringA("Fenster", key.c_str(), std::to_string(value).c_str(), ini_.c_str());
  }
  static RECT WindowRect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
  }
  std::string ini_;
};

TEST_F(WDialogTest, CreatesFromTheResourceTemplateAndInitialisesBeforeInitReturns) {
  HMODULE zbres = LoadLibraryA(ZBRES32_DLL);
  ASSERT_NE(zbres, nullptr);
  {
    TestDialog dialog;
    EXPECT_EQ(dialog.Init(nullptr, "SpaltenDlg", zbres), &dialog);
    ASSERT_NE(dialog.hwnd, nullptr);
    EXPECT_THAT(dialog.hooks, ElementsAre("OnINITDIALOG"));
    EXPECT_EQ(dialog.cDlgName, "SpaltenDlg");
    EXPECT_EQ(dialog.cIniEntry, "SpaltenDlg");
    EXPECT_EQ(dialog.Get_hResModule(), zbres);
    EXPECT_NE(GetDlgItem(dialog.hwnd, 101), nullptr);  // the template's controls
    RECT client{};
    GetClientRect(dialog.hwnd, &client);
    EXPECT_EQ(dialog.Get_aClientSize(), (wdialog::ClientSize{client.right, client.bottom}));
    EXPECT_TRUE(dialog.boxes.empty());
    EXPECT_TRUE(dialog.logs.empty());
    dialog.Ok();
    EXPECT_EQ(dialog.hwnd, nullptr);
    EXPECT_TRUE(dialog.lDestroyed);
  }
  {
    TestDialog missing;
    EXPECT_EQ(missing.Init(nullptr, "NoSuchDlg", zbres), &missing);
    EXPECT_EQ(missing.hwnd, nullptr);
    EXPECT_TRUE(missing.hooks.empty());
    // Without an application object the resource texts are empty; the name still shows.
    EXPECT_THAT(missing.boxes, ElementsAre("|NoSuchDlg|" + std::to_string(MB_ICONEXCLAMATION)));
  }
  FreeLibrary(zbres);
}

TEST_F(WDialogTest, CreationIsTriedTenTimesAndLogged) {
  const std::string failed =
      "Fehler in CreateDialog() von WDIALOG, %d. Versuch, R\xFC"
      "ckgabewert f\xFC"
      "r hwnd==0|\r\n  Dialog: Plain";
  auto failure = [&](int n) {
    std::string s = failed;
    s.replace(s.find("%d"), 2, std::to_string(n));
    return s;
  };
  struct Case {
    int failing;
    bool created;
  };
  const Case cases[] = {{0, true}, {1, true}, {9, true}, {10, false}};
  DialogTemplate t = PlainTemplate();
  for (const Case& c : cases) {
    TestDialog dialog;
    dialog.failingAttempts = c.failing;
    ZB_WDIALOG* result = dialog.InitIndirect(nullptr, t.get(), "Plain");
    EXPECT_EQ(result != nullptr, c.created) << c.failing;
    EXPECT_EQ(dialog.hwnd != nullptr, c.created) << c.failing;
    std::vector<std::string> expected;
    for (int n = 1; n <= c.failing; ++n) expected.push_back(failure(n));
    if (!c.created) {
      expected.push_back(
          "Fehler in CreateDialog() von WDIALOG, R\xFC"
          "ckgabewert f\xFC"
          "r hwnd==0|\r\n  vermutlich ein Problem in den Resourcen\r\n  Dialog:   Plain\r\n"
          "  hInstance " +
          std::to_string(reinterpret_cast<intptr_t>(GetModuleHandleA(nullptr))) +
          "\r\n  hWndParent NIL\r\n  Behebung: Resourcen ueberpruefen");
    } else if (c.failing > 0) {
      expected.push_back("CreateDialog() in WDIALOG bei " + std::to_string(c.failing + 1) +
                         ". Versuch erfolgreich|\r\n  Dialog: Plain");
    }
    EXPECT_EQ(dialog.logs, expected) << c.failing;
    if (dialog.hwnd) dialog.Ok();
  }
}

TEST_F(WDialogTest, DrawingGoesToTheFirstKindOfChildThatAnswers) {
  struct Case {
    const char* what;
    LRESULT browse, button, list;
    bool multiColumn;
    std::vector<std::string> calls;
    bool hookCalled;
  };
  const Case cases[] = {
      {"a browse answers: nobody else asked",
       1,
       1,
       1,
       false,
       {"b1.OnDrawItem", "b2.OnDrawItem"},
       false},
      {"a button answers",
       0,
       1,
       1,
       false,
       {"b1.OnDrawItem", "b2.OnDrawItem", "button.OnDrawItem"},
       false},
      {"a list answers",
       0,
       0,
       1,
       false,
       {"b1.OnDrawItem", "b2.OnDrawItem", "button.OnDrawItem", "list.OnDrawItem"},
       false},
      {"a multi-column list draws its own way",
       0,
       0,
       1,
       true,
       {"b1.OnDrawItem", "b2.OnDrawItem", "button.OnDrawItem", "list.DrawMultColItem"},
       false},
      {"nobody: the hook",
       0,
       0,
       0,
       false,
       {"b1.OnDrawItem", "b2.OnDrawItem", "button.OnDrawItem", "list.OnDrawItem"},
       true},
  };
  DialogTemplate t = PlainTemplate();
  for (const Case& c : cases) {
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Draw"), nullptr);
    FakeBrowse b1("b1"), b2("b2");
    b2.answers["OnDrawItem"] = c.browse;
    FakeButton button;
    button.answer = c.button;
    FakeList list;
    list.answer = c.list;
    list.multiColumn = c.multiColumn;
    dialog.AddBrowse(&b1), dialog.AddBrowse(&b2), dialog.AddBrowse(&b1);  // once only
    dialog.AddButton(&button), dialog.AddList(&list);
    gCalls.clear();
    DRAWITEMSTRUCT item{};
    // What the dialog procedure answers (a sent WM_DRAWITEM returns DWLP_MSGRESULT instead).
    int64_t r =
        dialog.DlgProc(dialog.hwnd, WM_DRAWITEM, 101, reinterpret_cast<LPARAM>(&item)).ToNumber();
    EXPECT_EQ(gCalls, c.calls) << c.what;
    EXPECT_EQ(r, c.hookCalled ? 0 : 1) << c.what;
    EXPECT_EQ(dialog.hooks.back() == "OnDRAWITEM", c.hookCalled) << c.what;
    dialog.RemoveBrowse(&b1), dialog.RemoveBrowse(&b2), dialog.RemoveButton(&button);
    dialog.RemoveList(&list);
    dialog.Ok();
  }
}

TEST_F(WDialogTest, MessagesReachChildrenAndHooks) {
  DialogTemplate t = PlainTemplate();
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Route"), nullptr);
  FakeBrowse browse("b");
  FakeList list;
  FakeMemo memo;
  browse.list = GetDlgItem(dialog.hwnd, 101);
  HWND other = GetDlgItem(dialog.hwnd, IDOK);
  list.list = other;
  dialog.AddBrowse(&browse), dialog.AddList(&list), dialog.AddMemo(&memo);
  const LPARAM negative = static_cast<LPARAM>(static_cast<uint32_t>(WB_MAKELPARAM(-5, -7)));
  struct Case {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::vector<std::string> calls;
    std::vector<std::string> hooks;
  };
  const Case cases[] = {
      {WM_MOUSEMOVE,
       0,
       negative,
       {"b.OnMouseMove -5,-7", "memo.OnMouseMove -5,-7"},
       {"OnMOUSEMOVE"}},
      // HTNOWHERE: the platform starts no move loop (which would activate the dialog).
      {WM_NCLBUTTONDOWN, HTNOWHERE, MAKELPARAM(30, 40), {"b.OnNCLButtonDown 30,40"}, {}},
      {WM_LBUTTONDBLCLK, 0, MAKELPARAM(3, 4), {"b.SetIndexOrder 3,4"}, {}},
      {WM_LBUTTONDOWN, 0, 0, {"b.LButtonDown", "memo.OnLButtonDown"}, {}},
      {WM_LBUTTONUP, 0, 0, {"b.LButtonUp", "memo.OnLButtonUp"}, {}},
      {WM_TIMER, 5, 0, {"memo.OnTimer"}, {"OnTIMER"}},
      {WM_VSCROLL, SB_LINEDOWN, 0, {"b.VScroll"}, {"OnVSCROLL"}},
      {WM_VKEYTOITEM,
       VK_DOWN,
       reinterpret_cast<LPARAM>(browse.list),
       {"b.VKeyToItem"},
       {"OnVKEYTOITEM"}},
      {WM_VKEYTOITEM,
       VK_DOWN,
       reinterpret_cast<LPARAM>(other),
       {"list.OnVKEYTOITEM"},
       {"OnVKEYTOITEM"}},
      {WM_ERASEBKGND, 0, 0, {"b.EraseBkgnd", "list.EraseBkgnd"}, {}},
      {WM_WININICHANGE, 0, 0, {"b.OnWinIniChange"}, {}},
      {WM_COMMAND, 101, 0, {"b.OnCommand"}, {}},
      {WMU_COLUMNDIALOG, 0, 0, {"b.Spalten"}, {}},
      {WMU_SCROLL, 3, 9, {"b.VScroll2 3,9"}, {}},
      {WMU_CUTTEXTMODE, 1, 0, {"b.CutText on"}, {}},
      {WMU_CUTTEXTMODE, 2, 0, {"b.CutText off"}, {}},
      {WMU_REFRESHRECORD, 0, 0, {}, {"OnREFRESH_DLG 4120"}},
  };
  for (const Case& c : cases) {
    gCalls.clear();
    dialog.hooks.clear();
    SendMessageA(dialog.hwnd, c.message, c.wParam, c.lParam);
    EXPECT_EQ(gCalls, c.calls) << c.message;
    EXPECT_EQ(dialog.hooks, c.hooks) << c.message;
  }
  // A browse that handles the key keeps it from the lists and the hook.
  browse.answers["VKeyToItem"] = -2;
  gCalls.clear(), dialog.hooks.clear();
  EXPECT_EQ(
      SendMessageA(dialog.hwnd, WM_VKEYTOITEM, VK_DOWN, reinterpret_cast<LPARAM>(browse.list)), -2);
  EXPECT_THAT(gCalls, ElementsAre("b.VKeyToItem"));
  EXPECT_TRUE(dialog.hooks.empty());

  // Destroying: children's OnDestroy, then on WM_NCDESTROY their OnNCDestroy.
  gCalls.clear(), dialog.hooks.clear();
  dialog.Ok();
  EXPECT_THAT(gCalls, ElementsAre("memo.OnDestroy", "b.OnDestroy", "list.OnDestroy",
                                  "memo.OnNCDestroy", "b.OnNCDestroy", "list.OnNCDestroy"));
  EXPECT_THAT(dialog.hooks, ElementsAre("OnDESTROY", "OnNCDESTROY"));
}

TEST_F(WDialogTest, HandleMessageTakingAMessageHidesItFromChildrenAndHooks) {
  DialogTemplate t = PlainTemplate();
  const UINT messages[] = {WM_MOUSEMOVE, WM_DRAWITEM, WM_VSCROLL, WM_TIMER, WM_COMMAND, WMU_SCROLL};
  for (UINT message : messages) {
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Hide"), nullptr);
    FakeBrowse browse("b");
    FakeMemo memo;
    dialog.AddBrowse(&browse), dialog.AddMemo(&memo);
    dialog.takeOver[message] = 0;
    gCalls.clear(), dialog.hooks.clear();
    DRAWITEMSTRUCT item{};
    LPARAM lParam = message == WM_DRAWITEM ? reinterpret_cast<LPARAM>(&item) : 0;
    // WM_COMMAND 2 would close the dialog if it got through.
    EXPECT_EQ(SendMessageA(dialog.hwnd, message, message == WM_COMMAND ? IDCANCEL : 0, lParam), 0);
    EXPECT_TRUE(gCalls.empty()) << message;
    EXPECT_TRUE(dialog.hooks.empty()) << message;
    EXPECT_TRUE(IsWindow(dialog.hwnd)) << message;
    dialog.takeOver.clear();
    dialog.RemoveBrowse(&browse), dialog.RemoveMemo(&memo);
    dialog.Ok();
  }
}

// Escape through the dialog manager, as the main loop hands keys to the current dialog.
void PressEscape(HWND dialog) {
  MSG msg{dialog, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
  IsDialogMessageA(dialog, &msg);
}
void PressCloseBox(HWND dialog) {
  SendMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

TEST_F(WDialogTest, EscapeCancelAndTheCloseBoxCloseUnlessNoCancel) {
  DialogTemplate t = PlainTemplate(WS_VISIBLE);
  struct Case {
    const char* what;
    void (*close)(HWND);
    bool noCancel;
  };
  const Case cases[] = {
      {"Escape", PressEscape, false},
      {"Escape, lNoCancel", PressEscape, true},
      {"close box", PressCloseBox, false},
      {"close box, lNoCancel", PressCloseBox, true},
      {"Cancel", [](HWND w) { PostMessageA(w, WM_COMMAND, IDCANCEL, 0); }, false},
      {"Abort", [](HWND w) { SendMessageA(w, WM_COMMAND, IDABORT, 0); }, false},
      {"Cancel, lNoCancel", [](HWND w) { PostMessageA(w, WM_COMMAND, IDCANCEL, 0); }, true},
  };
  for (const Case& c : cases) {
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Close"), nullptr);
    dialog.Set_lNoCancel(c.noCancel);
    HWND window = dialog.hwnd;
    c.close(window);
    PumpPending();
    EXPECT_EQ(IsWindow(window) != 0, c.noCancel) << c.what;
    EXPECT_EQ(dialog.lDestroyed, !c.noCancel) << c.what;
    if (IsWindow(window)) dialog.Ok();
  }
  // Cancel posts: the dialog is still there until the message is handled.
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Close"), nullptr);
  HWND window = dialog.hwnd;
  EXPECT_EQ(dialog.Cancel(), 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
}

TEST_F(WDialogTest, EscapeTwiceDestroysOnce) {
  DialogTemplate t = PlainTemplate(WS_VISIBLE);
  {
    // Both Escapes waiting in the queue.
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Twice"), nullptr);
    dialog.Cancel(), dialog.Cancel();
    PumpPending();
    EXPECT_EQ(std::count(dialog.hooks.begin(), dialog.hooks.end(), "OnDESTROY"), 1);
  }
  {
    // The second one arriving while the first destroys the dialog.
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Twice"), nullptr);
    dialog.escapeWhileDestroyed = true;
    PressEscape(dialog.hwnd);
    EXPECT_EQ(dialog.hwnd, nullptr);
    EXPECT_EQ(std::count(dialog.hooks.begin(), dialog.hooks.end(), "OnDESTROY"), 1);
    EXPECT_EQ(std::count(dialog.hooks.begin(), dialog.hooks.end(), "OnNCDESTROY"), 1);
  }
}

TEST_F(WDialogTest, AnObjectGivenToItsWindowGoesWithIt) {
  DialogTemplate t = PlainTemplate(WS_VISIBLE);
  static bool gone;
  gone = false;
  struct Owned : TestDialog {
    ~Owned() override { gone = true; }
  };
  auto* dialog = new Owned;
  ASSERT_NE(dialog->InitIndirect(nullptr, t.get(), "Owned"), nullptr);
  dialog->DeleteWithWindow();
  HWND window = dialog->hwnd;
  PressEscape(window);
  EXPECT_TRUE(gone);
  EXPECT_FALSE(IsWindow(window));

  // An object destroyed while its window lives takes the window along, calling nothing.
  auto scoped = std::make_unique<TestDialog>();
  ASSERT_NE(scoped->InitIndirect(nullptr, t.get(), "Scoped"), nullptr);
  window = scoped->hwnd;
  scoped.reset();
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(WDialogTest, PlaceIsRestoredAndSaved) {
  DialogTemplate t = PlainTemplate();
  // Nothing saved: centered on the work area of the monitor of the parent's top-left corner.
  {
    TestDialog dialog;
    const wdialog::MonitorArea primary{{0, 0, 1600, 1000}, {0, 0, 1600, 960}};
    const wdialog::MonitorArea left{{-1280, 0, 0, 1024}, {-1280, 20, 0, 1024}};
    dialog.fakeMonitors = {primary, left};
    HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, -1000, 100, 50, 50, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(dialog.InitIndirect(parent, t.get(), "Place"), nullptr);
    RECT r = WindowRect(dialog.hwnd);
    const int w = r.right - r.left, h = r.bottom - r.top;
    EXPECT_EQ(r.left, -1280 + (1280 - w) / 2);
    EXPECT_EQ(r.top, 20 + (1004 - h) / 2);
    EXPECT_EQ(dialog.Get_nIniPos(), -1);
    dialog.Ok();
    DestroyWindow(parent);
  }
  // Saved at x = -300: there while the monitor on the left exists, else clipped onto the
  // nearest one, one pixel inside its work area.
  struct Case {
    const char* what;
    bool leftMonitor;
    int left;
  };
  const Case cases[] = {{"left monitor there", true, -300}, {"left monitor gone", false, 1}};
  // Narrow enough to fit left of x = 0 when placed at -300.
  DialogTemplate narrow(WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 120, 80, L"Narrow");
  narrow.Add(kButtonClass, IDOK, BS_DEFPUSHBUTTON, 10, 60, 50, 14, L"OK");
  for (const Case& c : cases) {
    PutIni("Place", wdialog::PackIniPair(-300, 200));
    TestDialog dialog;
    dialog.fakeMonitors = {{{0, 0, 1600, 1000}, {0, 0, 1600, 960}}};
    if (c.leftMonitor) dialog.fakeMonitors.push_back({{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}});
    ASSERT_NE(dialog.InitIndirect(nullptr, narrow.get(), "Place"), nullptr);
    ASSERT_LT(WindowRect(dialog.hwnd).right - WindowRect(dialog.hwnd).left, 299);
    RECT r = WindowRect(dialog.hwnd);
    EXPECT_EQ(r.left, c.left) << c.what;
    EXPECT_EQ(r.top, 200) << c.what;
    dialog.Ok();
  }
  // Closing writes the corner where it is now, as MAKELPARAM(left, top) in decimal.
  {
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Place"), nullptr);
    SetWindowPos(dialog.hwnd, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.Ok();
    EXPECT_EQ(Ini("Place"), std::to_string(45 * 65536 + 123));
    EXPECT_EQ(Ini("Place_SIZE"), "<none>");  // no sizing border
    EXPECT_EQ(Ini("Place_MAX"), "<none>");
  }
}

TEST_F(WDialogTest, SizeAndMaximisedStateAreRestoredMinimisedIsNotSaved) {
  DialogTemplate t = PlainTemplate(WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX);
  {
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Sized"), nullptr);
    SetWindowPos(dialog.hwnd, nullptr, 60, 70, 420, 380, SWP_NOZORDER);
    dialog.Ok();
    EXPECT_EQ(Ini("Sized"), std::to_string(70 * 65536 + 60));
    EXPECT_EQ(Ini("Sized_SIZE"), std::to_string(380 * 65536 + 420));
  }
  {
    // Reopened with the saved size; maximised, it saves the flag and keeps its normal place.
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Sized"), nullptr);
    RECT r = WindowRect(dialog.hwnd);
    EXPECT_EQ(r.left, 60);
    EXPECT_EQ(r.right - r.left, 420);
    EXPECT_EQ(r.bottom - r.top, 380);
    dialog.Show(SW_SHOWMAXIMIZED);
    ASSERT_TRUE(IsZoomed(dialog.hwnd));
    dialog.Ok();
    EXPECT_EQ(Ini("Sized_MAX"), "1");
    EXPECT_EQ(Ini("Sized"), std::to_string(70 * 65536 + 60));
    EXPECT_EQ(Ini("Sized_SIZE"), std::to_string(380 * 65536 + 420));
  }
  {
    // A maximised dialog comes back maximised when shown.
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Sized"), nullptr);
    EXPECT_FALSE(IsZoomed(dialog.hwnd));  // still hidden
    dialog.Show();
    EXPECT_TRUE(IsZoomed(dialog.hwnd));
    ShowWindow(dialog.hwnd, SW_RESTORE);
    SetWindowPos(dialog.hwnd, nullptr, 80, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    dialog.Ok();
    EXPECT_EQ(Ini("Sized_MAX"), "0");
    EXPECT_EQ(Ini("Sized"), std::to_string(90 * 65536 + 80));
  }
  {
    // Minimised: nothing is written.
    TestDialog dialog;
    ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Sized"), nullptr);
    dialog.Show();
    ShowWindow(dialog.hwnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(dialog.hwnd));
    dialog.Ok();
    EXPECT_EQ(Ini("Sized"), std::to_string(90 * 65536 + 80));
    EXPECT_EQ(Ini("Sized_MAX"), "0");
  }
}

TEST_F(WDialogTest, GrowingASizableDialogMovesTheLowControls) {
  const int limit = 6 * GetSystemMetrics(SM_CYCAPTION);
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_VISIBLE, 0, 0, 240, 260, L"Grow");
  t.Add(kButtonClass, 10, BS_PUSHBUTTON, 0, 0, 10, 10, L"Low");
  t.Add(kListBoxClass, 11, 0, 0, 0, 10, 10);
  t.Add(kScrollBarClass, 12, SBS_VERT, 0, 0, 10, 10);
  t.Add(kStaticClass, 13, 0, 0, 0, 10, 10, L"Limit");
  t.Add(kStaticClass, 14, 0, 0, 0, 10, 10, L"Above");
  t.Add(kButtonClass, 15, BS_GROUPBOX, 0, 0, 10, 10, L"Gruppe");
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Grow"), nullptr);
  RECT client{};
  GetClientRect(dialog.hwnd, &client);
  ASSERT_GT(client.bottom, limit + 60);
  struct Place {
    int id, left, top;
  };
  const Place places[] = {{10, 10, limit + 1}, {11, 60, limit + 1}, {12, 110, limit + 1},
                          {13, 160, limit},    {14, 10, 40},        {15, 5, 5}};
  for (const Place& p : places) {
    int width = p.id == 15 ? client.right - 10 : 40;
    MoveWindow(GetDlgItem(dialog.hwnd, p.id), p.left, p.top, width, 20, FALSE);
  }
  auto topOf = [&](int id) {
    RECT r = WindowRect(GetDlgItem(dialog.hwnd, id));
    MapWindowPoints(nullptr, dialog.hwnd, reinterpret_cast<POINT*>(&r), 2);
    return r.top;
  };
  auto widthOf = [&](int id) {
    RECT r = WindowRect(GetDlgItem(dialog.hwnd, id));
    return static_cast<int>(r.right - r.left);
  };
  RECT outer = WindowRect(dialog.hwnd);
  SetWindowPos(dialog.hwnd, nullptr, 0, 0, outer.right - outer.left, outer.bottom - outer.top + 40,
               SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(topOf(10), limit + 41);  // below the limit: follows
  EXPECT_EQ(topOf(11), limit + 1);   // list box: its owner sizes it
  EXPECT_EQ(topOf(12), limit + 1);   // scroll bar likewise
  EXPECT_EQ(topOf(13), limit);       // on the limit
  EXPECT_EQ(topOf(14), 40);
  EXPECT_EQ(widthOf(15), client.right - 10);
  EXPECT_EQ(dialog.Get_aClientSize().height, client.bottom + 40);

  // Wider by 30: the group box across the dialog follows; minimising and restoring keeps it.
  SetWindowPos(dialog.hwnd, nullptr, 0, 0, outer.right - outer.left + 30,
               outer.bottom - outer.top + 40, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ(widthOf(15), client.right + 20);
  ShowWindow(dialog.hwnd, SW_MINIMIZE);
  ShowWindow(dialog.hwnd, SW_RESTORE);
  EXPECT_EQ(widthOf(15), client.right + 20);
  EXPECT_EQ(topOf(10), limit + 41);
  dialog.Ok();
}

TEST_F(WDialogTest, DuplicateIdsAreReported) {
  DialogTemplate t(WS_POPUP | WS_CAPTION, 0, 0, 200, 100, L"Ids");
  t.Add(kButtonClass, 101, 0, 5, 5, 40, 14, L"a");
  t.Add(kButtonClass, 102, 0, 5, 25, 40, 14, L"b");
  t.Add(kButtonClass, 101, 0, 5, 45, 40, 14, L"c");
  t.Add(kButtonClass, 103, 0, 5, 65, 40, 14, L"d");
  t.Add(kStaticClass, 0xFFFF, 0, 60, 5, 40, 14, L"e");
  t.Add(kStaticClass, 0xFFFF, 0, 60, 25, 40, 14, L"f");
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Ids"), nullptr);
  EXPECT_THAT(dialog.boxes, ElementsAre("|101|" + std::to_string(MB_ICONEXCLAMATION),
                                        "|104|" + std::to_string(MB_ICONHAND)));
  EXPECT_NE(dialog.hwnd, nullptr);  // the dialog still works
  dialog.Ok();
}

TEST_F(WDialogTest, ListWindowsRegisterAndAreReplaced) {
  DialogTemplate t = PlainTemplate();
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Lists"), nullptr);
  HWND a = GetDlgItem(dialog.hwnd, 101), b = GetDlgItem(dialog.hwnd, IDOK);
  SendMessageA(dialog.hwnd, WMU_REGISTERLIST, reinterpret_cast<WPARAM>(a), 101);
  SendMessageA(dialog.hwnd, WMU_REGISTERLIST, reinterpret_cast<WPARAM>(a), 101);  // once
  SendMessageA(dialog.hwnd, WMU_REGISTERLIST, reinterpret_cast<WPARAM>(b), 1);
  EXPECT_EQ(dialog.aVLObjects.size(), 2u);
  EXPECT_THAT(dialog.GetListBoxHandles(a), ElementsAre(b));
  HWND c = GetDlgItem(dialog.hwnd, IDCANCEL);
  SendMessageA(dialog.hwnd, WMU_REPLACELIST, reinterpret_cast<WPARAM>(a),
               reinterpret_cast<LPARAM>(c));
  EXPECT_EQ(dialog.aVLObjects[0].window, c);
  EXPECT_EQ(dialog.aVLObjects[0].id, 101);
  dialog.Ok();
}

TEST_F(WDialogTest, ListSeekSelectsWhatIsTypedUntilTheWaitHasPassed) {
  DialogTemplate t = PlainTemplate();
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "Seek"), nullptr);
  struct ErrorCase {
    int id;
    std::string box;
  };
  const ErrorCase errors[] = {
      {999, "Error|Listseek-Element 999 not found!|16"},
      {IDOK, "Error|Seek-Element 1 must be Combobox or Listbox! (Button)|16"},
  };
  for (const ErrorCase& c : errors) {
    dialog.boxes.clear();
    EXPECT_EQ(dialog.ListSeek(c.id), 0) << c.id;
    EXPECT_THAT(dialog.boxes, ElementsAre(c.box));
  }
  HWND list = GetDlgItem(dialog.hwnd, 101);
  for (const char* item : {"Apfel", "Birne", "Banane", "Birke"})
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  dialog.boxes.clear();
  ASSERT_EQ(dialog.ListSeek(101, 0.2), 1);
  EXPECT_TRUE(dialog.boxes.empty());

  struct Case {
    char typed;
    LRESULT selected;
    std::string text;
  };
  const Case typing[] = {
      {'B', 1, "B"}, {'a', 2, "Ba"}, {'x', 2, "Bax"},  // no item: the selection stays
  };
  for (const Case& c : typing) {
    dialog.commands.clear();
    EXPECT_EQ(SendMessageA(list, WM_CHAR, c.typed, 0), 0);
    EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), c.selected) << c.typed;
    EXPECT_EQ(dialog.SeekText(101), c.text);
    EXPECT_THAT(dialog.commands, ElementsAre(MAKEWPARAM(101, 1))) << c.typed;
  }
  // After the wait the text starts anew; typed soon after, it searches on from the selection.
  ASSERT_TRUE(PumpUntil([&] { return dialog.SeekText(101).empty(); }));
  SendMessageA(list, WM_CHAR, 'B', 0);
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(dialog.SeekText(101), "B");

  // With type-ahead off the list box has the character to itself.
  dialog.Set_lSeek(false);
  dialog.commands.clear();
  SendMessageA(list, WM_CHAR, 'A', 0);
  EXPECT_EQ(dialog.SeekText(101), "B");
  EXPECT_EQ(SendMessageA(list, LB_GETCURSEL, 0, 0), 0);  // its own search
  dialog.Ok();
}

TEST_F(WDialogTest, SeekControlCallsBackOnceTheTypingPauses) {
  constexpr WORD kEditAtom = 0x0081, kComboAtom = 0x0085;
  DialogTemplate t(WS_POPUP | WS_CAPTION, 0, 0, 200, 100, L"Seek");
  t.Add(kButtonClass, IDOK, BS_DEFPUSHBUTTON, 10, 80, 50, 14, L"OK");
  t.Add(kEditAtom, 102, ES_AUTOHSCROLL | WS_BORDER, 10, 10, 80, 12);
  t.Add(kComboAtom, 103, CBS_DROPDOWNLIST, 10, 30, 80, 60);
  t.Add(kComboAtom, 104, CBS_DROPDOWN, 100, 30, 80, 60);
  TestDialog dialog;
  ASSERT_NE(dialog.InitIndirect(nullptr, t.get(), "SeekEdit"), nullptr);
  struct Call {
    std::string text;
    int id, key;
    bool operator==(const Call&) const = default;
  };
  std::vector<Call> calls;
  ZB_WDIALOG::SeekCallback record = [&](const std::string& text, int id, int key) {
    calls.push_back({text, id, key});
  };
  struct ErrorCase {
    int id;
    bool withCallback;
    std::vector<std::string> boxes;
  };
  const ErrorCase errors[] = {
      {999, true, {}},
      {IDOK, true, {"Error|Seek-Element 1 is not an Editelement! (Button)|16"}},
      {103, true, {"Error|Seek-Combobox 103 has not an Edit-Child!|16"}},
      {102, false, {"Error|Seek-Block for Id102 missing!|16"}},
  };
  for (const ErrorCase& c : errors) {
    dialog.boxes.clear();
    EXPECT_EQ(dialog.SeekControl(c.id, c.withCallback ? record : nullptr), 0) << c.id;
    EXPECT_EQ(dialog.boxes, c.boxes) << c.id;
  }
  dialog.boxes.clear();
  EXPECT_EQ(dialog.SeekControl(104, record), 1);  // a combo box with an edit
  ASSERT_EQ(dialog.SeekControl(102, record, 0.1), 1);
  EXPECT_TRUE(dialog.boxes.empty());

  HWND edit = GetDlgItem(dialog.hwnd, 102);
  for (char c : {'A', 'B'}) {
    SendMessageA(edit, WM_KEYDOWN, c, 0);
    SendMessageA(edit, WM_CHAR, c, 0);
  }
  EXPECT_TRUE(calls.empty());  // not before the wait
  ASSERT_TRUE(PumpUntil([&] { return !calls.empty(); }));
  EXPECT_EQ(calls, (std::vector<Call>{{"AB", 102, 'B'}}));

  calls.clear();
  SendMessageA(edit, WMU_SEEKNOW, 0, 0);
  dialog.CallSeek({102});
  dialog.ValidateSeek({102, 999});
  EXPECT_EQ(calls, (std::vector<Call>{{"AB", 102, 0}, {"AB", 102, 0}, {"AB", 102, -1}}));

  // Type-ahead off: no wait starts, the callback is not called.
  calls.clear();
  dialog.Set_lSeek(false);
  SendMessageA(edit, WMU_SEEKNOW, 0, 0);
  EXPECT_TRUE(calls.empty());
  dialog.Ok();
}

}  // namespace
}  // namespace tabrix
