// The browse's columns without windows: setup with the persisted layout, the row string, the
// header hit-test and the resize, move and geometry rules.
#include "browse/browse_columns.h"

#include <gtest/gtest.h>

#include <map>
#include <stdexcept>

#include "data/base/error.h"
#include "data/diagnostics/error_platform_fake.h"
#include "framework/native/words.h"

namespace tabrix {
namespace {

class MapStore : public BrowseLayoutStore {
 public:
  std::map<std::string, std::string> keys;  // "section/key"
  std::optional<std::string> Read(std::string_view section, std::string_view key) override {
    auto it = keys.find(std::string(section) + "/" + std::string(key));
    if (it == keys.end()) return std::nullopt;
    return it->second;
  }
  void Write(std::string_view section, std::string_view key, std::string_view value) override {
    keys[std::string(section) + "/" + std::string(key)] = std::string(value);
  }
};

BrowseColumn Col(std::string title, int width, std::string type = "B") {
  BrowseColumn c;
  c.cTitle = std::move(title);
  c.nWidth = width;
  c.cType = std::move(type);
  return c;
}

std::vector<BrowseColumn> ThreeColumns() {
  return {Col("NAME", 100), Col("ORT", 80), Col("PLZ", 40)};
}

std::string Packed(int column, int width) {
  return std::to_string(static_cast<uint32_t>(WB_MAKELPARAM(column, width)));
}

// (defined column, width) of the shown columns, filler excluded.
std::vector<std::pair<int, int>> Shown(const ShownColumns& s) {
  std::vector<std::pair<int, int>> out;
  for (size_t i = 0; i + 1 < s.columns.size(); ++i) {
    out.emplace_back(s.columns[i].nOrigCol, s.columns[i].nWidth);
  }
  return out;
}

TEST(BrowseColumnsTest, PersistedLayoutCases) {
  const std::string id = LayoutIdentity(ThreeColumns());
  const std::vector<std::pair<int, int>> defined = {{1, 100}, {2, 80}, {3, 40}};
  struct Case {
    const char* name;
    std::map<std::string, std::string> keys;
    std::vector<std::pair<int, int>> want;
    bool applied;
  };
  const Case cases[] = {
      {"nothing stored", {}, defined, false},
      {"Spalten missing shows all in the stored order",
       {{"SpaltenKennung", id},
        {"SpalteX1", Packed(3, 30)},
        {"SpalteX2", Packed(1, 10)},
        {"SpalteX3", Packed(2, 20)}},
       {{3, 30}, {1, 10}, {2, 20}},
       true},
      {"Spalten 101 hides the second",
       {{"SpaltenKennung", id},
        {"Spalten", "101"},
        {"SpalteX1", Packed(1, 50)},
        {"SpalteX2", Packed(3, 60)}},
       {{1, 50}, {3, 60}},
       true},
      {"Spalten 101 without widths: hidden, defined widths",
       {{"SpaltenKennung", id}, {"Spalten", "101"}},
       {{1, 100}, {3, 40}},
       false},
      {"SpalteX of 0 for the second column invalidates all",
       {{"SpaltenKennung", id},
        {"SpalteX1", Packed(3, 30)},
        {"SpalteX2", "0"},
        {"SpalteX3", Packed(2, 20)}},
       defined,
       false},
      {"defined column equal to the count is valid",
       {{"SpaltenKennung", id},
        {"SpalteX1", Packed(3, 30)},
        {"SpalteX2", Packed(2, 20)},
        {"SpalteX3", Packed(1, 10)}},
       {{3, 30}, {2, 20}, {1, 10}},
       true},
      {"defined column one past the count is invalid",
       {{"SpaltenKennung", id},
        {"SpalteX1", Packed(4, 30)},
        {"SpalteX2", Packed(2, 20)},
        {"SpalteX3", Packed(1, 10)}},
       defined,
       false},
      {"all read widths 0 is invalid",
       {{"SpaltenKennung", id},
        {"SpalteX1", Packed(3, 0)},
        {"SpalteX2", Packed(2, 0)},
        {"SpalteX3", Packed(1, 0)}},
       defined,
       false},
      {"layout of another structure is not applied",
       {{"SpaltenKennung", LayoutIdentity({Col("KDNR", 10), Col("NAME", 10), Col("ORT", 10)})},
        {"Spalten", "010"},
        {"SpalteX1", Packed(2, 30)}},
       defined,
       false},
      {"layout without Kennung is not applied",
       {{"Spalten", "010"}, {"SpalteX1", Packed(2, 30)}},
       defined,
       false},
  };
  for (const Case& c : cases) {
    MapStore store;
    for (const auto& [k, v] : c.keys) store.keys["DialogVl/" + k] = v;
    ShownColumns s = SetaDbFelder(ThreeColumns(), &store, "DialogVl", 400);
    EXPECT_EQ(Shown(s), c.want) << c.name;
    EXPECT_EQ(s.layoutApplied, c.applied) << c.name;
  }
}

TEST(BrowseColumnsTest, SavedLayoutReadsBackAndNamesItsColumns) {
  MapStore store;
  ShownColumns s = SetaDbFelder(ThreeColumns(), &store, "DialogVl", 400);
  MoveColumn(s.columns, 2, 0);
  s.columns[0].nWidth = 33;
  s.columns.erase(s.columns.begin() + 2);  // ORT no longer shown
  GetaDBFelder(ThreeColumns(), s.columns, store, "DialogVl");
  EXPECT_EQ(store.keys["DialogVl/Spalten"], "101");
  EXPECT_EQ(store.keys["DialogVl/SpalteX1"], Packed(3, 33));
  EXPECT_EQ(store.keys["DialogVl/SpalteX2"], Packed(1, 100));
  EXPECT_EQ(Shown(SetaDbFelder(ThreeColumns(), &store, "DialogVl", 400)),
            (std::vector<std::pair<int, int>>{{3, 33}, {1, 100}}));
  // The same name for a table with other fields shows that table's fields as defined.
  std::vector<BrowseColumn> other = {Col("KDNR", 50), Col("NAME", 60), Col("ORT", 70)};
  EXPECT_EQ(Shown(SetaDbFelder(other, &store, "DialogVl", 400)),
            (std::vector<std::pair<int, int>>{{1, 50}, {2, 60}, {3, 70}}));
}

TEST(BrowseColumnsTest, FixedColumnsKeepTheirPlaceInALayout) {
  MapStore store;
  store.keys = {{"B/SpaltenKennung", LayoutIdentity(ThreeColumns())},
                {"B/SpalteX1", Packed(3, 30)},
                {"B/SpalteX2", Packed(1, 10)},
                {"B/SpalteX3", Packed(2, 20)}};
  ShownColumns s = SetaDbFelder(ThreeColumns(), &store, "B", 400, 1);
  EXPECT_EQ(Shown(s), (std::vector<std::pair<int, int>>{{1, 10}, {3, 30}, {2, 20}}));
}

TEST(BrowseColumnsTest, TitlesHeaderLinesEditModesAndFiller) {
  std::vector<BrowseColumn> cols = {Col("Kunden\rNummer", 50), Col(" Name", 60), Col("Ort", 70),
                                    Col("Bild", 20, "I")};
  cols[1].nEdit = 7;
  cols[2].nEdit = 1;
  cols[3].nEdit = 3;
  ShownColumns s = SetaDbFelder(cols, nullptr, "X", 250);
  EXPECT_EQ(s.nHeaderLines, 2);
  EXPECT_EQ(s.columns[0].cTitle, "Kunden\rNummer");
  EXPECT_EQ(s.columns[1].cTitle, " Name");
  EXPECT_EQ(s.columns[2].cTitle, " Ort");
  EXPECT_EQ(s.columns[1].nEdit, 3);
  EXPECT_EQ(s.columns[2].nEdit, 1);
  EXPECT_EQ(s.columns[3].nEdit, 0);
  ASSERT_EQ(s.columns.size(), 5u);
  EXPECT_EQ(s.columns[4].nWidth, 50);  // 250 - 200
  EXPECT_EQ(s.columns[4].nOrigCol, 5);
  EXPECT_EQ(SetTabArray(s.columns), (std::vector<int>{0, 50, 110, 180, 200, 250}));
  // Wider than the list: the filler is 0, never negative.
  EXPECT_EQ(SetaDbFelder(cols, nullptr, "X", 150).columns.back().nWidth, 0);
  // No columns: one empty column of width 100.
  EXPECT_EQ(SetaDbFelder({}, nullptr, "X", 150).columns.front().nWidth, 100);
}

TEST(BrowseColumnsTest, TitleSplitting) {
  HeaderTitle two = SplitTitle("Kunden\r\nNummer");
  EXPECT_EQ(two.lines, (std::vector<std::string>{"Kunden", "Nummer"}));
  HeaderTitle coloured = SplitTitle(" Name\t255");
  EXPECT_EQ(coloured.text, " Name");
  EXPECT_EQ(coloured.colour, 255u);
  EXPECT_FALSE(SplitTitle(" Ort").colour);
}

TEST(BrowseColumnsTest, CellTextByType) {
  struct Case {
    const char* type;
    Value value;
    std::string want;
  };
  const Case cases[] = {
      {"B", std::string("M\x81ller  "), "M\xFCller   "},  // OEM -> ANSI plus one blank
      {"B", Decimal::FromText("12.50").value(), "12.50 "},
      {"B", Date{2026, 3, 7}, "07.03.2026 "},
      {"B", true, "T "},
      {"B", Null{}, ""},
      {"B", Blob{"x"}, ""},
      {"B", std::string("\x80"), "\x80 "},  // the euro byte stays
      {"C", std::string("  Ort  "), "Ort"},
      {"N", Decimal::FromText("-3.25").value(), "-3.25"},
      {"N", int32_t{42}, "42"},
      {"D", Date{1999, 12, 31}, "31.12.1999"},
      {"L", false, "F"},
  };
  for (const Case& c : cases) {
    BrowseColumn col = Col("T", 10, c.type);
    EXPECT_EQ(CellText(col, c.value), c.want) << c.type;
  }
}

class ElementTest : public ::testing::Test {
 protected:
  FakeErrorSysPlatform fake_;
  ScopedErrorSysPlatform scoped_{&fake_};
  void SetUp() override { fake_.logWritesAllowed = false; }
  std::vector<std::string> Headings() const {
    std::vector<std::string> out;
    for (const auto& [text, second] : fake_.debug) out.push_back(text + "|" + second.value_or(""));
    return out;
  }
};

BrowseColumn Cb(std::string type, std::function<Value(int)> f, std::string field = "") {
  BrowseColumn c = Col("T", 10, std::move(type));
  c.bData = std::move(f);
  c.cField = std::move(field);
  return c;
}

TEST_F(ElementTest, RowStrings) {
  auto text = [](std::string s) { return [s](int) -> Value { return s; }; };
  struct Case {
    const char* name;
    std::vector<BrowseColumn> columns;
    int64_t recno;
    bool deleted;
    std::string want;
  };
  const Case cases[] = {
      {"two cells and the filler",
       {Cb("B", text("Anna ")), Cb("R", text(" 12 ")), Cb("B", {})},
       5,
       false,
       "Anna\t12\t\t      5"},
      {"deleted record carries the grey marker",
       {Cb("B", text("x"))},
       17,
       true,
       "x\t!C8421504\t     17"},
      {"seven digits fill the number", {Cb("B", text("x"))}, 9999999, false, "x\t9999999"},
      {"eight digits are kept whole", {Cb("B", text("x"))}, 10000000, false, "x\t10000000"},
  };
  for (const Case& c : cases) {
    ElementRecord r{0, "QUELLE", c.recno, c.deleted, 8421504, {}};
    std::string row = Element(c.columns, r, "DialogVl");
    EXPECT_EQ(row, c.want) << c.name;
    RowParts parts = SplitRow(row, c.columns.size());
    EXPECT_EQ(parts.recno, c.recno) << c.name;
    EXPECT_EQ(parts.deletedColour.has_value(), c.deleted) << c.name;
  }
  EXPECT_TRUE(fake_.debug.empty());
}

TEST_F(ElementTest, FieldColumnsAreReadThroughTheRecord) {
  ElementRecord r{
      3,     "Q", 1,
      false, 0,   [](const BrowseColumn& c) -> Value {
                    return std::string("<" + c.cField + ">"); }};
  BrowseColumn a = Col("A", 10, "C");
  a.cField = "NAME";
  EXPECT_EQ(Element({a}, r, "B"), "<NAME>\t      1");
}

TEST_F(ElementTest, NulAndTabInCellsAreLoggedAndMended) {
  auto text = [](std::string s) { return [s](int) -> Value { return s; }; };
  std::vector<BrowseColumn> cols = {Cb("B", text(std::string("a\0b", 3)), "NAME"),
                                    Cb("B", text("c\td"), "ORT")};
  ElementRecord r{0, "QUELLE", 4, false, 0, {}};
  EXPECT_EQ(Element(cols, r, "DialogVl"), "\tc d\t      4");
  std::vector<std::string> h = Headings();
  ASSERT_EQ(h.size(), 2u);
  EXPECT_EQ(
      h[0],
      "Datenfehler in der Method ELEMENT() in ZB_BROWSE:(DialogVl) NAME|Laufindex: 1 CHR(0) "
      "im Datenfeld! CHR(0) wurde f\xFCr die Anzeige herausgenommen. ALIAS: QUELLE Record: 4");
  EXPECT_EQ(h[1],
            "Datenfehler in der Method ELEMENT() in ZB_BROWSE:(DialogVl) ORT|Laufindex: 2 "
            "CHR(9)=(Tab) im Datenfeld! CHR(9) wurde f\xFCr die Anzeige mit CHR(32)=Space(1) "
            "ersetzt. ALIAS: QUELLE Record: 4");
}

TEST_F(ElementTest, AFailingCellStopsTheRowButKeepsTheNumber) {
  struct Case {
    std::function<Value(int)> failing;
    std::string detail;
  };
  const Case cases[] = {
      {[](int) -> Value {
         ErrorObject e;
         e.description = "Variable nicht gefunden";
         e.operation = "KDNR";
         throw ErrorAbandoned{e};
       },
       "Laufindex: 2 Variable nicht gefunden KDNR"},
      {[](int) -> Value { throw ErrorAbandoned{}; }, "Laufindex: 2 unbekannt?"},
      {[](int) -> Value { throw std::runtime_error("kaputt"); }, "Laufindex: 2 kaputt"},
  };
  for (const Case& c : cases) {
    FakeErrorSysPlatform fake;
    fake.logWritesAllowed = false;
    ScopedErrorSysPlatform scoped(&fake);
    std::vector<BrowseColumn> cols = {Cb("B", [](int) -> Value { return std::string("a"); }),
                                      Cb("B", c.failing), Cb("B", {})};
    ElementRecord r{0, "Q", 12, false, 0, {}};
    EXPECT_EQ(Element(cols, r, " DialogVl "), "a\t     12");
    ASSERT_EQ(fake.debug.size(), 1u);
    EXPECT_EQ(fake.debug[0].first, "Fehler in der Method ELEMENT() in ZB_BROWSE:(DialogVl)");
    EXPECT_EQ(fake.debug[0].second.value_or(""), c.detail);
  }
}

TEST(BrowseColumnsTest, TextCutLimit) {
  EXPECT_FALSE(TextNeedsCut(50, 50));
  EXPECT_FALSE(TextNeedsCut(52, 50));  // fits exactly within the 2 spare pixels
  EXPECT_TRUE(TextNeedsCut(53, 50));
}

HeaderGeometry Header() {
  HeaderGeometry g;
  g.list = {20, 40, 300, 100};  // rows from y 40 to 140
  g.headerHeight = 16;
  g.rowHeight = 20;
  return g;
}

TEST(BrowseColumnsTest, HeaderHitTest) {
  const std::vector<int> tabs = {0, 100, 180, 220, 300};  // three columns and the filler
  struct Case {
    const char* name;
    int x, y, hOffset, fix;
    bool resize, change;
    HotSpotKind kind;
    int column;
  };
  const Case cases[] = {
      {"boundary exactly", 120, 30, 0, 0, true, true, HotSpotKind::kResize, 0},
      {"6 right of the boundary", 126, 30, 0, 0, true, true, HotSpotKind::kResize, 0},
      {"7 right of the boundary is a move", 127, 30, 0, 0, true, true, HotSpotKind::kMove, 1},
      {"inside column 1", 60, 30, 0, 0, true, true, HotSpotKind::kMove, 0},
      {"5 inside the left edge is nothing", 25, 30, 0, 0, true, true, HotSpotKind::kNone, -1},
      {"6 inside the left edge moves", 26, 30, 0, 0, true, true, HotSpotKind::kMove, 0},
      {"fixed column", 60, 30, 0, 1, true, true, HotSpotKind::kFixed, 0},
      {"no resize allowed", 120, 30, 0, 0, false, true, HotSpotKind::kNone, -1},
      {"no move allowed", 60, 30, 0, 0, true, false, HotSpotKind::kNone, -1},
      {"last column against the filler", 240, 30, 0, 0, true, true, HotSpotKind::kResize, 2},
      {"the filler is never moved", 280, 30, 0, 0, true, true, HotSpotKind::kNone, -1},
      {"the last boundary is never resized", 320, 30, 0, 0, true, true, HotSpotKind::kNone, -1},
      {"scrolled by 50", 70, 30, -50, 0, true, true, HotSpotKind::kResize, 0},
      {"top of the header strip", 60, 24, 0, 0, true, true, HotSpotKind::kMove, 0},
      {"above the header", 60, 23, 0, 0, true, true, HotSpotKind::kNone, -1},
      {"on the first row", 60, 40, 0, 0, true, true, HotSpotKind::kNone, -1},
      {"just below the list", 60, 141, 0, 0, true, true, HotSpotKind::kBelowList, -1},
      {"3 rows below the list", 60, 200, 0, 0, true, true, HotSpotKind::kBelowList, -1},
      {"past 3 rows below", 60, 201, 0, 0, true, true, HotSpotKind::kNone, -1},
  };
  for (const Case& c : cases) {
    HeaderGeometry g = Header();
    g.hOffset = c.hOffset;
    HotSpot h = IsHotSpot(c.x, c.y, g, tabs, c.fix, c.resize, c.change);
    EXPECT_EQ(h.kind, c.kind) << c.name;
    EXPECT_EQ(h.column, c.column) << c.name;
  }
}

TEST(BrowseColumnsTest, ResizeKeepsEightPixelsAndTheFillerAbsorbs) {
  const std::vector<int> tabs = {0, 100, 180, 300};  // two columns and the filler
  struct Case {
    const char* name;
    int column, x;
    std::optional<std::vector<int>> want;
  };
  const Case cases[] = {
      {"wider", 0, 20 + 130, std::vector<int>{130, 80, 90}},
      {"narrower", 1, 20 + 150, std::vector<int>{100, 50, 150}},
      {"to exactly 8", 1, 20 + 108, std::vector<int>{100, 8, 192}},
      {"to 7 keeps 8", 1, 20 + 107, std::vector<int>{100, 8, 192}},
      {"past the list: the filler shrinks to 0", 1, 20 + 400, std::vector<int>{100, 300, 0}},
      {"released at list left + 10", 0, 30, std::vector<int>{10, 80, 210}},
      {"released left of list left + 10", 0, 29, std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ResizeColumn(tabs, c.column, c.x, Header(), 300), c.want) << c.name;
  }
}

TEST(BrowseColumnsTest, MoveTargets) {
  const std::vector<int> tabs = {0, 100, 180, 220, 300};
  struct Case {
    const char* name;
    int column, x, fix;
    std::optional<int> want;
  };
  const Case cases[] = {
      {"onto column 3", 0, 20 + 200, 0, 2},
      {"onto itself", 1, 20 + 150, 0, std::nullopt},
      {"left of the list", 2, 5, 0, 0},
      {"beyond 32000", 2, 32001, 0, 0},
      {"over the filler: the last column", 0, 20 + 250, 0, 2},
      {"onto a fixed column: right after the fixed ones", 2, 20 + 10, 1, 1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MoveTarget(tabs, c.column, c.x, Header(), c.fix), c.want) << c.name;
  }
  std::vector<BrowseColumn> cols = {Col("A", 1), Col("B", 2), Col("C", 3), Col("", 4)};
  MoveColumn(cols, 0, 2);
  EXPECT_EQ(cols[0].cTitle + cols[1].cTitle + cols[2].cTitle, "BCA");
}

TEST(BrowseColumnsTest, ListLayoutFromTheResource) {
  ListLayoutInput in;
  in.resource = {10, 10, 300, 200};  // bottom 210
  in.markerWidth = 12;
  in.headerHeight = 16;
  in.vScrollWidth = 17;
  in.hScrollHeight = 17;
  in.rowHeight = 20;
  ListLayout l = LayoutList(in);
  // top 30, height 180 - 17 = 163 -> 8 rows
  EXPECT_EQ(l.rows, 8);
  EXPECT_EQ(l.list.left, 22);
  EXPECT_EQ(l.list.top, 30);
  EXPECT_EQ(l.list.width, 310 - 17 - 22);
  EXPECT_EQ(l.list.height, 8 * 20 + 17);
  EXPECT_EQ(l.scrollBar.left, 22 + 271 + 2);
  EXPECT_EQ(l.scrollBar.height, 159);
  // Too small for two rows: still two.
  in.resource.height = 40;
  EXPECT_EQ(LayoutList(in).rows, 2);
  // A border of 1 pixel top and bottom: 8 rows need 8 * 20 + 17 + 2 = 179 pixels below the
  // top (resource height 199); one pixel less gives 7.
  in.frameHeight = 2;
  in.resource.height = 199;
  l = LayoutList(in);
  EXPECT_EQ(l.rows, 8);
  EXPECT_EQ(l.list.height, 8 * 20 + 17 + 2);
  in.resource.height = 198;
  EXPECT_EQ(LayoutList(in).rows, 7);
}

TEST(BrowseColumnsTest, NewSizeIgnoresSmallHeightsAndEqualSizes) {
  ResizeState s;
  s.listWidth = 300;
  s.listHeight = 5 * 20 + 17;
  s.nGesamt = 5;
  s.dialogWidth = 400;
  s.dialogHeight = 200;                    // nLbBelow = 83
  EXPECT_FALSE(NewSizeRule(s, 400, 100));  // minimised dialogs report tiny heights
  EXPECT_EQ(s.nLbBelow, -1);
  std::optional<ResizeResult> r = NewSizeRule(s, 500, 101);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->listWidth, 400);
  EXPECT_EQ(r->nGesamt, 2);  // (101 - 83 - 17) / 20 = 0 -> at least 2
  EXPECT_FALSE(NewSizeRule(s, 500, 101));
  r = NewSizeRule(s, 500, 300);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->nGesamt, 10);  // (300 - 83 - 17) / 20
  EXPECT_EQ(r->listHeight, 17 + 200);
  EXPECT_EQ(r->widthChange, 0);
}

}  // namespace
}  // namespace tabrix
