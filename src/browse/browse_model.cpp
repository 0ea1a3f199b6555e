#include "browse/browse_model.h"

#include <algorithm>
#include <cstdlib>

namespace tabrix {

namespace {

// Scroll bar ranges are 16-bit: above these counts the bar shows nPos / 10 or nPos / 100.
constexpr int64_t kUnscaledLimit = 32767;
constexpr int64_t kTenfoldLimit = 327670;

// Sets a flag for the span of a scope, so that a call arriving from a message pump inside the
// row builder is dropped instead of moving the rows under the running one.
class Guard {
 public:
  explicit Guard(bool* flag) : flag_(flag) { *flag_ = true; }
  ~Guard() { *flag_ = false; }
  Guard(const Guard&) = delete;
  Guard& operator=(const Guard&) = delete;

 private:
  bool* flag_;
};

}  // namespace

BrowseModel::BrowseModel(BrowseSource& source, RowBuilder buildRow)
    : source_(source), buildRow_(std::move(buildRow)) {}

int64_t BrowseModel::SelectedRecord() const {
  return rows_.empty() ? 0 : rows_[static_cast<size_t>(selected_)].recno;
}

// ---- the scope ------------------------------------------------------------------------------

void BrowseModel::ScopeTop() {
  source_.GoTop();
}

void BrowseModel::ScopeBottom() {
  source_.GoBottom();
}

bool BrowseModel::AtScopeEnd() {
  return source_.AtEnd();
}

bool BrowseModel::AtScopeBeginning() {
  return source_.AtBeginning();
}

void BrowseModel::SkipFilter(int64_t n) {
  if (n != 0) source_.Skip(n);
}

int64_t BrowseModel::ScopePosition() {
  const int64_t recno = source_.RecordNumber();
  int64_t position = recno == nTopRec_ ? 1 : source_.Position();
  return std::clamp<int64_t>(position, 1, std::max<int64_t>(1, zSatz_));
}

// ---- counting -------------------------------------------------------------------------------

void BrowseModel::Recount() {
  ScopeTop();
  if (AtScopeEnd()) {
    zSatz_ = 0;
    nPos_ = 0;
    nScale_ = 1;
    return;
  }
  nTopRec_ = source_.RecordNumber();
  // Without scope bounds the count is the table's: counting visible records would read them
  // all. Deleted records therefore count; positions (key positions) count them as well.
  zSatz_ = std::max<int64_t>(1, source_.RecordCount());
  nScale_ = zSatz_ <= kUnscaledLimit ? 1 : zSatz_ <= kTenfoldLimit ? 10 : 100;
  nPos_ = 1;
}

// ---- filling rows ---------------------------------------------------------------------------

BrowseRow BrowseModel::BuildRow() {
  BrowseRow row;
  row.recno = source_.RecordNumber();
  row.deleted = source_.IsDeleted();
  if (buildRow_) source_.WithRecord([&] { row.text = buildRow_(); });
  if (source_.RecordNumber() != row.recno) source_.GoTo(row.recno);
  return row;
}

int BrowseModel::FillFrom(int64_t stopAfter) {
  rows_.clear();
  reachedEnd_ = false;
  if (AtScopeEnd()) {
    reachedEnd_ = true;
    return 0;
  }
  while (static_cast<int>(rows_.size()) < nGesamt_) {
    rows_.push_back(BuildRow());
    if (stopAfter > 0 && rows_.back().recno == stopAfter) {
      reachedEnd_ = true;
      break;
    }
    SkipFilter(1);
    if (AtScopeEnd()) {
      reachedEnd_ = true;
      break;
    }
  }
  selected_ = std::clamp(selected_, 0, std::max(0, LastRow()));
  Changed();
  return static_cast<int>(rows_.size());
}

void BrowseModel::FillLastPage() {
  ScopeBottom();
  SkipFilter(1 - nGesamt_);
  FillFrom();
}

void BrowseModel::Select(int row) {
  selected_ = std::clamp(row, 0, std::max(0, LastRow()));
  Changed();
}

// ---- refresh --------------------------------------------------------------------------------

int64_t BrowseModel::RefreshAll(int row, int64_t record) {
  refreshed_ = true;
  if (record == -1) {
    ScopeTop();
    record = -2;
  }
  int64_t show = record;
  if (record < 0) show = source_.RecordNumber();
  if (record == 0) show = rows_.empty() ? 0 : rows_.front().recno;
  Recount();
  if (zSatz_ == 0) {
    rows_.clear();
    selected_ = 0;
    Changed();
    return 0;
  }
  if (show > 0) source_.GoTo(show);
  if (row == -1) row = std::clamp(selected_, 0, std::max(0, LastRow()));
  if (record == -3) {
    // The current record on the last row: the page starts (rows present - 1) records back.
    const int back = std::max(0, static_cast<int>(rows_.size()) - 1);
    SkipFilter(-back);
    row = back;
  }
  RefreshPage(row, -2);
  return zSatz_;
}

void BrowseModel::RefreshPage(int row, int64_t record) {
  if (row == -1 || row == 65535) row = selected_;
  int mode = 0;
  if (record == 0) {
    mode = 1;
    if (!rows_.empty()) source_.GoTo(rows_.front().recno);
  } else if (record > 0) {
    source_.GoTo(record);
  }
  if (source_.IsDeleted()) SkipFilter(1);
  Reposition(mode, row);
}

void BrowseModel::Reposition(int mode, int row) {
  if (mode == 2) return Scroll(kLineUp);
  if (mode == 3) return Scroll(kLineDown);
  if (zSatz_ == 0) {
    rows_.clear();
    Changed();
    return;
  }
  // The position is the selected row's: the first row's place plus the row.
  int64_t first = 1;
  if (AtScopeEnd()) {
    ScopeTop();
  } else {
    first = ScopePosition();
  }
  FillFrom();
  Select(row);
  nPos_ = std::clamp<int64_t>(first + selected_, 1, zSatz_);
}

void BrowseModel::SetVisibleRows(int nGesamt) {
  nGesamt = std::max(1, nGesamt);
  if (nGesamt == nGesamt_) return;
  nGesamt_ = nGesamt;
  if (rows_.empty()) return;
  // Fewer rows: drop from the bottom, or from the top as far as needed to keep the selected
  // record on the page. The selected record stays, so nPos does too.
  if (static_cast<int>(rows_.size()) > nGesamt_) {
    const int fromTop = std::max(0, selected_ - (nGesamt_ - 1));
    rows_.erase(rows_.begin(), rows_.begin() + fromTop);
    selected_ -= fromTop;
    rows_.resize(static_cast<size_t>(nGesamt_));
    Changed();
    return;
  }
  // More rows: append after the last row while the scope lasts.
  source_.GoTo(rows_.back().recno);
  while (static_cast<int>(rows_.size()) < nGesamt_) {
    SkipFilter(1);
    if (AtScopeEnd()) break;
    rows_.push_back(BuildRow());
  }
  Changed();
}

// ---- positioning ----------------------------------------------------------------------------

void BrowseModel::Scroll(int code, int position) {
  if (scrolling_ || zSatz_ == 0 || rows_.empty()) return;
  Guard guard(&scrolling_);
  const int last = LastRow();
  switch (code) {
    case kLineDown: {
      if (selected_ < last) {
        Select(selected_ + 1);
        nPos_ = std::min(nPos_ + 1, zSatz_);
        break;
      }
      source_.GoTo(rows_.back().recno);
      SkipFilter(1);
      if (AtScopeEnd()) {
        // The last record is on the selected last row already.
        nPos_ = zSatz_;
        break;
      }
      if (static_cast<int>(rows_.size()) >= nGesamt_) rows_.erase(rows_.begin());
      rows_.push_back(BuildRow());
      selected_ = LastRow();
      Changed();
      nPos_ = std::min(nPos_ + 1, zSatz_);
      // At the scope's end the position is the count, whatever deleted records did to it.
      SkipFilter(1);
      if (AtScopeEnd()) nPos_ = zSatz_;
      break;
    }
    case kLineUp: {
      if (selected_ > 0) {
        Select(selected_ - 1);
        nPos_ = std::max<int64_t>(nPos_ - 1, 1);
        break;
      }
      source_.GoTo(rows_.front().recno);
      SkipFilter(-1);
      if (AtScopeBeginning()) {
        nPos_ = 1;
        break;
      }
      if (static_cast<int>(rows_.size()) >= nGesamt_) rows_.pop_back();
      rows_.insert(rows_.begin(), BuildRow());
      selected_ = 0;
      Changed();
      nPos_ = std::max<int64_t>(nPos_ - 1, 1);
      break;
    }
    case kPageDown: {
      const int oldSelected = selected_;
      source_.GoTo(rows_.back().recno);
      SkipFilter(1);
      if (AtScopeEnd()) {
        // The last record is shown already: it becomes the selected one, so that the scroll
        // bar's end and the selection agree.
        nPos_ = zSatz_;
        Select(last);
        break;
      }
      const int added = FillFrom();
      nPos_ = reachedEnd_ ? zSatz_ : std::min(nPos_ + added, zSatz_);
      const int newLast = LastRow();
      Select(
          std::min<int64_t>(newLast, std::max<int64_t>(oldSelected, newLast - (zSatz_ - nPos_))));
      break;
    }
    case kPageUp: {
      const int oldSelected = selected_;
      source_.GoTo(rows_.front().recno);
      SkipFilter(-nGesamt_);
      const bool atBeginning = AtScopeBeginning();
      if (atBeginning) ScopeTop();
      const int filled = FillFrom();
      if (atBeginning) {
        nPos_ = 1;
        Select(0);
      } else {
        nPos_ = std::max<int64_t>(nPos_ - filled, 1);
        Select(oldSelected);
      }
      break;
    }
    case kThumb:
      ThumbTo(position);
      break;
    default:
      break;
  }
}

void BrowseModel::ThumbTo(int position) {
  int64_t t = position;
  if (t > 1) {
    if (t == kThumbEnd || t == zSatz_ / nScale_) {
      t = zSatz_;
    } else {
      t *= nScale_;
    }
  }
  const int64_t oldPos = nPos_;
  const int64_t caretRecord = SelectedRecord();
  nPos_ = std::clamp<int64_t>(t, 1, zSatz_);
  int64_t stopAfter = 0;
  bool atTop = false;
  bool lastPage = false;
  if (t < 2) {
    ScopeTop();
    atTop = true;
  } else if (t < (zSatz_ / nScale_) * nScale_ && t < zSatz_) {
    // The cheapest of three routes to position t; the caret row's wins ties.
    const int64_t fromTop = t;
    const int64_t fromBottom = zSatz_ - t;
    const int64_t fromCaret = std::llabs(t - oldPos);
    if (fromCaret <= fromTop && fromCaret <= fromBottom && caretRecord > 0) {
      source_.GoTo(caretRecord);
      source_.FastSkip(t - oldPos);
    } else if (fromTop <= fromBottom) {
      ScopeTop();
      source_.FastSkip(t - 1);
    } else {
      ScopeBottom();
      source_.FastSkip(t - zSatz_);
    }
    if (AtScopeEnd()) lastPage = true;
  } else {
    lastPage = true;
  }
  if (lastPage) {
    // The last page ends with the scope's last record, which is the selected one.
    ScopeBottom();
    stopAfter = source_.RecordNumber();
    SkipFilter(1 - nGesamt_);
    nPos_ = zSatz_;
  }
  if (AtScopeEnd()) ScopeTop();
  FillFrom(stopAfter);
  if (!lastPage && reachedEnd_ && static_cast<int>(rows_.size()) < nGesamt_) {
    FillLastPage();
  }
  const int last = LastRow();
  if (atTop) {
    Select(0);
  } else if (lastPage) {
    Select(last);
  } else {
    Select(
        static_cast<int>(std::min<int64_t>(last, std::max<int64_t>(0, last - (zSatz_ - nPos_)))));
  }
}

// ---- mouse and typing -----------------------------------------------------------------------

bool BrowseModel::ClickRow(int row) {
  if (row < 0 || row > LastRow()) return false;
  const int d = row - selected_;
  if (d == 0) return true;
  nPos_ = std::clamp<int64_t>(nPos_ + d, 1, std::max<int64_t>(1, zSatz_));
  Select(row);
  return true;
}

bool BrowseModel::TypeChar(char oemChar) {
  if (seeking_ || zSatz_ == 0) return false;
  if (source_.Order() == 0 || !source_.OrderHasCharacterKey()) return false;
  Guard guard(&seeking_);
  searchIdle_ = 0;
  searchText_ += oemChar;
  (void)source_.SoftSeek(searchText_);
  if (AtScopeEnd()) ScopeBottom();
  if (source_.RecordNumber() != SelectedRecord()) Reposition(1, 0);
  return true;
}

bool BrowseModel::SearchIdle(double seconds) {
  if (searchText_.empty()) return false;
  searchIdle_ += seconds;
  if (searchIdle_ > kSearchIdleSeconds) {
    searchText_.clear();
    searchIdle_ = 0;
    return false;
  }
  return true;
}

}  // namespace tabrix
