// Window operations against the real platform under Wine: COPYFILE with real files and time
// stamps, the file dialogs driven like a user would, placement of real windows, short ids.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "framework/native/win32fkt_win.h"
#include "framework/pump_until_win.h"

namespace tabrix {
namespace {

std::string TempFolder(const std::string& name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  std::string dir =
      std::string(base) + "tabrix_" + name + "_" + std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir + "\\";
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

uint64_t Ft(const FILETIME& t) {
  return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime;
}

FileTimes TimesOf(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME c{}, a{}, w{};
  if (h != INVALID_HANDLE_VALUE) {
    GetFileTime(h, &c, &a, &w);
    CloseHandle(h);
  }
  return {Ft(c), Ft(a), Ft(w)};
}

void SetTimes(const std::string& path, uint64_t t) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILETIME ft{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
  SetFileTime(h, &ft, &ft, &ft);
  CloseHandle(h);
}

uint64_t NowFileTime() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  return Ft(ft);
}

constexpr uint64_t kSecond = 10'000'000;
constexpr uint64_t kYear2001 = 126'227'808'000'000'000;  // 1.1.2001 00:00 UTC
constexpr uint64_t kYear2011 = 129'383'136'000'000'000;  // 1.1.2011 00:00 UTC

TEST(CopyFileWin, CodesContentsAndTimeStamps) {
  const std::string dir = TempFolder("copy");
  const std::string a = dir + "a.dbf", b = dir + "b.dbf";
  enum class Stamp { kSource, kNow, kOldTarget };
  struct Case {
    const char* what;
    bool targetExists;
    bool failIfExists;
    bool keepTimes;
    int code;
    const char* content;
    Stamp stamp;
  } cases[] = {
      {"onto an existing file: -5, left unchanged", true, true, false, -5, "OLD",
       Stamp::kOldTarget},
      {"same with the source's times asked for", true, true, true, -5, "OLD", Stamp::kOldTarget},
      {"overwrite allowed: copy with the current time", true, false, false, 0, "SOURCE",
       Stamp::kNow},
      {"new target: the current time", false, true, false, 0, "SOURCE", Stamp::kNow},
      {"keep the source's times", false, true, true, 0, "SOURCE", Stamp::kSource},
      {"overwrite keeping the source's times", true, false, true, 0, "SOURCE", Stamp::kSource},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(a, "SOURCE");
    SetTimes(a, kYear2001);
    DeleteFileA(b.c_str());
    if (c.targetExists) {
      WriteFile(b, "OLD");
      SetTimes(b, kYear2011);
    }
    const uint64_t before = NowFileTime();
    EXPECT_EQ(COPYFILE(a, b, c.failIfExists, c.keepTimes), c.code);
    const uint64_t after = NowFileTime();
    FileTimes t = TimesOf(b);
    switch (c.stamp) {
      case Stamp::kSource:
        EXPECT_EQ(t.lastWrite, kYear2001);
        EXPECT_EQ(t.lastAccess, kYear2001);
        break;
      case Stamp::kOldTarget:
        EXPECT_EQ(t.lastWrite, kYear2011);
        break;
      case Stamp::kNow:
        // File systems keep coarser times than the clock: allow two seconds.
        EXPECT_GE(t.lastWrite + 2 * kSecond, before);
        EXPECT_LE(t.lastWrite, after + 2 * kSecond);
        EXPECT_GE(t.lastAccess + 2 * kSecond, before);
        break;
    }
    EXPECT_EQ(ReadFile(b), c.content);
    EXPECT_EQ(ReadFile(a), "SOURCE");
    EXPECT_EQ(TimesOf(a).lastWrite, kYear2001);
  }
  // A missing source: -2 when its times are wanted, -5 from the copy otherwise.
  DeleteFileA(b.c_str());
  EXPECT_EQ(COPYFILE(dir + "missing.dbf", b, true, true), -2);
  EXPECT_EQ(COPYFILE(dir + "missing.dbf", b), -5);
  EXPECT_EQ(GetFileAttributesA(b.c_str()), INVALID_FILE_ATTRIBUTES);
  DeleteFileA(a.c_str());
  RemoveDirectoryA(dir.c_str());
}

// Drives a file dialog titled title from another thread: waits for it, reads its filter box,
// types name into the file name field and presses OK (or Cancel when name is null).
struct DialogDriver {
  DialogDriver(std::string t, const char* n) : title(std::move(t)), name(n) {}
  std::string title;
  const char* name;
  std::atomic<int> filterCount{-1};
  std::atomic<int> filterSelected{-1};
  std::string firstFilter;
  std::thread thread;

  void Start() {
    thread = std::thread([this] {
      HWND dialog = nullptr;
      for (int i = 0; i < 500 && !dialog; ++i) {
        dialog = FindWindowA("#32770", title.c_str());
        if (!dialog) Sleep(20);
      }
      if (!dialog) return;
      // The dialog shows itself once it has filled its controls.
      HWND filters = GetDlgItem(dialog, 0x470);
      for (int i = 0; i < 500 && !(IsWindowVisible(dialog) && filters &&
                                   SendMessageA(filters, CB_GETCOUNT, 0, 0) > 0);
           ++i) {
        Sleep(10);
        filters = GetDlgItem(dialog, 0x470);
      }
      filterCount = static_cast<int>(SendMessageA(filters, CB_GETCOUNT, 0, 0));
      filterSelected = static_cast<int>(SendMessageA(filters, CB_GETCURSEL, 0, 0));
      char text[256] = {};
      SendMessageA(filters, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(text));
      firstFilter = text;
      if (name) {
        HWND field = GetDlgItem(dialog, 0x47C);
        // Under Wine the name field is a ComboBoxEx32 holding a ComboBox holding an Edit.
        HWND edit = FindWindowExA(field, nullptr, "ComboBox", nullptr);
        edit = edit ? FindWindowExA(edit, nullptr, "Edit", nullptr) : nullptr;
        if (!edit) edit = field;
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(name));
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
      } else {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
      }
    });
  }
  void Join() {
    if (thread.joinable()) thread.join();
  }
};

TEST(FileDialogWin, OpenSaveCancelAndMultipleSelection) {
  const std::string dir = TempFolder("dialog");
  WriteFile(dir + "a.txt", "a");
  WriteFile(dir + "b c.txt", "b");
  const std::string folder = dir.substr(0, dir.size() - 1);

  {  // Defaults: four filters, the first one selected; a chosen file comes back as its path.
    DialogDriver driver{"Dateiwahl", "a.txt"};
    driver.Start();
    FileDialogResult r = GETOPENFILENAME({.initialDir = folder});
    driver.Join();
    EXPECT_EQ(driver.filterCount, 4);
    EXPECT_EQ(driver.filterSelected, 0);
    EXPECT_EQ(driver.firstFilter, "WinWord Dokumente (*.DOC)");
    ASSERT_TRUE(std::holds_alternative<std::string>(r));
    EXPECT_STRCASEEQ(std::get<std::string>(r).c_str(), (dir + "a.txt").c_str());
  }
  {  // Cancel: nothing.
    DialogDriver driver{"Abbruch", nullptr};
    driver.Start();
    FileDialogResult r = GETOPENFILENAME({.title = "Abbruch", .initialDir = folder});
    driver.Join();
    EXPECT_TRUE(std::holds_alternative<std::monostate>(r));
  }
  {  // Several files: the directory, then the names.
    DialogDriver driver{"Mehrere", "\"a.txt\" \"b c.txt\""};
    driver.Start();
    FileDialogResult r = GETOPENFILENAME({.title = "Mehrere",
                                          .filters = std::vector<FileFilter>{{"Texte", "*.txt"}},
                                          .flags = 0x200 | 4 | 8,
                                          .initialDir = folder});
    driver.Join();
    EXPECT_EQ(driver.filterCount, 1);
    ASSERT_TRUE(std::holds_alternative<std::vector<std::string>>(r));
    const auto& list = std::get<std::vector<std::string>>(r);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_STRCASEEQ(list[0].c_str(), folder.c_str());
    EXPECT_EQ(list[1], "a.txt");
    EXPECT_EQ(list[2], "b c.txt");
  }
  {  // Save with the converter's flags and a default extension.
    DialogDriver driver{"Speichern", "neu"};
    driver.Start();
    FileDialogResult r =
        GETSAVEFILENAME({.title = "Speichern",
                         .filters = std::vector<FileFilter>{{"Zuweisung", "*.ZWS"}},
                         .flags = 10244,
                         .initialDir = folder,
                         .defaultExt = "ZWS"});
    driver.Join();
    ASSERT_TRUE(std::holds_alternative<std::string>(r));
    EXPECT_STRCASEEQ(std::get<std::string>(r).c_str(), (dir + "neu.ZWS").c_str());
  }
  DeleteFileA((dir + "a.txt").c_str());
  DeleteFileA((dir + "b c.txt").c_str());
  RemoveDirectoryA(folder.c_str());
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

// A modeless dialog (class "#32770") from an in-memory template without controls.
HWND MakeDialog() {
  alignas(4) static WORD tmpl[64] = {};
  auto* d = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  d->style = WS_POPUP | WS_VISIBLE | WS_CAPTION;
  d->cdit = 0;
  d->cx = 100;
  d->cy = 50;
  return CreateDialogIndirectParamA(GetModuleHandleA(nullptr), d, nullptr, PassiveDialog, 0);
}

TEST(PlacementWin, WindowsAreClippedIntoTheWorkArea) {
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    const char* what;
    bool dialog;
    int flags;
  } cases[] = {{"window, clip", false, 2}, {"dialog, clip", true, 2}, {"window, center", false, 3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HWND w = c.dialog ? MakeDialog()
                      : CreateWindowExA(0, "STATIC", "p", WS_POPUP | WS_VISIBLE, 0, 0, 200, 100,
                                        nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(w, nullptr);
    RECT r;
    GetWindowRect(w, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    // Half outside the right edge of the work area.
    SetWindowPos(w, nullptr, work.right - width / 2, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    CLIPORCENTERWINDOWTOMONITOR(w, c.flags);
    GetWindowRect(w, &r);
    EXPECT_EQ(r.right - r.left, width);
    EXPECT_EQ(r.bottom - r.top, height);
    if (c.flags & 1) {
      EXPECT_EQ(r.left, work.left + (work.right - work.left - width) / 2);
    } else {
      EXPECT_EQ(r.right, work.right - (c.dialog ? 1 : 0));
      EXPECT_EQ(r.top, 50);
    }
    DestroyWindow(w);
  }

  // SETMULTIWINCLIPPOS: size 0 keeps the window's size; a rectangle off the bottom is clipped.
  HWND w = CreateWindowExA(0, "STATIC", "p", WS_POPUP | WS_VISIBLE, 0, 0, 120, 80, nullptr, nullptr,
                           nullptr, nullptr);
  EXPECT_TRUE(SETMULTIWINCLIPPOS(w, nullptr, 10, work.bottom - 20, 0, 0, SWP_NOZORDER));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, work.bottom);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_TRUE(SETMULTIWINCLIPPOS(w, nullptr, -30, 5, 300, 200, SWP_NOZORDER));
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, work.left);
  EXPECT_EQ(r.right - r.left, 300);
  DestroyWindow(w);
}

TEST(ShortIdsWin, ControlIdsAsTheApplicationSeesThem) {
  HWND parent = CreateWindowExA(0, "STATIC", "p", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                nullptr, nullptr);
  struct Case {
    int id;
    int64_t longForm;
    int64_t shortForm;
  } cases[] = {{65535, 65535, -1}, {0x8001, 0x8001, -32767}, {101, 101, 101}};
  for (const Case& c : cases) {
    HWND control =
        CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), nullptr, nullptr);
    bool previous = SETSHORTIDS(false);
    EXPECT_EQ(GETDLGCTRLID(control), c.longForm);
    SETSHORTIDS(true);
    EXPECT_EQ(GETDLGCTRLID(control), c.shortForm);
    SETSHORTIDS(previous);
  }
  DestroyWindow(parent);
}

TEST(ForegroundWin, BringsAMinimisedWindowBack) {
  HWND w = CreateWindowExA(0, "STATIC", "vorne", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                           nullptr, nullptr, nullptr, nullptr);
  ShowWindow(w, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(w));
  EXPECT_TRUE(SETFOREGROUNDWINDOWEX(w));
  EXPECT_FALSE(IsIconic(w));
  // Activation reaches the window through the display a moment later.
  EXPECT_TRUE(testing_support::PumpUntil([w] { return GetForegroundWindow() == w; }));
  DestroyWindow(w);
}

}  // namespace
}  // namespace tabrix
