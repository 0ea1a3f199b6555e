#pragma once
// The window and dialog bridge (Windows only): binds application callbacks to windows and
// dialogs. The bridge installs just two native procedures, SubClassProc for windows and
// SubClassDlgProc for dialogs; both look up the window's message stack (message_stack.h) in its
// user-data slot (GWLP_USERDATA), call the callback that takes the message and turn its answer
// into the procedure's result (callback_result.h). The stack lives until WM_NCDESTROY, after
// which the slot reads 0 and further messages to the window are answered 0.
//
// Callbacks run on the one UI thread and may pump messages or destroy their own window;
// GETLASTWPARAM/GETLASTLPARAM then tell the innermost message's parameters. A callback that
// throws does not unwind through the window system: the bridge stops the exception at its
// procedures, writes it to the debug output and answers 0.

#include <windows.h>

#include <cstddef>
#include <functional>

#include "framework/native/callback_result.h"
#include "framework/native/message_stack.h"

namespace tabrix {

// A window or dialog callback: (window, message, wParam, lParam) -> answer.
using WindowCallback = std::function<MsgResult(HWND, UINT, WPARAM, LPARAM)>;
using WindowMessageStack = MessageStack<WindowCallback>;

// The instance handle the process was started with (the bridge has no override).
HINSTANCE getInstance();

// Registers a class whose procedure only does default processing; callbacks reach its windows
// through SUBCLASSWINDOW. background: a brush handle or a colour number + 1; nullptr for none.
// menu: a resource name or MAKEINTRESOURCE number, or nullptr.
bool REGISTERCLASS(UINT style, HINSTANCE instance, HICON icon, HCURSOR cursor, HBRUSH background,
                   const char* className, int classExtra = 0, int windowExtra = 0,
                   const char* menu = nullptr);

// CreateWindowExA with no extended style / with one. Handle or nullptr.
HWND CREATEWINDOW(const char* className, const char* title, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param);
HWND CREATEWINDOWEX(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                    int y, int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance,
                    void* param);

// Modeless dialog from a template (name or MAKEINTRESOURCE number) with a callback. The callback
// sees nothing during creation; once the dialog and its controls exist it gets exactly one
// WM_INITDIALOG with wParam 0 and lParam 0 (its answer is not used). nullptr when the template
// cannot be created (nothing is attached then).
HWND CREATEDIALOG(HINSTANCE instance, const char* templateName, HWND parent,
                  WindowCallback callback);
HWND CREATEDIALOGINDIRECT(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                          WindowCallback callback);

// Modal dialog with a callback that sees every message from the dialog's first one on,
// including the platform's own WM_INITDIALOG, and whose answers count. instance nullptr means
// getInstance(). Returns what ENDDIALOG was given (-1 when the dialog could not be created).
INT_PTR DIALOGBOX(HINSTANCE instance, const char* templateName, HWND parent,
                  WindowCallback callback);
INT_PTR DIALOGBOXINDIRECT(HINSTANCE instance, const DLGTEMPLATE* dialogTemplate, HWND parent,
                          WindowCallback callback);

// Adds callback on top of the window's subclass chain, offered the messages `filter` lets
// through. Returns the index of the entry below it (chain length - 1), for CALLWINDOWPROC.
// An empty callback is reported to the debug output and added as an entry that never runs.
size_t SUBCLASSWINDOW(HWND window, WindowCallback callback, MessageFilter filter);

// Offers a message to the chain from entry `index` downwards (the first callback whose filter
// takes it, else the procedure installed before subclassing) and returns its converted answer.
// 0 without calling anything when the window has no chain or index is not in 1 ... length - 1.
LRESULT CALLWINDOWPROC(size_t index, HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Parameters of the message most recently entered into one of the bridge's procedures.
WPARAM GETLASTWPARAM();
LPARAM GETLASTLPARAM();

// The two native procedures (public so that tests and the dialog class can call them).
LRESULT CALLBACK SubClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SubClassDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Frees the window's message stack and sets its user-data slot to 0 (the procedure installed
// by subclassing stays). Nothing when the window has none.
void CleanupMessageStack(HWND window);

// The window's message stack, nullptr when it has none (for inspection; owned by the bridge).
const WindowMessageStack* GetMessageStack(HWND window);

// Asks for a message queue of `length` messages: -1 when more than 120 are asked, else 1.
int SET_MESSAGEQUEUE(int length);

}  // namespace tabrix
