// Geometry of the bevelled message bar (see stfkt_msg.h).

#include "data/stdlib/stfkt_msg.h"

namespace tabrix {
namespace {

using Colour = MsgLine::Colour;

// Left and top in `first`, right and bottom in `second`.
void Outline(std::vector<MsgLine>& lines, const MsgRect& r, Colour first, Colour second) {
  lines.push_back({first, r.left, r.top, r.left, r.bottom});
  lines.push_back({first, r.left, r.top, r.right, r.top});
  lines.push_back({second, r.right - 1, r.top, r.right - 1, r.bottom});
  lines.push_back({second, r.left, r.bottom - 1, r.right, r.bottom - 1});
}

MsgRect Moved(MsgRect r, int dy) {
  r.top += dy;
  r.bottom += dy;
  return r;
}

}  // namespace

MsgBarPlan PlanMsgBar(const MsgBarArgs& args, int clientWidth, int clientHeight) {
  const bool twoArguments = !args.inset && !args.rowOffset;
  const int inset = args.inset.value_or(0);
  const bool bottomBar = !args.rect;
  const MsgRect rect = bottomBar
                           ? MsgRect{0, clientHeight - kMsgBarHeight, clientWidth, clientHeight + 2}
                           : Moved(*args.rect, 2 * args.rowOffset.value_or(0));
  const MsgRect bar = Moved(rect, -(inset + 2));

  MsgBarPlan plan;
  plan.fill = bar;
  if (args.framed) {
    if (bottomBar && !args.raised) {
      const MsgRect outline{bar.left, bar.top + 2, bar.right, bar.bottom};
      plan.fill = outline;
      Outline(plan.lines, outline, Colour::kBlack, Colour::kBlack);
      const MsgRect groove{bar.left + kMsgGrooveSide, bar.top + kMsgGrooveEnd,
                           bar.right - kMsgGrooveSide, bar.bottom - kMsgGrooveEnd};
      Outline(plan.lines, groove, Colour::kShadow, Colour::kHighlight);
    } else if (args.raised) {
      Outline(plan.lines, bar, Colour::kHighlight, Colour::kShadow);
    } else {
      Outline(plan.lines, bar, Colour::kShadow, Colour::kHighlight);
    }
  }
  if (twoArguments && !args.raised) {
    plan.text = {bar.left + 10, bar.top + 6, bar.right - 11, bar.bottom - 5};
  } else {
    plan.text = Moved(rect, -(inset + 1));
    plan.text.left += 1;
    plan.plainText = args.format <= 0;
  }
  return plan;
}

}  // namespace tabrix
