#pragma once
// dBASE memo file (.DBT), docs/formats/memo.md sections 2 and 3. All integers little-endian.
//
// dBASE III / NTX dialect (tables 0x83):
//   block 0, 512 bytes: offset 0 size 4 next available block; byte 16 version (0x03, not
//   checked); the rest unused.
//   A memo starts at the first byte of its 512-byte block and ends at the first 0x1A (writers
//   put 0x1A 0x1A); its length is not stored, so it may not contain 0x1A.
// dBASE IV (tables 0x8B, 0xCB):
//   block 0: offset 0 size 4 next available block; 8 size 8 table name; 16 size 4 reserved
//   (00 00 02 01); 20 size 2 block length in bytes (512 by default).
//   Used block: offset 0 size 4 marker FF FF 08 00; 4 size 4 length including these 8 bytes;
//   8 data.
//
// Reading: a block number 0 (the header) or past the end of the file is Corruption. A dBASE
// III memo without terminator ends at the end of the file. A dBASE IV block without the
// marker is read the dBASE III way (some writers put dBASE III memos beside 0x8B tables); a
// dBASE IV length below 8 or past the end of the file is Corruption. A dBASE IV block length
// of 0 in the header is read as 512, the only size dBASE IV writes by default.
// Writing (PlanDbtWrite): every new value goes to the next available block, as dBASE does
// (old blocks become dead space; dBASE IV's free chain is not used). A next-available pointer
// inside the existing data is not trusted: the memo goes after the end of the file.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "data/base/format_status.h"
#include "data/formats/memo_source.h"
#include "data/formats/memo_write_plan.h"

namespace tabrix {

constexpr uint16_t kDbtBlockSize = 512;
constexpr uint8_t kDbtTerminator = 0x1A;

enum class DbtFlavour { kDbase3, kDbase4 };

struct DbtHeader {
  uint32_t nextFree = 0;
  uint16_t blockSize = kDbtBlockSize;
};

Result<DbtHeader> ParseDbtHeader(std::span<const uint8_t> file, DbtFlavour flavour,
                                 std::string_view fileName);

// A memo is found the same way whether the file is held in memory or read in pieces:
// DbtBlockOffset gives where `block` starts; in a dBASE IV file DecodeDbase4BlockHead reads
// the block head from the bytes found there and the data follow it (a file that ends before
// they do gives DbtDataPastEnd); any other block holds dBASE III text, which ends at
// DbtTextEnd.
constexpr size_t kDbtBlockHeadSize = 8;
// Corruption for block 0 (the header).
Result<uint64_t> DbtBlockOffset(const DbtHeader& header, uint32_t block, std::string_view fileName);
// `head`: the bytes of the file at `offset`, up to kDbtBlockHeadSize. The data length (the
// stored length less the head) when they start with the dBASE IV marker, nullopt when they do
// not; a stored length below the head's own 8 bytes is Corruption.
Result<std::optional<uint32_t>> DecodeDbase4BlockHead(std::span<const uint8_t> head,
                                                      uint64_t offset, std::string_view fileName);
FormatError DbtDataPastEnd(std::string_view fileName, uint64_t offset, uint64_t storedLength);
// The bytes of dBASE III text at the start of `bytes`: up to the first terminator, or all of
// them when it has none (the text goes on, or the file ends without one).
size_t DbtTextEnd(std::span<const uint8_t> bytes);

class DbtMemoReader : public MemoSource {
 public:
  // The span must outlive the reader. Fails when the file is shorter than its header fields.
  static Result<DbtMemoReader> Open(std::span<const uint8_t> file, DbtFlavour flavour,
                                    std::string fileName);

  Result<MemoData> ReadMemo(uint32_t block) const override;
  const DbtHeader& header() const { return header_; }

 private:
  DbtMemoReader(std::span<const uint8_t> file, DbtFlavour flavour, std::string fileName,
                DbtHeader header)
      : file_(file), flavour_(flavour), fileName_(std::move(fileName)), header_(header) {}

  std::span<const uint8_t> file_;
  DbtFlavour flavour_;
  std::string fileName_;
  DbtHeader header_;
};

// Block 0 of a new, empty DBT. `tableName` (the table's base name, dBASE IV only) is cut to
// 8 characters.
std::string NewDbtFile(DbtFlavour flavour, std::string_view tableName);

// Plans appending `data` as a new memo. An empty `data` yields block 0 and no patches.
// dBASE III text containing 0x1A is kInvalidValue (it would end the memo early).
Result<MemoWritePlan> PlanDbtWrite(std::span<const uint8_t> file, DbtFlavour flavour,
                                   std::string_view fileName, std::string_view data);
// The same from the file's header and size alone (appending needs no other byte of the file).
Result<MemoWritePlan> PlanDbtAppend(const DbtHeader& header, uint64_t fileSize, DbtFlavour flavour,
                                    std::string_view fileName, std::string_view data);

}  // namespace tabrix
