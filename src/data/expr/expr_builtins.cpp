// The bodies of the functions of expr_functions.h, with the edge rules each follows.

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "data/base/codepage.h"
#include "data/expr/expr_date.h"
#include "data/expr/expr_eval.h"

namespace tabrix {
namespace {

// LOWER: the inverse of the German upper case of code page 850 (A-Z, and Ä Ö Ü back to
// ä ö ü); every other byte stays, as UPPER leaves it.
unsigned char LowerGerman850(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c - 'A' + 'a');
  switch (c) {
    case 0x8E:
      return 0x84;  // Ä
    case 0x99:
      return 0x94;  // Ö
    case 0x9A:
      return 0x81;  // Ü
    default:
      return c;
  }
}

// Byte tables of both, built once: UPPER runs over every key of an index build.
using CaseTable = std::array<unsigned char, 256>;
const CaseTable& CaseTableOf(bool upper) {
  static const auto make = [](bool up) {
    CaseTable t;
    for (int c = 0; c < 256; ++c) {
      const auto u = static_cast<unsigned char>(c);
      t[static_cast<size_t>(c)] = up ? UpperGerman850(u) : LowerGerman850(u);
    }
    return t;
  };
  static const CaseTable kUpper = make(true);
  static const CaseTable kLower = make(false);
  return upper ? kUpper : kLower;
}

// EMPTY() of text: nothing but blanks, tabs and line ends.
bool IsBlankText(std::string_view text) {
  return text.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

const Date& DateOf(const ExprSlot& s, ExprType type) {
  return type == ExprType::kDateTime ? s.time.date : s.date;
}

// The text PADx pads: a number with its own digits ("12.50"; a double as the shortest
// decimal that reads back as it), a date as DTOC, a datetime as TTOC.
void AppendPadText(const ExprSlot& s, ExprType type, std::string* out) {
  switch (type) {
    case ExprType::kNumeric: {
      if (s.number.exact) {
        out->append(s.number.dec.Text());
      } else if (std::optional<Decimal> d = Decimal::FromDouble(s.number.dbl)) {
        out->append(d->Text());
      } else {
        out->append(std::isnan(s.number.dbl) ? "NaN" : (s.number.dbl < 0 ? "-Inf" : "Inf"));
      }
      break;
    }
    case ExprType::kDate:
      AppendDtoc(s.date, out);
      break;
    case ExprType::kDateTime:
      AppendTtoc(s.time, 0, out);
      break;
    default:
      out->append(s.text);
      break;
  }
}

}  // namespace

bool ExprEvaluator::Call(int i) {
  const ExprNode& n = node(i);
  ExprSlot& s = slot(i);
  if (n.func == FuncId::kIif) {
    // Only the branch chosen is evaluated: the other may not make sense for this record.
    const int cond = child(n, 0);
    if (!Eval(cond)) return false;
    const int pick = child(n, slot(cond).logical ? 1 : 2);
    if (!Eval(pick)) return false;
    const ExprSlot& p = slot(pick);
    s.text = p.text;
    s.number = p.number;
    s.date = p.date;
    s.time = p.time;
    s.logical = p.logical;
    return true;
  }
  for (int k = 0; k < n.count; ++k) {
    if (!Eval(child(n, k))) return false;
  }
  auto arg = [&](int k) -> const ExprSlot& { return slot(child(n, k)); };
  auto argType = [&](int k) { return node(child(n, k)).type; };
  auto intArg = [&](int k) { return TruncatedInt(arg(k).number); };
  // A length asked of SPACE, REPLICATE, PADx: refused past kMaxTextLength.
  auto tooLong = [&](int64_t length) {
    return Fail(i, kGenStringOverflow,
                "text of " + std::to_string(length) + " bytes is longer than " +
                    std::to_string(kMaxTextLength));
  };
  auto setBuffer = [&] { s.text = s.buffer; };

  switch (n.func) {
    case FuncId::kIif:
      break;  // handled above
    case FuncId::kEmpty: {
      const ExprSlot& a = arg(0);
      switch (argType(0)) {
        case ExprType::kCharacter:
          s.logical = IsBlankText(a.text);
          break;
        case ExprType::kNumeric:
          s.logical = a.number.IsZero();
          break;
        case ExprType::kDate:
          s.logical = a.date.empty();
          break;
        case ExprType::kDateTime:
          s.logical = a.time.date.empty();
          break;
        case ExprType::kLogical:
          s.logical = !a.logical;
          break;
      }
      return true;
    }
    case FuncId::kChr: {
      // 0..255 only: a code past a byte is refused rather than taken modulo 256.
      const int64_t code = intArg(0);
      if (code < 0 || code > 255) {
        return Fail(i, kGenArg, "CHR code " + std::to_string(code) + " is outside 0..255");
      }
      s.buffer.assign(1, static_cast<char>(code));
      setBuffer();
      return true;
    }
    case FuncId::kSpace: {
      const int64_t count = std::max<int64_t>(0, intArg(0));
      if (count > static_cast<int64_t>(kMaxTextLength)) return tooLong(count);
      s.buffer.assign(static_cast<size_t>(count), ' ');
      setBuffer();
      return true;
    }
    case FuncId::kReplicate: {
      const std::string_view a = arg(0).text;
      const int64_t count = std::max<int64_t>(0, intArg(1));
      if (!a.empty() && count > static_cast<int64_t>(kMaxTextLength / a.size())) {
        return tooLong(count * static_cast<int64_t>(a.size()));
      }
      s.buffer.clear();
      for (int64_t k = 0; k < count; ++k) s.buffer.append(a);
      setBuffer();
      return true;
    }
    case FuncId::kLen:
      s.number = Number::Int(static_cast<int64_t>(arg(0).text.size()));
      return true;
    case FuncId::kAsc:
      s.number = Number::Int(arg(0).text.empty() ? 0 : static_cast<unsigned char>(arg(0).text[0]));
      return true;
    case FuncId::kAt: {
      // AT("", s) is 0: an empty text is found nowhere (and $ follows the same rule).
      const std::string_view needle = arg(0).text, hay = arg(1).text;
      const size_t at = needle.empty() ? std::string_view::npos : hay.find(needle);
      s.number = Number::Int(at == std::string_view::npos ? 0 : static_cast<int64_t>(at) + 1);
      return true;
    }
    case FuncId::kUpper:
    case FuncId::kLower: {
      s.buffer.assign(arg(0).text);
      const CaseTable& table = CaseTableOf(n.func == FuncId::kUpper);
      for (char& c : s.buffer) c = static_cast<char>(table[static_cast<unsigned char>(c)]);
      setBuffer();
      return true;
    }
    case FuncId::kStr:
    case FuncId::kStrZero: {
      const char* name = n.func == FuncId::kStr ? "STR" : "STRZERO";
      const int64_t width = n.count >= 2 ? intArg(1) : 10;
      const int64_t decimals = n.count >= 3 ? intArg(2) : 0;
      if (width < 1 || width > static_cast<int64_t>(kMaxTextLength)) {
        return Fail(i, kGenArg,
                    std::string(name) + " length " + std::to_string(width) + " is outside 1.." +
                        std::to_string(kMaxTextLength));
      }
      if (decimals < 0) {
        return Fail(i, kGenArg,
                    std::string(name) + " decimals " + std::to_string(decimals) + " is below 0");
      }
      FormatStr(arg(0).number, width, decimals, &s.buffer);
      if (n.func == FuncId::kStrZero && s.buffer[0] != '*') {
        // Zeros where STR has leading blanks; a minus sign goes in front of them.
        const size_t blanks = s.buffer.find_first_not_of(' ');
        if (blanks != std::string::npos && blanks > 0) {
          const bool negative = s.buffer[blanks] == '-';
          std::fill(s.buffer.begin(), s.buffer.begin() + static_cast<std::ptrdiff_t>(blanks), '0');
          if (negative) {
            s.buffer[blanks] = '0';
            s.buffer[0] = '-';
          }
        }
      }
      setBuffer();
      return true;
    }
    case FuncId::kDtos:
    case FuncId::kDtoc:
      s.buffer.clear();
      if (n.func == FuncId::kDtos) {
        AppendDtos(DateOf(arg(0), argType(0)), &s.buffer);
      } else {
        AppendDtoc(DateOf(arg(0), argType(0)), &s.buffer);
      }
      setBuffer();
      return true;
    case FuncId::kCtod:
      s.date = ParseCtod(arg(0).text);
      return true;
    case FuncId::kTrim: {
      const std::string_view a = arg(0).text;
      s.text = a.substr(0, a.find_last_not_of(' ') + 1);  // npos + 1 == 0: all blanks
      return true;
    }
    case FuncId::kLtrim:
    case FuncId::kAlltrim: {
      std::string_view a = arg(0).text;
      const size_t first = a.find_first_not_of(' ');
      a = first == std::string_view::npos ? std::string_view() : a.substr(first);
      if (n.func == FuncId::kAlltrim) a = a.substr(0, a.find_last_not_of(' ') + 1);
      s.text = a;
      return true;
    }
    case FuncId::kLeft:
    case FuncId::kRight: {
      // A count of 0 or below gives "", a count past the length the whole text.
      const std::string_view a = arg(0).text;
      const size_t count =
          static_cast<size_t>(std::clamp<int64_t>(intArg(1), 0, static_cast<int64_t>(a.size())));
      s.text = n.func == FuncId::kLeft ? a.substr(0, count) : a.substr(a.size() - count);
      return true;
    }
    case FuncId::kSubstr: {
      // Start 0 is 1; a negative start counts from the end (-1 is the last byte), clamped to
      // the first; a start past the end gives "". Without a count: to the end; a count of 0
      // or below gives "".
      const std::string_view a = arg(0).text;
      const int64_t size = static_cast<int64_t>(a.size());
      int64_t start = intArg(1);
      if (start < 0) start = std::max<int64_t>(1, size + start + 1);
      if (start == 0) start = 1;
      if (start > size) {
        s.text = std::string_view();
        return true;
      }
      int64_t count = n.count >= 3 ? intArg(2) : size;
      count = std::clamp<int64_t>(count, 0, size - start + 1);
      s.text = a.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
      return true;
    }
    case FuncId::kPadr:
    case FuncId::kPadl:
    case FuncId::kPadc: {
      // Exactly n bytes: a longer text is cut to its first n in all three (the beginning is
      // what a key sorts on); n of 0 or below gives "". The fill is the first byte of the
      // third argument, a blank when it is absent or empty.
      const int64_t width = intArg(1);
      if (width > static_cast<int64_t>(kMaxTextLength)) return tooLong(width);
      const size_t w = static_cast<size_t>(std::max<int64_t>(0, width));
      const char fill = n.count >= 3 && !arg(2).text.empty() ? arg(2).text[0] : ' ';
      std::string_view source = arg(0).text;
      if (argType(0) != ExprType::kCharacter) {
        s.buffer.clear();
        AppendPadText(arg(0), argType(0), &s.buffer);
        source = s.buffer;
      }
      if (source.size() >= w) {
        if (argType(0) == ExprType::kCharacter) {
          s.text = source.substr(0, w);
        } else {
          s.buffer.resize(w);
          setBuffer();
        }
        return true;
      }
      const size_t pad = w - source.size();
      const size_t left = n.func == FuncId::kPadr ? 0 : (n.func == FuncId::kPadl ? pad : pad / 2);
      if (argType(0) == ExprType::kCharacter) s.buffer.assign(source);
      s.buffer.insert(0, left, fill);
      s.buffer.append(pad - left, fill);
      setBuffer();
      return true;
    }
    case FuncId::kVal:
      s.number = ParseVal(arg(0).text);
      return true;
    case FuncId::kDeleted:
      s.logical = record_->IsDeleted();
      return true;
    case FuncId::kRecno:
      s.number = Number::Int(record_->RecordNumber());
      return true;
    case FuncId::kYear:
    case FuncId::kMonth:
    case FuncId::kDay: {
      const Date& d = DateOf(arg(0), argType(0));
      const int part =
          n.func == FuncId::kYear ? d.year : (n.func == FuncId::kMonth ? d.month : d.day);
      s.number = Number::Int(d.empty() ? 0 : part);
      return true;
    }
    case FuncId::kInt:
      s.number = IntegerPart(arg(0).number);
      return true;
    case FuncId::kAbs:
      s.number = Absolute(arg(0).number);
      return true;
    case FuncId::kRound:
      s.number = RoundTo(arg(0).number, intArg(1));
      return true;
    case FuncId::kMax:
    case FuncId::kMin: {
      const ExprSlot& a = arg(0);
      const ExprSlot& b = arg(1);
      int c = 0;
      switch (argType(0)) {
        case ExprType::kCharacter:
          c = a.text.compare(b.text);
          break;
        case ExprType::kNumeric:
          c = Compare(a.number, b.number);
          break;
        case ExprType::kDate:
          c = JulianDayFromDate(a.date) < JulianDayFromDate(b.date) ? -1 : (a.date == b.date ? 0 : 1);
          break;
        case ExprType::kDateTime:
          c = JulianDayFromDate(a.time.date) != JulianDayFromDate(b.time.date)
                  ? (JulianDayFromDate(a.time.date) < JulianDayFromDate(b.time.date) ? -1 : 1)
                  : (a.time.millisOfDay < b.time.millisOfDay ? -1 : (a.time == b.time ? 0 : 1));
          break;
        case ExprType::kLogical:
          break;
      }
      const bool takeA = n.func == FuncId::kMax ? c >= 0 : c <= 0;
      const ExprSlot& p = takeA ? a : b;
      s.text = p.text;
      s.number = p.number;
      s.date = p.date;
      s.time = p.time;
      return true;
    }
    case FuncId::kTtoc: {
      const int64_t form = n.count >= 2 ? intArg(1) : 0;
      if (form < 0 || form > 3) {
        return Fail(i, kGenArg, "TTOC form " + std::to_string(form) + " is not 0, 1, 2 or 3");
      }
      s.buffer.clear();
      AppendTtoc(arg(0).time, static_cast<int>(form), &s.buffer);
      setBuffer();
      return true;
    }
    case FuncId::kTtod:
      s.date = arg(0).time.date;
      return true;
    case FuncId::kDtot:
      s.time = DateTime{arg(0).date, 0};
      return true;
    case FuncId::kBintoc: {
      // Big-endian two's complement with the sign bit flipped, so that the bytes sort as the
      // numbers do: BINTOC(0) is 80 00 00 00, BINTOC(-1) 7F FF FF FF.
      const int64_t size = n.count >= 2 ? intArg(1) : 4;
      if (size != 1 && size != 2 && size != 4 && size != 8) {
        return Fail(i, kGenArg,
                    "BINTOC size " + std::to_string(size) + " is not 1, 2, 4 or 8");
      }
      const int64_t value = intArg(0);
      const int bits = static_cast<int>(size) * 8;
      if (bits < 64) {
        const int64_t limit = int64_t{1} << (bits - 1);
        if (value < -limit || value >= limit) {
          return Fail(i, kGenNumOverflow,
                      "BINTOC value " + std::to_string(value) + " does not fit " +
                          std::to_string(size) + " bytes");
        }
      }
      const uint64_t u = static_cast<uint64_t>(value) ^ (uint64_t{1} << (bits - 1));
      s.buffer.resize(static_cast<size_t>(size));
      for (int k = 0; k < size; ++k) {
        s.buffer[static_cast<size_t>(k)] = static_cast<char>((u >> (8 * (size - 1 - k))) & 0xFF);
      }
      setBuffer();
      return true;
    }
  }
  return Fail(i, kGenSyntax, "internal: function without evaluation");
}

}  // namespace tabrix
