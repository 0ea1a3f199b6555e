// The database server's client as the program asks it: the client of a build without the
// library, installing another one, and the start-up rules built on its answers.

#include "data/nettable/remote_client.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/nettable/remote_client_fake.h"
#include "data/remote/ace_table.h"
#include "data/table/table_area.h"

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

// ---- the client over the engine's functions ---------------------------------------------------

// An engine of plain functions: what AdsIsServerLoaded answers (or fails with), the last error,
// and what it was asked.
struct FakeEngine {
  AceU16 serverType = 0;
  AceU32 serverFailure = 0;
  AceU32 lastError = 0;
  std::vector<std::string> calls;
};
FakeEngine gEngine;

AceU32 TABRIX_ACE_CALL FakeIsServerLoaded(AceU8* location, AceU16* type) {
  gEngine.calls.push_back("AdsIsServerLoaded " + std::string(reinterpret_cast<char*>(location)));
  *type = gEngine.serverType;
  return gEngine.serverFailure;
}
AceU32 TABRIX_ACE_CALL FakeGetLastError(AceU32* code, AceU8* text, AceU16* length) {
  *code = gEngine.lastError;
  if (*length > 0) text[0] = 0;
  *length = 0;
  return kAeSuccess;
}
AceU32 TABRIX_ACE_CALL FakeShowDeleted(AceU16 show) {
  gEngine.calls.push_back("AdsShowDeleted " + std::to_string(show));
  return kAeSuccess;
}
AceU32 TABRIX_ACE_CALL FakeDisconnect(AceHandle connection) {
  gEngine.calls.push_back("AdsDisconnect " + std::to_string(connection));
  return kAeSuccess;
}

AceApi FakeApi() {
  gEngine = FakeEngine();
  AceApi api;
  api.AdsIsServerLoaded = FakeIsServerLoaded;
  api.AdsGetLastError = FakeGetLastError;
  api.AdsShowDeleted = FakeShowDeleted;
  api.AdsDisconnect = FakeDisconnect;
  return api;
}

TEST(EngineClient, AnEngineLackingAnyFunctionIsNoEngine) {
  int dummy = 0;
  const std::vector<std::string>& names = AceFunctionNames();
  EXPECT_EQ(names.front(), "AdsIsServerLoaded");
  EXPECT_TRUE(ResolveAceApi([&](const char*) { return static_cast<void*>(&dummy); }));
  for (const std::string& missing : names) {
    EXPECT_FALSE(ResolveAceApi([&](const char* name) {
      return missing == name ? nullptr : static_cast<void*>(&dummy);
    })) << missing;
  }
  // This build's library is the 64-bit one; the native build has none.
  EXPECT_STREQ(AceLibraryName(), sizeof(void*) == 8 ? "ace64.dll" : "ace32.dll");
  EXPECT_FALSE(LoadRemoteClient(AceLibraryName())->Available());
}

TEST(EngineClient, StartUpAnswersChooseTheDefaultDriver) {
  const struct {
    AceU16 answer;
    AceU32 failure;
    int served;
    const char* driver;
  } cases[] = {
      {0, 0, kServerNone, "DBFCDX"},
      {1, 0, kServerLocal, "DBFCDX"},
      {2, 0, kServerRemote, "ADS"},
      {2, kAeNoDriveConnection, kServerNone, "DBFCDX"},  // a failed question serves nothing
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    std::unique_ptr<RemoteClient> client = RemoteClientOver(FakeApi());
    gEngine.serverType = c.answer;
    gEngine.serverFailure = c.failure;
    EXPECT_TRUE(client->Available());
    EXPECT_EQ(client->AdsIsServerLoaded("\\\\srv\\data"), c.served);
    EXPECT_EQ(StartUpDriver(*client, "E:"), c.driver);
    EXPECT_EQ(gEngine.calls.back(), "AdsIsServerLoaded E:");
  }
}

TEST(EngineClient, StartUpRegistersTheServersDriverUntilTheClientGoes) {
  // (The Windows tests of this program install a client of their own for the whole run.)
  const bool before = FindBackend(kDriverAds) != nullptr;
  {
    std::unique_ptr<RemoteClient> client = RemoteClientOver(FakeApi());
    client->ConfigureForStartUp();
    EXPECT_NE(FindBackend(kDriverAds), nullptr);
    EXPECT_EQ(RegisteredDrivers(), (std::vector<std::string>{"DBFCDX", "DBFNTX", "ADS"}));
    EXPECT_EQ(SetDefaultDriver("ADS"), "DBFCDX");
    EXPECT_EQ(SetDefaultDriver("DBFCDX"), "ADS");
    // The areas decide what is visible: the engine shows every record.
    EXPECT_EQ(gEngine.calls, std::vector<std::string>{"AdsShowDeleted 1"});
    gEngine.lastError = 7008;
    EXPECT_EQ(client->AdsGetLastError(), 7008);
    client->Disconnect();
    EXPECT_EQ(gEngine.calls.back(), "AdsDisconnect 0");
  }
  if (!before) {
    EXPECT_EQ(FindBackend(kDriverAds), nullptr);
  }
}

}  // namespace
}  // namespace tabrix
