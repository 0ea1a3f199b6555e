// tabrix.exe as a user meets it, started as a process of its own from a program folder without
// the reference tables: the frame shows the start picture and the message about the missing
// country table; a second copy only brings the first one to the front and ends; answering the
// message ends the program.
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/pump_until_win.h"

namespace {

namespace fs = std::filesystem;

std::string Backslashed(std::string path) {
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

std::string TextOf(HWND window) {
  char text[512] = {};
  const LRESULT n = SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  const int n = GetClassNameA(window, name, sizeof name);
  return std::string(name, n > 0 ? static_cast<size_t>(n) : 0);
}

DWORD ProcessOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// The top-level windows of a class (of any process).
std::vector<HWND> TopLevel(const std::string& cls) {
  struct Search {
    std::string cls;
    std::vector<HWND> found;
  } search{cls, {}};
  EnumWindows(
      [](HWND window, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (ClassOf(window) == s->cls) s->found.push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Ends a copy that a failed check left running.
struct Program {
  PROCESS_INFORMATION pi{};
  ~Program() {
    if (pi.hProcess == nullptr) return;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  bool Start(const std::string& exe) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + exe + "\"";
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          Backslashed(fs::path(exe).parent_path().string()).c_str(), &si,
                          &pi) != FALSE;
  }
  // Waits (at most 30 s) until `found` holds or the program ended, handling this process's
  // messages meanwhile (the program may send to this process's windows); returns found().
  template <class Found>
  bool WaitFor(Found found) {
    const DWORD end = GetTickCount() + 30000;
    while (!found() && GetTickCount() < end &&
           WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) {
      MsgWaitForMultipleObjects(1, &pi.hProcess, FALSE, 50, QS_ALLINPUT);
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
      }
    }
    return found();
  }
  // The exit code once the program ended (STILL_ACTIVE when it did not within 30 s).
  DWORD ExitCode() {
    WaitFor([&] { return WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; });
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    return code;
  }
};

// A program folder holding only the program and the framework's resource library.
std::string ProgramFolderWithoutTables() {
  const fs::path dir = fs::path(TABRIX_BINARY_DIR) / "tabrix_e2e";
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(fs::path(TABRIX_BINARY_DIR) / "src" / "converter" / "tabrix.exe",
                dir / "tabrix.exe");
  fs::copy_file(fs::path(TABRIX_BINARY_DIR) / "ZBRES32.DLL", dir / "ZBRES32.DLL");
  return Backslashed((dir / "tabrix.exe").string());
}

TEST(TabrixProgram, ASecondCopyOnlyBringsTheFirstToTheFrontAndEnds) {
  const std::string exe = ProgramFolderWithoutTables();
  ASSERT_TRUE(TopLevel("Tabrix").empty()) << "a copy of the program is running already";
  Program first;
  ASSERT_TRUE(first.Start(exe));
  HWND frame = nullptr, box = nullptr;
  ASSERT_TRUE(first.WaitFor([&] {
    for (HWND w : TopLevel("#32770"))
      if (ProcessOf(w) == first.pi.dwProcessId && IsWindowVisible(w)) box = w;
    for (HWND w : TopLevel("Tabrix"))
      if (ProcessOf(w) == first.pi.dwProcessId) frame = w;
    return box != nullptr && frame != nullptr;
  }));
  // The frame wraps the host dialog with the start picture; the country table is missing.
  EXPECT_EQ(TextOf(frame), "Velarto Converter");
  EXPECT_TRUE(IsWindowVisible(frame));
  HWND host = FindWindowExA(frame, nullptr, "#32770", nullptr);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(TextOf(host), "DIALOG_6");
  std::string folder = exe.substr(0, exe.rfind('\\') + 1);
  CharUpperBuffA(folder.data(), static_cast<DWORD>(folder.size()));
  EXPECT_EQ(TextOf(GetDlgItem(box, 0xFFFF)), "Kann die Datei " + folder +
                                                 "LAND.qzf nicht \xF6"
                                                 "fnen!");
  EXPECT_EQ(TextOf(box), "Velarto Converter");

  // Something else is in front when the second copy starts.
  HWND other =
      CreateWindowExA(0, "STATIC", "anderes Programm", WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10,
                      200, 80, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  SetForegroundWindow(other);
  ASSERT_TRUE(tabrix::testing_support::PumpUntil([&] { return GetForegroundWindow() == other; }));

  Program second;
  ASSERT_TRUE(second.Start(exe));
  EXPECT_EQ(second.ExitCode(), 0u);
  const std::vector<HWND> frames = TopLevel("Tabrix");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], frame);
  EXPECT_TRUE(tabrix::testing_support::PumpUntil([&] {
    HWND front = GetForegroundWindow();
    return front != nullptr && ProcessOf(front) == first.pi.dwProcessId;
  }));
  DestroyWindow(other);

  // Answering the message ends the first copy.
  PostMessageA(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(first.ExitCode(), 0u);
  EXPECT_TRUE(TopLevel("Tabrix").empty());
}

}  // namespace
