#pragma once
// Painting of ZB_BROWSE (Windows only, internal to browse_win.cpp): the row-image cache, the
// rows, the empty grid below the last row, the header and the marker column.
//
// Every row is rendered once into two off-screen images, normal and selected, and blitted from
// there on each paint. An image is valid while the row's text, the column positions, the row
// size and the colours it was made with are unchanged; anything else renders it again, so no
// caller has to mark images stale.

#include <windows.h>

#include <string>
#include <vector>

#include "browse/browse_columns.h"

namespace tabrix {

// What painting needs to know about the browse.
struct PaintState {
  const std::vector<BrowseColumn>* columns = nullptr;  // aDBFelder
  const std::vector<int>* tabs = nullptr;              // aTabs
  HFONT font = nullptr;
  int rowHeight = 20;
  int markerWidth = 0;
  int headerHeight = 0;
  int headerLines = 1;
  int hOffset = 0;
  bool cutTextMode = false;
};

class BrowsePainter {
 public:
  BrowsePainter() = default;
  ~BrowsePainter();
  BrowsePainter(const BrowsePainter&) = delete;
  BrowsePainter& operator=(const BrowsePainter&) = delete;

  // WM_DRAWITEM of the list box. `row` is the list item's text.
  void DrawItem(const DRAWITEMSTRUCT& item, const std::string& row, const PaintState& s);
  // The empty grid below `rowsPresent` rows, into the list box's device context.
  void DrawEmptyRows(HDC dc, const RECT& client, int rowsPresent, int rowsVisible,
                     const PaintState& s);
  // Header and marker column on the dialog's device context. list: the list box in dialog
  // coordinates; caretRow -1: no marker.
  void DrawHeader(HDC dc, const ListRect& list, int rowsVisible, int caretRow, const PaintState& s);
  // Drops every row image (widths, order or size changed).
  void Drop();
  // Shown columns whose text was cut in the normal image of row `index` (CutTextMode).
  std::vector<int> CutCells(int index) const;

 private:
  struct RowImage {
    std::string text;
    std::vector<int> tabs;
    int width = 0, height = 0;
    COLORREF back[2] = {0, 0};
    HBITMAP image[2] = {nullptr, nullptr};  // normal, selected
    std::vector<int> cut;
  };
  void Render(RowImage& r, int variant, const std::string& row, HDC like, const PaintState& s);

  std::vector<RowImage> rows_;
};

}  // namespace tabrix
