// The standard library's drawing and system pieces on the real platform under Wine: the
// message bar read back pixel by pixel from a memory bitmap, the wait cursor, the status font,
// and library loading and calling behind CTL3DOPEN.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "data/stdlib/stfkt.h"
#include "data/stdlib/stfkt_win.h"

namespace tabrix {
namespace {

// A 32-bit memory bitmap of the given size, selected into a memory device context, pre-filled
// white so untouched pixels are known.
class Canvas {
 public:
  Canvas(int width, int height) : width_(width) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ =
        CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_), nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    RECT all{0, 0, width, height};
    FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  HDC dc() const { return dc_; }
  COLORREF At(int x, int y) const {
    GdiFlush();
    uint32_t p = bits_[y * width_ + x];  // 0x00RRGGBB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

 private:
  int width_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  uint32_t* bits_ = nullptr;
};

// A hidden window whose client area is width x height.
HWND ClientWindow(int width, int height) {
  return CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, nullptr,
                         nullptr);
}

TEST(CMsgWin, RaisedBarHasHighlightTopLeftShadowBottomRightAndRestoresColours) {
  Canvas canvas(200, 100);
  HWND window = ClientWindow(200, 100);
  SetBkColor(canvas.dc(), RGB(1, 2, 3));
  SetTextColor(canvas.dc(), RGB(4, 5, 6));
  const COLORREF background = RGB(200, 220, 240);
  MsgBarArgs args;
  args.inset = 1;
  args.rowOffset = 2;  // rectangle (10, 24, 150, 44), bar (10, 21, 150, 41)
  args.rect = MsgRect{10, 20, 150, 40};
  args.raised = true;
  args.background = background;
  C_MSG(window, "", args, canvas.dc());

  const COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
  const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(canvas.At(10, 30), light);    // left
  EXPECT_EQ(canvas.At(80, 21), light);    // top
  EXPECT_EQ(canvas.At(149, 30), shadow);  // right
  EXPECT_EQ(canvas.At(80, 40), shadow);   // bottom
  EXPECT_EQ(canvas.At(80, 30), background);
  EXPECT_EQ(canvas.At(80, 20), RGB(255, 255, 255));  // above the bar: untouched
  EXPECT_EQ(canvas.At(80, 41), RGB(255, 255, 255));  // below it
  EXPECT_EQ(GetBkColor(canvas.dc()), RGB(1, 2, 3));
  EXPECT_EQ(GetTextColor(canvas.dc()), RGB(4, 5, 6));

  // Sunken: the reverse.
  args.raised = false;
  C_MSG(window, "", args, canvas.dc());
  EXPECT_EQ(canvas.At(10, 30), shadow);
  EXPECT_EQ(canvas.At(149, 30), light);
  DestroyWindow(window);
}

TEST(CMsgWin, BottomBarIsAGrooveInABlackOutlineWithCentredText) {
  Canvas canvas(300, 200);
  HWND window = ClientWindow(300, 200);
  MsgBarArgs args;
  args.inset = 0;
  args.rowOffset = 0;  // bar (0, 172, 300, 200); outline from y 174; groove (10, 176, 290, 196)
  args.background = RGB(192, 192, 192);
  args.textColour = RGB(255, 0, 0);
  C_MSG(window, "WWWW", args, canvas.dc());

  EXPECT_EQ(canvas.At(20, 173), RGB(255, 255, 255));  // the top two rows stay (off the text)
  EXPECT_EQ(canvas.At(20, 174), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(0, 185), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(299, 185), RGB(0, 0, 0));
  EXPECT_EQ(canvas.At(10, 185), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(canvas.At(289, 185), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(canvas.At(5, 185), RGB(192, 192, 192));
  // Centred text in red somewhere in the middle of the text rectangle (1, 173, 300, 201).
  int red = 0, redLeft = 300, redRight = 0;
  for (int y = 173; y < 200; ++y) {
    for (int x = 0; x < 300; ++x) {
      if (canvas.At(x, y) != RGB(255, 0, 0)) continue;
      ++red;
      redLeft = std::min(redLeft, x);
      redRight = std::max(redRight, x);
    }
  }
  ASSERT_GT(red, 0);
  EXPECT_LT(std::abs((redLeft + redRight) / 2 - 150), 6);
  DestroyWindow(window);
}

TEST(CMsgWin, UnframedBarIsOnlyFilledAndPlainTextStartsAtTheTopLeft) {
  Canvas canvas(200, 100);
  HWND window = ClientWindow(200, 100);
  MsgBarArgs args;
  args.inset = 0;
  args.rowOffset = 0;
  args.rect = MsgRect{20, 20, 180, 60};  // bar (20, 18, 180, 58), text from (21, 19)
  args.framed = false;
  args.format = 0;
  args.background = RGB(0, 128, 0);
  args.textColour = RGB(0, 0, 255);
  C_MSG(window, "MMMMMMMM", args, canvas.dc());
  EXPECT_EQ(canvas.At(20, 40), RGB(0, 128, 0));
  EXPECT_EQ(canvas.At(179, 57), RGB(0, 128, 0));
  int blueLeft = 200;
  for (int y = 19; y < 40; ++y)
    for (int x = 0; x < 200; ++x)
      if (canvas.At(x, y) == RGB(0, 0, 255)) blueLeft = std::min(blueLeft, x);
  EXPECT_GE(blueLeft, 21);
  EXPECT_LT(blueLeft, 30);  // starts at the left, not centred
  DestroyWindow(window);
}

TEST(StfktWin, WaitAndArrowCursor) {
  WAITC();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_WAIT));
  RESUMEC();
  EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, IDC_ARROW));
}

TEST(StfktWin, TipFontIsTheStatusFontAsAListOf15) {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
  std::vector<Value> font = GETTIPFONT();
  ASSERT_EQ(font.size(), 15u);
  EXPECT_EQ(font[0], Value{int32_t{metrics.lfStatusFont.lfHeight}});
  EXPECT_EQ(font[4], Value{int32_t{metrics.lfStatusFont.lfWeight}});
  EXPECT_EQ(font[8], Value{int32_t{metrics.lfStatusFont.lfCharSet}});
  EXPECT_EQ(font[12], Value{int32_t{metrics.lfStatusFont.lfPitchAndFamily}});
  EXPECT_EQ(font[13], Value{std::string(metrics.lfStatusFont.lfFaceName)});
  EXPECT_NE(font[13], Value{std::string("ERROR")});
  EXPECT_TRUE(std::holds_alternative<Null>(font[14]));

  // The attributes in their places, and the failure list.
  LOGFONTA f{};
  f.lfItalic = 1;
  f.lfUnderline = 2;
  f.lfStrikeOut = 3;
  f.lfQuality = 4;
  std::strcpy(f.lfFaceName, "Tahoma");
  font = TipFontList(&f);
  EXPECT_EQ(font[5], Value{int32_t{1}});
  EXPECT_EQ(font[6], Value{int32_t{2}});
  EXPECT_EQ(font[7], Value{int32_t{3}});
  EXPECT_EQ(font[11], Value{int32_t{4}});
  EXPECT_EQ(font[13], Value{std::string("Tahoma")});
  font = TipFontList(nullptr);
  ASSERT_EQ(font.size(), 15u);
  for (size_t i = 0; i < font.size(); ++i) {
    if (i == 13) {
      EXPECT_EQ(font[i], Value{std::string("ERROR")});
    } else {
      EXPECT_TRUE(std::holds_alternative<Null>(font[i])) << i;
    }
  }
}

TEST(CMsgWin, WithoutADeviceContextItDrawsOnTheWindow) {
  HWND window = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                nullptr, nullptr, nullptr, nullptr);
  UpdateWindow(window);
  MsgBarArgs args;
  args.inset = 0;
  args.rowOffset = 0;
  args.rect = MsgRect{20, 22, 180, 62};  // bar (20, 20, 180, 60)
  args.raised = true;
  args.background = RGB(0, 0, 160);
  C_MSG(window, "", args);
  HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 100, 40), RGB(0, 0, 160));
  EXPECT_EQ(GetPixel(dc, 20, 40), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(GetPixel(dc, 179, 40), GetSysColor(COLOR_BTNSHADOW));
  ReleaseDC(window, dc);
  DestroyWindow(window);
}

TEST(StfktWin, LibrariesAreLoadedAndCalledThroughThePlatform) {
  StfktSystem& sys = BuiltInStfktSystem();
  EXPECT_EQ(sys.LoadLibraryFile("tabrix_no_such_library.dll"), 0u);  // and no box
  ModuleHandle user = sys.LoadLibraryFile("user32.dll");
  ASSERT_NE(user, 0u);
  HWND window = ClientWindow(10, 10);
  EXPECT_EQ(sys.CallLibraryFunction(user, "IsWindow", reinterpret_cast<uintptr_t>(window)), 1);
  EXPECT_EQ(sys.CallLibraryFunction(user, "IsWindow", 0), 0);
  EXPECT_NE(sys.CallLibraryFunction(user, "GetDesktopWindow", std::nullopt).value_or(0), 0);
  EXPECT_EQ(sys.CallLibraryFunction(user, "Ctl3dRegister", 0), std::nullopt);
  sys.FreeLibraryModule(user);
  DestroyWindow(window);
  EXPECT_EQ(sys.ProgramInstance(), reinterpret_cast<ModuleHandle>(GetModuleHandleA(nullptr)));
}

TEST(StfktWin, VersionAndUserFromThePlatform) {
  OsVersion version;
  ASSERT_TRUE(GETVEREX(version));
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_TRUE(GetVersionExA(&info));
  EXPECT_EQ(version.major, static_cast<int>(info.dwMajorVersion));
  EXPECT_EQ(version.build, static_cast<int>(info.dwBuildNumber));
  EXPECT_EQ(version.platformId, VER_PLATFORM_WIN32_NT);
  EXPECT_EQ(ISWIN5X(), info.dwMajorVersion == 5);
  std::string user;
  const bool got = NETGETUSER(user);
  EXPECT_EQ(got, !user.empty());
}

}  // namespace
}  // namespace tabrix
