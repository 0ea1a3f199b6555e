// The converter's frame: its window class, the current dialog it wraps (created, destroyed,
// with and without a window text, notifications from deeper down), the host dialog with the
// start picture, the converter's messages, focus and closing.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "converter/frame_fixture_win.h"
#include "converter/win_converter_ui_win.h"

namespace tabrix::testing_support {
namespace {

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

using TabrixFrameTest = FrameTest;

TEST_F(TabrixFrameTest, RegistersTheClassTabrixWithItsStyleIconCursorAndBackground) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  ASSERT_TRUE(GetClassInfoExA(getInstance(), kFrameClassName, &wc));
  EXPECT_EQ(wc.style, 2059u);  // CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_SAVEBITS
  EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(13));  // COLOR_APPWORKSPACE + 1
  EXPECT_EQ(wc.hCursor, LoadCursorA(nullptr, IDC_ARROW));
  ASSERT_NE(wc.hIcon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(wc.hIcon, &info));
  BITMAP colour{};
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  EXPECT_EQ(ctx_.OAPP, app_.get());
  EXPECT_EQ(app_->oWnd, app_.get());
  EXPECT_EQ(TextOf(frame()), "Velarto Converter");
  EXPECT_EQ(kFrameStyle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
}

TEST_F(TabrixFrameTest, TheHostDialogIsFittedCentredAndShown) {
  ASSERT_EQ(Text(WindowRect(frame())), Text(Parked()));
  ASSERT_GE(Parked().top, GetSystemMetrics(SM_CYSCREEN) + 10);  // out of sight
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(ctx_.D_HWNDLG, host);
  EXPECT_EQ(app_->HostDialog(), host);
  EXPECT_TRUE(IsWindowVisible(frame()));
  EXPECT_EQ(Text(WindowRect(frame())), Text(Fitted(WindowRect(host))));
  // The dialog sits at the origin of the frame's client area.
  POINT origin{0, 0};
  ClientToScreen(frame(), &origin);
  EXPECT_EQ(WindowRect(host).left, origin.x);
  EXPECT_EQ(WindowRect(host).top, origin.y);
  ASSERT_FALSE(app_->traces.empty());
  EXPECT_EQ(app_->traces.back().first, "WM_PARENTNOTIFY hWndMain WM_CREATE");
  EXPECT_EQ(app_->traces.back().second, "#32770");
}

TEST_F(TabrixFrameTest, TheFirstWorkingDialogDestroysTheHostDialogAndBecomesCurrent) {
  app_->SetHostPicture(OwnedBitmap(LoadBitmapA(getInstance(), "BITMAP_1")));
  ASSERT_TRUE(app_->HasHostPicture());
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);

  HWND working = ChildDialog(kConverterDialog);
  ASSERT_NE(working, nullptr);
  EXPECT_FALSE(IsWindow(host));
  EXPECT_EQ(app_->HostDialog(), nullptr);
  EXPECT_FALSE(app_->HasHostPicture());  // deleted with its dialog
  EXPECT_EQ(ctx_.D_HWNDLG, working);
  EXPECT_TRUE(IsWindowVisible(frame()));
  EXPECT_EQ(Text(WindowRect(frame())), Text(Fitted(WindowRect(working))));
}

TEST_F(TabrixFrameTest, EachNewDialogRefitsTheFrameAndTheCurrentOnesEndHidesIt) {
  struct Step {
    const char* dialog;
  };
  for (const Step& step : {Step{kProgressDialog}, Step{kChooserDialog}, Step{kProtocolDialog},
                           Step{kChooserWithThirdButton}, Step{kConverterDialog}}) {
    SCOPED_TRACE(step.dialog);
    HWND dialog = ChildDialog(step.dialog);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ctx_.D_HWNDLG, dialog);
    EXPECT_TRUE(IsWindowVisible(frame()));
    EXPECT_EQ(Text(WindowRect(frame())), Text(Fitted(WindowRect(dialog))));
    DestroyWindow(dialog);
    EXPECT_EQ(ctx_.D_HWNDLG, nullptr);
    EXPECT_FALSE(IsWindowVisible(frame()));
    EXPECT_EQ(app_->traces.back().first, "WM_PARENTNOTIFY hWndMain WM_DESTROY");
  }
}

TEST_F(TabrixFrameTest, AChildWithoutTextBecomesCurrentButDoesNotMoveOrShowTheFrame) {
  const RECT before = WindowRect(frame());
  HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame(),
                               nullptr, getInstance(), nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(ctx_.D_HWNDLG, child);
  EXPECT_EQ(Text(WindowRect(frame())), Text(before));
  EXPECT_EQ(Text(before), Text(Parked()));
  // A frame that was hidden stays hidden.
  DestroyWindow(child);
  ASSERT_FALSE(IsWindowVisible(frame()));
  child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, frame(), nullptr,
                          getInstance(), nullptr);
  EXPECT_EQ(ctx_.D_HWNDLG, child);
  EXPECT_FALSE(IsWindowVisible(frame()));
  EXPECT_EQ(Text(WindowRect(frame())), Text(before));
}

TEST_F(TabrixFrameTest, DestroyingAChildThatIsNotCurrentChangesNothing) {
  HWND first = ChildDialog(kProgressDialog);
  HWND second = ChildDialog(kChooserDialog);
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  const RECT fitted = WindowRect(frame());
  DestroyWindow(first);
  EXPECT_EQ(ctx_.D_HWNDLG, second);
  EXPECT_TRUE(IsWindowVisible(frame()));
  EXPECT_EQ(Text(WindowRect(frame())), Text(fitted));
}

TEST_F(TabrixFrameTest, NotificationsFromControlsInsideADialogChangeNothing) {
  HWND dialog = ChildDialog(kProtocolDialog);
  ASSERT_NE(dialog, nullptr);
  HWND inner = GetDlgItem(dialog, kProtocolEditId);
  ASSERT_NE(inner, nullptr);
  const RECT fitted = WindowRect(frame());
  // Passed on to the frame as the platform may do for descendants.
  SendMessageA(frame(), WM_PARENTNOTIFY, MAKEWPARAM(WM_CREATE, kProtocolEditId),
               reinterpret_cast<LPARAM>(inner));
  EXPECT_EQ(ctx_.D_HWNDLG, dialog);
  SendMessageA(frame(), WM_PARENTNOTIFY, MAKEWPARAM(WM_DESTROY, kProtocolEditId),
               reinterpret_cast<LPARAM>(inner));
  EXPECT_EQ(ctx_.D_HWNDLG, dialog);
  EXPECT_TRUE(IsWindowVisible(frame()));
  EXPECT_EQ(Text(WindowRect(frame())), Text(fitted));
  // The protocol's edit area is re-created the same way: still nothing for the frame.
  EDITFENSTER(dialog, 0);
  EXPECT_EQ(ctx_.D_HWNDLG, dialog);
}

TEST_F(TabrixFrameTest, AClickOnAChildRemovesTheHostDialogOnly) {
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);
  SendMessageA(frame(), WM_PARENTNOTIFY, WM_LBUTTONDOWN, MAKELPARAM(5, 5));
  EXPECT_FALSE(IsWindow(host));
  EXPECT_EQ(ctx_.D_HWNDLG, nullptr);  // the host was current: its end hides the frame
  EXPECT_FALSE(IsWindowVisible(frame()));
}

TEST_F(TabrixFrameTest, TheHostDialogPaintsThePictureWithRedLeftTransparent) {
  app_->SetHostPicture(OwnedBitmap(LoadBitmapA(getInstance(), "BITMAP_1")));
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);
  ASSERT_TRUE(PumpUntil([&] {
    RedrawWindow(host, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    return GetUpdateRect(host, nullptr, FALSE) == FALSE;
  }));
  HDC dc = GetDC(host);
  ASSERT_NE(dc, nullptr);
  const COLORREF face = GetPixel(dc, 5, 5);  // the dialog's own background
  // Picture pixel (x, y) lands at (100 + x, 10 + y): its red corner shows the background, the
  // cylinder's top (light blue) and the arrow (orange) show themselves.
  struct Probe {
    int x, y;
    COLORREF expected;
  };
  for (const Probe& p : {Probe{0, 0, face}, Probe{299, 299, face}, Probe{150, 5, face},
                         Probe{234, 58, RGB(150, 196, 245)}, Probe{140, 128, RGB(245, 140, 20)}}) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(GetPixel(dc, 100 + p.x, 10 + p.y), p.expected);
  }
  ReleaseDC(host, dc);
  EXPECT_NE(face, RGB(255, 0, 0));
}

TEST_F(TabrixFrameTest, TheHostDialogHoldsThePictureInsideTheFrame) {
  HWND host = app_->CreateHostDialog();
  ASSERT_NE(host, nullptr);
  RECT client{};
  GetClientRect(frame(), &client);
  // The picture ends at (400, 310); the frame shows at least that much of the dialog, with
  // room to spare on the right and below.
  EXPECT_GE(client.right, 400 + 10);
  EXPECT_GE(client.bottom, 310 + 10);
}

TEST_F(TabrixFrameTest, ConverterMessagesOpenRestartAndUntickTheViewerBox) {
  SendMessageA(frame(), kOpenJobMessage, 0, 0);
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CONVINIT 1"}));

  HWND dialog = ChildDialog(kConverterDialog);
  ASSERT_NE(dialog, nullptr);
  CheckDlgButton(dialog, kViewerBoxId, BST_CHECKED);
  SendMessageA(frame(), kViewerClosedMessage, 0, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, kViewerBoxId), static_cast<UINT>(BST_UNCHECKED));

  // The restart ends the job, then the dialog, before the new job opens.
  jobs_.calls.clear();
  bool dialogAtClose = false, dialogAtOpen = true;
  jobs_.onCloseAll = [&] { dialogAtClose = IsWindow(dialog) != FALSE; };
  jobs_.onConvinit = [&](int) { dialogAtOpen = IsWindow(dialog) != FALSE; };
  SendMessageA(frame(), kRestartJobMessage, 0, 0);
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CLOSEALL", "CONVINIT 1"}));
  EXPECT_TRUE(dialogAtClose);
  EXPECT_FALSE(dialogAtOpen);
  EXPECT_EQ(ctx_.D_HWNDLG, nullptr);
  EXPECT_EQ(app_->traces.front().first, "WM_PARENTNOTIFY hWndMain WM_CREATE");
  bool traced = false;
  for (const auto& t : app_->traces) traced |= t.first == "WM_USER+1  hWndMain";
  EXPECT_TRUE(traced);
}

TEST_F(TabrixFrameTest, FocusReachingTheFrameGoesOnToTheCurrentDialog) {
  HWND dialog = ChildDialog(kChooserDialog);
  ASSERT_NE(dialog, nullptr);
  SetForegroundWindow(frame());
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == frame(); }));
  ASSERT_TRUE(PumpUntil([&] { return IsChild(dialog, GetFocus()) != FALSE; }));
  // The focus leaves the program's windows and comes back to the frame.
  SetFocus(nullptr);
  app_->traces.clear();
  SetFocus(frame());
  EXPECT_TRUE(IsChild(dialog, GetFocus()));
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kChooserListId));  // its first control
  bool traced = false;
  for (const auto& t : app_->traces) traced |= t.first == "WM_SETFOCUS hWndMain";
  EXPECT_TRUE(traced);
}

TEST_F(TabrixFrameTest, ADialogCreatedInTheActiveFrameGetsKeyboardNavigationAndTheFocus) {
  SetForegroundWindow(frame());
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == frame(); }));
  HWND dialog = ChildDialog(kChooserDialog);
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(app_->hglobal, dialog);
  ASSERT_TRUE(PumpUntil([&] { return IsChild(dialog, GetFocus()) != FALSE; }));
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kChooserListId));
  // Deactivating the frame takes the navigation away, activating it gives it back.
  SendMessageA(frame(), WM_ACTIVATE, WA_INACTIVE, 0);
  SendMessageA(frame(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kChooserListId));
  DestroyWindow(dialog);
  EXPECT_EQ(app_->hglobal, nullptr);
}

TEST_F(TabrixFrameTest, ClosingEndsTheJobDestroysTheDialogAndTheFrame) {
  HWND dialog = ChildDialog(kConverterDialog);
  ASSERT_NE(dialog, nullptr);
  bool dialogAtClose = false;
  jobs_.onCloseAll = [&] { dialogAtClose = IsWindow(dialog) != FALSE; };
  SendMessageA(frame(), WM_CLOSE, 0, 0);
  EXPECT_EQ(jobs_.calls, (std::vector<std::string>{"CLOSEALL"}));
  EXPECT_TRUE(dialogAtClose);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_FALSE(IsWindow(frame()));
  EXPECT_TRUE(app_->QuitFlagSet());
  // The trace of the close comes first, then the dialog's end.
  ASSERT_GE(app_->traces.size(), 2u);
  EXPECT_EQ(app_->traces[app_->traces.size() - 2].first, "OnClose");
  EXPECT_EQ(app_->traces.back().first, "WM_PARENTNOTIFY hWndMain WM_DESTROY");
}

TEST(TabrixFrameGeometry, WinlookdlgSizesTheFrameToTheDialogPlusOneCaptionAndCentresIt) {
  UseBuildResourceLibrary();
  HWND frame = CreateWindowExA(0, "STATIC", "frame", WS_POPUP | WS_CAPTION, 3, 4, 10, 10, nullptr,
                               nullptr, getInstance(), nullptr);
  HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                getInstance(), nullptr);
  ASSERT_NE(frame, nullptr);
  ASSERT_NE(dialog, nullptr);
  const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
  const int caption = GetSystemMetrics(SM_CYCAPTION);
  struct Case {
    int w, h;
  };
  for (const Case& c : {Case{495, 341}, Case{220, 94}, Case{301, 300}}) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    MoveWindow(dialog, 17, 23, c.w, c.h, FALSE);
    WINLOOKDLG(frame, dialog);
    // Each quotient is cut to a whole number.
    const int x = (cx - c.w) / 2, y = (cy - c.h) / 2 - caption;
    EXPECT_EQ(Text(WindowRect(frame)), Text(RECT{x, y, x + c.w, y + c.h + caption}));
    EXPECT_TRUE(IsWindowVisible(frame));
    HIDEWINDOW(frame);
    EXPECT_FALSE(IsWindowVisible(frame));
  }
  DestroyWindow(dialog);
  DestroyWindow(frame);
}

}  // namespace
}  // namespace tabrix::testing_support
