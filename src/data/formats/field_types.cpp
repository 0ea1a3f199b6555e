#include "data/formats/field_types.h"

#include <array>
#include <iterator>

namespace tabrix {
namespace {

using D = FieldDecode;
using T = FieldTakes;

constexpr FieldType kFieldTypes[] = {
    // letter, decode, binary length, memo, text, takes, create min, max, decimals
    {'C', D::kText, 0, false, true, T::kText, 1, 0xFFFF, false},
    {'M', D::kMemo, 0, true, true, T::kText, 10, 10, false},
    {'N', D::kNumber, 0, false, false, T::kNumber, 1, 20, true},
    {'F', D::kNumber, 0, false, false, T::kNumber, 1, 20, true},
    {'D', D::kDate, 0, false, false, T::kDate, 8, 8, false},
    {'L', D::kLogical, 0, false, false, T::kLogical, 1, 1, false},
    {'V', D::kVarText, 0, false, true, T::kNothing, 0, 0, false},
    {'Q', D::kVarBytes, 0, false, false, T::kNothing, 0, 0, false},
    {'I', D::kInt32, 4, false, false, T::kNothing, 0, 0, false},
    {'Y', D::kCurrency, 8, false, false, T::kNothing, 0, 0, false},
    {'B', D::kDouble, 8, false, false, T::kNothing, 0, 0, false},
    {'T', D::kDateTime, 8, false, false, T::kNothing, 0, 0, false},
    {'G', D::kMemo, 0, true, false, T::kNothing, 0, 0, false},
    {'P', D::kMemo, 0, true, false, T::kNothing, 0, 0, false},
    {'W', D::kMemo, 0, true, false, T::kNothing, 0, 0, false},
};

// Row numbers by letter, so that the check of every field written is one load.
constexpr std::array<int8_t, 128> kRowOfLetter = [] {
  std::array<int8_t, 128> rows{};
  rows.fill(-1);
  for (size_t i = 0; i < std::size(kFieldTypes); ++i) {
    rows[static_cast<unsigned char>(kFieldTypes[i].letter)] = static_cast<int8_t>(i);
  }
  return rows;
}();

}  // namespace

const FieldType* FindFieldType(char letter) {
  const auto c = static_cast<unsigned char>(letter);
  if (c >= kRowOfLetter.size() || kRowOfLetter[c] < 0) return nullptr;
  return &kFieldTypes[kRowOfLetter[c]];
}

FieldDecode DecodeOf(char letter, uint32_t length, DbfDialect dialect) {
  // B is a double in Visual FoxPro tables and a memo pointer (binary memo) in dBASE ones.
  if (letter == 'B' && dialect != DbfDialect::kVisualFoxPro) return D::kMemo;
  if (dialect == DbfDialect::kDbase7) {
    switch (letter) {
      case 'I':
      case '+':
        return length == 4 ? D::kLong7 : D::kBytes;
      case 'O':
        return length == 8 ? D::kDouble7 : D::kBytes;
      case '@':
        return length == 8 ? D::kTimestamp7 : D::kBytes;
      default:
        break;
    }
  }
  const FieldType* t = FindFieldType(letter);
  if (!t || (t->binaryLength != 0 && length != t->binaryLength)) return D::kBytes;
  return t->decode;
}

Value BlankValueOf(char letter, uint32_t length) {
  const FieldType* t = FindFieldType(letter);
  switch (t ? t->takes : T::kNothing) {
    case T::kText:
      return t->memo ? std::string() : std::string(length, ' ');
    case T::kNumber:
      return Decimal{};
    case T::kDate:
      return Date{};
    case T::kLogical:
      return false;
    case T::kNothing:
      break;
  }
  return Null{};
}

}  // namespace tabrix
