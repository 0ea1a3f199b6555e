// The debug output's channel on Windows: the global atom, the viewer dialog found by class and
// title (usually another process's window, written with window-text messages) and the
// system's debugger output.

#include <windows.h>

#include "data/stdlib/o_s.h"

namespace tabrix {
namespace {

class Win32DebugChannel : public DebugChannel {
 public:
  bool AtomExists(const char* name) override { return GlobalFindAtomA(name) != 0; }
  bool FindViewer(const char* windowClass, const char* title) override {
    viewer_ = FindWindowA(windowClass, title);
    return viewer_ != nullptr;
  }
  std::string ViewerText(int id) override {
    HWND control = GetDlgItem(viewer_, id);
    if (!control) return "";
    LRESULT n = SendMessageA(control, WM_GETTEXTLENGTH, 0, 0);
    if (n <= 0) return "";
    std::string text(static_cast<size_t>(n) + 1, '\0');
    n = SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
  }
  void SetViewerText(int id, const std::string& text) override {
    HWND control = GetDlgItem(viewer_, id);
    if (control) SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  void DebugString(const std::string& text) override { OutputDebugStringA(text.c_str()); }

 private:
  HWND viewer_ = nullptr;
};

}  // namespace

DebugChannel& BuiltInDebugChannel() {
  static Win32DebugChannel channel;
  return channel;
}

}  // namespace tabrix
