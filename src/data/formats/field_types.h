#pragma once
// The field types of dBASE-family tables, one row per type letter: how a field of the type is
// read, whether this program writes and creates it, and what value a write takes. Every layer
// that asks "what is a field of type X" asks this table, so a type is described in one place.
//
//   letter  read as                      written  created (length)       takes
//   C       text, blank padded           yes      1 ... 65535            string
//   M       memo text or bytes           yes      10                     string
//   N, F    number text                  yes      1 ... 20, decimals     number
//   D       YYYYMMDD                     yes      8                      date
//   L       T/F/Y/N/?                    yes      1                      logical
//   V       varchar (Visual FoxPro)      no
//   Q       varbinary (Visual FoxPro)    no
//   I       32-bit integer (length 4)    no
//   Y       currency (length 8)          no
//   B       double (length 8, Visual FoxPro); a memo pointer in dBASE tables
//   T       date and time (length 8)     no
//   G, P, W general, picture, blob memo  no
// dBASE 7 tables (DbfDialect::kDbase7) give three letters a meaning of their own and 'I' another
// storage (see DecodeOf):
//   I, +    32-bit integer, autoincrement (length 4)   no
//   O       double (length 8)                          no
//   @       timestamp (length 8)                       no
// Other letters are read as their bytes. A binary type of another length than its own is read
// as bytes too: the decoder never reads past what the type promises.

#include <cstdint>
#include <variant>

#include "data/base/value.h"

namespace tabrix {

// How a field's stored bytes become a value (dbf_record.h).
enum class FieldDecode : uint8_t {
  kText,        // C
  kVarText,     // V
  kVarBytes,    // Q
  kNumber,      // N, F
  kDate,        // D
  kLogical,     // L
  kInt32,       // I of 4 bytes
  kCurrency,    // Y of 8 bytes
  kDouble,      // B of 8 bytes in Visual FoxPro
  kDateTime,    // T of 8 bytes
  kLong7,       // dBASE 7: I and + of 4 bytes
  kDouble7,     // dBASE 7: O of 8 bytes
  kTimestamp7,  // dBASE 7: @ of 8 bytes
  kMemo,        // M, G, P, W, B outside Visual FoxPro
  kBytes,       // everything else
};

// The values a write of a field takes.
enum class FieldTakes : uint8_t {
  kNothing,  // this program does not write the type
  kText,     // std::string
  kNumber,   // Decimal, double or int32_t
  kDate,     // Date
  kLogical,  // bool
};

struct FieldType {
  char letter;
  FieldDecode decode;
  uint8_t binaryLength;  // the length the binary form needs; 0 when any length is read
  bool memo;             // a pointer into the memo file (B only outside Visual FoxPro)
  bool text;             // holds character text (C, M, V)
  FieldTakes takes;
  // CreateTable: the lengths a new field may have (0 and 0: not created) and whether it
  // keeps decimals.
  uint16_t createMin;
  uint16_t createMax;
  bool createDecimals;
};

// The row of a type letter; nullptr for a letter not in the table (read as bytes, never
// written or created).
const FieldType* FindFieldType(char letter);

// The families whose tables give a type letter different storage.
enum class DbfDialect : uint8_t {
  kDbase,         // dBASE III/IV, FoxPro 2.x, the NTX dialect
  kVisualFoxPro,  // version bytes 0x30-0x32
  kDbase7,        // version bytes 0x04 and 0x8C
};

// The decoding of a field of that type and length in a table of that dialect.
//   - B is a double in Visual FoxPro tables and a binary memo everywhere else.
//   - dBASE 7 stores its binary numbers so that their bytes sort as the values do: I and + are
//     big-endian with the sign bit inverted (1 is 80 00 00 01, -1 is 7F FF FF FF); O is a
//     big-endian double whose sign bit is set for a positive value and whose bits are all
//     inverted for a negative one; @ is a big-endian double counting milliseconds from
//     0001-01-01 00:00 taken as day 1 (docs/formats/dbf.md, section 9). In other tables these
//     three letters are read as bytes, and I is the Visual FoxPro little-endian integer.
FieldDecode DecodeOf(char letter, uint32_t length, DbfDialect dialect);

// Whether a write of `value` suits a field that takes `takes` (false for kNothing). Inline: it
// runs for every field written.
inline bool TakesValue(FieldTakes takes, const Value& value) {
  switch (takes) {
    case FieldTakes::kText:
      return std::holds_alternative<std::string>(value);
    case FieldTakes::kNumber:
      return std::holds_alternative<Decimal>(value) || std::holds_alternative<double>(value) ||
             std::holds_alternative<int32_t>(value);
    case FieldTakes::kDate:
      return std::holds_alternative<Date>(value);
    case FieldTakes::kLogical:
      return std::holds_alternative<bool>(value);
    case FieldTakes::kNothing:
      break;
  }
  return false;
}

// The same for a field of type `letter` (false for types not written).
inline bool FieldTakesValue(char letter, const Value& value) {
  const FieldType* t = FindFieldType(letter);
  return t && TakesValue(t->takes, value);
}

// The value a field of the type reads as when it is blank or cannot be read: blanks of the
// field length for C, "" for M, 0, the empty date, .F.; Null for types not written.
Value BlankValueOf(char letter, uint32_t length);

// Whether this program writes fields of the type.
inline bool IsWrittenType(char letter) {
  const FieldType* t = FindFieldType(letter);
  return t && t->takes != FieldTakes::kNothing;
}

// Whether fields of the type hold character text.
inline bool IsTextType(char letter) {
  const FieldType* t = FindFieldType(letter);
  return t && t->text;
}

}  // namespace tabrix
