#pragma once
// The converter's frame for Windows tests: a real TABRIXAPP with its frame "Tabrix", styled and
// parked as the program does it, behind a recording job host. The resources (dialogs, icon,
// start picture) are linked into the test program like into tabrix.exe; the framework's
// resource library is found in the build's top folder.

#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "converter/tabrix_app_win.h"
#include "framework/native/bridge_win.h"
#include "framework/pump_until_win.h"

namespace tabrix::testing_support {

// Records what the frame asks of the converter jobs; a test may act in their place.
class RecordingJobs : public ConverterJobHost {
 public:
  std::vector<std::string> calls;
  std::function<void(int)> onConvinit;
  std::function<void()> onCloseAll;

  void CONVINIT(int restartOffset) override {
    calls.push_back("CONVINIT " + std::to_string(restartOffset));
    if (onConvinit) onConvinit(restartOffset);
  }
  void CLOSEALL() override {
    calls.push_back("CLOSEALL");
    if (onCloseAll) onCloseAll();
  }
};

// TABRIXAPP whose debug traces the test reads.
class TracedTabrixApp : public TABRIXAPP {
 public:
  using TABRIXAPP::TABRIXAPP;
  std::vector<std::pair<std::string, std::optional<std::string>>> traces;

 protected:
  void DebugTrace(const std::string& text, const std::optional<std::string>& second) override {
    traces.emplace_back(text, second);
  }
};

inline void UseBuildResourceLibrary() {
  static const bool set = SetDllDirectoryA(TABRIX_BINARY_DIR) != FALSE;
  (void)set;
}

// Handles every waiting message.
inline void Drain() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

inline RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

inline std::string TextOf(HWND window) {
  char text[512] = {};
  const LRESULT n = SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// The frame as MAIN makes it (steps 6, 8, 9): initialised, caption with close and minimise
// boxes, parked below the screen and shown there.
class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UseBuildResourceLibrary();
    ctx_.CAPPNAME = kAppName;
    ctx_.HINST = getInstance();
    app_ = std::make_unique<TracedTabrixApp>(ctx_, jobs_);
    ASSERT_EQ(app_->Init(kAppName, kFrameClassName), ZB_APP::InitResult::kReady);
    ctx_.HWNDMAIN = app_->hwnd;
    SetWindowLongA(frame(), GWL_STYLE, kFrameStyle);
    MoveWindow(frame(), 0, GetSystemMetrics(SM_CYSCREEN) + 10, 0, 0, FALSE);
    ShowWindow(frame(), SW_SHOW);
    parked_ = WindowRect(frame());
  }
  void TearDown() override {
    app_.reset();  // destroys the frame and every dialog on it
    Drain();
  }

  HWND frame() const { return ctx_.HWNDMAIN; }
  // Where the frame stands while parked (the platform keeps a captioned window at its minimum
  // size, at the parking place below the screen).
  RECT Parked() const { return parked_; }
  // The frame's rectangle once it wraps a dialog of this window rectangle.
  static RECT Fitted(const RECT& dialog) {
    const int w = dialog.right - dialog.left, h = dialog.bottom - dialog.top;
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2 - caption;
    return RECT{x, y, x + w, y + h + caption};
  }
  // A dialog of the program's resources on the frame, with a callback that does nothing.
  HWND ChildDialog(const char* name) {
    return CREATEDIALOG(getInstance(), name, frame(),
                        [](HWND, UINT, WPARAM, LPARAM) -> MsgResult { return 0; });
  }

  AppContext ctx_;
  RecordingJobs jobs_;
  std::unique_ptr<TracedTabrixApp> app_;
  RECT parked_{};
};

}  // namespace tabrix::testing_support
