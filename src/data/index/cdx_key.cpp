#include "data/index/cdx_key.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "data/base/byte_coding.h"

namespace tabrix {
namespace {

constexpr double kMillisPerDay = 86400000.0;
constexpr char kNullPrefix = 0x00;
constexpr char kValuePrefix = static_cast<char>(0x80);

void AppendNumber(double d, std::string* key) {
  if (d == 0) d = 0;  // -0 sorts as 0
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  bits = (bits >> 63) ? ~bits : bits ^ (uint64_t{1} << 63);
  for (int i = 7; i >= 0; --i) key->push_back(static_cast<char>(bits >> (8 * i)));
}

bool NumberOf(const Value& value, double* d) {
  if (auto* x = std::get_if<Decimal>(&value)) {
    *d = x->ToDouble();
  } else if (auto* x = std::get_if<double>(&value)) {
    *d = *x;
  } else if (auto* x = std::get_if<int32_t>(&value)) {
    *d = *x;
  } else {
    return false;
  }
  return true;
}

const char* EncodeValue(KeyKind kind, size_t length, const Value& value, bool partial,
                        std::string* key) {
  switch (kind) {
    case KeyKind::kCharacter: {
      auto* s = std::get_if<std::string>(&value);
      if (!s) return "a character key needs a string";
      size_t n = std::min(s->size(), length);
      key->append(*s, 0, n);
      if (!partial) key->append(length - n, ' ');
      return nullptr;
    }
    case KeyKind::kNumeric: {
      double d;
      if (!NumberOf(value, &d)) return "a numeric key needs a number";
      if (std::isnan(d)) return "a numeric key cannot hold NaN";
      if (length == 8) {
        AppendNumber(d, key);
        return nullptr;
      }
      if (length != 4) return "numeric keys are 4 or 8 bytes";
      if (d != std::floor(d) || d < -2147483648.0 || d > 2147483647.0) {
        return "an integer key holds only whole numbers of 32 bits";
      }
      uint32_t u = static_cast<uint32_t>(static_cast<int32_t>(d)) ^ 0x80000000u;
      uint8_t b[4];
      EncodeBE32(b, u);
      key->append(reinterpret_cast<const char*>(b), 4);
      return nullptr;
    }
    case KeyKind::kDate: {
      auto* date = std::get_if<Date>(&value);
      if (!date) return "a date key needs a date";
      if (length != 8) return "date keys are 8 bytes";
      AppendNumber(date->empty() ? 0.0 : static_cast<double>(JulianDayFromDate(*date)), key);
      return nullptr;
    }
    case KeyKind::kDateTime: {
      DateTime t;
      if (auto* x = std::get_if<DateTime>(&value)) {
        t = *x;
      } else if (auto* x = std::get_if<Date>(&value)) {
        t.date = *x;
      } else {
        return "a date-time key needs a date-time";
      }
      if (length != 8) return "date-time keys are 8 bytes";
      double jd = t.date.empty() ? 0.0
                                 : static_cast<double>(JulianDayFromDate(t.date)) +
                                       static_cast<double>(t.millisOfDay) / kMillisPerDay;
      AppendNumber(jd, key);
      return nullptr;
    }
    case KeyKind::kLogical: {
      auto* b = std::get_if<bool>(&value);
      if (!b) return "a logical key needs a logical";
      if (length != 1) return "logical keys are 1 byte";
      key->push_back(*b ? 'T' : 'F');
      return nullptr;
    }
  }
  return "unknown key kind";
}

}  // namespace

uint8_t CdxFillByte(KeyKind kind) {
  return kind == KeyKind::kCharacter || kind == KeyKind::kLogical ? ' ' : 0x00;
}

bool EncodeCdxKey(KeyKind kind, int keyLength, bool nullable, const Value& value, bool partial,
                  std::string* key, std::string* error) {
  key->clear();
  size_t length = static_cast<size_t>(keyLength);
  if (nullable) {
    if (length < 2) {
      *error = "key length too short for a null prefix";
      return false;
    }
    --length;
    if (std::holds_alternative<Null>(value)) {
      key->push_back(kNullPrefix);
      if (!partial) key->append(length, static_cast<char>(CdxFillByte(kind)));
      return true;
    }
    key->push_back(kValuePrefix);
  }
  if (const char* why = EncodeValue(kind, length, value, partial, key)) {
    *error = why;
    key->clear();
    return false;
  }
  return true;
}

}  // namespace tabrix
