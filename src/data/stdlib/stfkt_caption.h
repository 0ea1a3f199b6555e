#pragma once
// The text rules of SETCAPTIONTEXT: a menu item's text (or a window's own text) becomes a
// window title and the dialog object's name. The window side is in stfkt_win.h.

#include <optional>
#include <string>
#include <string_view>

namespace tabrix {

struct CaptionTexts {
  // The window title: the text without "&" and "." (with keepMarks: the text unchanged), cut
  // at the first TAB so that a menu item's shortcut text does not reach the title.
  std::string title;
  // The dialog object's name: the text without "&" and ".", cut at the first TAB, in code
  // page 850. Nothing with keepMarks: the dialog's name is then left alone.
  std::optional<std::string> dialogName;
};

// Nothing when the title is to be left alone: an empty text without keepMarks (the dialog's
// name is still set to "" then: see SETCAPTIONTEXT). text is Windows-1252.
std::optional<CaptionTexts> CaptionFromText(std::string_view text, bool keepMarks);

}  // namespace tabrix
