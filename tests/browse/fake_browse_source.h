#pragma once
// A browse source over records held in memory, with the table layer's position rules (deleted
// records invisible, AtEnd past the last, AtBeginning before the first) and a log of the moves
// the model asked for, so tests can tell which route a jump took.

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "browse/browse_source.h"

namespace tabrix::testing_support {

class FakeBrowseSource : public BrowseSource {
 public:
  struct Record {
    std::string key;
    bool deleted = false;
  };

  // count records without keys; record numbers run firstRecno ... firstRecno + count - 1.
  explicit FakeBrowseSource(int64_t count, int64_t firstRecno = 1)
      : records_(static_cast<size_t>(count)), firstRecno_(firstRecno) {
    Rebuild();
  }
  explicit FakeBrowseSource(std::vector<Record> records) : records_(std::move(records)) {
    Rebuild();
  }

  // Order 1 sorts by key (a character key, sought as given); hasIndex false makes SetOrder(1)
  // fail as a missing index does.
  bool hasIndex = true;

  struct Jump {
    int64_t fromPosition;  // 1-based position in the order where the jump started
    int64_t n;
  };
  std::vector<Jump> jumps;         // FastSkip calls
  std::vector<std::string> seeks;  // SoftSeek texts
  int tops = 0;
  int bottoms = 0;
  int64_t stepsWalked = 0;  // records passed by Skip

  void GoTop() override {
    ++tops;
    at_ = 0;
    Settle(true);
    atEnd_ = atBeginning_ = at_ == End();
  }
  void GoBottom() override {
    ++bottoms;
    at_ = End() - 1;
    Settle(false);
    atEnd_ = atBeginning_ = at_ == End();
  }
  void Skip(int64_t n) override {
    atEnd_ = atBeginning_ = false;
    for (; n > 0; --n) {
      if (at_ >= End()) break;
      size_t next = at_ + 1;
      while (next < End() && Deleted(next)) ++next;
      stepsWalked += static_cast<int64_t>(next - at_);
      at_ = next;
      if (at_ == End()) {
        atEnd_ = true;
        return;
      }
    }
    for (; n < 0; ++n) {
      size_t prev = at_;
      bool found = false;
      while (prev > 0) {
        --prev;
        if (!Deleted(prev)) {
          found = true;
          break;
        }
      }
      if (!found) {
        at_ = 0;
        Settle(true);
        atBeginning_ = true;
        atEnd_ = at_ == End();
        return;
      }
      stepsWalked += static_cast<int64_t>(at_ - prev);
      at_ = prev;
    }
  }
  void FastSkip(int64_t n) override {
    jumps.push_back({static_cast<int64_t>(at_) + 1, n});
    atEnd_ = atBeginning_ = false;
    const int64_t target = static_cast<int64_t>(at_) + n;
    if (target >= static_cast<int64_t>(End())) {
      at_ = End();
      atEnd_ = true;
      return;
    }
    at_ = static_cast<size_t>(std::max<int64_t>(0, target));
    if (Deleted(at_)) Skip(1);
  }
  void GoTo(int64_t recno) override {
    atBeginning_ = false;
    const int64_t i = recno - firstRecno_;
    if (i < 0 || i >= static_cast<int64_t>(records_.size())) {
      at_ = End();
      atEnd_ = true;
      return;
    }
    at_ = placeOf_[static_cast<size_t>(i)];
    atEnd_ = false;
  }
  bool AtEnd() override { return atEnd_; }
  bool AtBeginning() override { return atBeginning_; }
  int64_t RecordNumber() override {
    return at_ == End() ? firstRecno_ + static_cast<int64_t>(records_.size())
                        : firstRecno_ + static_cast<int64_t>(sequence_[at_]);
  }
  int64_t RecordCount() override { return static_cast<int64_t>(records_.size()); }
  bool IsDeleted() override { return at_ != End() && Deleted(at_); }
  int Order() override { return order_; }
  bool SetOrder(int order) override {
    const int64_t here = RecordNumber();
    order_ = (order == 1 && hasIndex) ? 1 : 0;
    Rebuild();
    GoTo(here);
    return order_ == order;
  }
  int64_t Position() override { return at_ == End() ? 0 : static_cast<int64_t>(at_) + 1; }
  bool OrderHasCharacterKey() override { return order_ == 1; }
  bool SoftSeek(std::string_view text) override {
    seeks.emplace_back(text);
    if (order_ == 0) return false;
    atEnd_ = atBeginning_ = false;
    at_ = 0;
    while (at_ < End() && (Key(at_) < text || Deleted(at_))) ++at_;
    if (at_ == End()) {
      atEnd_ = true;
      return false;
    }
    return Key(at_).substr(0, text.size()) == text;
  }

  // The position in the order (1-based) of a record number.
  int64_t PositionOf(int64_t recno) const {
    return static_cast<int64_t>(placeOf_[static_cast<size_t>(recno - firstRecno_)]) + 1;
  }
  // The record number at a position in the order.
  int64_t RecnoAt(int64_t position) const {
    return firstRecno_ + static_cast<int64_t>(sequence_[static_cast<size_t>(position - 1)]);
  }

 private:
  size_t End() const { return sequence_.size(); }
  bool Deleted(size_t at) const { return records_[sequence_[at]].deleted; }
  const std::string& Key(size_t at) const { return records_[sequence_[at]].key; }
  // Onto the first visible record from at_ in the direction asked, or the end.
  void Settle(bool forward) {
    if (forward) {
      while (at_ < End() && Deleted(at_)) ++at_;
      return;
    }
    while (at_ < End() && Deleted(at_)) {
      if (at_ == 0) {
        at_ = End();
        return;
      }
      --at_;
    }
  }
  void Rebuild() {
    sequence_.resize(records_.size());
    for (size_t i = 0; i < records_.size(); ++i) sequence_[i] = i;
    if (order_ == 1) {
      std::stable_sort(sequence_.begin(), sequence_.end(),
                       [this](size_t a, size_t b) { return records_[a].key < records_[b].key; });
    }
    placeOf_.resize(records_.size());
    for (size_t i = 0; i < sequence_.size(); ++i) placeOf_[sequence_[i]] = i;
    at_ = std::min(at_, End());
  }

  std::vector<Record> records_;
  int64_t firstRecno_ = 1;
  std::vector<size_t> sequence_;  // record indexes in order
  std::vector<size_t> placeOf_;   // record index -> place in sequence_
  size_t at_ = 0;
  bool atEnd_ = false;
  bool atBeginning_ = false;
  int order_ = 0;
};

}  // namespace tabrix::testing_support
