// Window hooks as entries of the bridge's subclass chain: the filter, handing on, exceptions,
// early removal, coexistence with other chain callbacks and release with the window.
#include "framework/window_hook_win.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

constexpr UINT kTaken = WM_USER + 21;
constexpr UINT kOther = WM_USER + 22;

// The class's own procedure answers every probe with 7.
LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kTaken || message == kOther) return 7;
  return DefWindowProcA(window, message, wParam, lParam);
}

class WindowHookTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PlainProc;
    wc.hInstance = getInstance();
    wc.lpszClassName = "TabrixHookTest";
    RegisterClassA(&wc);
  }
  void SetUp() override {
    window_ = CreateWindowExA(0, "TabrixHookTest", "hook", WS_OVERLAPPEDWINDOW, 0, 0, 100, 80,
                              nullptr, nullptr, getInstance(), nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(WindowHookTest, AnswersAndHandsOnByFilter) {
  struct Case {
    const char* what;
    UINT message;
    WPARAM wParam;
    LRESULT expected;
    int hookCalls;
  };
  int calls = 0;
  std::uintptr_t id = HookWindowMessages(
      window_, {kTaken}, [&calls](HWND, UINT, WPARAM wParam, LPARAM) -> std::optional<LRESULT> {
        ++calls;
        if (wParam == 1) return 42;
        if (wParam == 2) throw std::runtime_error("hook failed");
        return std::nullopt;
      });
  ASSERT_NE(id, 0u);
  const Case cases[] = {
      {"taken with an answer", kTaken, 1, 42, 1},
      {"taken, handed on", kTaken, 0, 7, 1},
      {"hook throws: handed on", kTaken, 2, 7, 1},
      {"outside the filter", kOther, 1, 7, 0},
  };
  for (const Case& c : cases) {
    calls = 0;
    EXPECT_EQ(SendMessageA(window_, c.message, c.wParam, 0), c.expected) << c.what;
    EXPECT_EQ(calls, c.hookCalls) << c.what;
  }
  EXPECT_NE(GetMessageStack(window_), nullptr);
}

TEST_F(WindowHookTest, UnhookHandsEverythingOnAndUnknownIdsAreIgnored) {
  int calls = 0;
  std::uintptr_t id = HookWindowMessages(window_, {kTaken}, [&calls](HWND, UINT, WPARAM, LPARAM) {
    ++calls;
    return std::optional<LRESULT>(42);
  });
  EXPECT_EQ(SendMessageA(window_, kTaken, 0, 0), 42);
  UnhookWindowMessages(window_, id);
  UnhookWindowMessages(window_, id);       // twice: nothing
  UnhookWindowMessages(window_, id + 99);  // never handed out: nothing
  EXPECT_EQ(SendMessageA(window_, kTaken, 0, 0), 7);
  EXPECT_EQ(calls, 1);
}

TEST_F(WindowHookTest, SharesTheChainWithBridgeCallbacks) {
  // A bridge callback below the hook gets what the hook hands on; one above comes first.
  SUBCLASSWINDOW(
      window_, [](HWND, UINT, WPARAM, LPARAM) -> MsgResult { return 5; },
      MessageFilter::Only({kTaken}));
  std::uintptr_t id =
      HookWindowMessages(window_, {kTaken, kOther}, [](HWND, UINT message, WPARAM, LPARAM) {
        return message == kOther ? std::optional<LRESULT>(11) : std::nullopt;
      });
  ASSERT_NE(id, 0u);
  EXPECT_EQ(SendMessageA(window_, kTaken, 0, 0), 5);
  EXPECT_EQ(SendMessageA(window_, kOther, 0, 0), 11);
  SUBCLASSWINDOW(
      window_, [](HWND, UINT, WPARAM, LPARAM) -> MsgResult { return 3; },
      MessageFilter::Only({kOther}));
  EXPECT_EQ(SendMessageA(window_, kOther, 0, 0), 3);
  UnhookWindowMessages(window_, id);
  EXPECT_EQ(SendMessageA(window_, kTaken, 0, 0), 5);
}

TEST_F(WindowHookTest, ReleasedWithItsWindow) {
  bool sawDestroy = false;
  std::uintptr_t id =
      HookWindowMessages(window_, {WM_NCDESTROY}, [&sawDestroy](HWND, UINT, WPARAM, LPARAM) {
        sawDestroy = true;
        return std::optional<LRESULT>();
      });
  ASSERT_NE(id, 0u);
  DestroyWindow(window_);
  EXPECT_TRUE(sawDestroy);
  EXPECT_EQ(GetMessageStack(window_), nullptr);
  UnhookWindowMessages(window_, id);  // after the window is gone: nothing
}

TEST(WindowHook, RefusesNoWindowAndNoHook) {
  EXPECT_EQ(HookWindowMessages(nullptr, {WM_USER},
                               [](HWND, UINT, WPARAM, LPARAM) { return std::optional<LRESULT>(); }),
            0u);
  HWND window =
      CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, getInstance(), nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(HookWindowMessages(window, {WM_USER}, MessageHook()), 0u);
  DestroyWindow(window);
}

}  // namespace
}  // namespace tabrix
