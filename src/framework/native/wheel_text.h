#pragma once
// The window text by which a browse marks its list box and scroll bar for wheel redirection:
// "B", tab, the handle of the window that receives its scroll messages, tab, the handle of its
// scroll bar. The wheel redirection posts WM_VSCROLL to the receiver with the scroll bar as
// lParam.

#include <cstdint>
#include <optional>
#include <string_view>

namespace tabrix {

struct BrowseScrollTarget {
  int64_t receiver = 0;   // second tab-separated field
  int64_t scrollBar = 0;  // third tab-separated field
};

// True when the text starts with "B\t".
bool IsBrowseScrollText(std::string_view text);

// The numbers in the second and third tab-separated fields (each read like a number typed by a
// user: leading blanks skipped, an optional sign, the digits that follow; 0 when there are none
// or a field is missing).
BrowseScrollTarget ParseBrowseScrollText(std::string_view text);

}  // namespace tabrix
