// ZB_BROWSE: windows, input and the seams to the model and the columns (see browse_win.h).
#include "browse/browse_win.h"

#include <algorithm>
#include <string>

#include "browse/browse_messages.h"
#include "browse/browse_model.h"
#include "browse/browse_paint_win.h"
#include "browse/browse_parent_win.h"
#include "browse/table_area_source.h"
#include "data/base/codepage.h"
#include "data/table/table_area.h"
#include "framework/app_settings.h"
#include "framework/native/words.h"
#include "framework/window_hook_win.h"

namespace tabrix {
namespace {

// The source of a browse without a table: always empty.
class EmptySource : public BrowseSource {
 public:
  void GoTop() override {}
  void GoBottom() override {}
  void Skip(int64_t) override {}
  void GoTo(int64_t) override {}
  bool AtEnd() override { return true; }
  bool AtBeginning() override { return true; }
  int64_t RecordNumber() override { return 0; }
  int64_t RecordCount() override { return 0; }
  bool IsDeleted() override { return false; }
  int Order() override { return 0; }
  bool SetOrder(int) override { return false; }
  int64_t Position() override { return 0; }
  bool OrderHasCharacterKey() override { return false; }
  bool SoftSeek(std::string_view) override { return false; }
};

SIZE TextSize(HWND window, HFONT font, const char* text) {
  SIZE size{0, 0};
  HDC dc = GetDC(window);
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

// A child's rectangle in its parent's client coordinates.
ListRect ChildRect(HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

}  // namespace

ZB_BROWSE::ZB_BROWSE() : painter_(std::make_unique<BrowsePainter>()) {}

ZB_BROWSE::~ZB_BROWSE() {
  if (searchTimer_ && IsWindow(hList_)) KillTimer(hList_, kSearchTimerId);
  if (listHook_ && IsWindow(hList_)) UnhookWindowMessages(hList_, listHook_);
  if (scrollHook_ && IsWindow(hScroll_)) UnhookWindowMessages(hScroll_, scrollHook_);
  if (dialogHook_ && IsWindow(hWndParent_)) UnhookWindowMessages(hWndParent_, dialogHook_);
  if (parentObject_) UnregisterBrowseAt(parentObject_, this);
}

bool ZB_BROWSE::Init(Parent parent, int listId, int area, std::vector<BrowseColumn> columns,
                     std::string name, int64_t startRecord, int flags, int options, int rowLines) {
  std::unique_ptr<BrowseSource> source;
  if (area > 0) {
    source = std::make_unique<TableAreaSource>(area);
  } else {
    source = std::make_unique<EmptySource>();
  }
  area_ = area;
  return Init(parent, listId, std::move(source), std::move(columns), std::move(name), startRecord,
              flags, options, rowLines);
}

bool ZB_BROWSE::Init(Parent parent, int listId, std::unique_ptr<BrowseSource> source,
                     std::vector<BrowseColumn> columns, std::string name, int64_t startRecord,
                     int flags, int options, int rowLines) {
  if (auto* object = std::get_if<ZB_WDIALOG*>(&parent)) {
    parentObject_ = *object;
    hWndParent_ = DialogWindowOf(parentObject_);
  } else {
    hWndParent_ = std::get<HWND>(parent);
  }
  listId_ = listId;
  flags_ = flags;
  options_ = options;
  nRowLines_ = std::max(1, rowLines);
  lHScroll_ = (options & kBrowseOptNoHScroll) == 0;
  cBrowserName_ = std::move(name);
  aDBOrg_ = std::move(columns);
  source_ = std::move(source);
  HWND resource = hWndParent_ ? GetDlgItem(hWndParent_, listId) : nullptr;
  if (!resource) {
    const std::string text = "Browser Id " + std::to_string(listId) + " gibt es nicht!";
    MessageBoxA(hWndParent_, text.c_str(), "Fataler Fehler", MB_OK | MB_ICONEXCLAMATION);
    return false;
  }
  if (parentObject_) RegisterBrowseAt(parentObject_, this);
  hFont_ = reinterpret_cast<HFONT>(SendMessageA(hWndParent_, WM_GETFONT, 0, 0));
  const SIZE w = TextSize(hWndParent_, hFont_, "W");
  if (nRowLines_ > 1) {
    nHoeheSchrift_ = hFont_ ? (w.cy + 1) * nRowLines_ : 20 * nRowLines_;
  } else if (hFont_) {
    nHoeheSchrift_ = std::max<int>(20, w.cy + 4);
  }
  nMarkerWidth_ = TextSize(hWndParent_, hFont_, ">").cx + 4;
  scrollId_ = listId + 1;
  while (GetDlgItem(hWndParent_, scrollId_)) ++scrollId_;

  model_ = std::make_unique<BrowseModel>(*source_, [this] {
    ElementRecord r;
    r.area = area_;
    r.alias = area_ > 0 ? AliasOfArea(area_) : std::string();
    r.recno = source_->RecordNumber();
    r.deleted = source_->IsDeleted();
    r.greyTextColour = GetSysColor(COLOR_GRAYTEXT);
    r.field = [this](const BrowseColumn& c) { return GetFieldByName(area_, c.cField); };
    return Element(aDBFelder_, r, cBrowserName_);
  });

  SetupColumns();
  if (!CreateWindows()) return false;
  if (!parentObject_) {
    dialogHook_ = HookWindowMessages(
        hWndParent_,
        {WM_DRAWITEM, WM_MEASUREITEM, WM_ERASEBKGND, WM_PAINT, WM_SETCURSOR, WM_MOUSEMOVE,
         WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_VSCROLL, kWmuScroll, WM_VKEYTOITEM,
         WM_COMMAND, WM_ACTIVATE, WM_DESTROY, WM_NCDESTROY, WM_NCLBUTTONDOWN},
        [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return DialogMessage(h, m, wp, lp); });
  }
  RECT client;
  GetClientRect(hWndParent_, &client);
  resize_.dialogWidth = client.right;
  resize_.dialogHeight = client.bottom;
  resize_.rowHeight = nHoeheSchrift_;
  if (startRecord > 0) source_->GoTo(startRecord);
  if ((flags_ & kBrowseNoFill) == 0) REFRESHALL(0, startRecord > 0 ? startRecord : -1);
  return true;
}

void ZB_BROWSE::SetupColumns() {
  const std::string ini = DLGGETINIFILENAME();
  std::optional<IniLayoutStore> store;
  if (!ini.empty()) store.emplace(ini);
  ShownColumns shown = SetaDbFelder(aDBOrg_, store ? &*store : nullptr, cBrowserName_,
                                    ListClientWidth(), nFixSpalten_);
  aDBFelder_ = std::move(shown.columns);
  nHeaderLines_ = shown.nHeaderLines;
  nHeaderHeight_ = TextSize(hWndParent_, hFont_, "W").cy * nHeaderLines_;
  aTabs_ = SetTabArray(aDBFelder_);
  painter_->Drop();
}

int ZB_BROWSE::ListClientWidth() const {
  if (hList_) {
    RECT r;
    GetClientRect(hList_, &r);
    return r.right;
  }
  return 0;
}

bool ZB_BROWSE::CreateWindows() {
  HWND resource = GetDlgItem(hWndParent_, listId_);
  ListLayoutInput in;
  in.resource = ChildRect(resource);
  in.markerWidth = nMarkerWidth_;
  in.headerHeight = nHeaderHeight_;
  in.vScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
  in.hScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
  in.lHScroll = lHScroll_;
  in.rowHeight = nHoeheSchrift_;
  in.frameHeight = 2 * GetSystemMetrics(SM_CYBORDER);  // WS_BORDER
  ListLayout layout = LayoutList(in);
  HWND before = GetWindow(resource, GW_HWNDPREV);
  DestroyWindow(resource);
  aLbRect_ = layout.list;
  hScroll_ = CreateWindowExA(
      0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_VERT, layout.scrollBar.left,
      layout.scrollBar.top, layout.scrollBar.width, layout.scrollBar.height, hWndParent_,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(scrollId_)), GetModuleHandleA(nullptr), nullptr);
  // Single selection: the browse moves the selection itself, the list only shows it.
  DWORD style = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | LBS_NOTIFY | LBS_OWNERDRAWFIXED |
                LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT;
  if (lHScroll_) style |= WS_HSCROLL;
  // The item height is asked while the list is created (WM_MEASUREITEM to the dialog); the
  // hook cannot be there yet, so the height is set right after.
  hList_ = CreateWindowExA(0, "LISTBOX", "", style, aLbRect_.left, aLbRect_.top, aLbRect_.width,
                           aLbRect_.height, hWndParent_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(listId_)),
                           GetModuleHandleA(nullptr), nullptr);
  if (!hList_ || !hScroll_) return false;
  SendMessageA(hList_, LB_SETITEMHEIGHT, 0, nHoeheSchrift_);
  SetWindowPos(hList_, before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
  SetWindowPos(hScroll_, hList_, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
  const std::string text = "B\t" + std::to_string(reinterpret_cast<uintptr_t>(hWndParent_)) + "\t" +
                           std::to_string(reinterpret_cast<uintptr_t>(hScroll_));
  SetWindowTextA(hList_, text.c_str());
  SetWindowTextA(hScroll_, text.c_str());
  if (hFont_) SendMessageA(hList_, WM_SETFONT, reinterpret_cast<WPARAM>(hFont_), FALSE);
  resize_.listWidth = aLbRect_.width;
  resize_.listHeight = aLbRect_.height;
  resize_.nGesamt = layout.rows;
  model_->SetVisibleRows(layout.rows);
  FitFillerColumn(aDBFelder_, ListClientWidth());
  aTabs_ = SetTabArray(aDBFelder_);
  SendMessageA(hList_, LB_SETHORIZONTALEXTENT, aTabs_.back(), 0);
  listHook_ = HookWindowMessages(
      hList_,
      {WM_CHAR, WM_TIMER, WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP,
       WM_LBUTTONDBLCLK, WM_MBUTTONDOWN, WM_MBUTTONUP, WM_MOUSEWHEEL, WM_ERASEBKGND, WM_SHOWWINDOW,
       WM_ENABLE, WM_DESTROY, kWmuDrawEmpty, kWmuPaintHeader, WM_HSCROLL},
      [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return ListMessage(h, m, wp, lp); });
  scrollHook_ = HookWindowMessages(
      hScroll_, {WM_LBUTTONDOWN, WM_LBUTTONUP},
      [this](HWND h, UINT m, WPARAM wp, LPARAM lp) { return ScrollBarMessage(h, m, wp, lp); });
  SendMessageA(hWndParent_, kWmuRegisterList, reinterpret_cast<WPARAM>(hList_), scrollId_);
  return true;
}

// ---- rows, selection, scroll bar ---------------------------------------------------------

int64_t ZB_BROWSE::REFRESHALL(int row, int64_t record) {
  if (!model_) return 0;
  const int64_t z = model_->RefreshAll(row, record);
  lRefreshed_ = true;
  ShowRows();
  return z;
}

void ZB_BROWSE::ShowRows() {
  if (!hList_) return;
  const std::vector<BrowseRow>& rows = model_->Rows();
  SendMessageA(hList_, WM_SETREDRAW, FALSE, 0);
  const int present = static_cast<int>(SendMessageA(hList_, LB_GETCOUNT, 0, 0));
  for (int i = present - 1; i >= static_cast<int>(rows.size()); --i) {
    SendMessageA(hList_, LB_DELETESTRING, i, 0);
  }
  for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
    const BrowseRow& r = rows[i];
    if (i < present) {
      const LRESULT len = SendMessageA(hList_, LB_GETTEXTLEN, i, 0);
      std::string text(len > 0 ? len : 0, '\0');
      if (len > 0) SendMessageA(hList_, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
      const LRESULT data = SendMessageA(hList_, LB_GETITEMDATA, i, 0);
      if (text == r.text && data == static_cast<LRESULT>(r.recno)) continue;
      SendMessageA(hList_, LB_DELETESTRING, i, 0);
    }
    SendMessageA(hList_, LB_INSERTSTRING, i, reinterpret_cast<LPARAM>(r.text.c_str()));
    SendMessageA(hList_, LB_SETITEMDATA, i, static_cast<LPARAM>(r.recno));
  }
  SendMessageA(hList_, LB_SETCURSEL, model_->SelectedRow(), 0);
  SendMessageA(hList_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hList_, nullptr, TRUE);
  UpdateScrollBar();
  InvalidateMarker();
}

void ZB_BROWSE::UpdateScrollBar() {
  if (!hScroll_) return;
  SCROLLINFO si{};
  si.cbSize = sizeof si;
  si.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
  if (model_->ScrollEnabled()) {
    si.nMin = model_->ScrollMin();
    si.nMax = model_->ScrollMax();
    si.nPos = model_->ScrollPos();
  }
  SetScrollInfo(hScroll_, SB_CTL, &si, TRUE);
  if (IsWindowEnabled(hList_)) EnableWindow(hScroll_, model_->ScrollEnabled());
}

void ZB_BROWSE::Scroll(int code, int position) {
  if (!model_ || inScroll_) return;
  inScroll_ = true;
  model_->Scroll(code, position);
  inScroll_ = false;
  ShowRows();
}

void ZB_BROWSE::InvalidateMarker() {
  RECT r{aLbRect_.left - nMarkerWidth_, aLbRect_.top, aLbRect_.left,
         aLbRect_.top + Get_nGesamt() * nHoeheSchrift_};
  InvalidateRect(hWndParent_, &r, FALSE);
}

void ZB_BROWSE::InvalidateHeader() {
  RECT r{aLbRect_.left - nMarkerWidth_, aLbRect_.top - nHeaderHeight_, aLbRect_.right(),
         aLbRect_.top};
  InvalidateRect(hWndParent_, &r, FALSE);
}

void ZB_BROWSE::DropRowImages() {
  painter_->Drop();
  if (hList_) InvalidateRect(hList_, nullptr, TRUE);
}

int ZB_BROWSE::Get_nGesamt() const {
  return model_ ? model_->VisibleRows() : 0;
}
int64_t ZB_BROWSE::Get_zSatz() const {
  return model_ ? model_->zSatz() : 0;
}
int ZB_BROWSE::Get_LBCURSEL() const {
  return hList_ ? static_cast<int>(SendMessageA(hList_, LB_GETCURSEL, 0, 0)) : -1;
}
int64_t ZB_BROWSE::Get_nRecNo() const {
  return model_ ? model_->SelectedRecord() : 0;
}
const std::string& ZB_BROWSE::SearchText() const {
  return model_->SearchText();
}
std::vector<int> ZB_BROWSE::CutCells(int row) const {
  return painter_->CutCells(row);
}

// ---- properties --------------------------------------------------------------------------

void ZB_BROWSE::Set_lEdit(bool on) {
  lEdit_ = on;
}

void ZB_BROWSE::Set_nIndOrder(int order) {
  if (!model_) return;
  const int64_t selected = model_->SelectedRecord();
  source_->SetOrder(WB_LOWORD(order));
  if (WB_HIWORD(order) == 1) return;
  if (lRefreshed_ && selected > 0) {
    // Counted again in the new order: the order's first record and the positions change.
    REFRESHALL(0, selected);
  } else if (lRefreshed_) {
    REFRESHALL(0, -1);
  }
}

void ZB_BROWSE::Set_aDBFelder(std::vector<BrowseColumn> columns) {
  aDBOrg_ = std::move(columns);
  const int lines = nHeaderLines_;
  SetupColumns();
  if (hList_ && lines != nHeaderLines_) {
    // The header changed height: the list moves below it and shrinks by the difference.
    const int d = nHeaderHeight_ - TextSize(hWndParent_, hFont_, "W").cy * lines;
    aLbRect_.top += d;
    aLbRect_.height -= d;
    MoveWindow(hList_, aLbRect_.left, aLbRect_.top, aLbRect_.width, aLbRect_.height, TRUE);
    ListRect sb = ChildRect(hScroll_);
    MoveWindow(hScroll_, sb.left, sb.top + d, sb.width, sb.height - d, TRUE);
    InvalidateRect(hWndParent_, nullptr, TRUE);
  }
  FitFillerColumn(aDBFelder_, ListClientWidth());
  aTabs_ = SetTabArray(aDBFelder_);
  if (hList_) SendMessageA(hList_, LB_SETHORIZONTALEXTENT, aTabs_.back(), 0);
  if (lRefreshed_) {
    model_->RefreshPage(-1, 0);
    ShowRows();
  }
  InvalidateHeader();
}

void ZB_BROWSE::Set_nFixSpalten(int n) {
  nFixSpalten_ = std::max(0, n);
  Set_aDBFelder(aDBOrg_);
}

void ZB_BROWSE::Set_CutTextMode(bool on) {
  cutTextMode_ = on;
  DropRowImages();
}

void ZB_BROWSE::NewSize(int width, int height) {
  if (!hList_) return;
  std::optional<ResizeResult> r = NewSizeRule(resize_, width, height);
  if (!r) return;
  aLbRect_.width = r->listWidth;
  aLbRect_.height = r->listHeight;
  MoveWindow(hList_, aLbRect_.left, aLbRect_.top, aLbRect_.width, aLbRect_.height, TRUE);
  ListRect sb = ChildRect(hScroll_);
  MoveWindow(hScroll_, sb.left + r->widthChange, sb.top, sb.width,
             std::max(1, sb.height + r->heightChange), TRUE);
  painter_->Drop();
  model_->SetVisibleRows(r->nGesamt);
  FitFillerColumn(aDBFelder_, ListClientWidth());
  aTabs_ = SetTabArray(aDBFelder_);
  SendMessageA(hList_, LB_SETHORIZONTALEXTENT, aTabs_.back(), 0);
  ShowRows();
  RECT dirty{0, aLbRect_.top - std::max(nHoeheSchrift_, GetSystemMetrics(SM_CYHSCROLL)) - 5, width,
             height};
  InvalidateRect(hWndParent_, &dirty, TRUE);
}

HeaderGeometry ZB_BROWSE::Geometry() const {
  HeaderGeometry g;
  g.list = aLbRect_;
  g.headerHeight = nHeaderHeight_;
  g.rowHeight = nHoeheSchrift_;
  g.hOffset = nHOffset_;
  return g;
}

void ZB_BROWSE::ApplyWidths(const std::vector<int>& widths) {
  for (size_t i = 0; i < widths.size() && i < aDBFelder_.size(); ++i) {
    aDBFelder_[i].nWidth = widths[i];
  }
  aTabs_ = SetTabArray(aDBFelder_);
  SendMessageA(hList_, LB_SETHORIZONTALEXTENT, aTabs_.back(), 0);
  DropRowImages();
  InvalidateHeader();
}

}  // namespace tabrix
