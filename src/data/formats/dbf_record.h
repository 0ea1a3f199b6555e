#pragma once
// One DBF record: decoding its fields into Values and encoding values for writing
// (docs/formats/dbf.md, sections 6 and 7).
//
// Record layout: byte 0 deletion flag ('*' deleted; ' ' live, and any other byte is read as
// live too, because some writers leave 0x00 there), then the fields back to back at the
// offsets computed by dbf_header.
//
//   type  storage                                     Value handed out
//   C     text, blank padded                          std::string of exactly the field length
//   V     text; when its _NullFlags "varlength" bit   std::string of the stored length
//         is set the length is in the last byte
//   N, F  right-aligned ASCII number                  Decimal, every stored digit (see
//                                                     "Reading numbers" below)
//   D     YYYYMMDD                                    Date (see "Reading dates" below)
//   L     T t Y y / F f N n / ? or blank              bool (uninitialised reads as false)
//   M     10 ASCII digits, or uint32 LE in Visual     std::string via the memo file; Blob when
//         FoxPro; blank / 0 = no memo                 the field is binary or the block is not
//                                                     text
//   G P W memo pointer as M                           Blob
//   B     Visual FoxPro: IEEE double LE;              double / Blob (binary memo)
//         other tables: memo pointer
//   I     int32 LE                                    int32_t
//   Y     int64 LE, value x 10000                     Currency
//   T     int32 LE Julian day + int32 LE ms of day    DateTime (all zero: empty)
//   Q     as V, bytes                                 Blob
//   I +   dBASE 7: int32 big-endian, sign bit         int32_t; all zero bytes (the field
//         inverted                                    left empty): Null
//   O     dBASE 7: double, sortable big-endian form   double; all zero: Null
//   @     dBASE 7: double, big-endian, milliseconds   DateTime; all zero: Null; a value that
//         from 0001-01-01 as day 1                    is no moment: Blob of the stored bytes
//   0     _NullFlags system field                     Blob of its bytes
//   other                                             Blob of the stored bytes
// A field whose _NullFlags null bit is set reads as Null whatever its type; a _NullFlags field
// holding only blanks (0x20) marks nothing (written by programs that blank-fill records).
//
// Reading numbers. Programs write an N or F field as blanks, an optional '-', digits and, with
// decimals, a point and digits; damaged tables hold anything. One rule reads them all:
//   1. Blanks and NUL bytes on either side are ignored (some writers pad with NULs).
//   2. The number is the longest leading part of what is left made of an optional '+' or '-',
//      digits and at most one '.'. It ends at the first byte that cannot continue it: a letter,
//      a second sign or point, a blank or NUL inside the text, an asterisk. Whatever follows is
//      ignored ("1.5abc" -> 1.5, "-1.2.3" -> -1.2, "12 34" -> 12), except an exponent (6).
//   3. That part is read exactly: digits, sign and the count of decimals as stored ("12.50" is
//      1250 with scale 2; "-0.00" is a negative zero). A point may start ("  .5") or end
//      ("12.") the digits.
//   4. When that part holds no digit the field reads as 0: a blank or NUL field, a lone sign or
//      point, "- 12" or "--12", overflow asterisks "****", letters.
//   5. More than 38 significant digits (a field wider than any dBASE-family program makes,
//      which stop at 20) are past what a Decimal holds: the field reads as 0, as in 4, rather
//      than as a number with other digits.
//   6. An 'e' or 'E' right after the digits of 2 starts an exponent: an optional sign and
//      digits. Programs that export doubles write N and F fields so ("1.2313263537e+10" in an
//      F(19,11) field), and every reader takes the power of ten; reading the digits before the
//      marker would make each value of the column wrong by it. The value is exact: the
//      mantissa's digits with the point moved ("1.2313263537e+10" is 12313263537, "-2.5E-3" is
//      -0.0025 with scale 4). What follows the exponent is ignored, as in 2. The field is a
//      per-cell error (Corruption at the field, the table stays readable and the stored bytes
//      stay as they are) when the marker has no exponent digits ("1.5e", "1.5e+", "1.5ex": a
//      cut or damaged exponent, whose value cannot be told) and when the value is past a
//      Decimal: more than 38 digits once the zeros of a large exponent are added, or more than
//      255 decimals. Zero is zero whatever its exponent.
//
// Reading dates. A D field of 8 bytes is YYYYMMDD; blanks, zeros, other bytes and days that do
// not exist read as the empty date. Exports write D fields of other lengths too (a D(10)
// holding "20180101" and two blanks): such a field is read by its text without blanks and NUL
// bytes on either side, as every reader does: none left is the empty date, 8 digits are read as
// YYYYMMDD, and so is the ISO form YYYY-MM-DD that fills a D(10) (a day that does not exist is
// the empty date, as in 8 bytes). Any other text in a D field that is not 8 long ("201801",
// "01.02.2018") cannot be told from its bytes: the field hands out its stored bytes as a Blob
// rather than an invented date or an empty one.
//
// A field of length 0 reads as its type's blank: "" for C, 0 for N and F, the empty date,
// .F., no memo, a Blob of no bytes for the binary types.
//
// Writing covers the types the program creates: C (cut or blank padded), N/F (right-aligned,
// rounded half away from zero on the decimal digits to the field's decimals; a number that
// does not fit is an error, never asterisks or a cut value), D (YYYYMMDD, then blanks in a
// field longer than 8; a shorter one is refused), L and the memo pointer of M.
// N/F take a Decimal (written digit for digit), an int32_t or a double (as the shortest decimal
// that reads back as it, Decimal::FromDouble).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/calendar.h"
#include "data/base/format_status.h"
#include "data/base/value.h"
#include "data/formats/dbf_header.h"
#include "data/formats/field_types.h"
#include "data/formats/memo_source.h"

namespace tabrix {

inline bool RecordIsDeleted(std::span<const uint8_t> record) {
  return !record.empty() && record[0] == kDbfDeletedFlag;
}

class DbfRecordDecoder {
 public:
  // `header` and `memo` must outlive the decoder; `memo` may be null for tables without one.
  // The field descriptors are read once, here: they must not change while the decoder lives.
  DbfRecordDecoder(const DbfHeader& header, std::string fileName, const MemoSource* memo);

  // Field `index` (0-based into header.fields) of the record in `record`, which holds the
  // record's bytes read from `recordOffset`. REQUIRES: record.size() == header.recordLength.
  Result<Value> Field(std::span<const uint8_t> record, uint64_t recordOffset, size_t index) const;
  // The same into *out: the string a text, memo or binary value goes into is the one *out
  // already holds, so a reader that keeps one Value per field while it walks a table allocates
  // nothing once the strings have grown. On failure *out holds an unspecified value.
  Status FieldInto(std::span<const uint8_t> record, uint64_t recordOffset, size_t index,
                   Value* out) const;

  // The memo block a memo-type field points to; 0 = no memo. Digits that do not form a
  // number are Corruption.
  Result<uint32_t> MemoBlock(std::span<const uint8_t> record, uint64_t recordOffset,
                             size_t index) const;

 private:
  // How each field is decoded, worked out once from its descriptor: FieldInto runs for every
  // field of every record read.
  using Decode = FieldDecode;
  struct FieldPlan {
    uint32_t offset = 0;
    uint32_t length = 0;
    Decode decode = Decode::kBytes;
    bool nullable = false;  // the field has a _NullFlags bit
  };

  bool NullBit(std::span<const uint8_t> record, int bit) const;
  Status MemoValueInto(std::span<const uint8_t> record, uint64_t recordOffset, size_t index,
                       Value* out) const;

  const DbfHeader& header_;
  std::string fileName_;
  const MemoSource* memo_;
  std::vector<FieldPlan> plans_;  // one per header field
};

// A new blank record: live flag, blanks in text fields, zeros in binary ones.
std::string BlankRecord(const DbfHeader& header);

// Writes `value` into field `index` of `record` (REQUIRES: record.size() ==
// header.recordLength). Null writes the field's blank. kInvalidValue when the value's type
// does not fit the field or a number does not fit its width; the record is unchanged then.
// M fields take their block number through EncodeMemoBlock, not here.
Status EncodeField(const DbfHeader& header, size_t index, const Value& value,
                   std::span<uint8_t> record);

// Stores memo block `block` (0 = no memo) in memo field `index`.
Status EncodeMemoBlock(const DbfHeader& header, size_t index, uint32_t block,
                       std::span<uint8_t> record);

// The text form of a number in an N or F field of `length` and `decimals`, or an error when
// it does not fit: what EncodeField writes.
Result<std::string> FormatNumberField(const Decimal& value, uint32_t length, uint8_t decimals);
Result<std::string> FormatNumberField(double value, uint32_t length, uint8_t decimals);

}  // namespace tabrix
