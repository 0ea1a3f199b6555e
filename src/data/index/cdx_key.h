#pragma once
// Key bytes of CDX tags: the forms FoxPro stores, which compare as unsigned bytes (memcmp) in
// the order of the values.
//
//   kind        value types taken             bytes (value length L; K = L, or L + 1 with a
//                                             null-indicator prefix)
//   character   std::string                   the bytes, blank padded or cut to L
//   numeric     Decimal, double, int32_t      L = 8: the IEEE double, big-endian, with the sign
//                                             bit flipped when clear and every bit inverted
//                                             when set (-0 taken as +0), so negative numbers
//                                             sort first. L = 4 (a Visual FoxPro integer
//                                             column): the 32-bit two's complement big-endian
//                                             with its top bit flipped; only whole numbers fit
//   date        Date                          the Julian day number as such a double; the empty
//                                             date as day 0
//   date-time   DateTime, Date                Julian day plus the fraction of the day elapsed
//   logical     bool                          'T' or 'F'
// A tag with the null-indicator option (cdx_page.h, 0x02) prefixes 0x80 for a value and 0x00
// for a null (followed by fill bytes).
//
// Trailing compression in leaves fills with a blank for character and logical keys and with
// 0x00 for the binary kinds.

#include <string>

#include "data/base/calendar.h"
#include "data/base/value.h"
#include "data/index/index_order.h"

namespace tabrix {

uint8_t CdxFillByte(KeyKind kind);

// The key of `value` for a tag of `kind` whose keys are keyLength bytes (null prefix included
// when `nullable`). partial: a character value keeps its own length (at most the key's): a Seek
// key. False with a reason in *error when the value's type does not fit the kind, the number
// does not fit the key, or the key length does not fit the kind.
bool EncodeCdxKey(KeyKind kind, int keyLength, bool nullable, const Value& value, bool partial,
                  std::string* key, std::string* error);

}  // namespace tabrix
