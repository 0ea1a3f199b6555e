// The frame's waiting dialogs: the choosers "DIALOG_2" / "DIALOG_5", the protocol dialog
// "DIALOG_4" with its edit area (EDITFENSTER), and the wait until such a dialog is gone.
#include <utility>

#include "converter/win_converter_ui_win.h"
#include "data/stdlib/stfkt_win.h"
#include "framework/native/bridge_win.h"
#include "framework/od_list_win.h"

namespace tabrix {

// What one open chooser knows: what it shows, whom it asks, the selected row (1-based, 0 none)
// and the result (-1 while open). `window` is cleared when the chooser is destroyed.
struct WinConverterUi::ChooserRun {
  const ChooserView& view;
  ChooserEvents& events;
  HWND window = nullptr;
  int selectedRow = 0;
  int result = -1;
};

// One open protocol dialog and the text store of its edit area (freed with the dialog).
struct WinConverterUi::ProtocolRun {
  ProtocolEvents& events;
  HWND window = nullptr;
  OwnedGlobalBlock store{};
};

HWND EDITFENSTER(HWND dialog, uintptr_t store) {
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  HWND old = GetDlgItem(dialog, kProtocolEditId);
  RECT place{};
  GetWindowRect(old, &place);
  // The new edit takes the old one's place in the tab order.
  HWND before = old ? GetWindow(old, GW_HWNDPREV) : nullptr;
  if (old) DestroyWindow(old);
  HWND edit =
      CreateWindowExA(0, "edit", "", kProtocolEditStyle, place.left - origin.x,
                      place.top - origin.y, place.right - place.left, place.bottom - place.top,
                      dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProtocolEditId)),
                      reinterpret_cast<HINSTANCE>(store), nullptr);
  if (edit == nullptr) return nullptr;
  SetWindowPos(edit, before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(edit, EM_LIMITTEXT, kProtocolTextLimit, 0);
  SendMessageA(edit, WM_SETFONT, SendMessageA(dialog, WM_GETFONT, 0, 0), 0);
  return edit;
}

void WinConverterUi::Activated(HWND dialog, WPARAM wParam) {
  if (app_.OAPP == nullptr) return;
  if (LOWORD(wParam) != WA_INACTIVE) {
    app_.OAPP->hglobal = dialog;
  } else if (app_.OAPP->hglobal == dialog) {
    app_.OAPP->hglobal = nullptr;
  }
}

void WinConverterUi::Gone(HWND dialog) {
  if (app_.OAPP != nullptr && app_.OAPP->hglobal == dialog) app_.OAPP->hglobal = nullptr;
}

void WinConverterUi::WaitUntilGone(const HWND& window) {
  while (window != nullptr) {
    int handled = 0;
    if (app_.OAPP != nullptr) {
      handled = app_.OAPP->LocalExec();
    } else {
      MSG msg;
      while (window != nullptr && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ++handled;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    // Nothing was waiting: sleep until the next message arrives.
    if (window != nullptr && handled == 0) WaitMessage();
  }
}

// ---- choosers ------------------------------------------------------------------------------

int WinConverterUi::RunChooser(const ChooserView& view, ChooserEvents& events) {
  if (!IsWindow(app_.HWNDMAIN)) return 0;
  ChooserRun run{view, events};
  const char* name = view.thirdButtonAnsi ? kChooserWithThirdButton : kChooserDialog;
  run.window = CREATEDIALOG(
      app_.HINST, name, app_.HWNDMAIN,
      [this, &run](HWND d, UINT m, WPARAM wp, LPARAM) { return ChooserEvent(run, d, m, wp); });
  WaitUntilGone(run.window);
  return run.result > 0 ? run.result : 0;
}

MsgResult WinConverterUi::ChooserEvent(ChooserRun& run, HWND dialog, UINT message, WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitChooser(run, dialog);
      return 0;
    case WM_ACTIVATE:
      Activated(dialog, wParam);
      return 0;
    case WM_COMMAND:
      ChooserCommand(run, dialog, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_DESTROY:
      if (run.result == -1) run.result = 0;
      run.window = nullptr;
      Gone(dialog);
      return 0;
    default:
      return 0;
  }
}

void WinConverterUi::InitChooser(const ChooserRun& run, HWND dialog) {
  HWND list = GetDlgItem(dialog, kChooserListId);
  if (run.view.multiColumn) {
    if (ZB_OD_LIST* od = ZB_OD_LIST::Init(dialog, kChooserListId, kThreeColumns))
      list = od->hwndListe;
  }
  ListBoxAddRows(list, run.view.rowsAnsi);
  SetDlgItemTextA(dialog, kLabelId, run.view.labelAnsi.c_str());
  SetDlgItemTextA(dialog, kChooseButtonId, run.view.chooseButtonAnsi.c_str());
  if (run.view.thirdButtonAnsi)
    SetDlgItemTextA(dialog, kThirdButtonId, run.view.thirdButtonAnsi->c_str());
}

void WinConverterUi::ChooserCommand(ChooserRun& run, HWND dialog, int id, int code) {
  std::optional<int> result;
  switch (id) {
    case kChooserListId:
      if (code == LBN_SELCHANGE) {
        run.selectedRow =
            static_cast<int>(SendDlgItemMessageA(dialog, kChooserListId, LB_GETCURSEL, 0, 0)) + 1;
      } else if (code == LBN_DBLCLK) {
        PostMessageA(dialog, WM_COMMAND, kChooseButtonId, 0);
      }
      return;
    case kChooseButtonId:
      if (run.selectedRow <= 0) return;
      result = run.events.OnChoose(run.selectedRow);
      break;
    case kThirdButtonId:
      if (!run.view.thirdButtonAnsi) return;
      result = run.events.OnThirdButton(ToWindowHandle(dialog));
      break;
    case kCancelButtonId:
      PostFrameClose();
      return;
    default:
      return;
  }
  if (!result || !IsWindow(dialog)) return;
  run.result = *result;
  DestroyWindow(dialog);
}

// ---- protocol ------------------------------------------------------------------------------

void WinConverterUi::RunProtocol(ProtocolEvents& events) {
  if (!IsWindow(app_.HWNDMAIN)) return;
  ProtocolRun run{events};
  run.window = CREATEDIALOG(
      app_.HINST, kProtocolDialog, app_.HWNDMAIN,
      [this, &run](HWND d, UINT m, WPARAM wp, LPARAM) { return ProtocolEvent(run, d, m, wp); });
  WaitUntilGone(run.window);
}

MsgResult WinConverterUi::ProtocolEvent(ProtocolRun& run, HWND dialog, UINT message,
                                        WPARAM wParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitProtocol(run, dialog);
      return 0;
    case WM_ACTIVATE:
      Activated(dialog, wParam);
      return 0;
    case WM_COMMAND:
      if (LOWORD(wParam) == kProtocolEndId) {
        DestroyWindow(dialog);
      } else if (LOWORD(wParam) == kProtocolSaveId && run.events.OnSave(ToWindowHandle(dialog)) &&
                 IsWindow(dialog)) {
        DestroyWindow(dialog);
      }
      return 0;
    case WM_DESTROY:
      run.window = nullptr;
      Gone(dialog);
      return 0;
    case WM_NCDESTROY:
      run.store.reset();
      return 0;
    default:
      return 0;
  }
}

void WinConverterUi::InitProtocol(ProtocolRun& run, HWND dialog) {
  SetDlgItemTextA(dialog, kProtocolLabelId, run.events.CountLineAnsi().c_str());
  HWND edit = GetDlgItem(dialog, kProtocolEditId);
  const std::string text =
      run.events.BuildTextAnsi([edit](const std::string& line) { return TextWidthIn(edit, line); });
  int64_t size = kProtocolStoreBytes;
  HGLOBAL block = nullptr;
  uintptr_t store = CREATEPVHEAP(size, block);
  if (store == 0) {
    PostMessageA(dialog, WM_COMMAND, kProtocolEndId, 0);
    return;
  }
  run.store.reset(block);
  EDITFENSTER(dialog, store);
  SetDlgItemTextA(dialog, kProtocolEditId, text.c_str());
}

}  // namespace tabrix
