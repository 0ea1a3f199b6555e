#include "browse/table_area_source.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <utility>

#include "data/base/codepage.h"
#include "data/base/text.h"
#include "data/base/value.h"
#include "data/expr/expression.h"
#include "data/nettable/nettable.h"
#include "data/table/table_area.h"

namespace tabrix {

namespace {

// The key's value type as the expression compiler sees it over the table's structure; an
// expression this program cannot compile counts as no character key (nothing is sought).
bool CompilesToCharacter(const std::string& keyText) {
  ExprStructure structure;
  structure.alias = AliasOfArea();
  for (const StructureRow& row : Structure()) {
    structure.fields.push_back(
        ExprField{row.name, row.type, row.length, static_cast<uint8_t>(row.decimals)});
  }
  ExprResult<Expression> key = Expression::Compile(keyText, structure);
  return key.ok() && key.value().type() == ExprType::kCharacter;
}

bool IsUpperKey(const std::string& keyText) {
  const size_t start = keyText.find_first_not_of(' ');
  if (start == std::string::npos) return false;
  return AsciiUpper(std::string_view(keyText).substr(start)).rfind("UPPER(", 0) == 0;
}

}  // namespace

// Runs f in the source's area with its order, under a handler that lets every failure fail
// softly and keeps it. A failure met while moving in an order drops the source to record order
// at its first record: a damaged index must not leave the browse stuck or end the program.
template <typename F>
auto TableAreaSource::Guarded(F&& f, bool inOrder) {
  std::optional<ErrorObject> failed;
  AreaSwitch inArea(area_);
  ScopedErrorHandler soft([&failed](const ErrorObject& e) {
    if (!failed) failed = e;
    return ErrorOutcome{ErrorAction::kDefault, {}};
  });
  using Result = std::invoke_result_t<F>;
  auto finish = [&] {
    lastCallFailed_ = failed.has_value();
    if (!failed) return;
    if (inOrder && order_ != 0) {
      DropToRecordOrder(*failed);
    } else {
      failure_ = failed;
    }
  };
  try {
    if (inOrder && CurrentOrder() != order_) ::tabrix::SetOrder(order_);
    if constexpr (std::is_void_v<Result>) {
      f();
      finish();
    } else {
      Result result = f();
      finish();
      return result;
    }
  } catch (const ErrorAbandoned& abandoned) {
    if (!failed) failed = abandoned.error;
    finish();
    if constexpr (!std::is_void_v<Result>) return Result{};
  }
}

TableAreaSource::TableAreaSource(int area, int order) : area_(area) {
  int start = order;
  if (start < 0) {
    start = Guarded([] { return CurrentOrder(); }, false);
  }
  (void)SetOrder(start);
}

void TableAreaSource::DropToRecordOrder(const ErrorObject& e) {
  failure_ = e;
  order_ = 0;
  characterKey_ = false;
  upperKey_ = false;
  // Still inside the guarded span: these fail softly too, and a table that cannot even be
  // walked in record order ends at its end position.
  ::tabrix::SetOrder(0);
  ::tabrix::GoTop();
}

std::optional<ErrorObject> TableAreaSource::TakeFailure() {
  return std::exchange(failure_, std::nullopt);
}

void TableAreaSource::GoTop() {
  Guarded([] { ::tabrix::GoTop(); });
}

void TableAreaSource::GoBottom() {
  Guarded([] { ::tabrix::GoBottom(); });
}

void TableAreaSource::Skip(int64_t n) {
  Guarded([n] { ::tabrix::Skip(n); });
}

void TableAreaSource::FastSkip(int64_t n) {
  if (n == 0) return;
  const int64_t count = order_ != 0 ? RecordCount() : 0;
  if (count > kCountedPositionLimit) {
    // A jump to the estimated place: a few page reads, where a skip reads every leaf between.
    const int64_t target = Position() + n;
    Guarded([target, count] {
      if (target > count) {
        ::tabrix::GoBottom();
        ::tabrix::Skip(1);
        return;
      }
      const double fraction = target <= 1 ? 0.0 : static_cast<double>(target - 1) / count;
      if (!GoToOrderFraction(fraction)) {
        FASTSKIP(target - OrderKeyPosition());
      } else if (!::tabrix::AtEnd() && ::tabrix::IsDeleted() && !DeletedVisible()) {
        ::tabrix::Skip(1);
      }
    });
    return;
  }
  if (order_ != 0) {
    Guarded([n] { FASTSKIP(n); });
    return;
  }
  // Record order: positions are record numbers, so the jump is a GoTo; a deleted record
  // reached steps on to the next visible one.
  Guarded(
      [n] {
        const int64_t target = ::tabrix::RecordNumber() + n;
        if (target < 1) {
          ::tabrix::GoTop();
          return;
        }
        ::tabrix::GoTo(target);
        if (!::tabrix::AtEnd() && ::tabrix::IsDeleted() && !DeletedVisible()) ::tabrix::Skip(1);
      },
      false);
}

void TableAreaSource::GoTo(int64_t recno) {
  Guarded([recno] { ::tabrix::GoTo(recno); });
}

bool TableAreaSource::AtEnd() {
  return Guarded([] { return ::tabrix::AtEnd(); }, false);
}

bool TableAreaSource::AtBeginning() {
  return Guarded([] { return ::tabrix::AtBeginning(); }, false);
}

int64_t TableAreaSource::RecordNumber() {
  return Guarded([] { return ::tabrix::RecordNumber(); }, false);
}

int64_t TableAreaSource::RecordCount() {
  return Guarded([] { return ::tabrix::RecordCount(); }, false);
}

bool TableAreaSource::IsDeleted() {
  return Guarded([] { return ::tabrix::IsDeleted(); }, false);
}

bool TableAreaSource::SetOrder(int order) {
  order_ = 0;
  characterKey_.reset();
  upperKey_ = false;
  const bool usable = Guarded(
      [order] {
        if (order < 1 || order > OrderCount()) {
          ::tabrix::SetOrder(0);
          return order == 0;
        }
        ::tabrix::SetOrder(order);
        if (CurrentOrder() != order) return false;
        // An index that cannot be read shows at its first move; the browse moves anyway, but
        // the caller's record stays current.
        const int64_t here = ::tabrix::RecordNumber();
        ::tabrix::GoTop();
        ::tabrix::GoTo(here);
        return true;
      },
      false);
  if (!usable || lastCallFailed_) {
    Guarded([] { ::tabrix::SetOrder(0); }, false);
    return order == 0;
  }
  order_ = order;
  if (order_ != 0) {
    const std::string keyText = Guarded([this] { return OrderKeyText(order_); }, false);
    upperKey_ = IsUpperKey(keyText);
  }
  return true;
}

int64_t TableAreaSource::Position() {
  if (order_ != 0) {
    const int64_t count = RecordCount();
    if (count > kCountedPositionLimit) {
      // The estimate scaled to the table's count, which is the browse's scroll range.
      const std::optional<double> fraction = Guarded([] { return OrderKeyFraction(); });
      if (fraction) {
        return std::clamp<int64_t>(1 + std::llround(*fraction * count), 1, count);
      }
    }
  }
  return Guarded([] { return OrderKeyPosition(); });
}

bool TableAreaSource::OrderHasCharacterKey() {
  if (order_ == 0) return false;
  if (!characterKey_) {
    characterKey_ = Guarded([this] { return CompilesToCharacter(OrderKeyText(order_)); }, false);
  }
  return *characterKey_;
}

bool TableAreaSource::SoftSeek(std::string_view oemKeyText) {
  if (!OrderHasCharacterKey() || oemKeyText.empty()) return false;
  const std::string text = upperKey_ ? UpperGerman850(oemKeyText) : std::string(oemKeyText);
  return Guarded([&text] { return Seek(Value{text}, true); });
}

void TableAreaSource::WithRecord(const std::function<void()>& f) {
  AreaSwitch inArea(area_);
  f();
}

}  // namespace tabrix
