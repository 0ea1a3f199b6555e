// The standard library's rules over a fake system: paths, INI access, resource strings,
// message pumping and waiting, program end.

#include "data/stdlib/stfkt.h"

#include <gtest/gtest.h>

#include "data/diagnostics/error_log_fixture.h"
#include "data/stdlib/stfkt_fake.h"

namespace tabrix {
namespace {

class StfktTest : public ErrorLogTest {
 protected:
  void SetUp() override {
    ErrorLogTest::SetUp();
    previousSystem_ = SetStfktSystem(&sys_);
  }
  void TearDown() override {
    SetStfktSystem(previousSystem_);
    ErrorLogTest::TearDown();
  }
  bool Logged(const std::string& heading) const {
    for (const auto& [text, second] : fake_.debug)
      if (text == heading) return true;
    return false;
  }

  FakeStfktSystem sys_;
  StfktSystem* previousSystem_ = nullptr;
};

TEST_F(StfktTest, ShellFolderByVersionAndAppData) {
  struct Case {
    int major;
    const char* appData;
    bool longForm;
    const char* want;
    bool logged;
  } cases[] = {
      {5, "C:\\Users\\anna\\AppData", true, "C:\\Users\\anna\\AppData\\", false},
      {10, "C:\\Users\\anna\\AppData\\", true, "C:\\Users\\anna\\AppData\\", false},
      {10, "C:\\Users\\anna\\AppData", false, "SHORT(C:\\Users\\anna\\AppData)\\", false},
      {4, "C:\\Users\\anna\\AppData", true, "", false},
      {10, "", true, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.appData);
    fake_.debug.clear();
    sys_.major = c.major;
    sys_.environment["APPDATA"] = c.appData;
    EXPECT_EQ(GETSHELLFOLDER(c.longForm), c.want);
    EXPECT_EQ(Logged("Fehler bei _ShellFolder"), c.logged);
  }
}

TEST_F(StfktTest, IniFolderIsCreatedUnderThePerUserFolder) {
  sys_.environment["APPDATA"] = "C:\\Users\\anna\\AppData";
  EXPECT_EQ(GETINIPFAD("Velarto"), "C:\\Users\\anna\\AppData\\Velarto\\");
  EXPECT_EQ(sys_.madeDirectories, std::vector<std::string>{"C:\\Users\\anna\\AppData\\Velarto"});
  // The name defaults to the program's base name.
  EXPECT_EQ(GETINIPFAD(), "C:\\Users\\anna\\AppData\\TABRIX\\");
  // Not allowed, too old a system, or no folder: "" so the bare INI name means the Windows
  // directory.
  EXPECT_EQ(GETINIPFAD("Velarto", false), "");
  sys_.major = 4;
  EXPECT_EQ(GETINIPFAD("Velarto"), "");
  sys_.major = 10;
  sys_.environment["APPDATA"] = "";
  EXPECT_EQ(GETINIPFAD("Velarto"), "");
}

TEST_F(StfktTest, ProgramBaseNameDropsFolderAndExtension) {
  struct Case {
    const char* path;
    const char* want;
  } cases[] = {{"C:\\QZ\\TABRIX.EXE", "TABRIX"},
               {"Z:\\a.b\\prog.exe", "prog"},
               {"C:\\QZ\\NOEXT", "NOEXT"},
               {"C:\\QZ\\A.B", "A.B"}};
  for (const Case& c : cases) {
    sys_.programPath = c.path;
    EXPECT_EQ(ProgramBaseName(), c.want) << c.path;
  }
}

TEST_F(StfktTest, TempFolderFromHomeShareAppDataOrSystem) {
  struct Case {
    const char* homeShare;
    bool allowHomeShare;
    const char* appData;
    const char* want;
    std::vector<std::string> made;
  } cases[] = {
      {"\\\\SRV\\home\\anna",
       true,
       "C:\\AD",
       "\\\\SRV\\home\\anna\\",
       {"\\\\SRV\\home\\anna\\Q", "\\\\SRV\\home\\anna\\Q\\TEMP"}},
      {"\\\\SRV\\home\\anna", false, "C:\\AD", "C:\\AD\\", {"C:\\AD\\Q", "C:\\AD\\Q\\TEMP"}},
      {"", true, "C:\\AD", "C:\\AD\\", {"C:\\AD\\Q", "C:\\AD\\Q\\TEMP"}},
      {"", true, "", "C:\\WINDOWS\\TEMP\\", {}},
      // With a drive letter doubled backslashes collapse; a UNC start keeps its "\\".
      {"H:\\\\anna\\", true, "", "H:\\anna\\", {"H:\\\\anna\\Q", "H:\\\\anna\\Q\\TEMP"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.homeShare);
    sys_.madeDirectories.clear();
    sys_.environment["HOMESHARE"] = c.homeShare;
    sys_.environment["APPDATA"] = c.appData;
    EXPECT_EQ(GETTMPPFAD("Q", c.allowHomeShare), c.want);
    EXPECT_EQ(sys_.madeDirectories, c.made);
  }
}

TEST_F(StfktTest, ProfileReadAndWrite) {
  sys_.profileFiles["qz.ini"] =
      "[Tabrix]\r\nLASTPATH=C:\\DATEN\\\r\nZahl= 42abc\r\nLeer=\r\nNeg=-7\r\nText=abc\r\n";
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "LASTPATH", "x", "qz.ini"), "C:\\DATEN\\");
  EXPECT_EQ(GETPVPROFSTRING("tabrix", "lastpath", "x", "qz.ini"), "C:\\DATEN\\");
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "FEHLT", "def", "qz.ini"), "def");
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "LASTPATH", "def", "other.ini"), "def");

  struct IntCase {
    const char* key;
    int64_t want;
  } ints[] = {{"Zahl", 42}, {"Leer", 9}, {"Neg", -7}, {"Text", 0}, {"Fehlt", 9}};
  for (const IntCase& c : ints)
    EXPECT_EQ(GETPVPROFINT("Tabrix", c.key, 9, "qz.ini"), c.want) << c.key;

  EXPECT_TRUE(WRITEPVPROFSTRING("Tabrix", "LASTPATH2", "D:\\X\\", "qz.ini"));
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "LASTPATH2", "", "qz.ini"), "D:\\X\\");
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "LASTPATH", "", "qz.ini"), "C:\\DATEN\\");

  sys_.profileFiles["long.ini"] = "[S]\r\nK=" + std::string(2000, 'v') + "\r\n";
  EXPECT_EQ(GETPVPROFSTRING("S", "K", "", "long.ini").size(), 1023u);

  sys_.profileWritable = false;
  EXPECT_FALSE(WRITEPVPROFSTRING("Tabrix", "LASTPATH3", "x", "qz.ini"));
}

TEST_F(StfktTest, T2LoadsFromTheResourceLibraryAndLogsAGap) {
  const ModuleHandle zbres = 0x4000;
  SetZbresModule(zbres);
  sys_.strings[{zbres, 106}] = "Achtung";
  sys_.moduleFiles[zbres] = "C:\\QZ\\ZBRES32.DLL";

  EXPECT_EQ(ZbresText(Value{int32_t{106}}), "Achtung");
  EXPECT_EQ(ZbresText(Value{106.0}, 3), "Achtung   ");
  EXPECT_FALSE(Logged("Fehler in _T2()"));

  EXPECT_EQ(ZbresText(Value{std::string("106")}), "Funktion _T2(): 1. Argument ist keine Zahl");
  EXPECT_EQ(ZbresText(Value{Null{}}), "Funktion _T2(): 1. Argument ist keine Zahl");

  EXPECT_EQ(ZbresText(Value{int32_t{999}}, 2), "  ");
  ASSERT_TRUE(Logged("Fehler in _T2()"));
  const auto& detail = fake_.debug.back().second;
  ASSERT_TRUE(detail.has_value());
  EXPECT_NE(detail->find("999"), std::string::npos) << *detail;
  EXPECT_NE(detail->find("ZBRES32.DLL"), std::string::npos) << *detail;
  SetZbresModule(0);
}

TEST_F(StfktTest, LoadParamStringFormatsOrNamesTheMissingNumber) {
  sys_.strings[{7, 213}] = "Die Datenbank %s wurde nicht gefunden!";
  EXPECT_EQ(LOADPARAMSTRING(7, 213, std::string("LAND.QZF")),
            "Die Datenbank LAND.QZF wurde nicht gefunden!");
  EXPECT_EQ(LOADPARAMSTRING(7, 500, std::string("x")), "String at ID 500 could not be found!");
  EXPECT_EQ(GETLSTRING(123), 123);
  EXPECT_EQ(GETLLIB(7), 7u);
}

// A table layer that records what LOCAL_FRAGE restores.
class FakeAreas : public LocalFrageAreas {
 public:
  int current = 3;
  std::map<int, AreaPosition> areas;
  std::vector<std::string> calls;

  int CurrentArea() override { return current; }
  std::optional<AreaPosition> Position(int area) override {
    auto it = areas.find(area);
    if (it == areas.end()) return std::nullopt;
    return it->second;
  }
  void Select(int area) override {
    calls.push_back("select " + std::to_string(area));
    current = area;
  }
  void SetOrder(int order) override {
    calls.push_back("order " + std::to_string(order));
    areas[current].order = order;
  }
  void GoTo(int64_t recno) override {
    calls.push_back("goto " + std::to_string(recno));
    areas[current].recno = recno;
  }
};

TEST_F(StfktTest, LocalFrageRestoresTheAreaAfterMessagesMovedIt) {
  struct Case {
    const char* what;
    int handled;
    std::function<void(FakeAreas&)> messages;
    std::vector<std::string> calls;
  } cases[] = {
      {"no message: nothing restored", 0, [](FakeAreas& a) { a.current = 1; }, {}},
      {"area untouched: made current again", 2, [](FakeAreas& a) { a.current = 1; }, {"select 3"}},
      {"record and order moved",
       1,
       [](FakeAreas& a) {
         a.current = 1;
         a.areas[3].recno = 99;
         a.areas[3].order = 2;
       },
       {"select 3", "order 1", "goto 17"}},
      {"table closed meanwhile", 1, [](FakeAreas& a) { a.areas.erase(3); }, {}},
      {"other table opened there",
       1,
       [](FakeAreas& a) {
         a.areas[3] = {"LAND", 1, 0};
       },
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FakeAreas areas;
    areas.areas[3] = {"QUELLE", 17, 1};
    LocalFrageAreas* previous = SetLocalFrageAreas(&areas);
    sys_.messageBatches = {{c.handled, [&] { c.messages(areas); }}};
    EXPECT_FALSE(LOCAL_FRAGE());
    EXPECT_EQ(areas.calls, c.calls);
    SetLocalFrageAreas(previous);
  }
}

TEST_F(StfktTest, LocalFrageWithAFreeAreaOrNoTableLayerOnlyPumps) {
  FakeAreas areas;
  LocalFrageAreas* previous = SetLocalFrageAreas(&areas);
  sys_.messageBatches = {{1, nullptr}};
  EXPECT_FALSE(LOCAL_FRAGE(5));
  EXPECT_TRUE(areas.calls.empty());
  SetLocalFrageAreas(nullptr);
  sys_.messageBatches = {{1, nullptr}};
  EXPECT_FALSE(LOCAL_FRAGE());
  EXPECT_EQ(sys_.dispatchCalls, 2);
  SetLocalFrageAreas(previous);
}

TEST_F(StfktTest, WaitModelessPumpsUntilTheTimeHasPassed) {
  const double start = sys_.clock;
  WAITMODELESS(0.5);
  EXPECT_GE(sys_.clock - start, 0.5);
  EXPECT_LT(sys_.clock - start, 0.5 + 1e-9);
  // Messages were handled throughout, not once at the end.
  EXPECT_GE(sys_.dispatchCalls, 10);
  for (double s : sys_.sleeps) EXPECT_LE(s, 0.01 + 1e-12);

  sys_.dispatchCalls = 0;
  WAITMODELESS(0);
  EXPECT_EQ(sys_.dispatchCalls, 1);  // a zero wait still handles what is waiting
}

TEST_F(StfktTest, PaWaitsWithoutMessages) {
  EXPECT_TRUE(P_A(1.5));
  EXPECT_EQ(sys_.sleeps, std::vector<double>{1.5});
  EXPECT_EQ(sys_.dispatchCalls, 0);
}

TEST_F(StfktTest, KillTaskEndsTheProgramAndAbandonsTheCaller) {
  bool after = false;
  auto deepCaller = [&] {
    KILLTASK();
    after = true;  // never reached
  };
  EXPECT_THROW(deepCaller(), ErrorAbandoned);
  EXPECT_FALSE(after);
  EXPECT_EQ(fake_.endCodes, std::vector<int>{0});
}

TEST(GetLRegister, FalseOnceThenTrue) {
  EXPECT_FALSE(GET_LREGISTER());
  EXPECT_TRUE(GET_LREGISTER());
  EXPECT_TRUE(GET_LREGISTER());
}

}  // namespace
}  // namespace tabrix
