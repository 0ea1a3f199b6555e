#include "data/expr/expr_functions.h"

#include "data/base/text.h"

namespace tabrix {
namespace {

constexpr uint8_t kArgDT = kArgD | kArgT;
constexpr uint8_t kArgPad = kArgC | kArgN | kArgD | kArgT;
constexpr uint8_t kArgOrdered = kArgC | kArgN | kArgD | kArgT;

using enum FuncId;
using enum ResultRule;
constexpr ExprType C = ExprType::kCharacter;
constexpr ExprType N = ExprType::kNumeric;
constexpr ExprType D = ExprType::kDate;
constexpr ExprType T = ExprType::kDateTime;
constexpr ExprType L = ExprType::kLogical;

constexpr FunctionSpec kFunctions[] = {
    {"IIF", kIif, 3, 3, {kArgL, kArgAny, kArgAny}, kLikeBranches, C},
    {"IF", kIif, 3, 3, {kArgL, kArgAny, kArgAny}, kLikeBranches, C},
    {"EMPTY", kEmpty, 1, 1, {kArgAny}, kFixed, L},
    {"CHR", kChr, 1, 1, {kArgN}, kFixed, C},
    {"SPACE", kSpace, 1, 1, {kArgN}, kFixed, C},
    {"REPLICATE", kReplicate, 2, 2, {kArgC, kArgN}, kFixed, C},
    {"LEN", kLen, 1, 1, {kArgC}, kFixed, N},
    {"ASC", kAsc, 1, 1, {kArgC}, kFixed, N},
    {"AT", kAt, 2, 2, {kArgC, kArgC}, kFixed, N},
    {"UPPER", kUpper, 1, 1, {kArgC}, kFixed, C},
    {"LOWER", kLower, 1, 1, {kArgC}, kFixed, C},
    {"STR", kStr, 1, 3, {kArgN, kArgN, kArgN}, kFixed, C},
    {"STRZERO", kStrZero, 1, 3, {kArgN, kArgN, kArgN}, kFixed, C},
    {"DTOS", kDtos, 1, 1, {kArgDT}, kFixed, C},
    {"DTOC", kDtoc, 1, 1, {kArgDT}, kFixed, C},
    {"CTOD", kCtod, 1, 1, {kArgC}, kFixed, D},
    {"TRIM", kTrim, 1, 1, {kArgC}, kFixed, C},
    {"RTRIM", kTrim, 1, 1, {kArgC}, kFixed, C},
    {"LTRIM", kLtrim, 1, 1, {kArgC}, kFixed, C},
    {"ALLTRIM", kAlltrim, 1, 1, {kArgC}, kFixed, C},
    {"LEFT", kLeft, 2, 2, {kArgC, kArgN}, kFixed, C},
    {"RIGHT", kRight, 2, 2, {kArgC, kArgN}, kFixed, C},
    {"SUBSTR", kSubstr, 2, 3, {kArgC, kArgN, kArgN}, kFixed, C},
    {"PADR", kPadr, 2, 3, {kArgPad, kArgN, kArgC}, kFixed, C},
    {"PADL", kPadl, 2, 3, {kArgPad, kArgN, kArgC}, kFixed, C},
    {"PADC", kPadc, 2, 3, {kArgPad, kArgN, kArgC}, kFixed, C},
    {"VAL", kVal, 1, 1, {kArgC}, kFixed, N},
    {"DELETED", kDeleted, 0, 0, {}, kFixed, L},
    {"RECNO", kRecno, 0, 0, {}, kFixed, N},
    {"YEAR", kYear, 1, 1, {kArgDT}, kFixed, N},
    {"MONTH", kMonth, 1, 1, {kArgDT}, kFixed, N},
    {"DAY", kDay, 1, 1, {kArgDT}, kFixed, N},
    {"INT", kInt, 1, 1, {kArgN}, kFixed, N},
    {"ABS", kAbs, 1, 1, {kArgN}, kFixed, N},
    {"ROUND", kRound, 2, 2, {kArgN, kArgN}, kFixed, N},
    {"MAX", kMax, 2, 2, {kArgOrdered, kArgOrdered}, kLikeFirst, C},
    {"MIN", kMin, 2, 2, {kArgOrdered, kArgOrdered}, kLikeFirst, C},
    {"TTOC", kTtoc, 1, 2, {kArgT, kArgN}, kFixed, C},
    {"TTOD", kTtod, 1, 1, {kArgT}, kFixed, D},
    {"DTOT", kDtot, 1, 1, {kArgD}, kFixed, T},
    {"BINTOC", kBintoc, 1, 2, {kArgN, kArgN}, kFixed, C},
};

}  // namespace

std::span<const FunctionSpec> AllFunctions() {
  return kFunctions;
}

FunctionMatch FindFunction(std::string_view name) {
  const std::string upper = AsciiUpper(name);
  FunctionMatch match;
  for (const FunctionSpec& f : kFunctions) {
    const std::string_view full = f.name;
    if (full == upper) return FunctionMatch{&f, nullptr};
    if (upper.size() >= 4 && full.size() > upper.size() && full.starts_with(upper)) {
      if (match.spec == nullptr) {
        match.spec = &f;
      } else if (match.spec->id != f.id && match.other == nullptr) {
        match.other = &f;
      }
    }
  }
  return match;
}

}  // namespace tabrix
