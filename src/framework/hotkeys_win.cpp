// The keyboard hook and the platform's hotkey host (see hotkeys_win.h).

#include "framework/hotkeys_win.h"

#include <memory>
#include <optional>

#include "framework/window_hook_win.h"

namespace tabrix {

static_assert(kKeybHookDefaultMessage == WM_USER + 71);
static_assert(kWmSysCommandMsg == WM_SYSCOMMAND);
static_assert(kScCloseCommand == SC_CLOSE);
namespace {

// Keyboard hook state, one per process.
HHOOK e_hhook = nullptr;
HWND e_hwnd = nullptr;
UINT e_msg = kKeybHookDefaultMessage;

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM key, LPARAM flags) {
  if (code >= 0 && e_hwnd) {
    LRESULT answer = SendMessageA(e_hwnd, e_msg, key & 0xFFFF, flags);
    if (answer != 0) return answer;
  }
  return CallNextHookEx(e_hhook, code, key, flags);
}

}  // namespace

HHOOK KEYBHOOK(HINSTANCE instance, DWORD threadId, HWND window, UINT message) {
  if (e_hhook) UnhookWindowsHookEx(e_hhook);
  e_hwnd = window;
  e_msg = message;
  e_hhook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHookProc, instance, threadId);
  return e_hhook;
}

bool UNHOOKKEYB() {
  if (!e_hhook) return false;
  BOOL ok = UnhookWindowsHookEx(e_hhook);
  e_hhook = nullptr;
  e_hwnd = nullptr;
  return ok != 0;
}

uintptr_t Win32HotkeyHost::ApplicationWindow() {
  return reinterpret_cast<uintptr_t>(windows_.application ? windows_.application() : nullptr);
}
uintptr_t Win32HotkeyHost::MasterWindow() {
  return reinterpret_cast<uintptr_t>(windows_.master ? windows_.master() : nullptr);
}
uintptr_t Win32HotkeyHost::ActiveDialog() {
  return reinterpret_cast<uintptr_t>(windows_.activeDialog ? windows_.activeDialog() : nullptr);
}

bool Win32HotkeyHost::Post(uintptr_t window, unsigned message, uint64_t wParam, int64_t lParam) {
  return PostMessageA(reinterpret_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
                      static_cast<LPARAM>(lParam)) != 0;
}

bool Win32HotkeyHost::KeyDown(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

double Win32HotkeyHost::SecondsSinceMidnight() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0;
}

bool Win32HotkeyHost::InstallKeyboardHook(uintptr_t window, unsigned message) {
  return KEYBHOOK(nullptr, GetCurrentThreadId(), reinterpret_cast<HWND>(window), message) !=
         nullptr;
}

bool Win32HotkeyHost::RemoveKeyboardHook() {
  return UNHOOKKEYB();
}

Win32HotkeyHost::~Win32HotkeyHost() {
  while (!handlers_.empty()) Forget(handlers_.begin()->first);
}

void Win32HotkeyHost::AttachKeyHandler(uintptr_t window, unsigned message, ZB_HOTKEYS* hotkeys) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  Forget(hwnd);
  auto data = std::make_unique<HandlerData>(HandlerData{hotkeys, message, this, 0});
  HandlerData* handler = data.get();
  data->hookId = HookWindowMessages(
      hwnd, {message, WM_NCDESTROY},
      [handler](HWND w, UINT m, WPARAM wParam, LPARAM lParam) -> std::optional<LRESULT> {
        if (m == WM_NCDESTROY) {
          // The window goes away without Axit: its hook and our data go with it.
          handler->host->Forget(w);
          return std::nullopt;
        }
        std::optional<int64_t> answer = handler->hotkeys->KeybProc(m, wParam, lParam);
        if (answer) return static_cast<LRESULT>(*answer);
        return std::nullopt;
      });
  if (data->hookId != 0) handlers_[hwnd] = std::move(data);
}

void Win32HotkeyHost::DetachKeyHandler(uintptr_t window, ZB_HOTKEYS*) {
  Forget(reinterpret_cast<HWND>(window));
}

void Win32HotkeyHost::Forget(HWND window) {
  auto it = handlers_.find(window);
  if (it == handlers_.end()) return;
  UnhookWindowMessages(window, it->second->hookId);
  handlers_.erase(it);
}

}  // namespace tabrix
