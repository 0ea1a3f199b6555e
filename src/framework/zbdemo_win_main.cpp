// zbdemo: a small program on the framework (not the converter). A ZB_APP main window that, like
// the converter's frame, wraps one current child dialog, opened by a posted WM_USER after
// start. Tests start it under Wine and drive it by class, caption and control id; with
// "/ready=<event name>" on the command line it signals that event once its dialog is up.
//
// The dialog is created in OpenDemoDialog; a richer dialog replaces that one function.
#include <windows.h>

#include <cstring>

#include "framework/native/bridge.h"
#include "framework/native/dialog_template.h"
#include "framework/zb_app.h"

namespace tabrix {
namespace {

constexpr char kClassName[] = "ZBDEMO";
constexpr char kCaption[] = "Tabrix Rahmen";
constexpr WORD kLabelId = 100;

class DemoApp : public ZB_APP {
 public:
  MsgResult HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message == WM_USER) {
      OpenDemoDialog();
      return 0;
    }
    return {};
  }
  MsgResult OnSize(WPARAM, LPARAM) override {
    FitDialog();
    return {};
  }

 private:
  // The current child dialog: registered with the application, offered keyboard navigation
  // while active, deregistered when destroyed.
  void OpenDemoDialog() {
    DialogTemplate t("Demo", DS_CONTROL | WS_CHILD | WS_VISIBLE, 220, 80);
    t.Add(0x0082, kLabelId, SS_LEFT, 10, 10, 200, 12, "Rahmen mit einem Dialog \xFC\xE4\xF6\xDF");
    t.Add(0x0080, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 50, 60, 14, "OK");
    t.Add(0x0080, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 80, 50, 60, 14, "Abbrechen");
    dialog_ = CREATEDIALOGINDIRECT(getInstance(), t.Get(), hwnd,
                                   [this](HWND d, UINT m, WPARAM wp, LPARAM) -> MsgResult {
                                     switch (m) {
                                       case WM_INITDIALOG:
                                         AddDlgHandle(DlgEntry{d, 0, "DEMO", true});
                                         return true;
                                       case WM_COMMAND:
                                         if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                                           PostMessageA(hwnd, WM_CLOSE, 0, 0);
                                           return true;
                                         }
                                         return kNoResult;
                                       case WM_DESTROY:
                                         if (hglobal == d) hglobal = nullptr;
                                         DeleteDlgHandle(d);
                                         return kNoResult;
                                       default:
                                         return kNoResult;
                                     }
                                   });
    hglobal = dialog_;
    FitDialog();
    // A driver that waits for the program (tests) names an event on the command line.
    if (const char* name = std::strstr(GetCommandLineA(), "/ready=")) {
      if (HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, name + 7)) {
        SetEvent(ready);
        CloseHandle(ready);
      }
    }
  }

  void FitDialog() {
    if (dialog_ == nullptr || !IsWindow(dialog_)) return;
    RECT client;
    GetClientRect(hwnd, &client);
    MoveWindow(dialog_, 0, 0, client.right, client.bottom, TRUE);
  }

  HWND dialog_ = nullptr;
};

}  // namespace
}  // namespace tabrix

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  tabrix::DemoApp app;
  if (app.Init(tabrix::kClassName, tabrix::kCaption, "", 480, 220) !=
      tabrix::ZB_APP::InitResult::kReady) {
    return 0;
  }
  app.SetWnd(SW_SHOW);
  PostMessageA(app.hwnd, WM_USER, 0, 0);
  return static_cast<int>(app.Exec());
}
