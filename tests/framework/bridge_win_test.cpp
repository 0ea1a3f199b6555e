// The window bridge with real windows and real messages: chain order and filters, forwarding
// bounds, answer conversion, the dialog rules, clean-up at WM_NCDESTROY and the loops' F10 rule.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/native/bridge_win.h"
#include "framework/native/dialog_template_win.h"
#include "framework/native/message_loop_win.h"

namespace tabrix {
namespace {

constexpr UINT kProbe = WM_USER + 7;
constexpr WORD kButtonId = 1001;

// Messages the class's own procedure (the one before subclassing) received.
std::vector<UINT>* gPreviousSaw = nullptr;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (gPreviousSaw) gPreviousSaw->push_back(message);
  if (message == kProbe) return 99;
  return DefWindowProcA(window, message, wParam, lParam);
}

class BridgeTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecordingProc;
    wc.hInstance = getInstance();
    wc.lpszClassName = "TabrixBridgeTest";
    RegisterClassA(&wc);
  }
  void SetUp() override {
    gPreviousSaw = &previousSaw_;
    window_ = CreateWindowExA(0, "TabrixBridgeTest", "bridge", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                              nullptr, nullptr, getInstance(), nullptr);
    ASSERT_NE(window_, nullptr);
    previousSaw_.clear();
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
    gPreviousSaw = nullptr;
    Drain();
  }
  static void Drain() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  bool PreviousSaw(UINT message) const {
    for (UINT m : previousSaw_) {
      if (m == message) return true;
    }
    return false;
  }

  HWND window_ = nullptr;
  std::vector<UINT> previousSaw_;
};

TEST_F(BridgeTest, NewestCallbackFirstAndFiltersSkipDownwards) {
  std::vector<char> order;
  size_t belowOld = SUBCLASSWINDOW(
      window_,
      [&](HWND w, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        if (m == WM_PAINT || m == WM_KEYDOWN || m == kProbe) order.push_back('O');
        return static_cast<long long>(CALLWINDOWPROC(belowOld, w, m, wp, lp));
      },
      MessageFilter::All());
  SUBCLASSWINDOW(
      window_,
      [&](HWND, UINT, WPARAM, LPARAM) -> MsgResult {
        order.push_back('N');
        return 5;  // taken: nothing below runs
      },
      MessageFilter::Only({WM_KEYDOWN, WM_CHAR}));
  EXPECT_EQ(belowOld, 1u);
  ASSERT_EQ(GetMessageStack(window_)->ChainLength(), 3u);

  EXPECT_EQ(SendMessageA(window_, WM_KEYDOWN, 'A', 0), 5);
  EXPECT_EQ(order, std::vector<char>({'N'}));
  EXPECT_FALSE(PreviousSaw(WM_KEYDOWN));

  order.clear();
  InvalidateRect(window_, nullptr, FALSE);
  SendMessageA(window_, WM_PAINT, 0, 0);  // not in the newer filter: goes to the older one
  EXPECT_EQ(order, std::vector<char>({'O'}));
  EXPECT_TRUE(PreviousSaw(WM_PAINT));

  order.clear();
  EXPECT_EQ(SendMessageA(window_, kProbe, 0, 0), 99);  // forwarded to the class procedure
  EXPECT_EQ(order, std::vector<char>({'O'}));
}

TEST_F(BridgeTest, ForwardingIndexBounds) {
  std::vector<char> calls;
  SUBCLASSWINDOW(
      window_,
      [&](HWND, UINT, WPARAM, LPARAM) -> MsgResult {
        calls.push_back('1');
        return 7;
      },
      MessageFilter::All());
  SUBCLASSWINDOW(
      window_,
      [&](HWND, UINT, WPARAM, LPARAM) -> MsgResult {
        calls.push_back('2');
        return 8;
      },
      MessageFilter::All());
  const size_t length = GetMessageStack(window_)->ChainLength();
  ASSERT_EQ(length, 3u);

  struct Case {
    size_t index;
    LRESULT result;
    std::vector<char> calls;
    bool previous;
  };
  const Case cases[] = {
      {0, 0, {}, false},          {length, 0, {}, false},
      {length + 5, 0, {}, false}, {length - 1, 7, {'1'}, false},  // the entry just below the newest
      {1, 99, {}, true},  // only the procedure installed before
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    calls.clear();
    previousSaw_.clear();
    EXPECT_EQ(CALLWINDOWPROC(c.index, window_, kProbe, 0, 0), c.result);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(PreviousSaw(kProbe), c.previous);
  }

  HWND plain = CreateWindowExA(0, "TabrixBridgeTest", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                               getInstance(), nullptr);
  previousSaw_.clear();
  EXPECT_EQ(CALLWINDOWPROC(1, plain, kProbe, 0, 0), 0);  // no message stack
  EXPECT_TRUE(previousSaw_.empty());
  DestroyWindow(plain);
}

TEST_F(BridgeTest, AnswersBecomeProcedureResults) {
  MsgResult answer;
  SUBCLASSWINDOW(
      window_, [&](HWND, UINT, WPARAM, LPARAM) { return answer; }, MessageFilter::Only({kProbe}));
  struct Case {
    const char* what;
    MsgResult answer;
    LRESULT result;
  };
  const Case cases[] = {
      {"true", true, 1},     {"false", false, 0}, {"2.9", 2.9, 2},        {"-2.9", -2.9, -2},
      {"integer", -40, -40}, {"nothing", {}, 0},  {"character", "Z", 90}, {"text", "ZZ", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    answer = c.answer;
    EXPECT_EQ(SendMessageA(window_, kProbe, 0, 0), c.result);
  }
}

TEST_F(BridgeTest, LastParametersAreThoseOfTheInnermostMessage) {
  SUBCLASSWINDOW(
      window_,
      [&](HWND w, UINT m, WPARAM, LPARAM) -> MsgResult {
        if (m == kProbe) SendMessageA(w, kProbe + 1, 33, 44);
        return 0;
      },
      MessageFilter::All());
  SendMessageA(window_, kProbe, 11, 22);
  EXPECT_EQ(GETLASTWPARAM(), 33u);
  EXPECT_EQ(GETLASTLPARAM(), 44);
}

TEST_F(BridgeTest, UserDataIsZeroAfterNcDestroyAndCallbacksAreReleased) {
  auto sentinel = std::make_shared<int>(1);
  std::weak_ptr<int> watch = sentinel;
  int calls = 0;
  SUBCLASSWINDOW(
      window_,
      [&calls, sentinel](HWND, UINT, WPARAM, LPARAM) -> MsgResult {
        ++calls;
        return 1;
      },
      MessageFilter::All());
  sentinel.reset();
  EXPECT_NE(GetWindowLongPtrA(window_, GWLP_USERDATA), 0);

  // The procedure cleans up after delivering WM_NCDESTROY; later messages are answered 0.
  SubClassProc(window_, WM_NCDESTROY, 0, 0);
  EXPECT_EQ(GetWindowLongPtrA(window_, GWLP_USERDATA), 0);
  EXPECT_TRUE(watch.expired());
  calls = 0;
  EXPECT_EQ(SendMessageA(window_, kProbe, 0, 0), 0);
  EXPECT_EQ(calls, 0);

  // A real destruction frees the stack too, also when the callback destroys its own window.
  HWND other = CreateWindowExA(0, "TabrixBridgeTest", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                               getInstance(), nullptr);
  auto sentinel2 = std::make_shared<int>(2);
  std::weak_ptr<int> watch2 = sentinel2;
  bool sawNcDestroy = false;
  SUBCLASSWINDOW(
      other,
      [&sawNcDestroy, sentinel2](HWND w, UINT m, WPARAM, LPARAM) -> MsgResult {
        if (m == kProbe) DestroyWindow(w);
        if (m == WM_NCDESTROY) sawNcDestroy = true;
        return *sentinel2;  // the callback is still alive while it runs
      },
      MessageFilter::All());
  sentinel2.reset();
  EXPECT_EQ(SendMessageA(other, kProbe, 0, 0), 2);
  EXPECT_FALSE(IsWindow(other));
  EXPECT_TRUE(sawNcDestroy);
  EXPECT_TRUE(watch2.expired());
}

TEST_F(BridgeTest, SubclassingWithoutCallbackAddsAnInertEntry) {
  EXPECT_EQ(SUBCLASSWINDOW(window_, nullptr, MessageFilter::All()), 1u);
  EXPECT_EQ(SendMessageA(window_, kProbe, 0, 0), 99);  // falls through to the class procedure
}

struct Seen {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
  bool controlExisted;
};

DialogTemplate OneButtonDialog() {
  DialogTemplate t("bridge dialog", WS_POPUP | WS_CAPTION | WS_SYSMENU, 120, 60);
  t.Add(0x0080, kButtonId, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14, "OK");
  return t;
}

TEST_F(BridgeTest, ModelessDialogGetsOneInitDialogWithZeros) {
  DialogTemplate t = OneButtonDialog();
  std::vector<Seen> seen;
  HWND dialog = CREATEDIALOGINDIRECT(
      getInstance(), t.Get(), window_, [&](HWND d, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        seen.push_back({m, wp, lp, GetDlgItem(d, kButtonId) != nullptr});
        return kNoResult;
      });
  ASSERT_NE(dialog, nullptr);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().message, static_cast<UINT>(WM_INITDIALOG));  // nothing during creation
  int inits = 0;
  for (const Seen& s : seen) {
    if (s.message != WM_INITDIALOG) continue;
    ++inits;
    EXPECT_EQ(s.wParam, 0u);
    EXPECT_EQ(s.lParam, 0);
    EXPECT_TRUE(s.controlExisted);
  }
  EXPECT_EQ(inits, 1);

  // A dialog-only stack is cleaned up by the dialog procedure.
  auto stack = GetMessageStack(dialog);
  ASSERT_NE(stack, nullptr);
  EXPECT_TRUE(stack->HasDialog());
  EXPECT_FALSE(stack->HasChain());
  DestroyWindow(dialog);
  EXPECT_EQ(seen.back().message, static_cast<UINT>(WM_NCDESTROY));
}

TEST_F(BridgeTest, SubclassedDialogIsCleanedUpOnce) {
  DialogTemplate t = OneButtonDialog();
  int dialogNcDestroy = 0, windowNcDestroy = 0;
  HWND dialog = CREATEDIALOGINDIRECT(getInstance(), t.Get(), window_,
                                     [&](HWND, UINT m, WPARAM, LPARAM) -> MsgResult {
                                       if (m == WM_NCDESTROY) ++dialogNcDestroy;
                                       return kNoResult;
                                     });
  ASSERT_NE(dialog, nullptr);
  size_t below = SUBCLASSWINDOW(
      dialog,
      [&](HWND w, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        if (m == WM_NCDESTROY) {
          ++windowNcDestroy;
          EXPECT_NE(GetMessageStack(w), nullptr);  // still there while the chain runs
        }
        return static_cast<long long>(CALLWINDOWPROC(below, w, m, wp, lp));
      },
      MessageFilter::All());
  EXPECT_EQ(GetMessageStack(dialog)->ChainLength(), 2u);
  DestroyWindow(dialog);
  EXPECT_EQ(windowNcDestroy, 1);
  EXPECT_EQ(dialogNcDestroy, 1);
}

TEST_F(BridgeTest, ModalDialogSeesThePlatformsInitDialog) {
  DialogTemplate t = OneButtonDialog();
  std::vector<Seen> seen;
  HWND focusCandidate = nullptr;
  INT_PTR result = DIALOGBOXINDIRECT(
      nullptr, t.Get(), window_, [&](HWND d, UINT m, WPARAM wp, LPARAM lp) -> MsgResult {
        seen.push_back({m, wp, lp, GetDlgItem(d, kButtonId) != nullptr});
        if (m == WM_INITDIALOG) {
          focusCandidate = GetDlgItem(d, kButtonId);
          EndDialog(d, 42);
          return true;
        }
        return kNoResult;
      });
  EXPECT_EQ(result, 42);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().message, static_cast<UINT>(WM_SETFONT));  // from the first message on
  int inits = 0;
  for (const Seen& s : seen) {
    if (s.message != WM_INITDIALOG) continue;
    ++inits;
    // The platform's arguments: the control that gets the focus.
    EXPECT_EQ(reinterpret_cast<HWND>(s.wParam), focusCandidate);
  }
  EXPECT_EQ(inits, 1);
}

// A host for the loops: no accelerators, no current dialog.
class TestHost : public MessageLoopHost {
 public:
  HWND LoopWindow() const override { return nullptr; }
  HACCEL LoopAccelerators() const override { return nullptr; }
  HWND CurrentDialog() const override { return dialog; }
  bool QuitFlag() const override { return quit; }
  int WheelOffset() const override { return 25; }
  HWND dialog = nullptr;
  bool quit = false;
};

TEST_F(BridgeTest, MainLoopDropsF10ButThePumpDoesNot) {
  std::vector<std::pair<UINT, WPARAM>> got;
  SUBCLASSWINDOW(
      window_,
      [&](HWND, UINT m, WPARAM wp, LPARAM) -> MsgResult {
        if (m == WM_SYSKEYDOWN || m == kProbe) got.push_back({m, wp});
        return 0;
      },
      MessageFilter::All());
  Drain();
  TestHost host;
  PostMessageA(window_, WM_SYSKEYDOWN, VK_F10, 0);
  PostMessageA(window_, WM_SYSKEYDOWN, VK_F9, 0);
  PostMessageA(window_, kProbe, 1, 0);
  PostQuitMessage(3);
  EXPECT_EQ(RunMainLoop(host), 3u);
  EXPECT_EQ(got, (std::vector<std::pair<UINT, WPARAM>>{{WM_SYSKEYDOWN, VK_F9}, {kProbe, 1}}));

  for (bool withWheel : {false, true}) {
    SCOPED_TRACE(withWheel);
    got.clear();
    PostMessageA(window_, WM_SYSKEYDOWN, VK_F10, 0);
    PostMessageA(window_, kProbe, 2, 0);
    EXPECT_EQ(RunLocalPump(host, withWheel), 2);
    EXPECT_EQ(got, (std::vector<std::pair<UINT, WPARAM>>{{WM_SYSKEYDOWN, VK_F10}, {kProbe, 2}}));
    EXPECT_EQ(RunLocalPump(host, withWheel), 0);  // empty queue: returns at once
  }
}

TEST_F(BridgeTest, MainLoopEndsOnQuitFlagWhenQueueIsEmpty) {
  Drain();
  TestHost host;
  host.quit = true;
  int probes = 0;
  SUBCLASSWINDOW(
      window_,
      [&](HWND, UINT m, WPARAM, LPARAM) -> MsgResult {
        if (m == kProbe) ++probes;
        return 0;
      },
      MessageFilter::All());
  PostMessageA(window_, kProbe, 0, 0);
  RunMainLoop(host);  // handles what is waiting, then sees the flag
  EXPECT_EQ(probes, 1);
}

TEST_F(BridgeTest, MessageQueueLimit) {
  EXPECT_EQ(SET_MESSAGEQUEUE(96), 1);
  EXPECT_EQ(SET_MESSAGEQUEUE(120), 1);
  EXPECT_EQ(SET_MESSAGEQUEUE(121), -1);
}

}  // namespace
}  // namespace tabrix
