#pragma once
// What goes wrong with an expression, and the result types that carry it.
//
// Compiling and evaluating never raise and never throw: they return an ExprError naming the
// expression text, the 1-based character position of the part that failed (0 when no single
// place is to blame) and what is wrong, in English developer text. The table layer turns it
// into the error object of the current handler (ToErrorObject) when the caller wants one, with
// its own subsystem (the driver name) and operation.
//
// Generic codes follow the numbering xBase programs use in their error objects, so that a log
// line reads the same as one from another program of the family. Stored in logs; never
// renumber.

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "data/base/error.h"

namespace tabrix {

// The generic codes of expression errors (data/base/error.h numbers them all):
//   1 kGenArg             an argument of the wrong type or out of range
//   3 kGenStringOverflow  a character result longer than the evaluator builds
//   4 kGenNumOverflow     a number or date outside what its type holds
//   5 kGenZeroDiv         division by zero
//   7 kGenSyntax          the text is not an expression
//   8 kGenComplexity      nested deeper than the evaluator follows
//  12 kGenNoFunction      unknown function
//  14 kGenNoVariable      unknown field name
//  15 kGenNoAlias         an alias that is not the table's own
//  33 kGenDataType        a field value of another type than its structure row says

struct ExprError {
  int genCode = kGenSyntax;
  std::string expression;  // the whole text as compiled
  int position = 0;        // 1-based character position in `expression`; 0: no single place
  std::string message;     // what is wrong, e.g. "unknown function FOO"

  // `unknown function FOO at position 3 in "x+FOO(1)"`; without a position the " at ..." part
  // is left out.
  std::string ToString() const;
};

// The error object for the current handler: genCode, subsystem "EXPR" (callers may put their
// driver name there), description = ToString(), operation = the expression text, severity 2,
// neither retry nor default.
ErrorObject ToErrorObject(const ExprError& error);

// Success or an ExprError. Success is a null pointer: evaluation returns one for every record
// of an index build, and an error held by value would be built and destroyed each time.
class [[nodiscard]] ExprStatus {
 public:
  ExprStatus() = default;
  ExprStatus(ExprError error) : error_(std::make_unique<ExprError>(std::move(error))) {}

  bool ok() const { return !error_; }
  explicit operator bool() const { return ok(); }
  // REQUIRES: !ok().
  const ExprError& error() const { return *error_; }

 private:
  std::unique_ptr<ExprError> error_;
};

// A value or an ExprError.
template <typename T>
class [[nodiscard]] ExprResult {
 public:
  ExprResult(T value) : v_(std::move(value)) {}
  ExprResult(ExprError error) : v_(std::move(error)) {}

  bool ok() const { return v_.index() == 0; }
  explicit operator bool() const { return ok(); }
  // REQUIRES: ok().
  T& value() & { return std::get<0>(v_); }
  const T& value() const& { return std::get<0>(v_); }
  T&& value() && { return std::get<0>(std::move(v_)); }
  // REQUIRES: !ok().
  const ExprError& error() const { return std::get<1>(v_); }

 private:
  std::variant<T, ExprError> v_;
};

}  // namespace tabrix
