#pragma once
// Key bytes of NTX indexes and the order they sort in.
//
// Key forms (what EncodeKey hands an NTX order and what the files hold):
//   character  the stored bytes, right-padded with blanks to the key length
//   numeric    the absolute value rounded to the index's decimals, as text right-aligned and
//              zero-padded to the key length ("012.50" for 12.5 in a key of 6 with 2 decimals);
//              a negative value has every byte b of that text replaced by 92 - b ("0" -> ",",
//              "9" -> "#", "." stays), so negatives sort before positives and larger magnitudes
//              first
//   date       the eight digits YYYYMMDD; the empty date is eight blanks
//   logical    "T" or "F"
//
// Collation (NtxCompareKeys). Keys compare byte by byte as unsigned bytes, except that the
// German letters of code page 850 sort right after their base letter:
//   0x84 a-umlaut after 'a'   0x94 o-umlaut after 'o'   0x81 u-umlaut after 'u'
//   0x8E A-umlaut after 'A'   0x99 O-umlaut after 'O'   0x9A U-umlaut after 'U'
//   0xE1 sharp s after 's'
// ("a" < "a-umlaut" < "b"; "ab" < "a-umlaut" + "a": the first differing byte decides). This is
// the order the range count (ntx_range.h) descends by and the order our index files are written
// in, so both agree on every file we write. An index written by a program using plain byte order
// differs only for keys holding those seven letters. Numeric and date keys hold none of them, so
// for them the collation is plain byte order.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/base/decimal.h"
#include "data/base/value.h"

namespace tabrix {

// -1, 0 or 1 as a sorts before, with or after b over their first `length` bytes.
// REQUIRES: a.size() >= length and b.size() >= length.
int NtxCompareKeys(std::string_view a, std::string_view b, size_t length);

// Entries (key, record): by key over the full key, then by record number.
inline int NtxCompareEntries(std::string_view keyA, uint32_t recordA, std::string_view keyB,
                             uint32_t recordB) {
  int c = NtxCompareKeys(keyA, keyB, keyA.size());
  if (c != 0) return c;
  return recordA < recordB ? -1 : recordA > recordB ? 1 : 0;
}

// The numeric key of value for a key of keyLength bytes with `decimals` decimals (see top).
// False when the rounded value needs more digits than the key holds.
bool NtxNumericKey(const Decimal& value, int keyLength, int decimals, std::string* key);

// The date key: YYYYMMDD, or eight blanks for the empty date.
std::string NtxDateKey(const Date& date);

// The range count's NormStr: the decimal text of a number (blanks, an optional "-", digits, an
// optional "." and decimals, any width) turned into a key of keyLength bytes with `decimals`
// decimals. It fills the key with "0", copies the decimals after the ".", copies the integer
// part right-aligned (a blank keeps the "0" of its position, a "-" marks the number negative) and
// for a negative number replaces the first min(text length, keyLength) bytes b by 92 - b.
// With a text at least as long as the key (the 10-character text the browse passes for keys of
// up to 10 bytes) that is exactly NtxNumericKey's form; a shorter negative text changes only the
// first bytes of the key, as the range count always did.
std::string NtxNormStr(std::string_view text, int keyLength, int decimals);

}  // namespace tabrix
