#pragma once
// What an expression is compiled against (a table's structure) and evaluated over (one
// record of it): the narrow view of a table the evaluator needs, so that the table layer
// adapts its areas to it and tests use a record held in memory.
//
// Field types and the expression type they give:
//   C, V, M          character   the field's value (a Blob of binary memo bytes as its bytes)
//   N, F, I, B, Y    numeric     N/F and Y exactly (Decimal, Currency), I exactly, B as double
//   D                date
//   T                datetime
//   L                logical
// A field of any other type (G, P, W, Q, the _NullFlags system field) is refused when an
// expression names it. A field whose value is Null reads as the blank of its type: blanks of
// the field length, 0, the empty date, .F.; a key then sorts as the blank record's does.

#include <cstdint>
#include <string>
#include <vector>

#include "data/base/value.h"

namespace tabrix {

// The type of an expression's value. The index layer maps it onto its key kind.
enum class ExprType : uint8_t { kCharacter, kNumeric, kDate, kDateTime, kLogical };

// "character", "numeric", ... for messages.
const char* ExprTypeName(ExprType type);

// One structure row, as the table header gives it.
struct ExprField {
  std::string name;  // up to 10 characters; compared without regard to case
  char type = 'C';   // type letter as stored
  uint32_t length = 0;
  uint8_t decimals = 0;
};

struct ExprStructure {
  // The table's alias: "ALIAS->FIELD" is accepted for this alias (any case) and for the
  // pseudo-aliases FIELD and _FIELD. Empty: only the pseudo-aliases.
  std::string alias;
  std::vector<ExprField> fields;
};

// One record of a table with the structure the expression was compiled against. Evaluation
// asks only for the fields the expression names, each at most once per evaluation in the
// common case, so an implementation may decode fields lazily.
class ExprRecord {
 public:
  virtual ~ExprRecord() = default;

  // The value of field `index` (0-based into ExprStructure::fields); it must stay valid until
  // the evaluation returns. nullptr when the field cannot be read (a damaged memo, say): the
  // evaluation then fails naming the field.
  virtual const Value* Field(int index) = 0;
  virtual bool IsDeleted() = 0;
  virtual uint32_t RecordNumber() = 0;
};

}  // namespace tabrix
