// The viewer's dialog "DIALOG_7" as the program loads it (by the name "Dialog_7"): a window of
// its own with caption, system menu, sizing border and maximise box, hidden until the viewer
// shows it, and one owner-drawn list box for the grid, each where its dialog units put it.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "converter/source_viewer_win.h"
#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

RECT Units(HWND dialog, int x, int y, int w, int h) {
  RECT at{x, y, x, y};
  MapDialogRect(dialog, &at);
  RECT size{0, 0, w, h};
  MapDialogRect(dialog, &size);
  return RECT{at.left, at.top, at.left + size.right, at.top + size.bottom};
}

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

TEST(ViewerDialog, ATopLevelSizableWindowWithOneGridListWhereItsUnitsSay) {
  HWND dialog = CreateDialogParamA(getInstance(), kViewerDialog, nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  const DWORD wanted = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_CHILD | DS_CONTROL | WS_MINIMIZEBOX), 0u);
  EXPECT_FALSE(IsWindowVisible(dialog)) << "the viewer shows itself once its grid is filled";

  // 320 x 71 units of client area.
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(Text(client), Text(Units(dialog, 0, 0, 320, 71)));

  LOGFONTA font{};
  ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                         sizeof font, &font));
  EXPECT_STREQ(font.lfFaceName, "Arial");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);

  HWND list = GetWindow(dialog, GW_CHILD);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindow(list, GW_HWNDNEXT), nullptr) << "one control only";
  char cls[32] = {};
  GetClassNameA(list, cls, sizeof cls);
  EXPECT_STRCASEEQ(cls, "ListBox");
  EXPECT_EQ(GetDlgCtrlID(list), kViewerListId);
  const DWORD listStyle = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE));
  const DWORD listWanted = WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                           LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | LBS_NOINTEGRALHEIGHT |
                           LBS_DISABLENOSCROLL | WS_HSCROLL | WS_TABSTOP;
  EXPECT_EQ(listStyle & listWanted, listWanted);
  // The border: the dialog manager may turn it into a sunken edge.
  const DWORD listExStyle = static_cast<DWORD>(GetWindowLongA(list, GWL_EXSTYLE));
  EXPECT_TRUE((listStyle & WS_BORDER) || (listExStyle & WS_EX_CLIENTEDGE));
  // No integral height: the list keeps its whole place.
  RECT place{};
  GetWindowRect(list, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(Text(place), Text(Units(dialog, 8, 9, 304, 56)));
  DestroyWindow(dialog);
}

}  // namespace
}  // namespace tabrix
