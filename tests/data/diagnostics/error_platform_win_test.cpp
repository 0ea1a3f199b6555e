// The Windows error platform under Wine: the fatal-error box and the end of the program seen
// from outside (a child process, its box read with WM_GETTEXT, its exit code and its error
// log), the debug output into a viewer window, and the system facts of the long report.

#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "data/diagnostics/error_platform_win.h"

namespace tabrix {
namespace {

std::string ControlText(HWND window) {
  char buf[512] = {};
  DWORD_PTR got = 0;
  if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf),
                           SMTO_ABORTIFHUNG, 2000, &got)) {
    return "<no answer>";
  }
  return std::string(buf, got);
}

struct FindBox {
  DWORD pid;
  HWND found = nullptr;
};

BOOL CALLBACK FindBoxOfProcess(HWND window, LPARAM param) {
  auto* f = reinterpret_cast<FindBox*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  char cls[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (pid == f->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) {
    f->found = window;
    return FALSE;
  }
  return TRUE;
}

std::string TempFolder(const char* name) {
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  std::string dir = std::string(base) + name + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  DeleteFileA((dir + "\\error.log").c_str());
  return dir;
}

TEST(WinErrorSysPlatform, FatalErrorShowsTheBoxWritesTheReportAndEndsWithCode1) {
  const std::string dir = TempFolder("tabrix_errbox");
  std::string commandLine = "error_box_probe.exe";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessA(ERROR_BOX_PROBE_EXE, commandLine.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, dir.c_str(), &startup, &process));

  FindBox find{process.dwProcessId};
  for (int waited = 0; waited < 30000 && !find.found; waited += 50) {
    if (WaitForSingleObject(process.hProcess, 50) == WAIT_OBJECT_0) break;
    EnumWindows(FindBoxOfProcess, reinterpret_cast<LPARAM>(&find));
  }
  std::string caption, text;
  if (find.found) {
    caption = ControlText(find.found);
    text = ControlText(GetDlgItem(find.found, 0xFFFF));
    PostMessageA(find.found, WM_COMMAND, IDOK, 0);
  }
  DWORD exitCode = ~0u;
  if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  } else {
    TerminateProcess(process.hProcess, 99);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);

  ASSERT_TRUE(find.found) << "no message box appeared";
  EXPECT_EQ(caption, "QZ-Hinweis");
  EXPECT_EQ(text, "Fehler bei Programmausführung, Programm wird beendet");
  EXPECT_EQ(exitCode, 1u);

  std::ifstream in(dir + "\\error.log", std::ios::binary);
  std::string log{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_NE(log.find(" Tabrix Error Log "), std::string::npos) << log;
  EXPECT_NE(log.find("error_box_probe.exe from "), std::string::npos) << log;
  EXPECT_NE(log.find("Current directory..: " + dir), std::string::npos) << log;
  EXPECT_NE(log.find("Description .......: Corruption detected"), std::string::npos) << log;
  DeleteFileA((dir + "\\error.log").c_str());
  RemoveDirectoryA(dir.c_str());
}

// The trace reaches a viewer window ("#32770" titled "Halvang-DBWIN", text box 101) and
// nothing happens while neither the viewer nor the atom exists.
TEST(WinErrorSysPlatform, DebugOutputGoesToTheViewerOnlyWhenOneExists) {
  WinErrorSysPlatform platform;
  ASSERT_EQ(GlobalFindAtomA("ENABLE_DEBUG_OUTPUT"), 0);
  platform.DebugOutput("unseen", std::nullopt);  // neither viewer nor atom: no effect

  HWND viewer = CreateWindowExA(0, "#32770", "Halvang-DBWIN", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(viewer);
  HWND box = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 280, 180, viewer,
                             reinterpret_cast<HMENU>(101), GetModuleHandleA(nullptr), nullptr);
  ASSERT_TRUE(box);
  SendMessageA(box, EM_SETLIMITTEXT, 0, 0);
  platform.DebugOutput("x", std::nullopt);
  platform.DebugOutput("Error at ...: PROBE(17) in Module:", "probe.cpp");
  EXPECT_EQ(ControlText(box),
            "-> x >NIL<\r\n-> Error at ...: PROBE(17) in Module: >probe.cpp<\r\n");

  // The viewer keeps the last 5000 characters before each new line.
  SendMessageA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::string(6000, 'a').c_str()));
  platform.DebugOutput("y", std::nullopt);
  char buf[8000] = {};
  LRESULT n = SendMessageA(box, WM_GETTEXT, sizeof buf, reinterpret_cast<LPARAM>(buf));
  EXPECT_EQ(std::string(buf, n), std::string(5000, 'a') + "-> y >NIL<\r\n");
  DestroyWindow(viewer);
}

TEST(WinErrorSysPlatform, SystemFactsComeFromTheSystem) {
  WinErrorSysPlatform platform;
  char dir[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, dir);
  EXPECT_EQ(platform.CurrentDirectory(), dir);
  EXPECT_EQ(platform.CurrentDrive(), std::string(1, dir[0]));
  EXPECT_TRUE(platform.ProgramPath().ends_with("data_diagnostics_tests.exe"))
      << platform.ProgramPath();
  EXPECT_GE(platform.ProgramFileTime().date.year, 2020);
  SYSTEMTIME t;
  GetLocalTime(&t);
  EXPECT_EQ(platform.Now().date.year, t.wYear);
  EXPECT_FALSE(platform.ComputerName().empty());
  EXPECT_GT(platform.FreePhysicalMemoryKb(), 0);
  EXPECT_GT(platform.FreeDiskBytes(), 0);
  EXPECT_TRUE(platform.OperatingSystem().starts_with("Windows ")) << platform.OperatingSystem();
  EXPECT_TRUE(platform.ErrorLogWritesAllowed());
  EXPECT_EQ(platform.CurrentArea(), 0);

  const unsigned old = platform.SetSystemErrorMode(SEM_FAILCRITICALERRORS);
  EXPECT_EQ(platform.SetSystemErrorMode(old), static_cast<unsigned>(SEM_FAILCRITICALERRORS));

  WinErrorSysPlatform::Hooks hooks;
  hooks.errorLogWritesAllowed = [] { return false; };
  hooks.currentArea = [] { return 7; };
  hooks.workArea = [](int area) {
    return std::optional<WorkAreaReport>(WorkAreaReport{"KUNDEN", area, "", "", 0, ""});
  };
  WinErrorSysPlatform hooked(hooks);
  EXPECT_FALSE(hooked.ErrorLogWritesAllowed());
  EXPECT_EQ(hooked.CurrentArea(), 7);
  EXPECT_EQ(hooked.WorkArea(3)->recno, 3);
}

}  // namespace
}  // namespace tabrix
