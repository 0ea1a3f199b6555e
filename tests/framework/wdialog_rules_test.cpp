// Rules of the dialog class: INI numbers, where a dialog opens, what it saves, the layout of a
// resizable dialog, duplicate control ids and the type-ahead wait time.
#include "framework/wdialog_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace tabrix {
// Readable failures (found by gtest through the types' namespaces).
std::ostream& operator<<(std::ostream& os, const PlaceRect& r) {
  return os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")";
}
}  // namespace tabrix

namespace tabrix::wdialog {

std::ostream& operator<<(std::ostream& os, const IniPair& p) {
  return os << "{" << p.low << "," << p.high << "}";
}
std::ostream& operator<<(std::ostream& os, const IniWrite& w) {
  return os << "E" << w.keySuffix << "=" << w.value;
}
std::ostream& operator<<(std::ostream& os, const LayoutMove& m) {
  return os << m.index << ":" << m.rect;
}

namespace {

using testing::ElementsAre;
using testing::ElementsAreArray;

TEST(WDialogRulesTest, IniPairsRoundTripWithSignedHalves) {
  struct Case {
    int low, high;
    int64_t number;
  };
  const Case cases[] = {
      {0, 0, 0},
      {100, 200, 200 * 65536 + 100},
      {-300, 50, 50 * 65536 + 65536 - 300},              // left of the primary monitor
      {10, -20, int64_t{65536 - 20} * 65536 + 10},       // above it
      {-1, -1, 4294967295},                              // never -1, "nothing saved"
      {32767, 32767, 32767 * 65536 + 32767},             // the largest coordinate
      {-32768, -32768, int64_t{32768} * 65536 + 32768},  // the smallest
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackIniPair(c.low, c.high), c.number) << c.low << "," << c.high;
    EXPECT_EQ(UnpackIniPair(c.number), (IniPair{c.low, c.high})) << c.number;
  }
  // A corner written as a signed number reads back the same.
  EXPECT_EQ(UnpackIniPair(-19595564), UnpackIniPair(int64_t{4294967296} - 19595564));
  EXPECT_EQ(UnpackIniPair(-19595564), (IniPair{-300, -300}));
}

TEST(WDialogRulesTest, IniNumbersFromText) {
  struct Case {
    const char* text;
    int64_t number;
  };
  const Case cases[] = {
      {"0", 0},
      {"13107300", 13107300},
      {"  42 ", 42},
      {"-1", -1},
      {"-19595564", -19595564},
      {"+7", 7},
      {"4294967295", 4294967295},    // the largest unsigned 32-bit value
      {"4294967296", -1},            // one past it
      {"-2147483648", -2147483648},  // the smallest signed one
      {"-2147483649", -1},           // one past it
      {"", -1},
      {"   ", -1},
      {"-", -1},
      {"12x", -1},
      {"x12", -1},
      {"99999999999999999999999", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseIniNumber(c.text), c.number) << '"' << c.text << '"';
}

// Two monitors: the primary one with a task bar at the bottom, a second one left of it.
const MonitorArea kPrimary{{0, 0, 1920, 1080}, {0, 0, 1920, 1040}};
const MonitorArea kLeft{{-1280, 0, 0, 1024}, {-1280, 0, 0, 1024}};

TEST(WDialogRulesTest, NearestMonitor) {
  const std::vector<MonitorArea> both{kPrimary, kLeft};
  struct Case {
    PlaceRect rect;
    std::optional<size_t> monitor;
  };
  const Case cases[] = {
      {{100, 100, 500, 400}, 0},       {{-500, 100, -100, 400}, 1},
      {{-100, 100, 300, 400}, 0},       // more of it on the primary one
      {{-300, 100, 100, 400}, 1},       // more of it on the left one
      {{-2000, 1100, -1500, 1300}, 1},  // off every monitor: the nearest
      {{2500, -900, 2600, -800}, 0},
  };
  for (const Case& c : cases) EXPECT_EQ(NearestMonitor(c.rect, both), c.monitor) << c.rect.left;
  EXPECT_EQ(NearestMonitor({0, 0, 10, 10}, {}), std::nullopt);
  EXPECT_EQ(MonitorOfPoint(-1, 0, both), 1u);  // the last column of the left monitor
  EXPECT_EQ(MonitorOfPoint(0, 0, both), 0u);
}

TEST(WDialogRulesTest, WhereADialogOpens) {
  const PlaceRect dialog{0, 0, 400, 300};  // its size as created
  const std::vector<MonitorArea> both{kPrimary, kLeft};
  const std::vector<MonitorArea> primaryOnly{kPrimary};
  struct Case {
    const char* what;
    SavedDialogPlace saved;
    int parentLeft, parentTop;
    std::vector<MonitorArea> monitors;
    PlaceRect placed;
  };
  const Case cases[] = {
      {"no entry: centered on the work area of the parent's monitor",
       {-1, -1},
       50,
       60,
       both,
       {760, 370, 1160, 670}},
      {"no entry, parent on the left monitor", {-1, -1}, -1200, 10, both, {-840, 362, -440, 662}},
      {"no entry, parent's corner in the left monitor's last column",
       {-1, -1},
       -1,
       500,
       both,
       {-840, 362, -440, 662}},
      {"saved at x = -300, the left monitor is there",
       {PackIniPair(-300, 100), PackIniPair(250, 200)},
       0,
       0,
       both,
       {-300, 100, -50, 300}},
      {"saved at x = -300, the left monitor is gone",
       {PackIniPair(-300, 100), PackIniPair(250, 200)},
       0,
       0,
       primaryOnly,
       {1, 100, 251, 300}},
      {"across two monitors: onto the one it overlaps most",
       {PackIniPair(-300, 100), -1},
       0,
       0,
       both,
       {-401, 100, -1, 400}},
      {"saved with a size",
       {PackIniPair(200, 150), PackIniPair(640, 480)},
       0,
       0,
       both,
       {200, 150, 840, 630}},
      {"size 0: the current size", {PackIniPair(200, 150), 0}, 0, 0, both, {200, 150, 600, 450}},
      {"below the work area: moved up, one pixel inside",
       {PackIniPair(300, 1000), -1},
       0,
       0,
       both,
       {300, 739, 700, 1039}},
      {"corner on the work area's edge: one pixel inside",
       {PackIniPair(0, 0), -1},
       0,
       0,
       primaryOnly,
       {1, 1, 401, 301}},
      {"corner one pixel inside stays",
       {PackIniPair(1, 1), -1},
       0,
       0,
       primaryOnly,
       {1, 1, 401, 301}},
      {"right edge on the area's last pixel but one stays",
       {PackIniPair(1519, 10), -1},
       0,
       0,
       primaryOnly,
       {1519, 10, 1919, 310}},
      {"right edge one past it moves left",
       {PackIniPair(1520, 10), -1},
       0,
       0,
       primaryOnly,
       {1519, 10, 1919, 310}},
      {"corner at (-1, -1) is a saved place, not none",
       {PackIniPair(-1, -1), -1},
       900,
       900,
       both,
       {1, 1, 401, 301}},
      {"no monitors known: where it was saved",
       {PackIniPair(-300, 100), -1},
       0,
       0,
       {},
       {-300, 100, 100, 400}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PlanDialogPlace(c.saved, dialog, c.parentLeft, c.parentTop, c.monitors), c.placed)
        << c.what;
  }
}

TEST(WDialogRulesTest, WhatADialogSaves) {
  const PlaceRect at{100, 200, 500, 500};  // 400 x 300
  const int64_t pos = PackIniPair(100, 200), size = PackIniPair(400, 300);
  using W = std::vector<IniWrite>;
  struct Case {
    const char* what;
    DialogCloseState close;
    W writes;
  };
  const Case cases[] = {
      {"first close", {ShowState::kNormal, at, false, -1, -1, -1}, W{{"", std::to_string(pos)}}},
      {"unchanged: nothing", {ShowState::kNormal, at, false, pos, -1, -1}, W{}},
      {"moved", {ShowState::kNormal, at, false, pos + 1, -1, -1}, W{{"", std::to_string(pos)}}},
      {"sizable, first close",
       {ShowState::kNormal, at, true, -1, -1, -1},
       W{{"", std::to_string(pos)}, {"_SIZE", std::to_string(size)}}},
      {"sizable, unchanged", {ShowState::kNormal, at, true, pos, size, -1}, W{}},
      {"sizable, resized",
       {ShowState::kNormal, at, true, pos, size - 1, -1},
       W{{"_SIZE", std::to_string(size)}}},
      {"sizing border went away",
       {ShowState::kNormal, at, false, pos, size, -1},
       W{{"_SIZE", "0"}}},
      {"no sizing border, size already 0", {ShowState::kNormal, at, false, pos, 0, -1}, W{}},
      {"minimised: nothing",
       {ShowState::kMinimised, {-32000, -32000, -31840, -31969}, true, -1, -1, -1},
       W{}},
      {"maximised: its normal place and the flag",
       {ShowState::kMaximised, at, true, pos, size, -1},
       W{{"_MAX", "1"}}},
      {"maximised again: nothing new", {ShowState::kMaximised, at, true, pos, size, 1}, W{}},
      {"normal after maximised: the flag goes",
       {ShowState::kNormal, at, true, pos, size, 1},
       W{{"_MAX", "0"}}},
      {"flag already 0", {ShowState::kNormal, at, true, pos, size, 0}, W{}},
      {"corner (-1, -1) saved as a number that is not -1",
       {ShowState::kNormal, {-1, -1, 399, 299}, false, -1, -1, -1},
       W{{"", "4294967295"}}},
      {"corner (-1, -1) read back: unchanged",
       {ShowState::kNormal, {-1, -1, 399, 299}, false, 4294967295, -1, -1},
       W{}},
      {"signed number of older versions: same corner, unchanged",
       {ShowState::kNormal, {-300, -300, 100, 100}, false, -19595564, -1, -1},
       W{}},
  };
  for (const Case& c : cases) EXPECT_EQ(PlanDialogSave(c.close), c.writes) << c.what;
}

TEST(WDialogRulesTest, ResizeLayout) {
  const int caption = 19;  // limit 114
  const uint32_t sizable = kStyleSizingBorder, maxBox = kStyleMaximizeBox;
  const std::vector<ChildControl> children = {
      {"Button", 0x50010000, {10, 300, 90, 324}},       // 0: OK button low in the dialog
      {"ListBox", 0x50A10001, {10, 130, 380, 280}},     // 1: list box: its owner sizes it
      {"ScrollBar", 0x50000001, {380, 130, 396, 280}},  // 2
      {"Button", 0x50000007, {5, 5, 395, 120}},         // 3: group box across the dialog
      {"Button", 0x50000007, {200, 130, 300, 200}},     // 4: group box not at the left edge
      {"Static", 0x50000000, {10, 115, 90, 128}},       // 5: top 115 > 114 and > 50
      {"Static", 0x50000000, {10, 114, 90, 128}},       // 6: top on the caption limit stays
      {"Edit", 0x50010080, {10, 51, 90, 70}},           // 7: below 6 captions: stays
      {"listbox", 0x50A10001, {10, 290, 90, 320}},      // 8: class in any case
  };
  struct Case {
    const char* what;
    uint32_t style;
    int sizeType;
    ClientSize previous, now;
    int caption;
    std::vector<LayoutMove> moves;
    ClientSize remembered;
  };
  const Case cases[] = {
      {"40 px higher",
       sizable,
       0,
       {400, 340},
       {400, 380},
       caption,
       {{0, {10, 340, 90, 364}}, {4, {200, 170, 300, 240}}, {5, {10, 155, 90, 168}}},
       {400, 380}},
      {"maximise box alone is enough",
       maxBox,
       2,
       {400, 340},
       {400, 380},
       caption,
       {{0, {10, 340, 90, 364}}, {4, {200, 170, 300, 240}}, {5, {10, 155, 90, 168}}},
       {400, 380}},
      {"neither: nothing", 0, 0, {400, 340}, {400, 380}, caption, {}, {400, 340}},
      {"30 px wider: the group box across follows",
       sizable,
       0,
       {400, 340},
       {430, 340},
       caption,
       {{3, {5, 5, 425, 120}}},
       {430, 340}},
      {"new height 100: nothing moves down, height not remembered",
       sizable,
       0,
       {400, 60},
       {400, 100},
       caption,
       {},
       {400, 60}},
      {"new height 101: moves",
       sizable,
       0,
       {400, 61},
       {400, 101},
       caption,
       {{0, {10, 340, 90, 364}}, {4, {200, 170, 300, 240}}, {5, {10, 155, 90, 168}}},
       {400, 101}},
      {"larger caption: the limit moves",
       sizable,
       0,
       {400, 340},
       {400, 380},
       25,
       {{0, {10, 340, 90, 364}}},
       {400, 380}},
      {"much narrower: the group box never below 0 wide",
       sizable,
       0,
       {400, 340},
       {0, 340},
       caption,
       {{3, {5, 5, 5, 120}}},
       {0, 340}},
      {"minimised: nothing, size kept", sizable, 1, {400, 340}, {0, 0}, caption, {}, {400, 340}},
  };
  for (const Case& c : cases) {
    LayoutPlan plan = PlanResizeLayout(c.style, c.sizeType, c.previous, c.now, c.caption, children);
    EXPECT_THAT(plan.moves, ElementsAreArray(c.moves)) << c.what;
    EXPECT_EQ(plan.clientSize, c.remembered) << c.what;
  }
}

TEST(WDialogRulesTest, GroupBoxEdgesForWidening) {
  // left < 20 and right + 20 > previous width (400).
  struct Case {
    int left, right;
    bool widened;
  };
  const Case cases[] = {
      {19, 381, true},
      {20, 381, false},  // left on the limit and one below
      {0, 380, false},
      {0, 381, true},  // right on the limit and one past
  };
  for (const Case& c : cases) {
    std::vector<ChildControl> one{{"Button", 7, {c.left, 0, c.right, 40}}};
    LayoutPlan plan = PlanResizeLayout(kStyleSizingBorder, 0, {400, 300}, {450, 300}, 19, one);
    EXPECT_EQ(!plan.moves.empty(), c.widened) << c.left << "-" << c.right;
  }
}

TEST(WDialogRulesTest, DuplicateControlIds) {
  struct Case {
    std::vector<int64_t> ids;
    std::vector<int64_t> duplicates;
    std::optional<int64_t> firstFree;
  };
  const Case cases[] = {
      {{1, 2, 101, 102}, {}, std::nullopt},
      {{101, 102, 101}, {101}, 103},
      {{101, 102, 103, 105, 102, 101}, {102, 101}, 104},  // above the first duplicate met
      {{-1, -1, -1}, {}, std::nullopt},                   // controls without id
      {{65535, 65535}, {}, std::nullopt},                 // the system's own
      {{64999, 64999}, {64999}, 65000},                   // the last id counted
      {{65000, 65000}, {}, std::nullopt},                 // the first not counted
      {{5, 5, 5}, {5, 5}, 6},
      {{}, {}, std::nullopt},
  };
  for (const Case& c : cases) {
    IdCheck check = CheckControlIds(c.ids);
    EXPECT_THAT(check.duplicates, ElementsAreArray(c.duplicates));
    EXPECT_EQ(check.firstFree, c.firstFree);
  }
}

TEST(WDialogRulesTest, SeekWaitTimeClamp) {
  struct Case {
    double in, out;
  };
  const Case cases[] = {{0.3, 0.3},  {0.1, 0.1}, {0.09, 0.1}, {2.0, 2.0},
                        {2.01, 2.0}, {-5, 0.1},  {1e9, 2.0},  {NAN, 0.1}};
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(ClampSeekWaitTime(c.in), c.out) << c.in;
}

TEST(WDialogRulesTest, ListSeekFirstCharacterSearchesOnOnlyShortlyAfterTheLastOne) {
  struct Case {
    const char* typedBefore;
    int64_t sinceLastMs;
    bool fromSelection;
  };
  const Case cases[] = {
      {"", -1, false},   {"", 0, true},     {"", 3000, true},
      {"", 3001, false}, {"B", 100, false},  // a later character: the whole text from the top
  };
  for (const Case& c : cases) {
    ListSeekState state;
    state.typed = c.typedBefore;
    ListSeekStep step = ListSeekChar(state, 'a', c.sinceLastMs);
    EXPECT_EQ(step.fromSelection, c.fromSelection) << c.typedBefore << c.sinceLastMs;
    EXPECT_EQ(step.text, std::string(c.typedBefore) + "a");
  }
}

TEST(WDialogRulesTest, ListSeekTextLastsUntilTheWaitHasPassedSinceTheLastCharacter) {
  struct Case {
    int waitMs, ticks;
    bool cleared;
  };
  // 195 ms is three ticks: cleared after the fourth; a wait one past the ticks needs one more.
  const Case cases[] = {{195, 3, false}, {195, 4, true},   {196, 4, true}, {260, 4, false},
                        {260, 5, true},  {900, 13, false}, {900, 14, true}};
  for (const Case& c : cases) {
    ListSeekState state;
    EXPECT_TRUE(ListSeekChar(state, 'x', -1).startTimer);
    bool cleared = false;
    for (int i = 0; i < c.ticks && !cleared; ++i) cleared = ListSeekTick(state, c.waitMs);
    EXPECT_EQ(cleared, c.cleared) << c.waitMs << " " << c.ticks;
    EXPECT_EQ(state.typed.empty(), c.cleared) << c.waitMs << " " << c.ticks;
    EXPECT_EQ(state.timerRunning, !c.cleared);
  }
  // Typing restarts the wait and keeps the running timer.
  ListSeekState state;
  ListSeekChar(state, 'a', -1);
  ListSeekTick(state, 195), ListSeekTick(state, 195), ListSeekTick(state, 195);
  ListSeekStep step = ListSeekChar(state, 'b', 195);
  EXPECT_FALSE(step.startTimer);
  EXPECT_EQ(step.text, "ab");
  EXPECT_FALSE(ListSeekTick(state, 195));
  EXPECT_FALSE(ListSeekTick(state, 195));  // (a tick without timer does nothing either)
  ListSeekState idle;
  EXPECT_FALSE(ListSeekTick(idle, 0));
}

// The cursor keys (37 ... 40) move without changing the text.
constexpr unsigned kCursorLeft = 37;

TEST(WDialogRulesTest, EditSeekKeysStartTheWaitOrAreSwallowed) {
  using K = EditSeekKey;
  struct Case {
    unsigned key;
    const char* text;
    bool writable;
    K expected;
  };
  const Case cases[] = {
      {' ', "ab", true, K::kStartWait}, {8, "ab", true, K::kStartWait},
      {0, "ab", true, K::kStartWait},   {0, "", true, K::kSwallow},
      {0, "0", true, K::kSwallow},      {0, "00", true, K::kStartWait},
      {44, "ab", true, K::kForward},    {45, "ab", true, K::kStartWait},
      {'A', "ab", false, K::kForward},  {111, "ab", true, K::kStartWait},
      {112, "ab", true, K::kSwallow},   {143, "ab", false, K::kSwallow},
      {144, "ab", true, K::kStartWait}, {kCursorLeft, "ab", true, K::kForward},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ClassifyEditSeekKey(c.key, c.text, c.writable), c.expected) << c.key << c.text;
}

TEST(WDialogRulesTest, FunctionKeysAreSwallowed) {
  const std::pair<unsigned, bool> cases[] = {{111, false}, {112, true}, {143, true}, {144, false}};
  for (auto [key, swallowed] : cases) EXPECT_EQ(IsSeekSwallowedKey(key), swallowed) << key;
}

}  // namespace
}  // namespace tabrix::wdialog
