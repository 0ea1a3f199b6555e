#pragma once
// Dialog templates built in memory, for tests and the list demo: the same templates a resource
// script would give, without a resource file per test.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

namespace tabrix::testing_support {

class DialogTemplate {
 public:
  // A dialog with the font `face` at `pointSize` (DS_SETFONT is added). Units are dialog units.
  DialogTemplate(DWORD style, short x, short y, short cx, short cy, const std::wstring& caption,
                 WORD pointSize = 8, const std::wstring& face = L"MS Sans Serif") {
    Dword(style | DS_SETFONT);
    Dword(0);
    countAt_ = words_.size();
    words_.push_back(0);
    Short(x), Short(y), Short(cx), Short(cy);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // standard dialog class
    Text(caption);
    words_.push_back(pointSize);
    Text(face);
  }

  // Predefined classes: 0x0080 button, 0x0081 edit, 0x0082 static, 0x0083 list box.
  void Add(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy,
           const std::wstring& text = L"") {
    if (words_.size() % 2) words_.push_back(0);  // DWORD alignment
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Short(x), Short(y), Short(cx), Short(cy);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    Text(text);
    words_.push_back(0);  // no creation data
    ++words_[countAt_];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Dword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void Short(short value) { words_.push_back(static_cast<WORD>(value)); }
  void Text(const std::wstring& text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }

  std::vector<WORD> words_;  // WORD-aligned storage; a DLGTEMPLATE must start DWORD-aligned
  std::size_t countAt_ = 0;
};

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kListBoxClass = 0x0083;

// Handles every message waiting for this thread (posted ones included) until none is left.
inline void PumpPending() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace tabrix::testing_support
