#include "data/expr/expr_eval.h"

#include <cmath>
#include <cstring>

#include "data/expr/expr_date.h"

namespace tabrix {
namespace {

constexpr int64_t kMillisPerDay = 86400000;

// "a text value", "an integer value", ... for messages.
const char* ValueKindName(const Value& v) {
  switch (v.index()) {
    case 0:
      return "a null";
    case 1:
      return "a text";
    case 2:
      return "a double";
    case 3:
      return "an integer";
    case 4:
      return "a currency";
    case 5:
      return "a date";
    case 6:
      return "a datetime";
    case 7:
      return "a logical";
    case 8:
      return "a binary";
    default:
      return "a decimal";
  }
}

Number CurrencyNumber(const Currency& c) {
  Decimal d;
  const bool negative = c.tenThousandths < 0;
  // Negated as unsigned so that the most negative amount has a magnitude too.
  const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(c.tenThousandths)
                                      : static_cast<uint64_t>(c.tenThousandths);
  d.coefficient = magnitude;
  d.scale = 4;
  d.negative = negative;
  return Number::Exact(d);
}

int64_t TimeMillis(const DateTime& t) {
  return JulianDayFromDate(t.date) * kMillisPerDay + (t.date.empty() ? 0 : t.millisOfDay);
}

template <typename T>
int Sign(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

bool ApplyCompare(CompareOp op, int c) {
  switch (op) {
    case CompareOp::kEqual:
    case CompareOp::kExactEqual:
      return c == 0;
    case CompareOp::kNotEqual:
      return c != 0;
    case CompareOp::kLess:
      return c < 0;
    case CompareOp::kLessEqual:
      return c <= 0;
    case CompareOp::kGreater:
      return c > 0;
    case CompareOp::kGreaterEqual:
      return c >= 0;
  }
  return false;
}

}  // namespace

int CompareText(std::string_view left, std::string_view right) {
  const size_t n = std::min(left.size(), right.size());
  const int c = n == 0 ? 0 : std::memcmp(left.data(), right.data(), n);
  if (c != 0) return c < 0 ? -1 : 1;
  return right.size() <= left.size() ? 0 : -1;
}

ExprEvaluator::ExprEvaluator(const ExprProgram* program)
    : program_(program), slots_(program->nodes.size()) {}

bool ExprEvaluator::Run(ExprRecord& record) {
  record_ = &record;
  error_.reset();
  const bool ok = Eval(program_->root);
  record_ = nullptr;
  return ok;
}

ExprError ExprEvaluator::TakeError() {
  ExprError e = std::move(*error_);
  error_.reset();
  return e;
}

bool ExprEvaluator::Fail(int i, int genCode, std::string message) {
  error_ = ExprError{genCode, program_->text, node(i).position, std::move(message)};
  return false;
}

bool ExprEvaluator::ReadField(int i) {
  const ExprNode& n = node(i);
  ExprSlot& s = slot(i);
  const std::string& name = program_->fieldNames[static_cast<size_t>(n.field)];
  const Value* v = record_->Field(n.field);
  if (v == nullptr) return Fail(i, kGenDataType, "field " + name + " cannot be read");
  if (std::holds_alternative<Null>(*v)) {
    s.text = n.text;
    s.number = Number::Int(0);
    s.date = Date{};
    s.time = DateTime{};
    s.logical = false;
    return true;
  }
  bool fits = true;
  switch (n.type) {
    case ExprType::kCharacter:
      if (const auto* text = std::get_if<std::string>(v)) {
        s.text = *text;
      } else if (const auto* blob = std::get_if<Blob>(v)) {
        s.text = blob->bytes;
      } else {
        fits = false;
      }
      break;
    case ExprType::kNumeric:
      if (const auto* d = std::get_if<Decimal>(v)) {
        s.number = Number::Exact(*d);
      } else if (const auto* i32 = std::get_if<int32_t>(v)) {
        s.number = Number::Int(*i32);
      } else if (const auto* dbl = std::get_if<double>(v)) {
        s.number = Number::Inexact(*dbl);
      } else if (const auto* cy = std::get_if<Currency>(v)) {
        s.number = CurrencyNumber(*cy);
      } else {
        fits = false;
      }
      break;
    case ExprType::kDate:
      if (const auto* d = std::get_if<Date>(v)) {
        if (!d->empty() && !IsValidDate(*d)) {
          return Fail(i, kGenDataType, "field " + name + " holds an impossible date");
        }
        s.date = *d;
      } else {
        fits = false;
      }
      break;
    case ExprType::kDateTime:
      if (const auto* t = std::get_if<DateTime>(v)) {
        if (!t->date.empty() &&
            (!IsValidDate(t->date) || t->millisOfDay < 0 || t->millisOfDay >= kMillisPerDay)) {
          return Fail(i, kGenDataType, "field " + name + " holds an impossible datetime");
        }
        s.time = *t;
      } else {
        fits = false;
      }
      break;
    case ExprType::kLogical:
      if (const auto* b = std::get_if<bool>(v)) {
        s.logical = *b;
      } else {
        fits = false;
      }
      break;
  }
  if (!fits) {
    return Fail(
        i, kGenDataType,
        "field " + name + " holds " + ValueKindName(*v) + " value, not " + ExprTypeName(n.type));
  }
  return true;
}

bool ExprEvaluator::Eval(int i) {
  const ExprNode& n = node(i);
  ExprSlot& s = slot(i);
  switch (n.op) {
    case NodeOp::kConstant:
      s.text = n.text;
      s.number = n.number;
      s.logical = n.logical;
      return true;
    case NodeOp::kField:
      return ReadField(i);
    case NodeOp::kCall:
      return Call(i);
    case NodeOp::kAnd:
    case NodeOp::kOr: {
      // Short-circuit: the right side is evaluated only when the left does not decide.
      const bool isAnd = n.op == NodeOp::kAnd;
      const int a = child(n, 0);
      if (!Eval(a)) return false;
      if (slot(a).logical != isAnd) {
        s.logical = !isAnd;
        return true;
      }
      const int b = child(n, 1);
      if (!Eval(b)) return false;
      s.logical = slot(b).logical;
      return true;
    }
    default:
      break;
  }
  // Every other operator evaluates all its operands first.
  for (int k = 0; k < n.count; ++k) {
    if (!Eval(child(n, k))) return false;
  }
  const ExprSlot& a = slot(child(n, 0));
  const ExprSlot& b = slot(child(n, n.count - 1));
  switch (n.op) {
    case NodeOp::kNegate:
      s.number = Negate(a.number);
      return true;
    case NodeOp::kNot:
      s.logical = !a.logical;
      return true;
    case NodeOp::kConcat:
    case NodeOp::kConcatTrimmed: {
      if (a.text.size() + b.text.size() > kMaxTextLength) {
        return Fail(i, kGenStringOverflow,
                    "text of " + std::to_string(a.text.size() + b.text.size()) +
                        " bytes is longer than " + std::to_string(kMaxTextLength));
      }
      if (n.op == NodeOp::kConcat) {
        s.buffer.assign(a.text);
        s.buffer.append(b.text);
      } else {
        const size_t kept = a.text.find_last_not_of(' ') + 1;  // npos + 1 == 0: all blanks
        s.buffer.assign(a.text.substr(0, kept));
        s.buffer.append(b.text);
        s.buffer.append(a.text.size() - kept, ' ');
      }
      s.text = s.buffer;
      return true;
    }
    case NodeOp::kNumberAdd:
      s.number = Add(a.number, b.number);
      return true;
    case NodeOp::kNumberSubtract:
      s.number = Subtract(a.number, b.number);
      return true;
    case NodeOp::kNumberMultiply:
      s.number = Multiply(a.number, b.number);
      return true;
    case NodeOp::kNumberDivide:
      if (b.number.IsZero()) return Fail(i, kGenZeroDiv, "division by zero");
      s.number = Divide(a.number, b.number);
      return true;
    case NodeOp::kDateAddDays:
    case NodeOp::kDateSubDays: {
      if (a.date.empty()) {
        s.date = Date{};
        return true;
      }
      int64_t days = TruncatedInt(b.number);
      if (n.op == NodeOp::kDateSubDays) days = -days;
      if (!DateOfDayNumber(JulianDayFromDate(a.date) + days, &s.date)) {
        return Fail(i, kGenNumOverflow, "date outside 0001-01-01 .. 9999-12-31");
      }
      return true;
    }
    case NodeOp::kDateDiff:
      s.number = Number::Int(JulianDayFromDate(a.date) - JulianDayFromDate(b.date));
      return true;
    case NodeOp::kTimeAddSeconds:
    case NodeOp::kTimeSubSeconds: {
      if (a.time.date.empty()) {
        s.time = DateTime{};
        return true;
      }
      double millis = std::round(b.number.ToDouble() * 1000.0);
      if (n.op == NodeOp::kTimeSubSeconds) millis = -millis;
      // Past this, no date of the calendar is reached anyway (and the cast stays defined).
      if (!(std::fabs(millis) < 1e15)) {
        return Fail(i, kGenNumOverflow, "datetime outside 0001-01-01 .. 9999-12-31");
      }
      const int64_t total = TimeMillis(a.time) + static_cast<int64_t>(millis);
      const int64_t day = total >= 0 ? total / kMillisPerDay : -((-total - 1) / kMillisPerDay) - 1;
      if (!DateOfDayNumber(day, &s.time.date)) {
        return Fail(i, kGenNumOverflow, "datetime outside 0001-01-01 .. 9999-12-31");
      }
      s.time.millisOfDay = static_cast<int32_t>(total - day * kMillisPerDay);
      return true;
    }
    case NodeOp::kTimeDiff: {
      const int64_t millis = TimeMillis(a.time) - TimeMillis(b.time);
      Decimal d = Decimal::FromInt(millis);
      d.scale = 3;  // seconds with their milliseconds, exactly
      s.number = Number::Exact(d);
      return true;
    }
    case NodeOp::kContains:
      s.logical = !a.text.empty() && b.text.find(a.text) != std::string_view::npos;
      return true;
    case NodeOp::kCompare: {
      int c = 0;
      switch (n.operandType) {
        case ExprType::kCharacter:
          if (n.cmp == CompareOp::kExactEqual) {
            c = a.text == b.text ? 0 : 1;
          } else {
            c = CompareText(a.text, b.text);
          }
          break;
        case ExprType::kNumeric:
          c = Compare(a.number, b.number);
          break;
        case ExprType::kDate:
          c = Sign(JulianDayFromDate(a.date), JulianDayFromDate(b.date));
          break;
        case ExprType::kDateTime:
          c = Sign(TimeMillis(a.time), TimeMillis(b.time));
          break;
        case ExprType::kLogical:
          c = Sign(a.logical, b.logical);
          break;
      }
      s.logical = ApplyCompare(n.cmp, c);
      return true;
    }
    default:
      return Fail(i, kGenSyntax, "internal: operator without evaluation");
  }
}

}  // namespace tabrix
