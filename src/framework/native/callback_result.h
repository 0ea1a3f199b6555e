#pragma once
// What a window or dialog callback answers, and the one rule that turns that answer into the
// number the native window or dialog procedure returns:
//
//   integer                 itself
//   real number             truncated toward zero (NaN gives 0; beyond the integer range it
//                           saturates, where a plain cast would be undefined)
//   logical                 true 1, false 0
//   date                    its day number (Julian day; the empty date gives 0)
//   one-character text      the character's code (0 ... 255)
//   anything else, nothing  0
//
// A callback that wants the message to go on to default processing answers "nothing"
// (MsgResult{} or kNoResult); IsNone() tells such an answer apart from an explicit 0.

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

#include "data/base/value.h"

namespace tabrix {

class MsgResult {
 public:
  MsgResult() = default;
  MsgResult(bool value) : value_(value) {}
  MsgResult(int value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(long value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(long long value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(unsigned value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(unsigned long value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(unsigned long long value) : value_(static_cast<int64_t>(value)) {}
  MsgResult(double value) : value_(value) {}
  MsgResult(const Date& value) : value_(value) {}
  MsgResult(std::string_view text) : value_(TextAnswer::Of(text)) {}
  MsgResult(const std::string& text) : value_(TextAnswer::Of(text)) {}
  MsgResult(const char* text) : value_(TextAnswer::Of(text)) {}

  bool IsNone() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsNumber() const {
    return std::holds_alternative<int64_t>(value_) || std::holds_alternative<double>(value_);
  }
  // The converted number (see the table above).
  int64_t ToNumber() const;

 private:
  // A text answer keeps only what it converts to, so the answer stays a plain value.
  struct TextAnswer {
    int64_t code = 0;
    static TextAnswer Of(std::string_view text) {
      return TextAnswer{text.size() == 1 ? static_cast<unsigned char>(text[0]) : 0};
    }
  };
  std::variant<std::monostate, int64_t, double, bool, Date, TextAnswer> value_;
};

inline const MsgResult kNoResult{};

}  // namespace tabrix
