#pragma once
// The text form of a field value: the one rule by which any source value becomes text before
// the converter stores it in a target field or composes it into the remark or notes text.
//
//   C, M, V          the stored text, unchanged (padding blanks included)
//   N, F             right-aligned in the field's width with its decimals, every stored digit
//                    kept (all 20 of an N(20,0)); a value with more decimals than the field is
//                    rounded half away from zero on its decimal digits (Decimal::Rounded, the
//                    rule by which the field writer stores it: 0.5 -> 1, -0.125 -> 0.13 DB)
//   B                as N with width 20 and the field's decimals (the stored length of a B field
//                    is its byte count, 8, which is no display width); the double is taken as
//                    the shortest decimal that reads back as it (Decimal::FromDouble)
//   I                as N with width 11 (room for -2147483648) and no decimals
//   Y                as N with width 20 and four decimals, computed exactly from the stored
//                    fixed-point number
//   D                "dd.mm.yyyy"; the empty date is "  .  .    "
//   T                "dd.mm.yyyy hh:mm:ss"; the empty date-time is "  .  .       :  :  "
//   L                "T" or "F"
//   G, P, Q, W       "" (binary contents are no text; raw bytes would put control characters
//                    into the customer's texts)
//   null value       "" (a null is no value at all, so composites skip it and a null name counts
//                    as missing; a zero would claim a value that is not there)
//
// Every number that is below zero once rounded is written without its minus sign and followed
// by " DB" (the bookkeeping mark for a debit); zero, a value that rounds to zero and positive
// numbers get no suffix. A number that
// does not fit the width is written in full, wider than the field, rather than as asterisks,
// so no digit of a source value is lost.
//
// The kind of value decides the rule; the structure row supplies width and decimals. Text values
// are returned in the table's code page (code page 850), as stored.

#include <string>

#include "converter/field_description.h"
#include "data/base/value.h"

namespace tabrix {

std::string TextForm(const Value& value, const FieldDescription& field);

}  // namespace tabrix
