#pragma once
// A browse source over an open table area (data/table/table_area.h).
//
// Every call selects the area and sets the browse's order for its span, then restores the
// caller's current area; the area's controlling order is left as the browse's order (a browse
// owns the order of its area while it shows it). Record pointer moves are the browse's own.
//
// Failures never end the program: every call runs under a local error handler that makes the
// failing operation fail softly. An order that cannot be set (no such order, an index file that
// cannot be read) leaves the source in record order; an error during a move in an order drops
// the source to record order at the first record, and the failure is kept for the caller
// (LastFailure) so the window side can tell the user.
//
// Positions in an order of a table above kCountedPositionLimit records are estimated from
// the index's pages (OrderKeyFraction) and scaled to the record count, and FastSkip jumps to
// the estimated place: counting would read every leaf before the record, on every move of the
// scroll bar. Up to the limit a scroll bar step is one record (the browse does not scale), so
// positions there are counted exactly.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "browse/browse_source.h"
#include "data/base/error.h"

namespace tabrix {

class TableAreaSource : public BrowseSource {
 public:
  static constexpr int64_t kCountedPositionLimit = 32767;

  // area: an area in use. order: the order to browse (-1: the area's current order).
  explicit TableAreaSource(int area, int order = -1);

  void GoTop() override;
  void GoBottom() override;
  void Skip(int64_t n) override;
  void FastSkip(int64_t n) override;
  void GoTo(int64_t recno) override;
  bool AtEnd() override;
  bool AtBeginning() override;
  int64_t RecordNumber() override;
  int64_t RecordCount() override;
  bool IsDeleted() override;
  int Order() override { return order_; }
  bool SetOrder(int order) override;
  int64_t Position() override;
  bool OrderHasCharacterKey() override;
  bool SoftSeek(std::string_view oemKeyText) override;
  // f runs in the area, under the caller's error handler (a row builder handles its own).
  void WithRecord(const std::function<void()>& f) override;

  int Area() const { return area_; }
  // The last error a call met (and survived), if any; cleared by TakeFailure.
  const std::optional<ErrorObject>& LastFailure() const { return failure_; }
  std::optional<ErrorObject> TakeFailure();

 private:
  template <typename F>
  auto Guarded(F&& f, bool inOrder = true);
  void DropToRecordOrder(const ErrorObject& e);

  int area_;
  int order_ = 0;
  bool lastCallFailed_ = false;
  bool upperKey_ = false;  // the key is UPPER(...): typed text is sought upper case
  std::optional<bool> characterKey_;
  std::optional<ErrorObject> failure_;
};

}  // namespace tabrix
