// ZB_BROWSE: the window procedures' routing and the handlers of keys, mouse, scroll bar,
// incremental search and painting requests (see browse_win.h).
#include <windowsx.h>

#include <algorithm>
#include <string>

#include "browse/browse_messages.h"
#include "browse/browse_model.h"
#include "browse/browse_paint_win.h"
#include "browse/browse_win.h"
#include "data/base/codepage.h"
#include "framework/app_settings.h"
#include "framework/native/words.h"

namespace tabrix {
namespace {

std::optional<LRESULT> Taken(LRESULT r) {
  if (r == 0) return std::nullopt;
  return r;
}

bool CtrlDown() {
  return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

}  // namespace

// ---- routing -------------------------------------------------------------------------------

std::optional<LRESULT> ZB_BROWSE::ListMessage(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      return OnChar(wParam);
    case WM_TIMER:
      if (wParam != kSearchTimerId) return std::nullopt;
      OnSearchTimer();
      return 0;
    case WM_KEYDOWN:
      if (OnKeyDown(wParam, lParam)) return 0;
      return std::nullopt;
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
      return std::nullopt;
    case WM_LBUTTONDOWN:
      return OnListLButtonDown(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    case WM_LBUTTONUP:
      lDownInRows_ = false;
      return std::nullopt;
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
      return 0;  // swallowed: a double click would toggle the list's own selection
    case WM_MOUSEWHEEL:
      return OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
    case WM_ERASEBKGND: {
      // The rows paint themselves; only the slots below the last row get the empty grid.
      const int present = static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0));
      if (present < Get_nGesamt()) PostMessageA(window, kWmuDrawEmpty, 0, 0);
      return 1;
    }
    case kWmuDrawEmpty: {
      HDC dc = GetDC(window);
      RECT client;
      GetClientRect(window, &client);
      PaintState s{&aDBFelder_,    &aTabs_,       hFont_,    nHoeheSchrift_, nMarkerWidth_,
                   nHeaderHeight_, nHeaderLines_, nHOffset_, cutTextMode_};
      painter_->DrawEmptyRows(dc, client, static_cast<int>(SendMessageA(window, LB_GETCOUNT, 0, 0)),
                              Get_nGesamt(), s);
      ReleaseDC(window, dc);
      UpdateScrollBar();
      return 0;
    }
    case kWmuPaintHeader:
      return OnPaint(reinterpret_cast<HDC>(wParam));
    case WM_HSCROLL:
      // The rows move sideways: the header follows after the list has scrolled.
      PostMessageA(hWndParent_, WM_NULL, 0, 0);
      InvalidateHeader();
      return std::nullopt;
    case WM_SHOWWINDOW:
      if (hScroll_) ShowWindow(hScroll_, wParam ? SW_SHOW : SW_HIDE);
      return std::nullopt;
    case WM_ENABLE:
      if (hScroll_) EnableWindow(hScroll_, wParam && model_ && model_->ScrollEnabled());
      return std::nullopt;
    case WM_DESTROY:
      if (searchTimer_) KillTimer(window, kSearchTimerId);
      searchTimer_ = 0;
      if (IsWindow(hWndParent_)) {
        PostMessageA(hWndParent_, WM_COMMAND, kListDestroyedCommand, 0);
      }
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

std::optional<LRESULT> ZB_BROWSE::ScrollBarMessage(HWND window, UINT message, WPARAM, LPARAM) {
  if (message == WM_LBUTTONDOWN) {
    if (IsWindowVisible(window)) SetFocus(window);
  } else if (message == WM_LBUTTONUP) {
    // After the press the focus goes back to the rows; disabling briefly ends the bar's own
    // focus display.
    EnableWindow(window, FALSE);
    if (IsWindowVisible(hList_)) SetFocus(hList_);
    EnableWindow(window, model_ && model_->ScrollEnabled());
  }
  return std::nullopt;
}

std::optional<LRESULT> ZB_BROWSE::DialogMessage(HWND window, UINT message, WPARAM wParam,
                                                LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  switch (message) {
    case WM_DRAWITEM:
      return Taken(OnDrawItem(wParam, lParam));
    case WM_MEASUREITEM:
      return Taken(MeasureItem(wParam, lParam));
    case WM_ERASEBKGND:
      EraseBkgnd(wParam, lParam);
      return std::nullopt;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      OnPaint(dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_SETCURSOR:
      return Taken(Set__Cursor(wParam, lParam));
    case WM_MOUSEMOVE:
      return Taken(OnMouseMove(x, y));
    case WM_LBUTTONDOWN:
      return Taken(LButtonDown(wParam, lParam));
    case WM_LBUTTONUP:
      return Taken(LButtonUp(wParam, lParam));
    case WM_LBUTTONDBLCLK:
      return Taken(SetIndexOrder(x, y));
    case WM_VSCROLL:
      return Taken(VScroll(wParam, lParam));
    case kWmuScroll:
      return Taken(VScroll2(wParam, lParam));
    case WM_VKEYTOITEM:
      return Taken(VKeyToItem(wParam, lParam));
    case WM_COMMAND:
      return Taken(OnCommand(wParam, lParam));
    case WM_ACTIVATE:
      return Taken(Activate(wParam, lParam));
    case WM_NCLBUTTONDOWN:
      return Taken(OnNCLButtonDown(x, y));
    case WM_DESTROY:
      OnDestroy(wParam, lParam);
      return std::nullopt;
    case WM_NCDESTROY:
      OnNCDestroy(wParam, lParam);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// ---- keyboard and incremental search -----------------------------------------------------

bool ZB_BROWSE::OnKeyDown(WPARAM key, LPARAM) {
  auto scroll = [this](int code, int position) {
    UpdateWindow(hList_);
    SendMessageA(hWndParent_, kWmuScroll, WB_MAKELPARAM(code, position),
                 reinterpret_cast<LPARAM>(hScroll_));
    return true;
  };
  switch (key) {
    case VK_UP:
      return scroll(BrowseModel::kLineUp, 1);
    case VK_DOWN:
      return scroll(BrowseModel::kLineDown, 1);
    case VK_PRIOR:
      return scroll(BrowseModel::kPageUp, 1);
    case VK_NEXT:
      return scroll(BrowseModel::kPageDown, 1);
    case VK_HOME:
    case VK_END:
      if (CtrlDown()) {
        return scroll(BrowseModel::kThumb, key == VK_HOME ? 1 : BrowseModel::kThumbEnd);
      }
      SendMessageA(hList_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, key == VK_HOME ? 1 : 32767), 0);
      return true;
    case VK_SHIFT:
      return true;
    case VK_TAB: {
      const bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
      HWND next = GetNextDlgTabItem(hWndParent_, hList_, back);
      if (next) SetFocus(next);
      return true;
    }
    default:
      return false;  // the list's own processing asks the dialog with WM_VKEYTOITEM
  }
}

LRESULT ZB_BROWSE::OnChar(WPARAM ansiChar) {
  // The typed character as the table holds text: umlauts, lower case and the numeric pad all
  // arrive here as characters, never as key codes.
  const unsigned char ansi = static_cast<unsigned char>(ansiChar);
  if (ansi < 32 || !model_) return 0;
  const std::string oem = AnsiEuroToOem(std::string(1, static_cast<char>(ansi)));
  if (model_->TypeChar(oem[0])) ShowRows();
  if (!model_->SearchText().empty() && !searchTimer_) {
    searchTimer_ = SetTimer(hList_, kSearchTimerId, kSearchTimerMs, nullptr);
  }
  return 0;
}

void ZB_BROWSE::OnSearchTimer() {
  if (model_ && model_->SearchIdle(kSearchTimerMs / 1000.0)) return;
  KillTimer(hList_, kSearchTimerId);
  searchTimer_ = 0;
}

LRESULT ZB_BROWSE::VKeyToItem(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != hList_) return 0;
  const int key = LOWORD(wParam);
  if (key == VK_LEFT || key == VK_RIGHT) {
    if (!CtrlDown()) return -1;
    SendMessageA(hList_, WM_HSCROLL, key == VK_LEFT ? SB_PAGELEFT : SB_PAGERIGHT, 0);
    return -2;
  }
  if (key == VK_SPACE) {
    PostMessageA(hWndParent_, WM_COMMAND, MAKEWPARAM(listId_, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(hList_));
    return -2;
  }
  // F1 ... F24 and every other key: typed text goes through WM_CHAR, the list's own
  // first-letter jump would only confuse the rows.
  return -2;
}

// ---- mouse ---------------------------------------------------------------------------------

LRESULT ZB_BROWSE::OnListLButtonDown(int, int y) {
  SetFocus(hList_);
  const int row = y / std::max(1, nHoeheSchrift_);
  lDownInRows_ = y > 0 && y <= Get_nGesamt() * nHoeheSchrift_;
  if (model_ && row >= 0 && model_->ClickRow(row)) {
    ShowRows();
    PostMessageA(hWndParent_, WM_COMMAND, MAKEWPARAM(listId_, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(hList_));
  }
  return 0;  // swallowed: the selection is the model's
}

LRESULT ZB_BROWSE::OnWheel(int delta) {
  // One line per notch, in the wheel's direction.
  const int notches = delta / WHEEL_DELTA;
  for (int i = 0; i < std::abs(notches); ++i) {
    Scroll(notches > 0 ? BrowseModel::kLineUp : BrowseModel::kLineDown, 1);
  }
  return 0;
}

LRESULT ZB_BROWSE::LButtonDown(WPARAM, LPARAM lParam) {
  const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
  if (!hList_ || !IsWindowVisible(hList_)) return 0;
  // The marker column selects its row.
  if (x >= aLbRect_.left - nMarkerWidth_ && x < aLbRect_.left && y >= aLbRect_.top) {
    const int row = (y - aLbRect_.top) / std::max(1, nHoeheSchrift_);
    if (model_ && model_->ClickRow(row)) ShowRows();
    return 1;
  }
  HotSpot h = IsHotSpot(x, y, Geometry(), aTabs_, nFixSpalten_, colResize_, colChange_);
  if (h.kind == HotSpotKind::kResize || h.kind == HotSpotKind::kMove) {
    lSizing_ = h.kind == HotSpotKind::kResize;
    lMoving_ = !lSizing_;
    nDragCol_ = h.column;
    nDragX_ = nDragLast_ = x;
    SetCursor(LoadCursor(nullptr, lSizing_ ? IDC_SIZEWE : IDC_HAND));
    SetCapture(hWndParent_);
    lCaptured_ = true;
    return 1;
  }
  return 0;
}

LRESULT ZB_BROWSE::OnMouseMove(int x, int y) {
  if (lSizing_ || lMoving_) {
    RECT client;
    GetClientRect(hWndParent_, &client);
    if (x < 0 || y < 0 || x > client.right || y > client.bottom ||
        (lSizing_ && (x < aLbRect_.left + 10 || x > aLbRect_.right() + 3))) {
      EndColumnDrag(x, false);
      return 1;
    }
    nDragLast_ = x;
    return 1;
  }
  HotSpot h = IsHotSpot(x, y, Geometry(), aTabs_, nFixSpalten_, colResize_, colChange_);
  if (h.kind == HotSpotKind::kResize) SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
  if (h.kind == HotSpotKind::kMove) SetCursor(LoadCursor(nullptr, IDC_HAND));
  return 0;
}

LRESULT ZB_BROWSE::LButtonUp(WPARAM, LPARAM lParam) {
  if (!lSizing_ && !lMoving_) return 0;
  EndColumnDrag(GET_X_LPARAM(lParam), true);
  return 1;
}

void ZB_BROWSE::EndColumnDrag(int x, bool apply) {
  const bool sizing = lSizing_, moving = lMoving_;
  lSizing_ = lMoving_ = false;
  if (lCaptured_) ReleaseCapture();
  lCaptured_ = false;
  if (!apply) {
    InvalidateRect(hList_, nullptr, TRUE);
    return;
  }
  if (sizing) {
    if (auto widths = ResizeColumn(aTabs_, nDragCol_, x, Geometry(), ListClientWidth())) {
      ApplyWidths(*widths);
      lUserCols_ = true;
    }
  } else if (moving) {
    if (auto target = MoveTarget(aTabs_, nDragCol_, x, Geometry(), nFixSpalten_)) {
      MoveColumn(aDBFelder_, nDragCol_, *target);
      FitFillerColumn(aDBFelder_, ListClientWidth());
      aTabs_ = SetTabArray(aDBFelder_);
      lUserCols_ = true;
      painter_->Drop();
      if (lRefreshed_) {
        // The row strings follow the column order: rebuild the page where it stands.
        const int row = model_->SelectedRow();
        model_->RefreshPage(row, 0);
        ShowRows();
      }
      InvalidateHeader();
    }
  }
}

LRESULT ZB_BROWSE::Set__Cursor(WPARAM, LPARAM lParam) {
  if (LOWORD(lParam) != HTCLIENT || !hList_) return 0;
  POINT p;
  GetCursorPos(&p);
  ScreenToClient(hWndParent_, &p);
  if (p.x >= aLbRect_.left && p.x <= aLbRect_.right() && p.y < aLbRect_.top &&
      p.y >= aLbRect_.top - nHoeheSchrift_) {
    return 1;  // the cursor set by the mouse move stays
  }
  return 0;
}

LRESULT ZB_BROWSE::SetIndexOrder(int, int) {
  return 0;  // column sorting is not built: no sortable columns exist
}

LRESULT ZB_BROWSE::OnNCLButtonDown(int, int) {
  return 0;  // no combo editor
}

LRESULT ZB_BROWSE::OnWinIniChange(WPARAM, LPARAM) {
  DropRowImages();
  return 0;
}

LRESULT ZB_BROWSE::Activate(WPARAM, LPARAM) {
  return 0;  // no column chooser to bring to the front
}

LRESULT ZB_BROWSE::OnCommand(WPARAM, LPARAM) {
  return 0;  // selection notifications are the owner's; the browse has no editor
}

LRESULT ZB_BROWSE::Spalten() {
  // The chooser's dialog resource is not part of the program: creating it fails and the
  // columns stay as they are.
  return 0;
}

// ---- scroll bar --------------------------------------------------------------------------

LRESULT ZB_BROWSE::VScroll(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != hScroll_ || !hScroll_) return 0;
  const int code = LOWORD(wParam);
  switch (code) {
    case SB_LINEUP:
    case SB_LINEDOWN:
    case SB_PAGEUP:
    case SB_PAGEDOWN:
    case SB_THUMBTRACK:
      Scroll(code, static_cast<int16_t>(HIWORD(wParam)));
      break;
    case SB_THUMBPOSITION:
      UpdateScrollBar();  // the thumb rests where the last track step put the rows
      break;
    case SB_ENDSCROLL:
      if (IsWindowVisible(hList_)) SetFocus(hList_);
      break;
    default:
      break;
  }
  return 1;
}

LRESULT ZB_BROWSE::VScroll2(WPARAM wParam, LPARAM lParam) {
  if (reinterpret_cast<HWND>(lParam) != hScroll_ || !hScroll_) return 0;
  Scroll(WB_LOWORD(static_cast<int64_t>(wParam)), WB_HIWORD(static_cast<int64_t>(wParam)));
  return 1;
}

// ---- painting ------------------------------------------------------------------------------

LRESULT ZB_BROWSE::MeasureItem(WPARAM, LPARAM lParam) {
  auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
  if (!m || m->CtlType != ODT_LISTBOX || static_cast<int>(m->CtlID) != listId_) return 0;
  m->itemHeight = nHoeheSchrift_;
  return 1;
}

LRESULT ZB_BROWSE::OnDrawItem(WPARAM, LPARAM lParam) {
  auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
  if (!d || d->hwndItem != hList_ || !hList_) return 0;
  if (static_cast<int>(d->itemID) < 0) return 1;
  const int extent = static_cast<int>(SendMessageA(hList_, LB_GETHORIZONTALEXTENT, 0, 0));
  if (extent > 0 && d->rcItem.left != nHOffset_) {
    nHOffset_ = d->rcItem.left;
    InvalidateHeader();
  }
  const LRESULT len = SendMessageA(hList_, LB_GETTEXTLEN, d->itemID, 0);
  std::string row(len > 0 ? len : 0, '\0');
  if (len > 0) SendMessageA(hList_, LB_GETTEXT, d->itemID, reinterpret_cast<LPARAM>(row.data()));
  PaintState s{&aDBFelder_,    &aTabs_,       hFont_,    nHoeheSchrift_, nMarkerWidth_,
               nHeaderHeight_, nHeaderLines_, nHOffset_, cutTextMode_};
  painter_->DrawItem(*d, row, s);
  if (d->itemAction & (ODA_SELECT | ODA_DRAWENTIRE)) InvalidateMarker();
  return 1;
}

LRESULT ZB_BROWSE::EraseBkgnd(WPARAM wParam, LPARAM) {
  if (!hList_) return 0;
  HDC dc = reinterpret_cast<HDC>(wParam);
  const int hBar = lHScroll_ ? GetSystemMetrics(SM_CYHSCROLL) : 0;
  ExcludeClipRect(dc, aLbRect_.left, aLbRect_.top, aLbRect_.right(), aLbRect_.bottom() - hBar);
  return 0;  // the dialog still erases the rest
}

LRESULT ZB_BROWSE::OnPaint(HDC dc) {
  if (!hList_ || !IsWindowVisible(hList_) || IsIconic(hWndParent_)) return 0;
  ListRect actual = [&] {
    RECT r;
    GetWindowRect(hList_, &r);
    MapWindowPoints(HWND_DESKTOP, hWndParent_, reinterpret_cast<POINT*>(&r), 2);
    return ListRect{r.left, r.top, r.right - r.left, r.bottom - r.top};
  }();
  aLbRect_.left = actual.left;
  PaintState s{&aDBFelder_,    &aTabs_,       hFont_,    nHoeheSchrift_, nMarkerWidth_,
               nHeaderHeight_, nHeaderLines_, nHOffset_, cutTextMode_};
  painter_->DrawHeader(dc, actual, Get_nGesamt(), model_ ? model_->SelectedRow() : -1, s);
  return 1;
}

// ---- destruction ---------------------------------------------------------------------------

LRESULT ZB_BROWSE::OnDestroy(WPARAM, LPARAM) {
  if (searchTimer_ && IsWindow(hList_)) KillTimer(hList_, kSearchTimerId);
  searchTimer_ = 0;
  if (lUserCols_) {
    const std::string ini = DLGGETINIFILENAME();
    if (!ini.empty()) {
      IniLayoutStore store(ini);
      GetaDBFelder(aDBOrg_, aDBFelder_, store, cBrowserName_);
    }
    lUserCols_ = false;
  }
  return 0;
}

LRESULT ZB_BROWSE::OnNCDestroy(WPARAM, LPARAM) {
  painter_->Drop();
  // The windows and their hooks go with the dialog.
  hList_ = hScroll_ = nullptr;
  listHook_ = scrollHook_ = dialogHook_ = 0;
  return 0;
}

}  // namespace tabrix
