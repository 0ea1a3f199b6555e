#pragma once
// A scripted user for dialogs that wait in a message loop of their own (the choosers, the
// protocol): the test lists steps before the wait begins; each runs when the loop handles its
// message, and only then is the next one posted, so it queues behind whatever the step caused.
// A watchdog timer ends a wait that would never end: it destroys the current dialog and marks
// the run as timed out.

#include <windows.h>

#include <deque>
#include <functional>

namespace tabrix::testing_support {

class ScriptedUser {
 public:
  // `current` names the dialog the watchdog destroys (the frame's current dialog).
  explicit ScriptedUser(const HWND* current) : current_(current) {
    static const ATOM atom = [] {
      WNDCLASSA wc{};
      wc.lpfnWndProc = Proc;
      wc.hInstance = GetModuleHandleA(nullptr);
      wc.lpszClassName = "TabrixScriptedUser";
      return RegisterClassA(&wc);
    }();
    (void)atom;
    window_ = CreateWindowExA(0, "TabrixScriptedUser", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetTimer(window_, 1, 5000, nullptr);
  }
  ~ScriptedUser() {
    KillTimer(window_, 1);
    DestroyWindow(window_);
  }
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  // Adds a step; the first one is posted at once.
  ScriptedUser& Then(std::function<void()> step) {
    steps_.push_back(std::move(step));
    if (steps_.size() == 1 && !running_) PostMessageA(window_, WM_APP, 0, 0);
    return *this;
  }
  bool TimedOut() const { return timedOut_; }
  bool Done() const { return steps_.empty(); }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<ScriptedUser*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && message == WM_APP) {
      self->RunNext();
      return 0;
    }
    if (self && message == WM_TIMER) {
      self->timedOut_ = true;
      KillTimer(window, 1);
      if (self->current_ && IsWindow(*self->current_)) DestroyWindow(*self->current_);
      return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
  }
  void RunNext() {
    if (steps_.empty()) return;
    std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    running_ = true;
    step();
    running_ = false;
    if (!steps_.empty()) PostMessageA(window_, WM_APP, 0, 0);
  }

  const HWND* current_;
  HWND window_ = nullptr;
  std::deque<std::function<void()>> steps_;
  bool running_ = false;
  bool timedOut_ = false;
};

}  // namespace tabrix::testing_support
