// The standard library's window-bound helpers (see stfkt_win.h).

#include "data/stdlib/stfkt_win.h"

#include <algorithm>

#include "data/base/win_handles_win.h"
#include "data/stdlib/stfkt_caption.h"

namespace tabrix {
namespace {

// Text of one item of a list (or combo) box: the index, or the current selection.
std::string ItemText(HWND control, std::optional<int> index, UINT getCurSel, UINT getLen,
                     UINT getText) {
  if (!control) return "";
  LRESULT item = index ? *index : SendMessageA(control, getCurSel, 0, 0);
  if (item < 0) return "";
  LRESULT n = SendMessageA(control, getLen, static_cast<WPARAM>(item), 0);
  if (n < 0) return "";  // LB_ERR / CB_ERR: the index is invalid
  std::string text(static_cast<size_t>(n) + 1, '\0');
  n = SendMessageA(control, getText, static_cast<WPARAM>(item),
                   reinterpret_cast<LPARAM>(text.data()));
  text.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return text;
}

}  // namespace

std::string GETLBTEXT(HWND dialog, int id, std::optional<int> index) {
  return ItemText(GetDlgItem(dialog, id), index, LB_GETCURSEL, LB_GETTEXTLEN, LB_GETTEXT);
}

std::string GETCBTEXT(HWND dialog, int id, std::optional<int> index) {
  return ItemText(GetDlgItem(dialog, id), index, CB_GETCURSEL, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

void LB_HOR(HWND dialog, int id, const std::vector<int>& columnWidths) {
  int sum = 0;
  for (int w : columnWidths) sum += w;
  SendDlgItemMessageA(dialog, id, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(sum), 0);
}

int GETFIELDWIDTH(HWND window, int characters) {
  static HWND lastWindow = nullptr;
  static int lastWidth = 10;
  if (window != lastWindow || !window) {
    int width = 0;
    WindowDc dc(window);
    if (dc.get()) {
      HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
      SelectedObject selected(dc.get(), font);
      TEXTMETRICA metrics{};
      if (GetTextMetricsA(dc.get(), &metrics)) width = metrics.tmAveCharWidth;
    }
    lastWindow = window;
    lastWidth = width > 0 ? width : 10;
  }
  return characters * lastWidth;
}

RECT RECTTOCLIENT(HWND window, RECT screen) {
  POINT corners[2] = {{screen.left, screen.top}, {screen.right, screen.bottom}};
  ScreenToClient(window, &corners[0]);
  ScreenToClient(window, &corners[1]);
  return {corners[0].x, corners[0].y, corners[1].x, corners[1].y};
}

HWND SETFOCUSRESTORED(HWND window) {
  if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
  return SetFocus(window);
}

bool ISTTASTEGEDRUECKT(int virtualKey) {
  return (GetKeyState(virtualKey) & 0x8000) != 0;
}

uintptr_t LOAD_LIBRARY(const std::string& file) {
  UINT previous = SetErrorMode(SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(file.c_str());
  SetErrorMode(previous);
  return reinterpret_cast<uintptr_t>(module);
}

std::string CURRENTPATH() {
  char buffer[MAX_PATH * 2];
  DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (n == 0 || n >= sizeof buffer) return "";
  std::string path(buffer, n);
  if (path.back() != '\\') path += '\\';
  return path;
}

uintptr_t CREATEPVHEAP(int64_t& size, HGLOBAL& block) {
  block = nullptr;
  HGLOBAL handle = nullptr;
  while (size > 0 &&
         !(handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size))))
    size -= 1024;
  if (!handle) {
    size = std::max<int64_t>(size, 0);
    return 0;
  }
  void* address = GlobalLock(handle);
  if (!address) {
    MessageBoxA(nullptr, "Fehler beim Segmentlocking!", "Speicher Fehler", MB_OK | MB_ICONERROR);
    GlobalFree(handle);  // never locked: nothing to unlock; a block nobody can use is freed
    return 0;
  }
  block = handle;
  return reinterpret_cast<uintptr_t>(address);
}

void GLOBALFREE(HGLOBAL block) {
  OwnedGlobalBlock owned(block);  // unlocked and freed together
}

bool SETCAPTIONTEXT(HWND window, int menuItemId,
                    const std::function<void(const std::string&)>& setDialogName, bool keepMarks,
                    HWND master) {
  std::string text;
  if (menuItemId > 0) {
    HMENU menu = GetMenu(master ? master : window);
    char buffer[512] = {};
    if (menu)
      GetMenuStringA(menu, static_cast<UINT>(menuItemId), buffer, sizeof buffer, MF_BYCOMMAND);
    text = buffer;
  } else {
    int length = GetWindowTextLengthA(window);
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, buffer.data(), length + 1);
    text = buffer.substr(0, static_cast<size_t>(got > 0 ? got : 0));
  }
  std::optional<CaptionTexts> caption = CaptionFromText(text, keepMarks);
  if (!keepMarks && setDialogName) setDialogName(caption ? *caption->dialogName : std::string());
  if (!caption) return false;
  return SetWindowTextA(window, caption->title.c_str()) != 0;
}

}  // namespace tabrix

namespace tabrix {

void WAITC() {
  SetCursor(LoadCursorA(nullptr, IDC_WAIT));
}

void RESUMEC() {
  SetCursor(LoadCursorA(nullptr, IDC_ARROW));
}

std::vector<Value> TipFontList(const LOGFONTA* font) {
  std::vector<Value> list(15);
  if (font == nullptr) {
    list[13] = std::string("ERROR");
    return list;
  }
  const LOGFONTA& f = *font;
  const int32_t numbers[] = {
      f.lfHeight,        f.lfWidth,     f.lfEscapement,    f.lfOrientation, f.lfWeight,
      f.lfItalic,        f.lfUnderline, f.lfStrikeOut,     f.lfCharSet,     f.lfOutPrecision,
      f.lfClipPrecision, f.lfQuality,   f.lfPitchAndFamily};
  for (size_t i = 0; i < std::size(numbers); ++i) list[i] = numbers[i];
  list[13] = std::string(f.lfFaceName);
  return list;
}

std::vector<Value> GETTIPFONT() {
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    return TipFontList(nullptr);
  return TipFontList(&metrics.lfStatusFont);
}

}  // namespace tabrix
