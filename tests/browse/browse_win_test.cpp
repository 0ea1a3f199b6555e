// ZB_BROWSE on a real dialog under the window system: the rows in the list box, keys, clicks,
// the scroll bar, typed search text, the header's resize and the persisted layout, the empty
// grid and resizing.
#include "browse/browse_win.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "browse/browse_columns.h"
#include "browse/browse_model.h"
#include "browse/fake_browse_source.h"
#include "data/base/error.h"
#include "data/table/table_area.h"
#include "framework/app_settings.h"
#include "framework/dialog_template_win.h"
#include "framework/pump_until_win.h"
#include "framework/wdialog_win.h"

namespace tabrix {
namespace {

using testing_support::DialogTemplate;
using testing_support::FakeBrowseSource;
using testing_support::PumpPending;
using testing_support::PumpUntil;

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

int TextHeightOf(HWND dialog) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  HDC dc = GetDC(dialog);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size;
  GetTextExtentPoint32A(dc, "W", 1, &size);
  SelectObject(dc, old);
  ReleaseDC(dialog, dc);
  return size.cy;
}

// The pixels of `colour` in a rectangle of a window's client area as shown on the screen.
int ColourPixels(HWND window, RECT r, COLORREF colour) {
  HDC dc = GetDC(window);
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += GetPixel(dc, x, y) == colour;
  ReleaseDC(window, dc);
  return n;
}

class BrowseWinTest : public ::testing::Test {
 protected:
  static constexpr int kListId = 103;

  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("browsewin_" + std::to_string(GetCurrentProcessId()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    ini_ = (dir_ / "qz.ini").string();
    previousIni_ = DLGGETINIFILENAME();
    DLGSETINIFILENAME(ini_);
    OpenDialog();
  }
  void TearDown() override {
    browse_.reset();
    if (IsWindow(dialog_)) DestroyWindow(dialog_);
    PumpPending();
    DLGSETINIFILENAME(previousIni_.empty() ? std::string(" ") : previousIni_);
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

  void OpenDialog() {
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 320, 220, L"Browse");
    t.Add(testing_support::kListBoxClass, kListId, WS_BORDER | LBS_NOINTEGRALHEIGHT, 10, 10, 250,
          150);
    dialog_ =
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr, PlainDialogProc, 0);
    ASSERT_TRUE(dialog_) << GetLastError();
  }

  // Sizes the resource list box so that the browse gets exactly `rows` rows.
  void ResourceRows(int rows, int headerLines = 1) {
    const int text = TextHeightOf(dialog_);
    const int rowHeight = std::max(20, text + 4);
    HWND list = GetDlgItem(dialog_, kListId);
    MoveWindow(
        list, 20, 10, 300,
        headerLines * text + 4 + GetSystemMetrics(SM_CYHSCROLL) + rows * rowHeight + rowHeight / 2,
        FALSE);
  }

  // A browse over `count` fake records starting at `firstRecno`, one column showing "Satz n".
  void Open(int64_t count, int64_t firstRecno = 1, int rows = 8) {
    Open(std::make_unique<FakeBrowseSource>(count, firstRecno), rows);
  }
  void Open(std::unique_ptr<FakeBrowseSource> source, int rows = 8,
            std::vector<BrowseColumn> columns = {}, int headerLines = 1) {
    ResourceRows(rows, headerLines);
    source_ = source.get();
    if (columns.empty()) columns = {RecordColumn(" Satz", 120)};
    browse_ = std::make_unique<ZB_BROWSE>();
    ASSERT_TRUE(browse_->Init(dialog_, kListId, std::move(source), std::move(columns), "DialogVl"));
    ASSERT_EQ(browse_->Get_nGesamt(), rows)
        << "text " << TextHeightOf(dialog_) << " row " << browse_->Get_nHoeheSchrift() << " header "
        << browse_->Get_nHeaderHeight();
    list_ = browse_->Get_hWnd();
    PumpPending();
    ExpectWholeRows();
  }
  // Every row of the page fits whole into the list box: a cut last row would make the list box
  // scroll by itself when it is selected, and the rows would no longer meet their marker.
  void ExpectWholeRows() const {
    RECT client;
    GetClientRect(list_, &client);
    // A horizontal scroll bar that is not needed is hidden and leaves its room to the rows.
    const bool hBar = (GetWindowLongA(list_, GWL_STYLE) & WS_HSCROLL) != 0;
    EXPECT_EQ(client.bottom, browse_->Get_nGesamt() * browse_->Get_nHoeheSchrift() +
                                 (hBar ? 0 : GetSystemMetrics(SM_CYHSCROLL)));
  }
  BrowseColumn RecordColumn(std::string title, int width) {
    BrowseColumn c;
    c.cTitle = std::move(title);
    c.nWidth = width;
    c.bData = [this](int) -> Value { return "Satz " + std::to_string(source_->RecordNumber()); };
    return c;
  }

  std::vector<int64_t> ItemData() const {
    std::vector<int64_t> out;
    const int n = static_cast<int>(SendMessageA(list_, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) out.push_back(SendMessageA(list_, LB_GETITEMDATA, i, 0));
    return out;
  }
  std::string Text(int index) const {
    char buf[512] = {};
    SendMessageA(list_, LB_GETTEXT, index, reinterpret_cast<LPARAM>(buf));
    return buf;
  }
  int64_t SelectedData() const {
    const LRESULT sel = SendMessageA(list_, LB_GETCURSEL, 0, 0);
    return sel < 0 ? 0 : SendMessageA(list_, LB_GETITEMDATA, sel, 0);
  }
  SCROLLINFO Scroll() const {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(browse_->Get_hScroll(), SB_CTL, &si);
    return si;
  }
  void Key(WPARAM key, bool ctrl = false) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
    SendMessageA(list_, WM_KEYDOWN, key, 1);
    SendMessageA(list_, WM_KEYUP, key, 0xC0000001);
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
  }
  // A dialog point of the header strip / a boundary of the shown columns.
  POINT HeaderPoint(int boundary) const {
    RECT r;
    GetWindowRect(list_, &r);
    MapWindowPoints(HWND_DESKTOP, dialog_, reinterpret_cast<POINT*>(&r), 2);
    return {r.left + browse_->Get_aTabs()[boundary], r.top - 2};
  }
  int ListLeft() const { return HeaderPoint(0).x; }

  std::filesystem::path dir_;
  std::string ini_, previousIni_;
  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
  FakeBrowseSource* source_ = nullptr;
  std::unique_ptr<ZB_BROWSE> browse_;
};

TEST_F(BrowseWinTest, RowsCarryTheirRecordNumbersAsItemData) {
  Open(50, 9999998);
  EXPECT_EQ(ItemData(), (std::vector<int64_t>{9999998, 9999999, 10000000, 10000001, 10000002,
                                              10000003, 10000004, 10000005}));
  EXPECT_EQ(Text(2), "Satz 10000000\t\t10000000");
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), 0);
  SCROLLINFO si = Scroll();
  EXPECT_EQ(si.nMin, 1);
  EXPECT_EQ(si.nMax, 50);
  EXPECT_EQ(si.nPos, 1);
  EXPECT_TRUE(IsWindowEnabled(browse_->Get_hScroll()));
  // The list box took the resource list box's id; the scroll bar the next free one.
  EXPECT_EQ(GetDlgItem(dialog_, kListId), list_);
  EXPECT_EQ(GetDlgCtrlID(browse_->Get_hScroll()), kListId + 1);
}

TEST_F(BrowseWinTest, KeysMoveSelectionAndPage) {
  struct Step {
    WPARAM key;
    bool ctrl;
    int64_t wantSelected;  // record of the selected row
    int wantRow;
    int64_t wantTop;  // record of the first row
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  };
  const Case cases[] = {
      {"down, down, up",
       {{VK_DOWN, false, 2, 1, 1}, {VK_DOWN, false, 3, 2, 1}, {VK_UP, false, 2, 1, 1}}},
      {"down past the last row scrolls one line",
       {{VK_DOWN, false, 2, 1, 1},
        {VK_DOWN, false, 3, 2, 1},
        {VK_DOWN, false, 4, 3, 1},
        {VK_DOWN, false, 5, 4, 1},
        {VK_DOWN, false, 6, 5, 1},
        {VK_DOWN, false, 7, 6, 1},
        {VK_DOWN, false, 8, 7, 1},
        {VK_DOWN, false, 9, 7, 2}}},
      {"page down keeps the selected row",
       {{VK_NEXT, false, 9, 0, 9}, {VK_NEXT, false, 17, 0, 17}}},
      {"page down then up",
       {{VK_DOWN, false, 2, 1, 1}, {VK_NEXT, false, 10, 1, 9}, {VK_PRIOR, false, 2, 1, 1}}},
      {"ctrl+end: last record on the last row", {{VK_END, true, 100, 7, 93}}},
      {"ctrl+end then ctrl+home", {{VK_END, true, 100, 7, 93}, {VK_HOME, true, 1, 0, 1}}},
      {"end without ctrl does not move the rows", {{VK_END, false, 1, 0, 1}}},
      {"up on the first record stays", {{VK_UP, false, 1, 0, 1}}},
  };
  for (const Case& c : cases) {
    Open(100);
    for (const Step& s : c.steps) {
      Key(s.key, s.ctrl);
      EXPECT_EQ(SelectedData(), s.wantSelected) << c.name;
      EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), s.wantRow) << c.name;
      EXPECT_EQ(SendMessageA(list_, LB_GETITEMDATA, 0, 0), s.wantTop) << c.name;
      EXPECT_EQ(Scroll().nPos, browse_->Model().nPos()) << c.name;
    }
    browse_.reset();
    DestroyWindow(dialog_);
    OpenDialog();
  }
}

TEST_F(BrowseWinTest, ScrollBarThumbOnALargeTable) {
  Open(100000);
  SCROLLINFO si = Scroll();
  EXPECT_EQ(si.nMax, 10000);  // 100000 / nScale 10
  HWND bar = browse_->Get_hScroll();
  SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 5000), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(browse_->Model().nPos(), 50000);
  EXPECT_EQ(Scroll().nPos, 5000);
  EXPECT_EQ(SelectedData(), 50000);
  SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 10000),
               reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMDATA, 7, 0), 100000);
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), 7);
  SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(SB_LINEUP, 0), reinterpret_cast<LPARAM>(bar));
  EXPECT_EQ(SelectedData(), 99999);
  // A scroll message from another control is not the browse's.
  SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 1), 0);
  EXPECT_EQ(SelectedData(), 99999);
}

TEST_F(BrowseWinTest, ClicksAndWheelMoveTheSelection) {
  Open(30);
  const int h = browse_->Get_nHoeheSchrift();
  SendMessageA(list_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 2 * h + 1));
  SendMessageA(list_, WM_LBUTTONUP, 0, MAKELPARAM(10, 2 * h + 1));
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(browse_->Model().nPos(), 3);
  SendMessageA(list_, WM_MOUSEWHEEL,
               static_cast<WPARAM>(static_cast<uint32_t>(-2 * WHEEL_DELTA) << 16), 0);
  EXPECT_EQ(SelectedData(), 5);
  SendMessageA(list_, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
  EXPECT_EQ(SelectedData(), 4);
  // A click in the marker column selects that row too.
  SendMessageA(dialog_, WM_LBUTTONDOWN, MK_LBUTTON,
               MAKELPARAM(ListLeft() - 3, HeaderPoint(0).y + 2 + 5 * h + 3));
  EXPECT_EQ(SendMessageA(list_, LB_GETCURSEL, 0, 0), 5);
}

TEST_F(BrowseWinTest, TypedCharactersSeekAsTableText) {
  std::vector<FakeBrowseSource::Record> records = {{"Adam"},      {"Meier"},  {"Mertens"},
                                                   {"M\x81ller"}, {"Zander"}, {"Zeh"}};
  Open(std::make_unique<FakeBrowseSource>(records), 3);
  // Record order: typing does nothing.
  SendMessageA(list_, WM_CHAR, 'M', 1);
  EXPECT_EQ(SelectedData(), 1);
  browse_->Set_nIndOrder(1);
  struct Case {
    std::string typed;   // window text (ANSI)
    std::string sought;  // the search text as the table holds it (OEM)
    int64_t selected;
  };
  const Case cases[] = {
      {"Me", "Me", 2},
      {"Mer", "Mer", 3},
      {"M\xFC", "M\x81", 4},  // u umlaut: ANSI 0xFC is OEM 0x81
      {"z", "z", 0},          // lower case stays lower case; nothing sorts after "z": at the end
  };
  for (const Case& c : cases) {
    source_->seeks.clear();
    for (char ch : c.typed) SendMessageA(list_, WM_CHAR, static_cast<unsigned char>(ch), 1);
    ASSERT_FALSE(source_->seeks.empty()) << c.typed;
    EXPECT_EQ(source_->seeks.back(), c.sought) << c.typed;
    if (c.selected) {
      EXPECT_EQ(SelectedData(), c.selected) << c.typed;
    }
    // After a pause the text starts anew.
    EXPECT_TRUE(PumpUntil([&] { return browse_->SearchText().empty(); })) << c.typed;
  }
  // Keys reach the search only as characters: a virtual-key code alone seeks nothing.
  source_->seeks.clear();
  SendMessageA(list_, WM_KEYDOWN, 'A', 1);
  EXPECT_TRUE(source_->seeks.empty());
}

TEST_F(BrowseWinTest, FiveRowsTwoRecordsShowTheEmptyGrid) {
  Open(2, 1, 5);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 2);
  SetWindowPos(dialog_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
  RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  PumpPending();
  const int h = browse_->Get_nHoeheSchrift();
  const int x = 40;  // inside the first column
  HDC dc = GetDC(list_);
  // Rows 3 to 5: window background with a grid line along each row's bottom.
  for (int row = 2; row < 5; ++row) {
    EXPECT_EQ(GetPixel(dc, x, row * h + h / 2), GetSysColor(COLOR_WINDOW)) << row;
    EXPECT_EQ(GetPixel(dc, x, row * h + h - 1), GetSysColor(COLOR_GRAYTEXT)) << row;
  }
  // The column boundary continues down through the empty rows.
  const int boundary = browse_->Get_aTabs()[1] - 1;
  EXPECT_EQ(GetPixel(dc, boundary, 3 * h + h / 2), GetSysColor(COLOR_GRAYTEXT));
  ReleaseDC(list_, dc);
}

TEST_F(BrowseWinTest, HeaderResizeKeepsEightPixelsAndTheLayoutIsKept) {
  const std::vector<BrowseColumn> columns = {RecordColumn(" Satz", 120), RecordColumn(" Noch", 60)};
  Open(std::make_unique<FakeBrowseSource>(5), 4, columns);
  struct Case {
    int releaseAt;  // pixels right of the second column's left edge
    int wantWidth;
  };
  const Case cases[] = {{100, 100}, {8, 8}, {7, 8}, {-30, 8}, {45, 45}};
  for (const Case& c : cases) {
    POINT p = HeaderPoint(2);  // the boundary right of the second column
    const int x = ListLeft() + 120 + c.releaseAt;
    SendMessageA(dialog_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
    SendMessageA(dialog_, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, p.y));
    SendMessageA(dialog_, WM_LBUTTONUP, 0, MAKELPARAM(x, p.y));
    EXPECT_EQ(browse_->Get_aDBFelder()[1].nWidth, c.wantWidth) << c.releaseAt;
    EXPECT_EQ(browse_->Get_aDBFelder()[0].nWidth, 120) << c.releaseAt;
  }
  EXPECT_TRUE(browse_->Get_lUserCols());
  DestroyWindow(dialog_);
  PumpPending();
  auto read = [&](const char* key) {
    char value[64] = {};
    GetPrivateProfileStringA("DialogVl", key, "", value, sizeof value, ini_.c_str());
    return std::string(value);
  };
  EXPECT_EQ(read("Spalten"), "11");
  EXPECT_EQ(read("SpalteX1"), std::to_string((120 << 16) | 1));
  EXPECT_EQ(read("SpalteX2"), std::to_string((45 << 16) | 2));
  EXPECT_EQ(read("SpaltenKennung"), LayoutIdentity(columns));
  // A new browse of the same columns opens with the kept width.
  browse_.reset();
  OpenDialog();
  Open(std::make_unique<FakeBrowseSource>(5), 4, columns);
  EXPECT_EQ(browse_->Get_aDBFelder()[1].nWidth, 45);
}

TEST_F(BrowseWinTest, TwoLineTitleMakesATwoLineHeader) {
  struct Case {
    std::string title;
    int lines;
  };
  const Case cases[] = {{" Name", 1}, {"Kunden\rNummer", 2}};
  const int text = TextHeightOf(dialog_);
  for (const Case& c : cases) {
    Open(std::make_unique<FakeBrowseSource>(3), 4, {RecordColumn(c.title, 80)}, c.lines);
    EXPECT_EQ(browse_->Get_nHeaderLines(), c.lines) << c.title;
    EXPECT_EQ(browse_->Get_nHeaderHeight(), c.lines * text) << c.title;
    // The list starts below the header.
    RECT resource{20, 10, 0, 0};
    EXPECT_EQ(HeaderPoint(0).y + 2, resource.top + c.lines * text + 4) << c.title;
    browse_.reset();
    DestroyWindow(dialog_);
    OpenDialog();
  }
}

TEST_F(BrowseWinTest, CutTextModeCutsOnlyTextsThatDoNotFit) {
  Open(std::make_unique<FakeBrowseSource>(2), 3,
       {RecordColumn(" Schmal", 20), RecordColumn(" Breit", 200)});
  browse_->Set_CutTextMode(true);
  RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(browse_->CutCells(0), std::vector<int>{0});
}

TEST_F(BrowseWinTest, NewSizeIgnoresMinimisedAndEqualSizes) {
  Open(40, 1, 4);
  RECT before;
  GetWindowRect(list_, &before);
  RECT client;
  GetClientRect(dialog_, &client);
  browse_->NewSize(client.right, 100);  // what a minimised dialog reports
  EXPECT_EQ(browse_->Get_nGesamt(), 4);
  RECT after;
  GetWindowRect(list_, &after);
  EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
  const int h = browse_->Get_nHoeheSchrift();
  browse_->NewSize(client.right + 30, client.bottom + 3 * h);
  EXPECT_EQ(browse_->Get_nGesamt(), 7);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 7);
  ExpectWholeRows();
  GetWindowRect(list_, &after);
  EXPECT_EQ(after.right - after.left, before.right - before.left + 30);
  browse_->NewSize(client.right + 30, client.bottom + 3 * h);  // the same size again
  EXPECT_EQ(browse_->Get_nGesamt(), 7);
  browse_->NewSize(client.right + 30, client.bottom);
  EXPECT_EQ(browse_->Get_nGesamt(), 4);
  EXPECT_EQ(SendMessageA(list_, LB_GETCOUNT, 0, 0), 4);
}

TEST_F(BrowseWinTest, TableAreaRowsShowFieldValues) {
  const std::string file = (dir_ / "QUELLE.DBF").string();
  CreateTable(file, {{"NAME", 'C', 10, 0}, {"ORT", 'C', 12, 0}}, "DBFCDX");
  ASSERT_TRUE(OpenTable(true, "DBFCDX", file, "QUELLE", true, false));
  const int area = AreaOfAlias("QUELLE");
  const char* names[] = {"Anna", "B\x94rge", "Carl"};  // OEM: o umlaut
  for (const char* n : names) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, std::string(n));
    PutField(2, std::string("Ort"));
  }
  CommitArea();
  std::vector<BrowseColumn> columns;
  for (const char* f : {"NAME", "ORT"}) {
    BrowseColumn c;
    c.cType = "B";
    c.cField = f;
    c.cTitle = f;
    c.nWidth = 90;
    const std::string field = f;
    c.bData = [field](int a) { return GetFieldByName(a, field); };
    columns.push_back(c);
  }
  ResourceRows(5);
  browse_ = std::make_unique<ZB_BROWSE>();
  ASSERT_TRUE(browse_->Init(dialog_, kListId, area, columns, "DialogVl"));
  list_ = browse_->Get_hWnd();
  EXPECT_EQ(ItemData(), (std::vector<int64_t>{1, 2, 3}));
  EXPECT_EQ(Text(1), "B\xF6rge\tOrt\t\t      2");  // shown as window text
  browse_->Set_nIndOrder(1);                       // no order: the browse stays in record order
  EXPECT_EQ(ItemData(), (std::vector<int64_t>{1, 2, 3}));
  browse_.reset();
  DestroyWindow(dialog_);
  CloseAllAreas();
}

// A browse opened in record order and then given an index order counts again in that order:
// the thumb then lands at its place in the order, not at the place the record had in record
// order. Record 1 holds the last key here.
TEST_F(BrowseWinTest, AnOrderSetAfterOpeningCountsPositionsInThatOrder) {
  const std::string file = (dir_ / "ORDNUNG.DBF").string();
  CreateTable(file, {{"NAME", 'C', 10, 0}}, "DBFCDX");
  ASSERT_TRUE(OpenTable(true, "DBFCDX", file, "ORDNUNG", false, false));
  const int area = AreaOfAlias("ORDNUNG");
  for (int i = 1; i <= 40; ++i) {
    ASSERT_TRUE(AppendRecord());
    PutField(1, i == 1 ? std::string("Z") : "A" + std::to_string(100 + i));
  }
  CreateOrder("", "NAME", "NAME");
  SetOrder(0);
  GoTo(1);
  BrowseColumn c;
  c.cField = "NAME";
  c.cTitle = "NAME";
  c.nWidth = 90;
  c.bData = [](int a) { return GetFieldByName(a, "NAME"); };
  ResourceRows(5);
  browse_ = std::make_unique<ZB_BROWSE>();
  ASSERT_TRUE(browse_->Init(dialog_, kListId, area, {c}, "DialogVl"));
  list_ = browse_->Get_hWnd();
  browse_->Set_nIndOrder(1);
  SendMessageA(dialog_, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 20),
               reinterpret_cast<LPARAM>(browse_->Get_hScroll()));
  EXPECT_EQ(SelectedData(), 21);  // the 20th key, "A121"
  EXPECT_EQ(Scroll().nPos, 20);
  browse_.reset();
  DestroyWindow(dialog_);
  CloseAllAreas();
}

// On a framework dialog object the browse registers itself and the dialog hands it the
// messages of its rows, scroll bar and header; it leaves the list again when it goes.
TEST_F(BrowseWinTest, OnADialogObjectTheDialogForwardsItsMessages) {
  DialogTemplate t(WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 320, 220, L"Objekt");
  t.Add(testing_support::kListBoxClass, kListId, WS_BORDER | LBS_NOINTEGRALHEIGHT, 10, 10, 250,
        150);
  ZB_WDIALOG object;
  ASSERT_TRUE(object.InitIndirect(nullptr, t.get(), "BrowseObjekt"));
  ASSERT_TRUE(object.hwnd);
  HWND saved = dialog_;
  dialog_ = object.hwnd;
  ResourceRows(8);
  auto source = std::make_unique<FakeBrowseSource>(1000);
  source_ = source.get();
  browse_ = std::make_unique<ZB_BROWSE>();
  ASSERT_TRUE(
      browse_->Init(&object, kListId, std::move(source), {RecordColumn(" Satz", 120)}, "DialogVl"));
  list_ = browse_->Get_hWnd();
  PumpPending();
  EXPECT_EQ(object.aBrowseObj, std::vector<DialogBrowse*>{browse_.get()});
  EXPECT_EQ(GetDlgItem(object.hwnd, kListId), list_);
  EXPECT_EQ(ItemData(), (std::vector<int64_t>{1, 2, 3, 4, 5, 6, 7, 8}));
  Key(VK_DOWN);
  EXPECT_EQ(SelectedData(), 2);
  Key(VK_NEXT);
  EXPECT_EQ(SelectedData(), 10);
  // The dialog's scroll message reaches the browse through the child-object list.
  SendMessageA(object.hwnd, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, Scroll().nMax),
               reinterpret_cast<LPARAM>(browse_->Get_hScroll()));
  EXPECT_EQ(SendMessageA(list_, LB_GETITEMDATA, 7, 0), 1000);
  EXPECT_EQ(Scroll().nPos, Scroll().nMax);
  // Rows are drawn through the dialog's WM_DRAWITEM: painting the list must not fail.
  RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  // The list is registered with the dialog, whose WM_PAINT then paints the header's title and
  // the marker ">" beside the selected row (the last one, after the thumb went to the end).
  EXPECT_EQ(object.GetListBoxHandles(nullptr), std::vector<HWND>{list_});
  RedrawWindow(object.hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  RECT lr;
  GetWindowRect(list_, &lr);
  MapWindowPoints(HWND_DESKTOP, object.hwnd, reinterpret_cast<POINT*>(&lr), 2);
  const int header = browse_->Get_nHeaderHeight(), row = browse_->Get_nHoeheSchrift();
  const int marker = browse_->Get_nMarkerWidth();
  EXPECT_GT(ColourPixels(object.hwnd, {lr.left + 2, lr.top - header + 2, lr.left + 118, lr.top - 2},
                         GetSysColor(COLOR_BTNTEXT)),
            0)
      << "no header title";
  EXPECT_GT(
      ColourPixels(object.hwnd,
                   {lr.left - marker + 2, lr.top + 7 * row + 2, lr.left - 1, lr.top + 8 * row - 1},
                   GetSysColor(COLOR_BTNTEXT)),
      0)
      << "no marker at the selected row";
  EXPECT_EQ(
      ColourPixels(object.hwnd, {lr.left - marker + 2, lr.top + 2, lr.left - 1, lr.top + row - 1},
                   GetSysColor(COLOR_BTNTEXT)),
      0)
      << "a marker at a row that is not selected";
  browse_.reset();
  EXPECT_TRUE(object.aBrowseObj.empty());
  DestroyWindow(object.hwnd);
  PumpPending();
  dialog_ = saved;
}

}  // namespace
}  // namespace tabrix
