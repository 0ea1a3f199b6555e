// zbdemo: the framework's test program (not the converter). A ZB_APP main window that, like the
// converter's frame, wraps one current child dialog, opened by a posted WM_USER after start. The
// dialog holds two three-column owner-drawn lists (70/15/15) filled with sample fields, one row
// coloured, one selected; a double click (or Space) on a row names it below the lists.
//
//   zbdemo.exe [/ready=NAME] [/quit=NAME]
//       shows the frame. With /ready the named event is set once the dialog is up and nothing is
//       left to paint (again after each posted kSignalWhenSettled); with /quit the program closes
//       when the named event is set.
//   zbdemo.exe --wait-ready NAME [ms]   waits for the ready event (default 60000 ms);
//                                       exit code 0 when it came, 1 on timeout
//   zbdemo.exe --quit NAME              sets the quit event
//
// Tests start it under Wine and drive it by class, caption and control id;
// scripts/zbdemo_screenshot.sh takes its screenshot through the events, which (unlike windows)
// are visible across Wine desktops.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/base/win_handles_win.h"
#include "framework/native/bridge_win.h"
#include "framework/native/dialog_template_win.h"
#include "framework/od_list_win.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

constexpr char kClassName[] = "ZBDEMO";
constexpr char kCaption[] = "Tabrix Rahmen";
constexpr WORD kSourceList = 101;
constexpr WORD kTargetList = 102;
constexpr WORD kChoiceLabel = 103;
// Posted to the frame: sets the ready event once the queue holds nothing more to do.
constexpr UINT kSignalWhenSettled = WM_USER + 1;

const std::vector<std::string> kSourceRows = {
    "KUNDNR\tN\t8",   "ANREDE\tC\t10",    "TITEL\tC\t20",     "NAME1\tC\t40",   "NAME2\tC\t40",
    "STRASSE\tC\t35", "PLZ\tC\t5",        "ORT\tC\t30",       "LAND\tC\t20",    "TELEFON\tC\t20",
    "TELEFAX\tC\t20", "EMAIL\tC\t60",     "GEBURTSTAG\tD\t8", "UMSATZ\tN\t12",  "RABATT\tN\t5",
    "ZAHLZIEL\tN\t3", "BEMERKUNG\tM\t10", "ERFASST\tD\t8",    "GEÄNDERT\tD\t8", "GELÖSCHT\tL\t1",
};
const std::vector<std::string> kTargetRows = {
    "Kundennummer\tN\t8",  "Name\tC\t40",      "Vorname\tC\t30",    "Straße\tC\t40",
    "Postleitzahl\tC\t10", "Ort\tC\t40",       "Land\tC\t3\t!C255", "Telefon\tC\t25",
    "Geburtsdatum\tD\t8",  "Bemerkung\tC\t60", "Notizen\tM\t10",
};

// The text after "NAME=" in the command line, up to the next blank; empty when absent.
std::string Option(const std::string& commandLine, const std::string& name) {
  const std::string key = name + "=";
  size_t at = commandLine.find(key);
  if (at == std::string::npos) return {};
  at += key.size();
  return commandLine.substr(at, commandLine.find(' ', at) - at);
}

class DemoApp : public ZB_APP {
 public:
  DemoApp(std::string readyEvent, std::string quitEvent) {
    // Created (not opened) so that a waiter started before or after the program meets the
    // same event; kept open until the program ends.
    if (!readyEvent.empty()) ready_.reset(CreateEventA(nullptr, TRUE, FALSE, readyEvent.c_str()));
    if (!quitEvent.empty()) quit_ = CreateEventA(nullptr, TRUE, FALSE, quitEvent.c_str());
  }
  // The quit event stays open: its watcher may still wait on it, and the process ends with
  // WinMain's return.
  ~DemoApp() override = default;

  // Starts the watcher that closes the frame when the quit event is set.
  void WatchQuit() {
    if (!quit_) return;
    OwnedKernelHandle thread(CreateThread(
        nullptr, 0,
        [](LPVOID self) -> DWORD {
          auto* app = static_cast<DemoApp*>(self);
          if (WaitForSingleObject(app->quit_, INFINITE) == WAIT_OBJECT_0)
            PostMessageA(app->hwnd, WM_CLOSE, 0, 0);
          return 0;
        },
        this, 0, nullptr));
  }

  MsgResult HandleMessage(UINT message, WPARAM, LPARAM) override {
    if (message == WM_USER) {
      OpenDemoDialog();
      PostMessageA(hwnd, kSignalWhenSettled, 0, 0);
      return 0;
    }
    if (message == kSignalWhenSettled) {
      SignalWhenSettled();
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
    DialogTemplate t("Demo", DS_CONTROL | WS_CHILD | WS_VISIBLE, 322, 166);
    t.Add(kStaticClassAtom, 0xFFFF, SS_LEFT, 7, 6, 150, 9, "Eingangs Felder");
    t.Add(kStaticClassAtom, 0xFFFF, SS_LEFT, 165, 6, 150, 9, "Velarto Felder");
    const DWORD listStyle =
        WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_DISABLENOSCROLL;
    t.Add(kListBoxClassAtom, kSourceList, listStyle, 7, 17, 150, 122);
    t.Add(kListBoxClassAtom, kTargetList, listStyle, 165, 17, 150, 122);
    t.Add(kStaticClassAtom, kChoiceLabel, SS_LEFT, 7, 147, 240, 9);
    t.Add(kButtonClassAtom, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 255, 145, 60, 14, "Schließen");
    dialog_ = CREATEDIALOGINDIRECT(
        getInstance(), t.Get(), hwnd, [this](HWND d, UINT m, WPARAM wp, LPARAM) -> MsgResult {
          switch (m) {
            case WM_INITDIALOG:
              AddDlgHandle(DlgEntry{d, 0, "DEMO", true});
              for (WORD id : {kSourceList, kTargetList}) {
                ZB_OD_LIST* list = ZB_OD_LIST::Init(d, id, {70, 15, 15});
                for (const std::string& row : id == kSourceList ? kSourceRows : kTargetRows)
                  SendMessageA(list->hwndListe, LB_ADDSTRING, 0,
                               reinterpret_cast<LPARAM>(row.c_str()));
              }
              SendDlgItemMessageA(d, kSourceList, LB_SETCURSEL, 3, 0);
              return true;
            case WM_COMMAND:
              if (LOWORD(wp) == IDOK || LOWORD(wp) == IDCANCEL) {
                PostMessageA(hwnd, WM_CLOSE, 0, 0);
                return true;
              }
              if (HIWORD(wp) == LBN_DBLCLK) {
                ShowChoice(d, LOWORD(wp));
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
    if (dialog_ == nullptr) return;
    // The frame wraps its dialog.
    RECT dialogRect;
    GetWindowRect(dialog_, &dialogRect);
    RECT frameRect{0, 0, dialogRect.right - dialogRect.left, dialogRect.bottom - dialogRect.top};
    AdjustWindowRectEx(&frameRect, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)),
                       GetMenu(hwnd) != nullptr,
                       static_cast<DWORD>(GetWindowLongA(hwnd, GWL_EXSTYLE)));
    SetWindowPos(hwnd, nullptr, 0, 0, frameRect.right - frameRect.left,
                 frameRect.bottom - frameRect.top, SWP_NOMOVE | SWP_NOZORDER);
    FitDialog();
  }

  // "Gewählt: <first column>" of the list's current row below the lists.
  static void ShowChoice(HWND dialog, WORD listId) {
    HWND list = GetDlgItem(dialog, listId);
    LRESULT row = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (row < 0) return;
    std::string text(static_cast<size_t>(SendMessageA(list, LB_GETTEXTLEN, row, 0)) + 1, '\0');
    SendMessageA(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(text.data()));
    text.resize(text.find_first_of("\t\0", 0, 2));
    SetDlgItemTextA(dialog, kChoiceLabel, ("Gewählt: " + text).c_str());
  }

  // Paints what is invalid; while posted or sent work remains (the lists post their empty-row
  // drawing), asks again behind it, so the event means "everything shown".
  void SignalWhenSettled() {
    if (!ready_) return;
    RedrawWindow(hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    if (HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE | QS_PAINT)) != 0) {
      PostMessageA(hwnd, kSignalWhenSettled, 0, 0);
      return;
    }
    GdiFlush();
    SetEvent(ready_.get());
  }

  void FitDialog() {
    if (dialog_ == nullptr || !IsWindow(dialog_)) return;
    RECT client;
    GetClientRect(hwnd, &client);
    MoveWindow(dialog_, 0, 0, client.right, client.bottom, TRUE);
  }

  HWND dialog_ = nullptr;
  OwnedKernelHandle ready_;
  HANDLE quit_ = nullptr;
};

int WaitReady(const std::string& name, DWORD milliseconds) {
  OwnedKernelHandle ready(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  DWORD result = ready ? WaitForSingleObject(ready.get(), milliseconds) : WAIT_FAILED;
  return result == WAIT_OBJECT_0 ? 0 : 1;
}

int SetQuit(const std::string& name) {
  OwnedKernelHandle quit(CreateEventA(nullptr, TRUE, FALSE, name.c_str()));
  if (!quit) return 1;
  SetEvent(quit.get());
  return 0;
}

// The word after `flag` at the start of the command line and the text after that word.
bool HelperMode(const std::string& args, const std::string& flag, std::string& name,
                std::string& rest) {
  if (args.rfind(flag + " ", 0) != 0) return false;
  size_t start = flag.size() + 1;
  size_t end = args.find(' ', start);
  name = args.substr(start, end - start);
  rest = end == std::string::npos ? "" : args.substr(end + 1);
  return !name.empty();
}

}  // namespace
}  // namespace tabrix

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  const std::string args = commandLine ? commandLine : "";
  std::string name, rest;
  if (tabrix::HelperMode(args, "--wait-ready", name, rest))
    return tabrix::WaitReady(name, rest.empty() ? 60000 : std::strtoul(rest.c_str(), nullptr, 10));
  if (tabrix::HelperMode(args, "--quit", name, rest)) return tabrix::SetQuit(name);

  tabrix::DemoApp app(tabrix::Option(args, "/ready"), tabrix::Option(args, "/quit"));
  if (app.Init(tabrix::kClassName, tabrix::kCaption, "", 480, 220) !=
      tabrix::ZB_APP::InitResult::kReady) {
    return 0;
  }
  app.SetWnd(SW_SHOW);
  app.WatchQuit();
  PostMessageA(app.hwnd, WM_USER, 0, 0);
  return static_cast<int>(app.Exec());
}
