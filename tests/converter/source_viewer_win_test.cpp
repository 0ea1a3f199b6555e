// The source data viewer over a table in memory: its columns and their widths, its title, its
// grid following the window's size but not a minimised one, hiding and showing (a maximised
// viewer comes back maximised), the close box telling the frame (WM_USER+2) and a fresh viewer
// after it, and CLOSEDATA destroying it at once, before the table goes.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "browse/browse_model.h"
#include "browse/browse_win.h"
#include "converter/source_viewer_win.h"
#include "converter/tabrix_app_win.h"
#include "data/base/error.h"
#include "data/env/memory_env.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"
#include "framework/native/bridge_win.h"
#include "framework/pump_until_win.h"

namespace tabrix {
namespace {

using testing_support::PumpUntil;

constexpr char kTable[] = "C:\\DATEN\\VIEW.DBF";

// A window standing in for the frame: counts the viewer's WM_USER+2.
struct FrameStandIn {
  static LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == kViewerClosedMessage) ++closed;
    return DefWindowProcA(w, m, wp, lp);
  }
  static inline int closed = 0;
};

class SourceViewer : public ::testing::Test {
 protected:
  void SetUp() override {
    previousEnv_ = SetTableEnv(env_.get());
    // Lengths 1 and 2 (below the least), 3, 15 (the most), 16 and 80 (above it).
    CreateTable(kTable,
                {{"F", 'L', 1, 0},
                 {"KZ", 'C', 2, 0},
                 {"ABC", 'C', 3, 0},
                 {"NAME", 'C', 15, 0},
                 {"ORT", 'C', 16, 0},
                 {"ZEILE", 'C', 80, 0}},
                kDriverCdx);
    {
      AreaSwitch scope(0);
      ASSERT_TRUE(OpenTable(true, kDriverCdx, kTable, "", false, false));
      for (int i = 1; i <= 60; ++i) {
        AppendRecord();
        PutField(4, std::string("Kunde ") + std::to_string(i));
      }
      CloseArea();
    }
    table_ = ZB_NETTABLE::New(kTable);
    ASSERT_TRUE(table_->lOK);
    WNDCLASSA wc{};
    wc.lpfnWndProc = FrameStandIn::Proc;
    wc.hInstance = getInstance();
    wc.lpszClassName = "ViewerFrameStandIn";
    RegisterClassA(&wc);
    frame_ = CreateWindowExA(0, wc.lpszClassName, "frame", WS_OVERLAPPED, 0, 0, 100, 100, nullptr,
                             nullptr, getInstance(), nullptr);
    ASSERT_NE(frame_, nullptr);
    FrameStandIn::closed = 0;
    app_.CAPPNAME = "Velarto Converter";
    app_.HINST = getInstance();
    app_.HWNDMAIN = frame_;
  }
  void TearDown() override {
    CLOSEDATA();
    PumpUntil([] { return SourceViewerWindow() == nullptr; });
    if (table_) table_->Axit();
    DestroyWindow(frame_);
    CloseAllAreas();
    SetTableEnv(previousEnv_);
  }
  HWND Open() {
    SHOWDATA(app_, table_.get(), kTable, 1);
    HWND viewer = SourceViewerWindow();
    EXPECT_NE(viewer, nullptr);
    EXPECT_TRUE(viewer && IsWindowVisible(viewer));
    return viewer;
  }
  static RECT GridRect() {
    RECT r{};
    GetWindowRect(SourceViewerGrid()->Get_hWnd(), &r);
    return r;
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
  ScopedErrorHandler handler_{[](const ErrorObject&) {
    return ErrorOutcome{ErrorAction::kDefault, {}};
  }};
  std::shared_ptr<ZB_NETTABLE> table_;
  HWND frame_ = nullptr;
  AppContext app_;
};

TEST_F(SourceViewer, OneColumnPerFieldBetweenThreeAndFifteenAverageCharactersWide) {
  HWND viewer = Open();
  ASSERT_TRUE(viewer);
  char title[256] = {};
  GetWindowTextA(viewer, title, sizeof title);
  EXPECT_EQ(std::string(title), std::string("Velarto Converter   ") + kTable);

  // The average character width of the viewer's font, measured here.
  HDC dc = GetDC(viewer);
  HGDIOBJ previous =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(viewer, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  SelectObject(dc, previous);
  ReleaseDC(viewer, dc);
  ASSERT_GT(tm.tmAveCharWidth, 0);

  ZB_BROWSE* grid = SourceViewerGrid();
  ASSERT_NE(grid, nullptr);
  const std::vector<BrowseColumn>& columns = grid->Get_aDBFelder();
  const std::vector<std::string> titles = {"F", "KZ", "ABC", "NAME", "ORT", "ZEILE"};
  const std::vector<int> chars = {3, 3, 3, 15, 15, 15};
  ASSERT_GE(columns.size(), titles.size());  // and the filler column after them
  for (size_t i = 0; i < titles.size(); ++i) {
    SCOPED_TRACE(titles[i]);
    EXPECT_NE(columns[i].cTitle.find(titles[i]), std::string::npos) << columns[i].cTitle;
    EXPECT_EQ(columns[i].cType, "B");
    EXPECT_EQ(columns[i].nEdit, 0);
    EXPECT_EQ(columns[i].nWidth, chars[i] * tm.tmAveCharWidth);
  }
  EXPECT_FALSE(grid->Get_lEdit());
  // The rows show the table's records, the first on top.
  ASSERT_FALSE(grid->Model().Rows().empty());
  EXPECT_EQ(grid->Model().Rows().front().recno, 1);
}

TEST_F(SourceViewer, TheGridFollowsTheWindowButNotAMinimisedOne) {
  HWND viewer = Open();
  ASSERT_TRUE(viewer);
  const RECT normal = GridRect();
  ShowWindow(viewer, SW_MINIMIZE);
  PumpUntil([&] { return IsIconic(viewer) != FALSE; });
  ASSERT_TRUE(IsIconic(viewer));
  const RECT minimised = GridRect();
  EXPECT_EQ(minimised.right - minimised.left, normal.right - normal.left);
  EXPECT_EQ(minimised.bottom - minimised.top, normal.bottom - normal.top);
  ShowWindow(viewer, SW_RESTORE);
  PumpUntil([&] { return !IsIconic(viewer); });
  // A larger window makes a larger grid.
  RECT w{};
  GetWindowRect(viewer, &w);
  SetWindowPos(viewer, nullptr, 0, 0, w.right - w.left + 120, w.bottom - w.top + 90,
               SWP_NOMOVE | SWP_NOZORDER);
  const RECT larger = GridRect();
  EXPECT_GT(larger.right - larger.left, normal.right - normal.left);
  EXPECT_GT(larger.bottom - larger.top, normal.bottom - normal.top);
}

TEST_F(SourceViewer, HiddenAndShownAgainItStaysTheSameWindowAndMaximised) {
  HWND viewer = Open();
  ASSERT_TRUE(viewer);
  ShowWindow(viewer, SW_MAXIMIZE);
  ASSERT_TRUE(IsZoomed(viewer));
  SHOWDATA(app_, table_.get(), kTable, 0);
  EXPECT_FALSE(IsWindowVisible(viewer));
  SHOWDATA(app_, table_.get(), kTable, 1);
  EXPECT_EQ(SourceViewerWindow(), viewer);
  EXPECT_TRUE(IsWindowVisible(viewer));
  EXPECT_TRUE(IsZoomed(viewer));
  EXPECT_EQ(FrameStandIn::closed, 0);
}

TEST_F(SourceViewer, TheCloseBoxTellsTheFrameAndTheNextTickMakesAFreshViewer) {
  HWND viewer = Open();
  ASSERT_TRUE(viewer);
  ZB_BROWSE* first = SourceViewerGrid();
  first->Model().Scroll(BrowseModel::kThumb, BrowseModel::kThumbEnd);
  PostMessageA(viewer, WM_SYSCOMMAND, SC_CLOSE, 0);
  ASSERT_TRUE(PumpUntil([&] { return !IsWindow(viewer) && FrameStandIn::closed == 1; }));
  EXPECT_EQ(SourceViewerWindow(), nullptr);
  // The next tick: a new viewer, at the top of the table.
  HWND again = Open();
  ASSERT_TRUE(again);
  ASSERT_FALSE(SourceViewerGrid()->Model().Rows().empty());
  EXPECT_EQ(SourceViewerGrid()->Model().Rows().front().recno, 1);
  EXPECT_EQ(FrameStandIn::closed, 1);
}

TEST_F(SourceViewer, ClosedByCloseDataItIsGoneBeforeTheCallReturns) {
  HWND viewer = Open();
  ASSERT_TRUE(viewer);
  CLOSEDATA();
  EXPECT_FALSE(IsWindow(viewer));
  EXPECT_EQ(SourceViewerWindow(), nullptr);
  EXPECT_EQ(SourceViewerGrid(), nullptr);
  PumpUntil([] { return FrameStandIn::closed == 1; });
  EXPECT_EQ(FrameStandIn::closed, 1);
  CLOSEDATA();  // nothing left to close
  // Without a viewer, a SHOWDATA without a table makes none.
  SHOWDATA(app_, nullptr, kTable, 1);
  EXPECT_EQ(SourceViewerWindow(), nullptr);
}

}  // namespace
}  // namespace tabrix
