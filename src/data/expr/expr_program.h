#pragma once
// The compiled form of an expression: a tree of typed nodes in one array, children before
// their parent, as the parser leaves it and the evaluator walks it. Every operator is already
// resolved to its typed form (text concatenation, date plus days, ...), every name to a field
// index or a function, so evaluation makes no decision the compiler could make.
//
// Internal to data/expr: callers see Expression (expression.h).

#include <cstdint>
#include <string>
#include <vector>

#include "data/expr/expr_functions.h"
#include "data/expr/expr_number.h"
#include "data/expr/expr_record.h"

namespace tabrix {

enum class NodeOp : uint8_t {
  kConstant,  // text / number / logical below
  kField,     // field index below
  kCall,      // func, children = arguments
  kNegate,    // numeric
  kNot,
  kAnd,            // short-circuit
  kOr,             // short-circuit
  kConcat,         // character + character
  kConcatTrimmed,  // character - character: the left's trailing blanks go to the end
  kNumberAdd,
  kNumberSubtract,
  kNumberMultiply,
  kNumberDivide,
  kDateAddDays,     // date + n (n + date is swapped into this order)
  kDateSubDays,     // date - n
  kDateDiff,        // date - date, in days
  kTimeAddSeconds,  // datetime + n
  kTimeSubSeconds,  // datetime - n
  kTimeDiff,        // datetime - datetime, in seconds
  kCompare,         // cmp on operands of operandType
  kContains,        // character $ character
};

enum class CompareOp : uint8_t {
  kEqual,       // =  character: the left starts with the right (the right's length decides)
  kExactEqual,  // == character: the same bytes and length
  kNotEqual,    // != <> #: not =
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
};

struct ExprNode {
  NodeOp op = NodeOp::kConstant;
  ExprType type = ExprType::kLogical;
  FuncId func = FuncId::kIif;
  CompareOp cmp = CompareOp::kEqual;
  ExprType operandType = ExprType::kLogical;  // kCompare
  int position = 0;  // 1-based; the operator or function name the node stands for
  int field = -1;    // kField
  int first = 0;     // children: ExprProgram::children[first .. first + count)
  int count = 0;
  int depth = 1;  // longest path to a leaf, this node included
  // kConstant: the value. kField of a character field: blanks of the field length, the
  // value of a Null field.
  std::string text;
  Number number;
  bool logical = false;
  // Numeric nodes: the most decimals among the numeric fields and literals below.
  int decimals = 0;
};

struct ExprProgram {
  std::string text;  // the expression as compiled
  std::vector<ExprNode> nodes;
  std::vector<int> children;
  int root = -1;
  std::vector<std::string> fieldNames;  // of the structure, for messages
};

}  // namespace tabrix
