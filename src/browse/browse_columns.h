#pragma once
// The columns of the grid browse, without any window: the column record, setting the columns
// up from the caller's definitions and the persisted layout, the filler column, the column
// positions (aTabs), the row string (Element), the header hit-test and the arithmetic of column
// resizing and moving and of the list box's geometry. The window side (browse_win.h) measures
// texts and windows and hands the numbers in.
//
// Row string (one per list line):
//   cell 1 TAB cell 2 TAB ... filler TAB [ "!C" grey-colour TAB ] record number (7, right-aligned)
// The "!C" part appears only for a deleted record. The window side keeps the record number as
// the list item's data as well, so numbers above 9,999,999 (8 digits and more) stay right.
//
// Persisted layout, section cBrowserName of the dialog settings file:
//   Spalten          "1"/"0" per defined column: shown / hidden
//   SpalteX1, ...    per shown column in display order: MAKELPARAM(defined column, width)
//   SpaltenKennung   which defined columns the layout was written for: count ":" eight hex
//                    digits of a hash over their titles. One browse name can serve tables of
//                    different structures (the source data viewer always uses "DialogVl"), so a
//                    layout whose Kennung differs from the columns now defined, or that has
//                    none, is not applied: it would hide or reorder fields of another table.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/value.h"

namespace tabrix {

// One column of aDBFelder / aDBOrg.
struct BrowseColumn {
  // Types "B", "R", "P", "E": the cell value of the current record of `area`.
  std::function<Value(int area)> bData;
  // Other types: the field name evaluated on the table (for "B" columns only named in logs).
  std::string cField;
  std::string cType = "B";
  int nEdit = 0;
  int nWidth = 0;  // pixels; 0 hides the column
  std::string cTitle;
  std::string cPicture;  // from the cell options; empty: none
  int nOrigCol = 0;      // number of the column in aDBOrg (1-based); set by the setup
};

// Where a layout is kept: the dialog settings file (IniLayoutStore) or a test's map.
class BrowseLayoutStore {
 public:
  virtual ~BrowseLayoutStore() = default;
  // Nothing when the key is missing.
  virtual std::optional<std::string> Read(std::string_view section, std::string_view key) = 0;
  virtual void Write(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// A layout store over an INI file (GETPVPROFSTRING / WRITEPVPROFSTRING).
class IniLayoutStore : public BrowseLayoutStore {
 public:
  explicit IniLayoutStore(std::string file) : file_(std::move(file)) {}
  std::optional<std::string> Read(std::string_view section, std::string_view key) override;
  void Write(std::string_view section, std::string_view key, std::string_view value) override;

 private:
  std::string file_;
};

inline constexpr const char* kLayoutVisibleKey = "Spalten";
inline constexpr const char* kLayoutColumnKey = "SpalteX";
inline constexpr const char* kLayoutIdKey = "SpaltenKennung";

// The SpaltenKennung value for a set of defined columns.
std::string LayoutIdentity(const std::vector<BrowseColumn>& aDBOrg);

// The shown columns as SetaDbFelder builds them.
struct ShownColumns {
  std::vector<BrowseColumn> columns;  // aDBFelder, the filler column last
  int nHeaderLines = 1;
  bool layoutApplied = false;  // a valid persisted layout set order and widths
};

// Column setup: a copy of aDBOrg with titles prepared (a leading blank unless the title holds a
// CR, which makes a two-line header), edit modes normalised, numbered, the persisted layout of
// `section` applied when it is valid and was written for these columns, and the filler column
// appended with width max(0, listClientWidth - sum of widths). `store` may be null (no layout).
ShownColumns SetaDbFelder(const std::vector<BrowseColumn>& aDBOrg, BrowseLayoutStore* store,
                          std::string_view section, int listClientWidth, int nFixSpalten = 0);

// Saves the layout of the shown columns (filler excluded) into `section`.
void GetaDBFelder(const std::vector<BrowseColumn>& aDBOrg,
                  const std::vector<BrowseColumn>& aDBFelder, BrowseLayoutStore& store,
                  std::string_view section);

// Cumulative column positions: 0, then the running sum of the widths (one more than columns).
std::vector<int> SetTabArray(const std::vector<BrowseColumn>& columns);

// Widens (or narrows) the last column so the widths fill `listClientWidth` (never below 0).
void FitFillerColumn(std::vector<BrowseColumn>& columns, int listClientWidth);

// ---- cell texts and the row string -------------------------------------------------------

// The text of a value of column type `type` (see the type table in browse_columns.cpp),
// converted from table text (OEM) to window text (ANSI).
std::string CellText(const BrowseColumn& column, const Value& value);

// Right-aligned columns: "N", "S", "R".
bool IsRightAligned(std::string_view type);

// What Element needs of the record it builds the row for.
struct ElementRecord {
  int area = 0;
  std::string alias;
  int64_t recno = 0;
  bool deleted = false;
  uint32_t greyTextColour = 0;  // shown for deleted records
  // The value of a field column (cField) of the current record; may raise (throw).
  std::function<Value(const BrowseColumn&)> field;
};

// The row string of one record. A cell that raises stops the row there (logged, see the .cpp);
// the row is still completed with the record number. NUL and tab bytes in cell texts are logged
// and removed / replaced by blanks.
std::string Element(const std::vector<BrowseColumn>& columns, const ElementRecord& record,
                    std::string_view browseName);

// The cells of a row string (without the marker and the record number).
struct RowParts {
  std::vector<std::string> cells;
  std::optional<uint32_t> deletedColour;  // "!C" marker present
  int64_t recno = 0;                      // from the last 7 characters; 0 for a placeholder
};
RowParts SplitRow(std::string_view row, size_t columnCount);

// ---- header --------------------------------------------------------------------------------

// A title split for drawing: the part before a tab, the colour after it, and its lines.
struct HeaderTitle {
  std::string text;
  std::optional<uint32_t> colour;
  std::vector<std::string> lines;  // split at CR (LF dropped)
};
HeaderTitle SplitTitle(std::string_view title);

// A text whose width is above the cell's width + 2 pixels gets "..." drawn over its end.
constexpr bool TextNeedsCut(int textWidth, int cellWidth) {
  return textWidth > cellWidth + 2;
}

// Geometry of the list box in dialog client coordinates.
struct ListRect {
  int left = 0, top = 0, width = 0, height = 0;
  int right() const { return left + width; }
  int bottom() const { return top + height; }
};

enum class HotSpotKind { kNone, kBelowList, kResize, kMove, kFixed };
struct HotSpot {
  HotSpotKind kind = HotSpotKind::kNone;
  int column = -1;  // 0-based shown column (resize: the column left of the boundary)
};
struct HeaderGeometry {
  ListRect list;
  int headerHeight = 0;
  int rowHeight = 20;
  int hOffset = 0;  // 0 or negative
};
inline constexpr int kResizeGrip = 6;  // +- pixels around a boundary
inline constexpr int kMoveInset = 5;   // pixels inside each edge of a column
inline constexpr int kMinColumnWidth = 8;

// Header hit-test (IsHotSpot). aTabs as SetTabArray, the filler last.
HotSpot IsHotSpot(int x, int y, const HeaderGeometry& g, const std::vector<int>& aTabs,
                  int nFixSpalten, bool colResize, bool colChange);

// Finishes a resize of `column` released at dialog x. Nothing when released left of
// list left + 10. Otherwise the new widths of all columns: the column keeps at least
// kMinColumnWidth, the following boundaries shift with it and the filler absorbs the rest.
std::optional<std::vector<int>> ResizeColumn(const std::vector<int>& aTabs, int column, int x,
                                             const HeaderGeometry& g, int listClientWidth);

// The column a move released at dialog x lands on: the column under the mouse (filler
// excluded); left of the list or x > 32000 the first; elsewhere the last column with a width;
// at least nFixSpalten. Nothing when that is `column` itself.
std::optional<int> MoveTarget(const std::vector<int>& aTabs, int column, int x,
                              const HeaderGeometry& g, int nFixSpalten);

// Moves the column record from `from` to `to`, the columns between shift by one.
void MoveColumn(std::vector<BrowseColumn>& columns, int from, int to);

// ---- list box geometry ---------------------------------------------------------------------

// Get_LB_Zeilen: the resource list box's rectangle (dialog coordinates) turned into the browse's
// list box and scroll bar.
struct ListLayoutInput {
  ListRect resource;
  int markerWidth = 0;
  int headerHeight = 0;
  int vScrollWidth = 0;
  int hScrollHeight = 0;
  bool lHScroll = true;
  int rowHeight = 20;
  // The list box's border, top and bottom together: its rows see the window's height less
  // this, so every row of nGesamt fits whole and the list never scrolls by itself.
  int frameHeight = 0;
};
struct ListLayout {
  ListRect list;
  ListRect scrollBar;
  int rows = 2;  // nGesamt
};
ListLayout LayoutList(const ListLayoutInput& in);

// NewSize: follows a resize of the dialog. The state is kept by the browse.
struct ResizeState {
  int listWidth = 0, listHeight = 0;
  int nGesamt = 2;
  int rowHeight = 20;
  int dialogWidth = 0, dialogHeight = 0;  // at construction, then at the last resize
  int nLbBelow = -1;                      // -1: not taken yet
  int lastWidth = -1, lastHeight = -1;    // aLastSize
};
struct ResizeResult {
  int listWidth = 0, listHeight = 0;
  int nGesamt = 2;
  int widthChange = 0, heightChange = 0;
};
// Nothing (and the state unchanged) when height <= 100 or the size equals the last one.
std::optional<ResizeResult> NewSizeRule(ResizeState& state, int width, int height);

}  // namespace tabrix
