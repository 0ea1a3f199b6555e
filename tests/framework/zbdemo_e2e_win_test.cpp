// The test program as a user meets it: started as its own process, its frame found by class
// and caption with the current dialog inside, its two owner-drawn lists filled and answering
// keys, closed with the dialog's close button. Waits on the program's ready event, which it sets
// once nothing is left to do after start and after each posted kSignalWhenSettled.
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

constexpr UINT kSignalWhenSettled = WM_USER + 1;
constexpr int kSourceList = 101;
constexpr int kTargetList = 102;
constexpr int kChoiceLabel = 103;

// Read as UTF-16 and converted: Wine hands a cross-process ANSI LB_GETTEXT the wide text.
std::string RowText(HWND list, LRESULT row) {
  std::wstring wide(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, row, 0)) + 1, L'\0');
  LRESULT n = SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(wide.data()));
  if (n <= 0) return {};
  std::string text(static_cast<size_t>(n) * 2, '\0');
  int bytes = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(n), text.data(),
                                  static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
  return text;
}

TEST(ZbdemoProgram, ShowsTwoFilledListsThatAnswerKeysAndClosesCleanly) {
  const std::string readyName = "ZbdemoReady" + std::to_string(GetCurrentProcessId());
  HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
  ASSERT_NE(ready, nullptr);
  STARTUPINFOA si = {};
  si.cb = sizeof si;
  ProcessGuard process;
  std::string command = std::string("\"") + ZBDEMO_EXE + "\" /ready=" + readyName;
  ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &si, &process.pi));
  HANDLE waitFor[] = {ready, process.pi.hProcess};
  // Everything the program does in answer to a message has happened once it says it is settled.
  auto settled = [&] { return WaitForMultipleObjects(2, waitFor, FALSE, 20000) == WAIT_OBJECT_0; };
  ASSERT_TRUE(settled());

  HWND frame = FindWindowA("ZBDEMO", "Tabrix Rahmen");
  ASSERT_NE(frame, nullptr);
  EXPECT_TRUE(IsWindowVisible(frame));
  Found found;
  EnumChildWindows(frame, FindChildDialog, reinterpret_cast<LPARAM>(&found));
  ASSERT_NE(found.dialog, nullptr);
  HWND source = GetDlgItem(found.dialog, kSourceList);
  HWND target = GetDlgItem(found.dialog, kTargetList);
  ASSERT_NE(source, nullptr);
  ASSERT_NE(target, nullptr);

  // Both lists are the owner-drawn replacements, filled, with their sample rows.
  for (HWND list : {source, target}) {
    EXPECT_TRUE(GetWindowLongA(list, GWL_STYLE) & LBS_OWNERDRAWFIXED);
    EXPECT_TRUE(IsWindowVisible(list));
  }
  EXPECT_EQ(SendMessageA(source, LB_GETCOUNT, 0, 0), 20);
  EXPECT_EQ(SendMessageA(target, LB_GETCOUNT, 0, 0), 11);
  EXPECT_EQ(RowText(source, 0), "KUNDNR\tN\t8");
  EXPECT_EQ(RowText(target, 6), "Land\tC\t3\t!C255");
  EXPECT_EQ(SendMessageA(source, LB_GETCURSEL, 0, 0), 3);

  // Page Down from the first row moves one page: the whole rows the list was fitted to when it
  // was created (its sunken edge takes 2 pixels off that height; no horizontal scroll bar).
  RECT outer;
  GetWindowRect(source, &outer);
  const LRESULT rowHeight = SendMessageA(source, LB_GETITEMHEIGHT, 0, 0);
  ASSERT_GT(rowHeight, 0);
  const LRESULT pageRows = (outer.bottom - outer.top + 2) / rowHeight;
  ASSERT_GT(pageRows, 1);
  ASSERT_LT(pageRows, 19) << "the page must end before the last row";
  SendMessageA(source, LB_SETCURSEL, 0, 0);
  SendMessageA(source, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(SendMessageA(source, LB_GETCURSEL, 0, 0), pageRows);

  // Space acts as a double click, which the dialog answers by naming the row below the lists.
  EXPECT_EQ(TextOf(GetDlgItem(found.dialog, kChoiceLabel)), "");
  SendMessageA(target, LB_SETCURSEL, 1, 0);
  SendMessageA(target, WM_KEYDOWN, VK_SPACE, 0);
  ResetEvent(ready);
  PostMessageA(frame, kSignalWhenSettled, 0, 0);
  ASSERT_TRUE(settled());
  EXPECT_EQ(TextOf(GetDlgItem(found.dialog, kChoiceLabel)), "Gew\xE4hlt: Name");

  SendMessageA(GetDlgItem(found.dialog, IDCANCEL), BM_CLICK, 0, 0);
  ASSERT_EQ(WaitForSingleObject(process.pi.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(ready);
  DWORD code = 99;
  GetExitCodeProcess(process.pi.hProcess, &code);
  EXPECT_EQ(code, 0u);
}

}  // namespace
