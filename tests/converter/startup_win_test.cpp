// Start-up of the converter program: the program's folder and settings file, the one-copy rule
// and the choice of the table back-end from "QZX.INI".
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "converter/frame_fixture_win.h"
#include "converter/program_wiring_win.h"
#include "converter/startup_win.h"
#include "data/nettable/nettable.h"
#include "data/nettable/remote_client_fake.h"
#include "data/remote/ace_standin_support_win.h"
#include "data/remote/ace_table.h"
#include "data/table/table_area.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

TEST(TabrixStartup, TheStartFolderIsTheProgramsFolderInUpperCaseWithABackslash) {
  struct Case {
    const char* program;
    const char* folder;
    const char* startDir;
  };
  for (const Case& c :
       {Case{"C:\\Programme\\Velarto\\tabrix.exe", "C:\\Programme\\Velarto\\",
             "C:\\PROGRAMME\\VELARTO\\"},
        Case{"\\\\srv\\daten\\qz\\Tabrix.exe", "\\\\srv\\daten\\qz\\", "\\\\SRV\\DATEN\\QZ\\"},
        Case{"E:\\B\xFCro\\T.EXE", "E:\\B\xFCro\\", "E:\\B\xDCRO\\"},
        Case{"D:\\tabrix.exe", "D:\\", "D:\\"}}) {
    SCOPED_TRACE(c.program);
    EXPECT_EQ(ProgramFolderOf(c.program), c.folder);
    EXPECT_EQ(StartDirOf(c.program), c.startDir);
  }
  const std::string self = ProgramFilePath();
  EXPECT_EQ(self.substr(self.size() - 19), "converter_tests.exe");
}

TEST(TabrixStartup, TheUserSettingsFileIsVelartosQzIniInTheUsersFolder) {
  char appData[MAX_PATH] = {};
  ASSERT_GT(GetEnvironmentVariableA("APPDATA", appData, sizeof appData), 0u);
  std::string folder = appData;
  if (folder.back() != '\\') folder += '\\';
  EXPECT_EQ(UserSettingsFile(), folder + "Velarto\\qz.ini");
  const DWORD a = GetFileAttributesA((folder + "Velarto").c_str());
  EXPECT_TRUE(a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY));
}

TEST(TabrixStartup, TheBackEndIsChosenForTheDriveOrShareOfSysDir) {
  const fs::path dir = fs::path(TABRIX_BINARY_DIR) / "startup_test";
  fs::create_directories(dir);
  const std::string program = Backslashed((dir / "tabrix.exe").string());
  const std::string ini = Backslashed((dir / "QZX.INI").string());
  struct Case {
    const char* what;
    const char* iniText;  // nullptr: no QZX.INI
    std::string asked;
    int answer;
    const char* driver;
  };
  const Case cases[] = {
      {"no file: the program's drive", nullptr, program.substr(0, 2), kServerRemote, "ADS"},
      {"no key", "[Directory]\r\nOther=1\r\n", program.substr(0, 2), kServerNone, "DBFCDX"},
      {"share", "[Directory]\r\nSysDir=\\\\srv\\data\\dir\r\n", "\\\\srv\\data", kServerRemote,
       "ADS"},
      {"share, local server", "[Directory]\r\nSysDir=\\\\srv\\data\\dir\\sub\r\n", "\\\\srv\\data",
       kServerLocal, "DBFCDX"},
      {"drive", "[Directory]\r\nSysDir=E:\\VELARTO\r\n", "E:", kServerNone, "DBFCDX"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(ini);
    if (c.iniText) std::ofstream(ini, std::ios::binary) << c.iniText;
    FakeRemoteClient client;
    client.answers[c.asked] = c.answer;
    SetDefaultDriver("DBFNTX");
    EXPECT_EQ(ChooseTableBackEnd(program, client), c.driver);
    EXPECT_EQ(client.asked, std::vector<std::string>{c.asked});
    EXPECT_EQ(client.configured, 1);
    // The table layer runs with the chosen driver (it knows the local ones only).
    if (std::string(c.driver) == "DBFCDX") {
      EXPECT_EQ(SetDefaultDriver(), "DBFCDX");
    }
  }
  SetDefaultDriver("DBFCDX");
}

// The start-up contract with the engine's library loaded (the stand-in): its answer for the
// program's drive sets the default driver, and the application object's cDBFNTX and lDBFNTXAX
// follow it.
class TabrixServerStartup : public testing_support::FrameTest {
 protected:
  void SetUp() override {}  // each answer starts its own application object
};

TEST_F(TabrixServerStartup, TheEnginesAnswerChoosesTheDefaultDriver) {
  const std::string program = ProgramFilePath();
  std::unique_ptr<RemoteClient> client = LoadRemoteClient(standin::LibraryPath());
  ASSERT_TRUE(client->Available());
  const std::string before = SetDefaultDriver();
  const struct {
    AceU16 answer;
    const char* driver;
  } cases[] = {{0, "DBFCDX"}, {1, "DBFCDX"}, {2, "ADS"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    standin::Engine::Get().Reset();
    standin::Engine::Get().SetServer(c.answer);
    SetDefaultDriver("DBFNTX");
    EXPECT_EQ(ChooseTableBackEnd(program, *client), c.driver);
    EXPECT_EQ(SetDefaultDriver(), c.driver);
    EXPECT_NE(FindBackend(kDriverAds), nullptr);  // registered whatever the answer
    const std::string calls = standin::Engine::Get().Calls();
    EXPECT_EQ(standin::CountCalls(calls, "AdsIsServerLoaded"), 1) << calls;
    FrameTest::SetUp();
    EXPECT_EQ(app_->cDBFNTX, c.driver);
    EXPECT_EQ(app_->lDBFNTXAX, c.answer == 2);
    SyncNetTableConfig(*app_);
    EXPECT_EQ(NetTableConfig().serverDefault, c.answer == 2);
    EXPECT_EQ(ISRDDCDX("DBFNTX"), c.answer == 2);  // the server keeps CDX files
    FrameTest::TearDown();
  }
  client.reset();
  EXPECT_EQ(FindBackend(kDriverAds), nullptr);
  SetDefaultDriver(before);
  NetTableConfig() = NetTableSettings{};
}

// No engine: a library that is not there, or one without the engine's functions, leaves the
// program on the local back-end without a word. Asked in a process of its own: once a test has
// loaded the stand-in, the system finds it by its name.
bool StaysLocalWithoutEngine() {
  bool ok = GetModuleHandleA(AceLibraryName()) == nullptr;
  ok = ok && !LoadAceLibrary(AceLibraryName());  // not beside the program nor on its path
  ok = ok && !LoadAceLibrary("kernel32.dll");    // there, but no engine
  for (const char* library : {AceLibraryName(), "kernel32.dll"}) {
    std::unique_ptr<RemoteClient> client = LoadRemoteClient(library);
    SetDefaultDriver("DBFNTX");
    ok = ok && !client->Available() && ChooseTableBackEnd(ProgramFilePath(), *client) == "DBFCDX" &&
         FindBackend(kDriverAds) == nullptr;
  }
  // Nothing was shown.
  return ok && FindWindowA("#32770", nullptr) == nullptr;
}

TEST(TabrixStartupDeathTest, WithoutTheEnginesLibraryTheTablesStayLocal) {
  EXPECT_EXIT(std::exit(StaysLocalWithoutEngine() ? 0 : 1), testing::ExitedWithCode(0), "");
  // The engine that the same steps find where it is.
  EXPECT_TRUE(LoadAceLibrary(standin::LibraryPath()));
}

class TabrixOneCopy : public testing_support::FrameTest {};

TEST_F(TabrixOneCopy, ARunningFrameOfClassTabrixIsFoundWhateverItsCaption) {
  SetWindowTextA(frame(), "irgendein Titel");
  EXPECT_TRUE(BringRunningCopyToFront());
  app_.reset();
  EXPECT_FALSE(BringRunningCopyToFront());
}

}  // namespace
}  // namespace tabrix
