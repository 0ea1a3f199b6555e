#pragma once
// DBF table header and field descriptors (docs/formats/dbf.md, sections 1-5).
//
// Header record, 32 bytes, little-endian:
//   offset size meaning
//   0      1    version byte (see DbfVersion)
//   1      3    last update: year - 1900, month, day
//   4      4    record count, deleted records included
//   8      2    header length = offset of record 1
//   10     2    record length, deletion flag included
//   12     16   reserved / dBASE IV transaction, encryption and multi-user bytes (written 0)
//   28     1    table flags (0x01 structural index, 0x02 memo, 0x04 database container)
//   29     1    code page mark (kept as found; text is never converted because of it)
//   30     2    reserved
// Field descriptors, 32 bytes each from offset 32:
//   0      11   name, NUL padded (bytes after the first NUL are ignored)
//   11     1    type letter
//   12     4    displacement in the record (Visual FoxPro only; recomputed here, never trusted)
//   16     1    length; a C field may carry a high byte in byte 17 (see below)
//   17     1    decimals
//   18     1    Visual FoxPro field flags (0x01 system, 0x02 nullable, 0x04 binary)
//   19     13   autoincrement next value and step, reserved
// After the descriptors: terminator 0x0D (some writers add 0x00), then for Visual FoxPro
// tables (0x30-0x32) the 263-byte database container backlink. Records always start at the
// header length.
//
// Tolerant reads, chosen after the tables found in the field:
//   - Descriptors are read while a whole 32-byte slot lies before the header length and its
//     first byte is neither the terminator 0x0D nor 0x00. A missing terminator, or a 0x00 or
//     0x0A where the terminator should be, therefore ends the list without an error.
//   - A C field whose decimals byte is non-zero: the pair (length, decimals) is read as a
//     16-bit length (the long character fields of the NTX dialect and FoxPro) when that makes
//     the fields add up to the header's record length, as two plain bytes otherwise.
//   - The header's record length is trusted when it equals 1 + the field lengths, or exceeds it
//     (trailing padding). When it is shorter, the table is read with 1 + the field lengths if
//     the file's size matches that exactly; otherwise the header is Corruption.
//   - A record count larger than the records the file holds is cut to the complete records
//     present (`recordCount`); the header's value stays in `headerRecordCount`.
//   - A field of length 0 (seen among the good fields of real exports) takes no byte of the
//     record and reads as its type's blank; the other fields are read as usual.
// dBASE 7 (version 0x04, with memo 0x8C): the 32-byte header is followed by the 32-byte
// language driver name and 4 reserved bytes; the descriptors start at offset 68 and take 48
// bytes each:
//   0      32   name, NUL padded
//   32     1    type letter
//   33     1    length
//   34     1    decimals
//   35     2    reserved
//   37     1    production MDX flag of the field
//   38     2    reserved
//   40     4    next autoincrement value
//   44     4    reserved
// then the terminator 0x0D and the field properties, which this reader skips (records start at
// the header length). Memo fields point into a DBT of the dBASE IV kind.
// Refused: the dBASE II (0x02) layout, unknown version bytes, header length shorter than the
// header with its terminator or past the end of the file, record length 0.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/format_status.h"
#include "data/formats/field_types.h"

namespace tabrix {

// Version bytes. Stored on disk, never renumber.
enum DbfVersion : uint8_t {
  kDbfVersionFoxBase = 0x02,  // dBASE II layout: refused
  kDbfVersionDbase3 = 0x03,   // dBASE III / FoxPro / NTX dialect without memo
  kDbfVersionDbase7 = 0x04,   // dBASE 7 layout (read, not written)
  kDbfVersionVfp = 0x30,
  kDbfVersionVfpAutoInc = 0x31,
  kDbfVersionVfpVarchar = 0x32,
  kDbfVersionDbase4Sql = 0x43,
  kDbfVersionDbase4SqlSys = 0x63,
  kDbfVersionDbase4Memo7B = 0x7B,
  kDbfVersionDbase3Memo = 0x83,  // DBT, dBASE III style
  kDbfVersionDbase4Memo = 0x8B,  // DBT, dBASE IV style
  kDbfVersionDbase7Memo = 0x8C,  // dBASE 7 layout with a DBT, dBASE IV style
  kDbfVersionDbase4SqlMemo = 0xCB,
  kDbfVersionFoxPro2Memo = 0xF5,  // FPT, 10-digit pointers
  kDbfVersionFoxBaseMemo = 0xFB,
};

constexpr uint8_t kDbfHeaderTerminator = 0x0D;
constexpr uint8_t kDbfEofMarker = 0x1A;
constexpr uint8_t kDbfLiveFlag = 0x20;
constexpr uint8_t kDbfDeletedFlag = 0x2A;
constexpr size_t kDbfHeaderSize = 32;
constexpr size_t kDbfDescriptorSize = 32;
constexpr size_t kVfpBacklinkSize = 263;
constexpr size_t kDbase7HeaderSize = 68;  // header, language driver name, reserved
constexpr size_t kDbase7DescriptorSize = 48;
// Byte 28, bit 0x01: a production index (CDX in the FoxPro family, MDX in dBASE) belongs to the
// table. See docs/formats/dbf.md, section 4, and table_file.h for when it is set and cleared.
constexpr size_t kDbfTableFlagsOffset = 28;
constexpr uint8_t kDbfFlagProductionIndex = 0x01;
// Header fields a table rewrites or re-reads without parsing the whole header: the last-update
// date (bytes 1-3) and the record count (bytes 4-7) are one run, so an append patches both in
// one write; the header length ends at byte 10.
constexpr size_t kDbfUpdateDateOffset = 1;
constexpr size_t kDbfRecordCountOffset = 4;
constexpr size_t kDbfRecordCountEnd = 8;
constexpr size_t kDbfHeaderLengthEnd = 10;

// Visual FoxPro field flags (descriptor byte 18). Stored on disk, never renumber.
constexpr uint8_t kFieldFlagSystem = 0x01;
constexpr uint8_t kFieldFlagNullable = 0x02;
constexpr uint8_t kFieldFlagBinary = 0x04;

// Which memo file a table's memo fields point into, decided by the version byte.
enum class MemoKind {
  kNone,  // no memo file declared
  kDbt3,  // dBASE III / NTX dialect DBT: 512-byte blocks, text ends at 0x1A
  kDbt4,  // dBASE IV DBT: block header FF FF 08 00 + length
  kFpt,   // FoxPro / Visual FoxPro FPT
};

// How a memo pointer is stored in the record.
enum class MemoPointerForm {
  kDigits,  // 10 ASCII digits, blank = no memo
  kBinary,  // 4-byte little-endian block number, 0 = no memo (Visual FoxPro)
};

struct DbfField {
  std::string name;     // as stored, up to 10 characters (31 in dBASE 7 tables)
  char type = 'C';      // type letter as stored
  uint32_t length = 0;  // bytes in the record (16-bit for long C fields)
  uint8_t decimals = 0;
  uint8_t flags = 0;    // Visual FoxPro field flags
  uint32_t offset = 0;  // displacement in the record; the deletion flag is byte 0
  // Bit numbers in the _NullFlags field, -1 when the field has none.
  int nullBit = -1;
  int varLengthBit = -1;
};

struct DbfHeader {
  uint8_t version = kDbfVersionDbase3;
  int updateYear = 0;  // full year, 0 when unset
  int updateMonth = 0;
  int updateDay = 0;
  uint32_t headerRecordCount = 0;  // as stored
  uint32_t recordCount = 0;        // records this reader will serve (see top comment)
  uint16_t headerLength = 0;
  uint32_t recordLength = 0;  // as used for reading (may differ from storedRecordLength)
  uint16_t storedRecordLength = 0;
  uint8_t tableFlags = 0;
  uint8_t codePageMark = 0;
  std::vector<DbfField> fields;  // every descriptor, _NullFlags included, in field order
  int nullFlagsField = -1;       // index into fields of the _NullFlags system field, or -1

  bool IsVisualFoxPro() const;
  bool IsDbase7() const { return version == kDbfVersionDbase7 || version == kDbfVersionDbase7Memo; }
  DbfDialect dialect() const;
  MemoKind memoKind() const;
  MemoPointerForm memoPointerForm() const;
  // Offset of record n (1-based).
  uint64_t RecordOffset(uint32_t n) const {
    return headerLength + static_cast<uint64_t>(n - 1) * recordLength;
  }
};

// Whether the field's value lives in the memo file (M, G, P, W; B outside Visual FoxPro, where
// B is a double stored in the record).
bool IsMemoField(const DbfHeader& header, const DbfField& field);

// Reads the header from `head`, the first bytes of the file (at least the header length when
// the file has that many). `fileSize` is the size of the whole table file; it bounds the record
// count. On failure the error names `fileName` and the offending offset.
Result<DbfHeader> ParseDbfHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                 std::string_view fileName);

// Structure of a table to create: name, type, length, decimals per field.
struct DbfFieldSpec {
  std::string name;
  char type = 'C';
  uint32_t length = 0;
  uint8_t decimals = 0;
};

// Builds a header for a new table of `version` (kDbfVersionDbase3, kDbfVersionDbase3Memo or
// kDbfVersionFoxPro2Memo; Visual FoxPro needs fields this writer does not make) with the
// given fields and record count. Lengths follow the types: D 8, L 1, M 10; C up to 65535 (the
// high byte goes into the decimals byte), N and F up to 20.
Result<DbfHeader> MakeDbfHeader(uint8_t version, const std::vector<DbfFieldSpec>& fields,
                                uint8_t codePageMark, std::string_view fileName);

// The bytes of the header, descriptors and terminator: exactly `header.headerLength` bytes
// (Visual FoxPro tables get a NUL backlink). The record length and count come from `header`.
std::string EncodeDbfHeader(const DbfHeader& header);

// Rewrites the count and the last-update date (year, month, day) in the first bytes, the
// patch an append applies to an existing table. REQUIRES: head.size() >= kDbfRecordCountEnd.
void PatchDbfHeaderCount(std::span<uint8_t> head, uint32_t recordCount, int year, int month,
                         int day);
// Rewrites the last-update date alone (a table changed without an append: on a shared table
// the count belongs to the append protocol). REQUIRES: head.size() >= kDbfRecordCountOffset.
void PatchDbfUpdateDate(std::span<uint8_t> head, int year, int month, int day);
// The stored record count, from the first bytes. REQUIRES: head.size() >= kDbfRecordCountEnd.
uint32_t DecodeDbfRecordCount(std::span<const uint8_t> head);
// The stored header length, from the first bytes, to know how much of the file the whole
// header takes before reading it. REQUIRES: head.size() >= kDbfHeaderLengthEnd.
uint16_t DecodeDbfHeaderLength(std::span<const uint8_t> head);

}  // namespace tabrix
