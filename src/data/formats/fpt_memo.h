#pragma once
// FoxPro / Visual FoxPro memo file (.FPT), docs/formats/memo.md section 1. All integers big-endian.
//
// File header, bytes 0-511 whatever the block size:
//   offset size meaning
//   0      4    next free block number
//   4      2    unused
//   6      2    block size in bytes (1 ... 65535; 64 by default, 512 in older files)
//   8      504  unused
// Memo block at block number b, file offset b x block size:
//   0      4    block type: 0 picture, 1 text, 2 object
//   4      4    data length n, excluding these 8 bytes
//   8      n    data, not terminated; the rest of the last block is undefined padding
// A memo occupies ceil((8 + n) / block size) blocks. There is no free list: replaced memos
// that do not fit their old blocks go to the next free block and the old blocks become dead
// space until the file is packed.
//
// Reading: block size 0 is Corruption. A block number whose offset lies inside the 512-byte
// header or whose block header or data runs past the end of the file is Corruption; the last
// memo of a file may end before its block does (the padding is not required).
// Writing (PlanFptWrite): a new value that fits the blocks of the old one is rewritten in
// place; otherwise it goes to the next free block. A next-free pointer that lies inside the
// file's existing data is not trusted: new memos go after the end of the file, so a damaged
// header can never make a write overwrite other memos.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "data/base/format_status.h"
#include "data/formats/memo_source.h"
#include "data/formats/memo_write_plan.h"

namespace tabrix {

constexpr size_t kFptHeaderSize = 512;
constexpr uint16_t kFptDefaultBlockSize = 64;
constexpr size_t kFptBlockHeadSize = 8;

struct FptHeader {
  uint32_t nextFree = 0;
  uint16_t blockSize = 0;
};

// Reads the header of `file` (the whole memo file).
Result<FptHeader> ParseFptHeader(std::span<const uint8_t> file, std::string_view fileName);
// Stores `nextFree` in the header bytes `head`. REQUIRES: head.size() >= 4.
void EncodeFptNextFree(std::span<uint8_t> head, uint32_t nextFree);

// A memo is found in three steps, whether the file is held in memory or read in pieces:
// FptBlockOffset gives where `block` starts, DecodeFptBlockHead reads the block head from the
// bytes found there, and the head's `length` data bytes follow it; a file that ends before
// they do gives FptDataPastEnd.
struct FptBlockHead {
  uint32_t type = kMemoTypeText;
  uint32_t length = 0;  // data bytes after the head
};
// Corruption when the block lies inside the 512-byte header.
Result<uint64_t> FptBlockOffset(const FptHeader& header, uint32_t block, std::string_view fileName);
// `head`: the bytes of the file at `offset`, up to kFptBlockHeadSize. Fewer than that is
// Corruption (the block lies outside the file).
Result<FptBlockHead> DecodeFptBlockHead(std::span<const uint8_t> head, uint32_t block,
                                        uint64_t offset, std::string_view fileName);
FormatError FptDataPastEnd(std::string_view fileName, uint64_t offset, uint64_t length);
// REQUIRES: out.size() >= kFptBlockHeadSize.
void EncodeFptBlockHead(const FptBlockHead& head, std::span<uint8_t> out);

// Reads memos from an FPT file held in memory. The span must outlive the reader.
class FptMemoReader : public MemoSource {
 public:
  // Fails when the header is missing or its block size is 0.
  static Result<FptMemoReader> Open(std::span<const uint8_t> file, std::string fileName);

  Result<MemoData> ReadMemo(uint32_t block) const override;
  const FptHeader& header() const { return header_; }

 private:
  FptMemoReader(std::span<const uint8_t> file, std::string fileName, FptHeader header)
      : file_(file), fileName_(std::move(fileName)), header_(header) {}

  std::span<const uint8_t> file_;
  std::string fileName_;
  FptHeader header_;
};

// The 512-byte header of a new, empty FPT with `blockSize` (REQUIRES: >= 1).
std::string NewFptFile(uint16_t blockSize = kFptDefaultBlockSize);

// Plans storing `data` of block type `type` in the memo file `file`, replacing the memo at
// `oldBlock` (0 when the field had none). An empty `data` yields block 0 and no patches.
Result<MemoWritePlan> PlanFptWrite(std::span<const uint8_t> file, std::string_view fileName,
                                   uint32_t oldBlock, uint32_t type, std::string_view data);

// PlanFptWrite from the header, the file size and the first bytes of the old memo's block
// (`oldHead`: up to 8 bytes read at oldBlock x block size; fewer when the file ends there), so
// a caller that holds no image of the file plans exactly what PlanFptWrite plans.
Result<MemoWritePlan> PlanFptReplace(const FptHeader& header, uint64_t fileSize,
                                     std::string_view fileName, uint32_t oldBlock,
                                     std::span<const uint8_t> oldHead, uint32_t type,
                                     std::string_view data);

// Where PlanFptAppend puts a new memo of `dataSize` bytes: its block number, the file offset
// and length (whole blocks) of the bytes it writes there, and the next-free block after them.
struct FptPlacement {
  uint32_t block = 0;
  uint64_t offset = 0;
  uint64_t length = 0;
  uint32_t nextFree = 0;
};
// REQUIRES: dataSize > 0. Fails as PlanFptAppend does (block size 0, memo too long, file full).
Result<FptPlacement> PlaceFptAppend(const FptHeader& header, uint64_t fileSize,
                                    std::string_view fileName, uint64_t dataSize);
// The bytes of a memo block: type, length, data and zero padding to the end of `out`.
// REQUIRES: out.size() >= 8 + data.size().
void EncodeFptBlock(uint32_t type, std::string_view data, std::span<uint8_t> out);

// Plans storing `data` as a new memo after the existing ones, from the file's header and size
// alone (appending needs no other byte of the memo file; PlanFptWrite uses it for every memo
// that does not fit its old blocks). Same placement and patches as PlanFptWrite.
Result<MemoWritePlan> PlanFptAppend(const FptHeader& header, uint64_t fileSize,
                                    std::string_view fileName, uint32_t type,
                                    std::string_view data);

}  // namespace tabrix
