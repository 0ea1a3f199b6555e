#pragma once
// Geometry of C_MSG, the bevelled message bar of the standard library: where the bar, its
// frame lines, the groove of the bottom bar and the text go. The drawing itself is C_MSG in
// stfkt_win.h; everything it places comes from PlanMsgBar, so the rules are tested without a
// window system.

#include <cstdint>
#include <optional>
#include <vector>

namespace tabrix {

struct MsgRect {
  int left = 0, top = 0, right = 0, bottom = 0;
  friend bool operator==(const MsgRect&, const MsgRect&) = default;
};

// C_MSG's optional arguments. inset and rowOffset both absent is the two-argument form
// (window, text); rect absent is the bottom bar over the window's client width (the
// four-argument form: window, text, inset, row offset).
struct MsgBarArgs {
  std::optional<int> inset;
  std::optional<int> rowOffset;
  std::optional<MsgRect> rect;
  bool raised = false;
  int format = 1;                  // DrawText flags; 0 or below: plain text output
  uint32_t background = 12632256;  // 0x00BBGGRR, light grey
  uint32_t textColour = 0;
  bool framed = true;
};

// Height of the bottom bar, and the groove's distance from the bar's sides and ends.
inline constexpr int kMsgBarHeight = 26;
inline constexpr int kMsgGrooveSide = 10;
inline constexpr int kMsgGrooveEnd = 4;

// A one-pixel line from (x1, y1) up to but not including (x2, y2); horizontal or vertical.
struct MsgLine {
  enum class Colour { kHighlight, kShadow, kBlack };
  Colour colour = Colour::kBlack;
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  friend bool operator==(const MsgLine&, const MsgLine&) = default;
};

struct MsgBarPlan {
  MsgRect fill;                // filled with the background colour
  std::vector<MsgLine> lines;  // drawn in this order after the fill
  MsgRect text;                // the text's rectangle
  bool plainText = false;      // text output at text's top-left instead of formatted drawing
};

// The plan for a window whose client area is clientWidth x clientHeight.
//
// The rectangle: the given one moved down by twice the row offset, or without one the bottom
// bar (0, client height − 26, client width, client height + 2). The bar is that rectangle moved
// up by inset + 2. Not framed: only the bar is filled. Framed: the bar is filled and outlined,
// highlight left and top and shadow right and bottom when raised, the reverse when sunken;
// the sunken bottom bar instead is a black-outlined rectangle (the bar with its top two pixels
// lower, filled) holding a groove 10 pixels in from the bar's sides and 4 from its top and
// bottom, shadow left and top, highlight right and bottom.
//
// The text: in the two-argument form (not raised) inside the bar shrunk by 10/6/11/5
// (left/top/right/bottom); otherwise in the rectangle one pixel in from the left and moved up
// by inset + 1, plain at its top-left when the format is 0 or below.
MsgBarPlan PlanMsgBar(const MsgBarArgs& args, int clientWidth, int clientHeight);

}  // namespace tabrix
