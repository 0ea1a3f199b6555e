#include "data/expr/expr_date.h"

#include <cstdio>

namespace tabrix {
namespace {

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

bool DateOfDayNumber(int64_t day, Date* date) {
  const Date d = DateFromJulianDay(day);
  if (d.empty()) return false;
  *date = d;
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
