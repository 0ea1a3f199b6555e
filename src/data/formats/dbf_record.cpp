#include "data/formats/dbf_record.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <optional>

#include "data/base/byte_coding.h"

namespace tabrix {

namespace {

bool IsBlankByte(uint8_t b) {
  return b == ' ' || b == 0;
}

// Trims blanks and NUL bytes on both sides.
std::string_view TrimmedText(std::span<const uint8_t> bytes) {
  size_t b = 0, e = bytes.size();
  while (b < e && IsBlankByte(bytes[b])) ++b;
  while (e > b && IsBlankByte(bytes[e - 1])) --e;
  return {reinterpret_cast<const char*>(bytes.data()) + b, e - b};
}

// What ParseNumber makes of a field's text.
enum class NumberRead {
  kOk,
  kBadExponent,    // an exponent marker without the digits of an exponent
  kExponentRange,  // an exponent form whose value a Decimal cannot hold exactly
};

bool IsExponentMarker(uint8_t c) {
  return c == 'e' || c == 'E';
}

// The exponent form of rule 6 (dbf_record.h, "Reading numbers"): `text` from its marker on,
// applied to the mantissa *d.
NumberRead ApplyExponent(std::string_view text, Decimal* d) {
  size_t i = 1;  // after the marker
  const bool negative = i < text.size() && text[i] == '-';
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digitsAt = i;
  int64_t exponent = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    // Past a few thousand no field's value can be exact anyway; the cap keeps the sum small.
    exponent = std::min<int64_t>(exponent * 10 + (text[i] - '0'), 100000);
  }
  if (i == digitsAt) return NumberRead::kBadExponent;
  const int64_t scale = d->scale - (negative ? -exponent : exponent);
  constexpr int64_t kMaxScale = 255;  // the decimals Decimal::FromText takes
  if (d->coefficient == 0) {
    d->scale = static_cast<int16_t>(std::clamp<int64_t>(scale, 0, kMaxScale));
    return NumberRead::kOk;
  }
  if (scale > kMaxScale) return NumberRead::kExponentRange;
  if (scale >= 0) {
    d->scale = static_cast<int16_t>(scale);
    return NumberRead::kOk;
  }
  // Zeros before the point become digits of the coefficient, which holds 38 of them.
  int digits = 0;
  for (unsigned __int128 c = d->coefficient; c != 0; c /= 10) ++digits;
  if (digits - scale > Decimal::kMaxDigits) return NumberRead::kExponentRange;
  for (int64_t k = 0; k < -scale; ++k) d->coefficient *= 10;
  d->scale = 0;
  return NumberRead::kOk;
}

// The rule for the text of N and F fields (dbf_record.h, "Reading numbers"): the longest
// leading part of the trimmed text that has the form of a number, read exactly, with its
// exponent when one follows.
NumberRead ParseNumber(std::span<const uint8_t> bytes, Decimal* out) {
  // One pass over the bytes for what fields nearly always hold: blanks, then up to 19 digits,
  // which 64 bits take. A blank or anything else after the number ends it, as trimming would;
  // an exponent marker and longer numbers take the full path below.
  {
    size_t i = 0;
    while (i < bytes.size() && IsBlankByte(bytes[i])) ++i;
    const bool negative = i < bytes.size() && bytes[i] == '-';
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) ++i;
    uint64_t digits = 0;
    int count = 0, decimals = 0;
    bool point = false;
    for (; i < bytes.size(); ++i) {
      const uint8_t c = bytes[i];
      if (c >= '0' && c <= '9') {
        digits = digits * 10 + static_cast<unsigned>(c - '0');
        decimals += point;
        if (++count > 19) break;
      } else if (c == '.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (count == 0) {
      *out = Decimal{};
      return NumberRead::kOk;
    }
    if (count <= 19 && !(i < bytes.size() && IsExponentMarker(bytes[i]))) {
      Decimal d;
      d.coefficient = digits;
      d.scale = static_cast<int16_t>(decimals);
      d.negative = negative;
      *out = d;
      return NumberRead::kOk;
    }
  }
  const std::string_view t = TrimmedText(bytes);
  size_t end = 0;
  if (end < t.size() && (t[end] == '+' || t[end] == '-')) ++end;
  for (bool point = false; end < t.size(); ++end) {
    const char c = t[end];
    if (c == '.' && !point) {
      point = true;
    } else if (c < '0' || c > '9') {
      break;
    }
  }
  std::optional<Decimal> d = Decimal::FromText(t.substr(0, end));
  *out = d ? *d : Decimal{};
  if (d && end < t.size() && IsExponentMarker(static_cast<uint8_t>(t[end]))) {
    const NumberRead read = ApplyExponent(t.substr(end), out);
    if (read != NumberRead::kOk) *out = Decimal{};
    return read;
  }
  return NumberRead::kOk;
}

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// YYYYMMDD in exactly 8 bytes; the empty date for anything else and for a day that does not
// exist.
Date ParseDate8(std::span<const uint8_t> bytes) {
  if (bytes.size() != 8) return {};
  int v[8];
  for (int i = 0; i < 8; ++i) {
    if (bytes[i] < '0' || bytes[i] > '9') return {};
    v[i] = bytes[i] - '0';
  }
  Date d{v[0] * 1000 + v[1] * 100 + v[2] * 10 + v[3], v[4] * 10 + v[5], v[6] * 10 + v[7]};
  if (d.year == 0 || d.month < 1 || d.month > 12 || d.day < 1 ||
      d.day > DaysInMonth(d.year, d.month)) {
    return {};
  }
  return d;
}

// The rule for D fields (dbf_record.h, "Reading dates"). False when it cannot decide: the
// caller hands out the stored bytes.
bool ParseDate(std::span<const uint8_t> bytes, Date* out) {
  if (bytes.size() == 8) {
    *out = ParseDate8(bytes);
    return true;
  }
  const std::string_view t = TrimmedText(bytes);
  if (t.empty()) {
    *out = Date{};
    return true;
  }
  auto digits = [](std::string_view d) {
    return std::all_of(d.begin(), d.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  std::string ymd;
  if (t.size() == 8 && digits(t)) {
    ymd = t;
  } else if (t.size() == 10 && t[4] == '-' && t[7] == '-' && digits(t.substr(0, 4)) &&
             digits(t.substr(5, 2)) && digits(t.substr(8, 2))) {
    ymd = std::string(t.substr(0, 4)) + std::string(t.substr(5, 2)) + std::string(t.substr(8, 2));
  } else {
    return false;
  }
  *out = ParseDate8({reinterpret_cast<const uint8_t*>(ymd.data()), ymd.size()});
  return true;
}

// dBASE 7 binary numbers (field_types.h, DecodeOf): big-endian, stored so that the bytes sort as
// the values do.
int32_t DecodeLong7(const uint8_t* p) {
  const uint32_t stored =
      (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
  return static_cast<int32_t>(stored ^ 0x80000000u);
}

double DecodeDouble7(const uint8_t* p) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | p[i];
  // A set top bit marks a positive value (its own sign bit cleared); a negative value has all
  // its bits inverted.
  bits = (bits & 0x8000000000000000ull) ? bits & 0x7FFFFFFFFFFFFFFFull : ~bits;
  double v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

// Milliseconds from 0001-01-01 (day 1): a plain big-endian double. False when they do not name
// a moment (not finite, before day 1, fractions of a millisecond or past year 9999).
bool DecodeTimestamp7(const uint8_t* p, DateTime* out) {
  uint64_t bits = 0;
  for (int i = 0; i < 8; ++i) bits = (bits << 8) | p[i];
  double ms;
  std::memcpy(&ms, &bits, sizeof ms);
  constexpr double kMsPerDay = 86400000.0;
  constexpr double kLastDay = 3652059.0;  // 9999-12-31 counted from 0001-01-01 as day 1
  if (!(ms >= kMsPerDay && ms < (kLastDay + 1) * kMsPerDay) || ms != std::floor(ms)) {
    return false;
  }
  const auto total = static_cast<int64_t>(ms);
  const int64_t day = total / 86400000;
  // Julian day number of day 1 (0001-01-01) is 1 721 426.
  out->date = DateFromJulianDay(static_cast<int32_t>(day + 1721425));
  out->millisOfDay = static_cast<int32_t>(total % 86400000);
  return !out->date.empty();
}

// The string *out holds, made the held alternative (empty) when it is another.
std::string* StringIn(Value* out) {
  if (std::string* s = std::get_if<std::string>(out)) return s;
  return &out->emplace<std::string>();
}

std::string* BlobBytesIn(Value* out) {
  if (Blob* b = std::get_if<Blob>(out)) return &b->bytes;
  return &out->emplace<Blob>().bytes;
}

void AssignBytes(std::string* s, std::span<const uint8_t> bytes) {
  // A text field has the same length in every record: the string read from the previous
  // record is overwritten in place.
  if (s->size() == bytes.size()) {
    if (!bytes.empty()) std::memcpy(s->data(), bytes.data(), bytes.size());
    return;
  }
  s->assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

}  // namespace

DbfRecordDecoder::DbfRecordDecoder(const DbfHeader& header, std::string fileName,
                                   const MemoSource* memo)
    : header_(header), fileName_(std::move(fileName)), memo_(memo) {
  plans_.reserve(header.fields.size());
  for (const DbfField& f : header.fields) {
    FieldPlan p;
    p.offset = f.offset;
    p.length = f.length;
    p.nullable = f.nullBit >= 0 && header.nullFlagsField >= 0;
    p.decode = DecodeOf(f.type, f.length, header.dialect());
    plans_.push_back(p);
  }
}

bool DbfRecordDecoder::NullBit(std::span<const uint8_t> record, int bit) const {
  if (bit < 0 || header_.nullFlagsField < 0) return false;
  const DbfField& nf = header_.fields[header_.nullFlagsField];
  // The header guarantees the field lies inside the record.
  std::span<const uint8_t> flags = record.subspan(nf.offset, nf.length);
  // Programs that know nothing of null flags fill the whole record, _NullFlags included, with
  // blanks, and then write values into nullable fields (seen in the field: every record of
  // such a table would lose a column). Blank flags therefore mark nothing.
  if (std::all_of(flags.begin(), flags.end(), [](uint8_t c) { return c == ' '; })) return false;
  size_t at = static_cast<size_t>(bit) / 8;
  return at < flags.size() && ((flags[at] >> (bit % 8)) & 1) != 0;
}

Result<uint32_t> DbfRecordDecoder::MemoBlock(std::span<const uint8_t> record, uint64_t recordOffset,
                                             size_t index) const {
  const DbfField& f = header_.fields[index];
  std::span<const uint8_t> bytes = record.subspan(f.offset, f.length);
  if (f.length == 4) return DecodeLE32(bytes.data());
  std::string_view t = TrimmedText(bytes);
  uint64_t v = 0;
  for (char c : t) {
    if (c < '0' || c > '9' || v > 0xFFFFFFFFull / 10) {
      return Corruption(fileName_, recordOffset + f.offset,
                        "memo pointer of " + f.name + " is not a block number");
    }
    v = v * 10 + static_cast<uint64_t>(c - '0');
  }
  if (v > 0xFFFFFFFFull) {
    return Corruption(fileName_, recordOffset + f.offset,
                      "memo pointer of " + f.name + " is out of range");
  }
  return static_cast<uint32_t>(v);
}

Status DbfRecordDecoder::MemoValueInto(std::span<const uint8_t> record, uint64_t recordOffset,
                                       size_t index, Value* out) const {
  const DbfField& f = header_.fields[index];
  const bool text = f.type == 'M' && !(f.flags & kFieldFlagBinary);
  Result<uint32_t> block = MemoBlock(record, recordOffset, index);
  if (!block) return block.error();
  std::string* bytes = text ? StringIn(out) : BlobBytesIn(out);
  if (block.value() == 0) {
    bytes->clear();
    return {};
  }
  if (memo_ == nullptr) {
    return Corruption(fileName_, recordOffset + f.offset,
                      "field " + f.name + " points into a memo file that is not open");
  }
  Result<uint32_t> type = memo_->ReadMemoInto(block.value(), bytes);
  if (!type) return type.error();
  // A text field pointing at a picture or object block hands out its bytes as a Blob.
  if (text && type.value() != kMemoTypeText) *out = Blob{std::move(*bytes)};
  return {};
}

Result<Value> DbfRecordDecoder::Field(std::span<const uint8_t> record, uint64_t recordOffset,
                                      size_t index) const {
  Value v;
  Status s = FieldInto(record, recordOffset, index, &v);
  if (!s) return s.error();
  return v;
}

Status DbfRecordDecoder::FieldInto(std::span<const uint8_t> record, uint64_t recordOffset,
                                   size_t index, Value* out) const {
  const FieldPlan& p = plans_[index];
  if (p.nullable && NullBit(record, header_.fields[index].nullBit)) {
    *out = Null{};
    return {};
  }
  // The header guarantees every field lies inside the record.
  const std::span<const uint8_t> bytes(record.data() + p.offset, p.length);
  switch (p.decode) {
    case Decode::kText:
      AssignBytes(StringIn(out), bytes);
      return {};
    case Decode::kVarText:
    case Decode::kVarBytes: {
      size_t n = bytes.size();
      if (n != 0 && NullBit(record, header_.fields[index].varLengthBit)) {
        n = std::min<size_t>(bytes.back(), n - 1);
      }
      AssignBytes(p.decode == Decode::kVarText ? StringIn(out) : BlobBytesIn(out), bytes.first(n));
      return {};
    }
    case Decode::kNumber: {
      Decimal* d = std::get_if<Decimal>(out);
      if (!d) d = &out->emplace<Decimal>();
      const NumberRead read = ParseNumber(bytes, d);
      if (read == NumberRead::kOk) [[likely]] {
        return {};
      }
      return Corruption(fileName_, recordOffset + p.offset,
                        "field " + header_.fields[index].name +
                            (read == NumberRead::kBadExponent
                                 ? " holds an exponent marker without an exponent"
                                 : " holds an exponent form past the exact numbers"));
    }
    case Decode::kDate: {
      Date d;
      if (ParseDate(bytes, &d)) {
        *out = d;
        return {};
      }
      break;  // the stored bytes
    }
    case Decode::kLogical: {
      const uint8_t c = bytes.empty() ? ' ' : bytes[0];
      *out = c == 'T' || c == 't' || c == 'Y' || c == 'y';
      return {};
    }
    case Decode::kInt32:
      *out = static_cast<int32_t>(DecodeLE32(bytes.data()));
      return {};
    case Decode::kCurrency:
      *out = Currency{static_cast<int64_t>(DecodeLE64(bytes.data()))};
      return {};
    case Decode::kDouble:
      *out = DecodeLEDouble(bytes.data());
      return {};
    case Decode::kDateTime: {
      int32_t jdn = static_cast<int32_t>(DecodeLE32(bytes.data()));
      int32_t ms = static_cast<int32_t>(DecodeLE32(bytes.data() + 4));
      DateTime dt{DateFromJulianDay(jdn), 0};
      if (!dt.date.empty() && ms >= 0 && ms < 86400000) dt.millisOfDay = ms;
      *out = dt;
      return {};
    }
    case Decode::kLong7:
    case Decode::kDouble7:
    case Decode::kTimestamp7: {
      // dBASE 7 leaves an empty binary field all zero (the stored zero is 80 00 ...).
      if (std::all_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b == 0; })) {
        *out = Null{};
        return {};
      }
      if (p.decode == Decode::kLong7) {
        *out = DecodeLong7(bytes.data());
        return {};
      }
      if (p.decode == Decode::kDouble7) {
        *out = DecodeDouble7(bytes.data());
        return {};
      }
      DateTime dt;
      if (DecodeTimestamp7(bytes.data(), &dt)) {
        *out = dt;
        return {};
      }
      break;  // the stored bytes
    }
    case Decode::kMemo:
      return MemoValueInto(record, recordOffset, index, out);
    case Decode::kBytes:
      break;
  }
  AssignBytes(BlobBytesIn(out), bytes);
  return {};
}

namespace {

// Binary fields are blank when zero; text fields when blank.
bool BlankIsZero(const DbfHeader& h, const DbfField& f) {
  switch (f.type) {
    case 'I':
    case 'Y':
    case 'T':
    case '0':
      return true;
    case 'B':
      return h.IsVisualFoxPro() || f.length == 4;
    case '+':
    case 'O':
    case '@':
      return h.IsDbase7();
    case 'M':
    case 'G':
    case 'P':
    case 'W':
      return f.length == 4;
    default:
      return false;
  }
}

}  // namespace

std::string BlankRecord(const DbfHeader& h) {
  std::string r(h.recordLength, ' ');
  for (const DbfField& f : h.fields) {
    if (BlankIsZero(h, f)) r.replace(f.offset, f.length, f.length, '\0');
  }
  return r;
}

namespace {

// The text of a number right-aligned in `out` (an N or F field of out.size() characters), or
// why it cannot be stored. Writes nothing on failure.
std::optional<std::string> FormatNumberInto(const Decimal& value, uint8_t decimals,
                                            std::span<uint8_t> out) {
  const size_t length = out.size();
  if (length == 0 || length > 64 || decimals > 30) return "number cannot be stored";
  // Halves round away from zero on the decimal digits (Decimal::Rounded, the rule the
  // converter's text form follows too); a value that rounds to zero is written without a sign.
  const Decimal rounded = value.Rounded(decimals);
  char buf[128];
  char* p = buf;
  if (rounded.IsNegative()) *p++ = '-';
  const size_t digits = rounded.MagnitudeText(decimals, p, sizeof buf - 1);
  const size_t n = static_cast<size_t>(p - buf) + digits;
  if (digits == 0 || n > length) {
    const std::string text = (rounded.IsNegative() ? "-" : "") + rounded.MagnitudeText(decimals);
    return "number " + text + " does not fit into " + std::to_string(length) + " characters";
  }
  std::memset(out.data(), ' ', length - n);
  std::memcpy(out.data() + (length - n), buf, n);
  return std::nullopt;
}

// A double written with `decimals` places straight from binary, where that gives the digits
// the decimal rule gives (Decimal::FromDouble, then Rounded: the double's shortest text rounded
// half away from zero). It does when the scaled value y = value * 10^decimals is below 2^40 and
// its fraction is not within 1/1000 of a half: y and the scaled shortest text then differ by
// less than 2^-12 (one rounding of the product, half an ulp between the double and its text),
// so both round to the same integer. Returns false, writing nothing, when the decimal path must
// decide (near a half, large values, or a number that does not fit, for its message).
bool FormatDoubleInto(double value, uint8_t decimals, std::span<uint8_t> out) {
  static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
  if (decimals >= std::size(kPow10)) return false;
  const double y = value * kPow10[decimals];
  if (!(std::fabs(y) < 1099511627776.0)) return false;  // 2^40; NaN fails here too
  const double whole = std::trunc(y);
  const double fraction = std::fabs(y - whole);
  if (std::fabs(fraction - 0.5) < 1e-3) return false;
  const int64_t scaled = static_cast<int64_t>(whole) + (fraction > 0.5 ? (y < 0 ? -1 : 1) : 0);
  char digits[24];
  const uint64_t magnitude =
      scaled < 0 ? static_cast<uint64_t>(-scaled) : static_cast<uint64_t>(scaled);
  const size_t n =
      static_cast<size_t>(std::to_chars(digits, digits + sizeof digits, magnitude).ptr - digits);
  // At least one digit before the point: "0.05" from 5 with two decimals.
  const size_t shown = std::max<size_t>(n, size_t{decimals} + 1);
  const size_t length = (scaled < 0) + shown + (decimals > 0);
  if (length > out.size()) return false;
  uint8_t* p = out.data();
  std::memset(p, ' ', out.size() - length);
  p += out.size() - length;
  if (scaled < 0) *p++ = '-';
  for (size_t i = 0; i < shown; ++i) {
    if (decimals > 0 && i == shown - decimals) *p++ = '.';
    *p++ = i < shown - n ? '0' : static_cast<uint8_t>(digits[i - (shown - n)]);
  }
  return true;
}

}  // namespace

Result<std::string> FormatNumberField(const Decimal& value, uint32_t length, uint8_t decimals) {
  std::string text(std::min<uint32_t>(length, 65), ' ');
  std::optional<std::string> why = FormatNumberInto(
      value, decimals, {reinterpret_cast<uint8_t*>(text.data()), length > 64 ? 0 : text.size()});
  if (why) return FormatError{FormatErrorKind::kInvalidValue, "", 0, std::move(*why)};
  return text;
}

Result<std::string> FormatNumberField(double value, uint32_t length, uint8_t decimals) {
  if (length > 0 && length <= 64) {
    std::string text(length, ' ');
    if (FormatDoubleInto(value, decimals, {reinterpret_cast<uint8_t*>(text.data()), length})) {
      return text;
    }
  }
  const std::optional<Decimal> d = Decimal::FromDouble(value);
  if (!d) return FormatError{FormatErrorKind::kInvalidValue, "", 0, "number cannot be stored"};
  return FormatNumberField(*d, length, decimals);
}

namespace {

// The refusals of EncodeField, apart from its hot path (it runs for every field written).
[[gnu::cold, gnu::noinline]] Status Refused(const DbfField& f, const char* what) {
  return FormatError{FormatErrorKind::kInvalidValue, "", 0, std::string(what) + f.name};
}
[[gnu::cold, gnu::noinline]] Status NumberRefused(const DbfField& f, const std::string& why) {
  return FormatError{FormatErrorKind::kInvalidValue, "", 0, why + " (field " + f.name + ")"};
}
[[gnu::cold, gnu::noinline]] Status TypeNotWritten(const DbfField& f) {
  return FormatError{
      FormatErrorKind::kInvalidValue, "", 0,
      "field " + f.name + " of type " + std::string(1, f.type) + " is not written here"};
}

}  // namespace

Status EncodeField(const DbfHeader& h, size_t index, const Value& value,
                   std::span<uint8_t> record) {
  const DbfField& f = h.fields[index];
  std::span<uint8_t> out = record.subspan(f.offset, f.length);
  if (std::holds_alternative<Null>(value)) {
    std::memset(out.data(), BlankIsZero(h, f) ? 0 : ' ', out.size());
    return {};
  }
  const char* const kWrongType = "value of the wrong type for field ";
  switch (f.type) {
    case 'C': {
      const std::string* s = std::get_if<std::string>(&value);
      if (!s) return Refused(f, kWrongType);
      // memcpy and memset: char to byte copies would go byte by byte.
      size_t n = std::min<size_t>(s->size(), out.size());
      std::memcpy(out.data(), s->data(), n);
      std::memset(out.data() + n, ' ', out.size() - n);
      return {};
    }
    case 'N':
    case 'F': {
      Decimal d;
      if (const Decimal* p = std::get_if<Decimal>(&value)) {
        d = *p;
      } else if (const double* x = std::get_if<double>(&value)) {
        if (FormatDoubleInto(*x, f.decimals, out)) return {};
        const std::optional<Decimal> fromDouble = Decimal::FromDouble(*x);
        if (!fromDouble) return NumberRefused(f, "number cannot be stored");
        d = *fromDouble;
      } else if (const int32_t* i = std::get_if<int32_t>(&value)) {
        d = Decimal::FromInt(*i);
      } else {
        return Refused(f, kWrongType);
      }
      if (std::optional<std::string> why = FormatNumberInto(d, f.decimals, out)) {
        return NumberRefused(f, *why);
      }
      return {};
    }
    case 'D': {
      const Date* d = std::get_if<Date>(&value);
      if (!d) return Refused(f, kWrongType);
      if (d->empty()) {
        std::memset(out.data(), ' ', out.size());
        return {};
      }
      // YYYYMMDD, then blanks in a field longer than 8 (what the reading rule takes back).
      if (d->year < 1 || d->year > 9999 || d->month < 1 || d->month > 12 || d->day < 1 ||
          d->day > DaysInMonth(d->year, d->month) || f.length < 8) {
        return Refused(f, "invalid date for ");
      }
      std::memset(out.data() + 8, ' ', out.size() - 8);
      // YYYYMMDD, the ranges checked above.
      const int parts[] = {d->year / 100, d->year % 100, d->month, d->day};
      for (int i = 0; i < 4; ++i) {
        out[2 * i] = static_cast<uint8_t>('0' + parts[i] / 10);
        out[2 * i + 1] = static_cast<uint8_t>('0' + parts[i] % 10);
      }
      return {};
    }
    case 'L': {
      const bool* b = std::get_if<bool>(&value);
      if (!b) return Refused(f, kWrongType);
      if (out.empty()) return Refused(f, "no room for a logical in ");
      out[0] = *b ? 'T' : 'F';
      return {};
    }
    default:
      return TypeNotWritten(f);
  }
}

Status EncodeMemoBlock(const DbfHeader& h, size_t index, uint32_t block,
                       std::span<uint8_t> record) {
  const DbfField& f = h.fields[index];
  if (!IsMemoField(h, f)) {
    return FormatError{FormatErrorKind::kInvalidValue, "", 0, f.name + " is not a memo field"};
  }
  std::span<uint8_t> out = record.subspan(f.offset, f.length);
  if (f.length == 4) {
    EncodeLE32(out.data(), block);
    return {};
  }
  // Right-aligned digits, built from the end of the field.
  size_t at = out.size();
  for (uint32_t rest = block; rest != 0; rest /= 10) {
    if (at == 0) {
      std::memset(out.data(), ' ', out.size());
      return FormatError{FormatErrorKind::kInvalidValue, "", 0, "memo block number too large"};
    }
    out[--at] = static_cast<uint8_t>('0' + rest % 10);
  }
  std::memset(out.data(), ' ', at);
  return {};
}

}  // namespace tabrix
