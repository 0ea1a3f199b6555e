#pragma once
// Parser and type checker of dBASE expressions: text -> ExprProgram, against one table's
// structure.
//
// Precedence, loosest first (operators of one line are left-associative):
//
//   level  operators                                  operands -> result
//   1      .OR.                                       logical -> logical
//   2      .AND.                                      logical -> logical
//   3      .NOT.  !            (prefix)               logical -> logical
//   4      =  ==  !=  <>  #  <  <=  >  >=             two of one type -> logical
//          $                                          character $ character -> logical
//   5      +  -                                       see below
//   6      *  /                                       numeric -> numeric
//   7      -  +                (prefix)               numeric -> numeric
//   8      ( expression )  literal  name  name(args)  ALIAS->name  ALIAS->( expression )
//
// Grammar:
//   expr     := and { ".OR." and }
//   and      := not { ".AND." not }
//   not      := ( ".NOT." | "!" ) not | compare
//   compare  := sum { compareOp sum }
//   sum      := product { ( "+" | "-" ) product }
//   product  := unary { ( "*" | "/" ) unary }
//   unary    := ( "-" | "+" ) unary | primary
//   primary  := number | string | logical | "(" expr ")"
//             | identifier "(" [ expr { "," expr } ] ")"      function call
//             | identifier "->" ( identifier | "(" expr ")" ) aliased field or expression
//             | identifier                                     field
//
// + and - by operand types:
//   character + character   concatenation
//   character - character   concatenation with the left's trailing blanks moved to the end
//   numeric +-*/ numeric    arithmetic (expr_number.h)
//   date + n, n + date      date n days later; date - n: n days earlier
//   date - date             days between them (numeric)
//   datetime + n, - n       n seconds later / earlier; datetime - datetime: seconds between
//
// Comparisons of characters: = compares up to the right operand's length, the xBase default
// (SET EXACT OFF): "abc" = "ab" is true, "ab" = "abc" false, anything = "" true. == compares
// the whole of both. < <= > >= compare bytes as unsigned (the order of keys built from the
// values) with the same rule at the end: when the right side runs out first the two are equal
// ("abc" >= "ab" and "abc" <= "ab"); when the left side does, it is the smaller ("ab" < "abc").
// != <> # are the negation of =. Dates, datetimes and numbers compare by value, the empty date
// before every other; logicals .F. before .T.
//
// Names: a name followed by "(" is a function (expr_functions.h); any other name is a field
// of the structure, compared without regard to case. A name longer than 10 characters also
// matches the field named by its first 10 (dBASE keeps 10 characters of a field name; long
// names of a database container are cut to them in the table, e.g. "paymentmethodid" is
// PAYMENTMET). ALIAS-> is accepted for the table's own alias and FIELD / _FIELD; M-> and
// MEMVAR-> (memory variables) are refused.
//
// Limits: a tree deeper than kMaxExprDepth nodes (nesting, or a chain of that many operators)
// is refused as too complex, so that neither compiling nor evaluating recurses without bound.

#include <string_view>

#include "data/expr/expr_error.h"
#include "data/expr/expr_program.h"
#include "data/expr/expr_record.h"

namespace tabrix {

constexpr int kMaxExprDepth = 256;

// The typed program of `text` over `structure`, or the first error found: syntax errors,
// unknown names, wrong argument counts and types, with their position.
ExprResult<ExprProgram> ParseExpression(std::string_view text, const ExprStructure& structure);

}  // namespace tabrix
