// The application object's rules apart from the window system: restoring the window placement,
// the INI file names, record-change notes, the registry text for a master process and the
// names of leftover temporary tables.
#include <gtest/gtest.h>

#include <optional>

#include "framework/app_settings.h"
#include "framework/window_placement.h"

namespace tabrix {
namespace {

TEST(WindowPlacement, RestoresFromTheSavedKeys) {
  struct Case {
    const char* what;
    SavedPlacement saved;
    std::optional<int> show;
    int screenWidth, screenHeight;
    bool single;
    bool restore;
    PlaceRect normal;
    int showCommand;
  };
  const Case cases[] = {
      {"x beyond a 1024 screen",
       {-1, 1500, 100, 1900, 400},
       std::nullopt,
       1024,
       768,
       true,
       true,
       {924, 100, 1324, 400},
       5},
      {"inside stays",
       {3, 10, 20, 410, 320},
       std::nullopt,
       1024,
       768,
       true,
       true,
       {10, 20, 410, 320},
       3},
      {"several monitors keep x",
       {1, 1500, 100, 1900, 400},
       std::nullopt,
       1024,
       768,
       false,
       true,
       {1500, 100, 1900, 400},
       1},
      {"y beyond the screen, any monitors",
       {1, 10, 900, 210, 1000},
       std::nullopt,
       1024,
       768,
       false,
       true,
       {10, 668, 210, 768},
       1},
      {"given show wins", {3, 10, 20, 410, 320}, 1, 1024, 768, true, true, {10, 20, 410, 320}, 1},
      {"given 0 means show",
       {3, 10, 20, 410, 320},
       0,
       1024,
       768,
       true,
       true,
       {10, 20, 410, 320},
       5},
      {"nothing saved", {}, std::nullopt, 1024, 768, true, false, {}, 5},
      {"right edge 1 counts as unsaved",
       {1, 0, 0, 1, 300},
       std::nullopt,
       1024,
       768,
       true,
       false,
       {},
       1},
      {"exactly screen - 100 stays",
       {1, 924, 668, 1000, 700},
       std::nullopt,
       1024,
       768,
       true,
       true,
       {924, 668, 1000, 700},
       1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PlacementPlan plan =
        PlanRestoredPlacement(c.saved, c.show, c.screenWidth, c.screenHeight, c.single);
    EXPECT_EQ(plan.restore, c.restore);
    EXPECT_EQ(plan.showCommand, c.showCommand);
    if (c.restore) {
      EXPECT_EQ(plan.normal, c.normal);
    }
  }
  EXPECT_EQ(PlacementKey("TABRIX", "_CX", ""), "TABRIX_CX");
  EXPECT_EQ(PlacementKey("TABRIX", "_X", "2"), "TABRIX_X2");
}

TEST(AppSettings, IniFileNames) {
  EXPECT_EQ(CentralIniNameFor("C:\\Prog\\tabrix.exe"), "C:\\PROG\\TABRIX.INI");
  EXPECT_EQ(CentralIniNameFor("C:\\X.EXE.D\\app"), "C:\\X.EXE.D\\APP.INI");
  EXPECT_EQ(DLGSETINIFILENAME("C:\\a\\qz.ini"), "C:\\a\\qz.ini");
  EXPECT_EQ(DLGSETINIFILENAME(""), "C:\\a\\qz.ini");  // an empty name changes nothing
  EXPECT_EQ(DLGGETINIFILENAME(), "C:\\a\\qz.ini");
  EXPECT_EQ(DLGSETCENTINIFILENAME("C:\\c.ini"), "C:\\c.ini");
  EXPECT_EQ(DLGGETCENTINIFILENAME(), "C:\\c.ini");
}

TEST(AppSettings, RecordChangeNotes) {
  EXPECT_FALSE(ParseRecordChangeNote(""));
  EXPECT_FALSE(ParseRecordChangeNote("   "));
  auto note = ParseRecordChangeNote("4711\\36000\\KUNDEN\\17\\1001");
  ASSERT_TRUE(note);
  EXPECT_EQ(note->token, "4711");
  EXPECT_EQ(note->seconds, 36000);
  EXPECT_EQ(note->alias, "KUNDEN");
  EXPECT_EQ(note->record, 17);
  EXPECT_EQ(note->kind, 1001);
  auto shortNote = ParseRecordChangeNote("1\\2");
  ASSERT_TRUE(shortNote);
  EXPECT_EQ(shortNote->alias, "");
  EXPECT_EQ(shortNote->kind, 0);

  EXPECT_EQ(RecordChangeMessage(1009, true), 4136);
  EXPECT_EQ(RecordChangeMessage(1009, false), 4120);
  EXPECT_EQ(RecordChangeMessage(1001, true), 4137);
  EXPECT_EQ(RecordChangeMessage(1002, false), 4120);
}

TEST(AppSettings, DialogRegistryTextRoundTrip) {
  std::string text = DialogRegistryText(1234, 0, "  KUNDEN ", true);
  EXPECT_EQ(text, "      1234;         0;KUNDEN;1");
  DialogRegistryEntry e = ParseDialogRegistryText(text);
  EXPECT_EQ(e.window, 1234);
  EXPECT_EQ(e.type, 0);
  EXPECT_EQ(e.name, "KUNDEN");
  EXPECT_TRUE(e.active);
  EXPECT_FALSE(ParseDialogRegistryText(DialogRegistryText(5, 1, "X", false)).active);
  EXPECT_EQ(ParseDialogRegistryText("garbage").window, 0);
}

TEST(AppSettings, TemporaryTableNames) {
  EXPECT_TRUE(IsTemporaryTableName("_AAAAAAA.DBF", "DBF"));
  EXPECT_TRUE(IsTemporaryTableName("_ZBCDEFG.ntx", "NTX"));
  EXPECT_FALSE(IsTemporaryTableName("_AAAAAA.DBF", "DBF"));
  EXPECT_FALSE(IsTemporaryTableName("_AAAAAAAA.DBF", "DBF"));
  EXPECT_FALSE(IsTemporaryTableName("XAAAAAAA.DBF", "DBF"));
  EXPECT_FALSE(IsTemporaryTableName("_AAAAAAA.DBF", "NTX"));
  EXPECT_EQ(RefreshToken(36000), "36000");
}

TEST(AppSettings, RepositoryServerTypes) {
  struct Case {
    const char* path;
    bool local;
    int want;
  };
  const Case cases[] = {
      {"\\\\SRV\\DATA\\QZ.ADD", false, 7},  // a network share: every server type
      {"\\\\SRV\\DATA\\QZ.ADD", true, 1},   // asked for the local server
      {"C:\\DATA\\QZ.ADD", false, 1},       // single backslashes only
      {"C:\\DATA\\\\QZ.ADD", false, 7},     // doubled anywhere in the path
      {"", false, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(RepositoryServerTypes(c.path, c.local), c.want) << c.path;
}

}  // namespace
}  // namespace tabrix
