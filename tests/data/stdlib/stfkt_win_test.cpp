// The standard library against the real platform under Wine: profile files, resource strings
// from the built ZBRES32.DLL, list and combo box text, memory blocks, message pumping, and the
// debug output's atom and viewer window.

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "data/stdlib/o_s.h"
#include "data/stdlib/stfkt.h"
#include "data/stdlib/stfkt_win.h"

namespace tabrix {
namespace {

std::string TempIni(const char* name) {
  char base[MAX_PATH];
  GetTempPathA(sizeof base, base);
  std::string path = std::string(base) + name + std::to_string(GetCurrentProcessId()) + ".ini";
  DeleteFileA(path.c_str());
  return path;
}

TEST(StfktWin, ProfileFilesThroughThePlatform) {
  const std::string ini = TempIni("tabrix_prof");
  EXPECT_EQ(GETPVPROFSTRING("Tabrix", "LASTPATH", "leer", ini), "leer");
  EXPECT_TRUE(WRITEPVPROFSTRING("Tabrix", "LASTPATH", "C:\\DATEN\\", ini));
  EXPECT_TRUE(WRITEPVPROFSTRING("Tabrix", "Zahl", "42", ini));
  EXPECT_TRUE(WRITEPVPROFSTRING("Fenster",
                                "Stra\xDF"
                                "e",
                                "M\xFCnchen", ini));
  EXPECT_EQ(GETPVPROFSTRING("tabrix", "lastpath", "", ini), "C:\\DATEN\\");
  EXPECT_EQ(GETPVPROFINT("Tabrix", "Zahl", 0, ini), 42);
  EXPECT_EQ(GETPVPROFINT("Tabrix", "LASTPATH", 7, ini), 0);
  EXPECT_EQ(GETPVPROFINT("Tabrix", "Fehlt", 7, ini), 7);
  EXPECT_EQ(GETPVPROFSTRING("Fenster",
                            "Stra\xDF"
                            "e",
                            "", ini),
            "M\xFCnchen");
  DeleteFileA(ini.c_str());
}

TEST(StfktWin, ResourceStringsFromTheFrameworkLibrary) {
  HMODULE zbres = LoadLibraryExA(ZBRES32_DLL, nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(zbres, nullptr) << ZBRES32_DLL;
  const auto module = reinterpret_cast<ModuleHandle>(zbres);
  SetZbresModule(module);
  EXPECT_EQ(ZbresText(Value{int32_t{106}}), "Achtung");
  EXPECT_EQ(ZbresText(Value{int32_t{111}}, 2), "Bereit  ");
  EXPECT_EQ(LOADPARAMSTRING(module, 213, std::string("LAND.QZF")),
            "Die Datenbank LAND.QZF wurde nicht gefunden!");
  EXPECT_EQ(LOADPARAMSTRING(module, 4999, std::string("x")),
            "String at ID 4999 could not be found!");
  SetZbresModule(0);
  FreeLibrary(zbres);
}

TEST(StfktWin, ListAndComboText) {
  HWND dialog = CreateWindowExA(0, "STATIC", "d", WS_POPUP, 0, 0, 300, 300, nullptr, nullptr,
                                nullptr, nullptr);
  HWND list = CreateWindowExA(0, "LISTBOX", "", WS_CHILD | LBS_NOTIFY | WS_HSCROLL, 0, 0, 100, 100,
                              dialog, reinterpret_cast<HMENU>(101), nullptr, nullptr);
  HWND combo = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 120, 100, 100,
                               dialog, reinterpret_cast<HMENU>(102), nullptr, nullptr);
  for (const char* text : {"Name",
                           "Stra\xDF"
                           "e",
                           "Ort"}) {
    SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
  struct Case {
    const char* what;
    int selection;  // -1: none
    std::optional<int> index;
    const char* want;
  } cases[] = {
      {"no selection", -1, std::nullopt, ""},
      {"selection", 1, std::nullopt,
       "Stra\xDF"
       "e"},
      {"index given", 1, 2, "Ort"},
      {"index beyond the items", 1, 3, ""},
      {"negative index", 1, -1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(c.selection), 0);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(c.selection), 0);
    EXPECT_EQ(GETLBTEXT(dialog, 101, c.index), c.want);
    EXPECT_EQ(GETCBTEXT(dialog, 102, c.index), c.want);
  }
  EXPECT_EQ(GETLBTEXT(dialog, 999), "");  // no such control

  LB_HOR(dialog, 101, {120, 80, 40});
  EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), 240);

  const int width = GETFIELDWIDTH(list, 1);
  EXPECT_GT(width, 0);
  EXPECT_EQ(GETFIELDWIDTH(list, 10), 10 * width);
  DestroyWindow(dialog);
}

TEST(StfktWin, MemoryBlocksForMultiLineEdits) {
  int64_t size = 64 * 1024;
  HGLOBAL block = nullptr;
  uintptr_t token = CREATEPVHEAP(size, block);
  ASSERT_NE(token, 0u);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(size, 64 * 1024);
  EXPECT_GE(GlobalSize(block), static_cast<SIZE_T>(size));
  const auto* bytes = reinterpret_cast<const unsigned char*>(token);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(bytes[size - 1], 0);  // zero-filled
  GLOBALFREE(block);
  GLOBALFREE(nullptr);

  // A size that can never be had shrinks step by step to 0 and gives up.
  size = 1024 * 3;
  block = nullptr;
  int64_t none = 0;
  EXPECT_EQ(CREATEPVHEAP(none, block), 0u);
  EXPECT_EQ(block, nullptr);
}

// Pumping: LOCAL_FRAGE dispatches what waits and leaves WM_QUIT for the main loop.
LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 5) {
    ++*reinterpret_cast<int*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return 0;
  }
  return DefWindowProcA(w, m, wp, lp);
}

TEST(StfktWin, LocalFrageDispatchesAndKeepsTheQuitMessage) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = CountingProc;
  wc.lpszClassName = "TabrixCounting";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "TabrixCounting", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                           nullptr);
  int count = 0;
  SetWindowLongPtrA(w, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&count));
  PostMessageA(w, WM_USER + 5, 0, 0);
  PostMessageA(w, WM_USER + 5, 0, 0);
  EXPECT_FALSE(LOCAL_FRAGE());
  EXPECT_EQ(count, 2);

  PostMessageA(w, WM_USER + 5, 0, 0);
  PostQuitMessage(3);
  WAITMODELESS(0.05);
  EXPECT_EQ(count, 3);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
  DestroyWindow(w);
}

TEST(StfktWin, PathsOnThisSystem) {
  std::string current = CURRENTPATH();
  ASSERT_FALSE(current.empty());
  EXPECT_EQ(current.back(), '\\');
  EXPECT_TRUE(ISTTASTEGEDRUECKT(VK_F24) == false);
  // Wine names APPDATA: the per-user INI folder is created there.
  std::string folder = GETINIPFAD("TabrixTest");
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(GetFileAttributesA(folder.c_str()), INVALID_FILE_ATTRIBUTES);
  RemoveDirectoryA(folder.c_str());
  EXPECT_EQ(LOAD_LIBRARY("Z:\\no\\such\\library.dll"), 0u);
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

TEST(DebugOutputWin, AtomAndViewerWindow) {
  ResetDebugOutputStarted();
  ASSERT_EQ(GlobalFindAtomA("ENABLE_DEBUG_OUTPUT"), 0);
  O_S("unsichtbar");  // neither atom nor viewer: nothing happens

  // A viewer: a top-level dialog titled "Halvang-DBWIN" with an edit control 101.
  alignas(4) static WORD tmpl[64] = {};
  auto* d = reinterpret_cast<DLGTEMPLATE*>(tmpl);
  d->style = WS_POPUP | WS_CAPTION;
  d->cx = 200;
  d->cy = 100;
  HWND viewer = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), d, nullptr, PassiveDialog, 0);
  ASSERT_NE(viewer, nullptr);
  SetWindowTextA(viewer, "Halvang-DBWIN");
  HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_MULTILINE, 0, 0, 100, 50, viewer,
                              reinterpret_cast<HMENU>(101), nullptr, nullptr);
  SendMessageA(edit, EM_SETLIMITTEXT, 0, 0);

  O_S("x");
  char text[256] = {};
  GetWindowTextA(edit, text, sizeof text);
  EXPECT_STREQ(text, "-> x >NIL<\r\n");

  std::string big(6000, 'a');
  SetWindowTextA(edit, big.c_str());
  O_S("y", TraceValue(2));
  std::string after(static_cast<size_t>(GetWindowTextLengthA(edit)) + 1, '\0');
  after.resize(GetWindowTextA(edit, after.data(), static_cast<int>(after.size())));
  EXPECT_EQ(after, std::string(5000, 'a') + "-> y >2<\r\n");

  O_S("CLEAR");
  EXPECT_EQ(GetWindowTextLengthA(edit), 0);
  DestroyWindow(viewer);

  // The atom alone enables the debugger output (not observable here beyond not failing).
  ATOM atom = GlobalAddAtomA("ENABLE_DEBUG_OUTPUT");
  O_S("z");
  GlobalDeleteAtom(atom);
}

}  // namespace
}  // namespace tabrix

namespace tabrix {
namespace {

// A plain top-level window of the system's static class; destroyed with the test.
struct TestWindow {
  HWND hwnd = CreateWindowA("STATIC", "Vorher", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
  ~TestWindow() { DestroyWindow(hwnd); }
  std::string Title() const {
    char buffer[256] = {};
    GetWindowTextA(hwnd, buffer, sizeof buffer);
    return buffer;
  }
};

TEST(StfktWin, SetCaptionTextFromMasterMenuOrOwnText) {
  TestWindow master, dialog;
  ASSERT_TRUE(master.hwnd && dialog.hwnd);
  HMENU menu = CreateMenu();
  AppendMenuA(menu, MF_STRING, 301, "&Kunden importieren...\tStrg+I");
  ASSERT_TRUE(SetMenu(master.hwnd, menu));

  std::string name = "unchanged";
  auto setName = [&](const std::string& n) { name = n; };
  EXPECT_TRUE(SETCAPTIONTEXT(dialog.hwnd, 301, setName, false, master.hwnd));
  EXPECT_EQ(dialog.Title(), "Kunden importieren");
  EXPECT_EQ(name, "Kunden importieren");

  // Id 0: the window's own text; keep marks leaves "&" and "." and the dialog's name alone.
  SetWindowTextA(dialog.hwnd, "&Datei.alt");
  name = "unchanged";
  EXPECT_TRUE(SETCAPTIONTEXT(dialog.hwnd, 0, setName, true));
  EXPECT_EQ(dialog.Title(), "&Datei.alt");
  EXPECT_EQ(name, "unchanged");

  // An item the menu does not hold: empty text, the title stays, the name becomes "".
  EXPECT_FALSE(SETCAPTIONTEXT(dialog.hwnd, 999, setName, false, master.hwnd));
  EXPECT_EQ(dialog.Title(), "&Datei.alt");
  EXPECT_EQ(name, "");
}

}  // namespace
}  // namespace tabrix
