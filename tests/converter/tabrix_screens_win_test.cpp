// Every dialog of the program as it appears on the screen inside the frame: nothing of a dialog
// is cut off by the frame (each control lies inside the frame's client area), and what is drawn
// reaches the screen. Each screen is kept as a picture in <build>/artifacts/ for a person to
// look at.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "converter/choosers.h"
#include "converter/converter_dialog_fixture_win.h"
#include "converter/scripted_user_win.h"

namespace tabrix::testing_support {
namespace {

namespace fs = std::filesystem;

// Paints everything waiting (the lists post their empty rows) and brings the frame forward.
void Settle(HWND frame) {
  SetForegroundWindow(frame);
  PumpUntil([&] { return GetForegroundWindow() == frame; });
  Drain();
  RedrawWindow(frame, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Drain();
  GdiFlush();
}

// The screen under the frame as a 24-bit picture file <build>/artifacts/<name>.bmp.
bool SaveScreen(HWND frame, const std::string& name) {
  const fs::path dir = fs::path(TABRIX_BINARY_DIR) / "artifacts";
  fs::create_directories(dir);
  const RECT r = WindowRect(frame);
  const int w = r.right - r.left, h = r.bottom - r.top;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, picture);
  const bool copied = BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
  GdiFlush();
  const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
  const DWORD size = stride * static_cast<DWORD>(h);
  BITMAPFILEHEADER file{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + size), 0, 0,
      sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  std::ofstream out(dir / (name + ".bmp"), std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
  out.write(static_cast<const char*>(bits), size);
  SelectObject(memory, previous);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return copied && out.good();
}

// Every control of the dialog lies inside the frame's client area: nothing is cut off.
void ExpectWhollyShown(HWND frame, HWND dialog) {
  RECT client{};
  GetClientRect(frame, &client);
  MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
  int controls = 0;
  for (HWND c = GetWindow(dialog, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
    if (!IsWindowVisible(c)) continue;
    const RECT r = WindowRect(c);
    SCOPED_TRACE("control " + std::to_string(GetDlgCtrlID(c)) + " " + TextOf(c));
    EXPECT_GE(r.left, client.left);
    EXPECT_GE(r.top, client.top);
    EXPECT_LE(r.right, client.right);
    EXPECT_LE(r.bottom, client.bottom);
    ++controls;
  }
  EXPECT_GT(controls, 0);
}

COLORREF ScreenPixel(HWND window, int x, int y) {
  POINT p{x, y};
  ClientToScreen(window, &p);
  HDC screen = GetDC(nullptr);
  const COLORREF c = GetPixel(screen, p.x, p.y);
  ReleaseDC(nullptr, screen);
  return c;
}

using TabrixScreens = ConverterDialogTest;

TEST_F(TabrixScreens, TheHostDialogShowsTheStartPictureInsideTheFrame) {
  app_->SetHostPicture(OwnedBitmap(LoadBitmapA(getInstance(), "BITMAP_1")));
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);
  Settle(frame());
  // The arrow and the cylinder's top as the picture has them, the red corner transparent.
  EXPECT_EQ(ScreenPixel(host, 100 + 140, 10 + 128), RGB(245, 140, 20));
  EXPECT_EQ(ScreenPixel(host, 100 + 234, 10 + 58), RGB(150, 196, 245));
  EXPECT_EQ(ScreenPixel(host, 100, 10), ScreenPixel(host, 5, 5));
  RECT client{};
  GetClientRect(frame(), &client);
  EXPECT_GE(client.right, 400);
  EXPECT_GE(client.bottom, 310);
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_host_dialog"));
}

TEST_F(TabrixScreens, TheConverterDialog) {
  HWND dialog = OpenJob();
  ASSERT_NE(dialog, nullptr);
  Select(dialog, kSourceListId, 0);
  Select(dialog, kTargetListId, 0);
  Click(dialog, kAssignButtonId);
  Select(dialog, kSourceListId, 4);
  Select(dialog, kTargetListId, 8);
  Click(dialog, kAssignFinalButtonId);
  Click(dialog, kPostalFromCityBoxId);
  Settle(frame());
  ExpectWhollyShown(frame(), dialog);
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_converter_dialog"));
}

// The row of `list` whose first column is `name`; -1 when none is.
int RowNamed(HWND dialog, int list, const std::string& name) {
  HWND box = GetDlgItem(dialog, list);
  for (LRESULT i = 0, n = SendMessageA(box, LB_GETCOUNT, 0, 0); i < n; ++i) {
    std::string text(static_cast<size_t>(SendMessageA(box, LB_GETTEXTLEN, i, 0)) + 1, '\0');
    const LRESULT got = SendMessageA(box, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    if (text.substr(0, text.find('\t')) == name) return static_cast<int>(i);
  }
  return -1;
}

// Pixels of `colour` on the screen in the client rectangle [left, right) x [top, bottom) of
// `window`.
int ScreenCount(HWND window, COLORREF colour, int left, int top, int right, int bottom) {
  HDC dc = GetDC(window);
  int n = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x) n += GetPixel(dc, x, y) == colour;
  ReleaseDC(window, dc);
  return n;
}

TEST_F(TabrixScreens, TheConverterDialogWithALongSourceAndEveryKindOfRow) {
  // Twenty source fields: more rows than the source list shows, so it shows its scroll bar.
  const std::string longSource = "C:\\DATEN\\LANG.DBF";
  std::vector<StructureRow> fields;
  for (const char* name :
       {"KDNR",   "ANREDE",  "TITEL",   "NAME1",   "NAME2",   "STRASSE", "PLZ",
        "ORT",    "LAND",    "TELEFON", "TELEFAX", "EMAIL",   "GEBDAT",  "UMSATZ",
        "RABATT", "HINWEIS", "VERMERK", "KONTAKT", "BRANCHE", "GRUPPE"})
    fields.push_back({name, 'C', 10, 0});
  WriteTable(longSource, fields, {});
  state_.CQUELLDATEI = longSource;
  SendMessageA(frame(), kOpenJobMessage, 0, 0);
  HWND dialog = session_.Dialog();
  ASSERT_NE(dialog, nullptr);
  HWND source = GetDlgItem(dialog, kSourceListId);
  HWND target = GetDlgItem(dialog, kTargetListId);
  auto assign = [&](const std::string& field, const std::string& slot, int button) {
    const int from = RowNamed(dialog, kSourceListId, field);
    const int to = RowNamed(dialog, kTargetListId, slot);
    ASSERT_GE(from, 0) << field;
    ASSERT_GE(to, 0) << slot;
    Select(dialog, kSourceListId, from);
    Select(dialog, kTargetListId, to);
    Click(dialog, button);
  };
  // Assigned slots, the postal code from the city names, and both composite rows.
  assign("NAME1", "Name", kAssignButtonId);
  assign("STRASSE",
         "Stra\xDF"
         "e",
         kAssignFinalButtonId);
  assign("ORT", "Ort", kAssignButtonId);
  Click(dialog, kPostalFromCityBoxId);
  for (const char* field : {"HINWEIS", "VERMERK"}) assign(field, "Bemerkung", kAssignButtonId);
  for (const char* field : {"KONTAKT", "BRANCHE", "GRUPPE"})
    assign(field, "Notizen", kAssignButtonId);
  SendMessageA(source, LB_SETTOPINDEX, 0, 0);
  SendMessageA(target, LB_SETTOPINDEX, 0, 0);
  Settle(frame());
  ExpectWhollyShown(frame(), dialog);
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_converter_long_source"));

  // The source list's bar is there, and its third column (the lengths) lies beside it: the
  // column's grid line is the client area's last pixel, and the lengths show left of it.
  EXPECT_TRUE(GetWindowLongA(source, GWL_STYLE) & WS_VSCROLL);
  RECT client{};
  GetClientRect(source, &client);
  const COLORREF grey = GetSysColor(COLOR_GRAYTEXT);
  const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
  EXPECT_EQ(ScreenPixel(source, client.right - 1, 5), grey);
  const int third = client.right * 85 / 100;
  EXPECT_GT(ScreenCount(source, text, third, 0, client.right - 1, 19), 5);

  // The slot with the assigned source field shows the field's name after the arrow.
  GetClientRect(target, &client);
  const int nameRow = RowNamed(dialog, kTargetListId, "Name");
  ASSERT_GE(nameRow, 0);
  const int rowHeight = static_cast<int>(SendMessageA(target, LB_GETITEMHEIGHT, 0, 0));
  EXPECT_GT(ScreenCount(target, text, client.right * 85 / 100, nameRow * rowHeight,
                        client.right - 1, nameRow * rowHeight + rowHeight - 1),
            5);

  // The composite rows at the bottom of the target list, then scrolled sideways to their ends.
  Select(dialog, kTargetListId, RowNamed(dialog, kTargetListId, "Notizen"));
  Settle(frame());
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_converter_composite_rows"));
  SendMessageA(target, WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), 0);
  Settle(frame());
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_converter_composite_rows_scrolled"));
}

TEST_F(TabrixScreens, TheProgressDialog) {
  ui_.ShowProgress();
  ui_.SetProgressTexts("M\xDCLLER & S\xD6HNE GMBH", "17 von 250");
  Settle(frame());
  ExpectWhollyShown(frame(), ui_.ProgressDialog());
  EXPECT_TRUE(SaveScreen(frame(), "tabrix_progress_dialog"));
}

struct Chooser : ChooserEvents {
  std::optional<int> OnChoose(int row) override { return row; }
  std::optional<int> OnThirdButton(WindowHandle) override { return 0; }
};

TEST_F(TabrixScreens, TheChoosers) {
  struct Case {
    const char* shot;
    ChooserView view;
  };
  ChooserView fields;
  fields.labelAnsi = "Ersatzfeld f\xFCr den Namen:";
  fields.rowsAnsi = {"NAME2\t\t30", "STRASSE\t\t35", "ORT\t\t30", "LAND\t\t20", "TELEFON\t\t20"};
  fields.multiColumn = true;
  fields.thirdButtonAnsi = "kein Ersatzfeld";
  ChooserView longFields = fields;
  longFields.rowsAnsi.clear();
  for (const char* name : {"KDNR", "ANREDE", "TITEL", "NAME2", "STRASSE", "PLZ", "ORT", "LAND",
                           "TELEFON", "TELEFAX", "EMAIL", "GEBDAT", "UMSATZ", "RABATT", "HINWEIS",
                           "VERMERK", "KONTAKT", "BRANCHE", "GRUPPE"})
    longFields.rowsAnsi.push_back(std::string(name) + "\t\t30");
  ChooserView countries;
  countries.labelAnsi = "Land f\xFCr \"Holland\":";
  countries.rowsAnsi = {"DEUTSCHLAND", "NIEDERLANDE", "\xD6STERREICH", "SCHWEIZ"};
  countries.chooseButtonAnsi = "Verkn\xFCpfen";
  countries.thirdButtonAnsi = "aus Datei";
  ChooserView standard;
  standard.labelAnsi = "Standard-Land:";
  standard.rowsAnsi = countries.rowsAnsi;
  for (const Case& c :
       {Case{"tabrix_chooser_fields", fields}, Case{"tabrix_chooser_fields_long", longFields},
        Case{"tabrix_chooser_countries", countries},
        Case{"tabrix_chooser_standard_country", standard}}) {
    SCOPED_TRACE(c.shot);
    Chooser events;
    ScriptedUser user(&ctx_.D_HWNDLG);
    user.Then([&] {
      HWND chooser = ctx_.D_HWNDLG;
      SendDlgItemMessageA(chooser, kChooserListId, LB_SETCURSEL, 1, 0);
      SendMessageA(chooser, WM_COMMAND, MAKEWPARAM(kChooserListId, LBN_SELCHANGE), 0);
      Settle(frame());
      ExpectWhollyShown(frame(), chooser);
      EXPECT_TRUE(SaveScreen(frame(), c.shot));
      SendMessageA(GetDlgItem(chooser, kChooseButtonId), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(ui_.RunChooser(c.view, events), 2);
    EXPECT_FALSE(user.TimedOut());
  }
}

struct Protocol : ProtocolEvents {
  std::string CountLineAnsi() override { return "Es wurden 231 Datens\xE4tze konvertiert."; }
  std::string BuildTextAnsi(const std::function<int(const std::string&)>& widthOf) override {
    std::vector<int64_t> skipped;
    for (int n = 4; n < 250; n += 7) skipped.push_back(n);
    return ProtocolText(skipped, widthOf);
  }
  bool OnSave(WindowHandle) override { return false; }
};

TEST_F(TabrixScreens, TheProtocolDialog) {
  Protocol events;
  ScriptedUser user(&ctx_.D_HWNDLG);
  user.Then([&] {
    HWND protocol = ctx_.D_HWNDLG;
    Settle(frame());
    ExpectWhollyShown(frame(), protocol);
    EXPECT_TRUE(SaveScreen(frame(), "tabrix_protocol_dialog"));
    SendMessageA(GetDlgItem(protocol, kProtocolEndId), BM_CLICK, 0, 0);
  });
  ui_.RunProtocol(events);
  EXPECT_FALSE(user.TimedOut());
}

}  // namespace
}  // namespace tabrix::testing_support
