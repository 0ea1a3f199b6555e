#pragma once
// The record the window bridge keeps for every window that has callbacks (its "message
// stack"), independent of the window system so its rules can be tested anywhere.
//
//   dialog part     the dialog's own callback, for windows made by the dialog operations;
//   subclass chain  element 1: the window procedure installed before the first subclassing;
//                   elements 2 ... n: {callback, message filter} in the order they were added.
//
// A message entering the window walks the chain from its top (element n) down: the first
// callback whose filter offers the message gets it, and element 1 (the previous procedure)
// takes anything no callback took. Forwarding from a callback starts the same walk at the
// index the callback got when it was added.
//
// Callbacks are held by shared pointer so that a walk can keep the callback it is running
// alive while that callback destroys its own window (the stack is freed at WM_NCDESTROY,
// possibly in the middle of the callback).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace tabrix {

// Which messages a subclass callback is offered.
class MessageFilter {
 public:
  // Every message (the framework's -1).
  static MessageFilter All() { return MessageFilter(Kind::kAll, {}); }
  // Only the listed message numbers.
  static MessageFilter Only(std::vector<int64_t> messages) {
    return MessageFilter(Kind::kList, std::move(messages));
  }
  // No filter given: the callback is never offered a message.
  static MessageFilter Never() { return MessageFilter(Kind::kNever, {}); }

  bool Offers(uint32_t message) const {
    if (kind_ == Kind::kAll) return true;
    if (kind_ == Kind::kNever) return false;
    for (int64_t m : messages_) {
      if (m == static_cast<int64_t>(message)) return true;
    }
    return false;
  }

 private:
  enum class Kind { kAll, kList, kNever };
  MessageFilter(Kind kind, std::vector<int64_t> messages)
      : kind_(kind), messages_(std::move(messages)) {}
  Kind kind_;
  std::vector<int64_t> messages_;
};

template <class Callback>
class MessageStack {
 public:
  using CallbackPtr = std::shared_ptr<const Callback>;

  // Where a walk delivers a message: a callback, or (callback empty) the previous procedure.
  struct Target {
    CallbackPtr callback;
    bool previousProcedure = false;
  };

  bool HasDialog() const { return hasDialog_; }
  const CallbackPtr& DialogCallback() const { return dialogCallback_; }
  void SetDialog(CallbackPtr callback) {
    hasDialog_ = true;
    dialogCallback_ = std::move(callback);
  }

  bool HasChain() const { return hasChain_; }
  // Chain length n (element 1 included); 0 while the window is not subclassed.
  size_t ChainLength() const { return hasChain_ ? entries_.size() + 1 : 0; }
  uintptr_t PreviousProcedure() const { return previousProcedure_; }

  // Starts the chain with the procedure that was installed before subclassing.
  void StartChain(uintptr_t previousProcedure) {
    hasChain_ = true;
    previousProcedure_ = previousProcedure;
  }

  // Appends {callback, filter} on top (the chain must exist). Returns the index of the entry
  // just below the new one (chain length - 1), which the callback passes on to forward.
  size_t Push(CallbackPtr callback, MessageFilter filter) {
    entries_.push_back(Entry{std::move(callback), std::move(filter)});
    return ChainLength() - 1;
  }

  // Walks from element `from` (1-based) down to element 1 and names the first taker.
  // Nothing when there is no chain or `from` is outside 1 ... chain length.
  std::optional<Target> Find(size_t from, uint32_t message) const {
    if (!hasChain_ || from < 1 || from > ChainLength()) return std::nullopt;
    for (size_t i = from; i >= 2; --i) {
      const Entry& entry = entries_[i - 2];
      if (entry.callback && entry.filter.Offers(message)) return Target{entry.callback, false};
    }
    return Target{nullptr, true};
  }

 private:
  struct Entry {
    CallbackPtr callback;  // empty: an inert entry (added without a callback)
    MessageFilter filter;
  };
  bool hasDialog_ = false;
  CallbackPtr dialogCallback_;
  bool hasChain_ = false;
  uintptr_t previousProcedure_ = 0;
  std::vector<Entry> entries_;
};

}  // namespace tabrix
