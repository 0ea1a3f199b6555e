// C_MSG, the bevelled message bar (see stfkt_win.h; placement in stfkt_msg.h).

#include <windows.h>

#include <optional>

#include "data/base/win_handles_win.h"

#include "data/stdlib/stfkt_msg.h"
#include "data/stdlib/stfkt_win.h"

namespace tabrix {

void C_MSG(HWND window, const std::string& text, const MsgBarArgs& args, HDC dc) {
  std::optional<WindowDc> own;
  if (!dc) dc = own.emplace(window).get();
  if (!dc) return;
  RECT client{};
  GetClientRect(window, &client);
  const MsgBarPlan plan = PlanMsgBar(args, client.right, client.bottom);

  const COLORREF oldBackground = SetBkColor(dc, args.background);
  const COLORREF oldText = SetTextColor(dc, args.textColour);

  {
    OwnedBrush fill(CreateSolidBrush(args.background));
    const RECT fillRect{plan.fill.left, plan.fill.top, plan.fill.right, plan.fill.bottom};
    FillRect(dc, &fillRect, fill.get());
  }

  if (!plan.lines.empty()) {
    OwnedPen highlight(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    OwnedPen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    OwnedPen black(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    // Declared after the pens: the old pen is back before they are deleted.
    SelectedObject pen(dc, black.get());
    for (const MsgLine& line : plan.lines) {
      pen.select(line.colour == MsgLine::Colour::kHighlight ? highlight.get()
                 : line.colour == MsgLine::Colour::kShadow  ? shadow.get()
                                                            : black.get());
      MoveToEx(dc, line.x1, line.y1, nullptr);
      LineTo(dc, line.x2, line.y2);
    }
  }

  if (plan.plainText) {
    TextOutA(dc, plan.text.left, plan.text.top, text.data(), static_cast<int>(text.size()));
  } else {
    RECT textRect{plan.text.left, plan.text.top, plan.text.right, plan.text.bottom};
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &textRect,
              static_cast<UINT>(args.format));
  }

  SetBkColor(dc, oldBackground);
  SetTextColor(dc, oldText);
}

}  // namespace tabrix
