// Arithmetic of the owner-drawn list: the numbers the window code draws and selects with.
#include "framework/od_list_layout.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

TEST(OdListLayoutTest, MultiColumnWidth) {
  EXPECT_EQ(MultiColumnWidth(300), 50);
  EXPECT_EQ(MultiColumnWidth(301), 51);
  EXPECT_EQ(MultiColumnWidth(0), 0);
}

}  // namespace
}  // namespace tabrix::odlist
