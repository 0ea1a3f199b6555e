#pragma once
// The rows a grid browse shows and the rules that move them, without any window.
//
// The model holds only the visible rows (at most nGesamt): every move walks the source and
// refills rows from it. It keeps the browse's counting state: zSatz (records in the scope, the
// scroll range), nPos (the selected record's place in the scope, 1 ... zSatz) and nScale (the
// scroll bar shows nPos / nScale so that the range stays within 16 bits).
//
// The scope is the whole order for now; its first and last record, its ends and the skip over
// it are the model's own functions (ScopeTop, ScopeBottom, AtScopeEnd, AtScopeBeginning,
// SkipFilter), the one place where key ranges and record filters will join.
//
// The window side mirrors Rows() into its list box (record numbers travel as item data, never
// parsed out of the text), shows ScrollPos() in the scroll bar and feeds input in: scroll codes,
// thumb positions, clicks, typed OEM characters and timer ticks. Revision() changes whenever
// the rows or the selection change, so it knows when to repaint.
//
// Single-threaded. Moves arriving while one runs (from a message pump inside the row builder)
// are dropped.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "browse/browse_source.h"

namespace tabrix {

struct BrowseRow {
  int64_t recno = 0;
  std::string text;  // the row string as the row builder made it
  bool deleted = false;
};

class BrowseModel {
 public:
  // The row text of the source's current record, called inside BrowseSource::WithRecord. It
  // may move the record pointer; the model puts it back.
  using RowBuilder = std::function<std::string()>;

  // Scroll codes of Set_Scroll.
  static constexpr int kLineUp = 0;
  static constexpr int kLineDown = 1;
  static constexpr int kPageUp = 2;
  static constexpr int kPageDown = 3;
  static constexpr int kThumb = 5;
  // Thumb position meaning "the last record".
  static constexpr int kThumbEnd = 32767;
  // Incremental search: the text is forgotten after this much idle time.
  static constexpr double kSearchIdleSeconds = 0.9;

  // REQUIRES: source outlives the model. Holds no rows until the first RefreshAll.
  BrowseModel(BrowseSource& source, RowBuilder buildRow);
  BrowseModel(const BrowseModel&) = delete;
  BrowseModel& operator=(const BrowseModel&) = delete;

  // Number of visible rows (at least 1). A filled page is refilled from its first row's
  // record, keeping the selected record where it still fits.
  void SetVisibleRows(int nGesamt);
  int VisibleRows() const { return nGesamt_; }

  // Recounts the scope and refills the page. record: -1 the scope's first record, -2 the
  // source's current record, -3 the current record shown on the last row, 0 the first record,
  // > 0 that record. row: the row to select (-1 the selected row). Returns zSatz.
  int64_t RefreshAll(int row = 0, int64_t record = -1);
  // Refills the page starting at a record (< 0 the current record, 0 the first row's record)
  // with the selection on row (-1 the selected row).
  void RefreshPage(int row, int64_t record);
  // Refills the page from the source's current record forward and selects row (clamped);
  // computes nPos from the record's position. modes 2 / 3 are a line up / down.
  void Reposition(int mode, int row);

  // Set_Scroll: codes 0 ... 3 and 5 (position = thumb position for 5). Nothing while the
  // scope is empty.
  void Scroll(int code, int position = 0);
  void LineUp() { Scroll(kLineUp); }
  void LineDown() { Scroll(kLineDown); }
  void PageUp() { Scroll(kPageUp); }
  void PageDown() { Scroll(kPageDown); }
  void Thumb(int position) { Scroll(kThumb, position); }
  void Home() { Thumb(1); }         // Ctrl+Home
  void End() { Thumb(kThumbEnd); }  // Ctrl+End

  // Mouse on row `row` (0-based): the selection moves there and nPos moves by the row
  // difference. false when no row is there.
  bool ClickRow(int row);

  // Incremental search: appends the typed character (OEM) to the search text, soft-seeks it
  // and shows the record found on the first row. false (and nothing changes) in record order,
  // on a key that is not character data, or with an empty scope.
  bool TypeChar(char oemChar);
  // Idle time passed since the last call (the window side's 65 ms timer). After more than
  // kSearchIdleSeconds without a typed character the text is cleared; answers whether a
  // search is still pending (the timer may stop when not).
  bool SearchIdle(double seconds);
  const std::string& SearchText() const { return searchText_; }

  // The rows shown, top to bottom (at most nGesamt).
  const std::vector<BrowseRow>& Rows() const { return rows_; }
  // Selected row index, -1 when there are no rows.
  int SelectedRow() const { return rows_.empty() ? -1 : selected_; }
  // Record of the selected row, 0 when none.
  int64_t SelectedRecord() const;

  int64_t zSatz() const { return zSatz_; }
  int64_t nPos() const { return nPos_; }
  int nScale() const { return nScale_; }
  int64_t nTopRec() const { return nTopRec_; }
  // The scroll bar: range ScrollMin() ... ScrollMax() (1 ... 0 when empty), thumb at
  // ScrollPos(), enabled exactly when the scope is not empty.
  int ScrollMin() const { return 1; }
  int ScrollMax() const { return static_cast<int>(zSatz_ / nScale_); }
  int ScrollPos() const { return static_cast<int>(nPos_ / nScale_); }
  bool ScrollEnabled() const { return zSatz_ > 0; }
  bool Refreshed() const { return refreshed_; }
  uint64_t Revision() const { return revision_; }

  BrowseSource& Source() { return source_; }

 private:
  // ---- the scope (the whole order for now) ----
  void ScopeTop();
  void ScopeBottom();
  bool AtScopeEnd();
  bool AtScopeBeginning();
  void SkipFilter(int64_t n);
  // Position of the current record in the scope, clamped to 1 ... zSatz.
  int64_t ScopePosition();

  // ResetScrollRange.
  void Recount();
  // Builds the row of the current record and puts the pointer back if the builder moved it.
  BrowseRow BuildRow();
  // Fills rows from the current record forward until the page is full or the scope ends;
  // stopAfter > 0 ends the fill after that record. Returns the rows added.
  int FillFrom(int64_t stopAfter = 0);
  // Fills so that the page ends with the scope's last record.
  void FillLastPage();
  void Select(int row);
  void Changed() { ++revision_; }
  void ThumbTo(int position);
  int LastRow() const { return static_cast<int>(rows_.size()) - 1; }

  BrowseSource& source_;
  RowBuilder buildRow_;
  std::vector<BrowseRow> rows_;
  int nGesamt_ = 1;
  int selected_ = 0;
  int64_t zSatz_ = 0;
  int64_t nPos_ = 0;
  int nScale_ = 1;
  int64_t nTopRec_ = 1;
  bool refreshed_ = false;
  bool reachedEnd_ = false;  // the last fill met the scope's end
  bool scrolling_ = false;   // Set_Scroll's re-entry guard
  bool seeking_ = false;     // the search step's re-entry guard
  std::string searchText_;
  double searchIdle_ = 0;
  uint64_t revision_ = 0;
};

}  // namespace tabrix
