#pragma once
// Field values as the table layer hands them out and accepts them.
//
// One variant covers every field type a source table may hold:
//   C, V, M (memo text)            -> std::string (stored bytes, code page as in the table)
//   N, F                           -> Decimal (the stored digits, exactly: data/base/decimal.h)
//   B (Visual FoxPro double)       -> double
//   I                              -> int32_t
//   Y (currency)                   -> Currency (fixed point, four decimals)
//   D                              -> Date (empty date for blanks)
//   T (date and time)              -> DateTime
//   L                              -> bool
//   G, P, Q, W, binary memos       -> Blob
//   a field marked null            -> Null
// The structure row (type letter, length, decimals) travels separately; callers that need the
// text form of a value take both.

#include <cstdint>
#include <string>
#include <variant>

#include "data/base/decimal.h"

namespace tabrix {

struct Null {
  friend bool operator==(Null, Null) = default;
};

// Calendar date; year 0 means the empty date.
struct Date {
  int year = 0;
  int month = 0;
  int day = 0;
  bool empty() const { return year == 0; }
  friend bool operator==(const Date&, const Date&) = default;
};

// A local date and time of day, as the machine's clock shows it (no time zone).
struct LocalTime {
  Date date;
  int hour = 0;
  int minute = 0;
  int second = 0;
  friend bool operator==(const LocalTime&, const LocalTime&) = default;
};

struct DateTime {
  Date date;
  int32_t millisOfDay = 0;
  friend bool operator==(const DateTime&, const DateTime&) = default;
};

// Currency in ten-thousandths (the stored 64-bit integer of a Y field).
struct Currency {
  int64_t tenThousandths = 0;
  friend bool operator==(const Currency&, const Currency&) = default;
};

// Raw bytes of a general, picture or binary field.
struct Blob {
  std::string bytes;
  friend bool operator==(const Blob&, const Blob&) = default;
};

// Writers of N and F fields take a double or an int32_t as well as a Decimal.
using Value =
    std::variant<Null, std::string, double, int32_t, Currency, Date, DateTime, bool, Blob, Decimal>;

}  // namespace tabrix
