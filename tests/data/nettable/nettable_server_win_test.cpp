// The shared-table opener with the database server's engine loaded (the stand-in): the driver
// chosen per table from the drive's server, the temporary folder, the cached drive and the
// companion files, and the local re-open after an open the server refused.

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "data/base/text.h"
#include "data/diagnostics/error_log_fixture.h"
#include "data/env/env_test_support.h"
#include "data/nettable/nettable.h"
#include "data/nettable/remote_client.h"
#include "data/remote/ace_standin_support_win.h"
#include "data/stdlib/stfkt_fake.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;

const std::vector<StructureRow> kRows = {{"NAME", 'C', 20, 0}};

// The program's client over the stand-in engine, set up as the start-up sets it up.
RemoteClient& ServerClient() {
  static std::unique_ptr<RemoteClient> client = [] {
    std::unique_ptr<RemoteClient> c = LoadRemoteClient(standin::LibraryPath());
    c->ConfigureForStartUp();
    return c;
  }();
  return *client;
}

class NetTableServerTest : public ErrorLogTest {
 protected:
  void SetUp() override {
    ErrorLogTest::SetUp();
    ASSERT_TRUE(ServerClient().Available()) << standin::LibraryPath();
    standin::Engine::Get().Reset();
    SetErrorLog({PathOf("Error.txt"), true});
    previousSystem_ = SetStfktSystem(&system_);
    previousClient_ = SetRemoteClient(&ServerClient());
    previousConfig_ = NetTableConfig();
    NetTableConfig() = NetTableSettings{};
    NetTableConfig().serverDefault = true;
    NetTableConfig().defaultDriverName = "ADS";
    NetTableConfig().tempDir = PathOf("TEMP") + "\\";
    // A folder on another drive than the temporary one: Wine's Z: is the Linux root.
    other_ = "Z:\\tmp\\tabrix_served_" + std::to_string(GetCurrentProcessId()) + "\\";
    fs::create_directories(PathOf("DATA"));
    fs::create_directories(PathOf("TEMP"));
    fs::create_directories(other_);
  }
  void TearDown() override {
    for (const auto& table : opened_) table->Axit(true);
    CloseAllAreas();
    SelectArea(1);
    NetworkError(false);
    NetTableConfig() = previousConfig_;
    SetRemoteClient(previousClient_);
    SetStfktSystem(previousSystem_);
    std::error_code ignored;
    fs::remove_all(other_, ignored);
    ErrorLogTest::TearDown();
  }
  // A table (and its companion files) written by this program, not by the server.
  std::string MakeTable(const std::string& name, const std::vector<std::string>& companions) {
    CreateTable(name, kRows, "DBFCDX");
    for (const std::string& ext : companions) {
      std::ofstream(name.substr(0, name.size() - 3) + ext, std::ios::binary) << "x";
    }
    return name;
  }
  std::shared_ptr<ZB_NETTABLE> Open(const std::string& name, const std::string& driver,
                                    const CallSite& at = CallSite::Current()) {
    NetTableArgs args;
    args.fileName = name;
    args.showErrorBox = false;
    args.driver = driver;
    opened_.push_back(ZB_NETTABLE::New(args, at));
    return opened_.back();
  }
  bool Logged(const std::string& heading, const std::string& detail) {
    const std::string entry = "Beschreibung: " + heading + " , " + detail + "\r\n";
    return Read("Error.txt").find(entry) != std::string::npos;
  }

  FakeStfktSystem system_;
  std::string other_;
  std::vector<std::shared_ptr<ZB_NETTABLE>> opened_;

 private:
  StfktSystem* previousSystem_ = nullptr;
  RemoteClient* previousClient_ = nullptr;
  NetTableSettings previousConfig_;
};

// One run, cases in order: the first table on a served drive asks its server and caches the
// drive; later ones on it ask nobody.
TEST_F(NetTableServerTest, DriverFollowsTheServerOfTheDrive) {
  const std::string data = PathOf("DATA") + "\\";
  const std::string drive = data.substr(0, 2);
  standin::Engine::Get().SetServerFor(drive.c_str(), kServerRemote);
  standin::Engine::Get().SetServerFor("Z:", kServerNone);
  const struct {
    const char* what;
    std::string file;
    std::vector<std::string> companions;
    std::string driver;  // as given to the opener
    const char* chosen;
    int questions;  // to the server about the drive
    std::string cached;
  } cases[] = {
      {"served drive", data + "A.DBF", {}, "", "ADS", 1, drive},
      {"cached drive, DBT memo", data + "B.DBF", {"DBT"}, "", "ADS", 0, drive},
      {"explicit DBFNTX on a served drive", data + "C.DBF", {}, "DBFNTX", "ADS", 0, drive},
      {"explicit DBFCDX stays local", data + "D.DBF", {}, "DBFCDX", "DBFCDX", 0, drive},
      {"temporary folder", PathOf("TEMP") + "\\E.DBF", {"FPT"}, "", "DBFCDX", 0, drive},
      {"unserved drive", other_ + "F.DBF", {"CDX"}, "", "DBFCDX", 1, drive},
      {"explicit DBFNTX on an unserved drive", other_ + "G.DBF", {}, "DBFNTX", "DBFNTX", 1, drive},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MakeTable(c.file, c.companions);
    const std::string before = standin::Engine::Get().Calls();
    std::shared_ptr<ZB_NETTABLE> t = Open(c.file, c.driver);
    const std::string calls = standin::Engine::Get().Calls().substr(before.size());
    ASSERT_TRUE(t->lOK) << t->cError;
    EXPECT_EQ(t->RDD, c.chosen);
    EXPECT_EQ(EvaluateInArea(t->Area, [] { return DriverOfArea(); }), c.chosen);
    EXPECT_EQ(standin::CountCalls(calls, "AdsIsServerLoaded"), c.questions) << calls;
    EXPECT_EQ(standin::CountCalls(calls, "AdsOpenTable"), std::string(c.chosen) == "ADS");
    EXPECT_EQ(NetTableConfig().servedDrive, c.cached);
  }
}

TEST_F(NetTableServerTest, OpenRefusedByTheServerIsRepeatedLocally) {
  const std::string file = MakeTable(PathOf("DATA") + "\\KUNDEN.DBF", {});
  standin::Engine::Get().SetServer(kServerRemote);
  standin::Engine::Get().FailCall("AdsOpenTable", 7008);
  const CallSite at = CallSite::Current();
  std::shared_ptr<ZB_NETTABLE> t = Open(file, "", at);
  ASSERT_TRUE(t->lOK) << t->cError;
  EXPECT_EQ(t->RDD, "DBFNTX");
  EXPECT_EQ(t->xRDD, "DBFNTX");
  EXPECT_EQ(EvaluateInArea(t->Area, [] { return DriverOfArea(); }), "DBFNTX");
  EXPECT_EQ(EvaluateInArea(t->Area, [] { return RecordCount(); }), 0);
  // The server's failure: its text in cError, its number in the log.
  EXPECT_NE(t->cError.find("SubCode 7008"), std::string::npos) << t->cError;
  const std::string trailer = "\r\n   Aufgerufen von: \r\n" + std::string(at.function) + "(" +
                              std::to_string(at.line) + ")";
  EXPECT_TRUE(
      Logged(AsciiUpper(file) + " DBUSEAREA wiederholt mit DBFNTX, weil mit ADS ein Fehler auftrat",
             "\r\n   ADS-Fehler-Nr:       7008" + trailer))
      << Read("Error.txt");
  EXPECT_TRUE(system_.boxes.empty());
}

}  // namespace
}  // namespace tabrix
