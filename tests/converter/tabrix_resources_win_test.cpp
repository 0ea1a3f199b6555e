// The program's resources: every dialog template read as stored (caption, style, font, size,
// and per control its class, id, text, style and place in dialog units), the same dialogs
// created and measured in pixels through MapDialogRect, texts that fit their controls, the icon
// and the start picture.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "converter/converter_dialog_win.h"
#include "converter/source_viewer_win.h"
#include "converter/win_converter_ui_win.h"
#include "framework/native/bridge_win.h"

namespace tabrix {
namespace {

struct Control {
  int id;  // -1: none
  std::string cls;
  std::string text;   // window text (Windows-1252)
  DWORD style;        // bits the control must have
  int x, y, w, h;     // dialog units
  DWORD without = 0;  // bits it must not have
};

struct ExpectedDialog {
  const char* name;
  std::string caption;
  std::string font;
  int points;
  int w, h;
  std::vector<Control> controls;
};

constexpr DWORD kVis = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kVis | BS_PUSHBUTTON | WS_TABSTOP;
constexpr DWORD kCheck = kVis | BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kGroup = kVis | BS_GROUPBOX;
constexpr DWORD kLeft = kVis | SS_LEFT;
constexpr DWORD kCentred = kVis | SS_CENTER;
// The lists always show their vertical bar: their columns keep their place beside it.
constexpr DWORD kSourceList =
    kVis | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | LBS_DISABLENOSCROLL | WS_VSCROLL | WS_TABSTOP;

std::vector<ExpectedDialog> ExpectedDialogs() {
  return {
      {"DIALOG_1",
       "Convert",
       "Arial",
       8,
       330,
       227,
       {
           {110, "Static", "Eingangs Felder:", kLeft, 9, 2, 97, 8},
           {-1, "Static", "Velarto Felder:", kLeft, 142, 2, 73, 10},
           {101, "ListBox", "", kSourceList, 9, 13, 117, 138, WS_HSCROLL},
           {102, "ListBox", "",
            kVis | LBS_NOTIFY | LBS_HASSTRINGS | LBS_WANTKEYBOARDINPUT | LBS_DISABLENOSCROLL |
                WS_HSCROLL | WS_VSCROLL | WS_TABSTOP,
            143, 13, 177, 138},
           {-1, "Button", "", kGroup, 134, 8, 1, 144},
           {106, "Button", "Zuweisen", kButton, 11, 156, 74, 14},
           {107, "Button", "Endgültig zuweisen", kButton, 89, 156, 74, 14},
           {108, "Button", "Zuweisung Entfernen", kButton, 167, 156, 74, 14},
           {103, "Button", "Konvertieren", kButton, 245, 156, 74, 14},
           {111, "Button", "Zuweisungen öffnen", kButton, 11, 174, 74, 14},
           {112, "Button", "Zuweisng. speichern", kButton, 89, 174, 74, 14},
           {109, "Button", "Datenbank öffnen", kButton, 167, 174, 74, 14},
           {104, "Button", "Abbruch", kButton, 245, 174, 74, 14},
           {-1, "Button", "", kGroup, 7, 189, 316, 34},
           {113, "Button", "Doppelklick als endgültige Zuweisung", kCheck, 11, 195, 139, 12},
           {114, "Button", "Nachricht bei nicht passenden Feldern", kCheck, 167, 195, 146, 12},
           {115, "Button", "Ortsnamen enthalten die Postleitzahl", kCheck, 11, 209, 139, 12},
           {116, "Button", "", kCheck, 167, 209, 146, 12},
       }},
      {"DIALOG_2",
       "Liste",
       "Arial",
       8,
       168,
       200,
       {
           {110, "Static", "Eingangs Felder:", kLeft, 12, 8, 144, 12},
           {101, "ListBox", "", kSourceList, 12, 22, 144, 147},
           {106, "Button", "Zuweisen", kButton, 11, 177, 53, 14},
           {105, "Button", "", kButton, 66, 177, 54, 14},
           {104, "Button", "Abbruch", kButton, 122, 177, 34, 14},
       }},
      {"DIALOG_3",
       "DIALOG_3",
       "Arial",
       8,
       146,
       58,
       {
           {-1, "Static", "Velarto Datenbank wird erstellt.", kCentred, 8, 5, 130, 9},
           {-1, "Button", "", kGroup, 8, 16, 130, 36},
           {100, "Static", "", kCentred, 14, 26, 118, 9},
           {101, "Static", "", kCentred, 14, 38, 118, 9},
       }},
      {"DIALOG_4",
       "DIALOG_4",
       "MS Sans Serif",
       8,
       175,
       92,
       {
           {110, "Static", "Text", kLeft, 8, 3, 159, 8},
           {-1, "Static", "Datensätzen mit folgenden Nummern wurden nicht übernommen:", kLeft, 8,
            16, 159, 16},
           {101, "Edit", "", kVis | ES_MULTILINE | ES_AUTOVSCROLL | WS_VSCROLL | WS_TABSTOP, 8, 36,
            159, 29},
           {102, "Button", "Ende", kButton, 13, 71, 69, 14},
           {103, "Button", "Protokoll speichern", kButton, 91, 71, 69, 14},
       }},
      {"DIALOG_5",
       "DIALOG_5",
       "Arial",
       8,
       168,
       200,
       {
           {110, "Static", "Eingangs Felder:", kLeft, 12, 8, 144, 12},
           {101, "ListBox", "", kSourceList, 12, 22, 144, 147},
           {106, "Button", "Zuweisen", kButton, 11, 177, 89, 14},
           {104, "Button", "Abbruch", kButton, 103, 177, 53, 14},
       }},
      {"DIALOG_6", "DIALOG_6", "Arial", 8, 0, 0, {}},
  };
}

// ---- the templates as stored ----------------------------------------------------------------

std::string Ansi(const std::wstring& wide) {
  if (wide.empty()) return {};
  std::string text(wide.size() * 2, '\0');
  int n = WideCharToMultiByte(1252, 0, wide.data(), static_cast<int>(wide.size()), text.data(),
                              static_cast<int>(text.size()), nullptr, nullptr);
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

// Reads a DLGTEMPLATEEX.
class TemplateReader {
 public:
  explicit TemplateReader(const BYTE* data) : p_(data), start_(data) {}
  WORD Word() {
    WORD v;
    std::memcpy(&v, p_, 2);
    p_ += 2;
    return v;
  }
  DWORD Dword() {
    DWORD v;
    std::memcpy(&v, p_, 4);
    p_ += 4;
    return v;
  }
  short Short() { return static_cast<short>(Word()); }
  std::wstring String() {
    std::wstring s;
    for (WORD c = Word(); c != 0; c = Word()) s += static_cast<wchar_t>(c);
    return s;
  }
  // A name or an ordinal; ordinals of the predefined classes come back as their names.
  std::string NameOrOrdinal() {
    WORD first;
    std::memcpy(&first, p_, 2);
    if (first == 0xFFFF) {
      Word();
      switch (Word()) {
        case 0x80:
          return "Button";
        case 0x81:
          return "Edit";
        case 0x82:
          return "Static";
        case 0x83:
          return "ListBox";
        default:
          return "?";
      }
    }
    return Ansi(String());
  }
  void AlignDword() {
    while ((p_ - start_) % 4) ++p_;
  }
  void Skip(size_t n) { p_ += n; }

 private:
  const BYTE* p_;
  const BYTE* start_;
};

struct StoredControl {
  DWORD style;
  int x, y, w, h;
  int id;
  std::string cls, text;
};
struct StoredDialog {
  DWORD style;
  int w, h;
  std::string caption, font;
  int points;
  std::vector<StoredControl> controls;
};

StoredDialog ReadTemplate(const char* name) {
  HRSRC found = FindResourceA(getInstance(), name, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
  EXPECT_NE(found, nullptr) << name;
  if (!found) return {};
  auto data = static_cast<const BYTE*>(LockResource(LoadResource(getInstance(), found)));
  TemplateReader r(data);
  StoredDialog d;
  EXPECT_EQ(r.Word(), 1);       // dlgVer
  EXPECT_EQ(r.Word(), 0xFFFF);  // signature: DLGTEMPLATEEX
  r.Dword();                    // help id
  r.Dword();                    // extended style
  d.style = r.Dword();
  const int count = r.Word();
  r.Short();
  r.Short();
  d.w = r.Short();
  d.h = r.Short();
  r.NameOrOrdinal();  // menu
  r.NameOrOrdinal();  // class
  d.caption = Ansi(r.String());
  if (d.style & DS_SETFONT) {
    d.points = r.Word();
    r.Word();
    r.Skip(2);
    d.font = Ansi(r.String());
  }
  for (int i = 0; i < count; ++i) {
    r.AlignDword();
    StoredControl c;
    r.Dword();  // help id
    r.Dword();  // extended style
    c.style = r.Dword();
    c.x = r.Short();
    c.y = r.Short();
    c.w = r.Short();
    c.h = r.Short();
    c.id = static_cast<int>(static_cast<int32_t>(r.Dword()));
    c.cls = r.NameOrOrdinal();
    c.text = r.NameOrOrdinal();
    r.Skip(r.Word());
    d.controls.push_back(c);
  }
  return d;
}

bool SameClass(const std::string& a, const std::string& b) {
  return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

TEST(TabrixResources, EveryDialogTemplateHoldsItsCaptionFontSizeAndControls) {
  for (const ExpectedDialog& expected : ExpectedDialogs()) {
    SCOPED_TRACE(expected.name);
    const StoredDialog d = ReadTemplate(expected.name);
    EXPECT_EQ(d.caption, expected.caption);
    EXPECT_EQ(d.font, expected.font);
    EXPECT_EQ(d.points, expected.points);
    // A child of the frame without a caption bar or border of its own.
    EXPECT_EQ(d.style & (WS_CHILD | WS_VISIBLE | DS_CONTROL), WS_CHILD | WS_VISIBLE | DS_CONTROL);
    EXPECT_EQ(d.style & (WS_POPUP | WS_THICKFRAME), 0u);
    if (expected.w > 0) {
      EXPECT_EQ(d.w, expected.w);
      EXPECT_EQ(d.h, expected.h);
    }
    ASSERT_EQ(d.controls.size(), expected.controls.size());
    for (size_t i = 0; i < expected.controls.size(); ++i) {
      const Control& want = expected.controls[i];
      const StoredControl& got = d.controls[i];
      SCOPED_TRACE("control " + std::to_string(i) + " id " + std::to_string(want.id));
      EXPECT_EQ(got.id, want.id);
      EXPECT_TRUE(SameClass(got.cls, want.cls)) << got.cls;
      EXPECT_EQ(got.text, want.text);
      EXPECT_EQ(got.style & want.style, want.style);
      EXPECT_EQ(got.style & want.without, 0u);
      EXPECT_EQ(got.x, want.x);
      EXPECT_EQ(got.y, want.y);
      EXPECT_EQ(got.w, want.w);
      EXPECT_EQ(got.h, want.h);
    }
  }
}

TEST(TabrixResources, TheTargetListScrollsUpAndDownToo) {
  const StoredDialog d = ReadTemplate("DIALOG_1");
  ASSERT_GE(d.controls.size(), 4u);
  EXPECT_EQ(d.controls[3].id, 102);
  EXPECT_TRUE(d.controls[3].style & WS_VSCROLL);
}

// ---- the dialogs as created --------------------------------------------------------------

class CreatedDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExA(0, "STATIC", "parent", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                              getInstance(), nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override { DestroyWindow(parent_); }
  HWND Create(const char* name) {
    return CreateDialogParamA(getInstance(), name, parent_, nullptr, 0);
  }
  HWND parent_ = nullptr;
};

// A place in dialog units in pixels, as the dialog manager places a control: the position and
// the size are each converted.
RECT Units(HWND dialog, int x, int y, int w, int h) {
  RECT at{x, y, x, y};
  MapDialogRect(dialog, &at);
  RECT size{0, 0, w, h};
  MapDialogRect(dialog, &size);
  return RECT{at.left, at.top, at.left + size.right, at.top + size.bottom};
}

std::string Text(const RECT& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

std::string WindowTextOf(HWND window) {
  char text[512] = {};
  const int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

TEST_F(CreatedDialogs, ControlsSitWhereTheirDialogUnitsSayWithTheirTextsAndTheDialogFont) {
  for (const ExpectedDialog& expected : ExpectedDialogs()) {
    SCOPED_TRACE(expected.name);
    HWND dialog = Create(expected.name);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowTextOf(dialog), expected.caption);
    EXPECT_EQ(GetParent(dialog), parent_);
    RECT client{};
    GetClientRect(dialog, &client);
    RECT window = client;
    if (expected.w > 0) {
      EXPECT_EQ(Text(client), Text(Units(dialog, 0, 0, expected.w, expected.h)));
      GetWindowRect(dialog, &window);
      EXPECT_EQ(window.right - window.left, client.right);  // no border of its own
    }
    LOGFONTA font{};
    ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                           sizeof font, &font));
    EXPECT_STREQ(font.lfFaceName, expected.font.c_str());
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(expected.points, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    HWND child = GetWindow(dialog, GW_CHILD);
    for (const Control& want : expected.controls) {
      SCOPED_TRACE("id " + std::to_string(want.id) + " " + want.text);
      ASSERT_NE(child, nullptr);
      EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(child))), want.id);
      EXPECT_EQ(WindowTextOf(child), want.text);
      RECT place{};
      GetWindowRect(child, &place);
      MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
      const RECT units = Units(dialog, want.x, want.y, want.w, want.h);
      if (want.cls == "ListBox") {
        // A list box shows whole rows: its height may shrink to the last whole one.
        EXPECT_EQ(Text(RECT{place.left, place.top, place.right, 0}),
                  Text(RECT{units.left, units.top, units.right, 0}));
        EXPECT_LE(place.bottom, units.bottom);
        EXPECT_GT(place.bottom, units.bottom - 16);
      } else {
        EXPECT_EQ(Text(place), Text(units));
      }
      child = GetWindow(child, GW_HWNDNEXT);
    }
    EXPECT_EQ(child, nullptr);
    DestroyWindow(dialog);
  }
}

// The names and ids the code uses find the dialogs and controls they mean: each dialog by its
// name with its caption, each control by its id with its class and text.
TEST_F(CreatedDialogs, TheNamesAndIdsOfTheCodeMeanTheirDialogsAndControls) {
  struct Named {
    const char* dialog;
    std::string caption;
    int id;
    std::string cls;
    std::string text;
  };
  const Named cases[] = {
      {kConverterDialog, "Convert", kSourceCaptionId, "Static", "Eingangs Felder:"},
      {kConverterDialog, "Convert", kSourceListId, "ListBox", ""},
      {kConverterDialog, "Convert", kTargetListId, "ListBox", ""},
      {kConverterDialog, "Convert", kAssignButtonId, "Button", "Zuweisen"},
      {kConverterDialog, "Convert", kAssignFinalButtonId, "Button", "Endgültig zuweisen"},
      {kConverterDialog, "Convert", kRemoveButtonId, "Button", "Zuweisung Entfernen"},
      {kConverterDialog, "Convert", kConvertButtonId, "Button", "Konvertieren"},
      {kConverterDialog, "Convert", kOpenAssignmentButtonId, "Button", "Zuweisungen öffnen"},
      {kConverterDialog, "Convert", kSaveAssignmentButtonId, "Button", "Zuweisng. speichern"},
      {kConverterDialog, "Convert", kOtherSourceButtonId, "Button", "Datenbank öffnen"},
      {kConverterDialog, "Convert", kLeaveButtonId, "Button", "Abbruch"},
      {kConverterDialog, "Convert", kDoubleClickBoxId, "Button",
       "Doppelklick als endgültige Zuweisung"},
      {kConverterDialog, "Convert", kHintBoxId, "Button", "Nachricht bei nicht passenden Feldern"},
      {kConverterDialog, "Convert", kPostalFromCityBoxId, "Button",
       "Ortsnamen enthalten die Postleitzahl"},
      {kConverterDialog, "Convert", kViewerBoxId, "Button", ""},
      {kChooserWithThirdButton, "Liste", kLabelId, "Static", "Eingangs Felder:"},
      {kChooserWithThirdButton, "Liste", kChooserListId, "ListBox", ""},
      {kChooserWithThirdButton, "Liste", kChooseButtonId, "Button", "Zuweisen"},
      {kChooserWithThirdButton, "Liste", kThirdButtonId, "Button", ""},
      {kChooserWithThirdButton, "Liste", kCancelButtonId, "Button", "Abbruch"},
      {kChooserDialog, "DIALOG_5", kLabelId, "Static", "Eingangs Felder:"},
      {kChooserDialog, "DIALOG_5", kChooserListId, "ListBox", ""},
      {kChooserDialog, "DIALOG_5", kChooseButtonId, "Button", "Zuweisen"},
      {kChooserDialog, "DIALOG_5", kCancelButtonId, "Button", "Abbruch"},
      {kProgressDialog, "DIALOG_3", kProgressNameId, "Static", ""},
      {kProgressDialog, "DIALOG_3", kProgressCounterId, "Static", ""},
      {kProtocolDialog, "DIALOG_4", kProtocolLabelId, "Static", "Text"},
      {kProtocolDialog, "DIALOG_4", kProtocolEditId, "Edit", ""},
      {kProtocolDialog, "DIALOG_4", kProtocolEndId, "Button", "Ende"},
      {kProtocolDialog, "DIALOG_4", kProtocolSaveId, "Button", "Protokoll speichern"},
  };
  for (const Named& c : cases) {
    SCOPED_TRACE(std::string(c.dialog) + " id " + std::to_string(c.id) + " " + c.text);
    HWND dialog = Create(c.dialog);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowTextOf(dialog), c.caption);
    HWND control = GetDlgItem(dialog, c.id);
    ASSERT_NE(control, nullptr);
    char cls[64] = {};
    GetClassNameA(control, cls, sizeof cls);
    EXPECT_TRUE(SameClass(cls, c.cls)) << cls;
    EXPECT_EQ(WindowTextOf(control), c.text);
    DestroyWindow(dialog);
  }
  // The dialog without a third button lacks it; the host dialog holds no control at all.
  HWND chooser = Create(kChooserDialog);
  ASSERT_NE(chooser, nullptr);
  EXPECT_EQ(GetDlgItem(chooser, kThirdButtonId), nullptr);
  DestroyWindow(chooser);
  HWND host = Create(kHostDialog);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(WindowTextOf(host), "DIALOG_6");
  EXPECT_EQ(GetWindow(host, GW_CHILD), nullptr);
  DestroyWindow(host);
}

// Every text of a button, check box or static text fits its control in the dialog's font
// (check boxes keep room for their box).
TEST_F(CreatedDialogs, EveryTextFitsItsControl) {
  for (const ExpectedDialog& expected : ExpectedDialogs()) {
    HWND dialog = Create(expected.name);
    ASSERT_NE(dialog, nullptr);
    HDC dc = GetDC(dialog);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    for (const Control& c : expected.controls) {
      if (c.text.empty() || c.cls == "ListBox" || c.cls == "Edit") continue;
      SCOPED_TRACE(std::string(expected.name) + ": " + c.text);
      RECT r = Units(dialog, c.x, c.y, c.w, c.h);
      RECT measured = {0, 0, r.right - r.left, 0};
      const bool check = (c.style & BS_TYPEMASK) == BS_AUTOCHECKBOX && c.cls == "Button";
      if (check) measured.right -= 16;                       // the box and its gap
      if (c.cls == "Button" && !check) measured.right -= 6;  // the button's edges
      DrawTextA(dc, c.text.c_str(), -1, &measured,
                DT_CALCRECT | (c.h > 12 && c.cls == "Static" ? DT_WORDBREAK : DT_SINGLELINE));
      EXPECT_LE(measured.right, (r.right - r.left) - (check ? 16 : c.cls == "Button" ? 6 : 0));
      EXPECT_LE(measured.bottom, r.bottom - r.top);
    }
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    DestroyWindow(dialog);
  }
}

TEST(TabrixResources, TheIconAndTheStartPicture) {
  HICON icon = static_cast<HICON>(LoadImageA(getInstance(), "icon_1", IMAGE_ICON, 0, 0, 0));
  // The names the program loads them by find the same resources.
  EXPECT_NE(FindResourceA(getInstance(), TABRIX_RESOURCE_NAME(IDI_TABRIX_PROGRAM),
                          MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */),
            nullptr);
  EXPECT_NE(FindResourceA(getInstance(), TABRIX_RESOURCE_NAME(IDB_TABRIX_START_PICTURE),
                          MAKEINTRESOURCEA(2) /* RT_BITMAP */),
            nullptr);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAP colour{};
  GetObjectA(info.hbmColor, sizeof colour, &colour);
  EXPECT_EQ(colour.bmWidth, 32);
  EXPECT_EQ(colour.bmHeight, 32);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(icon);

  HBITMAP picture = static_cast<HBITMAP>(
      LoadImageA(getInstance(), "BITMAP_1", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  ASSERT_NE(picture, nullptr);
  DIBSECTION dib{};
  ASSERT_EQ(GetObjectA(picture, sizeof dib, &dib), static_cast<int>(sizeof dib));
  EXPECT_EQ(dib.dsBm.bmWidth, 300);
  EXPECT_EQ(dib.dsBm.bmHeight, 300);
  EXPECT_EQ(dib.dsBm.bmBitsPixel, 8);
  // Pure red surrounds the drawing, which is neither all red nor without red.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(dc, picture);
  int red = 0;
  for (int y = 0; y < 300; y += 3)
    for (int x = 0; x < 300; x += 3) red += GetPixel(dc, x, y) == RGB(255, 0, 0);
  EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 299, 299), RGB(255, 0, 0));
  EXPECT_GT(red, 100 * 100 / 4);
  EXPECT_LT(red, 100 * 100 * 3 / 4);
  SelectObject(dc, previous);
  DeleteDC(dc);
  DeleteObject(picture);
}

// The viewer's dialog "DIALOG_7" as the program loads it (by the name "Dialog_7"): a window of
// its own with caption, system menu, sizing border and maximise box, hidden until the viewer
// shows it, and one owner-drawn list box for the grid, each where its dialog units put it.
TEST(ViewerDialog, ATopLevelSizableWindowWithOneGridListWhereItsUnitsSay) {
  HWND dialog = CreateDialogParamA(getInstance(), kViewerDialog, nullptr, nullptr, 0);
  ASSERT_NE(dialog, nullptr);
  const DWORD style = static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE));
  const DWORD wanted = WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX;
  EXPECT_EQ(style & wanted, wanted);
  EXPECT_EQ(style & (WS_CHILD | DS_CONTROL | WS_MINIMIZEBOX), 0u);
  EXPECT_FALSE(IsWindowVisible(dialog)) << "the viewer shows itself once its grid is filled";

  // 320 x 71 units of client area.
  RECT client{};
  GetClientRect(dialog, &client);
  EXPECT_EQ(Text(client), Text(Units(dialog, 0, 0, 320, 71)));

  LOGFONTA font{};
  ASSERT_TRUE(GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                         sizeof font, &font));
  EXPECT_STREQ(font.lfFaceName, "Arial");
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);

  HWND list = GetWindow(dialog, GW_CHILD);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(GetWindow(list, GW_HWNDNEXT), nullptr) << "one control only";
  char cls[32] = {};
  GetClassNameA(list, cls, sizeof cls);
  EXPECT_STRCASEEQ(cls, "ListBox");
  EXPECT_EQ(GetDlgCtrlID(list), kViewerListId);
  const DWORD listStyle = static_cast<DWORD>(GetWindowLongA(list, GWL_STYLE));
  const DWORD listWanted = WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS |
                           LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | LBS_NOINTEGRALHEIGHT |
                           LBS_DISABLENOSCROLL | WS_HSCROLL | WS_TABSTOP;
  EXPECT_EQ(listStyle & listWanted, listWanted);
  // The border: the dialog manager may turn it into a sunken edge.
  const DWORD listExStyle = static_cast<DWORD>(GetWindowLongA(list, GWL_EXSTYLE));
  EXPECT_TRUE((listStyle & WS_BORDER) || (listExStyle & WS_EX_CLIENTEDGE));
  // No integral height: the list keeps its whole place.
  RECT place{};
  GetWindowRect(list, &place);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  EXPECT_EQ(Text(place), Text(Units(dialog, 8, 9, 304, 56)));
  DestroyWindow(dialog);
}

}  // namespace
}  // namespace tabrix
