#pragma once
// Arithmetic of the owner-drawn multi-column list (ZB_OD_LIST), kept apart from the window code
// so it is tested natively: column edges from percent widths, whole-row sizing of the re-created
// list box, the row pattern's grid lines, the empty rows below the last item, the keyboard
// rules and the "!C" row colour.
//
// Row text: columns are separated by tab characters. A field "!C<decimal>" sets the text colour
// of the whole row (0x00BBGGRR); it is the field after the first tab that is followed by "!C",
// or the first field when the text has no such tab. Where each field is drawn is LayoutRow's
// rule: a field too wide for its column runs on over empty columns, fields beyond the last
// column follow the last drawn one, and the row's last field may reach the end of the row.

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace tabrix::odlist {

// Column widths in pixels (fractions kept) from widths in percent of the list's client width.
std::vector<double> PercentToPixels(int clientWidth, std::span<const double> percents);

// Edges x(1) .. x(n+1) of n columns: x(1) = 0, x(k+1) = x(k) + width(k).
std::vector<double> ColumnEdges(std::span<const double> pixelWidths);

// Left and right of the text rectangle of the column between two edges (right exclusive):
// 3 pixels of indent, the column's last pixel left for the grid line; edges are truncated.
struct TextSpan {
  int left = 0;
  int right = 0;
  friend bool operator==(const TextSpan&, const TextSpan&) = default;
};
TextSpan CellTextSpan(double leftEdge, double rightEdge);

// x of every vertical grid line of a row rowWidth pixels wide: the last pixel of every column,
// and the row's last pixel when the columns together are wider than the row.
std::vector<int> GridLineColumns(std::span<const double> edges, int rowWidth);

// The re-created list box in a place `height` pixels high shows `rows` whole rows and is
// `height` = rows × rowHeight + its non-client height high: frameHeight (border and client edge
// together) plus the horizontal scroll bar's height when it has one. So every row it shows is
// whole, with the bar shown, and the box never grows beyond its place. A row height below 1
// shows no rows.
struct RowFit {
  int rows = 0;
  int height = 0;
  friend bool operator==(const RowFit&, const RowFit&) = default;
};
RowFit FitWholeRows(int height, int frameHeight, bool hasHScroll, int hScrollHeight, int rowHeight);

// Tops (y) of the empty grid rows below the last item: rows (count − top) + 1 .. pageRows.
std::vector<int> EmptyRowTops(int count, int topIndex, int pageRows, int rowHeight);

// The list handles these keys itself (virtual key codes 33 to 40); the list box never sees them.
enum class NavKey { PageUp, PageDown, End, Home, Up, Down };
std::optional<NavKey> NavKeyFromVirtualKey(int virtualKey);

// The item a navigation key selects, from the current item `cur` (−1: none) of `count` items
// with `pageRows` rows a page; nothing when the key changes nothing (and no notification).
std::optional<int> NavigationTarget(NavKey key, int cur, int count, int pageRows);

// What a key reported by WM_VKEYTOITEM does (`ctrl`: the Ctrl key is down).
enum class VKeyAction {
  kPageLeft,     // Ctrl+Left: scroll one page left, handled
  kPageRight,    // Ctrl+Right: scroll one page right, handled
  kSwallow,      // F1 to F24: handled, nothing happens
  kDoubleClick,  // Space: acts as a double click (multiple selection: toggles the item first)
  kTypeAhead,    // a key above 40: clear the selection when its letter finds only the current item
  kDefault,      // the list box's own handling
};
VKeyAction ClassifyVKey(int virtualKey, bool ctrl);

// The "!C" colour of a row text, if it carries one. Digits only; a value beyond 24 bits or a
// field without digits is no colour.
std::optional<std::uint32_t> RowColour(std::string_view text);

// The fields drawn in a list of `columns` columns: field k for k < columns, empty when missing.
std::vector<std::string_view> DrawnFields(std::string_view text, std::size_t columns);

// Every field of a row text, split at each tab ("" is one empty field).
std::vector<std::string_view> SplitFields(std::string_view text);

// The index (into SplitFields) of the field RowColour reads, when the row has a colour.
std::optional<std::size_t> ColourField(std::string_view text);

// The width the columns are laid out on: the list's client width, less the vertical scroll bar
// when the list has one that is hidden at the moment (a list box shows its bar only once its
// rows need it). So the columns never end under a bar that comes later.
int ColumnsWidth(int clientWidth, bool hasVScroll, bool vScrollShown, int vScrollWidth);

// Where one field of a row is drawn: its text from `left` (its first pixel), clipped before
// `right`.
struct FieldPlacement {
  std::size_t field = 0;  // index into SplitFields
  int left = 0;
  int right = 0;
  friend bool operator==(const FieldPlacement&, const FieldPlacement&) = default;
};

struct RowLayout {
  std::vector<FieldPlacement> fields;  // in drawing order; fields with nothing to show are left out
  std::vector<int> hiddenGridLines;    // x of the grid lines (GridLineColumns) under text
  friend bool operator==(const RowLayout&, const RowLayout&) = default;
};

// Lays out a row text on the columns between `edges` (ColumnEdges) in a row `rowEnd` pixels
// wide: the wider of the list's client width and its horizontal extent. `textWidth` measures a
// text in pixels with the list's font. Fields with text are those not empty; beyond the
// columns, the row's colour field is no text either.
//
//  - Field k of the n columns starts at its column's text left (CellTextSpan) and is clipped at
//    its column's text right, as it always was, when it fits there. Wider, it runs on over the
//    following columns whose fields are empty or missing, column by column until it fits; when
//    every following column is empty or missing and it is wider still, it runs on to the row's
//    last pixel (right = rowEnd − 1). So a field is cut only by the next column with text or by
//    the end of the row.
//  - Fields beyond the n columns follow the last drawn field: each starts one blank's width
//    after where the text before it ends (at the first column's text left when nothing is drawn
//    yet) and is clipped at the end of its text, the row's last field at the row's last pixel.
//    Empty fields and the colour field are skipped. A list of one column draws its first field
//    only: its rows carry the colour (and nothing else to read) after the tab.
//  - A vertical grid line is hidden in this row when it lies under a field's text, that is
//    left <= x < min(left + text width, right) for a placed field.
//
// Rows whose fields all fit their columns are drawn exactly as before: each field in its
// column's text span, every grid line shown. A field that would start at or beyond the row's
// end shows nothing and is left out.
RowLayout LayoutRow(std::string_view text, std::span<const double> edges, int rowEnd,
                    const std::function<int(std::string_view)>& textWidth);

// Where a row's text ends when nothing cuts it: the right end of the last field's text, laid out
// as LayoutRow lays it out on a row without end. A list whose row (client width or horizontal
// extent) reaches this far shows the whole row.
int RowTextEnd(std::string_view text, std::span<const double> edges,
               const std::function<int(std::string_view)>& textWidth);

// Column width of a list box with the multi-column style: six columns on the client width.
int MultiColumnWidth(int clientWidth);

}  // namespace tabrix::odlist
