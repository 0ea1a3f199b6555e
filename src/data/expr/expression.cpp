#include "data/expr/expression.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "data/expr/expr_eval.h"
#include "data/expr/expr_parser.h"

namespace tabrix {
namespace {

// Width of a numeric key that is not a bare N or F field: the STR default.
constexpr int kDefaultNumericWidth = 10;

// The record xBase programs take the key length from: every field blank.
class BlankRecord : public ExprRecord {
 public:
  explicit BlankRecord(const ExprStructure& structure) {
    for (const ExprField& f : structure.fields) values_.push_back(BlankValue(f));
  }
  const Value* Field(int index) override { return &values_[static_cast<size_t>(index)]; }
  bool IsDeleted() override { return false; }
  uint32_t RecordNumber() override { return 0; }

 private:
  static Value BlankValue(const ExprField& f) {
    switch (f.type) {
      case 'C':
        return std::string(f.length, ' ');
      case 'V':
      case 'M':
        return std::string();
      case 'N':
      case 'F': {
        Decimal zero;
        zero.scale = f.decimals;
        return zero;
      }
      case 'B':
        return 0.0;
      case 'I':
        return int32_t{0};
      case 'Y':
        return Currency{};
      case 'D':
        return Date{};
      case 'T':
        return DateTime{};
      case 'L':
        return false;
      default:
        return Null{};
    }
  }
  std::vector<Value> values_;
};

ExprStatus WrongType(const std::string& text, ExprType have, ExprType want) {
  return ExprError{
      kGenArg, text, 0,
      std::string("the expression is ") + ExprTypeName(have) + ", not " + ExprTypeName(want)};
}

}  // namespace

struct Expression::Impl {
  explicit Impl(ExprProgram p) : program(std::move(p)), evaluator(&program) {}

  ExprProgram program;
  ExprEvaluator evaluator;
  ExprType type = ExprType::kLogical;
  int keyLength = 0;
  int decimals = 0;
  int plainField = -1;
};

Expression::Expression(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;
Expression::~Expression() = default;

ExprResult<Expression> Expression::Compile(std::string_view text, const ExprStructure& structure) {
  ExprResult<ExprProgram> parsed = ParseExpression(text, structure);
  if (!parsed) return parsed.error();
  auto impl = std::make_unique<Impl>(std::move(parsed).value());
  const ExprNode& root = impl->program.nodes[static_cast<size_t>(impl->program.root)];
  impl->type = root.type;
  impl->plainField = root.op == NodeOp::kField ? root.field : -1;
  switch (root.type) {
    case ExprType::kCharacter: {
      BlankRecord blank(structure);
      if (!impl->evaluator.Run(blank)) {
        ExprError e = impl->evaluator.TakeError();
        e.message = "over a blank record (to take the key length): " + e.message;
        return e;
      }
      const size_t length = impl->evaluator.result().text.size();
      impl->keyLength = static_cast<int>(length);
      break;
    }
    case ExprType::kNumeric: {
      const ExprField* f = impl->plainField >= 0
                               ? &structure.fields[static_cast<size_t>(impl->plainField)]
                               : nullptr;
      if (f != nullptr && (f->type == 'N' || f->type == 'F')) {
        impl->keyLength = static_cast<int>(f->length);
        impl->decimals = f->decimals;
      } else {
        impl->keyLength = kDefaultNumericWidth;
        impl->decimals = root.decimals;
      }
      break;
    }
    case ExprType::kDate:
    case ExprType::kDateTime:
      impl->keyLength = 8;
      break;
    case ExprType::kLogical:
      impl->keyLength = 1;
      break;
  }
  return Expression(std::move(impl));
}

const std::string& Expression::text() const {
  return impl_->program.text;
}
ExprType Expression::type() const {
  return impl_->type;
}
int Expression::keyLength() const {
  return impl_->keyLength;
}
int Expression::decimals() const {
  return impl_->decimals;
}
int Expression::plainField() const {
  return impl_->plainField;
}

ExprStatus Expression::Evaluate(ExprRecord& record, Value* out) {
  if (!impl_->evaluator.Run(record)) return impl_->evaluator.TakeError();
  const ExprSlot& r = impl_->evaluator.result();
  switch (impl_->type) {
    case ExprType::kCharacter:
      if (auto* s = std::get_if<std::string>(out)) {
        s->assign(r.text);
      } else {
        *out = std::string(r.text);
      }
      break;
    case ExprType::kNumeric:
      if (r.number.exact) {
        *out = r.number.dec;
      } else {
        *out = r.number.dbl;
      }
      break;
    case ExprType::kDate:
      *out = r.date;
      break;
    case ExprType::kDateTime:
      *out = r.time;
      break;
    case ExprType::kLogical:
      *out = r.logical;
      break;
  }
  return {};
}

ExprStatus Expression::EvaluateText(ExprRecord& record, std::string* out) {
  if (impl_->type != ExprType::kCharacter) {
    return WrongType(impl_->program.text, impl_->type, ExprType::kCharacter);
  }
  if (!impl_->evaluator.Run(record)) return impl_->evaluator.TakeError();
  out->assign(impl_->evaluator.result().text);
  return {};
}

ExprStatus Expression::EvaluateKey(ExprRecord& record, std::string* out) {
  if (impl_->type != ExprType::kCharacter) {
    return WrongType(impl_->program.text, impl_->type, ExprType::kCharacter);
  }
  if (!impl_->evaluator.Run(record)) return impl_->evaluator.TakeError();
  const std::string_view text = impl_->evaluator.result().text;
  const size_t length = static_cast<size_t>(impl_->keyLength);
  out->assign(text.substr(0, length));
  out->resize(length, ' ');
  return {};
}

ExprStatus Expression::EvaluateLogical(ExprRecord& record, bool* out) {
  if (impl_->type != ExprType::kLogical) {
    return WrongType(impl_->program.text, impl_->type, ExprType::kLogical);
  }
  if (!impl_->evaluator.Run(record)) return impl_->evaluator.TakeError();
  *out = impl_->evaluator.result().logical;
  return {};
}

}  // namespace tabrix
