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
  ChooserView countries;
  countries.labelAnsi = "Land f\xFCr \"Holland\":";
  countries.rowsAnsi = {"DEUTSCHLAND", "NIEDERLANDE", "\xD6STERREICH", "SCHWEIZ"};
  countries.chooseButtonAnsi = "Verkn\xFCpfen";
  countries.thirdButtonAnsi = "aus Datei";
  ChooserView standard;
  standard.labelAnsi = "Standard-Land:";
  standard.rowsAnsi = countries.rowsAnsi;
  for (const Case& c :
       {Case{"tabrix_chooser_fields", fields}, Case{"tabrix_chooser_countries", countries},
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
