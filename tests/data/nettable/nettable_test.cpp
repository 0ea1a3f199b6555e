// The shared-table opener on tables in memory: names and aliases, the registry of opened
// files, the driver choice per table, failures with their boxes, log entries and program end,
// the server fallback, and the free functions of the module.

#include "data/nettable/nettable.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/diagnostics/error_log_fixture.h"
#include "data/diagnostics/errorsys.h"
#include "data/env/env_test_support.h"
#include "data/env/memory_env.h"
#include "data/nettable/remote_client_fake.h"
#include "data/stdlib/stfkt_fake.h"
#include "data/stdlib/stfkt_text.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;
using testing_support::WriteWholeFile;

constexpr ModuleHandle kZbres = 0x7100;
const std::vector<StructureRow> kRows = {{"NAME", 'C', 20, 0}, {"ORT", 'C', 20, 0}};

// A standard library system whose boxes give chosen answers; while a box is shown, something
// may happen (another program releases a table). Boxes beyond the answers are answered OK.
class AnsweringStfktSystem : public FakeStfktSystem {
 public:
  struct Answer {
    int button = 1;
    std::function<void()> meanwhile;
  };
  std::vector<Answer> answers;

  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    FakeStfktSystem::ShowMessageBox(text, caption, flags);
    if (answers.empty()) return 1;
    Answer answer = answers.front();
    answers.erase(answers.begin());
    if (answer.meanwhile) answer.meanwhile();
    return answer.button;
  }
};

constexpr int kYes = 6;
constexpr int kNo = 7;
constexpr unsigned kYesNoQuestion = 4 | 32;

// The call trailer of log texts for a call made at `at`.
std::string Trailer(const CallSite& at) {
  return "\r\n   Aufgerufen von: \r\n" + std::string(at.function) + "(" + std::to_string(at.line) +
         ")";
}

std::string EndNote(bool ended, const CallSite& at) {
  return std::string("Programm wurde ") +
         (ended ? "nach Hinweis an User mit KillTask() beendet " : "nicht beendet ") + Trailer(at);
}

std::string DoubleFailure(const std::string& fileName, const char* ending) {
  return "     ZBRES32.DLL nicht gefunden!\r\n   Bitte installieren Sie ZBRES32.DLL in Ihr "
         "System\r\nDie Datenbank " +
         fileName + ending;
}

NetTableArgs Args(const std::string& fileName, bool boxes = false, bool shared = true,
                  const std::string& driver = "") {
  NetTableArgs args;
  args.fileName = fileName;
  args.showErrorBox = boxes;
  args.shared = shared;
  args.driver = driver;
  return args;
}

class NetTableTest : public ErrorLogTest {
 protected:
  void SetUp() override {
    ErrorLogTest::SetUp();
    SetErrorLog({PathOf("Error.txt"), true});
    previousEnv_ = SetTableEnv(env_.get());
    previousSystem_ = SetStfktSystem(&system_);
    previousClient_ = SetRemoteClient(&client_);
    previousConfig_ = NetTableConfig();
    NetTableConfig() = NetTableSettings{};
    NetTableConfig().defaultDriverName = "DBFCDX";
    system_.libraries["ZBRES32.DLL"] = kZbres;
    system_.strings[{kZbres, 106}] = "Hinweis";
    system_.strings[{kZbres, 213}] = "Die Datenbank %s wurde nicht gefunden!";
    system_.strings[{kZbres, 214}] = "Die Datenbank %s ist belegt. Nochmals versuchen?";
  }
  void TearDown() override {
    for (const auto& table : opened_) table->Axit(true);
    EXPECT_EQ(NetTableRegistrySize(), 0);
    CloseAllAreas();
    SelectArea(1);
    SetDeletedVisible(false);
    NetworkError(false);
    NetTableConfig() = previousConfig_;
    SetRemoteClient(previousClient_);
    SetStfktSystem(previousSystem_);
    SetTableEnv(previousEnv_);
    ErrorLogTest::TearDown();
  }

  // Opens through the opener; the fixture releases every object at the end.
  std::shared_ptr<ZB_NETTABLE> Open(const NetTableArgs& args,
                                    const CallSite& at = CallSite::Current()) {
    std::shared_ptr<ZB_NETTABLE> table = ZB_NETTABLE::New(args, at);
    opened_.push_back(table);
    return table;
  }

  void MakeTable(const std::string& name, const std::vector<StructureRow>& rows = kRows) {
    CreateTable(name, rows, "DBFCDX");
    ASSERT_TRUE(env_->FileExists(name)) << name;
  }
  void MakeFile(const std::string& name, const std::string& bytes = "companion") {
    ASSERT_TRUE(WriteWholeFile(*env_, name, bytes)) << name;
  }

  // Whether the error log holds the entry (heading, detail).
  bool Logged(const std::string& heading, const std::string& detail) {
    const std::string entry = "Beschreibung: " + heading + " , " + detail + "\r\n";
    return Read("Error.txt").find(entry) != std::string::npos;
  }
  // The box the resource library's string `number` makes about fileName.
  FakeStfktSystem::Box LibraryBox(int number, const std::string& fileName) {
    const std::string text =
        FormatParamString(system_.strings[{kZbres, number}], std::string(fileName));
    return {text, "Hinweis", number == 214 ? kYesNoQuestion : kBoxOk};
  }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  AnsweringStfktSystem system_;
  FakeRemoteClient client_;
  std::vector<std::shared_ptr<ZB_NETTABLE>> opened_;

 private:
  Env* previousEnv_ = nullptr;
  StfktSystem* previousSystem_ = nullptr;
  RemoteClient* previousClient_ = nullptr;
  NetTableSettings previousConfig_;
};

// ---- names, aliases, registry --------------------------------------------------------------

TEST_F(NetTableTest, RegisteredNameAndAliasFollowTheFileName) {
  const struct {
    const char* what;
    std::vector<const char*> openFirst;
    const char* open;
    const char* name;
    const char* alias;
  } cases[] = {
      {"extension added", {}, "C:\\DATA\\KUNDEN", "C:\\DATA\\KUNDEN.DBF", "KUNDEN"},
      {"upper case", {}, "c:\\data\\kunden.dbf", "C:\\DATA\\KUNDEN.DBF", "KUNDEN"},
      {"same base name open",
       {"C:\\DATA\\KUNDEN.DBF"},
       "D:\\ALT\\KUNDEN.DBF",
       "D:\\ALT\\KUNDEN.DBF",
       "KUNDEO"},
      {"same base name open twice",
       {"C:\\DATA\\KUNDEN.DBF", "D:\\ALT\\KUNDEN.DBF"},
       "E:\\KUNDEN.DBF",
       "E:\\KUNDEN.DBF",
       "KUNDEP"},
      {"leading 1", {}, "C:\\DATA\\1999.DBF", "C:\\DATA\\1999.DBF", "B999"},
      {"leading 9", {}, "C:\\DATA\\9ER.DBF", "C:\\DATA\\9ER.DBF", "JER"},
      {"leading 0 stays", {}, "C:\\DATA\\0815.DBF", "C:\\DATA\\0815.DBF", "0815"},
      {"blank", {}, "C:\\DATA\\MY FILE.DBF", "C:\\DATA\\MY FILE.DBF", "MY_FILE"},
      {"short name", {}, "C:\\DATA\\KUNDE~1.DBF", "C:\\DATA\\KUNDE~1.DBF", "KUNDE11"},
      {"drive without folder", {}, "C:KUNDEN.DBF", "C:KUNDEN.DBF", "KUNDEN"},
      {"# dropped, $ as S", {}, "C:\\DATA\\#AB$C.DBF", "C:\\DATA\\#AB$C.DBF", "ABSC"},
      {"three-letter extension", {}, "C:\\DATA\\LAND.qzf", "C:\\DATA\\LAND.QZF", "LAND"},
      {"four-letter extension", {}, "C:\\DATA\\LAND.QZFX", "C:\\DATA\\LAND.QZFX.DBF", "LAND"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::shared_ptr<ZB_NETTABLE>> tables;
    for (const char* first : c.openFirst) {
      MakeTable(first);
      tables.push_back(Open(Args(first)));
      ASSERT_TRUE(tables.back()->lOK);
    }
    MakeTable(c.name);
    tables.push_back(Open(Args(c.open)));
    const ZB_NETTABLE& t = *tables.back();
    EXPECT_TRUE(t.lOK);
    EXPECT_EQ(t.Dateiname(), c.name);
    EXPECT_EQ(t.Alias, c.alias);
    EXPECT_EQ(AliasOfArea(t.Area), c.alias);
    EXPECT_EQ(AreaOfAlias(), t.Area);
    EXPECT_EQ(t.cError, "");
    for (const auto& table : tables) table->Axit();
    EXPECT_EQ(NetTableRegistrySize(), 0);
  }
}

TEST_F(NetTableTest, SameFileSharesOneObjectUntilItsLastRelease) {
  MakeTable("C:\\DATA\\KUNDEN.DBF");
  MakeTable("C:\\DATA\\LAND.DBF");
  std::shared_ptr<ZB_NETTABLE> first = ZB_NETTABLE::New("C:\\DATA\\KUNDEN");
  opened_.push_back(first);
  std::shared_ptr<ZB_NETTABLE> land = Open(Args("C:\\DATA\\LAND.DBF"));
  ASSERT_TRUE(first->lOK && land->lOK);
  EXPECT_EQ(first->Area, 1);
  EXPECT_EQ(land->Area, 2);
  EXPECT_EQ(AreaOfAlias(), 2);

  std::shared_ptr<ZB_NETTABLE> second = Open(Args("c:\\data\\kunden.dbf"));
  EXPECT_EQ(second, first);
  EXPECT_TRUE(second->lOK);
  EXPECT_EQ(AreaOfAlias(), 1);  // the registered table's area is made current
  EXPECT_EQ(NetTableRegistrySize(), 2);

  // A change made by one user reaches the file when another releases its use.
  SelectArea(first->Area);
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("Meier"));
  first->Axit();
  EXPECT_EQ(first->Area, 1);
  EXPECT_EQ(AliasOfArea(1), "KUNDEN");
  EXPECT_NE(testing_support::ReadWholeFile(*env_, "C:\\DATA\\KUNDEN.DBF")->find("Meier"),
            std::string::npos);

  second->Axit();
  EXPECT_EQ(first->Area, 0);
  EXPECT_EQ(AliasOfArea(1), "");
  EXPECT_EQ(NetTableRegistrySize(), 1);
  second->Axit();  // released already: nothing happens
  EXPECT_EQ(AliasOfArea(land->Area), "LAND");
  EXPECT_EQ(NetTableRegistrySize(), 1);
}

TEST_F(NetTableTest, ReleaseWithForceAndKeepOne) {
  const struct {
    const char* what;
    int opens;
    std::vector<std::pair<bool, bool>> releases;  // (force, keep one)
    bool openAfter;
  } cases[] = {
      {"two releases of three uses", 3, {{false, false}, {false, false}}, true},
      {"force closes whatever the count", 3, {{true, false}}, false},
      {"keep-one on the last use keeps it", 1, {{false, true}}, true},
      {"keep-one from two", 2, {{false, true}, {false, true}}, true},
      {"keep-one, then a plain release", 1, {{false, true}, {false, false}}, false},
      {"force with keep-one leaves one use", 3, {{true, true}, {false, false}}, false},
  };
  MakeTable("C:\\DATA\\KUNDEN.DBF");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::shared_ptr<ZB_NETTABLE> table;
    for (int i = 0; i < c.opens; ++i) table = Open(Args("C:\\DATA\\KUNDEN.DBF"));
    ASSERT_TRUE(table->lOK);
    const int area = table->Area;
    for (const auto& [force, keepOne] : c.releases) table->Axit(force, keepOne);
    EXPECT_EQ(AliasOfArea(area), c.openAfter ? "KUNDEN" : "");
    EXPECT_EQ(table->Area, c.openAfter ? area : 0);
    EXPECT_EQ(NetTableRegistrySize(), c.openAfter ? 1 : 0);
    table->Axit(true);
  }
}

// Objects whose open failed hold no use: releasing them leaves the table of the file, open
// through another object, alone.
TEST_F(NetTableTest, FailedObjectsReleaseNothing) {
  MakeTable("C:\\DATA\\KUNDEN.DBF");
  std::shared_ptr<ZB_NETTABLE> held = Open(Args("C:\\DATA\\KUNDEN.DBF"));
  ASSERT_TRUE(held->lOK);
  std::shared_ptr<ZB_NETTABLE> missing = Open(Args("C:\\DATA\\FEHLT.DBF"));
  const CallSite at = CallSite::Current();
  std::shared_ptr<ZB_NETTABLE> refused = Open(Args("C:\\DATA\\KUNDEN.DBF", false, false), at);
  EXPECT_FALSE(missing->lOK);
  EXPECT_FALSE(refused->lOK);
  EXPECT_NE(refused, held);
  EXPECT_EQ(refused->Dateiname(), held->Dateiname());
  EXPECT_TRUE(
      Logged("Datenbank C:\\DATA\\KUNDEN.DBF konnte nicht geöffnet werden (Shareproblem (3))!",
             EndNote(false, at)));

  missing->Axit();
  refused->Axit();
  refused->Axit(true);
  EXPECT_EQ(held->Area, 1);
  EXPECT_EQ(AliasOfArea(1), "KUNDEN");
  EXPECT_EQ(NetTableRegistrySize(), 1);
  held->Axit();
  EXPECT_EQ(AliasOfArea(1), "");
}

// A user asking for a table for itself while others share it is asked to retry: "Yes" looks
// again (the others may have released it meanwhile), "No" gives up and ends the program.
TEST_F(NetTableTest, ExclusiveRequestForASharedTable) {
  const std::string name = "C:\\DATA\\KUNDEN.DBF";
  MakeTable(name);
  const CallSite at = CallSite::Current();
  const struct {
    const char* what;
    bool library;
    bool releaseOnYes;  // answer Yes and have the other user release meanwhile; else No
    bool opened;
  } cases[] = {
      {"No gives up", true, false, false},
      {"Yes after the release opens", true, true, true},
      {"no resource library", false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    system_.boxes.clear();
    fake_.endCodes.clear();
    ForgetErrLogRun();
    if (!c.library) system_.libraries.clear();
    std::shared_ptr<ZB_NETTABLE> shared = Open(Args(name));
    ASSERT_TRUE(shared->lOK);
    system_.answers = {{c.releaseOnYes ? kYes : kNo, [&] {
                          if (c.releaseOnYes) shared->Axit();
                        }}};
    std::shared_ptr<ZB_NETTABLE> own;
    if (c.opened) {
      own = Open(Args(name, true, false), at);
      EXPECT_TRUE(own->lOK);
      EXPECT_NE(own, shared);
      EXPECT_FALSE(own->lShared);
      EXPECT_TRUE(fake_.endCodes.empty());
      own->Axit();
    } else {
      EXPECT_THROW(Open(Args(name, true, false), at), ErrorAbandoned);
      EXPECT_EQ(fake_.endCodes, std::vector<int>{0});
      EXPECT_TRUE(Logged("Datenbank " + name + " konnte nicht geöffnet werden (Shareproblem (3))!",
                         EndNote(true, at)));
      shared->Axit();
    }
    const FakeStfktSystem::Box expected =
        c.library
            ? LibraryBox(214, name)
            : FakeStfktSystem::Box{DoubleFailure(name, " kann momentan nicht geöffnet werden!"),
                                   "Doppelfehler", kBoxOk | kBoxIconHand};
    EXPECT_EQ(system_.boxes, std::vector<FakeStfktSystem::Box>{expected});
    EXPECT_EQ(NetTableRegistrySize(), 0);
  }
}

// ---- failures --------------------------------------------------------------------------------

TEST_F(NetTableTest, MissingFile) {
  const CallSite at = CallSite::Current();
  const struct {
    const char* name;
    bool boxes;
    bool library;
  } cases[] = {
      {"C:\\DATA\\FEHLT1.DBF", false, true},
      {"C:\\DATA\\FEHLT2.DBF", true, true},
      {"C:\\DATA\\FEHLT3.DBF", true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    system_.boxes.clear();
    system_.loads.clear();
    system_.frees.clear();
    fake_.endCodes.clear();
    if (!c.library) system_.libraries.clear();
    if (c.boxes) {
      EXPECT_THROW(Open(Args(c.name, true), at), ErrorAbandoned);
      EXPECT_EQ(fake_.endCodes, std::vector<int>{0});
      const FakeStfktSystem::Box expected =
          c.library ? LibraryBox(213, c.name)
                    : FakeStfktSystem::Box{DoubleFailure(c.name, " existiert nicht!"),
                                           "Doppelfehler", kBoxOk | kBoxIconHand};
      EXPECT_EQ(system_.boxes, std::vector<FakeStfktSystem::Box>{expected});
      EXPECT_EQ(system_.loads, std::vector<std::string>{"ZBRES32.DLL"});
      // The library is released after the box.
      EXPECT_EQ(system_.frees,
                c.library ? std::vector<ModuleHandle>{kZbres} : std::vector<ModuleHandle>{});
    } else {
      std::shared_ptr<ZB_NETTABLE> t = Open(Args(c.name, false), at);
      EXPECT_FALSE(t->lOK);
      EXPECT_EQ(t->Area, 0);
      EXPECT_TRUE(system_.boxes.empty());
      EXPECT_TRUE(system_.loads.empty());
      EXPECT_TRUE(fake_.endCodes.empty());
    }
    EXPECT_TRUE(Logged("Datenbank " + std::string(c.name) + " wurde nicht gefunden!",
                       EndNote(c.boxes, at)));
  }
  EXPECT_EQ(NetTableRegistrySize(), 0);
}

// A table that exists but cannot be opened: no box, no program end; cError and the log tell
// the table layer's error, the operating system's error mode and the error handler are as
// before.
TEST_F(NetTableTest, OpenErrorIsReportedNotFatal) {
  MakeFile("C:\\DATA\\KAPUTT.DBF", "0123456789");
  // A template table that declares a memo field but came without its memo file.
  MakeTable("C:\\DATA\\VORLAGE.DBF", {{"NAME", 'C', 20, 0}, {"NOTIZ", 'M', 10, 0}});
  ASSERT_TRUE(env_->RemoveFile("C:\\DATA\\VORLAGE.fpt").ok());

  for (const char* name : {"C:\\DATA\\KAPUTT.DBF", "C:\\DATA\\VORLAGE.DBF"}) {
    SCOPED_TRACE(name);
    // The error the table layer raises for this file.
    ErrorObject raised;
    {
      RecordingHandler handler;
      ASSERT_FALSE(OpenTable(true, "DBFCDX", name, "", true, false));
      ASSERT_EQ(handler.errors.size(), 1u);
      raised = handler.errors[0];
    }
    fake_.modes.clear();
    const CallSite at = CallSite::Current();
    std::shared_ptr<ZB_NETTABLE> t = Open(Args(name, true), at);

    EXPECT_FALSE(t->lOK);
    EXPECT_EQ(t->RDD, "DBFCDX");
    const std::string recorded = raised.description + " DosCode " + std::to_string(raised.osCode) +
                                 " SubCode " + std::to_string(raised.subCode) +
                                 "\r\nArgs <none>\r\nOp. " + raised.operation;
    EXPECT_EQ(t->cError, recorded + Trailer(at));
    EXPECT_TRUE(Logged(
        raised.fileName + " Fehler in ZB_NETTABLE bei DBUSEAREA() Area->         1",
        "\r\n   F DBFCDX " + std::string(name) + " " + t->Alias + " T F\r\n   " + t->cError));
    EXPECT_TRUE(system_.boxes.empty());
    EXPECT_TRUE(fake_.endCodes.empty());
    EXPECT_EQ(fake_.modes, (std::vector<unsigned>{32769, 0}));
    EXPECT_FALSE(CurrentErrorHandler());
    EXPECT_EQ(NetTableRegistrySize(), 0);
    t->Axit();
    EXPECT_EQ(t->Area, 1);  // not registered: the release changes nothing
    EXPECT_EQ(AliasOfArea(1), "");
  }
}

// ---- driver choice ---------------------------------------------------------------------------

TEST_F(NetTableTest, DriverChoicePerTable) {
  const struct {
    const char* what;
    const char* file;
    std::vector<const char*> companions;
    const char* driver;
    bool serverDefault;
    const char* defaultDriver;
    std::map<std::string, int> answers;
    const char* tempDir;
    const char* expected;
    std::vector<std::string> asked;
  } cases[] = {
      {"no companion: the default", "C:\\A\\T.DBF", {}, "", false, "DBFCDX", {}, "", "DBFCDX", {}},
      {"no companion, NTX default", "C:\\B\\T.DBF", {}, "", false, "DBFNTX", {}, "", "DBFNTX", {}},
      {"DBT memo", "C:\\C\\T.DBF", {"DBT"}, "", false, "DBFCDX", {}, "", "DBFNTX", {}},
      {"FPT memo", "C:\\D\\T.DBF", {"FPT"}, "", false, "DBFNTX", {}, "", "DBFCDX", {}},
      {"CDX index", "C:\\E\\T.DBF", {"CDX"}, "", false, "DBFNTX", {}, "", "DBFCDX", {}},
      {"DBT before FPT", "C:\\F\\T.DBF", {"FPT", "DBT"}, "", false, "DBFCDX", {}, "", "DBFNTX", {}},
      {"table with another extension",
       "C:\\G\\T.QZF",
       {"FPT"},
       "",
       false,
       "DBFNTX",
       {},
       "",
       "DBFCDX",
       {}},
      {"hint CDX", "C:\\H\\T.DBF", {}, "CDX", false, "DBFNTX", {}, "", "DBFCDX", {}},
      {"hint NTX, CDX default", "C:\\I\\T.DBF", {}, "ntx", false, "DBFCDX", {}, "", "DBFNTX", {}},
      {"hint NTX, FPT memo", "C:\\J\\T.DBF", {"FPT"}, "NTX", false, "DBFCDX", {}, "", "DBFCDX", {}},
      {"explicit driver", "C:\\K\\T.DBF", {"FPT"}, "DBFNTX", false, "DBFCDX", {}, "", "DBFNTX", {}},
      {"served: the default", "E:\\A\\T.DBF", {}, "", true, "ADS", {{"E:", 2}}, "", "ADS", {"E:"}},
      {"served, FPT memo", "E:\\B\\T.DBF", {"FPT"}, "", true, "ADS", {{"E:", 2}}, "", "ADS", {}},
      {"served, DBT memo", "E:\\C\\T.DBF", {"DBT"}, "", true, "ADS", {{"E:", 2}}, "", "ADS", {}},
      {"served, explicit NTX is automatic",
       "E:\\D\\T.DBF",
       {"FPT"},
       "DBFNTX",
       true,
       "ADS",
       {{"E:", 2}},
       "",
       "ADS",
       {}},
      {"served, explicit CDX",
       "E:\\E\\T.DBF",
       {"FPT"},
       "DBFCDX",
       true,
       "ADS",
       {{"E:", 2}},
       "",
       "DBFCDX",
       {}},
      {"local server counts",
       "F:\\A\\T.DBF",
       {"FPT"},
       "",
       true,
       "ADS",
       {{"F:", 1}},
       "",
       "ADS",
       {"F:"}},
      {"not served", "G:\\A\\T.DBF", {"FPT"}, "", true, "ADS", {}, "", "DBFCDX", {"G:"}},
      {"not served, explicit NTX",
       "G:\\B\\T.DBF",
       {"FPT"},
       "DBFNTX",
       true,
       "ADS",
       {},
       "",
       "DBFNTX",
       {"G:"}},
      {"share",
       "\\\\SRV\\DATA\\DIR\\T.DBF",
       {"DBT"},
       "",
       true,
       "ADS",
       {{"\\\\SRV\\DATA", 2}},
       "",
       "ADS",
       {"\\\\SRV\\DATA"}},
      {"temporary folder never served",
       "H:\\TEMP\\QZ\\T.DBF",
       {"FPT"},
       "",
       true,
       "ADS",
       {{"H:", 2}},
       "h:\\temp\\qz\\",
       "DBFCDX",
       {}},
      {"no server default: no question",
       "I:\\A\\T.DBF",
       {"FPT"},
       "",
       false,
       "DBFNTX",
       {{"I:", 2}},
       "",
       "DBFCDX",
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    NetTableConfig().serverDefault = c.serverDefault;
    NetTableConfig().defaultDriverName = c.defaultDriver;
    NetTableConfig().tempDir = c.tempDir;
    client_.answers = c.answers;
    client_.asked.clear();
    MakeTable(c.file);
    const std::string file = c.file;
    for (const char* ext : c.companions) MakeFile(file.substr(0, file.size() - 3) + ext);

    std::shared_ptr<ZB_NETTABLE> t = Open(Args(c.file, false, true, c.driver));
    EXPECT_EQ(t->RDD, c.expected);
    EXPECT_EQ(t->xRDD, c.expected);
    EXPECT_EQ(client_.asked, c.asked);
    if (std::string(c.expected) == "ADS") {
      // This build has no server driver: the open fails like any open error.
      EXPECT_FALSE(t->lOK);
    } else {
      EXPECT_TRUE(t->lOK);
      EXPECT_EQ(EvaluateInArea(t->Area, [] { return DriverOfArea(); }), c.expected);
    }
    t->Axit();
  }
}

TEST_F(NetTableTest, ServedDriveIsRememberedUntilAnotherIsServed) {
  NetTableConfig().serverDefault = true;
  NetTableConfig().defaultDriverName = "ADS";
  client_.answers = {{"E:", 2}, {"F:", 2}};
  EXPECT_EQ(NetTableConfig().servedDrive, "!");
  const struct {
    const char* file;
    std::vector<std::string> asked;
    const char* remembered;
  } steps[] = {
      {"E:\\A\\T1.DBF", {"E:"}, "E:"},
      {"e:\\B\\T2.DBF", {"E:"}, "E:"},
      {"G:\\T3.DBF", {"E:", "G:"}, "E:"},
      {"F:\\T4.DBF", {"E:", "G:", "F:"}, "F:"},
      {"E:\\C\\T5.DBF", {"E:", "G:", "F:", "E:"}, "E:"},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.file);
    MakeTable(s.file);
    MakeFile(std::string(s.file).substr(0, std::string(s.file).size() - 3) + "FPT");
    std::shared_ptr<ZB_NETTABLE> t = Open(Args(s.file));
    EXPECT_EQ(t->RDD, std::string(s.file).starts_with("G") ? "DBFCDX" : "ADS");
    EXPECT_EQ(client_.asked, s.asked);
    EXPECT_EQ(NetTableConfig().servedDrive, s.remembered);
  }
}

// The OEM form of a file name is tried first, then the ANSI form; names without a folder are
// used as given.
TEST_F(NetTableTest, FileNameInEitherCodePage) {
  MakeTable("C:\\DATA\\M\x9aLLER.DBF");  // "MÜLLER" in code page 850
  MakeTable("C:\\DATA\\GR\xd6SSE.DBF");  // "GRÖSSE" in Windows-1252
  MakeTable("M\x9aLLER.DBF");
  const struct {
    const char* what;
    const char* given;
    bool opened;
  } cases[] = {
      {"ANSI name of an OEM file", "C:\\DATA\\M\xdcLLER.DBF", true},
      {"OEM name of an ANSI file", "C:\\DATA\\GR\x99SSE.DBF", true},
      {"ANSI name without folder", "M\xdcLLER.DBF", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ZB_NETTABLE t;
    t.Alias = "UMLAUT";
    t.Init2(c.given, true, true, false, "DBFCDX");
    EXPECT_EQ(t.lOK, c.opened);
    EXPECT_EQ(AliasOfArea(t.Area), c.opened ? "UMLAUT" : "");
    CloseAllAreas();
  }
}

// ---- server fallback -------------------------------------------------------------------------

TEST_F(NetTableTest, ServerFailureOpensTheFilesLocally) {
  NetTableConfig().serverDefault = true;
  NetTableConfig().defaultDriverName = "ADS";
  client_.answers = {{"E:", 2}};
  client_.lastError = 5015;
  MakeTable("E:\\DATA\\KUNDEN.DBF");
  MakeFile("E:\\DATA\\KUNDEN.FPT");
  const CallSite at = CallSite::Current();
  std::shared_ptr<ZB_NETTABLE> t = Open(Args("E:\\DATA\\KUNDEN.DBF", true), at);
  EXPECT_TRUE(t->lOK);
  EXPECT_EQ(t->RDD, "DBFNTX");
  EXPECT_EQ(t->xRDD, "DBFNTX");
  EXPECT_EQ(EvaluateInArea(t->Area, [] { return DriverOfArea(); }), "DBFNTX");
  EXPECT_EQ(NetTableRegistrySize(), 1);
  // The server's failure stays in cError and the log.
  EXPECT_NE(t->cError.find("driver not available"), std::string::npos) << t->cError;
  EXPECT_TRUE(
      Logged("E:\\DATA\\KUNDEN.DBF DBUSEAREA wiederholt mit DBFNTX, weil mit ADS ein "
             "Fehler auftrat",
             "\r\n   ADS-Fehler-Nr:       5015" + Trailer(at)));
  EXPECT_TRUE(system_.boxes.empty());
}

// The local open after a server failure runs under the program's own handler; a handler that
// lets it fail leaves the object failed, not open.
TEST_F(NetTableTest, FailedLocalOpenAfterServerFailureIsNoSuccess) {
  NetTableConfig().serverDefault = true;
  NetTableConfig().defaultDriverName = "ADS";
  client_.lastError = 7;
  MakeFile("E:\\DATA\\KAPUTT.DBF", "0123456789");
  RecordingHandler handler;
  std::shared_ptr<ZB_NETTABLE> t = Open(Args("E:\\DATA\\KAPUTT.DBF", false, true, "DBFCDX"));
  EXPECT_FALSE(t->lOK);
  EXPECT_EQ(t->RDD, "DBFCDX");
  EXPECT_EQ(handler.TakeCodes(), std::vector<int>{kGenOpen});
  EXPECT_EQ(NetTableRegistrySize(), 0);
}

// The local open after a server failure meets a table another program holds: the default
// error handler sets the network-error flag, and the user may retry.
TEST_F(NetTableTest, SharingConflictAfterServerFailure) {
  NetTableConfig().serverDefault = true;
  NetTableConfig().defaultDriverName = "ADS";
  client_.answers = {{"E:", 2}};
  ScopedErrorHandler deferror(DEFERROR);
  const struct {
    const char* name;
    bool boxes;
    bool library;
    std::vector<int> answers;  // Yes releases the table meanwhile, unless retryFails
    bool retryFails;           // the server fails again without an engine error
    const char* logged;        // "" when the table opens
  } cases[] = {
      {"E:\\DATA\\T1.DBF", false, true, {}, false, "(Shareproblem (2))!"},
      {"E:\\DATA\\T2.DBF", true, true, {kNo}, false, "(Shareproblem (2))!"},
      {"E:\\DATA\\T3.DBF", true, true, {kYes}, false, ""},
      {"E:\\DATA\\T4.DBF", true, true, {kYes}, true, "(Shareproblem (1))!"},
      {"E:\\DATA\\T5.DBF", true, false, {}, false, "(Shareproblem)!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    system_.boxes.clear();
    fake_.endCodes.clear();
    client_.lastError = 5015;
    if (!c.library) system_.libraries.clear();
    MakeTable(c.name);
    std::unique_ptr<File> other;
    ASSERT_TRUE(env_->Open(c.name, {.exclusive = true}, &other).ok());
    system_.answers.clear();
    for (int answer : c.answers) {
      system_.answers.push_back({answer, [&, answer] {
                                   if (answer != kYes) return;
                                   if (c.retryFails) {
                                     client_.lastError = 0;
                                   } else {
                                     other.reset();
                                   }
                                 }});
    }
    const CallSite at = CallSite::Current();
    const bool ends = c.boxes && *c.logged != '\0';
    std::shared_ptr<ZB_NETTABLE> t;
    if (ends) {
      EXPECT_THROW(Open(Args(c.name, c.boxes), at), ErrorAbandoned);
      EXPECT_EQ(fake_.endCodes, std::vector<int>{0});
    } else {
      t = Open(Args(c.name, c.boxes), at);
      EXPECT_EQ(t->lOK, *c.logged == '\0');
      EXPECT_TRUE(fake_.endCodes.empty());
    }
    if (*c.logged != '\0') {
      EXPECT_TRUE(
          Logged("Datenbank " + std::string(c.name) + " konnte nicht geöffnet werden " + c.logged,
                 EndNote(c.boxes, at)));
      EXPECT_EQ(NetTableRegistrySize(), 0);
    } else {
      EXPECT_EQ(t->RDD, "DBFNTX");
      EXPECT_EQ(NetTableRegistrySize(), 1);
      t->Axit();
    }
    std::vector<FakeStfktSystem::Box> boxes;
    if (c.boxes) {
      boxes.push_back(
          c.library
              ? LibraryBox(214, c.name)
              : FakeStfktSystem::Box{DoubleFailure(c.name, " kann momentan nicht geöffnet werden!"),
                                     "Doppelfehler", kBoxOk | kBoxIconHand});
    }
    EXPECT_EQ(system_.boxes, boxes);
    NetworkError(false);
  }
}

// ---- free functions --------------------------------------------------------------------------

TEST_F(NetTableTest, StandardDirectoryOfARegisteredTable) {
  MakeTable("C:\\DATA\\KUNDEN.DBF");
  MakeTable("C:\\DATA\\LAND.DBF");
  MakeTable("PLAIN.DBF");
  NetTableArgs args = Args("C:\\DATA\\KUNDEN.DBF");
  args.indexList = {"KUNDEN1", "C:\\IDX\\K2.NTX", "K3.IDX"};
  std::shared_ptr<ZB_NETTABLE> kunden;
  {
    // The index files do not exist: each open raises, and the table stays open without them.
    std::vector<int> codes;
    ScopedErrorHandler handler([&codes](const ErrorObject& e) {
      codes.push_back(e.genCode);
      return ErrorOutcome{ErrorAction::kDefault, {}};
    });
    kunden = Open(args);
    EXPECT_EQ(codes, (std::vector<int>{kGenOpen, kGenOpen, kGenOpen}));
  }
  std::shared_ptr<ZB_NETTABLE> own = Open(Args("C:\\DATA\\LAND.DBF", false, false));
  std::shared_ptr<ZB_NETTABLE> plain = Open(Args("PLAIN.DBF"));
  ASSERT_TRUE(kunden->lOK && own->lOK && plain->lOK);
  EXPECT_EQ(kunden->aIndex, args.indexList);

  const struct {
    int area;
    int order;
    const char* expected;
  } cases[] = {
      {kunden->Area, 0, "C:\\DATA\\"},
      {kunden->Area, 1, "C:\\DATA\\KUNDEN1.NTX"},
      {kunden->Area, 2, "C:\\IDX\\K2.NTX"},
      {kunden->Area, 3, "C:\\DATA\\K3.IDX"},
      {kunden->Area, 4, "C:\\DATA\\"},
      {kunden->Area, -1, "C:\\DATA\\"},
      {own->Area, 0, ""},  // not shared
      {plain->Area, 0, ""},
      {plain->Area + 1, 0, ""},
      {0, 0, ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GETCSTANDARDDBFDIR(c.area, c.order), c.expected) << c.area << " " << c.order;
  }
}

// The index list opens on the table, its first fifteen entries; a longer list is shown and
// logged with the numbers wanted and opened.
TEST_F(NetTableTest, IndexListOpensItsFirstFifteenFiles) {
  MakeTable("ORTE.DBF");
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "ORTE", "", false, false));
  CreateOrder("ORTE_NAME", "NAME", "UPPER(NAME)");
  CreateOrder("ORTE_ORT", "ORT", "ORT");
  CloseArea();
  NetTableArgs args = Args("ORTE.DBF", true);
  args.indexList = {"ORTE_NAME.CDX", "ORTE_ORT.CDX"};
  std::shared_ptr<ZB_NETTABLE> two = Open(args);
  ASSERT_TRUE(two->lOK);
  EXPECT_EQ(EvaluateInArea(two->Area, [] { return OrderCount(); }), 2);
  EXPECT_EQ(EvaluateInArea(two->Area, [] { return OrderKeyText(1); }), "UPPER(NAME)");
  EXPECT_TRUE(system_.boxes.empty());
  two->Axit(true);

  args.indexList.resize(16, "ORTE_ORT.CDX");
  const CallSite at = CallSite::Current();
  std::shared_ptr<ZB_NETTABLE> many = Open(args, at);
  ASSERT_TRUE(many->lOK);
  EXPECT_EQ(EvaluateInArea(many->Area, [] { return OrderCount(); }), 2);  // a file opens once
  ASSERT_EQ(system_.boxes.size(), 1u);
  EXPECT_NE(system_.boxes[0].text.find("gewünscht: 16, geöffnet: 15"), std::string::npos)
      << system_.boxes[0].text;
  EXPECT_TRUE(Logged("ZB_NETTABLE: zu viele Indexdateien für ORTE.DBF",
                     "gewünscht: 16, geöffnet: 15" + Trailer(at)));
}

TEST_F(NetTableTest, FastSkipOverDeletedRecords) {
  // 700 records; deleted: 10-19, 501-502, 650-659.
  CreateTable("FAST.DBF", kRows, "DBFCDX");
  ASSERT_TRUE(OpenTable(false, "DBFCDX", "FAST", "", false, false));
  for (int n = 1; n <= 700; ++n) {
    ASSERT_TRUE(AppendRecord());
    if ((n >= 10 && n <= 19) || n == 501 || n == 502 || (n >= 650 && n <= 659)) MarkDeleted();
  }
  const struct {
    const char* what;
    int64_t from;
    int64_t n;
    int64_t expected;
  } cases[] = {
      {"plain: counts visible records", 1, 50, 61},
      {"plain on the limit", 1, 100, 111},
      {"fast past the limit: counts positions", 1, 101, 102},
      {"fast onto deleted records: next visible one", 1, 500, 503},
      {"fast past the end", 1, 1000, 701},
      {"plain backward on the limit", 700, -100, 590},
      {"fast backward past the limit", 700, -101, 599},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    GoTo(c.from);
    FASTSKIP(c.n);
    EXPECT_EQ(RecordNumber(), c.expected);
    EXPECT_FALSE(DeletedVisible());
  }
  // With deleted records visible anyway, every skip is plain.
  SetDeletedVisible(true);
  GoTo(1);
  FASTSKIP(500);
  EXPECT_EQ(RecordNumber(), 501);
  EXPECT_TRUE(DeletedVisible());
}

TEST_F(NetTableTest, PrintableArgumentsAndEmptyValues) {
  const struct {
    std::optional<std::vector<Value>> args;
    const char* expected;
  } lists[] = {
      {std::nullopt, "<none>"},
      {std::vector<Value>{}, "<none>"},
      {std::vector<Value>{std::string("abc"), 12.0, true}, "{ abc, 12, .T. }"},
      {std::vector<Value>{Date{2026, 3, 7}, Null{}, false, -1.5, int32_t{7}, Blob{"x"},
                          std::string(" b ")},
       "{ 07.03.2026, NIL, .F., -1.5, 7, ,  b  }"},
  };
  for (const auto& l : lists) EXPECT_EQ(CONVERTARGS(l.args), l.expected);

  const struct {
    Value value;
    const char* expected;
  } values[] = {
      {std::string(""), "<none>"},
      {std::string("   "), "<none>"},
      {std::string("Op  "), "Op"},
      {std::string("  Op"), "  Op"},
      {0.0, "<none>"},
      {12.0, "12"},
      {Null{}, "<none>"},
      {false, "<none>"},
      {true, ".T."},
      {Date{}, "<none>"},
      {Date{2026, 3, 7}, "07.03.2026"},
  };
  for (const auto& v : values) EXPECT_EQ(IFEMPTY(v.value), v.expected) << v.expected;
}

TEST_F(NetTableTest, CdxStyleDrivers) {
  const struct {
    const char* driver;
    bool serverDefault;
    bool expected;
  } cases[] = {
      {"DBFCDX", false, true}, {"dbfcdx", false, true}, {"DBFNTX", false, false},
      {"ADS", false, false},   {"", false, false},      {"DBFNTX", true, true},
  };
  for (const auto& c : cases) {
    NetTableConfig().serverDefault = c.serverDefault;
    EXPECT_EQ(ISRDDCDX(c.driver), c.expected) << c.driver << " " << c.serverDefault;
  }
}

TEST_F(NetTableTest, ExistFile) {
  MakeTable("C:\\DATA\\KUNDEN.DBF");
  EXPECT_TRUE(EXISTFILE("C:\\DATA\\KUNDEN.DBF"));
  EXPECT_TRUE(EXISTFILE("c:\\data\\kunden.dbf"));
  EXPECT_FALSE(EXISTFILE("C:\\DATA\\KUNDEN"));
  EXPECT_FALSE(EXISTFILE(""));
}

}  // namespace
}  // namespace tabrix
