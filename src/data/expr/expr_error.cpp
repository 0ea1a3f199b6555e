#include "data/expr/expr_error.h"

namespace tabrix {

std::string ExprError::ToString() const {
  std::string out = message;
  if (position > 0) out += " at position " + std::to_string(position);
  out += " in \"" + expression + "\"";
  return out;
}

ErrorObject ToErrorObject(const ExprError& error) {
  ErrorObject e;
  e.genCode = error.genCode;
  e.subSystem = "EXPR";
  e.description = error.ToString();
  e.operation = error.expression;
  e.severity = 2;
  return e;
}

}  // namespace tabrix
