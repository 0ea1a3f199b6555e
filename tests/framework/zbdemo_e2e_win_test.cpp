// The demo program as a user meets it: started as its own process, its frame found by class
// and caption with the current dialog inside, closed with the dialog's OK button.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

struct Found {
  HWND dialog = nullptr;
};

BOOL CALLBACK FindChildDialog(HWND child, LPARAM param) {
  char cls[16] = {};
  GetClassNameA(child, cls, sizeof cls);
  if (std::string(cls) == "#32770") {
    reinterpret_cast<Found*>(param)->dialog = child;
    return FALSE;
  }
  return TRUE;
}

std::string TextOf(HWND window) {
  char text[256] = {};
  LRESULT n = SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// Ends the program if a check fails before it closed, so no stray process outlives the test.
struct ProcessGuard {
  PROCESS_INFORMATION pi = {};
  ~ProcessGuard() {
    if (pi.hProcess == nullptr) return;
    if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
};

TEST(ZbdemoProgram, ShowsItsDialogInTheFrameAndClosesWithOk) {
  const std::string eventName = "ZbdemoReady" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
  ASSERT_NE(ready, nullptr);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  ProcessGuard process;
  std::string command = std::string("\"") + ZBDEMO_EXE + "\" /ready=" + eventName;
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &process.pi));
  HANDLE waitFor[] = {ready, process.pi.hProcess};
  ASSERT_EQ(WaitForMultipleObjects(2, waitFor, FALSE, 20000), WAIT_OBJECT_0);
  CloseHandle(ready);
  HWND frame = FindWindowA("ZBDEMO", "Tabrix Rahmen");
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(IsWindowVisible(frame));
  Found found;
  EnumChildWindows(frame, FindChildDialog, reinterpret_cast<LPARAM>(&found));
  ASSERT_NE(found.dialog, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(found.dialog, 100)), "Rahmen mit einem Dialog \xFC\xE4\xF6\xDF");
  SendMessageA(GetDlgItem(found.dialog, IDOK), BM_CLICK, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.pi.hProcess, 20000), WAIT_OBJECT_0);
  DWORD code = 99;
  GetExitCodeProcess(process.pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
