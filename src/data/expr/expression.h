#pragma once
// A key or condition expression in dBASE syntax, compiled once against a table's structure
// and evaluated over its records: the index key expressions stored in CDX and NTX files, the
// keys this program builds for its own orders, FOR conditions.
//
//   ExprResult<Expression> key = Expression::Compile("UPPER(NAME)+DTOS(BORN)", structure);
//   if (!key.ok()) report key.error();     // position and reason
//   std::string bytes;
//   for each record: key.value().EvaluateKey(record, &bytes);   // keyLength() bytes
//
// Syntax and operators: expr_parser.h; functions: expr_functions.h; numbers: expr_number.h;
// dates: expr_date.h; the record interface: expr_record.h.
//
// Static facts, known after Compile:
//   type()       the result type, decided by the compiler from the field types (an IIF
//                must have branches of one type for that)
//   keyLength()  the length of a key built from the expression, as xBase programs take it
//                when they create an index: character: the length of the value over a blank
//                record of the structure (blanks in C fields, zero, the empty date, .F.,
//                empty memos), so IIF(EMPTY(X), CHR(250)+SPACE(LEN(X)), X) over a C(20) X has
//                21; numeric: the field's length for a bare N or F field, otherwise 10 (the
//                STR width); date 8, datetime 8, logical 1
//   decimals()   numeric: the field's decimals for a bare N or F field, otherwise the most
//                decimals of the numeric fields and literals its arithmetic combines
//   plainField() the field index when the expression is a single field (a VFP key of a
//                nullable field needs the null flag, which the value of such a field shows)
// A character expression whose blank-record value cannot be taken (a division by zero over
// the blank record, say) does not compile: it could not give the length of its keys.
//
// Errors: Compile fails on anything it does not understand, naming the text, the position and
// what is wrong; evaluation fails on run-time errors (division by zero, CHR(300), a field
// holding a value of another type, a text past kMaxTextLength) the same way. Neither ever
// hands out a value it is not sure of.
//
// Performance: evaluation walks the compiled tree with no allocation once its buffers have
// grown (expr_eval.h); EvaluateKey and EvaluateText write into the caller's string, which
// keeps its capacity between records.
//
// Thread safety: an Expression is one thread's; evaluating changes its scratch buffers.

#include <memory>
#include <string>
#include <string_view>

#include "data/base/value.h"
#include "data/expr/expr_error.h"
#include "data/expr/expr_record.h"

namespace tabrix {

class Expression {
 public:
  // The compiled form of `text` over `structure`, or why it is not one.
  static ExprResult<Expression> Compile(std::string_view text, const ExprStructure& structure);

  Expression(Expression&&) noexcept;
  Expression& operator=(Expression&&) noexcept;
  ~Expression();

  const std::string& text() const;
  ExprType type() const;
  int keyLength() const;
  int decimals() const;
  int plainField() const;

  // The value over `record`: std::string, Decimal (exact numbers) or double, Date, DateTime,
  // bool. A string already in *out keeps its capacity. On failure *out is unchanged.
  ExprStatus Evaluate(ExprRecord& record, Value* out);
  // The text of a character expression. Fails when type() is not kCharacter.
  ExprStatus EvaluateText(ExprRecord& record, std::string* out);
  // The key of a character expression: its text cut or padded with blanks to keyLength().
  // Fails when type() is not kCharacter.
  ExprStatus EvaluateKey(ExprRecord& record, std::string* out);
  // The value of a logical expression (a FOR condition). Fails when type() is not kLogical.
  ExprStatus EvaluateLogical(ExprRecord& record, bool* out);

 private:
  struct Impl;
  explicit Expression(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace tabrix
