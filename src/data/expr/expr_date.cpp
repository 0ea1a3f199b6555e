#include "data/expr/expr_date.h"

#include <cstdio>

namespace tabrix {
namespace {

constexpr int64_t kUnixEpochJulianDay = 2440588;  // 1970-01-01

// Days since 1970-01-01 of a civil date (the usual era-based calendar arithmetic).
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int* year, int* month, int* day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  *day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *year = static_cast<int>(yoe + era * 400 + (*month <= 2));
}

bool IsValidDate(int y, int m, int d) {
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

void AppendDigits(int value, int width, std::string* out) {
  char buf[8];
  for (int i = width - 1; i >= 0; --i) {
    buf[i] = static_cast<char>('0' + value % 10);
    value /= 10;
  }
  out->append(buf, static_cast<size_t>(width));
}

// Reads an unsigned number of 1..4 digits with blanks around it from text[*i..] up to `stop`
// (or the end); false when there is none.
bool ReadPart(std::string_view text, size_t* i, char stop, int* value, int* digits) {
  while (*i < text.size() && text[*i] == ' ') ++*i;
  *value = 0;
  *digits = 0;
  while (*i < text.size() && text[*i] >= '0' && text[*i] <= '9' && *digits < 4) {
    *value = *value * 10 + (text[*i] - '0');
    ++*digits;
    ++*i;
  }
  while (*i < text.size() && text[*i] == ' ') ++*i;
  if (*digits == 0) return false;
  if (stop == 0) return *i == text.size();
  if (*i >= text.size() || text[*i] != stop) return false;
  ++*i;
  return true;
}

}  // namespace

bool IsValidDate(const Date& date) {
  return IsValidDate(date.year, date.month, date.day);
}

int64_t DayNumber(const Date& date) {
  if (date.empty()) return 0;
  return DaysFromCivil(date.year, date.month, date.day) + kUnixEpochJulianDay;
}

bool DateOfDayNumber(int64_t day, Date* date) {
  static const int64_t kFirst = DaysFromCivil(1, 1, 1) + kUnixEpochJulianDay;
  static const int64_t kLast = DaysFromCivil(9999, 12, 31) + kUnixEpochJulianDay;
  if (day < kFirst || day > kLast) return false;
  CivilFromDays(day - kUnixEpochJulianDay, &date->year, &date->month, &date->day);
  return true;
}

void AppendDtos(const Date& date, std::string* out) {
  if (date.empty()) {
    out->append(8, ' ');
    return;
  }
  AppendDigits(date.year, 4, out);
  AppendDigits(date.month, 2, out);
  AppendDigits(date.day, 2, out);
}

void AppendDtoc(const Date& date, std::string* out) {
  if (date.empty()) {
    out->append("  /  /  ");
    return;
  }
  AppendDigits(date.month, 2, out);
  out->push_back('/');
  AppendDigits(date.day, 2, out);
  out->push_back('/');
  AppendDigits(date.year % 100, 2, out);
}

Date ParseCtod(std::string_view text) {
  size_t i = 0;
  int m, d, y, digits;
  if (!ReadPart(text, &i, '/', &m, &digits) || digits > 2) return {};
  if (!ReadPart(text, &i, '/', &d, &digits) || digits > 2) return {};
  if (!ReadPart(text, &i, 0, &y, &digits) || digits == 3 || digits == 1) return {};
  if (digits == 2) y += 1900;
  if (!IsValidDate(y, m, d)) return {};
  return Date{y, m, d};
}

void AppendTtoc(const DateTime& time, int form, std::string* out) {
  static const int kLengths[] = {20, 14, 11, 19};
  if (time.date.empty()) {
    out->append(static_cast<size_t>(kLengths[form]), ' ');
    return;
  }
  const int seconds = time.millisOfDay / 1000;
  const int h = (seconds / 3600) % 24, mi = (seconds / 60) % 60, s = seconds % 60;
  auto clock12 = [&] {
    AppendDigits(h % 12 == 0 ? 12 : h % 12, 2, out);
    out->push_back(':');
    AppendDigits(mi, 2, out);
    out->push_back(':');
    AppendDigits(s, 2, out);
    out->append(h < 12 ? " AM" : " PM");
  };
  const Date& dt = time.date;
  switch (form) {
    case 0:
      AppendDtoc(dt, out);
      out->push_back(' ');
      clock12();
      break;
    case 1:
      AppendDtos(dt, out);
      AppendDigits(h, 2, out);
      AppendDigits(mi, 2, out);
      AppendDigits(s, 2, out);
      break;
    case 2:
      clock12();
      break;
    default:
      AppendDigits(dt.year, 4, out);
      out->push_back('-');
      AppendDigits(dt.month, 2, out);
      out->push_back('-');
      AppendDigits(dt.day, 2, out);
      out->push_back('T');
      AppendDigits(h, 2, out);
      out->push_back(':');
      AppendDigits(mi, 2, out);
      out->push_back(':');
      AppendDigits(s, 2, out);
      break;
  }
}

}  // namespace tabrix
