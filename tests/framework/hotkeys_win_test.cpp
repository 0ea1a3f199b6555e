// Hotkeys with the real keyboard hook under Wine: injected key events reach KeybProc through
// the hook before the focused window; a swallowed key never arrives there, others do.

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "framework/hotkeys_win.h"
#include "framework/pump_until_win.h"

namespace tabrix {
namespace {

std::vector<WPARAM>* gKeysSeen = nullptr;

LRESULT CALLBACK AppProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_KEYDOWN && gKeysSeen) gKeysSeen->push_back(wp);
  return DefWindowProcA(w, m, wp, lp);
}

void Press(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

using testing_support::PumpUntil;

// A key without a hotkey entry, pressed after the key under test: once it has reached the window,
// the key before it has been through the hook too.
constexpr WORD kMarker = VK_F11;

// Presses `vk` and the marker and handles messages until the marker arrived. Returns the keys
// the window saw, the marker left out; nothing when the marker never came.
std::optional<std::vector<WPARAM>> PressAndSettle(WORD vk, std::vector<WPARAM>& seen) {
  seen.clear();
  Press(vk);
  Press(kMarker);
  if (!PumpUntil([&] { return !seen.empty() && seen.back() == kMarker; })) return std::nullopt;
  seen.pop_back();
  return seen;
}

TEST(HotkeysWin, RealHookSwallowsMatchedKeysOnly) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = AppProc;
  wc.lpszClassName = "TabrixHotkeyApp";
  RegisterClassA(&wc);
  HWND app = CreateWindowExA(0, "TabrixHotkeyApp", "Hotkeys", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10,
                             10, 200, 100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(app, nullptr);
  SetForegroundWindow(app);
  SetFocus(app);
  PumpUntil([app] { return GetForegroundWindow() == app && GetFocus() == app; });
  std::vector<WPARAM> seen;
  gKeysSeen = &seen;

  Win32HotkeyHost host({[app] { return app; }, {}, [] { return HWND{}; }});
  ZB_HOTKEYS hotkeys(host);
  int fired = 0;
  hotkeys.INIT(std::vector<HotkeyEntry>{{0, VK_F2, [&]() -> HotkeyAnswer {
                                           ++fired;
                                           return 1;
                                         }}});
  // Without a wait time every key-down is examined, whatever the machine's speed.
  hotkeys.Set_nWaitTime(0);

  using Keys = std::vector<WPARAM>;
  auto keys = PressAndSettle(VK_F3, seen);  // no entry: reaches the window
  if (!keys) GTEST_SKIP() << "injected keys do not reach this thread under this display";
  EXPECT_EQ(*keys, Keys{VK_F3});

  keys = PressAndSettle(VK_F2, seen);  // swallowed by the entry
  ASSERT_TRUE(keys);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(*keys, Keys{});

  // Within the wait time the key is not examined and reaches the window.
  hotkeys.Set_nWaitTime(60);
  keys = PressAndSettle(VK_F2, seen);
  ASSERT_TRUE(keys);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(*keys, Keys{VK_F2});

  // After Axit the hook is gone: F2 reaches the window even without a wait time.
  hotkeys.Set_nWaitTime(0);
  hotkeys.Axit();
  keys = PressAndSettle(VK_F2, seen);
  ASSERT_TRUE(keys);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(*keys, Keys{VK_F2});

  gKeysSeen = nullptr;
  DestroyWindow(app);
}

// F1, a default entry, posts WMU_HELP to the application window.
TEST(HotkeysWin, DefaultHelpEntryPostsToTheApplicationWindow) {
  HWND app = CreateWindowExA(0, "STATIC", "App", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                             nullptr);
  Win32HotkeyHost host({[app] { return app; }, {}, [] { return HWND{}; }});
  ZB_HOTKEYS hotkeys(host);
  hotkeys.INIT();
  hotkeys.Set_nWaitTime(0);
  // The hook's message, as the hook sends it: through the application window's procedure.
  EXPECT_EQ(SendMessageA(app, kWmuHotkey, VK_F1, 1), 1);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, app, kWmuHelp, kWmuHelp, PM_REMOVE));
  // Other messages of the window are not the hotkeys' business.
  EXPECT_EQ(SendMessageA(app, WM_GETTEXTLENGTH, 0, 0), 3);
  hotkeys.Axit();
  EXPECT_EQ(SendMessageA(app, kWmuHotkey, VK_F1, 1), 0);  // unhooked: the static answers 0
  EXPECT_FALSE(PeekMessageA(&msg, app, kWmuHelp, kWmuHelp, PM_REMOVE));
  DestroyWindow(app);
}

}  // namespace
}  // namespace tabrix
