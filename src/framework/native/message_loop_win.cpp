// Main loop, local pump and wheel redirection.
#include <string>

#include "data/base/text.h"
#include "framework/native/message_loop_win.h"
#include "framework/native/wheel_text.h"
#include "framework/native/words.h"

namespace tabrix {
namespace {

HWND gLastWheelTarget = nullptr;

std::string UpperClassName(HWND window) {
  char name[256] = {};
  int n = GetClassNameA(window, name, sizeof name);
  return AsciiUpper(std::string_view(name, n > 0 ? n : 0));
}

std::string WindowText(HWND window) {
  char text[512] = {};
  int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? n : 0);
}

HWND HandleFromNumber(int64_t n) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(n));
}

bool CtrlDown() {
  return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

// After a redirected wheel, the first timer message ends the scrolling of the browse.
void EndWheelScroll() {
  BrowseScrollTarget t = ParseBrowseScrollText(WindowText(gLastWheelTarget));
  gLastWheelTarget = nullptr;
  PostMessageA(HandleFromNumber(t.receiver), WM_VSCROLL, WB_MAKELPARAM(SB_ENDSCROLL, 0),
               static_cast<LPARAM>(t.scrollBar));
}

void DispatchUnlessDialog(const MessageLoopHost& host, MSG& msg) {
  HWND dialog = host.CurrentDialog();
  if (dialog != nullptr && IsDialogMessageA(dialog, &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

}  // namespace

HWND LastWheelTarget() {
  return gLastWheelTarget;
}

HWND WHEELMESSAGE(const MSG& message, int wheelOffset) {
  const int x = WB_LOWORD(message.lParam), y = WB_HIWORD(message.lParam);
  HWND target = WindowFromPoint(POINT{x + wheelOffset, y});
  if (UpperClassName(target) != "LISTBOX") target = WindowFromPoint(POINT{x, y});
  std::string cls = UpperClassName(target);
  if (cls == "TIPFENSTER") {
    target = GetFocus();
    cls = UpperClassName(target);
  }
  if (cls != "LISTBOX" && cls != "SCROLLBAR" && cls != "EDIT" && cls != "COMBOBOX" &&
      cls != "ZB_PREVIEW_CLASS") {
    return nullptr;
  }
  HWND p = GetParent(target);
  if (p == nullptr) return nullptr;
  HWND g = GetParent(p);
  HWND gg = g ? GetParent(g) : nullptr;
  HWND active = GetActiveWindow();
  bool reachable = p == active;
  if (!reachable && g != nullptr) {
    bool childOfActive = (GetWindowLongA(p, GWL_STYLE) & WS_CHILD) && g == active;
    bool activeMdiChild =
        gg != nullptr &&
        reinterpret_cast<intptr_t>(g) ==
            WB_LOWORD(static_cast<int64_t>(SendMessageA(gg, WM_MDIGETACTIVE, 0, 0)));
    reachable = childOfActive || activeMdiChild;
  }
  if (!reachable) return nullptr;

  const bool forward = static_cast<int32_t>(message.wParam) > 0;
  const bool ctrl = CtrlDown();
  if (cls == "EDIT") {
    int lines = ctrl ? 6 : 2;
    SendMessageA(target, EM_LINESCROLL, 0, forward ? -lines : lines);
    return nullptr;
  }
  if (cls == "LISTBOX" || cls == "SCROLLBAR") {
    std::string text = WindowText(target);
    if (IsBrowseScrollText(text)) {
      BrowseScrollTarget t = ParseBrowseScrollText(text);
      PostMessageA(HandleFromNumber(t.receiver), WM_VSCROLL,
                   WB_MAKELPARAM(forward ? SB_LINEUP : SB_LINEDOWN, 0),
                   static_cast<LPARAM>(t.scrollBar));
      return target;
    }
  }
  WPARAM key = forward ? VK_UP : VK_DOWN;
  int presses = ctrl ? 3 : 1;
  for (int i = 0; i < presses; ++i) PostMessageA(target, WM_KEYDOWN, key, 0);
  PostMessageA(target, WM_KEYUP, key, 0);
  return nullptr;
}

WPARAM RunMainLoop(const MessageLoopHost& host) {
  MSG msg = {};
  for (;;) {
    MSG waiting;
    if (PeekMessageA(&waiting, nullptr, 0, 0, PM_NOREMOVE)) {
      if (waiting.message == WM_MOUSEWHEEL) {
        if (GetMessageA(&msg, nullptr, 0, 0)) {
          gLastWheelTarget = WHEELMESSAGE(msg, host.WheelOffset());
          continue;
        }
        break;  // the quit message arrived in between
      }
      if (gLastWheelTarget != nullptr && waiting.message == WM_TIMER) EndWheelScroll();
      if (!GetMessageA(&msg, nullptr, 0, 0)) break;
      if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F10) continue;
      HACCEL accel = host.LoopAccelerators();
      if (accel != nullptr && TranslateAcceleratorA(host.LoopWindow(), accel, &msg)) continue;
      DispatchUnlessDialog(host, msg);
    } else {
      if (host.QuitFlag()) break;
      WaitMessage();
    }
  }
  return msg.wParam;
}

int RunLocalPump(const MessageLoopHost& host, bool withWheel) {
  int handled = 0;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, withWheel ? PM_NOREMOVE : PM_REMOVE)) {
    if (withWheel) {
      if (msg.message == WM_MOUSEWHEEL) {
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        gLastWheelTarget = WHEELMESSAGE(msg, host.WheelOffset());
        ++handled;
        continue;
      }
      if (gLastWheelTarget != nullptr && msg.message == WM_TIMER) EndWheelScroll();
      // Taken without waiting: the message just looked at is there.
      if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) break;
    }
    ++handled;
    DispatchUnlessDialog(host, msg);
  }
  return handled;
}

}  // namespace tabrix
