#pragma once
// In-memory dialog templates (DLGTEMPLATE followed by its items) for CREATEDIALOGINDIRECT and
// DIALOGBOXINDIRECT, so that small dialogs and tests need no resource script. Units are dialog
// units; texts are Windows-1252 window text.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tabrix {

// The atoms of the predefined control classes a template item may name.
inline constexpr WORD kButtonClassAtom = 0x0080;
inline constexpr WORD kEditClassAtom = 0x0081;
inline constexpr WORD kStaticClassAtom = 0x0082;
inline constexpr WORD kListBoxClassAtom = 0x0083;
inline constexpr WORD kComboBoxClassAtom = 0x0085;

class DialogTemplate {
 public:
  DialogTemplate(const char* title, DWORD style, short cx, short cy) {
    style |= DS_SETFONT;
    Dword(style);
    Dword(0);  // extended style
    Word(0);   // item count, patched by Add
    Word(10), Word(10), Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(0);  // no menu
    Word(0);  // standard dialog class
    Text(title);
    Word(8);
    Text("MS Shell Dlg");
  }

  // Adds a control of a predefined class (classAtom: kButtonClassAtom ... kComboBoxClassAtom).
  DialogTemplate& Add(WORD classAtom, WORD id, DWORD style, short x, short y, short cx, short cy,
                      const char* text = "") {
    Align();
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    Word(static_cast<WORD>(x)), Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(cx)), Word(static_cast<WORD>(cy));
    Word(id);
    Word(0xFFFF);
    Word(classAtom);
    Text(text);
    Word(0);  // no creation data
    ++words_[4];
    return *this;
  }

  const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD w) { words_.push_back(w); }
  void Dword(DWORD d) {
    Word(static_cast<WORD>(d & 0xFFFF));
    Word(static_cast<WORD>(d >> 16));
  }
  void Text(const char* text) {
    int n = MultiByteToWideChar(1252, 0, text, -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    if (n > 0) MultiByteToWideChar(1252, 0, text, -1, wide.data(), n);
    for (wchar_t c : wide) Word(static_cast<WORD>(c));  // the terminating zero included
  }
  void Align() {
    if (words_.size() % 2) Word(0);
  }
  std::vector<WORD> words_;  // WORD storage keeps the template WORD-aligned; Align() DWORD-aligns
};

}  // namespace tabrix
