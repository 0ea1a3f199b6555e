// ZB_OD_LIST on real dialogs under the platform: the re-created list box, rows drawn through
// real WM_DRAWITEM messages into memory device contexts, the keyboard rules through real key
// messages, the empty grid rows on screen, both modes.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "framework/dialog_template_win.h"
#include "framework/od_list_win.h"

namespace tabrix {
namespace {

using testing_support::DialogTemplate;
using testing_support::kListBoxClass;
using testing_support::PumpPending;

constexpr int kListId = 101;
constexpr int kSecondListId = 102;
constexpr DWORD kPlainListStyle = LBS_NOINTEGRALHEIGHT | WS_TABSTOP;

// What the dialog's own procedure saw: notifications and requests the lists did not take.
struct DialogLog {
  std::vector<std::pair<int, int>> commands;  // (control id, notification code)
  std::vector<int> unhandledDrawIds;
};

INT_PTR CALLBACK LoggingDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return TRUE;
  }
  auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!log) return FALSE;
  if (message == WM_COMMAND) log->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
  if (message == WM_DRAWITEM)
    log->unhandledDrawIds.push_back(
        static_cast<int>(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlID));
  return FALSE;
}

// A visible dialog with list boxes `ids` (style `listStyle`), each moved to `width` × `height`
// pixels below each other before the lists replace them.
HWND CreateListDialog(DialogLog& log, const std::vector<int>& ids, DWORD listStyle, int width,
                      int height) {
  DialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 300, 220, L"Listen");
  for (std::size_t k = 0; k < ids.size(); ++k)
    dialogTemplate.Add(kListBoxClass, static_cast<WORD>(ids[k]), listStyle, 5,
                       static_cast<short>(5 + 90 * k), 150, 60);
  HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.get(), nullptr,
                                           LoggingDialogProc, reinterpret_cast<LPARAM>(&log));
  for (std::size_t k = 0; k < ids.size(); ++k)
    MoveWindow(GetDlgItem(dialog, ids[k]), 10, static_cast<int>(10 + (height + 10) * k), width,
               height, FALSE);
  return dialog;
}

// Application values for one test; the defaults come back afterwards.
class AppValuesScope {
 public:
  explicit AppValuesScope(OdListAppValues values) : saved_(OdListApp()) { OdListApp() = values; }
  ~AppValuesScope() { OdListApp() = saved_; }

 private:
  OdListAppValues saved_;
};

OdListAppValues PlainLists() {
  OdListAppValues values;
  values.lCtl3d = true;  // no client edge: the client area is the window
  return values;
}

// The colour of canvas pixels nothing has drawn on: no system colour.
constexpr COLORREF kUntouched = RGB(1, 2, 3);

// A memory device context compatible with the screen to draw rows into and read back.
class Canvas {
 public:
  Canvas(int w, int h) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, w, h};
    HBRUSH brush = CreateSolidBrush(kUntouched);
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
  // Pixels of `colour` in columns [left, right) of rows [top, bottom).
  int Count(COLORREF colour, int left, int top, int right, int bottom) const {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += At(x, y) == colour;
    return n;
  }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

// Asks the dialog to draw item `item` of list `id` into the canvas, as the list box would.
void SendDrawItem(HWND dialog, int id, int item, UINT state, const Canvas& canvas, RECT row) {
  DRAWITEMSTRUCT record{};
  record.CtlType = ODT_LISTBOX;
  record.CtlID = static_cast<UINT>(id);
  record.itemID = static_cast<UINT>(item);
  record.itemAction = ODA_DRAWENTIRE;
  record.itemState = state;
  record.hwndItem = GetDlgItem(dialog, id);
  record.hDC = canvas.dc();
  record.rcItem = row;
  SendMessageW(dialog, WM_DRAWITEM, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&record));
}

void AddItems(HWND list, const std::vector<std::string>& items) {
  for (const std::string& item : items)
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

class OdListTest : public testing::Test {
 protected:
  void TearDown() override {
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    PumpPending();
  }
  HWND dialog_ = nullptr;
  DialogLog log_;
};

TEST_F(OdListTest, ReplacesTheListBoxByWholeRowsWithTheSameIdPlaceAndFont) {
  struct Case {
    bool appPresent;
    bool lCtl3d;
    DWORD extraStyle;
    int rows;
    int windowHeight;
    bool clientEdge;
  };
  const int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
  ASSERT_EQ(scrollBar, 17);  // the heights below are worked out for it
  // Border, client edge (2 + 2) and horizontal scroll bar are outside the rows: the list shows
  // whole rows only and stays inside its place of 140 pixels.
  constexpr DWORD kHScroll = WS_HSCROLL | LBS_DISABLENOSCROLL;
  constexpr int kAnyHeight = -1;
  const Case cases[] = {
      {true, false, kHScroll, 5, 121, true},  // the application's default: sunken edge
      {true, true, kHScroll, 6, 137, false},
      {false, false, kHScroll, 6, 137, false},
      {true, true, 0, 7, 140, false},
      {true, false, 0, 6, 124, true},
      // Border and edge together: how many pixels they take is the window system's business
      // (Wine draws only the edge); the client check below holds either way.
      {true, false, WS_BORDER | WS_VSCROLL, 6, kAnyHeight, true},
      // Bars shown only when needed: the re-created list keeps them all the same.
      {true, true, WS_HSCROLL, 6, 137, false},
      {true, true, WS_VSCROLL, 7, 140, false},
      {true, true, WS_HSCROLL | WS_VSCROLL, 6, 137, false},
  };
  for (const Case& c : cases) {
    OdListAppValues values;
    values.appPresent = c.appPresent;
    values.lCtl3d = c.lCtl3d;
    AppValuesScope scope(values);
    DialogLog log;
    HWND dialog = CreateListDialog(log, {kListId}, kPlainListStyle | c.extraStyle, 300, 140);
    ASSERT_NE(dialog, nullptr);
    HWND original = GetDlgItem(dialog, kListId);
    RECT before;
    GetWindowRect(original, &before);
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));

    ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, kListId, {70, 15, 15});
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->nGesamt, c.rows);
    ASSERT_TRUE(IsWindow(list->hwndListe));
    EXPECT_EQ(GetDlgItem(dialog, kListId), list->hwndListe);
    EXPECT_EQ(GetDlgCtrlID(list->hwndListe), kListId);
    RECT after;
    GetWindowRect(list->hwndListe, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 300);
    if (c.windowHeight == kAnyHeight) {
      EXPECT_LE(after.bottom - after.top, 140);
    } else {
      EXPECT_EQ(after.bottom - after.top, c.windowHeight)
          << c.appPresent << c.lCtl3d << " style " << c.extraStyle;
    }
    EXPECT_EQ((GetWindowLongW(list->hwndListe, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0, c.clientEdge);
    LONG style = GetWindowLongW(list->hwndListe, GWL_STYLE);
    EXPECT_EQ(style & (LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT),
              LBS_NOTIFY | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT);
    // The bars of the original: shown once they are needed (wider and longer than the list).
    SendMessageA(list->hwndListe, LB_SETHORIZONTALEXTENT, 1000, 0);
    AddItems(list->hwndListe, std::vector<std::string>(30, "Zeile"));
    style = GetWindowLongW(list->hwndListe, GWL_STYLE);
    EXPECT_EQ(style & (WS_HSCROLL | WS_VSCROLL), c.extraStyle & (WS_HSCROLL | WS_VSCROLL))
        << " style " << c.extraStyle;
    // Every row shown is whole.
    RECT client;
    GetClientRect(list->hwndListe, &client);
    EXPECT_EQ(client.bottom, c.rows * 20) << " style " << c.extraStyle;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(list->hwndListe, WM_GETFONT, 0, 0)), dialogFont);
    // The row size came from the list while the list box was being created.
    EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETITEMHEIGHT, 0, 0), 20);
    DestroyWindow(dialog);
  }
}

TEST_F(OdListTest, ThreeColumnsOn300PixelsAndTheirGrid) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 300, 140);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {70, 15, 15});
  EXPECT_THAT(list->ColumnEdges(), testing::ElementsAre(0, 210, 255, 300));
  AddItems(list->hwndListe, {"Name\t\t10"});

  Canvas canvas(300, 20);
  SendDrawItem(dialog_, kListId, 0, 0, canvas, RECT{0, 0, 300, 20});
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  for (int x : {209, 254, 299})
    for (int y : {0, 10, 18}) EXPECT_EQ(canvas.At(x, y), grey) << x << "," << y;
  for (int x : {0, 100, 210, 255, 298}) EXPECT_EQ(canvas.At(x, 19), grey) << x;
  for (int x : {0, 1, 2, 208, 210, 211, 212, 256}) EXPECT_EQ(canvas.At(x, 1), window) << x;
  // "Name" in column 1 starting at 3, nothing in column 2, "10" in column 3 starting at 258.
  EXPECT_GT(canvas.Count(text, 3, 0, 209, 19), 10);
  EXPECT_EQ(canvas.Count(text, 0, 0, 3, 19), 0);
  EXPECT_EQ(canvas.Count(text, 209, 0, 258, 19), 0);
  EXPECT_GT(canvas.Count(text, 258, 0, 299, 19), 5);
  EXPECT_TRUE(log_.unhandledDrawIds.empty());
}

// Pixels of `colour` that `text` shows when drawn alone, unclipped, in `font` as a row draws it.
int PixelsOfTextAlone(HFONT font, const std::string& text, COLORREF colour, COLORREF background) {
  Canvas alone(1000, 20);
  HGDIOBJ previous = font ? SelectObject(alone.dc(), font) : nullptr;
  SetTextColor(alone.dc(), colour);
  SetBkColor(alone.dc(), background);
  RECT all{0, 0, 1000, 20};
  DrawTextA(alone.dc(), text.c_str(), static_cast<int>(text.size()), &all,
            DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  if (previous) SelectObject(alone.dc(), previous);
  return alone.Count(colour, 0, 0, 1000, 20);
}

// The grid line columns of 70/15/15 on 300 pixels.
constexpr int kGridLines[] = {209, 254, 299};

TEST_F(OdListTest, FieldsRunOnOverEmptyColumnsAndFieldsBeyondTheColumnsFollow) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 300, 140);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {70, 15, 15});
  ASSERT_THAT(list->ColumnEdges(), testing::ElementsAre(0, 210, 255, 300));
  const auto font = reinterpret_cast<HFONT>(SendMessageW(list->hwndListe, WM_GETFONT, 0, 0));
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  struct Case {
    const char* what;
    std::string text;
    int extent;
    std::vector<int> hiddenLines;  // no grid line drawn under running-on text
  };
  // The converter's rows, the long ones scrolled into reach by a 500-pixel extent.
  const Case cases[] = {
      {"source row", "KDNAME\t\t30", 0, {}},
      {"assigned slot", "Name\t      <-\t\tKDNAME", 500, {254}},
      // In the dialogs' font this text needs more than the 86 pixels to the columns' end.
      {"postal code slot", "PLZ\t    aus Ortsnamen", 500, {254, 299}},
      {"notes row", "Notizen\t99% frei <- A; B", 500, {254}},
      {"remark row", "Bemerkung\t26 Zeichen frei  <- A; B", 500, {254, 299}},
      {"coloured row", "Land\tC\t3\t!C255", 500, {}},
  };
  for (const Case& c : cases) {
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
      SCOPED_TRACE(std::string(c.what) + (state ? " selected" : ""));
      SendMessageW(list->hwndListe, LB_RESETCONTENT, 0, 0);
      SendMessageW(list->hwndListe, LB_SETHORIZONTALEXTENT, c.extent, 0);
      AddItems(list->hwndListe, {c.text});
      const COLORREF background = GetSysColor(state ? COLOR_HIGHLIGHT : COLOR_WINDOW);
      const COLORREF text = c.text.find("!C255") != std::string::npos
                                ? RGB(255, 0, 0)
                                : GetSysColor(state ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
      Canvas canvas(600, 20);
      SendDrawItem(dialog_, kListId, 0, state, canvas, RECT{0, 0, 300, 20});
      // Every field with text is drawn whole and apart from the others: the row shows exactly
      // the text pixels its fields show alone. The colour field is no text.
      int alone = 0;
      std::string rest = c.text;
      for (std::size_t tab; !rest.empty();
           rest = tab == std::string::npos ? "" : rest.substr(tab + 1)) {
        tab = rest.find('\t');
        const std::string field = rest.substr(0, tab);
        if (!field.starts_with("!C"))
          alone += PixelsOfTextAlone(font, field + " ", text, background);
      }
      const int rowEnd = std::max(300, c.extent);
      EXPECT_EQ(canvas.Count(text, 0, 0, rowEnd, 19), alone);
      EXPECT_EQ(canvas.Count(text, 0, 0, 3, 20), 0);
      // The row reaches to its end and no further; its bottom line runs along all of it.
      EXPECT_EQ(canvas.At(rowEnd - 1, 2), rowEnd > 300 ? background : grey);
      EXPECT_EQ(canvas.At(rowEnd, 2), kUntouched);
      EXPECT_EQ(canvas.At(rowEnd - 1, 19), grey);
      // A line under running-on text is gone from top to bottom; the others stay.
      for (int x : kGridLines) {
        const bool hidden =
            std::find(c.hiddenLines.begin(), c.hiddenLines.end(), x) != c.hiddenLines.end();
        EXPECT_EQ(canvas.Count(grey, x, 0, x + 1, 19), hidden ? 0 : 19) << "line " << x;
      }
    }
  }
  // The assigned source field is drawn beyond the second column, the remark's text beyond the
  // list's width.
  SendMessageW(list->hwndListe, LB_RESETCONTENT, 0, 0);
  SendMessageW(list->hwndListe, LB_SETHORIZONTALEXTENT, 500, 0);
  AddItems(list->hwndListe, {"Name\t      <-\t\tKDNAME", "Bemerkung\t26 Zeichen frei  <- A; B"});
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  Canvas slot(600, 20), remark(600, 20);
  SendDrawItem(dialog_, kListId, 0, 0, slot, RECT{0, 0, 300, 20});
  SendDrawItem(dialog_, kListId, 1, 0, remark, RECT{0, 0, 300, 20});
  EXPECT_GT(slot.Count(text, 258, 0, 500, 19), 10);
  EXPECT_GT(remark.Count(text, 300, 0, 500, 19), 10);
}

TEST_F(OdListTest, WithoutAnExtentALongRowEndsAtTheListsWidth) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 300, 140);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {70, 15, 15});
  AddItems(list->hwndListe, {"Bemerkung\t26 Zeichen frei  <- A; B; C; D; E; F; G; H"});
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  Canvas canvas(600, 20);
  SendDrawItem(dialog_, kListId, 0, 0, canvas, RECT{0, 0, 300, 20});
  EXPECT_GT(canvas.Count(text, 258, 0, 299, 19), 10);  // over the empty third column
  EXPECT_EQ(canvas.Count(text, 299, 0, 600, 20), 0);   // clipped before the row's last pixel
  EXPECT_EQ(canvas.At(300, 2), kUntouched);
}

// A row as the list drew it before its fields could run on: the row's background, its bottom
// line and each column's last pixel in grey, and field k (with a blank) clipped to the text
// span of column k.
void DrawAsBefore(HDC dc, HFONT font, const std::vector<std::string>& fields,
                  const std::vector<std::pair<int, int>>& spans, const std::vector<int>& lines,
                  COLORREF textColour, COLORREF background) {
  RECT all{0, 0, 300, 20};
  HBRUSH brush = CreateSolidBrush(background);
  FillRect(dc, &all, brush);
  DeleteObject(brush);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT));
  HGDIOBJ previousPen = SelectObject(dc, pen);
  MoveToEx(dc, 0, 19, nullptr);
  LineTo(dc, 300, 19);
  for (int x : lines) {
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, 20);
  }
  SelectObject(dc, previousPen);
  DeleteObject(pen);
  HGDIOBJ previousFont = font ? SelectObject(dc, font) : nullptr;
  SetTextColor(dc, textColour);
  SetBkColor(dc, background);
  for (std::size_t k = 0; k < spans.size() && k < fields.size(); ++k) {
    RECT cell{spans[k].first, 0, spans[k].second, 20};
    const std::string shown = fields[k] + " ";
    DrawTextA(dc, shown.c_str(), static_cast<int>(shown.size()), &cell,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  }
  if (previousFont) SelectObject(dc, previousFont);
}

TEST_F(OdListTest, RowsThatFitTheirColumnsLookAsBefore) {
  AppValuesScope scope(PlainLists());
  struct Case {
    std::vector<double> widths;
    std::string text;
    std::vector<std::string> fields;  // drawn, one per column
    COLORREF colour;                  // CLR_INVALID: the system's text colour
  };
  const std::vector<double> three{70, 15, 15};
  const std::vector<double> one{100};
  const Case cases[] = {
      {three, "KDNAME\t\t30", {"KDNAME", "", "30"}, CLR_INVALID},
      {three, "Name\tC\t40", {"Name", "C", "40"}, CLR_INVALID},
      {three, "Land\tC\t3\t!C255", {"Land", "C", "3"}, RGB(255, 0, 0)},
      {three, "Name\t!C255\t10", {"Name", "!C255", "10"}, RGB(255, 0, 0)},
      {one, "Name\t!C65280", {"Name"}, RGB(0, 255, 0)},
      {one, "Spalte\tDaten", {"Spalte"}, CLR_INVALID},
  };
  for (const Case& c : cases) {
    for (UINT state : {0u, static_cast<UINT>(ODS_SELECTED)}) {
      SCOPED_TRACE(c.text + (state ? " selected" : ""));
      DialogLog log;
      HWND dialog = CreateListDialog(log, {kListId}, kPlainListStyle, 300, 140);
      ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, kListId, c.widths);
      AddItems(list->hwndListe, {c.text});
      const auto font = reinterpret_cast<HFONT>(SendMessageW(list->hwndListe, WM_GETFONT, 0, 0));
      const bool threeColumns = c.widths.size() == 3;
      const std::vector<std::pair<int, int>> spans =
          threeColumns ? std::vector<std::pair<int, int>>{{3, 209}, {213, 254}, {258, 299}}
                       : std::vector<std::pair<int, int>>{{3, 299}};
      const std::vector<int> lines =
          threeColumns ? std::vector<int>{209, 254, 299} : std::vector<int>{299};
      const COLORREF colour = c.colour != CLR_INVALID
                                  ? c.colour
                                  : GetSysColor(state ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT);
      Canvas drawn(300, 20), before(300, 20);
      SendDrawItem(dialog, kListId, 0, state, drawn, RECT{0, 0, 300, 20});
      DrawAsBefore(before.dc(), font, c.fields, spans, lines, colour,
                   GetSysColor(state ? COLOR_HIGHLIGHT : COLOR_WINDOW));
      int differing = 0;
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 300; ++x) differing += drawn.At(x, y) != before.At(x, y);
      EXPECT_EQ(differing, 0);
      EXPECT_GT(drawn.Count(colour, 0, 0, 300, 20), 10);
      DestroyWindow(dialog);
      PumpPending();
    }
  }
}

TEST_F(OdListTest, ColumnsNeverEndUnderTheVerticalScrollBar) {
  const int bar = GetSystemMetrics(SM_CXVSCROLL);
  struct Case {
    bool clientEdge;
    DWORD style;
    int rows;          // added after Init
    int columnsWidth;  // where the last column ends
  };
  // A 300-pixel list; the sunken client edge takes 2 + 2 pixels.
  const Case cases[] = {
      {false, WS_VSCROLL, 30, 300 - bar},  // the bar comes with the rows
      {false, WS_VSCROLL, 2, 300 - bar},   // ... and its place stays free without it
      {false, WS_VSCROLL | LBS_DISABLENOSCROLL, 30, 300 - bar},
      {true, WS_VSCROLL, 30, 296 - bar},
      {true, WS_VSCROLL | LBS_DISABLENOSCROLL, 2, 296 - bar},
      {false, 0, 30, 300},  // no bar: the whole width
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "style " << c.style << " rows " << c.rows << " edge " << c.clientEdge);
    OdListAppValues values;
    values.appPresent = true;
    values.lCtl3d = !c.clientEdge;
    AppValuesScope scope(values);
    DialogLog log;
    HWND dialog = CreateListDialog(log, {kListId}, kPlainListStyle | c.style, 300, 140);
    ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, kListId, {70, 15, 15});
    ASSERT_NE(list, nullptr);
    EXPECT_DOUBLE_EQ(list->ColumnEdges().back(), c.columnsWidth);
    for (int k = 0; k < c.rows; ++k)
      AddItems(list->hwndListe, {"FELD" + std::to_string(k) + "\t\t30"});
    ShowWindow(dialog, SW_SHOW);
    InvalidateRect(list->hwndListe, nullptr, TRUE);
    UpdateWindow(list->hwndListe);
    PumpPending();
    RECT client;
    GetClientRect(list->hwndListe, &client);
    if (c.rows > list->nGesamt && (c.style & WS_VSCROLL)) {
      EXPECT_EQ(client.right, c.columnsWidth);  // the bar is there now, beside the columns
    }
    // The last column's grid line and its field show on the screen, inside the client area.
    Canvas screen(client.right, client.bottom);
    HDC listDc = GetDC(list->hwndListe);
    BitBlt(screen.dc(), 0, 0, client.right, client.bottom, listDc, 0, 0, SRCCOPY);
    ReleaseDC(list->hwndListe, listDc);
    const int lastLine = c.columnsWidth - 1;
    ASSERT_LT(lastLine, client.right);
    EXPECT_EQ(screen.At(lastLine, 5), GetSysColor(COLOR_GRAYTEXT));
    const int thirdColumn = static_cast<int>(list->ColumnEdges()[2]);
    EXPECT_GT(screen.Count(GetSysColor(COLOR_WINDOWTEXT), thirdColumn, 0, lastLine, 19), 5);
    DestroyWindow(dialog);
    PumpPending();
  }
}

TEST_F(OdListTest, RowColoursAndHighlight) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 140);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);  // one column
  AddItems(list->hwndListe, {"Name\t!C255", "Name", "Name\t!C65280"});
  const COLORREF red = RGB(255, 0, 0);
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  ASSERT_EQ(red, 255u);

  struct Case {
    int item;
    UINT state;
    COLORREF expectedText;
    COLORREF background;
  };
  const Case cases[] = {
      {0, 0, red, GetSysColor(COLOR_WINDOW)},
      {1, 0, text, GetSysColor(COLOR_WINDOW)},
      {2, 0, RGB(0, 255, 0), GetSysColor(COLOR_WINDOW)},
      {1, ODS_SELECTED, GetSysColor(COLOR_HIGHLIGHTTEXT), GetSysColor(COLOR_HIGHLIGHT)},
      {0, ODS_SELECTED, red, GetSysColor(COLOR_HIGHLIGHT)},  // the row's colour wins
  };
  for (const Case& c : cases) {
    Canvas canvas(200, 20);
    SendDrawItem(dialog_, kListId, c.item, c.state, canvas, RECT{0, 0, 200, 20});
    int wanted = canvas.Count(c.expectedText, 3, 0, 199, 19);
    EXPECT_GT(wanted, 10) << "item " << c.item << " state " << c.state;
    for (COLORREF other : {red, text, COLORREF{RGB(0, 255, 0)}}) {
      if (other != c.expectedText) {
        EXPECT_EQ(canvas.Count(other, 0, 0, 200, 20), 0) << "item " << c.item;
      }
    }
    EXPECT_EQ(canvas.At(1, 1), c.background);
    // Only the first field is drawn: the colour field's text is not.
    Canvas nameOnly(200, 20);
    SendMessageA(list->hwndListe, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Name"));
    int last = static_cast<int>(SendMessageA(list->hwndListe, LB_GETCOUNT, 0, 0)) - 1;
    SendDrawItem(dialog_, kListId, last, c.state, nameOnly, RECT{0, 0, 200, 20});
    SendMessageA(list->hwndListe, LB_DELETESTRING, last, 0);
    EXPECT_EQ(canvas.Count(c.expectedText, 0, 0, 200, 20),
              nameOnly.Count(c.state ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text, 0, 0, 200, 20));
  }
}

TEST_F(OdListTest, FocusRectangleAndRequestsForOtherControls) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 140);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  AddItems(list->hwndListe, {"Eins"});
  Canvas plain(200, 20), focused(200, 20);
  SendDrawItem(dialog_, kListId, 0, 0, plain, RECT{0, 0, 200, 20});
  SendDrawItem(dialog_, kListId, 0, ODS_FOCUS, focused, RECT{0, 0, 200, 20});
  // The dotted focus frame changes the row's first pixel row, not the grid line below it.
  int differing = 0;
  for (int x = 0; x < 200; ++x) differing += plain.At(x, 0) != focused.At(x, 0);
  EXPECT_GT(differing, 50);
  EXPECT_EQ(plain.At(100, 19), focused.At(100, 19));
  // A request for an id no list has goes on to the dialog's own procedure.
  Canvas other(50, 20);
  SendDrawItem(dialog_, 999, 0, 0, other, RECT{0, 0, 50, 20});
  EXPECT_THAT(log_.unhandledDrawIds, testing::ElementsAre(999));
}

struct KeyCase {
  int items;
  int start;  // −1: no selection
  int key;
  int selected;
  bool notified;
};

TEST_F(OdListTest, NavigationKeysSelectAndNotify) {
  AppValuesScope scope(PlainLists());
  const KeyCase cases[] = {
      {50, 0, VK_NEXT, 6, true},   {50, 46, VK_NEXT, 49, true}, {50, 10, VK_PRIOR, 4, true},
      {50, 0, VK_UP, 0, false},    {50, 5, VK_UP, 4, true},     {50, 49, VK_DOWN, 49, false},
      {50, 7, VK_HOME, 0, true},   {50, 7, VK_END, 49, true},   {0, -1, VK_HOME, -1, false},
      {0, -1, VK_NEXT, -1, false}, {1, 0, VK_DOWN, 0, false},
  };
  for (const KeyCase& c : cases) {
    DialogLog log;
    HWND dialog = CreateListDialog(log, {kListId}, kPlainListStyle, 200, 120);
    ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, kListId, {70, 15, 15});
    ASSERT_EQ(list->nGesamt, 6);
    for (int k = 0; k < c.items; ++k)
      AddItems(list->hwndListe, {"Zeile " + std::to_string(k) + "\t1\t2"});
    SendMessageW(list->hwndListe, LB_SETCURSEL, c.start, 0);
    PumpPending();
    log.commands.clear();
    LRESULT result = SendMessageW(list->hwndListe, WM_KEYDOWN, c.key, 0);
    PumpPending();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETCURSEL, 0, 0), c.selected)
        << "key " << c.key << " from " << c.start;
    std::vector<std::pair<int, int>> expected;
    if (c.notified) expected.emplace_back(kListId, LBN_SELCHANGE);
    EXPECT_EQ(log.commands, expected) << "key " << c.key << " from " << c.start;
    DestroyWindow(dialog);
  }
}

TEST_F(OdListTest, SpaceActsAsDoubleClick) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {70, 15, 15});
  AddItems(list->hwndListe, {"Anton\t1\t2", "Berta\t3\t4"});
  SendMessageW(list->hwndListe, LB_SETCURSEL, 1, 0);
  PumpPending();
  log_.commands.clear();
  SendMessageW(list->hwndListe, WM_KEYDOWN, VK_SPACE, 0);
  PumpPending();
  EXPECT_THAT(log_.commands, testing::Contains(std::make_pair(kListId, LBN_DBLCLK)));
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETCURSEL, 0, 0), 1);
  // F-keys and Ctrl+arrows are taken by the list and answered −2.
  EXPECT_EQ(SendMessageW(dialog_, WM_VKEYTOITEM, MAKEWPARAM(VK_F5, 1),
                         reinterpret_cast<LPARAM>(list->hwndListe)),
            -2);
  EXPECT_EQ(SendMessageW(dialog_, WM_VKEYTOITEM, MAKEWPARAM(VK_RETURN, 1),
                         reinterpret_cast<LPARAM>(list->hwndListe)),
            -1);
}

TEST_F(OdListTest, SpaceTogglesTheCurrentItemOfAMultipleSelectionList) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle | LBS_MULTIPLESEL, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  AddItems(list->hwndListe, {"Anton", "Berta", "Caesar"});
  SendMessageW(list->hwndListe, LB_SETCARETINDEX, 1, FALSE);
  SendMessageW(list->hwndListe, WM_KEYDOWN, VK_SPACE, 0);
  PumpPending();
  EXPECT_GT(SendMessageW(list->hwndListe, LB_GETSEL, 1, 0), 0);
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETSEL, 0, 0), 0);
  // Page Down moves the caret, not the selection, in a multiple-selection list.
  log_.commands.clear();
  SendMessageW(list->hwndListe, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETCARETINDEX, 0, 0), 2);
  EXPECT_THAT(log_.commands, testing::ElementsAre(std::make_pair(kListId, LBN_SELCHANGE)));
}

TEST_F(OdListTest, LetterThatFindsOnlyTheCurrentItemClearsTheSelection) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  AddItems(list->hwndListe, {"Anton", "Berta", "Cäsar"});
  struct Case {
    int key;
    int start;
    int selected;
  };
  const Case cases[] = {{'B', 1, -1}, {'A', 1, 1}, {'Z', 1, -1}};
  for (const Case& c : cases) {
    SendMessageW(list->hwndListe, LB_SETCURSEL, c.start, 0);
    SendMessageW(list->hwndListe, WM_KEYDOWN, c.key, 0);
    PumpPending();
    EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETCURSEL, 0, 0), c.selected) << char(c.key);
  }
}

TEST_F(OdListTest, EmptyGridRowsBelowTheLastItem) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {50, 50});
  AddItems(list->hwndListe, {"Eins\t1", "Zwei\t2", "Drei\t3"});
  ShowWindow(dialog_, SW_SHOW);
  InvalidateRect(list->hwndListe, nullptr, TRUE);
  UpdateWindow(list->hwndListe);
  PumpPending();  // the posted WMU_DRAWEMPTY paints the empty rows

  RECT client;
  GetClientRect(list->hwndListe, &client);
  ASSERT_EQ(client.bottom, 120);
  Canvas canvas(client.right, client.bottom);
  HDC listDc = GetDC(list->hwndListe);
  BitBlt(canvas.dc(), 0, 0, client.right, client.bottom, listDc, 0, 0, SRCCOPY);
  ReleaseDC(list->hwndListe, listDc);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const COLORREF window = GetSysColor(COLOR_WINDOW);
  for (int row = 0; row < 6; ++row) {
    int bottom = row * 20 + 19;
    EXPECT_EQ(canvas.At(20, bottom), grey) << "row " << row;
    EXPECT_EQ(canvas.At(99, row * 20 + 5), grey) << "row " << row;  // column line at 100 − 1
    if (row >= 3) {
      EXPECT_EQ(canvas.Count(window, 0, row * 20, 99, bottom), 99 * 19) << "empty row " << row;
    }
  }
}

TEST_F(OdListTest, TwoListsOnOneDialogAndTheRegistryAfterDestruction) {
  AppValuesScope scope(PlainLists());
  for (int round = 0; round < 2; ++round) {  // the second dialog finds no lists of the first
    DialogLog log;
    HWND dialog = CreateListDialog(log, {kListId, kSecondListId}, kPlainListStyle, 200, 60);
    ZB_OD_LIST* first = ZB_OD_LIST::Init(dialog, kListId, {70, 15, 15});
    ZB_OD_LIST* second = ZB_OD_LIST::Init(dialog, kSecondListId, {50, 50});
    EXPECT_EQ(first->nGesamt, 3);
    EXPECT_EQ(second->nGesamt, 3);
    EXPECT_EQ(SendMessageW(second->hwndListe, LB_GETITEMHEIGHT, 0, 0), 20);
    AddItems(first->hwndListe, {"A\tB\tC"});
    AddItems(second->hwndListe, {"D\tE"});
    Canvas one(200, 20), two(200, 20);
    SendDrawItem(dialog, kListId, 0, 0, one, RECT{0, 0, 200, 20});
    SendDrawItem(dialog, kSecondListId, 0, 0, two, RECT{0, 0, 200, 20});
    const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
    EXPECT_EQ(one.At(139, 5), grey);  // 70 % of 200
    EXPECT_EQ(two.At(99, 5), grey);   // 50 % of 200
    EXPECT_NE(two.At(139, 5), grey);
    EXPECT_TRUE(log.unhandledDrawIds.empty());
    DestroyWindow(dialog);
    PumpPending();
  }
}

TEST_F(OdListTest, CtrlArrowsScrollAPageSideways) {
  AppValuesScope scope(PlainLists());
  // The bar always shown, as the dialogs declare it: a list box hides a bar it does not need
  // yet and then reports the style without it.
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle | WS_HSCROLL | LBS_DISABLENOSCROLL,
                             200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId, {70, 15, 15});
  AddItems(list->hwndListe, {"Breite Zeile\t1\t2"});
  SendMessageW(list->hwndListe, LB_SETHORIZONTALEXTENT, 1000, 0);
  BYTE keys[256] = {};
  GetKeyboardState(keys);
  keys[VK_CONTROL] = 0x80;
  SetKeyboardState(keys);
  LRESULT right = SendMessageW(dialog_, WM_VKEYTOITEM, MAKEWPARAM(VK_RIGHT, 0),
                               reinterpret_cast<LPARAM>(list->hwndListe));
  int afterRight = GetScrollPos(list->hwndListe, SB_HORZ);
  LRESULT left = SendMessageW(dialog_, WM_VKEYTOITEM, MAKEWPARAM(VK_LEFT, 0),
                              reinterpret_cast<LPARAM>(list->hwndListe));
  int afterLeft = GetScrollPos(list->hwndListe, SB_HORZ);
  keys[VK_CONTROL] = 0;
  SetKeyboardState(keys);
  EXPECT_EQ(right, -2);
  EXPECT_EQ(left, -2);
  EXPECT_GT(afterRight, 0);
  EXPECT_EQ(afterLeft, 0);
  // Without Ctrl the arrows are the list box's own.
  EXPECT_EQ(SendMessageW(dialog_, WM_VKEYTOITEM, MAKEWPARAM(VK_RIGHT, 0),
                         reinterpret_cast<LPARAM>(list->hwndListe)),
            -1);
}

TEST_F(OdListTest, DialogBackgroundEraseLeavesTheListAlone) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  RECT client;
  GetClientRect(dialog_, &client);
  Canvas canvas(client.right, client.bottom);
  const COLORREF marker = kUntouched;
  SendMessageW(dialog_, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0);
  RECT rect;
  GetWindowRect(list->hwndListe, &rect);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&rect), 2);
  const int keptBottom = rect.bottom - 1 - GetSystemMetrics(SM_CYHSCROLL);
  EXPECT_EQ(canvas.At(rect.left + 5, rect.top + 5), marker);
  EXPECT_EQ(canvas.At(rect.right - 1, keptBottom - 1), marker);
  EXPECT_NE(canvas.At(rect.left + 5, keptBottom + 1), marker);  // the strip above the bottom
  EXPECT_NE(canvas.At(rect.right + 5, rect.top + 5), marker);   // beside the list
  EXPECT_NE(canvas.At(rect.left - 5, rect.top + 5), marker);
}

TEST_F(OdListTest, MultiColumnStyleCells) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle | LBS_MULTICOLUMN | LBS_EXTENDEDSEL,
                             300, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  ASSERT_TRUE(list->lLBS_MULTICOLUMN);
  MEASUREITEMSTRUCT measure{};
  measure.CtlType = ODT_LISTBOX;
  measure.CtlID = kListId;
  EXPECT_EQ(SendMessageW(dialog_, WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&measure)), TRUE);
  EXPECT_EQ(measure.itemWidth, 50u);  // (300 + 5) / 6
  EXPECT_EQ(measure.itemHeight, 20u);

  AddItems(list->hwndListe, {"  Anton  \tx", ""});
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  Canvas cell(60, 22);
  SendDrawItem(dialog_, kListId, 0, ODS_SELECTED, cell, RECT{0, 0, 50, 20});
  EXPECT_EQ(cell.At(49, 5), grey);   // right − 1
  EXPECT_EQ(cell.At(25, 20), grey);  // at the bottom
  EXPECT_EQ(cell.At(1, 2), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_GT(cell.Count(GetSysColor(COLOR_HIGHLIGHTTEXT), 2, 1, 48, 20), 10);
  // A selected empty cell is drawn plain and deselected.
  SendMessageW(list->hwndListe, LB_SETSEL, TRUE, 1);
  Canvas empty(60, 22);
  SendDrawItem(dialog_, kListId, 1, ODS_SELECTED, empty, RECT{0, 0, 50, 20});
  EXPECT_EQ(empty.At(1, 2), GetSysColor(COLOR_WINDOW));
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETSEL, 1, 0), 0);
}

TEST_F(OdListTest, MissingDialogOrControl) {
  EXPECT_EQ(ZB_OD_LIST::Init(nullptr, kListId), nullptr);
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, 555);  // no such control
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->hwndListe, nullptr);
  EXPECT_EQ(list->nGesamt, 0);
  // The dialog's real list box is untouched and still answers.
  EXPECT_EQ(SendDlgItemMessageW(dialog_, kListId, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(OdListTest, RowHeightCanBeChanged) {
  AppValuesScope scope(PlainLists());
  dialog_ = CreateListDialog(log_, {kListId}, kPlainListStyle, 200, 120);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog_, kListId);
  list->Set_nHoeheSchrift(24);
  EXPECT_EQ(list->nHoeheSchrift(), 24);
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETITEMHEIGHT, 0, 0), 24);
  list->Set_nHoeheSchrift(0);  // no row height below one pixel
  EXPECT_EQ(list->nHoeheSchrift(), 1);
}

// A framework dialog object as the lists see it: its window procedure hands messages to the
// lists first, as the dialog class does.
class TestDialogObject : public OdListDialog {
 public:
  explicit TestDialogObject(bool gather) : gather_(gather) {
    DialogTemplate dialogTemplate(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 120, L"Objekt");
    dialogTemplate.Add(kListBoxClass, kListId, kPlainListStyle, 5, 5, 150, 60);
    window_ = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialogTemplate.get(), nullptr,
                                         Proc, reinterpret_cast<LPARAM>(this));
    MoveWindow(GetDlgItem(window_, kListId), 10, 10, 200, 120, FALSE);
  }
  ~TestDialogObject() override {
    if (IsWindow(window_)) DestroyWindow(window_);
  }
  HWND DialogWindow() const override { return window_; }
  std::vector<std::unique_ptr<ZB_OD_LIST>>& aListen() override { return lists_; }
  bool HasGather() const override { return gather_; }

  std::vector<std::pair<int, int>> commands;
  std::vector<LPARAM> rightClicks;
  int measureRequests = 0;

 private:
  static INT_PTR CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      return TRUE;
    }
    auto* self = reinterpret_cast<TestDialogObject*>(GetWindowLongPtrW(window, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_MEASUREITEM) ++self->measureRequests;
    if (std::optional<LRESULT> r = DispatchToLists(*self, message, wParam, lParam)) {
      // Dialog procedures answer WM_VKEYTOITEM directly, everything else through DWLP_MSGRESULT.
      if (message == WM_VKEYTOITEM) return static_cast<INT_PTR>(*r);
      SetWindowLongPtrW(window, DWLP_MSGRESULT, *r);
      return TRUE;
    }
    if (message == WM_COMMAND) self->commands.emplace_back(LOWORD(wParam), HIWORD(wParam));
    if (message == WM_RBUTTONDOWN) self->rightClicks.push_back(lParam);
    return FALSE;
  }

  HWND window_ = nullptr;
  bool gather_;
  std::vector<std::unique_ptr<ZB_OD_LIST>> lists_;
};

TEST_F(OdListTest, AttachedListLivesInTheDialogObject) {
  AppValuesScope scope(PlainLists());
  TestDialogObject dialog(/*gather=*/true);
  ZB_OD_LIST* list = ZB_OD_LIST::Init(dialog, kListId, {70, 15, 15});
  ASSERT_EQ(dialog.aListen().size(), 1u);
  EXPECT_EQ(dialog.aListen()[0].get(), list);
  EXPECT_EQ(list->nGesamt, 6);
  EXPECT_GE(dialog.measureRequests, 1);
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETITEMHEIGHT, 0, 0), 20);
  for (int k = 0; k < 50; ++k) AddItems(list->hwndListe, {"Feld " + std::to_string(k)});

  SendMessageW(list->hwndListe, LB_SETCURSEL, 0, 0);
  SendMessageW(list->hwndListe, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(SendMessageW(list->hwndListe, LB_GETCURSEL, 0, 0), 6);
  dialog.commands.clear();
  SendMessageW(list->hwndListe, WM_KEYDOWN, VK_SPACE, 0);
  PumpPending();
  EXPECT_THAT(dialog.commands, testing::Contains(std::make_pair(kListId, LBN_DBLCLK)));

  Canvas canvas(200, 20);
  SendDrawItem(dialog.DialogWindow(), kListId, 6, ODS_SELECTED, canvas, RECT{0, 0, 200, 20});
  EXPECT_EQ(canvas.At(1, 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(canvas.At(139, 5), GetSysColor(COLOR_GRAYTEXT));

  // A right click goes to a dialog that gathers, in the dialog's client coordinates.
  SendMessageW(list->hwndListe, WM_RBUTTONDOWN, 0, MAKELPARAM(5, 7));
  PumpPending();
  POINT expected{5, 7};
  MapWindowPoints(list->hwndListe, dialog.DialogWindow(), &expected, 1);
  EXPECT_THAT(dialog.rightClicks, testing::ElementsAre(MAKELPARAM(expected.x, expected.y)));
}

}  // namespace
}  // namespace tabrix
