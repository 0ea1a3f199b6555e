#pragma once
// The keyboard hook and the platform's side of the hotkeys (Windows build).
//
// KEYBHOOK installs a WH_KEYBOARD hook for one thread; for every key event (hook code 0 or
// more) it sends message (1095 unless given) to the window, wParam the virtual key, lParam the
// key-event flags. A non-zero answer discards the key event; otherwise it goes to the next
// hook and on to the focused window. One hook per process: a second KEYBHOOK replaces the
// first.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

#include "framework/hotkeys.h"

namespace tabrix {

HHOOK KEYBHOOK(HINSTANCE instance, DWORD threadId, HWND window,
               UINT message = kKeybHookDefaultMessage);
bool UNHOOKKEYB();

// The platform's hotkey host. The application object is not part of this layer: its
// application window, master window and active dialog come from the functions given (until
// ZB_APP provides them). KeybProc is hooked into the application window through its subclass
// chain (window_hook_win.h), offered the hotkey message alone.
class Win32HotkeyHost : public HotkeyHost {
 public:
  struct AppWindows {
    std::function<HWND()> application;
    std::function<HWND()> master;  // may be empty: no master
    std::function<HWND()> activeDialog;
  };
  explicit Win32HotkeyHost(AppWindows windows) : windows_(std::move(windows)) {}
  ~Win32HotkeyHost() override;
  Win32HotkeyHost(const Win32HotkeyHost&) = delete;
  Win32HotkeyHost& operator=(const Win32HotkeyHost&) = delete;

  uintptr_t ApplicationWindow() override;
  uintptr_t MasterWindow() override;
  uintptr_t ActiveDialog() override;
  bool Post(uintptr_t window, unsigned message, uint64_t wParam, int64_t lParam) override;
  bool KeyDown(int virtualKey) override;
  double SecondsSinceMidnight() override;
  bool InstallKeyboardHook(uintptr_t window, unsigned message) override;
  bool RemoveKeyboardHook() override;
  void AttachKeyHandler(uintptr_t window, unsigned message, ZB_HOTKEYS* hotkeys) override;
  void DetachKeyHandler(uintptr_t window, ZB_HOTKEYS* hotkeys) override;

  // What the hook on one window carries.
  struct HandlerData {
    ZB_HOTKEYS* hotkeys;
    UINT message;
    Win32HotkeyHost* host;
    std::uintptr_t hookId;
  };
  // Removes the hook on window and its data (also when the window is destroyed).
  void Forget(HWND window);

 private:
  AppWindows windows_;
  std::map<HWND, std::unique_ptr<HandlerData>> handlers_;
};

}  // namespace tabrix
