// Arithmetic of the owner-drawn list: the numbers the window code draws and selects with.
#include "framework/od_list_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace tabrix::odlist {
namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

TEST(OdListLayoutTest, ColumnEdgesFromPercent) {
  struct Case {
    int clientWidth;
    std::vector<double> percents;
    std::vector<double> edges;
  };
  const Case cases[] = {
      {300, {70, 15, 15}, {0, 210, 255, 300}},
      {300, {100}, {0, 300}},
      {250, {50, 50}, {0, 125, 250}},
      {101, {50, 50}, {0, 50.5, 101}},  // fractions are kept; truncated when drawn
      {200, {60, 60}, {0, 120, 240}},   // wider than the row
      {300, {}, {0}},
  };
  for (const Case& c : cases) {
    std::vector<double> pixels = PercentToPixels(c.clientWidth, c.percents);
    EXPECT_THAT(ColumnEdges(pixels), ElementsAreArray(c.edges)) << c.clientWidth;
  }
}

TEST(OdListLayoutTest, TextRectanglesAndGridLines) {
  std::vector<double> edges = ColumnEdges(PercentToPixels(300, std::vector<double>{70, 15, 15}));
  EXPECT_EQ(CellTextSpan(edges[0], edges[1]), (TextSpan{3, 209}));
  EXPECT_EQ(CellTextSpan(edges[1], edges[2]), (TextSpan{213, 254}));
  EXPECT_EQ(CellTextSpan(edges[2], edges[3]), (TextSpan{258, 299}));
  EXPECT_EQ(CellTextSpan(50.5, 101), (TextSpan{53, 100}));

  struct Case {
    std::vector<double> edges;
    int rowWidth;
    std::vector<int> lines;
  };
  const Case cases[] = {
      {{0, 210, 255, 300}, 300, {209, 254, 299}},
      {{0, 120, 240}, 200, {119, 239, 199}},  // columns wider than the row: one more at its end
      {{0, 50.5, 101}, 101, {49, 100}},
      {{0, 100}, 300, {99}},  // narrower than the row: nothing at the row's end
  };
  for (const Case& c : cases)
    EXPECT_THAT(GridLineColumns(c.edges, c.rowWidth), ElementsAreArray(c.lines)) << c.rowWidth;
}

TEST(OdListLayoutTest, WholeRows) {
  struct Case {
    int height;
    int frame;
    bool hScroll;
    int hScrollHeight;
    int rowHeight;
    RowFit fit;
  };
  const Case cases[] = {
      // No frame: the rows fill the place above the scroll bar.
      {140, 0, true, 17, 20, {6, 137}},
      {140, 0, false, 17, 20, {7, 140}},
      {139, 0, false, 17, 20, {6, 120}},
      {100, 0, false, 17, 16, {6, 96}},
      // A sunken client edge (2 + 2) and a border (1 + 1) take their pixels off the rows.
      {140, 4, true, 17, 20, {5, 121}},
      {140, 4, false, 17, 20, {6, 124}},
      {140, 6, false, 17, 20, {6, 126}},
      {144, 4, false, 17, 20, {7, 144}},
      // Too small for one row, and no row height.
      {19, 0, false, 17, 20, {0, 0}},
      {10, 0, true, 17, 20, {0, 17}},
      {140, 0, false, 17, 0, {0, 0}},
      {140, 4, false, 17, -5, {0, 4}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(FitWholeRows(c.height, c.frame, c.hScroll, c.hScrollHeight, c.rowHeight), c.fit)
        << c.height << " " << c.frame << " " << c.hScroll << " " << c.rowHeight;
}

TEST(OdListLayoutTest, EmptyRowsBelowTheLastItem) {
  EXPECT_THAT(EmptyRowTops(3, 0, 6, 20), ElementsAre(60, 80, 100));
  EXPECT_THAT(EmptyRowTops(0, 0, 2, 20), ElementsAre(0, 20));
  EXPECT_THAT(EmptyRowTops(10, 6, 6, 20), ElementsAre(80, 100));
  EXPECT_THAT(EmptyRowTops(6, 0, 6, 20), ElementsAre());
  EXPECT_THAT(EmptyRowTops(50, 0, 6, 20), ElementsAre());
}

TEST(OdListLayoutTest, NavigationKeys) {
  EXPECT_EQ(NavKeyFromVirtualKey(33), NavKey::PageUp);
  EXPECT_EQ(NavKeyFromVirtualKey(34), NavKey::PageDown);
  EXPECT_EQ(NavKeyFromVirtualKey(35), NavKey::End);
  EXPECT_EQ(NavKeyFromVirtualKey(36), NavKey::Home);
  EXPECT_EQ(NavKeyFromVirtualKey(38), NavKey::Up);
  EXPECT_EQ(NavKeyFromVirtualKey(40), NavKey::Down);
  for (int other : {32, 37, 39, 41, 13, 65}) EXPECT_FALSE(NavKeyFromVirtualKey(other)) << other;

  struct Case {
    NavKey key;
    int cur;
    int count;
    std::optional<int> target;
  };
  const Case cases[] = {
      {NavKey::PageDown, 0, 50, 6},
      {NavKey::PageDown, 47, 50, 49},
      {NavKey::PageDown, -1, 50, 5},
      {NavKey::PageUp, 10, 50, 4},
      {NavKey::PageUp, 3, 50, 0},
      {NavKey::PageUp, 0, 0, std::nullopt},
      {NavKey::Home, 7, 50, 0},
      {NavKey::Home, -1, 0, std::nullopt},  // empty list: nothing happens
      {NavKey::End, 7, 50, 49},
      {NavKey::End, -1, 0, std::nullopt},
      {NavKey::Up, 0, 50, std::nullopt},  // first item: nothing, no notification
      {NavKey::Up, 5, 50, 4},
      {NavKey::Up, 0, 1, std::nullopt},
      {NavKey::Down, 49, 50, std::nullopt},
      {NavKey::Down, 0, 50, 1},
      {NavKey::Down, 0, 1, std::nullopt},  // one item: nothing to move to
      {NavKey::Down, -1, 2, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NavigationTarget(c.key, c.cur, c.count, 6), c.target)
        << static_cast<int>(c.key) << " from " << c.cur << " of " << c.count;
}

TEST(OdListLayoutTest, VKeyToItemActions) {
  struct Case {
    int key;
    bool ctrl;
    VKeyAction action;
  };
  const Case cases[] = {
      {37, true, VKeyAction::kPageLeft},    {39, true, VKeyAction::kPageRight},
      {37, false, VKeyAction::kDefault},    {39, false, VKeyAction::kDefault},
      {112, false, VKeyAction::kSwallow},   {135, true, VKeyAction::kSwallow},
      {136, false, VKeyAction::kTypeAhead}, {32, false, VKeyAction::kDoubleClick},
      {65, false, VKeyAction::kTypeAhead},  {48, true, VKeyAction::kTypeAhead},
      {40, false, VKeyAction::kDefault},    {13, false, VKeyAction::kDefault},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyVKey(c.key, c.ctrl), c.action) << c.key;
}

TEST(OdListLayoutTest, RowColour) {
  struct Case {
    std::string text;
    std::optional<std::uint32_t> colour;
  };
  const Case cases[] = {
      {"Name\t!C255", 255},
      {"Name\t!C255\tx", 255},
      {"!C65280\tName", 65280},           // no tab before "!C": the first field counts
      {"Name\tx\t!C16711680", 16711680},  // the field after the first tab with "!C"
      {"Name\t!C12\t!C34", 12},
      {"Name\t!C", std::nullopt},  // no digits
      {"Name\t!Cx1", std::nullopt},
      {"Name\t!C16777216", std::nullopt},  // beyond 24 bits
      {"Name\t!C99999999999999999999", std::nullopt},
      {"Name\t!C16777215", 16777215},
      {"Name\t!C12abc", 12},
      {"Name!C255", std::nullopt},  // "!C" inside a field is text
      {"Name", std::nullopt},
      {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(RowColour(c.text), c.colour) << c.text;
}

TEST(OdListLayoutTest, DrawnFields) {
  EXPECT_THAT(DrawnFields("Name\t\t10", 3), ElementsAre("Name", "", "10"));
  EXPECT_THAT(DrawnFields("Name\t!C255", 1), ElementsAre("Name"));
  EXPECT_THAT(DrawnFields("a\tb", 3), ElementsAre("a", "b", ""));
  EXPECT_THAT(DrawnFields("", 2), ElementsAre("", ""));
  EXPECT_THAT(DrawnFields("a\tb\tc\td", 2), ElementsAre("a", "b"));
  EXPECT_THAT(DrawnFields("a\t", 3), ElementsAre("a", "", ""));
  EXPECT_THAT(DrawnFields("a", 0), ElementsAre());
}

TEST(OdListLayoutTest, SplitFieldsAndTheColourField) {
  EXPECT_THAT(SplitFields("Name\t      <-\t\tKDNAME"),
              ElementsAre("Name", "      <-", "", "KDNAME"));
  EXPECT_THAT(SplitFields(""), ElementsAre(""));
  EXPECT_THAT(SplitFields("a\t"), ElementsAre("a", ""));
  EXPECT_THAT(SplitFields("\t\t"), ElementsAre("", "", ""));

  struct Case {
    std::string text;
    std::optional<std::size_t> field;
  };
  const Case cases[] = {
      {"Name\t!C255", 1},         {"Land\tC\t3\t!C255", 3},    {"!C65280\tName", 0},
      {"Name\t!C12\t!C34", 1},    {"Name\t!Cx", std::nullopt}, {"Name\tx", std::nullopt},
      {"Name\t!C", std::nullopt}, {"", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ColourField(c.text), c.field) << c.text;
}

TEST(OdListLayoutTest, ColumnsWidthLeavesRoomForAVerticalBarThatComesLater) {
  struct Case {
    int client;
    bool hasBar;
    bool shown;
    int width;
  };
  const Case cases[] = {
      {300, true, false, 283},   // empty list at Init: the bar comes with the rows
      {283, true, true, 283},    // the bar is there already: the client width is final
      {300, false, false, 300},  // no bar ever
      {10, true, false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ColumnsWidth(c.client, c.hasBar, c.shown, 17), c.width)
        << c.client << " " << c.hasBar << c.shown;
}

// Text widths of a made-up font: 3 pixels a blank, 5 every other character.
int TestWidth(std::string_view text) {
  int width = 0;
  for (char ch : text) width += ch == ' ' ? 3 : 5;
  return width;
}

// A placed field as its text and text span, for readable cases.
struct Placed {
  std::string text;
  int left;
  int right;
  friend bool operator==(const Placed&, const Placed&) = default;
  friend std::ostream& operator<<(std::ostream& out, const Placed& p) {
    return out << '"' << p.text << "\" " << p.left << ".." << p.right;
  }
};

TEST(OdListLayoutTest, RowLayoutOnThreeColumnsOf300Pixels) {
  // 70/15/15 of 300 pixels: text spans 3..209, 213..254, 258..299; grid lines 209, 254, 299.
  const std::vector<double> three =
      ColumnEdges(PercentToPixels(300, std::vector<double>{70, 15, 15}));
  const std::vector<double> one = ColumnEdges(PercentToPixels(300, std::vector<double>{100}));
  const std::string remark = "Bemerkung\t26 Zeichen frei  <- A; B";  // second field 108 px
  struct Case {
    const char* what;
    std::string text;
    const std::vector<double>& edges;
    int rowEnd;
    std::vector<Placed> placed;
    std::vector<int> hiddenLines;
  };
  const Case cases[] = {
      // Rows of the converter's lists.
      {"source row", "KDNAME\t\t30", three, 300, {{"KDNAME", 3, 209}, {"30", 258, 299}}, {}},
      {"source row, extent",
       "KDNAME\t\t30",
       three,
       500,
       {{"KDNAME", 3, 209}, {"30", 258, 299}},
       {}},
      {"free slot", "Name\t\t40", three, 300, {{"Name", 3, 209}, {"40", 258, 299}}, {}},
      // The assigned field (28 px) fits its column; the source field's name follows it after a
      // blank, over the third column's line.
      {"assigned slot",
       "Name\t      <-\t\tKDNAME",
       three,
       300,
       {{"Name", 3, 209}, {"      <-", 213, 254}, {"KDNAME", 244, 299}},
       {254}},
      {"assigned slot, extent",
       "Name\t      <-\t\tKDNAME",
       three,
       500,
       {{"Name", 3, 209}, {"      <-", 213, 254}, {"KDNAME", 244, 499}},
       {254}},
      // 75 px: over the empty third column, where it fits.
      {"postal code slot",
       "PLZ\t    aus Ortsnamen",
       three,
       300,
       {{"PLZ", 3, 209}, {"    aus Ortsnamen", 213, 299}},
       {254}},
      {"notes row",
       "Notizen\t99% frei <- A; B",
       three,
       500,
       {{"Notizen", 3, 209}, {"99% frei <- A; B", 213, 299}},
       {254}},
      // 108 px from 213 need 321: to the row's end, which the extent moves out to 500.
      {"remark row",
       remark,
       three,
       300,
       {{"Bemerkung", 3, 209}, {"26 Zeichen frei  <- A; B", 213, 299}},
       {254}},
      {"remark row, extent",
       remark,
       three,
       500,
       {{"Bemerkung", 3, 209}, {"26 Zeichen frei  <- A; B", 213, 499}},
       {254, 299}},
      // The colour field is not drawn; three fields that fit are drawn as they always were.
      {"coloured row",
       "Land\tC\t3\t!C255",
       three,
       300,
       {{"Land", 3, 209}, {"C", 213, 254}, {"3", 258, 299}},
       {}},
      {"colour field between extra fields",
       "Name\tx\ty\t!C255\tEXTRA",
       three,
       300,
       {{"Name", 3, 209}, {"x", 213, 254}, {"y", 258, 299}, {"EXTRA", 266, 299}},
       {}},
      // One column: the first field only, whatever follows the tab.
      {"one column, coloured", "Name\t!C255", one, 300, {{"Name", 3, 299}}, {}},
      {"one column, data after the tab", "Name\tDaten", one, 300, {{"Name", 3, 299}}, {}},
      {"one column, long name",
       std::string(70, 'N'),
       one,
       500,
       {{std::string(70, 'N'), 3, 499}},
       {299}},
      // Too wide for its column: on over empty columns, never over one with text.
      {"first field over the empty second column",
       std::string(45, 'A') + "\t\t30",
       three,
       300,
       {{std::string(45, 'A'), 3, 254}, {"30", 258, 299}},
       {209}},
      {"first field cut at the next column with text",
       std::string(60, 'A') + "\t\t30",
       three,
       500,
       {{std::string(60, 'A'), 3, 254}, {"30", 258, 299}},
       {209}},
      {"second field cut at the third",
       "Name\tLANGERTEXT123\t30",
       three,
       500,
       {{"Name", 3, 209}, {"LANGERTEXT123", 213, 254}, {"30", 258, 299}},
       {}},
      // 41 px fill the second column exactly; 46 px do not.
      {"exactly fits",
       "Name\tAB CD EFG",
       three,
       500,
       {{"Name", 3, 209}, {"AB CD EFG", 213, 254}},
       {}},
      {"one pixel more",
       "Name\tAB CD EFGH",
       three,
       500,
       {{"Name", 3, 209}, {"AB CD EFGH", 213, 299}},
       {254}},
      // The last column's field runs on past the columns; what follows comes after its text.
      {"last column's field and one after it",
       "Name\t\tLANGERTEXT12345\tX",
       three,
       500,
       {{"Name", 3, 209}, {"LANGERTEXT12345", 258, 499}, {"X", 336, 499}},
       {299}},
      {"nothing left of the row for the field after it",
       "Name\t\tLANGERTEXT12345\tX",
       three,
       300,
       {{"Name", 3, 209}, {"LANGERTEXT12345", 258, 299}},
       {}},
      // Fields beyond the columns: one blank after the text before, empty ones skipped.
      {"several beyond the columns",
       "a\tb\tc\tdd\tee",
       three,
       300,
       {{"a", 3, 209}, {"b", 213, 254}, {"c", 258, 299}, {"dd", 266, 276}, {"ee", 279, 299}},
       {}},
      {"empty field beyond the columns",
       "a\tb\tc\t\td",
       three,
       300,
       {{"a", 3, 209}, {"b", 213, 254}, {"c", 258, 299}, {"d", 266, 299}},
       {}},
      {"nothing in the columns", "\t\t\tX", three, 300, {{"X", 3, 299}}, {}},
      {"empty row", "", three, 300, {}, {}},
      {"only tabs", "\t\t", three, 300, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RowLayout layout = LayoutRow(c.text, c.edges, c.rowEnd, TestWidth);
    const std::vector<std::string_view> fields = SplitFields(c.text);
    std::vector<Placed> placed;
    for (const FieldPlacement& p : layout.fields)
      placed.push_back({std::string(fields.at(p.field)), p.left, p.right});
    EXPECT_THAT(placed, ElementsAreArray(c.placed));
    EXPECT_THAT(layout.hiddenGridLines, ElementsAreArray(c.hiddenLines));
    // No two texts overlap, and each begins after the one before ends.
    for (std::size_t k = 1; k < layout.fields.size(); ++k) {
      const FieldPlacement& before = layout.fields[k - 1];
      const int end = std::min(before.left + TestWidth(fields[before.field]), before.right);
      EXPECT_GE(layout.fields[k].left, end) << k;
    }
  }
}

TEST(OdListLayoutTest, RowsThatFitTheirColumnsAreLaidOutAsCellSpans) {
  const std::vector<double> edges =
      ColumnEdges(PercentToPixels(300, std::vector<double>{70, 15, 15}));
  for (const char* text : {"KDNAME\t\t30", "Name\tC\t40", "A\tB\tC", "Name\t\t10"}) {
    SCOPED_TRACE(text);
    const RowLayout layout = LayoutRow(text, edges, 300, TestWidth);
    EXPECT_TRUE(layout.hiddenGridLines.empty());
    std::vector<std::string_view> fields = DrawnFields(text, 3);
    std::size_t n = 0;
    for (std::size_t k = 0; k < 3; ++k) {
      if (fields[k].empty()) continue;
      ASSERT_LT(n, layout.fields.size());
      EXPECT_EQ(layout.fields[n].field, k);
      const TextSpan span = CellTextSpan(edges[k], edges[k + 1]);
      EXPECT_EQ(layout.fields[n].left, span.left);
      EXPECT_EQ(layout.fields[n].right, span.right);
      ++n;
    }
    EXPECT_EQ(n, layout.fields.size());
  }
}

TEST(OdListLayoutTest, MultiColumnWidth) {
  EXPECT_EQ(MultiColumnWidth(300), 50);
  EXPECT_EQ(MultiColumnWidth(301), 51);
  EXPECT_EQ(MultiColumnWidth(0), 0);
}

}  // namespace
// How far a list must reach (its horizontal extent) to show a row whole: on 70/15/15 of 300
// pixels the second column's text starts at 213, the third's at 258.
TEST(OdListLayoutTest, RowTextEnd) {
  const std::vector<double> three =
      ColumnEdges(PercentToPixels(300, std::vector<double>{70, 15, 15}));
  struct Case {
    std::string text;
    int end;
  };
  const Case cases[] = {
      {"KDNAME\t\t30", 258 + 10},
      {"PLZ\t    aus Ortsnamen", 213 + 4 * 3 + 12 * 5 + 3},
      // The arrow in the second column, the name after it beyond the columns.
      {"Name\t      <-\t\tKDNAME", 213 + 6 * 3 + 10 + 3 + 30},
      {"Bemerkung\t26 Zeichen frei  <- A; B", 213 + 108},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(RowTextEnd(c.text, three, TestWidth), c.end) << c.text;
}

}  // namespace tabrix::odlist
