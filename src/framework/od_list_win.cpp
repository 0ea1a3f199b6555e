// ZB_OD_LIST: re-creating the list box, drawing rows from cached row patterns, the empty grid
// rows, the keyboard rules, and the stand-alone registry with its dialog hook.
#include "framework/od_list_win.h"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "framework/od_list_layout.h"
#include "framework/window_hook_win.h"

namespace tabrix {
namespace {

constexpr UINT kDrawTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;  // 2084

// Stand-alone lists of every dialog, in order of creation.
std::vector<std::unique_ptr<ZB_OD_LIST>>& Registry() {
  static std::vector<std::unique_ptr<ZB_OD_LIST>> lists;
  return lists;
}

bool HasRegisteredList(HWND dialog) {
  return std::any_of(Registry().begin(), Registry().end(),
                     [&](const auto& list) { return list->DialogWindow() == dialog; });
}

ZB_OD_LIST* FindRegistered(HWND dialog, int id) {
  for (auto& list : Registry())
    if (list->DialogWindow() == dialog && list->nID() == id) return list.get();
  return nullptr;
}

template <typename F>
void ForEachRegistered(HWND dialog, F f) {
  for (auto& list : Registry())
    if (list->DialogWindow() == dialog) f(*list);
}

HPEN GreyPen() {
  if (OdListApp().hGreyPen) return OdListApp().hGreyPen;
  // Lives as long as the process, like the application object's pen it stands in for.
  static HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT));
  return pen;
}

std::string ItemText(HWND listBox, UINT item) {
  LRESULT length = SendMessageA(listBox, LB_GETTEXTLEN, item, 0);
  if (length == LB_ERR || length < 0) return {};
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  LRESULT got = SendMessageA(listBox, LB_GETTEXT, item, reinterpret_cast<LPARAM>(text.data()));
  text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
  return text;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
  OwnedBrush brush(CreateSolidBrush(colour));
  FillRect(dc, &rect, brush.get());
}

// The stand-alone hook's steps, one per message, for the registered lists of `dialog`.
std::optional<LRESULT> RegisteredDrawItem(HWND dialog, const DRAWITEMSTRUCT& record) {
  if (record.CtlType != ODT_LISTBOX) return std::nullopt;
  ZB_OD_LIST* list = FindRegistered(dialog, static_cast<int>(record.CtlID));
  if (!list) return std::nullopt;
  int id = static_cast<int>(record.CtlID);
  list->lLBS_MULTICOLUMN ? list->DrawMultColItem(id, record) : list->OnDrawItem(id, record);
  return 1;
}

// Only the first list whose control exists, as the dialog has always done it.
void RegisteredEraseBkgnd(HWND dialog, HDC dc) {
  for (auto& list : Registry()) {
    if (list->DialogWindow() == dialog && IsWindow(list->hwndListe)) {
      list->ERASEBKGND(dc);
      return;
    }
  }
}

std::optional<LRESULT> RegisteredMeasureItem(HWND dialog, WPARAM wParam,
                                             MEASUREITEMSTRUCT& record) {
  int id = wParam ? static_cast<int>(wParam) : static_cast<int>(record.CtlID);
  ZB_OD_LIST* list = FindRegistered(dialog, id);
  if (list && list->MEASUREITEM(id, record) == 1) return 1;
  return std::nullopt;
}

std::optional<LRESULT> RegisteredVKeyToItem(HWND dialog, WPARAM wParam, HWND listBox) {
  for (auto& list : Registry())
    if (list->DialogWindow() == dialog && list->hwndListe == listBox)
      return list->OnVKEYTOITEM(wParam, list->hwndListe);
  return std::nullopt;
}

void RegisteredNcDestroy(HWND dialog) {
  ForEachRegistered(dialog, [](ZB_OD_LIST& list) { list.OnNCDestroy(); });
  std::erase_if(Registry(), [&](const auto& list) { return list->DialogWindow() == dialog; });
}

// The stand-alone hook on the dialog window: owner-draw, measure, erase, keys and destruction
// reach the registered lists of that dialog.
std::optional<LRESULT> DLG_Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DRAWITEM:
      return RegisteredDrawItem(dialog, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_ERASEBKGND:
      RegisteredEraseBkgnd(dialog, reinterpret_cast<HDC>(wParam));
      return std::nullopt;
    case WM_MEASUREITEM:
      return RegisteredMeasureItem(dialog, wParam, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_VKEYTOITEM:
      return RegisteredVKeyToItem(dialog, wParam, reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      ForEachRegistered(dialog, [](ZB_OD_LIST& list) { list.OnDestroy(); });
      return std::nullopt;
    case WM_NCDESTROY:
      RegisteredNcDestroy(dialog);
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

// The dialog's own lists' steps, one per message.
using ListVector = std::vector<std::unique_ptr<ZB_OD_LIST>>;

std::optional<LRESULT> ListsDrawItem(ListVector& lists, WPARAM wParam,
                                     const DRAWITEMSTRUCT& record) {
  for (auto& list : lists) {
    int id = static_cast<int>(wParam);
    int r =
        list->lLBS_MULTICOLUMN ? list->DrawMultColItem(id, record) : list->OnDrawItem(id, record);
    if (r) return 1;
  }
  return std::nullopt;
}

std::optional<LRESULT> ListsMeasureItem(ListVector& lists, WPARAM wParam,
                                        MEASUREITEMSTRUCT& record) {
  for (auto& list : lists)
    if (list->MEASUREITEM(static_cast<int>(wParam), record)) return 1;
  return std::nullopt;
}

std::optional<LRESULT> ListsVKeyToItem(ListVector& lists, WPARAM wParam, HWND listBox) {
  for (auto& list : lists)
    if (list->hwndListe == listBox) return list->OnVKEYTOITEM(wParam, list->hwndListe);
  return std::nullopt;
}

}  // namespace

OdListAppValues& OdListApp() {
  static OdListAppValues values;
  return values;
}

std::optional<LRESULT> DispatchToLists(OdListDialog& dialog, UINT message, WPARAM wParam,
                                       LPARAM lParam) {
  auto& lists = dialog.aListen();
  switch (message) {
    case WM_DRAWITEM:
      return ListsDrawItem(lists, wParam, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_MEASUREITEM:
      return ListsMeasureItem(lists, wParam, *reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    case WM_ERASEBKGND:
      for (auto& list : lists)
        if (!list->lLBS_MULTICOLUMN) list->ERASEBKGND(reinterpret_cast<HDC>(wParam));
      return std::nullopt;
    case WM_VKEYTOITEM:
      return ListsVKeyToItem(lists, wParam, reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
      for (auto& list : lists) list->OnDestroy();
      return std::nullopt;
    case WM_NCDESTROY:
      for (auto& list : lists) list->OnNCDestroy();
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

ZB_OD_LIST* ZB_OD_LIST::Init(HWND dialog, int id, std::vector<double> widths, int colWidth) {
  if (!IsWindow(dialog)) return nullptr;  // nothing would ever release the list
  std::unique_ptr<ZB_OD_LIST> list(new ZB_OD_LIST);
  ZB_OD_LIST* self = list.get();
  self->hwndParent_ = dialog;
  self->hGreyPen_ = GreyPen();
  self->nHoeheSchrift_ = std::max(1, OdListApp().nHoeBrZe);
  self->aDBFelder_ = widths.empty() ? std::vector<double>{100} : std::move(widths);
  self->nColWidth_ = colWidth;
  // The dialog is hooked once, for its first list; the list is registered before its list box
  // is re-created, because the new list box asks the dialog for its row size while it is made.
  if (!HasRegisteredList(dialog))
    HookWindowMessages(
        dialog,
        {WM_DRAWITEM, WM_MEASUREITEM, WM_ERASEBKGND, WM_DESTROY, WM_NCDESTROY, WM_VKEYTOITEM},
        DLG_Proc);
  Registry().push_back(std::move(list));
  self->Setup(id);
  return self;
}

ZB_OD_LIST* ZB_OD_LIST::Init(OdListDialog& dialog, int id, std::vector<double> widths,
                             int colWidth) {
  if (!IsWindow(dialog.DialogWindow())) return nullptr;
  std::unique_ptr<ZB_OD_LIST> list(new ZB_OD_LIST);
  ZB_OD_LIST* self = list.get();
  self->oParent_ = &dialog;
  self->hwndParent_ = dialog.DialogWindow();
  self->hGreyPen_ = GreyPen();
  self->nHoeheSchrift_ = std::max(1, OdListApp().nHoeBrZe);
  self->aDBFelder_ = widths.empty() ? std::vector<double>{100} : std::move(widths);
  self->nColWidth_ = colWidth;
  dialog.aListen().push_back(std::move(list));
  self->Setup(id);
  return self;
}

void ZB_OD_LIST::Setup(int id) {
  hPattBitmapN_.reset();
  hPattBitmapH_.reset();
  nID_ = id;
  nGesamt = Get_LB_Zeilen();
  // The columns share the client width the list has with its vertical bar: an empty list box
  // hides the bar and takes it back only once its rows need it, and the last column would then
  // lie under it.
  const bool barShown = hwndListe && (GetWindowLongA(hwndListe, GWL_STYLE) & WS_VSCROLL) != 0;
  const int width = odlist::ColumnsWidth(ListClientWidth(), hasVScroll_, barShown,
                                         GetSystemMetrics(SM_CXVSCROLL));
  aDBFelder_ = odlist::PercentToPixels(width, aDBFelder_);
}

ZB_OD_LIST::~ZB_OD_LIST() {
  if (listHook_ && IsWindow(hwndListe)) UnhookWindowMessages(hwndListe, listHook_);
  DeletePatterns();
}

namespace {

// The scroll bars a list box was created with. Without LBS_DISABLENOSCROLL a list box hides a
// bar it does not need, and hiding it takes WS_HSCROLL / WS_VSCROLL out of its window style:
// reading the style of the dialog's (empty) list box would lose them, and the re-created list
// would never show a bar. The old list box is about to be destroyed, so it is asked to need
// both bars (items beyond its height, an extent beyond its width); the bars it was created
// with then show again, and their style bits with them.
LONG OriginalScrollBars(HWND list) {
  LONG style = GetWindowLongA(list, GWL_STYLE);
  const LONG bars = WS_HSCROLL | WS_VSCROLL;
  if ((style & LBS_DISABLENOSCROLL) || (style & bars) == bars) return style & bars;
  RECT client{};
  GetClientRect(list, &client);
  SendMessageA(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(client.right) + 1000, 0);
  const LRESULT itemHeight = SendMessageA(list, LB_GETITEMHEIGHT, 0, 0);
  const LRESULT needed = client.bottom / (itemHeight > 0 ? itemHeight : 1) + 2;
  for (LRESULT i = SendMessageA(list, LB_GETCOUNT, 0, 0); i >= 0 && i < needed; ++i) {
    if (SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("")) < 0) break;
  }
  return GetWindowLongA(list, GWL_STYLE) & bars;
}

}  // namespace

int ZB_OD_LIST::Get_LB_Zeilen() {
  HWND old = GetDlgItem(hwndParent_, nID_);
  if (!old) return 0;
  LONG style = GetWindowLongA(old, GWL_STYLE) | OriginalScrollBars(old);
  lLBS_MULTICOLUMN = (style & LBS_MULTICOLUMN) != 0;
  hasVScroll_ = (style & WS_VSCROLL) != 0;
  const bool hScroll = (style & WS_HSCROLL) != 0;
  RECT rect;
  GetWindowRect(old, &rect);
  const int width = rect.right - rect.left;
  MapWindowPoints(nullptr, hwndParent_, reinterpret_cast<POINT*>(&rect), 2);
  style |= LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT;
  const OdListAppValues& app = OdListApp();
  const DWORD exStyle = !app.appPresent || app.lCtl3d ? 0 : WS_EX_CLIENTEDGE;
  // Border and client edge are outside the rows (and so is the horizontal scroll bar): the
  // height is made of whole rows plus them, so the last row shows in full.
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(style) & ~(WS_HSCROLL | WS_VSCROLL), FALSE,
                     exStyle);
  odlist::RowFit fit =
      odlist::FitWholeRows(rect.bottom - rect.top, frame.bottom - frame.top, hScroll,
                           GetSystemMetrics(SM_CYHSCROLL), nHoeheSchrift_);
  // The new list box takes the old one's place in the tab order.
  HWND before = GetWindow(old, GW_HWNDPREV);
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(hwndParent_, GWLP_HINSTANCE));
  DestroyWindow(old);

  createWidth_ = width;
  hwndListe =
      CreateWindowExA(exStyle, "LISTBOX", nullptr, static_cast<DWORD>(style), rect.left, rect.top,
                      width, fit.height, hwndParent_,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(nID_)), instance, nullptr);
  createWidth_ = 0;
  if (!hwndListe) return fit.rows;
  SetWindowPos(hwndListe, before ? before : HWND_TOP, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  SendMessageA(hwndListe, WM_SETFONT, SendMessageA(hwndParent_, WM_GETFONT, 0, 0), FALSE);

  const bool multipleSel = (style & LBS_MULTIPLESEL) != 0;
  std::vector<UINT> filter{WM_ENABLE,      WM_ERASEBKGND, WM_KEYDOWN,
                           WM_RBUTTONDOWN, kDrawEmpty,    WM_NCDESTROY};
  if (multipleSel) filter.push_back(WM_LBUTTONDOWN);
  listHook_ =
      HookWindowMessages(hwndListe, std::move(filter),
                         [this, multipleSel](HWND, UINT message, WPARAM wParam, LPARAM lParam) {
                           return LB_Proc(message, wParam, lParam, multipleSel);
                         });
  return fit.rows;
}

int ZB_OD_LIST::ListClientWidth() const {
  RECT client{};
  if (hwndListe && GetClientRect(hwndListe, &client)) return client.right;
  return createWidth_;
}

std::vector<double> ZB_OD_LIST::ColumnEdges() const {
  return odlist::ColumnEdges(aDBFelder_);
}

int ZB_OD_LIST::TextEnd(std::string_view row) const {
  if (!IsWindow(hwndListe)) return 0;
  WindowDc dc(hwndListe);
  if (!dc.get()) return 0;
  SelectedObject font(dc.get(),
                      reinterpret_cast<HGDIOBJ>(SendMessageA(hwndListe, WM_GETFONT, 0, 0)));
  return odlist::RowTextEnd(row, ColumnEdges(), [&](std::string_view field) {
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), field.data(), static_cast<int>(field.size()), &size);
    return static_cast<int>(size.cx);
  });
}

ZB_OD_LIST* ZB_OD_LIST::Find(HWND dialog, int id) {
  return FindRegistered(dialog, id);
}

void ZB_OD_LIST::Set_nHoeheSchrift(int height) {
  nHoeheSchrift_ = std::max(1, height);
  DeletePatterns();
  if (IsWindow(hwndListe)) {
    SendMessageA(hwndListe, LB_SETITEMHEIGHT, 0, nHoeheSchrift_);
    InvalidateRect(hwndListe, nullptr, TRUE);
  }
}

void ZB_OD_LIST::RenewColours() {
  COLORREF window = GetSysColor(COLOR_WINDOW);
  COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  if (coloursKnown_ && window == nWindowColor_ && grey == nPenColor_) return;
  nWindowColor_ = window;
  nPenColor_ = grey;
  coloursKnown_ = true;
  DeletePatterns();
}

void ZB_OD_LIST::DeletePatterns() {
  hPattBitmapN_.reset();
  hPattBitmapH_.reset();
}

OwnedBitmap ZB_OD_LIST::PaintPattern(HDC compatible, int w, int h, COLORREF background) const {
  OwnedBitmap pattern(CreateCompatibleBitmap(compatible, w, h));
  OwnedMemoryDc dc(CreateCompatibleDC(compatible));
  if (!pattern || !dc) return {};
  {
    SelectedObject bitmap(dc.get(), pattern.get());
    FillSolid(dc.get(), RECT{0, 0, w, h}, background);
    SelectedObject pen(dc.get(), hGreyPen_);
    MoveToEx(dc.get(), 0, h - 1, nullptr);
    LineTo(dc.get(), w, h - 1);
    for (int x : odlist::GridLineColumns(ColumnEdges(), w)) {
      MoveToEx(dc.get(), x, 0, nullptr);
      LineTo(dc.get(), x, h);
    }
  }
  return pattern;
}

int ZB_OD_LIST::OnDrawItem(int id, const DRAWITEMSTRUCT& record) {
  if (static_cast<int>(record.CtlID) != nID_ || id != nID_) return 0;
  RECT row = record.rcItem;
  if (record.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    // The row reaches as far as the list shows or scrolls: the wider of its client width and
    // its horizontal extent.
    const LRESULT extent = SendMessageA(hwndListe, LB_GETHORIZONTALEXTENT, 0, 0);
    row.right =
        row.left + std::max(ListClientWidth(), static_cast<int>(std::max<LRESULT>(extent, 0)));
    const int w = row.right - row.left;
    const int h = row.bottom - row.top;
    if (w <= 0 || h <= 0) return 1;
    if (!DrawRowOffscreen(record, row, w, h)) return 1;
    if (record.itemState & ODS_FOCUS) {
      RECT focus{row.left, row.top, row.right, row.bottom - 1};
      DrawFocusRect(record.hDC, &focus);
    }
  } else if (record.itemAction & ODA_FOCUS) {
    RECT focus{row.left, row.top, row.right, row.bottom - 1};
    DrawFocusRect(record.hDC, &focus);
  }
  return 1;
}

// The row drawn in a memory bitmap first, then copied to the list in one piece (no flicker);
// false when the memory bitmap cannot be had.
bool ZB_OD_LIST::DrawRowOffscreen(const DRAWITEMSTRUCT& record, const RECT& row, int w, int h) {
  OwnedMemoryDc offscreenDc(CreateCompatibleDC(record.hDC));
  OwnedBitmap image(CreateCompatibleBitmap(record.hDC, w, h));
  if (!offscreenDc || !image) return false;
  const HDC offscreen = offscreenDc.get();
  SelectedObject imageSelected(offscreen, image.get());
  RenewColours();

  const bool selected = (record.itemState & ODS_SELECTED) != 0;
  COLORREF background = selected ? GetSysColor(COLOR_HIGHLIGHT) : nWindowColor_;
  COLORREF textColour = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
  OwnedBitmap& pattern = selected ? hPattBitmapH_ : hPattBitmapN_;
  SIZE& patternSize = selected ? pattSizeH_ : pattSizeN_;
  if (pattern && (patternSize.cx != w || patternSize.cy != h))  // the row size changed
    pattern.reset();
  if (!pattern) {
    pattern = PaintPattern(record.hDC, w, h, background);
    patternSize = SIZE{w, h};
  }
  if (pattern) {
    OwnedMemoryDc patternDc(CreateCompatibleDC(record.hDC));
    SelectedObject patternSelected(patternDc.get(), pattern.get());
    BitBlt(offscreen, 0, 0, w, h, patternDc.get(), 0, 0, SRCCOPY);
  } else {
    FillSolid(offscreen, RECT{0, 0, w, h}, background);
  }
  SelectedObject font(offscreen,
                      reinterpret_cast<HGDIOBJ>(SendMessageA(hwndListe, WM_GETFONT, 0, 0)));

  std::string text = ItemText(hwndListe, record.itemID);
  SetTextColor(offscreen, odlist::RowColour(text).value_or(textColour));
  SetBkColor(offscreen, background);
  const odlist::RowLayout layout =
      odlist::LayoutRow(text, ColumnEdges(), w, [&](std::string_view field) {
        SIZE size{};
        GetTextExtentPoint32A(offscreen, field.data(), static_cast<int>(field.size()), &size);
        return static_cast<int>(size.cx);
      });
  // No grid line under text that runs on; the row's bottom line stays.
  for (int x : layout.hiddenGridLines) FillSolid(offscreen, RECT{x, 0, x + 1, h - 1}, background);
  const std::vector<std::string_view> fields = odlist::SplitFields(text);
  for (const odlist::FieldPlacement& placed : layout.fields) {
    RECT cell{placed.left, 0, placed.right, h};
    const std::string_view shown = fields[placed.field];
    DrawTextA(offscreen, shown.data(), static_cast<int>(shown.size()), &cell, kDrawTextFlags);
  }
  BitBlt(record.hDC, row.left, row.top, w, h, offscreen, 0, 0, SRCCOPY);
  return true;
}

int ZB_OD_LIST::DrawMultColItem(int id, const DRAWITEMSTRUCT& record) {
  if (static_cast<int>(record.CtlID) != nID_ || id != nID_) return 0;
  std::string text = ItemText(hwndListe, record.itemID);
  const RECT& cell = record.rcItem;
  if (record.itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) {
    const bool highlighted = (record.itemState & ODS_SELECTED) && !text.empty();
    COLORREF background = GetSysColor(highlighted ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    COLORREF textColour = GetSysColor(highlighted ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
    FillSolid(record.hDC, RECT{cell.left, cell.top + 1, cell.right, cell.bottom}, background);
    std::string_view first = odlist::DrawnFields(text, 1).front();
    while (!first.empty() && first.front() == ' ') first.remove_prefix(1);
    while (!first.empty() && first.back() == ' ') first.remove_suffix(1);
    std::string shown(first);
    shown += ' ';
    RECT textRect{cell.left + 2, cell.top, cell.right - 2, cell.bottom};
    COLORREF previousText = SetTextColor(record.hDC, textColour);
    COLORREF previousBk = SetBkColor(record.hDC, background);
    DrawTextA(record.hDC, shown.c_str(), static_cast<int>(shown.size()), &textRect, kDrawTextFlags);
    SetTextColor(record.hDC, previousText);
    SetBkColor(record.hDC, previousBk);
    {
      SelectedObject pen(record.hDC, hGreyPen_);
      MoveToEx(record.hDC, cell.right - 1, cell.top, nullptr);
      LineTo(record.hDC, cell.right - 1, cell.bottom);
      MoveToEx(record.hDC, cell.left, cell.bottom, nullptr);
      LineTo(record.hDC, cell.right, cell.bottom);
    }
    if ((record.itemState & ODS_SELECTED) && text.empty())
      SendMessageA(hwndListe, LB_SETSEL, FALSE, record.itemID);
    if (!text.empty() && (record.itemState & ODS_FOCUS)) DrawFocusRect(record.hDC, &cell);
  } else if ((record.itemAction & ODA_FOCUS) && !text.empty()) {
    DrawFocusRect(record.hDC, &cell);
  }
  return 1;
}

int ZB_OD_LIST::MEASUREITEM(int id, MEASUREITEMSTRUCT& record) {
  if (id == 0) id = static_cast<int>(record.CtlID);
  if (id != nID_) return 0;
  if (lLBS_MULTICOLUMN) {
    if (nColWidth_ == 0) nColWidth_ = odlist::MultiColumnWidth(ListClientWidth());
    record.itemWidth = static_cast<UINT>(nColWidth_);
  }
  record.itemHeight = static_cast<UINT>(nHoeheSchrift_);
  return 1;
}

void ZB_OD_LIST::ERASEBKGND(HDC dc) {
  if (!IsWindow(hwndListe) || !IsWindowVisible(hwndListe)) return;
  RECT rect;
  GetWindowRect(hwndListe, &rect);
  MapWindowPoints(nullptr, hwndParent_, reinterpret_cast<POINT*>(&rect), 2);
  rect.bottom -= 1 + GetSystemMetrics(SM_CYHSCROLL);
  ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
}

std::optional<LRESULT> ZB_OD_LIST::LB_Proc(UINT message, WPARAM wParam, LPARAM lParam,
                                           bool multipleSel) {
  switch (message) {
    case WM_ERASEBKGND: {
      if (lLBS_MULTICOLUMN) return 0;
      LRESULT count = SendMessageA(hwndListe, LB_GETCOUNT, 0, 0);
      LRESULT top = SendMessageA(hwndListe, LB_GETTOPINDEX, 0, 0);
      if (count - top < nGesamt) PostMessageA(hwndListe, kDrawEmpty, nID_, 0);
      return 1;  // the rows paint their own background
    }
    case WM_RBUTTONDOWN:
      if (oParent_ && oParent_->HasGather()) {
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        HWND dialog = oParent_->DialogWindow();
        MapWindowPoints(hwndListe, dialog, &point, 1);
        PostMessageA(dialog, WM_RBUTTONDOWN, wParam, MAKELPARAM(point.x, point.y));
      }
      return std::nullopt;
    case WM_LBUTTONDOWN:
      PostMessageA(GetParent(hwndListe), WM_COMMAND, MAKEWPARAM(nID_, LBN_SELCHANGE),
                   reinterpret_cast<LPARAM>(hwndListe));
      return std::nullopt;
    case WM_ENABLE:
      if (SendMessageA(hwndListe, LB_GETCOUNT, 0, 0) <= 0) return 0;
      return std::nullopt;
    case kDrawEmpty:
      DrawEmptyList(static_cast<int>(wParam));
      return std::nullopt;
    case WM_KEYDOWN: {
      std::optional<odlist::NavKey> key = odlist::NavKeyFromVirtualKey(static_cast<int>(wParam));
      if (!key) return std::nullopt;
      int cur = static_cast<int>(
          SendMessageA(hwndListe, multipleSel ? LB_GETCARETINDEX : LB_GETCURSEL, 0, 0));
      int count = static_cast<int>(SendMessageA(hwndListe, LB_GETCOUNT, 0, 0));
      if (std::optional<int> target = odlist::NavigationTarget(*key, cur, count, nGesamt)) {
        if (multipleSel)
          SendMessageA(hwndListe, LB_SETCARETINDEX, *target, FALSE);
        else
          SendMessageA(hwndListe, LB_SETCURSEL, *target, 0);
        SendMessageA(hwndParent_, WM_COMMAND, MAKEWPARAM(nID_, LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(hwndListe));
      }
      return 0;  // the list box never sees these keys
    }
    case WM_NCDESTROY:
      listHook_ = 0;  // the hook goes with the window
      return std::nullopt;
    default:
      return std::nullopt;
  }
}

void ZB_OD_LIST::DrawEmptyList(int id) {
  if (id != nID_ || !IsWindow(hwndListe)) return;
  RECT client;
  GetClientRect(hwndListe, &client);
  const int w = client.right;
  const int h = nHoeheSchrift_;
  if (w <= 0) return;
  WindowDc dc(hwndListe);
  if (!dc.get()) return;
  RenewColours();
  HBITMAP pattern = hPattBitmapN_.get();
  OwnedBitmap temporary;
  if (!pattern || pattSizeN_.cx < w || pattSizeN_.cy != h) {
    temporary = PaintPattern(dc.get(), w, h, nWindowColor_);
    pattern = temporary.get();
  }
  if (pattern) {
    OwnedMemoryDc patternDc(CreateCompatibleDC(dc.get()));
    SelectedObject patternSelected(patternDc.get(), pattern);
    int count = static_cast<int>(SendMessageA(hwndListe, LB_GETCOUNT, 0, 0));
    int top = static_cast<int>(SendMessageA(hwndListe, LB_GETTOPINDEX, 0, 0));
    for (int y : odlist::EmptyRowTops(count, top, nGesamt, h))
      BitBlt(dc.get(), 0, y, w, h, patternDc.get(), 0, 0, SRCCOPY);
  }
}

LRESULT ZB_OD_LIST::OnVKEYTOITEM(WPARAM wParam, HWND listBox) {
  const int key = LOWORD(wParam);
  const bool ctrl = GetKeyState(VK_CONTROL) < 0;
  switch (odlist::ClassifyVKey(key, ctrl)) {
    case odlist::VKeyAction::kPageLeft:
      SendMessageA(listBox, WM_HSCROLL, MAKEWPARAM(SB_PAGELEFT, 0), 0);
      return -2;
    case odlist::VKeyAction::kPageRight:
      SendMessageA(listBox, WM_HSCROLL, MAKEWPARAM(SB_PAGERIGHT, 0), 0);
      return -2;
    case odlist::VKeyAction::kSwallow:
      return -2;
    case odlist::VKeyAction::kDoubleClick:
      if (GetWindowLongA(listBox, GWL_STYLE) & LBS_MULTIPLESEL) {
        LRESULT cur = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
        // Index −1 would select or clear every item: toggle only a current item.
        if (cur >= 0) {
          LRESULT selected = SendMessageA(listBox, LB_GETSEL, cur, 0);
          SendMessageA(listBox, LB_SETSEL, selected > 0 ? FALSE : TRUE, cur);
        }
      }
      PostMessageA(listBox, WM_LBUTTONDBLCLK, 0, 0);
      return -2;
    case odlist::VKeyAction::kTypeAhead: {
      LRESULT cur = SendMessageA(listBox, LB_GETCURSEL, 0, 0);
      char letter[2] = {static_cast<char>(key), '\0'};
      LRESULT found = SendMessageA(listBox, LB_FINDSTRING, cur, reinterpret_cast<LPARAM>(letter));
      if (found == cur || found == LB_ERR) SendMessageA(listBox, LB_SETCURSEL, -1, 0);
      return -1;
    }
    case odlist::VKeyAction::kDefault:
      return -1;
  }
  return -1;
}

void ZB_OD_LIST::OnDestroy() {
  DeletePatterns();
}

void ZB_OD_LIST::OnNCDestroy() {
  DeletePatterns();
}

}  // namespace tabrix
