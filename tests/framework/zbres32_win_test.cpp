// The framework's resource library as the framework reads it: texts by number, cursors and
// the column chooser's templates by name, from the built ZBRES32.DLL loaded like the program
// loads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

class Zbres32Test : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    UINT old_mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    module_ = LoadLibraryExA(ZBRES32_DLL, nullptr, 0);
    SetErrorMode(old_mode);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << ZBRES32_DLL; }

  static HMODULE module_;
};
HMODULE Zbres32Test::module_ = nullptr;

std::string LoadNarrow(HMODULE module, UINT id) {
  char buffer[1024] = {};
  int n = LoadStringA(module, id, buffer, sizeof buffer);
  return std::string(buffer, n > 0 ? n : 0);
}

std::wstring LoadWide(HMODULE module, UINT id) {
  wchar_t buffer[1024] = {};
  int n = LoadStringW(module, id, buffer, 1024);
  return std::wstring(buffer, n > 0 ? n : 0);
}

std::wstring From1252(const std::string& text) {
  std::wstring wide(text.size(), L'\0');
  int n = MultiByteToWideChar(1252, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                              static_cast<int>(wide.size()));
  wide.resize(n > 0 ? n : 0);
  return wide;
}

// Failure messages go into UTF-8 reports: show a 1252 text as UTF-8.
std::string Printable(const std::string& text) {
  std::wstring wide = From1252(text);
  std::string utf8(wide.size() * 3, '\0');
  int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(),
                              static_cast<int>(utf8.size()), nullptr, nullptr);
  utf8.resize(n > 0 ? n : 0);
  return utf8;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// A loaded library must run nothing and pull in nothing: no entry point, no imports.
TEST_F(Zbres32Test, HoldsResourcesOnly) {
  auto base = reinterpret_cast<const BYTE*>(module_);
  auto dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  ASSERT_EQ(dos->e_magic, IMAGE_DOS_SIGNATURE);
  auto nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  ASSERT_EQ(nt->Signature, IMAGE_NT_SIGNATURE);
  EXPECT_TRUE(nt->FileHeader.Characteristics & IMAGE_FILE_DLL);
  EXPECT_EQ(nt->OptionalHeader.AddressOfEntryPoint, 0u);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  std::vector<std::string> imported;
  if (imports.VirtualAddress && imports.Size) {
    for (auto d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         d->Name; ++d) {
      imported.emplace_back(reinterpret_cast<const char*>(base + d->Name));
    }
  }
  EXPECT_TRUE(imported.empty()) << "imports " << imported.front();
}

struct TextCase {
  UINT id;
  const char* role;
  const char* fragment;  // Windows-1252 bytes the text must hold, or nullptr
  size_t placeholders;   // "%s" the formatting loader fills with a file name
};

// Every number the framework asks for. Texts followed by a name or id end in a blank.
const TextCase kTexts[] = {
    {105, "index key cannot be browsed", "Indexschl\xFCssel", 0},
    {106, "caption of browse and table boxes", nullptr, 0},
    {111, "idle status bar text", nullptr, 0},
    {122, "learn mode question title", nullptr, 0},
    {123, "leave learn mode question", nullptr, 0},
    {207, "first free control id", nullptr, 0},
    {208, "dialog message caption", nullptr, 0},
    {209, "duplicate control id", nullptr, 0},
    {210, "dialog not created", nullptr, 0},
    {211, "table lock failed", "f\xFCr", 0},
    {212, "missing dialog template", nullptr, 0},
    {213, "table not found", nullptr, 1},
    {214, "table busy, retry?",
     "ge\xF6"
     "ffnet",
     1},
    {222, "hidden control missing", nullptr, 0},
};

TEST_F(Zbres32Test, EveryTextLoadsInWindows1252) {
  for (const TextCase& c : kTexts) {
    SCOPED_TRACE(testing::Message() << "string " << c.id << " (" << c.role << ")");
    std::string narrow = LoadNarrow(module_, c.id);
    ASSERT_FALSE(narrow.empty());
    EXPECT_LE(narrow.size(), 255u);  // the formatting loader reads at most 255 characters
    // The program sees 1252 bytes; the resource holds the same text as Unicode.
    EXPECT_EQ(From1252(narrow), LoadWide(module_, c.id));
    // UTF-8 read as 1252 would show up as a lead byte 0xC3 before each umlaut.
    EXPECT_EQ(narrow.find('\xC3'), std::string::npos) << Printable(narrow);
    if (c.fragment) {
      EXPECT_NE(narrow.find(c.fragment), std::string::npos) << Printable(narrow);
    }
    EXPECT_EQ(Count(narrow, "%s"), c.placeholders) << Printable(narrow);
    EXPECT_EQ(Count(narrow, "%"), c.placeholders) << Printable(narrow);
  }
}

TEST_F(Zbres32Test, UmlautsArriveAsTheir1252Bytes) {
  // 214 holds a capital umlaut too: the retry question.
  std::string text = LoadNarrow(module_, 214);
  EXPECT_NE(text.find("\xD6"
                      "ffnen"),
            std::string::npos)
      << Printable(text);
  std::wstring wide = LoadWide(module_, 105);
  EXPECT_NE(wide.find(L"Indexschl\u00FCssel"), std::wstring::npos);
}

TEST_F(Zbres32Test, CursorsLoadAsMonochrome32x32WithAPicture) {
  for (const char* name : {"HAND", "Drop", "NoDrop"}) {
    SCOPED_TRACE(name);
    HCURSOR cursor = LoadCursorA(module_, name);
    ASSERT_NE(cursor, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_LT(info.xHotspot, 32u);
    EXPECT_LT(info.yHotspot, 32u);
    EXPECT_EQ(info.hbmColor, nullptr);  // monochrome: AND mask above XOR mask in one bitmap
    BITMAP mask{};
    ASSERT_TRUE(GetObjectA(info.hbmMask, sizeof mask, &mask));
    EXPECT_EQ(mask.bmWidth, 32);
    EXPECT_EQ(mask.bmHeight, 64);
    std::vector<BYTE> bits(static_cast<size_t>(mask.bmWidthBytes) * mask.bmHeight);
    ASSERT_EQ(GetBitmapBits(info.hbmMask, static_cast<LONG>(bits.size()), bits.data()),
              static_cast<LONG>(bits.size()));
    int opaque = 0, transparent = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) {
        bool and_bit = bits[y * mask.bmWidthBytes + x / 8] & (0x80 >> (x % 8));
        (and_bit ? transparent : opaque)++;
      }
    EXPECT_GT(opaque, 32) << "the cursor shows no picture";
    EXPECT_GT(transparent, 32 * 16) << "the cursor covers its surroundings";
    DeleteObject(info.hbmMask);
  }
}

INT_PTR CALLBACK PassiveDialog(HWND, UINT, WPARAM, LPARAM) {
  return FALSE;
}

struct ControlCase {
  int id;
  const char* role;
  const char* window_class;
};

// The column chooser's controls by id; the chooser finds them by nothing else.
const ControlCase kChooserControls[] = {
    {101, "shown columns", "ListBox"},
    {102, "all defined columns", "ListBox"},
    {103, "show all", "Button"},
    {104, "hide all", "Button"},
    {105, "count of shown", "Static"},
    {106, "count of defined", "Static"},
    {112, "apply", "Button"},
    {113, "cancel", "Button"},
    {IDOK, "apply and close", "Button"},
};

TEST_F(Zbres32Test, ColumnChooserTemplatesHoldItsControls) {
  for (const char* name : {"SpaltenDlg", "SpaltenDlg32"}) {
    SCOPED_TRACE(name);
    EXPECT_NE(FindResourceA(module_, name, MAKEINTRESOURCEA(5) /* RT_DIALOG */), nullptr);
    HWND dialog = CreateDialogParamA(module_, name, nullptr, PassiveDialog, 0);
    ASSERT_NE(dialog, nullptr) << GetLastError();
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);  // the chooser appends its section name to the caption
    EXPECT_FALSE(style & WS_CHILD);

    for (const ControlCase& c : kChooserControls) {
      SCOPED_TRACE(testing::Message() << "control " << c.id << " (" << c.role << ")");
      HWND control = GetDlgItem(dialog, c.id);
      ASSERT_NE(control, nullptr);
      char window_class[64] = {};
      GetClassNameA(control, window_class, sizeof window_class);
      EXPECT_STRCASEEQ(window_class, c.window_class);
      EXPECT_TRUE(IsWindowEnabled(control));
    }
    LONG_PTR shown = GetWindowLongPtrA(GetDlgItem(dialog, 101), GWL_STYLE);
    LONG_PTR defined = GetWindowLongPtrA(GetDlgItem(dialog, 102), GWL_STYLE);
    EXPECT_FALSE(shown & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL));
    EXPECT_TRUE(defined & LBS_MULTIPLESEL);
    for (LONG_PTR list : {shown, defined}) {
      EXPECT_FALSE(list & LBS_SORT);  // columns keep their defined order
      EXPECT_TRUE(list & LBS_NOTIFY);
    }

    // The dialog class reports duplicate ids (not -1) with message boxes: there must be none.
    std::set<WORD> seen;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      WORD id = LOWORD(GetDlgCtrlID(child));
      if (id == 0xFFFF) continue;
      EXPECT_TRUE(seen.insert(id).second) << "duplicate id " << id;
    }
    EXPECT_EQ(seen.size(), std::size(kChooserControls));
    DestroyWindow(dialog);
  }
}

}  // namespace
