#pragma once
// What a grid browse walks: one table in one order. The browse never reads more than the rows
// it shows, so every move here must be cheap: positions come from the order's key position (in
// record order the record number), never from counting.
//
// Deleted records are invisible: GoTop, GoBottom and Skip pass over them (the table layer's
// rule); GoTo lands on any record. Every move fails softly: a source that cannot move (damaged
// index, a table gone) ends up at a defined place, in record order if the order failed, and
// never ends the program. Sources only read: a browse never writes its table.
//
// Text is the stored table text (OEM code page 850); the window side converts.

#include <cstdint>
#include <functional>
#include <string_view>

namespace tabrix {

class BrowseSource {
 public:
  virtual ~BrowseSource() = default;

  // First / last visible record of the order; both set AtEnd() and AtBeginning() when the
  // table has no visible record.
  virtual void GoTop() = 0;
  virtual void GoBottom() = 0;
  // n visible records on (back for n < 0). Past the last one: AtEnd(), at the end position;
  // before the first one: AtBeginning(), on the first visible record.
  virtual void Skip(int64_t n) = 0;
  // Lands about n keys away where the order allows it without visiting every record between
  // (deleted records may count as steps), then on a visible record; used for thumb jumps,
  // where the position is recomputed afterwards. Defaults to Skip.
  virtual void FastSkip(int64_t n) { Skip(n); }
  virtual void GoTo(int64_t recno) = 0;
  virtual bool AtEnd() = 0;
  virtual bool AtBeginning() = 0;
  virtual int64_t RecordNumber() = 0;
  // Records in the table, deleted ones included (the scroll range of a browse without scope).
  virtual int64_t RecordCount() = 0;
  virtual bool IsDeleted() = 0;

  // The order the browse uses: 0 record order, 1 ... the table's orders.
  virtual int Order() = 0;
  // false: the order cannot be used (no such order, unreadable index); the source is then in
  // record order and Order() answers 0.
  virtual bool SetOrder(int order) = 0;
  // 1-based position of the current record in the order (record order: the record number);
  // 0 when unknown (end position, no key).
  virtual int64_t Position() = 0;
  // Whether the order's key is character data, so typed text can be sought in it.
  virtual bool OrderHasCharacterKey() = 0;
  // Soft seek of typed text (OEM bytes) on a character key: positions on the first record
  // whose key starts with the text, else on the next greater key, else at the end (AtEnd()).
  // The source brings the text to the key's case (an UPPER() key is sought upper case).
  // Returns whether a key starting with the text was found; false and no move in record order
  // or on a key that is not character data.
  virtual bool SoftSeek(std::string_view oemKeyText) = 0;

  // Runs f with the source's table current (a table area source makes its area current and
  // restores the caller's afterwards), so that a row builder reads the source's record.
  virtual void WithRecord(const std::function<void()>& f) { f(); }
};

}  // namespace tabrix
