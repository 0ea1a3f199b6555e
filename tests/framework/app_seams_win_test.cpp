// The application object's connections to the rest of the program: the resource library
// handed to the standard functions, the values the owner-drawn lists take from it, and the
// table layer behind closing the main window, the alias areas and the deleted-records setting.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/env/memory_env.h"
#include "data/stdlib/stfkt.h"
#include "data/stdlib/stfkt_fake.h"
#include "data/table/table_area.h"
#include "framework/hotkeys.h"
#include "framework/od_list_win.h"
#include "framework/zb_app_win.h"

namespace tabrix {
namespace {

class SeamApp : public ZB_APP {
 public:
  using ZB_APP::AreaOfAlias;
  using ZB_APP::DeletedRecordsVisible;

 protected:
  int ShowBox(HWND, const std::string&, const std::string&, UINT) override { return IDOK; }
  std::string TempDirFor(const std::string&) override { return TABRIX_BINARY_DIR "/"; }
  void Trace(const std::string&) override {}
};

class AppSeamsTest : public testing::Test {
 protected:
  void SetUp() override { previousEnv_ = SetTableEnv(env_.get()); }
  void TearDown() override {
    CloseAllAreas();
    SetTableEnv(previousEnv_);
  }
  static std::string ClassName() {
    return std::string("TabrixSeams_") +
           testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  std::unique_ptr<Env> env_ = NewMemoryEnv();
  Env* previousEnv_ = nullptr;
};

TEST_F(AppSeamsTest, ResourceLibraryAndListValuesLiveWithTheApplication) {
  {
    SeamApp app;
    ASSERT_EQ(app.Init(ClassName(), "Seams", ZBRES32_DLL), ZB_APP::InitResult::kReady);
    ASSERT_NE(app.hZBRES, nullptr);
    EXPECT_EQ(ZbresModule(), reinterpret_cast<ModuleHandle>(app.hZBRES));
    EXPECT_TRUE(OdListApp().appPresent);
    EXPECT_FALSE(OdListApp().lCtl3d);
    EXPECT_EQ(OdListApp().nHoeBrZe, app.nHoeBrZe);
    app.nHoeBrZe = 26;
    app.PublishListValues();
    EXPECT_EQ(OdListApp().nHoeBrZe, 26);
    EXPECT_EQ(OdListApp().hGreyPen, app.GetGreyPen());
    EXPECT_NE(OdListApp().hGreyPen, nullptr);

    // The 3-D library is not installed (the fake system has none): the setting still reaches
    // the lists.
    FakeStfktSystem sys;
    ScopedStfktSystem scoped(&sys);
    app.SetCtl3d(true);
    EXPECT_TRUE(OdListApp().lCtl3d);
    // New drawing objects after a colour change: the lists follow the new pen.
    app.OnSysColorChange(true);
    EXPECT_EQ(OdListApp().hGreyPen, app.GetGreyPen());
  }
  EXPECT_EQ(ZbresModule(), 0u);
  EXPECT_FALSE(OdListApp().appPresent);
  EXPECT_EQ(OdListApp().hGreyPen, nullptr);
}

TEST_F(AppSeamsTest, ClosingTheMainWindowClosesEveryTable) {
  SeamApp app;
  ASSERT_EQ(app.Init(ClassName(), "Seams", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  CreateTable("KUNDEN.DBF", {{"NAME", 'C', 8, 0}});
  CreateTable("ORTE.DBF", {{"ORT", 'C', 8, 0}});
  ASSERT_TRUE(OpenTable(true, "", "KUNDEN.DBF", "", false, false));
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("Meier"));
  ASSERT_TRUE(OpenTable(true, "", "ORTE.DBF", "", false, false));
  const int kunden = app.AreaOfAlias("KUNDEN");
  EXPECT_GT(kunden, 0);
  EXPECT_NE(app.AreaOfAlias("ORTE"), kunden);
  EXPECT_EQ(app.AreaOfAlias("FEHLT"), 0);

  DestroyWindow(app.hwnd);
  EXPECT_TRUE(app.QuitFlagSet());
  EXPECT_EQ(app.AreaOfAlias("KUNDEN"), 0);
  EXPECT_EQ(app.AreaOfAlias("ORTE"), 0);
  // The appended record was written before the table was closed.
  ASSERT_TRUE(OpenTable(true, "", "KUNDEN.DBF", "", false, true));
  EXPECT_EQ(RecordCount(), 1);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
}

TEST_F(AppSeamsTest, HotkeysWorkOnTheApplicationWindow) {
  SeamApp app;
  ASSERT_EQ(app.Init(ClassName(), "Seams", ZBRES32_DLL), ZB_APP::InitResult::kReady);
  ZB_HOTKEYS hotkeys(app.HotkeyWindows());
  app.oHotKeys = &hotkeys;
  hotkeys.INIT();
  hotkeys.Set_nWaitTime(0);
  // F1 as the keyboard hook reports it: swallowed, help asked of the application window.
  EXPECT_EQ(SendMessageA(app.hwnd, WMU_HOTKEY, VK_F1, 1), 1);
  MSG msg;
  EXPECT_TRUE(PeekMessageA(&msg, app.hwnd, WMU_HELP, WMU_HELP, PM_REMOVE));
  hotkeys.Axit();
  EXPECT_EQ(SendMessageA(app.hwnd, WMU_HOTKEY, VK_F1, 1), 0);
  EXPECT_FALSE(PeekMessageA(&msg, app.hwnd, WMU_HELP, WMU_HELP, PM_REMOVE));
}

TEST_F(AppSeamsTest, DeletedRecordsSettingIsReadWithoutChangingIt) {
  SeamApp app;
  for (bool visible : {true, false}) {
    bool before = SetDeletedVisible(visible);
    EXPECT_EQ(app.DeletedRecordsVisible(), visible);
    EXPECT_EQ(SetDeletedVisible(before), visible);
  }
}

}  // namespace
}  // namespace tabrix
