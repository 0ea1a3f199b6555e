// C_MSG, the bevelled message bar (see stfkt_win.h; placement in stfkt_msg.h).

#include <windows.h>

#include "data/stdlib/stfkt_msg.h"
#include "data/stdlib/stfkt_win.h"

namespace tabrix {

void C_MSG(HWND window, const std::string& text, const MsgBarArgs& args, HDC dc) {
  const bool ownDc = dc == nullptr;
  if (ownDc) dc = GetDC(window);
  if (!dc) return;
  RECT client{};
  GetClientRect(window, &client);
  const MsgBarPlan plan = PlanMsgBar(args, client.right, client.bottom);

  const COLORREF oldBackground = SetBkColor(dc, args.background);
  const COLORREF oldText = SetTextColor(dc, args.textColour);

  HBRUSH fill = CreateSolidBrush(args.background);
  const RECT fillRect{plan.fill.left, plan.fill.top, plan.fill.right, plan.fill.bottom};
  FillRect(dc, &fillRect, fill);
  DeleteObject(fill);

  if (!plan.lines.empty()) {
    HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HGDIOBJ oldPen = SelectObject(dc, black);
    for (const MsgLine& line : plan.lines) {
      SelectObject(dc, line.colour == MsgLine::Colour::kHighlight ? highlight
                       : line.colour == MsgLine::Colour::kShadow  ? shadow
                                                                  : black);
      MoveToEx(dc, line.x1, line.y1, nullptr);
      LineTo(dc, line.x2, line.y2);
    }
    SelectObject(dc, oldPen);
    DeleteObject(highlight);
    DeleteObject(shadow);
    DeleteObject(black);
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
  if (ownDc) ReleaseDC(window, dc);
}

}  // namespace tabrix
