// The drawing functions on memory device contexts: wrappers pass the platform's results through,
// DRAWBITMAP copies, TRANSBMP keeps the target under transparent pixels, CHBMPCOLOR recolours in
// place.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browse/bitmap_win.h"
#include "browse/clip_win.h"
#include "browse/dc_win.h"
#include "browse/font_win.h"
#include "browse/gdi_handle_win.h"
#include "browse/gdi_win.h"

namespace tabrix {
namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kLightGrey = RGB(0xC0, 0xC0, 0xC0);

// A colour bitmap compatible with the screen, filled from rows of colours.
HBITMAP MakeBitmap(const std::vector<std::vector<COLORREF>>& rows) {
  HDC screen = GetDC(nullptr);
  int h = static_cast<int>(rows.size());
  int w = static_cast<int>(rows[0].size());
  HBITMAP bitmap = CreateCompatibleBitmap(screen, w, h);
  HDC dc = CreateCompatibleDC(screen);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) SetPixel(dc, x, y, rows[y][x]);
  SelectObject(dc, previous);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

std::vector<std::vector<COLORREF>> ReadBitmap(HBITMAP bitmap) {
  BITMAP header{};
  GetObjectA(bitmap, sizeof header, &header);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  std::vector<std::vector<COLORREF>> rows(header.bmHeight, std::vector<COLORREF>(header.bmWidth));
  for (int y = 0; y < header.bmHeight; ++y)
    for (int x = 0; x < header.bmWidth; ++x) rows[y][x] = GetPixel(dc, x, y);
  SelectObject(dc, previous);
  DeleteDC(dc);
  return rows;
}

// A memory device context holding a screen-compatible bitmap filled with one colour.
class Target {
 public:
  Target(int w, int h, COLORREF fill) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    previous_ = SelectObject(dc_, bitmap_);
    HBRUSH brush = CreateSolidBrush(fill);
    RECT all{0, 0, w, h};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
  }
  ~Target() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  GdiHandle handle() const { return ToGdiHandle(dc_); }
  COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ previous_;
};

TEST(DrawBitmapTest, CopiesTheWholeBitmapAndIgnoresOtherHandles) {
  const std::vector<std::vector<COLORREF>> rows{{kRed, kGreen, kRed}, {kYellow, kRed, kGreen}};
  HBITMAP bitmap = MakeBitmap(rows);
  Target target(8, 5, kBlue);
  DRAWBITMAP(target.handle(), ToGdiHandle(bitmap), 5, 3);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 5 && y >= 3;  // 3 x 2 pixels at (5, 3)
      EXPECT_EQ(target.At(x, y), inside ? rows[y - 3][x - 5] : kBlue) << x << "," << y;
    }
  }
  HBRUSH brush = CreateSolidBrush(kRed);
  DRAWBITMAP(target.handle(), ToGdiHandle(brush), 0, 0);  // not a bitmap: nothing drawn
  EXPECT_EQ(target.At(0, 0), kBlue);
  DeleteObject(brush);
  EXPECT_EQ(ReadBitmap(bitmap), rows);
  DeleteObject(bitmap);
}

TEST(TransBmpTest, TransparentPixelsShowTheTarget) {
  const std::vector<std::vector<COLORREF>> mixed{{kRed, kGreen, kRed}, {kYellow, kRed, kGreen}};
  const std::vector<std::vector<COLORREF>> opaque{{kGreen, kYellow, kGreen},
                                                  {kYellow, kGreen, kYellow}};
  const std::vector<std::vector<COLORREF>> clear{{kRed, kRed, kRed}, {kRed, kRed, kRed}};
  for (const auto* rows : {&mixed, &opaque, &clear}) {
    HBITMAP bitmap = MakeBitmap(*rows);
    Target target(10, 6, kBlue);
    TRANSBMP(target.handle(), ToGdiHandle(bitmap), 4, 2, kRed);
    for (int y = 0; y < 6; ++y) {
      for (int x = 0; x < 10; ++x) {
        bool inside = x >= 4 && x < 7 && y >= 2 && y < 4;
        COLORREF want = kBlue;
        if (inside && (*rows)[y - 2][x - 4] != kRed) want = (*rows)[y - 2][x - 4];
        EXPECT_EQ(target.At(x, y), want) << x << "," << y;
      }
    }
    EXPECT_EQ(ReadBitmap(bitmap), *rows);  // the bitmap itself is left as it was
    DeleteObject(bitmap);
  }
}

TEST(ChBmpColorTest, RecoloursOnlyTheOldColour) {
  const std::vector<std::vector<COLORREF>> rows{{kLightGrey, kGreen, kLightGrey},
                                                {kYellow, kLightGrey, RGB(0xC0, 0xC0, 0xC1)}};
  HBITMAP bitmap = MakeBitmap(rows);
  const COLORREF face = RGB(0xD4, 0xD0, 0xC8);
  CHBMPCOLOR(ToGdiHandle(bitmap), kLightGrey, face);
  std::vector<std::vector<COLORREF>> want = rows;
  for (auto& row : want)
    for (COLORREF& pixel : row)
      if (pixel == kLightGrey) pixel = face;
  EXPECT_EQ(ReadBitmap(bitmap), want);
  DeleteObject(bitmap);
}

TEST(ChBmpColorTest, LeavesMonochromeBitmapsAndBadHandlesAlone) {
  const BYTE bits[4] = {0xA0, 0, 0x50, 0};  // 4 × 2 pixels, rows padded to 16 bits
  HBITMAP mono = CreateBitmap(4, 2, 1, 1, bits);
  CHBMPCOLOR(ToGdiHandle(mono), RGB(0, 0, 0), RGB(255, 255, 255));
  BYTE after[4] = {};
  ASSERT_EQ(GetBitmapBits(mono, sizeof after, after), 4);
  EXPECT_EQ(after[0] & 0xF0, 0xA0);
  EXPECT_EQ(after[2] & 0xF0, 0x50);
  DeleteObject(mono);
  CHBMPCOLOR(0, kRed, kBlue);  // nothing to do, nothing breaks
}

TEST(CreateFontTest, ArrayAndSeparateArgumentsGiveTheSameFont) {
  HFONT separate = FromGdiHandle<HFONT>(
      CREATEFONT(-13, 0, 0, 0, FW_BOLD, true, false, true, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, "Arial"));
  std::vector<Value> array{int32_t{-13},
                           int32_t{0},
                           int32_t{0},
                           int32_t{0},
                           int32_t{FW_BOLD},
                           true,
                           false,
                           true,
                           int32_t{ANSI_CHARSET},
                           int32_t{OUT_DEFAULT_PRECIS},
                           int32_t{CLIP_DEFAULT_PRECIS},
                           int32_t{DEFAULT_QUALITY},
                           int32_t{VARIABLE_PITCH | FF_SWISS},
                           std::string("Arial")};
  HFONT fromArray = FromGdiHandle<HFONT>(CREATEFONT(array));
  ASSERT_NE(separate, nullptr);
  ASSERT_NE(fromArray, nullptr);
  LOGFONTA a{}, b{};
  ASSERT_EQ(GetObjectA(separate, sizeof a, &a), static_cast<int>(sizeof a));
  ASSERT_EQ(GetObjectA(fromArray, sizeof b, &b), static_cast<int>(sizeof b));
  EXPECT_EQ(a.lfHeight, -13);
  EXPECT_EQ(a.lfWeight, FW_BOLD);
  EXPECT_TRUE(a.lfItalic);
  EXPECT_TRUE(a.lfStrikeOut);
  EXPECT_EQ(std::string(a.lfFaceName), "Arial");
  EXPECT_EQ(memcmp(&a, &b, sizeof a), 0);
  DeleteObject(separate);
  DeleteObject(fromArray);
  array.pop_back();
  EXPECT_EQ(CREATEFONT(array), 0u);  // not fourteen values: no font
}

TEST(DrawingWrappersTest, PassThePlatformResultsThrough) {
  Target target(20, 20, RGB(255, 255, 255));
  GdiHandle dc = target.handle();
  EXPECT_EQ(SETBKCOLOR(dc, kGreen), RGB(255, 255, 255));
  EXPECT_EQ(SETBKCOLOR(dc, kBlue), kGreen);
  EXPECT_EQ(SETTEXTCOLOR(dc, kRed), RGB(0, 0, 0));
  EXPECT_EQ(SETBKMODE(dc, TRANSPARENT), OPAQUE);
  EXPECT_EQ(SETBKMODE(dc, OPAQUE), TRANSPARENT);
  EXPECT_GT(GETDEVICECAPS(dc, BITSPIXEL), 0);

  GdiHandle pen = CREATEPEN(PS_SOLID, 1, kRed);
  GdiHandle brush = CREATESOLIDBRUSH(kBlue);
  ASSERT_NE(pen, 0u);
  ASSERT_NE(brush, 0u);
  GdiHandle oldPen = SELECTOBJECT(dc, pen);
  GdiHandle oldBrush = SELECTOBJECT(dc, brush);
  EXPECT_NE(oldPen, 0u);
  EXPECT_TRUE(RECTANGLE(dc, 2, 2, 8, 8));
  EXPECT_EQ(target.At(2, 2), kRed);   // frame in the pen's colour
  EXPECT_EQ(target.At(5, 5), kBlue);  // inside in the brush's colour
  EXPECT_TRUE(MOVETO(dc, 0, 15));
  EXPECT_TRUE(LINETO(dc, 20, 15));
  EXPECT_EQ(target.At(10, 15), kRed);
  // An excluded rectangle is not drawn into.
  EXPECT_NE(EXCLUDECLIPRECT(dc, 10, 0, 20, 10), ERROR);
  EXPECT_TRUE(RECTANGLE(dc, 0, 0, 20, 10));
  EXPECT_EQ(target.At(15, 5), RGB(255, 255, 255));
  EXPECT_EQ(target.At(5, 0), kRed);
  EXPECT_EQ(SELECTOBJECT(dc, oldPen), pen);
  EXPECT_EQ(SELECTOBJECT(dc, oldBrush), brush);
  EXPECT_TRUE(DELETEOBJECT(pen));
  EXPECT_TRUE(DELETEOBJECT(brush));
  EXPECT_FALSE(DELETEOBJECT(0));
}

TEST(DrawingWrappersTest, TextAndDeviceContexts) {
  GdiHandle screen = ToGdiHandle(GetDC(nullptr));
  GdiHandle memory = CRCOMPDC(screen);
  ASSERT_NE(memory, 0u);
  GdiHandle bitmap = COMPATBMP(screen, 60, 20);
  ASSERT_NE(bitmap, 0u);
  GdiHandle previous = SELECTOBJECT(memory, bitmap);
  RECT all{0, 0, 60, 20};
  FillRect(FromGdiHandle<HDC>(memory), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SETTEXTCOLOR(memory, kRed);
  SETBKMODE(memory, TRANSPARENT);
  EXPECT_TRUE(TEXTOUT(memory, 2, 2, "Müller"));
  int red = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x) red += GetPixel(FromGdiHandle<HDC>(memory), x, y) == kRed;
  EXPECT_GT(red, 10);
  SELECTOBJECT(memory, previous);
  EXPECT_TRUE(DELETEOBJECT(bitmap));
  EXPECT_TRUE(DELETEDC(memory));
  EXPECT_FALSE(DELETEDC(0));
  EXPECT_EQ(RELEASEDC(0, screen), 1);
}

}  // namespace
}  // namespace tabrix
