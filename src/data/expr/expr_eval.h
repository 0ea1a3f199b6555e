#pragma once
// The evaluator of an ExprProgram over one record at a time.
//
// Each node has a slot for its value. A slot's text is a view: into the record's field value,
// into the program's constant, into a child's slot (TRIM, LEFT, SUBSTR, IIF pass views on
// without copying) or into the slot's own buffer when the node builds new text. Buffers keep
// their capacity from one record to the next, so evaluating the same program over many records
// allocates only until the buffers have grown to the longest values.
//
// Views into field values stay valid only while the record keeps its values (ExprRecord:
// until the evaluation returns); a result is read right after Run.
//
// Not thread-safe: the slots are the evaluator's scratch space.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/expr/expr_error.h"
#include "data/expr/expr_program.h"

namespace tabrix {

// The longest text the evaluator builds (concatenation, SPACE, REPLICATE, PADx, STR); field
// values pass through whatever their length. Past it: kGenStringOverflow.
constexpr size_t kMaxTextLength = 65535;

struct ExprSlot {
  std::string_view text;
  std::string buffer;
  Number number;
  Date date;
  DateTime time;
  bool logical = false;
};

class ExprEvaluator {
 public:
  // `program` must outlive the evaluator.
  explicit ExprEvaluator(const ExprProgram* program);

  // Evaluates the program over `record`; false on an error, which TakeError hands out.
  bool Run(ExprRecord& record);
  // The root's value after a successful Run.
  const ExprSlot& result() const { return slots_[static_cast<size_t>(program_->root)]; }
  // REQUIRES: the last Run failed.
  ExprError TakeError();

 private:
  bool Eval(int node);
  bool ReadField(int node);
  bool Call(int node);  // expr_builtins.cpp
  bool Fail(int node, int genCode, std::string message);

  const ExprNode& node(int i) const { return program_->nodes[static_cast<size_t>(i)]; }
  ExprSlot& slot(int i) { return slots_[static_cast<size_t>(i)]; }
  int child(const ExprNode& n, int k) const {
    return program_->children[static_cast<size_t>(n.first + k)];
  }

  const ExprProgram* program_;
  std::vector<ExprSlot> slots_;
  ExprRecord* record_ = nullptr;
  std::optional<ExprError> error_;
};

// Comparison of texts by the = rule (expr_parser.h): -1, 0, 1, where 0 also means that the
// right side ended first with equal bytes.
int CompareText(std::string_view left, std::string_view right);

}  // namespace tabrix
