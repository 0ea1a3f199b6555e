// Hotkeys: the modifier table, the wait time between examined key-downs, the default entries
// and SetHotKeys / GetHotKeys, over a host with a fake clock and key state.

#include "framework/hotkeys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabrix {
namespace {

constexpr int64_t kAltDown = int64_t{1} << 29;
constexpr int64_t kKeyUp = int64_t{1} << 31;

class FakeHost : public HotkeyHost {
 public:
  struct Posted {
    uintptr_t window;
    unsigned message;
    uint64_t wParam;
    friend bool operator==(const Posted&, const Posted&) = default;
  };
  uintptr_t app = 0x100, master = 0, active = 0x200;
  bool ctrl = false, shift = false;
  double clock = 3600;
  std::vector<Posted> posted;
  std::vector<std::string> calls;

  uintptr_t ApplicationWindow() override { return app; }
  uintptr_t MasterWindow() override { return master; }
  uintptr_t ActiveDialog() override { return active; }
  bool Post(uintptr_t window, unsigned message, uint64_t wParam, int64_t) override {
    posted.push_back({window, message, wParam});
    return true;
  }
  bool KeyDown(int vk) override { return vk == kVkControl ? ctrl : vk == kVkShift ? shift : false; }
  double SecondsSinceMidnight() override { return clock; }
  bool InstallKeyboardHook(uintptr_t window, unsigned message) override {
    calls.push_back("hook " + std::to_string(window) + " " + std::to_string(message));
    return true;
  }
  bool RemoveKeyboardHook() override {
    calls.push_back("unhook");
    return true;
  }
  void AttachKeyHandler(uintptr_t window, unsigned message, ZB_HOTKEYS*) override {
    calls.push_back("attach " + std::to_string(window) + " " + std::to_string(message));
  }
  void DetachKeyHandler(uintptr_t window, ZB_HOTKEYS*) override {
    calls.push_back("detach " + std::to_string(window));
  }
};

TEST(HotkeyMatches, ModifierTable) {
  struct Case {
    bool alt, ctrl, shift;
    std::vector<int> fires;  // entry flags 0..7 that match
  } cases[] = {
      {true, true, true, {7}},
      {true, true, false, {3, 7}},
      {true, false, true, {5, 7}},
      {false, true, true, {6, 7}},
      {true, false, false, {1, 3, 5, 7}},
      {false, true, false, {2, 3, 6, 7}},
      {false, false, true, {4, 5, 6, 7}},
      {false, false, false, {0}},
  };
  for (const Case& c : cases) {
    std::vector<int> fires;
    for (int flags = 0; flags <= 7; ++flags)
      if (HotkeyMatches(flags, c.alt, c.ctrl, c.shift)) fires.push_back(flags);
    EXPECT_EQ(fires, c.fires) << "alt " << c.alt << " ctrl " << c.ctrl << " shift " << c.shift;
  }
}

class HotkeysTest : public ::testing::Test {
 protected:
  // An entry that records its firing under name and answers answer.
  HotkeyEntry Entry(int flags, int key, std::string name, HotkeyAnswer answer = std::nullopt) {
    return {flags, key, [this, name, answer] {
              fired_.push_back(name);
              return answer;
            }};
  }
  // A key-down 1 second after the previous one, so the wait time never interferes.
  std::optional<int64_t> Press(int key, bool alt = false, bool ctrl = false, bool shift = false) {
    host_.clock += 1;
    host_.ctrl = ctrl;
    host_.shift = shift;
    return hotkeys_.KeybProc(kWmuHotkey, key, 1 | (alt ? kAltDown : 0));
  }

  FakeHost host_;
  ZB_HOTKEYS hotkeys_{host_};
  std::vector<std::string> fired_;
};

TEST_F(HotkeysTest, InitHooksTheApplicationWindowAndAxitUnhooks) {
  hotkeys_.INIT();
  EXPECT_EQ(host_.calls, (std::vector<std::string>{"hook 256 4113", "attach 256 4113"}));
  EXPECT_DOUBLE_EQ(hotkeys_.nTime(), 3600);
  EXPECT_DOUBLE_EQ(hotkeys_.nWaitTime(), 0.3);
  hotkeys_.Axit();
  hotkeys_.Axit();  // once only
  EXPECT_EQ(host_.calls,
            (std::vector<std::string>{"hook 256 4113", "attach 256 4113", "unhook", "detach 256"}));
}

TEST_F(HotkeysTest, EntriesFireByTheModifierTable) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(3, 'K', "alt+ctrl K"), Entry(2, 'K', "ctrl K"),
                                         Entry(0, 'K', "plain K"), Entry(7, 'K', "all K")});
  struct Case {
    const char* what;
    bool alt, ctrl, shift;
    std::vector<std::string> fired;  // the first firing entry swallows (callbacks answer nothing)
    int64_t answer;
  } cases[] = {
      {"Ctrl+K: flags 3 contain Ctrl", false, true, false, {"alt+ctrl K"}, 1},
      {"Alt+K: flags 3 contain Alt", true, false, false, {"alt+ctrl K"}, 1},
      {"Alt+Ctrl+Shift+K: only exactly 7", true, true, true, {"all K"}, 1},
      {"K: only exactly 0", false, false, false, {"plain K"}, 1},
      {"Shift+K: no entry holds 4 but 7", false, false, true, {"all K"}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fired_.clear();
    EXPECT_EQ(Press('K', c.alt, c.ctrl, c.shift), c.answer);
    EXPECT_EQ(fired_, c.fired);
  }
  fired_.clear();
  EXPECT_EQ(Press('L', false, true), 0);  // no entry for the key
  EXPECT_TRUE(fired_.empty());
}

TEST_F(HotkeysTest, AnswersDecideWhetherTheSearchGoesOn) {
  struct Case {
    HotkeyAnswer first;
    std::vector<std::string> fired;
    int64_t answer;
  } cases[] = {
      {HotkeyAnswer{0}, {"first", "second"}, 1},  // 0: go on, the second swallows
      {HotkeyAnswer{2}, {"first", "second"}, 1},  // other numbers go on too
      {HotkeyAnswer{1}, {"first"}, 1},
      {std::nullopt, {"first"}, 1},  // not a number
  };
  for (const Case& c : cases) {
    fired_.clear();
    hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(0, 'Q', "first", c.first),
                                           Entry(0, 'Q', "second", std::nullopt)});
    EXPECT_EQ(Press('Q'), c.answer);
    EXPECT_EQ(fired_, c.fired);
  }
  // Nobody swallows: the focused window gets the key.
  fired_.clear();
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(0, 'Q', "a", 0), Entry(0, 'Q', "b", 5)});
  EXPECT_EQ(Press('Q'), 0);
  EXPECT_EQ(fired_, (std::vector<std::string>{"a", "b"}));
}

TEST_F(HotkeysTest, WaitTimeBetweenExaminedKeyDowns) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(0, kVkF1 + 1, "F2")});
  struct Step {
    const char* what;
    double at;  // seconds since midnight
    int key;
    int64_t flags;
    std::optional<int64_t> answer;
    bool fires;
    double nTimeAfter;
  } steps[] = {
      {"0.2 s after INIT: passes on", 3600.2, kVkF1 + 1, 1, 0, false, 3600},
      {"0.3 s after INIT: examined", 3600.3, kVkF1 + 1, 1, 1, true, 3600.3},
      {"held down, 0.1 s later", 3600.4, kVkF1 + 1, 1, 0, false, 3600.3},
      {"held down, 0.29 s after", 3600.59, kVkF1 + 1, 1, 0, false, 3600.3},
      {"held down, 0.3 s after", 3600.6, kVkF1 + 1, 1, 1, true, 3600.6},
      {"key-up goes to the previous handler", 3601, kVkF1 + 1, 1 | kKeyUp, std::nullopt, false,
       3600.6},
      {"Ctrl itself is never examined", 3602, kVkControl, 1, 0, false, 3600.6},
      {"nor Shift", 3603, kVkShift, 1, 0, false, 3600.6},
      {"nor Alt", 3604, kVkAlt, 1 | kAltDown, 0, false, 3600.6},
      {"an unmatched key moves the time", 3605, 'X', 1, 0, false, 3605},
      {"so F2 0.2 s after it passes on", 3605.2, kVkF1 + 1, 1, 0, false, 3605},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    fired_.clear();
    host_.clock = s.at;
    EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, s.key, s.flags), s.answer);
    EXPECT_EQ(!fired_.empty(), s.fires);
    EXPECT_DOUBLE_EQ(hotkeys_.nTime(), s.nTimeAfter);
  }
  // Another message than 4113 is not the hotkeys' business.
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey + 1, kVkF1 + 1, 1), std::nullopt);
}

TEST_F(HotkeysTest, WaitTimeIsAdjustableAndSurvivesMidnight) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(0, 'A', "A")});
  hotkeys_.Set_nWaitTime(1.0);
  host_.clock += 0.5;
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, 'A', 1), 0);
  host_.clock += 0.5;
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, 'A', 1), 1);

  hotkeys_.Set_nWaitTime(0.3);
  host_.clock = 86399.9;
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, 'A', 1), 1);
  host_.clock = 0.1;  // 0.2 s later, past midnight
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, 'A', 1), 0);
  host_.clock = 0.25;  // 0.35 s later
  EXPECT_EQ(hotkeys_.KeybProc(kWmuHotkey, 'A', 1), 1);
}

TEST_F(HotkeysTest, DefaultEntriesPostToTheTarget) {
  struct Case {
    const char* what;
    uintptr_t master;
    int key;
    bool ctrl;
    FakeHost::Posted want;
  } cases[] = {
      {"F1 help", 0, kVkF1, false, {0x100, kWmuHelp, 0}},
      {"Ctrl+F6 next dialog", 0, kVkF6, true, {0x100, kWmuShiftDlg, 0}},
      {"Ctrl+Tab next dialog", 0, kVkTab, true, {0x100, kWmuShiftDlg, 0}},
      {"Ctrl+F4 closes the active dialog", 0, kVkF4, true, {0x200, 274, 61536}},
      {"F1 to the master", 0x300, kVkF1, false, {0x300, kWmuHelp, 0}},
      {"Ctrl+F4 to the master", 0x300, kVkF4, true, {0x300, 274, 61536}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host_.master = c.master;
    host_.posted.clear();
    hotkeys_.INIT();
    EXPECT_EQ(Press(c.key, false, c.ctrl), 1);
    ASSERT_EQ(host_.posted.size(), 1u);
    EXPECT_EQ(host_.posted[0], c.want);
  }
  // F1 with Ctrl is no default entry (flags 0 need no modifier).
  host_.posted.clear();
  EXPECT_EQ(Press(kVkF1, false, true), 0);
  EXPECT_TRUE(host_.posted.empty());
}

TEST_F(HotkeysTest, ProgramEntriesComeBeforeTheDefaults) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(0, kVkF1, "own F1", 1)});
  EXPECT_EQ(Press(kVkF1), 1);
  EXPECT_EQ(fired_, std::vector<std::string>{"own F1"});
  EXPECT_TRUE(host_.posted.empty());
  ASSERT_EQ(hotkeys_.aHotKeys().size(), 5u);
  ASSERT_EQ(hotkeys_.aDefKeys().size(), 4u);
}

std::vector<std::pair<int, int>> Keys(const std::vector<HotkeyEntry>& entries) {
  std::vector<std::pair<int, int>> keys;
  for (const HotkeyEntry& e : entries) keys.emplace_back(e.flags, e.key);
  return keys;
}

TEST_F(HotkeysTest, SetAndGetHotKeys) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{Entry(2, 'S', "save")});
  EXPECT_EQ(Keys(hotkeys_.GetHotKeys()), (std::vector<std::pair<int, int>>{{2, 'S'}}));

  hotkeys_.SetHotKeys(std::vector<HotkeyEntry>{Entry(1, 'N', "new"), Entry(0, kVkF4 + 1, "F5")});
  EXPECT_EQ(Keys(hotkeys_.aHotKeys()),
            (std::vector<std::pair<int, int>>{
                {1, 'N'}, {0, kVkF4 + 1}, {0, kVkF1}, {2, kVkF6}, {2, kVkF4}}));
  EXPECT_EQ(Keys(hotkeys_.GetHotKeys()),
            (std::vector<std::pair<int, int>>{{1, 'N'}, {0, kVkF4 + 1}}));

  // Ctrl+Tab no longer switches dialogs; Ctrl+F6 still does.
  EXPECT_EQ(Press(kVkTab, false, true), 0);
  EXPECT_TRUE(host_.posted.empty());
  EXPECT_EQ(Press(kVkF6, false, true), 1);
  EXPECT_EQ(host_.posted.size(), 1u);

  // Without a list nothing changes; the table read back and set again stays the same.
  hotkeys_.SetHotKeys(std::nullopt);
  EXPECT_EQ(hotkeys_.aHotKeys().size(), 5u);
  hotkeys_.SetHotKeys(hotkeys_.GetHotKeys());
  EXPECT_EQ(hotkeys_.aHotKeys().size(), 5u);

  hotkeys_.INIT();
  EXPECT_TRUE(hotkeys_.GetHotKeys().empty());
}

TEST_F(HotkeysTest, ACallbackMayReplaceTheTableWhileItRuns) {
  hotkeys_.INIT(std::vector<HotkeyEntry>{{0, 'R',
                                          [this]() -> HotkeyAnswer {
                                            hotkeys_.SetHotKeys(std::vector<HotkeyEntry>{});
                                            return 0;
                                          }},
                                         Entry(0, 'R', "second", 1)});
  EXPECT_EQ(Press('R'), 1);  // the search finished on the table it started with
  EXPECT_EQ(fired_, std::vector<std::string>{"second"});
  EXPECT_EQ(hotkeys_.aHotKeys().size(), 3u);
}

}  // namespace
}  // namespace tabrix
