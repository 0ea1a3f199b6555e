// The database server's client as the program asks it: the client of a build without the
// library, installing another one, and the start-up rules built on its answers.

#include "data/nettable/remote_client.h"

#include <gtest/gtest.h>

#include <string>

#include "data/nettable/remote_client_fake.h"

namespace tabrix {
namespace {

TEST(RemoteClient, WithoutLibraryNothingIsServed) {
  RemoteClient& client = CurrentRemoteClient();
  EXPECT_FALSE(client.Available());
  for (const char* drive : {"C:", "E:", "\\\\SRV\\DATA", ""}) {
    EXPECT_EQ(client.AdsIsServerLoaded(drive), kServerNone) << drive;
  }
  EXPECT_EQ(client.AdsGetLastError(), 0);
  client.ConfigureForStartUp();
  EXPECT_EQ(StartUpDriver(client, "E:"), "DBFCDX");
}

TEST(RemoteClient, InstalledClientAnswersUntilRemoved) {
  FakeRemoteClient fake;
  fake.answers["E:"] = kServerRemote;
  RemoteClient* previous = SetRemoteClient(&fake);
  EXPECT_EQ(previous, nullptr);
  EXPECT_EQ(&CurrentRemoteClient(), &fake);
  EXPECT_EQ(CurrentRemoteClient().AdsIsServerLoaded("E:"), kServerRemote);
  EXPECT_EQ(SetRemoteClient(previous), &fake);
  EXPECT_FALSE(CurrentRemoteClient().Available());
  EXPECT_EQ(fake.asked, std::vector<std::string>{"E:"});
}

TEST(RemoteClient, ServedLocationIsTheShareOrTheDrive) {
  const struct {
    const char* sysDir;
    const char* location;
  } cases[] = {
      {"\\\\srv\\data\\dir", "\\\\srv\\data"},
      {"\\\\srv\\data\\dir\\sub\\", "\\\\srv\\data"},
      {"\\\\srv\\data\\", "\\\\srv\\data"},
      {"\\\\srv\\data", "\\\\srv\\data"},
      {"\\\\srv", "\\\\srv"},
      {"E:\\VELARTO", "E:"},
      {"E:", "E:"},
      {"C:\\QZ\\TABRIX.EXE", "C:"},
      {"E", "E"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ServedLocationOf(c.sysDir), c.location) << c.sysDir;
}

TEST(RemoteClient, OnlyARemoteServerMakesTheServerTheDefault) {
  const struct {
    int answer;
    const char* driver;
  } cases[] = {
      {kServerRemote, "ADS"},
      {kServerLocal, "DBFCDX"},
      {kServerNone, "DBFCDX"},
      {kServerRemote + 1, "DBFCDX"},
  };
  for (const auto& c : cases) {
    FakeRemoteClient fake;
    fake.answers["\\\\srv\\data"] = c.answer;
    EXPECT_EQ(StartUpDriver(fake, "\\\\srv\\data"), c.driver) << c.answer;
    EXPECT_EQ(fake.asked, std::vector<std::string>{"\\\\srv\\data"});
  }
}

}  // namespace
}  // namespace tabrix
