// ZB_APP: the main window's callback and the message steps it calls.
#include <string>

#include "data/base/win_handles_win.h"
#include "data/diagnostics/error_log.h"
#include "data/stdlib/zbres_ids.h"
#include "framework/app_settings.h"
#include "framework/native/words.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

bool IsNumberAtMost0(const MsgResult& r) {
  return r.IsNumber() && r.ToNumber() <= 0;
}

HWND Handle(int64_t n) {
  return reinterpret_cast<HWND>(static_cast<intptr_t>(n));
}

}  // namespace

MsgResult ZB_APP::HandleMessage(UINT, WPARAM, LPARAM) {
  return {};
}

MsgResult ZB_APP::Forward(size_t previous, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
  return static_cast<long long>(CALLWINDOWPROC(previous, window, message, wParam, lParam));
}

// The main window's callback. Steps that return answer at once; the others leave an answer r,
// and a message whose r is nothing goes on to default processing.
MsgResult ZB_APP::WndProc(size_t previous, HWND window, UINT message, WPARAM wParam,
                          LPARAM lParam) {
  if (aEVars.lBusy) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    return Forward(previous, window, message, wParam, lParam);
  }
  MsgResult r;
  switch (message) {
    case WM_RBUTTONDOWN:
      r = static_cast<long long>(RBUTTONDOWN(wParam, lParam));
      break;
    case WM_SETCURSOR:
      r = WmSetCursor();
      break;
    // WM_NCLBUTTONDOWN, WM_MOVING, WM_SIZING: sticky windows only (lSticky), not built here.
    case WM_MENUSELECT:
      r = static_cast<long long>(MENUSELECT(wParam, lParam));
      break;
    case WM_SETFOCUS:
      r = WmSetFocus(wParam, lParam);
      break;
    case WM_ACTIVATEAPP:
      aEVars.lAppActive = wParam != 0;
      break;
    case WMU_COMMITEDIT:
      InvalidateRect(hwnd, nullptr, TRUE);
      break;
    case WM_ERASEBKGND:
      if (lAppReady) ERASEBKGND(reinterpret_cast<HDC>(wParam), lParam);
      break;
    case WM_PAINT:
      PAINT(wParam, lParam);
      return 0;
    case WM_QUERYENDSESSION:
      return OnQueryEndSession(wParam, lParam).ToNumber();
    case WM_ENDSESSION:
      return WmEndSession(window, wParam, lParam);
    case WM_SYSCOMMAND:
      r = WmSysCommand(window, wParam, lParam);
      break;
    case WM_CLOSE:
      return WmClose(window, wParam, lParam);
    case WM_DESTROY:
      DESTROY(wParam, lParam);
      return 0;
    case WM_MOVE:
      OnMove(wParam, lParam);
      return 0;
    case WM_SIZE:
      OnSize(wParam, lParam);
      return 0;
    case WMU_ACTIVEDLG:
      hActive = reinterpret_cast<HWND>(wParam);
      return 0;
    case WMU_ADDDLG:
      r = WmAddDlg(wParam, lParam);
      break;
    case WMU_DELDLG:
      DeleteDlgHandle(reinterpret_cast<HWND>(wParam));
      break;
    case WM_COMMAND:
      r = WmCommand(wParam, lParam);
      break;
    case WM_CREATE:
      r = OnCreate();
      break;
    case WM_SYSCOLORCHANGE:
      OnSysColorChange(true);
      return 0;
    case WM_TIMECHANGE:
      OnTimeChange();
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove(wParam, lParam);
      return 0;
    case WMU_HELP:
      r = WmHelp(wParam, lParam);
      break;
    case WMU_SHIFTDLG:
      SHIFTDLG(wParam, lParam);
      return 0;
    case WMU_EDITMODE:
      ISINEDITMODUS(wParam, lParam);
      return 0;
    case WM_TIMER:
      r = WmTimer(wParam, lParam);
      break;
    default:
      r = HandleMessage(message, wParam, lParam);
      break;
  }
  if (!r.IsNone()) return r;
  return Forward(previous, window, message, wParam, lParam);
}

// A locked application shows the wait cursor and keeps the system from setting another.
MsgResult ZB_APP::WmSetCursor() {
  if (!lLockApplication) return {};
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
  return 1;
}

MsgResult ZB_APP::WmSetFocus(WPARAM wParam, LPARAM lParam) {
  hLastEditWnd_ = reinterpret_cast<HWND>(wParam);
  return OnSetfocus(wParam, lParam);
}

MsgResult ZB_APP::WmEndSession(HWND window, WPARAM wParam, LPARAM lParam) {
  OnEndSession(wParam, lParam);
  PostMessageA(window, WM_CLOSE, 0, 0);
  return 0;
}

// Closing from the system menu goes through WM_CLOSE (and so CloseApp) unless the program
// refuses it with an answer of 0 or less.
MsgResult ZB_APP::WmSysCommand(HWND window, WPARAM wParam, LPARAM lParam) {
  MsgResult r = HandleMessage(WM_SYSCOMMAND, wParam, lParam);
  if ((wParam & 0xFFF0) != SC_CLOSE) return r;
  if (IsNumberAtMost0(r)) return r;
  PostMessageA(window, WM_CLOSE, 0, 0);
  return 0;
}

// A negative lParam is the close code the program asked for; it is kept for CloseApp.
MsgResult ZB_APP::WmClose(HWND window, WPARAM wParam, LPARAM lParam) {
  if (static_cast<int32_t>(lParam) < 0) closeCode_ = static_cast<int32_t>(lParam);
  if (CloseApp(wParam, closeCode_) == 0) return 0;
  DestroyWindow(window);
  return 1;
}

MsgResult ZB_APP::WmAddDlg(WPARAM wParam, LPARAM lParam) {
  // The text lives in the sender's memory: only a slave in this address space sends it.
  const char* text = reinterpret_cast<const char*>(lParam);
  if (text != nullptr) {
    DialogRegistryEntry e = ParseDialogRegistryText(std::string(text, wParam));
    AddDlgHandle(DlgEntry{Handle(e.window), static_cast<int>(e.type), e.name, e.active});
  }
  return {};
}

// Buttons 1..99 of the frame hear of their click as WMU_BUTTONCLICK as well.
MsgResult ZB_APP::WmCommand(WPARAM wParam, LPARAM lParam) {
  int id = WB_LOWORD(static_cast<int64_t>(wParam));
  if (id > 0 && id < 100) {
    if (HWND child = GetDlgItem(hwnd, id)) PostMessageA(child, WMU_BUTTONCLICK, id, 0);
  }
  return OnCommand(wParam, lParam);
}

// With a help file the framework opens the help itself; without one the program decides.
MsgResult ZB_APP::WmHelp(WPARAM wParam, LPARAM lParam) {
  if (cHelpFile.empty()) return HandleMessage(WMU_HELP, wParam, lParam);
  if (nHelpKontextId_ > 0) {
    CallWinHelp(hwnd, cHelpFile, HELP_CONTEXT, static_cast<ULONG_PTR>(nHelpKontextId_));
  } else {
    CallWinHelp(hwnd, cHelpFile, HELP_FINDER, 0);
  }
  return {};
}

MsgResult ZB_APP::WmTimer(WPARAM wParam, LPARAM lParam) {
  if (wParam == kRecordChangeTimer) TIMER();
  return HandleMessage(WM_TIMER, wParam, lParam);
}

int ZB_APP::CloseApp(WPARAM, int closeCode) {
  hActive = nullptr;
  for (const DlgEntry& e : aDlgWnd) {
    if (e.type == 1 && IsWindow(e.window)) {
      hActive = e.window;
      break;
    }
  }
  if (lLearnMode_ && closeCode != -1) {
    if (ShowBox(hwnd, ResourceText(IDS_ZB_LEARN_MODE_END), ResourceText(IDS_ZB_LEARN_MODE_TITLE),
                MB_YESNO) == IDYES) {
      lLearnMode_ = false;
      lShowTip = false;
      if (oTip) {
        oTip->Close();
        oTip.reset();
      }
      return 1;
    }
    return 0;
  }
  if (hActive != nullptr && IsWindow(hActive)) {
    WPARAM request = closeCode == -1 ? 1106 : closeCode == -2 ? 1104 : 1002;
    SendMessageA(hActive, WMU_CLOSEREQUEST, request, 2);
    return 0;
  }
  if (OnClose()) {
    ValidateRect(hwnd, nullptr);
    if (!cHelpFile.empty()) CallWinHelp(hwnd, cHelpFile, HELP_QUIT, 0);
    return 1;
  }
  return 0;
}

LRESULT ZB_APP::DESTROY(WPARAM wParam, LPARAM lParam) {
  OnDestroy(wParam, lParam);
  if (std::optional<std::string> error = CloseAllTables()) {
    std::string detail = error->empty() ? "unbekannt?" : *error;
    if (lDBFNTXAX) detail += "\r\n ADS-Error: " + std::to_string(Repository().LastServerError());
    ZB_ERRLOG("Fehler in ZB_APP in WndProc() bei DBCLOSEALL()", Value(detail));
  }
  PostQuitMessage(0);
  quit_ = true;
  return 0;
}

LRESULT ZB_APP::SHIFTDLG(WPARAM wParam, LPARAM lParam) {
  if (hMasterWnd != nullptr) {
    PostMessageA(hMasterWnd, WMU_SHIFTDLG, wParam, lParam);
    return 0;
  }
  auto focus = [](HWND w) {
    if (IsIconic(w)) ShowWindow(w, SW_RESTORE);
    SetFocus(w);
  };
  auto topLevelVisible = [](HWND w) {
    return IsWindowVisible(w) && !(GetWindowLongA(w, GWL_STYLE) & WS_CHILD);
  };
  if (!aDlgWnd.empty()) {
    HWND active = GetActiveWindow();
    if (active == hwnd) {
      for (const DlgEntry& e : aDlgWnd) {
        if (topLevelVisible(e.window)) {
          focus(e.window);
          break;
        }
      }
    } else {
      for (size_t i = 0; i < aDlgWnd.size(); ++i) {
        if (aDlgWnd[i].window != active) continue;
        if (i + 1 == aDlgWnd.size()) {
          focus(hwnd);
        } else if (topLevelVisible(aDlgWnd[i].window)) {
          focus(aDlgWnd[i + 1].window);
        }
        break;
      }
    }
  }
  OnShiftDlg(wParam, lParam);
  return 0;
}

LRESULT ZB_APP::RBUTTONDOWN(WPARAM, LPARAM lParam) {
  POINT p{WB_LOWORD(lParam), WB_HIWORD(lParam)};
  HWND target = WindowFromPoint(p);
  SendMessageA(hwnd, WM_CANCELMODE, 0, 0);
  if (target == hwnd) return 0;
  hActive = nullptr;
  const DlgEntry* found = nullptr;
  for (const DlgEntry& e : aDlgWnd) {
    if (e.window == target || e.window == GetParent(target)) {
      found = &e;
      break;
    }
  }
  if (found == nullptr) return 0;
  hActive = found->window;
  if (found->type == 1) {
    POINT c = p;
    ScreenToClient(target, &c);
    if (c.x > 0 && c.y > 0) {
      SetFocus(target);
      PostMessageA(target, WM_RBUTTONDOWN, 0, WB_MAKELPARAM(c.x, c.y));
    }
  }
  return 0;
}

LRESULT ZB_APP::MENUSELECT(WPARAM wParam, LPARAM) {
  int item = WB_LOWORD(static_cast<int64_t>(wParam)) & 0xFFFF;
  int flags = WB_HIWORD(static_cast<int64_t>(wParam)) & 0xFFFF;
  if (oStatusBar == nullptr) return 0;
  if (!(flags & (MF_SYSMENU | MF_POPUP | MF_SEPARATOR)) && !aEVars.aMenuTexts.empty()) {
    for (const AppEVars::MenuText& m : aEVars.aMenuTexts) {
      if (m.id != item) continue;
      std::string text = m.text;
      if (text.empty()) {
        char buffer[1024] = {};
        HMODULE module = m.module ? m.module : GetModuleHandleA(nullptr);
        int n = LoadStringA(module, static_cast<UINT>(m.resource), buffer, sizeof buffer);
        text.assign(buffer, n > 0 ? n : 0);
      }
      aOldText = oStatusBar->SetText(text, 1, -1, 32);
      return 0;
    }
    oStatusBar->SetText(ResourceText(IDS_ZB_READY), 1, aOldText.align, aOldText.style);
    return 0;
  }
  oStatusBar->SetText(aOldText.text, 1, aOldText.align, aOldText.style);
  return 0;
}

LRESULT ZB_APP::ERASEBKGND(HDC dc, LPARAM lParam) {
  if (!aEVars.lSkipEraseClip) {
    RECT client;
    GetClientRect(hwnd, &client);
    int width = WB_LOWORD(aEVars.nToolBarSize), height = WB_HIWORD(aEVars.nToolBarSize);
    int right = (aEVars.nToolBarFlags & 4) ? client.right - 2 : width + 1;
    ExcludeClipRect(dc, 0, 0, right, height - 1);
  }
  aEVars.lSkipEraseClip = false;
  OnEraseBkgnd(dc, lParam);
  return 0;
}

LRESULT ZB_APP::PAINT(WPARAM wParam, LPARAM lParam) {
  PaintDc paint(hwnd);
  const HDC dc = paint.get();
  OnPaint(dc, wParam, lParam);
  int width = WB_LOWORD(aEVars.nToolBarSize), height = WB_HIWORD(aEVars.nToolBarSize);
  if (width > 0 && height > 0) {
    if (!(aEVars.nToolBarFlags & 2) && (aEVars.nToolBarFlags & 16)) return 0;
    RECT client;
    GetClientRect(hwnd, &client);
    RECT panel{0, 0, (aEVars.nToolBarFlags & 4) ? client.right - 1 : width, height};
    FillRect(dc, &panel, GetSysColorBrush(COLOR_BTNFACE));
    if (aEVars.nToolBarFlags & 2) DrawEdge(dc, &panel, BDR_RAISEDINNER, BF_RECT);
  }
  for (const AppEVars::SepLine& line : aEVars.aSepLines) {
    SelectedObject pen(dc, hShadowPen_.get());
    MoveToEx(dc, line.x, line.top, nullptr);
    LineTo(dc, line.x, line.bottom);
    pen.select(hLightPen_.get());
    MoveToEx(dc, line.x + 1, line.top, nullptr);
    LineTo(dc, line.x + 1, line.bottom);
  }
  return 0;
}

LRESULT ZB_APP::TIMER() {
  char value[512] = {};
  GetPrivateProfileStringA("DBF_Rec_Change", "Change", "", value, sizeof value,
                           DLGGETCENTINIFILENAME().c_str());
  std::optional<RecordChangeNote> note = ParseRecordChangeNote(value);
  if (note && note->token != aEVars.cRefreshToken && aEVars.nLastRecChange < note->seconds) {
    aEVars.nLastRecChange = note->seconds;
    int area = AreaOfAlias(note->alias);
    UINT message = static_cast<UINT>(RecordChangeMessage(note->kind, DeletedRecordsVisible()));
    if (area != 0) SendToDialogs(message, static_cast<WPARAM>(area), note->record, false);
  }
  if (hMasterWnd != nullptr) {
    char mine[256] = {}, theirs[256] = {};
    GetClassNameA(hwnd, mine, sizeof mine);
    bool gone = !IsWindow(hMasterWnd) || !GetClassNameA(hMasterWnd, theirs, sizeof theirs) ||
                std::string(mine) != theirs;
    if (gone) {
      ZB_ERRLOG("Masterprozess ist nicht mehr vorhanden",
                Value(std::string("Slaveprozess wird deshalb beendet")));
      PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
  }
  return 0;
}

}  // namespace tabrix
