// Window and dialog bridge: message stacks on the user-data slot, the two native procedures,
// subclassing and forwarding, and the modeless and modal dialog rules.
#include <exception>
#include <memory>
#include <optional>
#include <string>

#include "data/base/error.h"
#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

WPARAM gLastWParam = 0;
LPARAM gLastLParam = 0;
// The pending callback of a modal dialog between DIALOGBOX and the dialog's first message.
std::optional<WindowMessageStack::CallbackPtr> gDialogBoxCallbackBlock;

WindowMessageStack* StackOf(HWND window) {
  return reinterpret_cast<WindowMessageStack*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

void Attach(HWND window, WindowMessageStack* stack) {
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(stack));
}

void Trace(const std::string& text) {
  OutputDebugStringA(text.c_str());
}

// Runs a callback and converts its answer; exceptions stop here (see bridge_win.h).
LRESULT Invoke(const WindowCallback& callback, HWND window, UINT message, WPARAM wParam,
               LPARAM lParam) {
  try {
    return static_cast<LRESULT>(callback(window, message, wParam, lParam).ToNumber());
  } catch (const ErrorAbandoned& e) {
    Trace("Callback abandoned: " + e.error.description);
  } catch (const std::exception& e) {
    Trace(std::string("Callback failed: ") + e.what());
  } catch (...) {
    Trace("Callback failed");
  }
  return 0;
}

// Delivers to the target a walk found. The callback pointer is copied so the callback stays
// alive even when it destroys its window (and with it the stack) while it runs.
LRESULT Deliver(const WindowMessageStack& stack, const WindowMessageStack::Target& target,
                HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (target.previousProcedure) {
    auto previous = reinterpret_cast<WNDPROC>(stack.PreviousProcedure());
    return CallWindowProcA(previous, window, message, wParam, lParam);
  }
  WindowMessageStack::CallbackPtr callback = target.callback;
  return Invoke(*callback, window, message, wParam, lParam);
}

LRESULT CALLBACK WndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND FinishModeless(HWND dialog, WindowCallback callback) {
  if (dialog == nullptr) return nullptr;
  auto stack = new WindowMessageStack();
  stack->SetDialog(std::make_shared<const WindowCallback>(std::move(callback)));
  Attach(dialog, stack);
  SubClassDlgProc(dialog, WM_INITDIALOG, 0, 0);
  return dialog;
}

}  // namespace

HINSTANCE getInstance() {
  return GetModuleHandleA(nullptr);
}

bool REGISTERCLASS(UINT style, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                   const char* className, int classExtra, int windowExtra, const char* menu) {
  WNDCLASSA wc = {};
  wc.style = style;
  wc.lpfnWndProc = WndProc;
  wc.cbClsExtra = classExtra;
  wc.cbWndExtra = windowExtra;
  wc.hInstance = instance;
  wc.hIcon = icon;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.lpszMenuName = menu;
  wc.lpszClassName = className;
  return RegisterClassA(&wc) != 0;
}

HWND CREATEWINDOW(const char* className, const char* title, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) {
  return CreateWindowExA(0, className, title, style, x, y, width, height, parent, menuOrId,
                         instance, param);
}

HWND CREATEWINDOWEX(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                    void* param) {
  return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menuOrId,
                         instance, param);
}

HWND CREATEDIALOG(HINSTANCE instance, const char* templateName, HWND parent,
                  WindowCallback callback) {
  return FinishModeless(CreateDialogParamA(instance, templateName, parent, SubClassDlgProc, 0),
                        std::move(callback));
}

HWND CREATEDIALOGINDIRECT(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                          WindowCallback callback) {
  return FinishModeless(
      CreateDialogIndirectParamA(instance, dialogTemplate, parent, SubClassDlgProc, 0),
      std::move(callback));
}

INT_PTR DIALOGBOX(HINSTANCE instance, const char* templateName, HWND parent,
                  WindowCallback callback) {
  if (instance == nullptr) instance = getInstance();
  gDialogBoxCallbackBlock = std::make_shared<const WindowCallback>(std::move(callback));
  INT_PTR result = DialogBoxParamA(instance, templateName, parent, SubClassDlgProc, 0);
  gDialogBoxCallbackBlock.reset();  // a dialog that never got a message leaves nothing pending
  return result;
}

INT_PTR DIALOGBOXINDIRECT(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                          WindowCallback callback) {
  if (instance == nullptr) instance = getInstance();
  gDialogBoxCallbackBlock = std::make_shared<const WindowCallback>(std::move(callback));
  INT_PTR result = DialogBoxIndirectParamA(instance, dialogTemplate, parent, SubClassDlgProc, 0);
  gDialogBoxCallbackBlock.reset();
  return result;
}

size_t SUBCLASSWINDOW(HWND window, WindowCallback callback, MessageFilter filter) {
  WindowMessageStack::CallbackPtr entry;
  if (callback) {
    entry = std::make_shared<const WindowCallback>(std::move(callback));
  } else {
    Trace("ERROR: BLOCK=NULL!!!!");
  }
  WindowMessageStack* stack = StackOf(window);
  if (stack == nullptr) {
    stack = new WindowMessageStack();
    Attach(window, stack);
  }
  if (!stack->HasChain()) {
    LONG_PTR previous =
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubClassProc));
    stack->StartChain(static_cast<uintptr_t>(previous));
  }
  return stack->Push(std::move(entry), std::move(filter));
}

LRESULT CALLWINDOWPROC(size_t index, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowMessageStack* stack = StackOf(window);
  if (stack == nullptr || index < 1 || index >= stack->ChainLength()) return 0;
  std::optional<WindowMessageStack::Target> target = stack->Find(index, message);
  if (!target) return 0;
  return Deliver(*stack, *target, window, message, wParam, lParam);
}

WPARAM GETLASTWPARAM() {
  return gLastWParam;
}
LPARAM GETLASTLPARAM() {
  return gLastLParam;
}

LRESULT CALLBACK SubClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  gLastWParam = wParam;
  gLastLParam = lParam;
  WindowMessageStack* stack = StackOf(window);
  if (stack == nullptr) return 0;
  LRESULT result = 0;
  if (std::optional<WindowMessageStack::Target> target =
          stack->Find(stack->ChainLength(), message)) {
    result = Deliver(*stack, *target, window, message, wParam, lParam);
  }
  if (message == WM_NCDESTROY) CleanupMessageStack(window);
  return result;
}

INT_PTR CALLBACK SubClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  gLastWParam = wParam;
  gLastLParam = lParam;
  WindowMessageStack* stack = StackOf(dialog);
  if (stack == nullptr && gDialogBoxCallbackBlock) {
    stack = new WindowMessageStack();
    stack->SetDialog(std::move(*gDialogBoxCallbackBlock));
    gDialogBoxCallbackBlock.reset();
    Attach(dialog, stack);
  }
  if (stack == nullptr) return 0;
  LRESULT result = 0;
  if (stack->HasDialog() && stack->DialogCallback()) {
    WindowMessageStack::CallbackPtr callback = stack->DialogCallback();
    result = Invoke(*callback, dialog, message, wParam, lParam);
    stack = StackOf(dialog);  // the callback may have run the clean-up already
  }
  // A subclassed dialog's WM_NCDESTROY goes on to SubClassProc, which cleans up once.
  if (message == WM_NCDESTROY && stack != nullptr && !stack->HasChain()) {
    CleanupMessageStack(dialog);
  }
  return static_cast<INT_PTR>(result);
}

void CleanupMessageStack(HWND window) {
  WindowMessageStack* stack = StackOf(window);
  if (stack == nullptr) return;
  Attach(window, nullptr);
  delete stack;
}

const WindowMessageStack* GetMessageStack(HWND window) {
  return StackOf(window);
}

int SET_MESSAGEQUEUE(int length) {
  // Win32 queues grow as needed; there is nothing to ask the system for.
  return length > 120 ? -1 : 1;
}

}  // namespace tabrix
