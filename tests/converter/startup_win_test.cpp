// Start-up of the converter program: the program's folder and settings file, the one-copy rule
// and the choice of the table back-end from "QZX.INI".
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "converter/frame_fixture_win.h"
#include "converter/startup_win.h"
#include "data/nettable/remote_client_fake.h"
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

class TabrixOneCopy : public testing_support::FrameTest {};

TEST_F(TabrixOneCopy, ARunningFrameOfClassTabrixIsFoundWhateverItsCaption) {
  SetWindowTextA(frame(), "irgendein Titel");
  EXPECT_TRUE(BringRunningCopyToFront());
  app_.reset();
  EXPECT_FALSE(BringRunningCopyToFront());
}

}  // namespace
}  // namespace tabrix
