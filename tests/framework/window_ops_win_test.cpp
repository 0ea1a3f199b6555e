// Wheel redirection over real controls, the current dialog in the main loop, monitor-aware
// placement and short control ids.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/native/bridge_win.h"
#include "framework/native/dialog_template_win.h"
#include "framework/native/message_loop_win.h"
#include "framework/native/win32fkt_place.h"
#include "framework/native/win32fkt_win.h"
#include "framework/native/words.h"
#include "framework/pump_until_win.h"

namespace tabrix {
namespace {

constexpr WORD kEditId = 201, kListId = 202, kFirstButton = 203, kSecondButton = 204;

class Host : public MessageLoopHost {
 public:
  HWND LoopWindow() const override { return nullptr; }
  HACCEL LoopAccelerators() const override { return nullptr; }
  HWND CurrentDialog() const override { return dialog; }
  bool QuitFlag() const override { return false; }
  int WheelOffset() const override { return 25; }
  HWND dialog = nullptr;
};

void SetCtrl(bool down) {
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_CONTROL] = down ? 0x80 : 0;
  SetKeyboardState(keys);
}

void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
}

class WindowOpsTest : public testing::Test {
 protected:
  void SetUp() override {
    DialogTemplate t("wheel", WS_POPUP | WS_CAPTION | WS_VISIBLE, 200, 120);
    t.Add(0x0081, kEditId, ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_BORDER, 5, 5, 90, 40);
    t.Add(0x0083, kListId, LBS_NOTIFY | WS_VSCROLL | WS_BORDER, 100, 5, 90, 40);
    t.Add(0x0080, kFirstButton, BS_PUSHBUTTON | WS_TABSTOP, 5, 60, 50, 14, "Eins");
    t.Add(0x0080, kSecondButton, BS_PUSHBUTTON | WS_TABSTOP, 60, 60, 50, 14, "Zwei");
    dialog_ = CREATEDIALOGINDIRECT(getInstance(), t.Get(), nullptr,
                                   [](HWND, UINT, WPARAM, LPARAM) { return kNoResult; });
    ASSERT_NE(dialog_, nullptr);
    SetWindowPos(dialog_, HWND_TOP, 100, 100, 0, 0, SWP_NOSIZE);
    SetForegroundWindow(dialog_);
    SetActiveWindow(dialog_);
    edit_ = GetDlgItem(dialog_, kEditId);
    list_ = GetDlgItem(dialog_, kListId);
    std::string lines;
    for (int i = 0; i < 60; ++i) lines += "Zeile " + std::to_string(i) + "\r\n";
    SetWindowTextA(edit_, lines.c_str());
    Drain();
    // Activation reaches the window through the display a moment later.
    testing_support::PumpUntil([this] { return GetActiveWindow() == dialog_; });
  }
  void TearDown() override {
    SetCtrl(false);
    DestroyWindow(dialog_);
    Drain();
  }
  static MSG WheelOver(HWND control, bool forward) {
    RECT r;
    GetWindowRect(control, &r);
    MSG msg = {};
    msg.message = WM_MOUSEWHEEL;
    msg.wParam = static_cast<WPARAM>(static_cast<uint32_t>(WB_MAKELPARAM(0, forward ? 120 : -120)));
    // Left part of the control, so that x + 25 is still over it or its neighbour.
    msg.lParam = WB_MAKELPARAM(r.left + 10, (r.top + r.bottom) / 2);
    return msg;
  }

  HWND dialog_ = nullptr, edit_ = nullptr, list_ = nullptr;
};

TEST_F(WindowOpsTest, WheelOverAnEditScrollsTwoOrSixLines) {
  ASSERT_EQ(GetActiveWindow(), dialog_);
  struct Case {
    bool forward, ctrl;
    int firstLine;
  };
  const Case cases[] = {{true, false, 18}, {true, true, 14}, {false, false, 22}, {false, true, 26}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "forward " << c.forward << " ctrl " << c.ctrl);
    SendMessageA(edit_, EM_LINESCROLL, 0, -1000);
    SendMessageA(edit_, EM_LINESCROLL, 0, 20);
    ASSERT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), 20);
    SetCtrl(c.ctrl);
    EXPECT_EQ(WHEELMESSAGE(WheelOver(edit_, c.forward), 25), nullptr);
    EXPECT_EQ(SendMessageA(edit_, EM_GETFIRSTVISIBLELINE, 0, 0), c.firstLine);
  }
}

TEST_F(WindowOpsTest, WheelOverABrowseListScrollsItsReceiverAndEndsOnTheNextTimer) {
  std::vector<std::pair<WPARAM, LPARAM>> scrolls;
  HWND receiver = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  getInstance(), nullptr);
  SUBCLASSWINDOW(
      receiver,
      [&](HWND, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        if (m == WM_VSCROLL) scrolls.push_back({wp, lp});
        return 0;
      },
      MessageFilter::Only({WM_VSCROLL}));
  std::string marker = "B\t" + std::to_string(reinterpret_cast<intptr_t>(receiver)) + "\t4711";
  SetWindowTextA(list_, marker.c_str());

  Host host;
  MSG wheel = WheelOver(list_, true);
  PostMessageA(dialog_, WM_MOUSEWHEEL, wheel.wParam, wheel.lParam);
  EXPECT_EQ(RunLocalPump(host, true), 2);  // the wheel, then the scroll it posted
  EXPECT_EQ(LastWheelTarget(), list_);
  ASSERT_EQ(scrolls.size(), 1u);
  EXPECT_EQ(scrolls[0].first, static_cast<WPARAM>(SB_LINEUP));
  EXPECT_EQ(scrolls[0].second, 4711);

  PostMessageA(receiver, WM_TIMER, 1, 0);
  RunLocalPump(host, true);
  EXPECT_EQ(LastWheelTarget(), nullptr);
  ASSERT_EQ(scrolls.size(), 2u);
  EXPECT_EQ(scrolls[1].first, static_cast<WPARAM>(SB_ENDSCROLL));
  EXPECT_EQ(scrolls[1].second, 4711);
  DestroyWindow(receiver);
}

TEST_F(WindowOpsTest, MainLoopOffersKeysToTheCurrentDialog) {
  HWND first = GetDlgItem(dialog_, kFirstButton), second = GetDlgItem(dialog_, kSecondButton);
  Host host;
  for (HWND current : {static_cast<HWND>(nullptr), dialog_}) {
    SCOPED_TRACE(current ? "current dialog" : "no current dialog");
    host.dialog = current;
    SetFocus(first);
    ASSERT_EQ(GetFocus(), first);
    PostMessageA(first, WM_KEYDOWN, VK_TAB, 0);
    PostQuitMessage(0);
    RunMainLoop(host);
    EXPECT_EQ(GetFocus(), current ? second : first);  // Tab moves on only in the dialog
  }
}

TEST(MonitorOps, ClipsOntoTheWorkArea) {
  HWND w = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr,
                           getInstance(), nullptr);
  MONITORINFO mi = {};
  mi.cbSize = sizeof mi;
  GetMonitorInfoA(MonitorFromWindow(w, MONITOR_DEFAULTTONEAREST), &mi);
  SetWindowPos(w, nullptr, mi.rcWork.right - 100, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  CLIPORCENTERWINDOWTOMONITOR(w, kPlaceWorkArea);
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.right, mi.rcWork.right);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 300);
  CLIPORCENTERWINDOWTOMONITOR(w, kPlaceCenter | kPlaceWorkArea);
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, mi.rcWork.left + (mi.rcWork.right - mi.rcWork.left - 300) / 2);
  DestroyWindow(w);
}

TEST(ShortIds, ReportHighIdsAsNegative) {
  HWND parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                getInstance(), nullptr);
  HWND control = CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 5, 5, parent,
                                 reinterpret_cast<HMENU>(static_cast<intptr_t>(65535)),
                                 getInstance(), nullptr);
  bool before = SETSHORTIDS(true);
  EXPECT_EQ(GETDLGCTRLID(control), -1);
  SETSHORTIDS(false);
  EXPECT_EQ(GETDLGCTRLID(control), 65535);
  SETSHORTIDS(before);
  DestroyWindow(parent);
}

}  // namespace
}  // namespace tabrix
