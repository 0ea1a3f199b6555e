#include "data/formats/dbf_header.h"

#include <algorithm>

#include "data/base/byte_coding.h"
#include "data/formats/field_types.h"

namespace tabrix {

namespace {

bool IsKnownVersion(uint8_t v) {
  switch (v) {
    case kDbfVersionDbase3:
    case kDbfVersionDbase7:
    case kDbfVersionDbase7Memo:
    case kDbfVersionVfp:
    case kDbfVersionVfpAutoInc:
    case kDbfVersionVfpVarchar:
    case kDbfVersionDbase4Sql:
    case kDbfVersionDbase4SqlSys:
    case kDbfVersionDbase4Memo7B:
    case kDbfVersionDbase3Memo:
    case kDbfVersionDbase4Memo:
    case kDbfVersionDbase4SqlMemo:
    case kDbfVersionFoxPro2Memo:
    case kDbfVersionFoxBaseMemo:
      return true;
    default:
      return false;
  }
}

std::string Hex(unsigned v) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s = "0x";
  s += kDigits[(v >> 4) & 15];
  s += kDigits[v & 15];
  return s;
}

bool IsMemoType(char t, DbfDialect dialect) {
  return DecodeOf(t, 0, dialect) == FieldDecode::kMemo;
}

}  // namespace

bool DbfHeader::IsVisualFoxPro() const {
  return version == kDbfVersionVfp || version == kDbfVersionVfpAutoInc ||
         version == kDbfVersionVfpVarchar;
}

DbfDialect DbfHeader::dialect() const {
  if (IsVisualFoxPro()) return DbfDialect::kVisualFoxPro;
  return IsDbase7() ? DbfDialect::kDbase7 : DbfDialect::kDbase;
}

MemoKind DbfHeader::memoKind() const {
  switch (version) {
    case kDbfVersionDbase3Memo:
      return MemoKind::kDbt3;
    case kDbfVersionDbase4Memo:
    case kDbfVersionDbase4SqlMemo:
    case kDbfVersionDbase4Memo7B:
    case kDbfVersionDbase7Memo:
      return MemoKind::kDbt4;
    case kDbfVersionFoxPro2Memo:
    case kDbfVersionFoxBaseMemo:
    case kDbfVersionVfp:
    case kDbfVersionVfpAutoInc:
    case kDbfVersionVfpVarchar:
      return MemoKind::kFpt;
    default:
      break;
  }
  // Some writers leave 0x03 on a table with memo fields; their memos are dBASE III DBT.
  for (const DbfField& f : fields) {
    if (IsMemoType(f.type, dialect())) return MemoKind::kDbt3;
  }
  return MemoKind::kNone;
}

bool IsMemoField(const DbfHeader& header, const DbfField& field) {
  return IsMemoType(field.type, header.dialect());
}

MemoPointerForm DbfHeader::memoPointerForm() const {
  return IsVisualFoxPro() ? MemoPointerForm::kBinary : MemoPointerForm::kDigits;
}

Result<DbfHeader> ParseDbfHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                 std::string_view fileName) {
  std::string file(fileName);
  if (head.size() < kDbfHeaderSize || fileSize < kDbfHeaderSize) {
    return Corruption(file, 0, "file shorter than the 32-byte table header");
  }
  DbfHeader h;
  h.version = head[0];
  if (h.version == kDbfVersionFoxBase) {
    return FormatError{FormatErrorKind::kUnsupported, file, 0,
                       "dBASE II table layout (version 0x02) is not supported"};
  }
  if (!IsKnownVersion(h.version)) {
    return FormatError{FormatErrorKind::kUnsupported, file, 0,
                       "unknown table version byte " + Hex(h.version)};
  }
  int yearByte = head[1];
  if (head[2] >= 1 && head[2] <= 12 && head[3] >= 1 && head[3] <= 31) {
    // Writers that store the year modulo 100 would otherwise date their tables in the 1900s.
    h.updateYear = yearByte < 80 ? 2000 + yearByte : 1900 + yearByte;
    h.updateMonth = head[2];
    h.updateDay = head[3];
  }
  h.headerRecordCount = DecodeLE32(&head[4]);
  h.headerLength = DecodeLE16(&head[8]);
  h.storedRecordLength = DecodeLE16(&head[10]);
  h.tableFlags = head[28];
  h.codePageMark = head[29];

  const bool level7 = h.IsDbase7();
  const size_t firstDescriptor = level7 ? kDbase7HeaderSize : kDbfHeaderSize;
  const size_t descriptorSize = level7 ? kDbase7DescriptorSize : kDbfDescriptorSize;
  // Where name, type, length and decimals sit in a descriptor, and how long the name may be.
  const size_t nameSize = level7 ? 32 : 11;
  const size_t typeAt = level7 ? 32 : 11;
  const size_t lengthAt = level7 ? 33 : 16;
  const size_t decimalsAt = level7 ? 34 : 17;
  if (h.headerLength < firstDescriptor + 1) {
    return Corruption(file, 8,
                      "header length " + std::to_string(h.headerLength) +
                          " is shorter than a header with its terminator");
  }
  if (h.headerLength > fileSize) {
    return Corruption(file, 8,
                      "header length " + std::to_string(h.headerLength) +
                          " lies past the end of the file (" + std::to_string(fileSize) +
                          " bytes)");
  }
  if (head.size() < h.headerLength) {
    return Corruption(file, head.size(), "header truncated");
  }
  if (h.storedRecordLength == 0) {
    return Corruption(file, 10, "record length 0");
  }

  const bool vfp = h.IsVisualFoxPro();
  struct RawField {
    size_t at;
    uint8_t len;
    uint8_t dec;
  };
  std::vector<RawField> raw;
  for (size_t at = firstDescriptor; at + descriptorSize <= h.headerLength; at += descriptorSize) {
    uint8_t first = head[at];
    if (first == kDbfHeaderTerminator || first == 0x00) break;
    DbfField f;
    size_t n = 0;
    while (n < nameSize && head[at + n] != 0) ++n;
    f.name.assign(reinterpret_cast<const char*>(&head[at]), n);
    f.type = static_cast<char>(head[at + typeAt]);
    f.decimals = head[at + decimalsAt];
    f.flags = vfp ? head[at + 18] : 0;
    raw.push_back({at, head[at + lengthAt], head[at + decimalsAt]});
    h.fields.push_back(std::move(f));
  }

  // Long character fields: the decimals byte is the length's high byte when that makes the
  // record add up; otherwise it is an ordinary (meaningless) decimals byte.
  auto sumWith = [&](bool extended) {
    uint64_t sum = 1;
    for (size_t i = 0; i < raw.size(); ++i) {
      sum += raw[i].len;
      if (extended && !level7 && h.fields[i].type == 'C') sum += 256u * raw[i].dec;
    }
    return sum;
  };
  bool extended = true;
  if (sumWith(true) != h.storedRecordLength && sumWith(false) == h.storedRecordLength) {
    extended = false;
  }
  uint64_t offset = 1;
  for (size_t i = 0; i < raw.size(); ++i) {
    DbfField& f = h.fields[i];
    f.length = raw[i].len;
    // dBASE 7 has no long character fields: its C fields stop at 254.
    if (extended && !level7 && f.type == 'C' && raw[i].dec != 0) {
      f.length += 256u * raw[i].dec;
      f.decimals = 0;
    }
    f.offset = static_cast<uint32_t>(offset);
    offset += f.length;
    if (f.type == '0' && (f.flags & kFieldFlagSystem) && h.nullFlagsField < 0) {
      h.nullFlagsField = static_cast<int>(i);
    }
  }
  const uint64_t needed = offset;
  if (needed > 0xFFFF) {
    return Corruption(file, kDbfHeaderSize, "fields add up to more than 65535 bytes");
  }

  const uint64_t dataBytes = fileSize - h.headerLength;
  if (h.storedRecordLength >= needed) {
    h.recordLength = h.storedRecordLength;
  } else {
    // The header's record length is too short for the fields. Read with the fields' length
    // only when the file holds exactly that many records of that length (with or without EOF).
    uint64_t expect = static_cast<uint64_t>(h.headerRecordCount) * needed;
    if (dataBytes == expect || dataBytes == expect + 1) {
      h.recordLength = static_cast<uint32_t>(needed);
    } else {
      return Corruption(file, 10,
                        "record length " + std::to_string(h.storedRecordLength) +
                            " is shorter than the fields (" + std::to_string(needed) + ")");
    }
  }

  uint64_t available = dataBytes / h.recordLength;
  h.recordCount = static_cast<uint32_t>(std::min<uint64_t>(h.headerRecordCount, available));

  if (h.nullFlagsField >= 0) {
    int bit = 0;
    for (int i = 0; i < static_cast<int>(h.fields.size()); ++i) {
      DbfField& f = h.fields[i];
      if (i == h.nullFlagsField) continue;
      if (f.type == 'V' || f.type == 'Q') f.varLengthBit = bit++;
      if (f.flags & kFieldFlagNullable) f.nullBit = bit++;
    }
    const DbfField& nf = h.fields[h.nullFlagsField];
    if (static_cast<uint64_t>(bit) > 8ull * nf.length) {
      return Corruption(file, raw[h.nullFlagsField].at + lengthAt,
                        "_NullFlags field too short for its " + std::to_string(bit) + " flags");
    }
  }
  return h;
}

Result<DbfHeader> MakeDbfHeader(uint8_t version, const std::vector<DbfFieldSpec>& fields,
                                uint8_t codePageMark, std::string_view fileName) {
  std::string file(fileName);
  if (version != kDbfVersionDbase3 && version != kDbfVersionDbase3Memo &&
      version != kDbfVersionFoxPro2Memo) {
    return FormatError{FormatErrorKind::kUnsupported, file, 0,
                       "tables of version " + Hex(version) + " are not created here"};
  }
  DbfHeader h;
  h.version = version;
  h.codePageMark = codePageMark;
  uint64_t offset = 1;
  for (const DbfFieldSpec& s : fields) {
    DbfField f;
    f.name = s.name;
    f.type = s.type;
    f.length = s.length;
    f.decimals = s.decimals;
    const FieldType* type = FindFieldType(s.type);
    bool ok = !s.name.empty() && s.name.size() <= 10 && type && type->createMax != 0 &&
              s.length >= type->createMin && s.length <= type->createMax;
    if (type && type->createDecimals) {
      // Room for the point and a digit before it.
      ok = ok && (s.decimals == 0 || s.decimals + 2u <= s.length);
    } else {
      f.decimals = 0;
    }
    if (!ok) {
      return FormatError{FormatErrorKind::kInvalidValue, file, 0,
                         "field " + s.name + " " + std::string(1, s.type) +
                             std::to_string(s.length) + "." + std::to_string(s.decimals) +
                             " cannot be created"};
    }
    f.offset = static_cast<uint32_t>(offset);
    offset += f.length;
    h.fields.push_back(std::move(f));
  }
  if (offset > 0xFFFF) {
    return FormatError{FormatErrorKind::kInvalidValue, file, 0, "record longer than 65535 bytes"};
  }
  h.recordLength = h.storedRecordLength = static_cast<uint16_t>(offset);
  uint64_t hl = kDbfHeaderSize + kDbfDescriptorSize * fields.size() + 1;
  if (hl > 0xFFFF) {
    return FormatError{FormatErrorKind::kInvalidValue, file, 0, "too many fields"};
  }
  h.headerLength = static_cast<uint16_t>(hl);
  return h;
}

std::string EncodeDbfHeader(const DbfHeader& h) {
  std::string out(h.headerLength, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  p[0] = h.version;
  if (h.updateYear != 0)
    PatchDbfUpdateDate({p, out.size()}, h.updateYear, h.updateMonth, h.updateDay);
  EncodeLE32(p + kDbfRecordCountOffset, h.headerRecordCount);
  EncodeLE16(p + 8, h.headerLength);
  EncodeLE16(p + 10, static_cast<uint16_t>(h.recordLength));
  p[28] = h.tableFlags;
  p[29] = h.codePageMark;
  size_t at = kDbfHeaderSize;
  for (const DbfField& f : h.fields) {
    if (at + kDbfDescriptorSize + 1 > out.size()) break;
    std::copy_n(f.name.data(), std::min<size_t>(f.name.size(), 10), out.data() + at);
    p[at + 11] = static_cast<uint8_t>(f.type);
    if (h.IsVisualFoxPro()) EncodeLE32(p + at + 12, f.offset);
    p[at + 16] = static_cast<uint8_t>(f.length & 0xFF);
    p[at + 17] = f.type == 'C' ? static_cast<uint8_t>(f.length >> 8) : f.decimals;
    p[at + 18] = h.IsVisualFoxPro() ? f.flags : 0;
    at += kDbfDescriptorSize;
  }
  if (at < out.size()) p[at] = kDbfHeaderTerminator;
  return out;
}

void PatchDbfUpdateDate(std::span<uint8_t> head, int year, int month, int day) {
  head[kDbfUpdateDateOffset] = static_cast<uint8_t>(year - 1900);
  head[kDbfUpdateDateOffset + 1] = static_cast<uint8_t>(month);
  head[kDbfUpdateDateOffset + 2] = static_cast<uint8_t>(day);
}

void PatchDbfHeaderCount(std::span<uint8_t> head, uint32_t recordCount, int year, int month,
                         int day) {
  PatchDbfUpdateDate(head, year, month, day);
  EncodeLE32(&head[kDbfRecordCountOffset], recordCount);
}

uint32_t DecodeDbfRecordCount(std::span<const uint8_t> head) {
  return DecodeLE32(&head[kDbfRecordCountOffset]);
}

uint16_t DecodeDbfHeaderLength(std::span<const uint8_t> head) {
  return DecodeLE16(&head[8]);
}

}  // namespace tabrix
