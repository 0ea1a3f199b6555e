#pragma once
// Julian day numbers of the proleptic Gregorian calendar (2000-01-01 is day 2451545): what
// FoxPro stores in date and datetime fields and index keys, and how date arithmetic counts.

#include <cstdint>

#include "data/base/value.h"

namespace tabrix {

// The day number of a date; 0 for the empty date.
int64_t JulianDayFromDate(const Date& date);
// The date of a day number; the empty date outside 0001-01-01 ... 9999-12-31.
Date DateFromJulianDay(int64_t jdn);

}  // namespace tabrix
