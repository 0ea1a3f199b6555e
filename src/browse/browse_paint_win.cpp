// Painting of ZB_BROWSE (see browse_paint_win.h).
#include "browse/browse_paint_win.h"

#include <algorithm>

namespace tabrix {
namespace {

// A memory device context with one bitmap selected, restored and deleted on scope exit.
class MemoryDc {
 public:
  explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
  ~MemoryDc() {
    if (old_) SelectObject(dc_, old_);
    if (dc_) DeleteDC(dc_);
  }
  MemoryDc(const MemoryDc&) = delete;
  MemoryDc& operator=(const MemoryDc&) = delete;
  void Select(HBITMAP bitmap) {
    HGDIOBJ previous = SelectObject(dc_, bitmap);
    if (!old_) old_ = previous;
  }
  HDC get() const { return dc_; }

 private:
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

void FillColour(HDC dc, const RECT& r, COLORREF colour) {
  HBRUSH brush = CreateSolidBrush(colour);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void Line(HDC dc, HPEN pen, int x1, int y1, int x2, int y2) {
  HGDIOBJ old = SelectObject(dc, pen);
  MoveToEx(dc, x1, y1, nullptr);
  LineTo(dc, x2, y2);
  SelectObject(dc, old);
}

// Background and grid of an empty row: a line along the bottom and one at each boundary.
void DrawGrid(HDC dc, int width, int height, const std::vector<int>& tabs, int hOffset,
              COLORREF back) {
  FillColour(dc, RECT{0, 0, width, height}, back);
  HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT));
  Line(dc, pen, 0, height - 1, width, height - 1);
  for (size_t i = 1; i < tabs.size(); ++i) {
    const int x = tabs[i] - 1 + hOffset;
    Line(dc, pen, x, 0, x, height);
  }
  DeleteObject(pen);
}

int TextWidth(HDC dc, const std::string& text) {
  SIZE size{0, 0};
  GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
  return size.cx;
}

void Panel(HDC dc, RECT r, const std::string& text, UINT format, COLORREF textColour) {
  FillColour(dc, r, GetSysColor(COLOR_BTNFACE));
  DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
  if (!text.empty()) {
    RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    DrawTextA(dc, text.data(), static_cast<int>(text.size()), &inner, format | DT_NOPREFIX);
  }
}

}  // namespace

BrowsePainter::~BrowsePainter() {
  Drop();
}

void BrowsePainter::Drop() {
  for (RowImage& r : rows_) {
    for (HBITMAP& b : r.image) {
      if (b) DeleteObject(b);
      b = nullptr;
    }
  }
  rows_.clear();
}

std::vector<int> BrowsePainter::CutCells(int index) const {
  if (index < 0 || index >= static_cast<int>(rows_.size())) return {};
  return rows_[index].cut;
}

void BrowsePainter::Render(RowImage& r, int variant, const std::string& row, HDC like,
                           const PaintState& s) {
  if (!r.image[variant]) r.image[variant] = CreateCompatibleBitmap(like, r.width, r.height);
  MemoryDc dc(like);
  dc.Select(r.image[variant]);
  DrawGrid(dc.get(), r.width, r.height, *s.tabs, 0, r.back[variant]);
  HGDIOBJ oldFont = s.font ? SelectObject(dc.get(), s.font) : nullptr;
  const std::vector<BrowseColumn>& cols = *s.columns;
  RowParts parts = SplitRow(row, cols.size());
  COLORREF colour = variant == 1 ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_WINDOWTEXT);
  if (parts.deletedColour) colour = *parts.deletedColour;
  SetTextColor(dc.get(), colour);
  SetBkMode(dc.get(), TRANSPARENT);
  if (variant == 0) r.cut.clear();
  for (size_t n = 0; n < parts.cells.size() && n + 1 < s.tabs->size(); ++n) {
    RECT cell{(*s.tabs)[n] + 3, 0, (*s.tabs)[n + 1] - 1, r.height};
    if (cell.right <= cell.left) continue;
    const bool right = IsRightAligned(cols[n].cType);
    std::string text = parts.cells[n];
    UINT format = DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER | (right ? DT_RIGHT : DT_LEFT);
    if (s.cutTextMode) {
      size_t bar = text.find('|');
      if (bar != std::string::npos) text.resize(bar);
      text = right ? text + " " : " " + text;
      if (bar != std::string::npos ||
          TextNeedsCut(TextWidth(dc.get(), text), cell.right - cell.left)) {
        format |= DT_END_ELLIPSIS;
        if (variant == 0) r.cut.push_back(static_cast<int>(n));
      }
    } else {
      text = right ? text + " " : " " + text;
    }
    DrawTextA(dc.get(), text.data(), static_cast<int>(text.size()), &cell, format);
  }
  if (oldFont) SelectObject(dc.get(), oldFont);
}

void BrowsePainter::DrawItem(const DRAWITEMSTRUCT& item, const std::string& row,
                             const PaintState& s) {
  const int index = static_cast<int>(item.itemID);
  if (index < 0 || index > 1000) return;
  if (static_cast<int>(rows_.size()) <= index) rows_.resize(index + 1);
  RowImage& r = rows_[index];
  const int width = std::max<int>(item.rcItem.right - item.rcItem.left, s.tabs->back());
  const int height = item.rcItem.bottom - item.rcItem.top;
  const COLORREF back[2] = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_HIGHLIGHT)};
  const bool stale = r.text != row || r.tabs != *s.tabs || r.width != width || r.height != height ||
                     r.back[0] != back[0] || r.back[1] != back[1];
  if (stale) {
    for (HBITMAP& b : r.image) {
      if (b) DeleteObject(b);
      b = nullptr;
    }
    r.text = row;
    r.tabs = *s.tabs;
    r.width = width;
    r.height = height;
    r.back[0] = back[0];
    r.back[1] = back[1];
    Render(r, 0, row, item.hDC, s);
    Render(r, 1, row, item.hDC, s);
  }
  const int variant = (item.itemState & ODS_SELECTED) ? 1 : 0;
  MemoryDc dc(item.hDC);
  dc.Select(r.image[variant]);
  BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, dc.get(), 0, 0, SRCCOPY);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = item.rcItem;
    focus.bottom -= 1;
    DrawFocusRect(item.hDC, &focus);
  }
}

void BrowsePainter::DrawEmptyRows(HDC dc, const RECT& client, int rowsPresent, int rowsVisible,
                                  const PaintState& s) {
  const int width = client.right - client.left;
  if (rowsPresent < rowsVisible && width > 0) {
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, s.rowHeight);
    {
      MemoryDc mem(dc);
      mem.Select(bitmap);
      DrawGrid(mem.get(), width, s.rowHeight, *s.tabs, s.hOffset, GetSysColor(COLOR_WINDOW));
      for (int i = rowsPresent; i < rowsVisible; ++i) {
        BitBlt(dc, 0, i * s.rowHeight, width, s.rowHeight, mem.get(), 0, 0, SRCCOPY);
      }
    }
    DeleteObject(bitmap);
  }
  // Whatever lies below the last full row slot (the horizontal scroll bar sits outside).
  RECT rest{0, rowsVisible * s.rowHeight, width, client.bottom};
  if (rest.bottom > rest.top) FillColour(dc, rest, GetSysColor(COLOR_WINDOW));
}

void BrowsePainter::DrawHeader(HDC dc, const ListRect& list, int rowsVisible, int caretRow,
                               const PaintState& s) {
  const int L = list.left, T = list.top, R = list.right();
  HGDIOBJ oldFont = s.font ? SelectObject(dc, s.font) : nullptr;
  // The corner panel over the marker column.
  Panel(dc, RECT{L - s.markerWidth, T - s.headerHeight, std::max(L - 1, std::min(L - 1, R)), T}, "",
        0, 0);
  const std::vector<int>& tabs = *s.tabs;
  for (size_t n = 0; n + 1 < tabs.size(); ++n) {
    const int x = L + tabs[n] + (n > 0 ? 1 : 0) + s.hOffset;
    if (x > R) break;
    HeaderTitle title = SplitTitle((*s.columns)[n].cTitle);
    const int left = std::max(L, x);
    const int right = std::max(L, std::min(L + tabs[n + 1] + s.hOffset, R));
    if (left == right) continue;
    const COLORREF colour = title.colour ? *title.colour : GetSysColor(COLOR_BTNTEXT);
    UINT format = title.lines.size() > 1 ? 0 : (DT_SINGLELINE | DT_VCENTER);
    if (x < L) {
      // Partly scrolled out: the title clipped at the list's left edge.
      HRGN clip = CreateRectRgn(left, T - s.headerHeight, right, T);
      SelectClipRgn(dc, clip);
      Panel(dc, RECT{x, T - s.headerHeight, right, T}, title.text, format, colour);
      SelectClipRgn(dc, nullptr);
      DeleteObject(clip);
    } else {
      std::string text = title.text;
      if (title.lines.size() > 1) {
        text.clear();
        for (size_t i = 0; i < title.lines.size(); ++i) text += (i ? "\n" : "") + title.lines[i];
      } else if (s.headerLines > 1) {
        format = DT_SINGLELINE | DT_TOP;  // single-line titles in the upper half
      }
      Panel(dc, RECT{left, T - s.headerHeight, right, T}, text, format, colour);
    }
  }
  // Row separators and the marker ">" in the marker column.
  HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
  HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
  HPEN frame = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_WINDOWFRAME));
  FillColour(dc, RECT{L - s.markerWidth, T, L, T + rowsVisible * s.rowHeight},
             GetSysColor(COLOR_BTNFACE));
  Line(dc, frame, L - s.markerWidth, T, L, T);
  Line(dc, frame, L - s.markerWidth, T, L - s.markerWidth, T + rowsVisible * s.rowHeight);
  for (int i = 1; i <= rowsVisible; ++i) {
    Line(dc, shadow, L - s.markerWidth + 1, T + i * s.rowHeight, L, T + i * s.rowHeight);
    Line(dc, light, L - s.markerWidth + 1, T + i * s.rowHeight + 1, L, T + i * s.rowHeight + 1);
  }
  if (caretRow >= 0 && caretRow < rowsVisible) {
    RECT marker{L - s.markerWidth + 2, T + caretRow * s.rowHeight + 2, L - 1,
                T + (caretRow + 1) * s.rowHeight - 1};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextA(dc, ">", 1, &marker, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  DeleteObject(light);
  DeleteObject(shadow);
  DeleteObject(frame);
  if (oldFont) SelectObject(dc, oldFont);
}

}  // namespace tabrix
