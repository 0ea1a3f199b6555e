#include "data/diagnostics/error_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/diagnostics/error_log_fixture.h"
#include "data/diagnostics/errorsys.h"

namespace tabrix {
namespace {

// The entry ZB_ERRLOG writes with the fake's clock and program.
std::string Entry(const std::string& heading, const std::string& detail) {
  return "*** Programmereignis am: 07.03.2026 09:05:03 in C:\\QZ\\Tabrix.exe vom 30.11.2025 "
         "17:45:00 ***\r\n"
         "Beschreibung: " +
         heading + " , " + detail + "\r\n" + std::string(68, '-') + "\r\n\r\n";
}

TEST_F(ErrorLogTest, DefaultSettingIsErrorLogWithoutAppend) {
  EXPECT_EQ(ErrorLog().fileName, "error.log");
  EXPECT_FALSE(ErrorLog().append);
  ZB_ERRLOG("Erster", Value{std::string("a")});
  ZB_ERRLOG("Zweiter", Value{std::string("b")});
  // Without append every write creates the log anew.
  EXPECT_EQ(Read("error.log"), Entry("Zweiter", "b"));
  EXPECT_TRUE(fake_.boxes.empty());
}

TEST_F(ErrorLogTest, DetailForms) {
  struct Case {
    const char* name;
    std::vector<Value> detail;  // one element: that value; several: the list form
    bool asList;
    const char* expected;
  };
  const Case cases[] = {
      {"string", {std::string(" x ")}, false, " x "},
      {"whole number", {12.0}, false, "12"},
      {"fraction", {-0.25}, false, "-0.25"},
      {"int", {int32_t{7}}, false, "7"},
      {"true", {true}, false, ".T."},
      {"false", {false}, false, ".F."},
      {"missing", {Null{}}, false, "?"},
      {"date is not a detail form", {Date{2024, 1, 2}}, false, "??"},
      {"date and time", {DateTime{}}, false, "??"},
      {"list",
       {std::string(" a "), 5.0, Null{}, true, Date{2024, 1, 2}, DateTime{}, false},
       true,
       "1: a | 2: 5 | 3: NIL4: .T.5: 02.01.2024 | 6: 7: .F."},
      {"empty list", {}, true, ""},
  };
  SetErrorLog({PathOf("Error.txt"), true});
  std::string expected;
  for (const Case& c : cases) {
    const std::string heading = std::string("H ") + c.name;
    if (c.asList) {
      ZB_ERRLOG(heading, c.detail);
    } else {
      ZB_ERRLOG(heading, c.detail[0]);
    }
    expected = Entry(heading, c.expected) + expected;
  }
  EXPECT_EQ(Read("Error.txt"), expected);
  EXPECT_FALSE(Exists("_error.txt"));
}

TEST_F(ErrorLogTest, WithoutDetailWritesQuestionMark) {
  ZB_ERRLOG("Ressource fehlt");
  EXPECT_NE(Read("error.log").find("Beschreibung: Ressource fehlt , ?\r\n"), std::string::npos);
}

TEST_F(ErrorLogTest, EachDistinctEntryOncePerRun) {
  SetErrorLog({PathOf("Error.txt"), true});
  ZB_ERRLOG("Datenbank", Value{std::string("x")});
  ZB_ERRLOG("Datenbank", Value{std::string("x")});
  ZB_ERRLOG("Datenbank", Value{std::string("y")});
  // Heading and detail are told apart, not just their concatenation.
  ZB_ERRLOG("Datenban", Value{std::string("kx")});
  EXPECT_EQ(Read("Error.txt"),
            Entry("Datenban", "kx") + Entry("Datenbank", "y") + Entry("Datenbank", "x"));
  EXPECT_EQ(fake_.debug.size(), 3u);

  // A new run (here: a new platform) writes it again.
  FakeErrorSysPlatform second = fake_;
  ScopedErrorSysPlatform scoped(&second);
  ZB_ERRLOG("Datenbank", Value{std::string("x")});
  EXPECT_EQ(Read("Error.txt").substr(0, Entry("Datenbank", "x").size()), Entry("Datenbank", "x"));
}

TEST_F(ErrorLogTest, NewEntryGoesBeforeOldBytesUnchanged) {
  const std::string old = std::string("0123456789abcdef\x81\r\nxyz\0\xFF", 25);
  ASSERT_EQ(old.size(), 25u);
  Write("Error.txt", old);
  SetErrorLog({PathOf("Error.txt"), true});
  ZB_ERRLOG("Neu", Value{std::string("d")});
  EXPECT_EQ(Read("Error.txt"), Entry("Neu", "d") + old);
  EXPECT_FALSE(Exists("_error.txt"));
}

TEST_F(ErrorLogTest, RelativeLogNameIsInCurrentDirectory) {
  SetErrorLog({"Error.txt", true});
  Write("Error.txt", "alt\r\n");
  ZB_ERRLOG("Relativ");
  EXPECT_EQ(Read("Error.txt"), Entry("Relativ", "?") + "alt\r\n");
}

TEST_F(ErrorLogTest, DebugOutputGetsHeadingAndAnsiDetail) {
  ZB_ERRLOG("Kopf", Value{std::string("M\x81ller")});  // table text, code page 850
  ASSERT_EQ(fake_.debug.size(), 1u);
  EXPECT_EQ(fake_.debug[0].first, "Kopf");
  EXPECT_EQ(fake_.debug[0].second, std::optional<std::string>("Müller"));
  // The log keeps the detail as it came.
  EXPECT_NE(Read("error.log").find("Kopf , M\x81ller"), std::string::npos);
}

TEST_F(ErrorLogTest, FallsBackToErrorLogWhenLogCannotBeCreated) {
  for (bool append : {false, true}) {
    SetErrorLog({PathOf("fehlt/Error.txt"), append});
    const std::string heading = append ? "Mit Anhang" : "Ohne Anhang";
    ZB_ERRLOG(heading);
    EXPECT_EQ(Read("error.log"), Entry(heading, "?")) << append;
  }
  EXPECT_TRUE(fake_.boxes.empty());
}

TEST_F(ErrorLogTest, MergeFileCannotBeCreatedFallsBackToo) {
  // "_error.txt" is a directory here, so the merge file cannot be created.
  std::filesystem::create_directory(dir_ / "_error.txt");
  std::filesystem::create_directory(dir_ / "log");
  const std::string logPath = (dir_ / "log" / "Error.txt").string();
  { std::ofstream(logPath, std::ios::binary) << "alt"; }
  SetErrorLog({logPath, true});
  ZB_ERRLOG("Ersatz");
  EXPECT_EQ(Read("error.log"), Entry("Ersatz", "?"));
  EXPECT_EQ(Read("log/Error.txt"), "alt");
}

TEST_F(ErrorLogTest, UnreadableOldLogIsLeftAndEntryStaysInMergeFile) {
  std::filesystem::create_directory(dir_ / "Error.txt");  // exists, but is no readable file
  SetErrorLog({PathOf("Error.txt"), true});
  ZB_ERRLOG("Gesperrt");
  EXPECT_EQ(Read("_error.txt"), Entry("Gesperrt", "?"));
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Error.txt"));
}

TEST_F(ErrorLogTest, FailureBoxWhenNoLogCanBeWritten) {
  fake_.directory = PathOf("fehlt");  // neither the log nor the fallback can be created
  ZB_ERRLOG("Kopf", Value{std::string("Einzelheit")});
  ASSERT_EQ(fake_.boxes.size(), 1u);
  EXPECT_EQ(fake_.boxes[0].caption, "Fehler in ZB_ERRLOG");
  EXPECT_EQ(fake_.boxes[0].text,
            "Fehler, beim Versuch einer Fehlerprotokollierung\rPlattenzugriffsproblem?\r"
            "Dies sollte protokolliert werden:\rProgrammereignis am: 07.03.2026 09:05:03 in "
            "C:\\QZ\\Tabrix.exe vom 30.11.2025 17:45:00\rBeschreibung: Kopf\rEinzelheit");
  // The failure text goes to the debug output after the entry itself.
  ASSERT_EQ(fake_.debug.size(), 2u);
  EXPECT_EQ(fake_.debug[1].first, "nHandle: -1");
}

TEST_F(ErrorLogTest, LockedLogWritesNothing) {
  fake_.logWritesAllowed = false;
  Write("error.log", "bleibt");
  ZB_ERRLOG("Gesperrt");
  EXPECT_EQ(Read("error.log"), "bleibt");
  EXPECT_EQ(fake_.debug.size(), 1u);
  EXPECT_TRUE(fake_.boxes.empty());
  // Still counted as written for this run.
  fake_.logWritesAllowed = true;
  ZB_ERRLOG("Gesperrt");
  EXPECT_EQ(Read("error.log"), "bleibt");
}

ErrorObject ReportError() {
  ErrorObject e;
  e.genCode = 1;
  e.subSystem = "DBFNTX";
  e.subCode = 1012;
  e.osCode = 5;
  e.description = "Corruption detected";
  e.fileName = "C:\\DATEN\\ADRESSEN.NTX";
  e.operation = "DBSEEK";
  e.args = std::vector<Value>{std::string("Meier"), true};
  e.canDefault = true;
  e.procName = "ADRESSEN_SUCHEN_UND_ANZEIGEN";
  e.procLine = 1234;
  e.moduleName = "adressen.prg";
  e.callers = {{"MAIN", 5, "tabrix.prg"}, {"", 9, "none.prg"}};
  return e;
}

TEST_F(ErrorLogTest, ReportLayout) {
  fake_.currentArea = 3;
  fake_.areas = {{3, {"ADRIM1", 17, "", "", 1, "UPPER(NAME)"}},
                 {600, {"LAND", 1, "!DELETED()", "LANDNR INTO X", 0, ""}}};
  SetErrorLog({PathOf("Error.txt"), true});
  Write("Error.txt", "alt\r\n");

  EXPECT_FALSE(LOGERROR(ReportError()));

  const std::string dashes30(30, '-');
  const std::string expected =
      dashes30 + " Tabrix Error Log " + dashes30 + "-\r\n" +
      "\r\n"
      "User...............: anna\r\n"
      "Date...............: 07.03.2026\r\n"
      "Time...............: 09:05:03\r\n"
      "\r\n"
      "Application name...: C:\\QZ\\Tabrix.exe from 30.11.2025 17:45:00\r\n"
      "Workstation name...: WS-07\r\n"
      "Available memory...: 523264\r\n"
      "Current disk.......: C\r\n"
      "Current directory..: " +
      fake_.directory +
      "\r\n"
      "Free disk space....: 1073741824\r\n"
      "\r\n"
      "Operating system...: Windows 10.0 Build 19045\r\n"
      "Runtime library....: " +
      RuntimeLibraryVersion() +
      "\r\n"
      "Runtime build date.: " +
      RuntimeLibraryDate() +
      "\r\n"
      "C/C++ compiler.....: " +
      CompilerIdentification() +
      "\r\n"
      "\r\n"
      "Current Area ......:3\r\n"
      "\r\n"
      "\r\n" +
      std::string(28, '-') + "Detailed Work Area Items" + std::string(28, '-') +
      "\r\n"
      "\r\n"
      "Work Area No ......: 3\r\n"
      "Alias .............: ADRIM1\r\n"
      "Current Recno .....: 17\r\n"
      "Current Filter ....: \r\n"
      "Relation Exp. .....: \r\n"
      "Index Order .......: 1\r\n"
      "Active Key ........: UPPER(NAME)\r\n"
      "\r\n"
      "Work Area No ......: 600\r\n"
      "Alias .............: LAND\r\n"
      "Current Recno .....: 1\r\n"
      "Current Filter ....: !DELETED()\r\n"
      "Relation Exp. .....: LANDNR INTO X\r\n"
      "Index Order .......: 0\r\n"
      "Active Key ........: \r\n"
      "\r\n"
      "\r\n" +
      std::string(21, '-') + " Internal Error Handling Information  " + std::string(21, '-') +
      "\r\n"
      "\r\n"
      "Subsystem Call ....: DBFNTX\r\n"
      "System Code .......: 1012\r\n"
      "Default Status ....: .T.\r\n"
      "Description .......: Corruption detected\r\n"
      "Operation .........: DBSEEK\r\n"
      "Arguments .........:  [ 1] = Type: C Val: Meier [ 2] = Type: L Val: .T.\r\n"
      "Involved File .....: C:\\DATEN\\ADRESSEN.NTX\r\n"
      "Dos Error Code ....: 5\r\n"
      "\r\n"
      " Trace Through:\r\n"
      "----------------\r\n"
      "ADRESSEN_SUCHEN_UND_A :   1,234 in Module: adressen.prg\r\n"
      "MAIN                  :       5 in Module: tabrix.prg\r\n"
      "\r\n"
      "\r\n"
      "alt\r\n";
  EXPECT_EQ(Read("Error.txt"), expected);
  EXPECT_TRUE(fake_.boxes.empty());
}

TEST_F(ErrorLogTest, ReportDetails) {
  struct Case {
    const char* name;
    void (*change)(FakeErrorSysPlatform&, ErrorObject&);
    const char* expectedLine;
  };
  const Case cases[] = {
      {"no user name", [](FakeErrorSysPlatform& p, ErrorObject&) { p.user.reset(); },
       "User...............: ??????\r\n"},
      {"user name up to NUL",
       [](FakeErrorSysPlatform& p, ErrorObject&) { p.user = std::string("bob\0xx", 6); },
       "User...............: bob\r\n"},
      {"line in the millions", [](FakeErrorSysPlatform&, ErrorObject& e) { e.procLine = 1234567; },
       "ADRESSEN_SUCHEN_UND_A : ******* in Module: adressen.prg\r\n"},
      {"short name, small line",
       [](FakeErrorSysPlatform&, ErrorObject& e) {
         e.procName = "X";
         e.procLine = 0;
       },
       "X                     :       0 in Module: adressen.prg\r\n"},
      {"no arguments", [](FakeErrorSysPlatform&, ErrorObject& e) { e.args.reset(); },
       "Arguments .........: \r\n"},
      {"default not allowed", [](FakeErrorSysPlatform&, ErrorObject& e) { e.canDefault = false; },
       "Default Status ....: .F.\r\n"},
  };
  for (const Case& c : cases) {
    FakeErrorSysPlatform platform = fake_;
    ScopedErrorSysPlatform scoped(&platform);
    ErrorObject e = ReportError();
    c.change(platform, e);
    LOGERROR(e);
    EXPECT_NE(Read("error.log").find(c.expectedLine), std::string::npos) << c.name;
  }
}

TEST_F(ErrorLogTest, ReportWritesNothingWhenNoFileCanBeCreated) {
  fake_.directory = PathOf("fehlt");
  EXPECT_FALSE(LOGERROR(ReportError()));
  EXPECT_TRUE(fake_.boxes.empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 0);
}

}  // namespace
}  // namespace tabrix
