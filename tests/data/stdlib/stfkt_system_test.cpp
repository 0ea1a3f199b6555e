// The standard library's system queries, boxes and the old 3-D control library, over a fake
// system: version, network user, ALERT's caption and the load-once rule of CTL3DOPEN.

#include <gtest/gtest.h>

#include "data/stdlib/stfkt.h"
#include "data/stdlib/stfkt_fake.h"

namespace tabrix {
namespace {

class StfktSystemTest : public testing::Test {
 protected:
  void SetUp() override { previous_ = SetStfktSystem(&sys_); }
  void TearDown() override {
    CTL3DCLOSE();  // never leave the library marked loaded for the next test
    SetStfktSystem(previous_);
  }
  FakeStfktSystem sys_;
  StfktSystem* previous_ = nullptr;
};

TEST_F(StfktSystemTest, IsWin5xOnlyForMajorVersionFive) {
  for (auto [major, want] : {std::pair{4, false}, {5, true}, {6, false}, {10, false}}) {
    sys_.major = major;
    EXPECT_EQ(ISWIN5X(), want) << major;
  }
}

TEST_F(StfktSystemTest, GetVerExFillsTheFiveValuesOrLeavesThemAlone) {
  sys_.version = OsVersion{5, 1, 2600, 2, "Service Pack 3"};
  OsVersion got;
  ASSERT_TRUE(GETVEREX(got));
  EXPECT_EQ(got, (OsVersion{5, 1, 2600, 2, "Service Pack 3"}));

  sys_.version.reset();
  OsVersion untouched{1, 2, 3, 4, "x"};
  EXPECT_FALSE(GETVEREX(untouched));
  EXPECT_EQ(untouched, (OsVersion{1, 2, 3, 4, "x"}));
}

TEST_F(StfktSystemTest, NetGetUserFillsTheVariableOnlyWhenThereIsAUser) {
  std::string user = "vorher";
  EXPECT_FALSE(NETGETUSER(user));
  EXPECT_EQ(user, "vorher");
  sys_.networkUser = "MEIER";
  EXPECT_TRUE(NETGETUSER(user));
  EXPECT_EQ(user, "MEIER");
}

TEST_F(StfktSystemTest, AlertShowsTheProgramPathAsCaptionWithAnOkButton) {
  sys_.programPath = "C:\\VELARTO\\TABRIX.EXE";
  EXPECT_EQ(ALERT("Datei fehlt"), 1);
  ASSERT_EQ(sys_.boxes.size(), 1u);
  EXPECT_EQ(sys_.boxes[0], (FakeStfktSystem::Box{"Datei fehlt", "C:\\VELARTO\\TABRIX.EXE", 0}));
}

TEST_F(StfktSystemTest, Ctl3dMissingShowsTheFatalBoxAndStaysOff) {
  CTL3DOPEN();
  EXPECT_FALSE(Ctl3dLoaded());
  ASSERT_EQ(sys_.boxes.size(), 1u);
  EXPECT_EQ(sys_.boxes[0], (FakeStfktSystem::Box{"CTL3D.DLL not found", "FATAL", 0}));
  EXPECT_TRUE(sys_.calls.empty());
  // Not loaded: closing and the colour change do nothing.
  CTL3DCLOSE();
  CTL3DCOLORCHANGE();
  EXPECT_TRUE(sys_.calls.empty());
  EXPECT_TRUE(sys_.frees.empty());
  // A later call tries again.
  CTL3DOPEN();
  EXPECT_EQ(sys_.loads, (std::vector<std::string>{"ctl3d.dll", "ctl3d.dll"}));
}

TEST_F(StfktSystemTest, Ctl3dLoadsOnceRegistersAndUnregistersWithTheInstance) {
  sys_.libraries["ctl3d.dll"] = 0x7000;
  sys_.exports = {"Ctl3dRegister", "Ctl3dAutoSubclass", "Ctl3dUnregister", "Ctl3dColorChange"};
  const std::string inst = std::to_string(sys_.instance);

  CTL3DOPEN();
  CTL3DOPEN();  // already loaded: nothing more
  EXPECT_TRUE(Ctl3dLoaded());
  EXPECT_EQ(sys_.loads.size(), 1u);
  EXPECT_TRUE(sys_.boxes.empty());
  CTL3DCOLORCHANGE();
  CTL3DCLOSE();
  EXPECT_FALSE(Ctl3dLoaded());
  EXPECT_EQ(sys_.calls, (std::vector<std::string>{
                            "Ctl3dRegister(" + inst + ")", "Ctl3dAutoSubclass(" + inst + ")",
                            "Ctl3dColorChange()", "Ctl3dUnregister(" + inst + ")"}));
  EXPECT_EQ(sys_.frees, (std::vector<ModuleHandle>{0x7000}));

  // Open false switches it off like CTL3DCLOSE.
  CTL3DOPEN();
  CTL3DOPEN(false);
  EXPECT_FALSE(Ctl3dLoaded());
  EXPECT_EQ(sys_.frees.size(), 2u);
}

TEST_F(StfktSystemTest, Ctl3dWithoutTheExportsStillLoadsAndReleases) {
  sys_.libraries["ctl3d.dll"] = 0x7000;  // a file of that name without the functions
  CTL3DOPEN();
  EXPECT_TRUE(Ctl3dLoaded());
  CTL3DCOLORCHANGE();
  CTL3DCLOSE();
  EXPECT_TRUE(sys_.calls.empty());
  EXPECT_EQ(sys_.frees, (std::vector<ModuleHandle>{0x7000}));
}

}  // namespace
}  // namespace tabrix
