#pragma once
// Dates and datetimes inside the evaluator: day arithmetic and the text forms of DTOS(),
// DTOC(), CTOD() and TTOC().
//
// The date format of DTOC() and CTOD() is fixed: MM/DD/YY, the xBase default (SET DATE
// AMERICAN, century off), because an index built with another setting would sort differently
// depending on who opened it. Two-digit years read as 19YY (the default epoch 1900); CTOD
// also takes four digits. Empty dates are blanks in every text form: "        " from DTOS,
// "  /  /  " from DTOC, so keys of empty dates have the length of filled ones and sort first.
//
// Day numbers are Julian day numbers of the proleptic Gregorian calendar; the empty date
// counts as day 0 in differences. Dates run from 0001-01-01 to 9999-12-31.

#include <cstdint>
#include <string>
#include <string_view>

#include "data/base/calendar.h"
#include "data/base/value.h"

namespace tabrix {

// A calendar date between 0001-01-01 and 9999-12-31 (the empty date is not one).
bool IsValidDate(const Date& date);

// The date of a day number; false when it lies outside 0001-01-01 .. 9999-12-31.
bool DateOfDayNumber(int64_t day, Date* date);

void AppendDtos(const Date& date, std::string* out);  // "YYYYMMDD"
void AppendDtoc(const Date& date, std::string* out);  // "MM/DD/YY"
// MM/DD/YY or MM/DD/YYYY, blanks around the parts allowed; any other text, an impossible date
// or blanks give the empty date.
Date ParseCtod(std::string_view text);

// TTOC(t, form): 0 "MM/DD/YY hh:mm:ss AM" (12-hour clock), 1 "YYYYMMDDhhmmss",
// 2 "hh:mm:ss AM", 3 "YYYY-MM-DDThh:mm:ss". The empty datetime gives blanks of the same
// length. REQUIRES: 0 <= form <= 3.
void AppendTtoc(const DateTime& time, int form, std::string* out);

}  // namespace tabrix
