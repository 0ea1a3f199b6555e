#pragma once
// The application's main message loop and the local message pump (Windows only), and the
// mouse-wheel redirection both use. The application object runs them as Exec and LocalExec;
// what they need of it comes through MessageLoopHost.
//
// Main loop: takes messages until the quit message, or until the host's quit flag is set and
// the queue is empty. A system key-down for F10 is dropped (it would open the window menu
// mode); everything else goes to the host's accelerators, then to the current dialog
// (IsDialogMessage), then is translated and dispatched. Wheel messages are never dispatched:
// they are redirected to the list, edit, combo box or scroll bar under the cursor.
//
// Local pump: handles what is waiting and returns at once when the queue is empty (never
// waits); no accelerators, no F10 rule.

#include <windows.h>

namespace tabrix {

class MessageLoopHost {
 public:
  virtual ~MessageLoopHost() = default;
  virtual HWND LoopWindow() const = 0;          // the application window (accelerators)
  virtual HACCEL LoopAccelerators() const = 0;  // nullptr: no accelerator translation
  virtual HWND CurrentDialog() const = 0;       // the dialog offered IsDialogMessage, or nullptr
  virtual bool QuitFlag() const = 0;            // set once the quit message was posted
  virtual int WheelOffset() const = 0;          // x offset when looking for the wheel target
};

// Runs the main loop. Returns the wParam of the last message taken (the quit message's exit
// code).
WPARAM RunMainLoop(const MessageLoopHost& host);

// Handles the waiting messages. withWheel: messages are looked at before they are taken, so
// wheel messages are redirected as in the main loop; otherwise they are dispatched as they
// come. Returns how many messages were handled.
int RunLocalPump(const MessageLoopHost& host, bool withWheel);

// Redirects a WM_MOUSEWHEEL message to the control under the cursor (see the source for the
// rules). Returns the browse control that must get an end-of-scrolling message later, or
// nullptr.
HWND WHEELMESSAGE(const MSG& message, int wheelOffset);

// The window whose end-of-scrolling message is still due (nullptr when none).
HWND LastWheelTarget();

}  // namespace tabrix
