// The browse model over an in-memory source: counting, the moves of the scroll codes, the
// thumb and its routes, clicks, incremental search and the rows kept.
#include "browse/browse_model.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "fake_browse_source.h"

namespace tabrix {
namespace {

using testing_support::FakeBrowseSource;

std::string RowText(FakeBrowseSource& source) {
  return "R" + std::to_string(source.RecordNumber());
}

struct Browse {
  explicit Browse(FakeBrowseSource& s, int rows = 10)
      : source(s), model(s, [&s] { return RowText(s); }) {
    model.SetVisibleRows(rows);
    model.RefreshAll(0, -1);
  }
  // Record numbers of the rows shown.
  std::vector<int64_t> Records() const {
    std::vector<int64_t> out;
    for (const BrowseRow& row : model.Rows()) out.push_back(row.recno);
    return out;
  }
  // The selected record's true position in the order.
  int64_t TruePosition() const { return source.PositionOf(model.SelectedRecord()); }
  FakeBrowseSource& source;
  BrowseModel model;
};

std::vector<int64_t> Range(int64_t first, int64_t last) {
  std::vector<int64_t> out;
  for (int64_t r = first; r <= last; ++r) out.push_back(r);
  return out;
}

TEST(BrowseModelTest, EmptyScopeHasNoRowsAndADisabledScrollBar) {
  // No records at all, and records that are all deleted (invisible).
  std::vector<FakeBrowseSource::Record> allDeleted(3, {"", true});
  FakeBrowseSource none(0);
  FakeBrowseSource deleted(allDeleted);
  for (FakeBrowseSource* source : {&none, &deleted}) {
    Browse b(*source);
    EXPECT_EQ(b.model.zSatz(), 0);
    EXPECT_EQ(b.model.nPos(), 0);
    EXPECT_FALSE(b.model.ScrollEnabled());
    EXPECT_EQ(b.model.ScrollMax(), 0);
    EXPECT_TRUE(b.model.Rows().empty());
    EXPECT_EQ(b.model.SelectedRow(), -1);
    EXPECT_EQ(b.model.SelectedRecord(), 0);
    const uint64_t revision = b.model.Revision();
    for (int code : {0, 1, 2, 3}) b.model.Scroll(code);
    b.model.Thumb(BrowseModel::kThumbEnd);
    EXPECT_FALSE(b.model.ClickRow(0));
    EXPECT_FALSE(b.model.TypeChar('A'));
    EXPECT_EQ(b.model.Revision(), revision);
    EXPECT_TRUE(b.model.Rows().empty());
  }
}

TEST(BrowseModelTest, OneRecordStaysThroughEveryMove) {
  FakeBrowseSource source(1);
  Browse b(source);
  EXPECT_EQ(b.model.zSatz(), 1);
  EXPECT_TRUE(b.model.ScrollEnabled());
  for (int code : {1, 0, 3, 2, 1, 3}) {
    b.model.Scroll(code);
    EXPECT_EQ(b.Records(), std::vector<int64_t>{1}) << "code " << code;
    EXPECT_EQ(b.model.SelectedRow(), 0);
    EXPECT_EQ(b.model.nPos(), 1);
  }
  for (int thumb : {1, 2, 500, BrowseModel::kThumbEnd}) {
    b.model.Thumb(thumb);
    EXPECT_EQ(b.Records(), std::vector<int64_t>{1}) << "thumb " << thumb;
    EXPECT_EQ(b.model.nPos(), 1);
  }
}

TEST(BrowseModelTest, LineDownAtTheEndChangesNothing) {
  FakeBrowseSource source(25);
  Browse b(source);
  b.model.End();
  ASSERT_EQ(b.Records(), Range(16, 25));
  ASSERT_EQ(b.model.SelectedRow(), 9);
  const uint64_t revision = b.model.Revision();
  b.model.LineDown();
  EXPECT_EQ(b.Records(), Range(16, 25));
  EXPECT_EQ(b.model.SelectedRow(), 9);
  EXPECT_EQ(b.model.nPos(), b.model.zSatz());
  EXPECT_EQ(b.model.Revision(), revision);
}

TEST(BrowseModelTest, PageUpFromTheSecondPageStartsAtTheFirstRecord) {
  // The second page reached by a page down (starting at record 11) and by line downs that
  // leave it starting at record 4, with the selection on different rows.
  struct Case {
    int lineDowns;
    int pageDowns;
  };
  for (const Case& c : {Case{0, 1}, Case{12, 0}, Case{3, 1}, Case{9, 1}}) {
    FakeBrowseSource source(100);
    Browse b(source);
    for (int i = 0; i < c.lineDowns; ++i) b.model.LineDown();
    for (int i = 0; i < c.pageDowns; ++i) b.model.PageDown();
    ASSERT_GT(b.model.Rows().front().recno, 1);
    ASSERT_LE(b.model.Rows().front().recno, 11);
    b.model.PageUp();
    EXPECT_EQ(b.Records(), Range(1, 10)) << c.lineDowns << "/" << c.pageDowns;
    EXPECT_EQ(b.model.nPos(), b.TruePosition());
    if (b.model.Rows().front().recno == 1 && c.lineDowns != 9) {
      EXPECT_EQ(b.model.SelectedRow(), b.model.nPos() - 1);
    }
  }
  // From the page that starts at record 11 with row 0 selected: row 0 and nPos 1.
  FakeBrowseSource source(100);
  Browse b(source);
  b.model.PageDown();
  b.model.ClickRow(0);
  ASSERT_EQ(b.model.Rows().front().recno, 11);
  b.model.PageUp();
  EXPECT_EQ(b.Records(), Range(1, 10));
  EXPECT_EQ(b.model.SelectedRow(), 0);
  EXPECT_EQ(b.model.nPos(), 1);
  // From a page that starts at record 4: the scope's beginning is passed.
  for (int i = 0; i < 12; ++i) b.model.LineDown();
  ASSERT_EQ(b.model.Rows().front().recno, 4);
  b.model.PageUp();
  EXPECT_EQ(b.Records(), Range(1, 10));
  EXPECT_EQ(b.model.SelectedRow(), 0);
  EXPECT_EQ(b.model.nPos(), 1);
}

TEST(BrowseModelTest, ScaleKeepsTheScrollRangeWithinSixteenBits) {
  struct Case {
    int64_t records;
    int scale;
    int scrollMax;
  };
  const Case cases[] = {
      {32767, 1, 32767},   {32768, 10, 3276}, {327670, 10, 32767},
      {327671, 100, 3276}, {1, 1, 1},         {1000000, 100, 10000},
  };
  for (const Case& c : cases) {
    FakeBrowseSource source(c.records);
    Browse b(source);
    EXPECT_EQ(b.model.zSatz(), c.records);
    EXPECT_EQ(b.model.nScale(), c.scale) << c.records;
    EXPECT_EQ(b.model.ScrollMax(), c.scrollMax) << c.records;
    EXPECT_LE(b.model.ScrollMax(), 32767);
    b.model.End();
    EXPECT_EQ(b.model.ScrollPos(), c.scrollMax) << c.records;
  }
}

TEST(BrowseModelTest, ThumbToTheBottomShowsTheLastPage) {
  // Both thumb values that mean "the last record": 32767 (Ctrl+End) and zSatz / nScale.
  struct Case {
    int64_t records;
    int thumb;
  };
  for (const Case& c :
       {Case{100, BrowseModel::kThumbEnd}, Case{100, 100}, Case{100000, BrowseModel::kThumbEnd},
        Case{100000, 10000}, Case{100005, 10000}, Case{5, BrowseModel::kThumbEnd}}) {
    FakeBrowseSource source(c.records);
    Browse b(source);
    b.model.Thumb(c.thumb);
    const int64_t first = std::max<int64_t>(1, c.records - 9);
    EXPECT_EQ(b.Records(), Range(first, c.records)) << c.records << " " << c.thumb;
    EXPECT_EQ(b.model.SelectedRow(), static_cast<int>(c.records - first));
    EXPECT_EQ(b.model.SelectedRecord(), c.records);
    EXPECT_EQ(b.model.nPos(), c.records);
  }
}

TEST(BrowseModelTest, CtrlEndAndCtrlHome) {
  FakeBrowseSource source(1234);
  Browse b(source, 20);
  b.model.End();
  EXPECT_EQ(b.model.Rows().back().recno, 1234);
  EXPECT_EQ(b.model.SelectedRow(), 19);
  EXPECT_EQ(b.model.nPos(), 1234);
  b.model.Home();
  EXPECT_EQ(b.Records(), Range(1, 20));
  EXPECT_EQ(b.model.SelectedRow(), 0);
  EXPECT_EQ(b.model.nPos(), 1);
}

TEST(BrowseModelTest, ThumbTakesTheCheapestRoute) {
  // 100000 records, nScale 10: thumb position p means record 10 p.
  enum Route { kTop, kBottom, kCaret };
  struct Case {
    const char* what;
    int caretThumb;  // where the selection is first put (0: stays on record 1)
    int lineUps;     // then moved up from there
    int thumb;
    Route route;
  };
  const Case cases[] = {
      {"selection near the end, thumb to the middle", BrowseModel::kThumbEnd, 3, 5000, kCaret},
      {"selection on top, thumb below the middle", 0, 0, 8000, kBottom},
      {"selection on top, thumb above the middle", 0, 0, 3000, kCaret},
      {"selection in the middle, thumb near the top", 5000, 0, 100, kTop},
      {"selection in the middle, thumb near the end", 5000, 0, 9900, kBottom},
      {"selection in the middle, thumb nearby", 5000, 0, 5100, kCaret},
      // bottom distance 40000, caret distance 40000: the caret row's route wins the tie.
      {"tie between the end and the caret", 2000, 0, 6000, kCaret},
  };
  for (const Case& c : cases) {
    FakeBrowseSource source(100000);
    Browse b(source);
    if (c.caretThumb) b.model.Thumb(c.caretThumb);
    for (int i = 0; i < c.lineUps; ++i) b.model.LineUp();
    ASSERT_EQ(b.model.nPos(), b.TruePosition()) << c.what;
    const int64_t caret = b.model.nPos();
    const int tops = source.tops, bottoms = source.bottoms;
    source.jumps.clear();
    b.model.Thumb(c.thumb);
    const int64_t t = int64_t{c.thumb} * 10;
    ASSERT_EQ(source.jumps.size(), 1u) << c.what;
    const FakeBrowseSource::Jump jump = source.jumps[0];
    switch (c.route) {
      case kTop:
        EXPECT_EQ(source.tops, tops + 1) << c.what;
        EXPECT_EQ(jump.fromPosition, 1) << c.what;
        break;
      case kBottom:
        EXPECT_EQ(source.bottoms, bottoms + 1) << c.what;
        EXPECT_EQ(jump.fromPosition, 100000) << c.what;
        break;
      case kCaret:
        EXPECT_EQ(source.tops, tops) << c.what;
        EXPECT_EQ(source.bottoms, bottoms) << c.what;
        EXPECT_EQ(jump.fromPosition, caret) << c.what;
        break;
    }
    EXPECT_EQ(jump.fromPosition + jump.n, t) << c.what;
    EXPECT_EQ(b.model.SelectedRecord(), t) << c.what;
    EXPECT_EQ(b.model.nPos(), t) << c.what;
    EXPECT_EQ(b.model.ScrollPos(), c.thumb) << c.what;
    EXPECT_EQ(b.model.Rows().size(), 10u) << c.what;
  }
}

TEST(BrowseModelTest, ThumbWithinTheLastPageKeepsThePageFull) {
  FakeBrowseSource source(100);
  Browse b(source);
  b.model.Thumb(95);
  EXPECT_EQ(b.Records(), Range(91, 100));
  EXPECT_EQ(b.model.SelectedRecord(), 95);
  EXPECT_EQ(b.model.nPos(), 95);
  b.model.Thumb(2);
  EXPECT_EQ(b.Records(), Range(2, 11));
  EXPECT_EQ(b.model.SelectedRow(), 0);
}

TEST(BrowseModelTest, ClickMovesSelectionAndPosition) {
  FakeBrowseSource source(50);
  Browse b(source);
  b.model.PageDown();  // rows 11 ... 20, row 0 selected, nPos 11
  ASSERT_EQ(b.model.nPos(), 11);
  struct Case {
    int row;
    bool accepted;
    int64_t nPos;
  };
  for (const Case& c : {Case{5, true, 16}, Case{9, true, 20}, Case{0, true, 11},
                        Case{10, false, 11}, Case{-1, false, 11}, Case{9, true, 20}}) {
    EXPECT_EQ(b.model.ClickRow(c.row), c.accepted) << c.row;
    EXPECT_EQ(b.model.nPos(), c.nPos) << c.row;
    EXPECT_EQ(b.model.nPos(), b.TruePosition()) << c.row;
  }
}

// Random moves over a scope without deleted records: after every move the rows are
// consecutive records of the order, the selected one exists and nPos is its true place.
TEST(BrowseModelTest, PositionFollowsTheSelectionThroughRandomMoves) {
  for (int64_t records : {1, 7, 8, 23, 200}) {
    for (int order : {0, 1}) {
      std::vector<FakeBrowseSource::Record> recs;
      for (int64_t i = 0; i < records; ++i) {
        recs.push_back({std::to_string((i * 7919) % 1000 + 1000), false});
      }
      FakeBrowseSource source(recs);
      source.SetOrder(order);
      Browse b(source, 7);
      std::mt19937 random(static_cast<unsigned>(records * 2 + order));
      for (int step = 0; step < 400; ++step) {
        const int op = static_cast<int>(random() % 8);
        if (op < 4) b.model.Scroll(op);
        if (op == 4) b.model.Thumb(static_cast<int>(random() % (records + 2)));
        if (op == 5) b.model.ClickRow(static_cast<int>(random() % 8));
        if (op == 6) b.model.End();
        if (op == 7) b.model.Home();
        const std::vector<BrowseRow>& rows = b.model.Rows();
        ASSERT_FALSE(rows.empty());
        ASSERT_LE(rows.size(), 7u);
        const int64_t top = source.PositionOf(rows.front().recno);
        for (size_t i = 0; i < rows.size(); ++i) {
          ASSERT_EQ(source.PositionOf(rows[i].recno), top + static_cast<int64_t>(i))
              << "records " << records << " order " << order << " step " << step;
          ASSERT_EQ(rows[i].text, "R" + std::to_string(rows[i].recno));
        }
        ASSERT_EQ(b.model.nPos(), b.TruePosition())
            << "records " << records << " order " << order << " step " << step << " op " << op;
      }
    }
  }
}

TEST(BrowseModelTest, DeletedRecordsAreInvisible) {
  std::vector<FakeBrowseSource::Record> recs(12);
  for (int i : {0, 3, 4, 11}) recs[static_cast<size_t>(i)].deleted = true;
  FakeBrowseSource source(recs);
  Browse b(source, 4);
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{2, 3, 6, 7}));
  b.model.PageDown();
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{8, 9, 10, 11}));
  b.model.ClickRow(3);
  b.model.LineDown();  // record 12 is deleted: this is the end
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{8, 9, 10, 11}));
  EXPECT_EQ(b.model.nPos(), b.model.zSatz());
  b.model.Home();
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{2, 3, 6, 7}));
  b.model.End();
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{8, 9, 10, 11}));
  EXPECT_EQ(b.model.SelectedRecord(), 11);
  // A page asked to start on a deleted record starts on the next visible one.
  b.model.RefreshPage(0, 4);
  EXPECT_EQ(b.Records(), (std::vector<int64_t>{6, 7, 8, 9}));
  for (const BrowseRow& row : b.model.Rows()) EXPECT_FALSE(row.deleted);
}

TEST(BrowseModelTest, RecordNumbersAboveSevenDigitsStayRight) {
  FakeBrowseSource source(30, 9999990);  // records 9999990 ... 10000019
  Browse b(source);
  b.model.End();
  EXPECT_EQ(b.model.SelectedRecord(), 10000019);
  EXPECT_EQ(b.model.Rows().front().recno, 10000010);
  b.model.RefreshPage(0, 10000000);
  EXPECT_EQ(b.model.Rows().front().recno, 10000000);
  EXPECT_EQ(b.model.Rows().front().text, "R10000000");
  EXPECT_EQ(b.model.nPos(), 11);
  b.model.LineUp();
  EXPECT_EQ(b.model.SelectedRecord(), 9999999);
  EXPECT_EQ(b.model.nPos(), 10);
}

TEST(BrowseModelTest, RefreshAllPlacesTheRecordAsked) {
  FakeBrowseSource source(100);
  Browse b(source);
  struct Case {
    int row;
    int64_t record;
    int64_t firstShown;
    int selectedRow;
  };
  // record > 0 opens the page; -3 puts the current record on the last row.
  for (const Case& c : {Case{0, 40, 40, 0}, Case{3, 50, 50, 3}, Case{0, 96, 96, 0}}) {
    EXPECT_EQ(b.model.RefreshAll(c.row, c.record), 100);
    EXPECT_EQ(b.model.Rows().front().recno, c.firstShown);
    EXPECT_EQ(b.model.SelectedRow(), c.selectedRow);
    EXPECT_EQ(b.model.nPos(), b.TruePosition());
  }
  // -3 steps back from the current record by the rows present less one.
  b.model.RefreshAll(0, 40);
  source.GoTo(60);
  b.model.RefreshAll(0, -3);
  EXPECT_EQ(b.model.Rows().back().recno, 60);
  EXPECT_EQ(b.model.SelectedRecord(), 60);
  EXPECT_EQ(b.model.nPos(), 60);
  // A page short of rows (it ends with the last record): the current record is still the
  // selected one.
  b.model.RefreshAll(0, 96);
  ASSERT_EQ(b.model.Rows().size(), 5u);
  source.GoTo(60);
  b.model.RefreshAll(0, -3);
  EXPECT_EQ(b.model.SelectedRecord(), 60);
  EXPECT_EQ(b.model.nPos(), 60);
}

TEST(BrowseModelTest, VisibleRowsFollowTheWindow) {
  FakeBrowseSource source(100);
  Browse b(source);
  b.model.PageDown();
  b.model.ClickRow(8);  // record 19
  b.model.SetVisibleRows(5);
  EXPECT_EQ(b.Records(), Range(15, 19));
  EXPECT_EQ(b.model.SelectedRecord(), 19);
  EXPECT_EQ(b.model.nPos(), 19);
  b.model.SetVisibleRows(12);
  EXPECT_EQ(b.Records(), Range(15, 26));
  EXPECT_EQ(b.model.SelectedRecord(), 19);
  b.model.End();
  b.model.SetVisibleRows(14);  // nothing after the last record
  EXPECT_EQ(b.Records(), Range(89, 100));
  b.model.SetVisibleRows(0);  // at least one row
  EXPECT_EQ(b.model.VisibleRows(), 1);
  EXPECT_EQ(b.Records(), std::vector<int64_t>{100});
}

std::vector<FakeBrowseSource::Record> Names() {
  return {{"MAIER"}, {"ADAM"}, {"MEYER"}, {"EBERT"}, {"MUELLER"}, {"ESCH"}, {"BRAUN"}, {"ZANDER"}};
}

TEST(BrowseModelTest, TypingSeeksTheTextTypedWithinTheIdleTime) {
  FakeBrowseSource source(Names());
  source.SetOrder(1);
  Browse b(source, 3);
  EXPECT_TRUE(b.model.TypeChar('M'));
  EXPECT_EQ(b.model.SelectedRecord(), 1);  // MAIER
  b.model.SearchIdle(0.2);
  EXPECT_TRUE(b.model.TypeChar('E'));
  EXPECT_EQ(source.seeks, (std::vector<std::string>{"M", "ME"}));
  EXPECT_EQ(b.model.SelectedRecord(), 3);  // MEYER
  EXPECT_EQ(b.model.SelectedRow(), 0);
  EXPECT_EQ(b.model.nPos(), b.TruePosition());
  // One second later the text is gone: E seeks "E".
  EXPECT_FALSE(b.model.SearchIdle(1.0));
  EXPECT_EQ(b.model.SearchText(), "");
  EXPECT_TRUE(b.model.TypeChar('E'));
  EXPECT_EQ(source.seeks.back(), "E");
  EXPECT_EQ(b.model.SelectedRecord(), 4);  // EBERT
  // A text past every key shows the last record.
  b.model.SearchIdle(1.0);
  EXPECT_TRUE(b.model.TypeChar('Z'));
  EXPECT_TRUE(b.model.TypeChar('Z'));
  EXPECT_EQ(b.model.SelectedRecord(), 8);
}

TEST(BrowseModelTest, SearchTextIsKeptUpToTheIdleLimit) {
  struct Case {
    std::vector<double> ticks;
    bool kept;
  };
  const Case cases[] = {
      {{0.9}, true},
      {{0.9, 0.001}, false},
      {std::vector<double>(13, 0.065), true},   // 0.845 s
      {std::vector<double>(14, 0.065), false},  // 0.91 s
  };
  for (const Case& c : cases) {
    FakeBrowseSource source(Names());
    source.SetOrder(1);
    Browse b(source, 3);
    ASSERT_TRUE(b.model.TypeChar('M'));
    bool pending = true;
    for (double tick : c.ticks) pending = b.model.SearchIdle(tick);
    EXPECT_EQ(pending, c.kept) << c.ticks.size();
    EXPECT_EQ(b.model.SearchText(), c.kept ? "M" : "") << c.ticks.size();
  }
}

TEST(BrowseModelTest, TypingDoesNothingInRecordOrder) {
  FakeBrowseSource source(Names());
  Browse b(source, 3);
  const uint64_t revision = b.model.Revision();
  EXPECT_FALSE(b.model.TypeChar('M'));
  EXPECT_TRUE(source.seeks.empty());
  EXPECT_EQ(b.model.SearchText(), "");
  EXPECT_EQ(b.model.Revision(), revision);
  // An order that cannot be set leaves record order: typing still does nothing.
  source.hasIndex = false;
  EXPECT_FALSE(source.SetOrder(1));
  b.model.RefreshAll(0, -1);
  EXPECT_FALSE(b.model.TypeChar('M'));
  EXPECT_TRUE(source.seeks.empty());
}

// The model reads only the rows it shows: a line or page move walks a page of records,
// whatever the size of the table.
TEST(BrowseModelTest, MovesWalkNoMoreThanAPage) {
  std::vector<std::vector<int64_t>> walked;
  for (int64_t records : {10000, 1000000}) {
    FakeBrowseSource source(records);
    Browse b(source, 20);
    b.model.Thumb(b.model.ScrollMax() / 2);
    std::vector<int64_t> steps;
    for (int code : {3, 1, 2, 0}) {
      source.stepsWalked = 0;
      b.model.Scroll(code);
      steps.push_back(source.stepsWalked);
    }
    for (int thumb : {BrowseModel::kThumbEnd, 1, b.model.ScrollMax() / 2}) {
      source.stepsWalked = 0;
      b.model.Thumb(thumb);
      steps.push_back(source.stepsWalked);
    }
    for (int64_t n : steps) EXPECT_LE(n, 3 * 21) << records;
    walked.push_back(steps);
  }
  EXPECT_EQ(walked[0], walked[1]);
}

}  // namespace
}  // namespace tabrix
