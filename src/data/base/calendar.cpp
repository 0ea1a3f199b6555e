#include "data/base/calendar.h"

namespace tabrix {

Date DateFromJulianDay(int64_t jdn) {
  if (jdn < 1721426) return {};  // before 0001-01-01: not a date this program handles
  int64_t a = jdn + 32044;
  int64_t b = (4 * a + 3) / 146097;
  int64_t c = a - 146097 * b / 4;
  int64_t d = (4 * c + 3) / 1461;
  int64_t e = c - 1461 * d / 4;
  int64_t m = (5 * e + 2) / 153;
  Date out;
  out.day = static_cast<int>(e - (153 * m + 2) / 5 + 1);
  out.month = static_cast<int>(m + 3 - 12 * (m / 10));
  int64_t year = 100 * b + d - 4800 + m / 10;
  if (year > 9999) return {};
  out.year = static_cast<int>(year);
  return out;
}

int64_t JulianDayFromDate(const Date& dt) {
  if (dt.empty()) return 0;
  int64_t a = (14 - dt.month) / 12;
  int64_t y = dt.year + 4800 - a;
  int64_t m = dt.month + 12 * a - 3;
  return dt.day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

}  // namespace tabrix
