#pragma once
// Application-wide keyboard shortcuts (ZB_HOTKEYS).
//
// A keyboard hook on the user-interface thread sends every key event, before any window sees
// it, to the application window as message 4113 (WMU_HOTKEY): wParam the virtual key code,
// lParam the key-event flags (bit 31 set when the key goes up, bit 29 set when Alt is down,
// low word the repeat count). ZB_HOTKEYS, hooked into the application window for that message
// only, matches key-downs against its table and runs the matching entries' callbacks; a
// non-zero answer swallows the key.
//
// Matching (flags of an entry: 1 Alt, 2 Ctrl, 4 Shift):
//   pressed               an entry with the same key matches when its flags ...
//   Alt + Ctrl + Shift    are exactly 7
//   two modifiers         contain both of them (more are allowed)
//   one modifier          contain it (more are allowed)
//   none                  are exactly 0
// Two examined key-downs are at least nWaitTime (0.3) seconds apart: a key-down sooner after
// the last examined one, and Shift, Ctrl or Alt themselves, pass on unexamined.
//
// The matching and the timing are portable; the application window, posting, the key state,
// the clock and the hook itself come from a HotkeyHost (hotkeys_win.h for the platform's).

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "framework/wmu_messages.h"

namespace tabrix {

class ZB_HOTKEYS;

inline constexpr unsigned kWmuShiftDlg = WMU_SHIFTDLG;
inline constexpr unsigned kWmuHotkey = WMU_HOTKEY;
inline constexpr unsigned kWmuHelp = WMU_HELP;
// The message the hook sends by default, and the system command that closes a window
// (WM_USER + 71, WM_SYSCOMMAND, SC_CLOSE; hotkeys_win.cpp checks them against the system's).
inline constexpr unsigned kKeybHookDefaultMessage = 0x0400 + 71;
inline constexpr unsigned kWmSysCommandMsg = 0x0112;
inline constexpr int64_t kScCloseCommand = 0xF060;

inline constexpr int kHotAlt = 1;
inline constexpr int kHotCtrl = 2;
inline constexpr int kHotShift = 4;

inline constexpr int kVkTab = 9;
inline constexpr int kVkShift = 16;
inline constexpr int kVkControl = 17;
inline constexpr int kVkAlt = 18;
inline constexpr int kVkF1 = 112;
inline constexpr int kVkF4 = 115;
inline constexpr int kVkF6 = 117;

// What a shortcut's callback answers: a number, or nothing for any other kind of value (a
// logical, for one). Nothing and 1 swallow the key; any other number lets the search go on.
using HotkeyAnswer = std::optional<int64_t>;

struct HotkeyEntry {
  int flags = 0;  // kHotAlt | kHotCtrl | kHotShift
  int key = 0;    // virtual key code
  std::function<HotkeyAnswer()> callback;
};

// Whether an entry with entryFlags fires for the modifiers pressed (table above).
bool HotkeyMatches(int entryFlags, bool alt, bool ctrl, bool shift);

// What ZB_HOTKEYS needs from the application object and the platform. Until the application
// object exists, its three windows come from here.
class HotkeyHost {
 public:
  virtual ~HotkeyHost() = default;
  virtual uintptr_t ApplicationWindow() = 0;
  virtual uintptr_t MasterWindow() = 0;  // 0: this program runs without a master
  virtual uintptr_t ActiveDialog() = 0;  // the application object's hActive
  virtual bool Post(uintptr_t window, unsigned message, uint64_t wParam, int64_t lParam) = 0;
  // The key is down now (high bit of its key state).
  virtual bool KeyDown(int virtualKey) = 0;
  virtual double SecondsSinceMidnight() = 0;
  // KEYBHOOK for the current thread: key events go to window as message.
  virtual bool InstallKeyboardHook(uintptr_t window, unsigned message) = 0;
  virtual bool RemoveKeyboardHook() = 0;
  // Lets hotkeys see message (and only that message) of window first; Detach undoes it.
  virtual void AttachKeyHandler(uintptr_t window, unsigned message, ZB_HOTKEYS* hotkeys) = 0;
  virtual void DetachKeyHandler(uintptr_t window, ZB_HOTKEYS* hotkeys) = 0;
};

class ZB_HOTKEYS {
 public:
  explicit ZB_HOTKEYS(HotkeyHost& host) : host_(host) {}
  ~ZB_HOTKEYS();
  ZB_HOTKEYS(const ZB_HOTKEYS&) = delete;
  ZB_HOTKEYS& operator=(const ZB_HOTKEYS&) = delete;

  void Set_nWaitTime(double seconds) { nWaitTime_ = seconds; }  // the framework's _Set_nWaitTime

  // Builds the table (the entries given, then the four default entries: F1 help, Ctrl+F6 and
  // Ctrl+Tab next dialog, Ctrl+F4 close), installs the keyboard hook for this thread towards
  // the application window with message 4113 and hooks KeybProc into that window. flag is not
  // used.
  ZB_HOTKEYS& INIT(std::optional<std::vector<HotkeyEntry>> entries = std::nullopt,
                   bool flag = false);
  // Removes the keyboard hook and unhooks KeybProc.
  ZB_HOTKEYS& Axit();

  // The application window's handler for message 4113. A key-down answers 1 (swallowed) or 0
  // (passes on); anything else answers nothing: the message goes on to the previous handler.
  std::optional<int64_t> KeybProc(unsigned message, uint64_t key, int64_t flags);

  // With a list: the table becomes a copy of it followed by F1, Ctrl+F6 and Ctrl+F4 (Ctrl+Tab is
  // not added again). Without one: nothing changes.
  void SetHotKeys(std::optional<std::vector<HotkeyEntry>> entries);
  // The program's entries: the table without the default entries appended to it.
  std::vector<HotkeyEntry> GetHotKeys() const;

  double nTime() const { return nTime_; }
  double nWaitTime() const { return nWaitTime_; }
  const std::vector<HotkeyEntry>& aHotKeys() const { return aHotKeys_; }
  const std::vector<HotkeyEntry>& aDefKeys() const { return aDefKeys_; }

 private:
  uintptr_t Target();

  HotkeyHost& host_;
  std::vector<HotkeyEntry> aHotKeys_;
  std::vector<HotkeyEntry> aDefKeys_;
  double nTime_ = 0;
  double nWaitTime_ = 0.3;
  size_t defaultsAppended_ = 0;  // how many default entries end aHotKeys_
  uintptr_t hookedWindow_ = 0;
  bool hooked_ = false;
};

}  // namespace tabrix
