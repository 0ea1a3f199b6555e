#include "data/formats/fpt_memo.h"

#include <algorithm>
#include <cstring>

#include "data/base/byte_coding.h"

namespace tabrix {

namespace {

uint64_t BlocksFor(uint64_t bytes, uint16_t blockSize) {
  return (bytes + blockSize - 1) / blockSize;
}

}  // namespace

Result<FptHeader> ParseFptHeader(std::span<const uint8_t> file, std::string_view fileName) {
  if (file.size() < 8) {
    return Corruption(std::string(fileName), 0, "memo file shorter than its header");
  }
  FptHeader h;
  h.nextFree = DecodeBE32(&file[0]);
  h.blockSize = DecodeBE16(&file[6]);
  if (h.blockSize == 0) return Corruption(std::string(fileName), 6, "memo block size 0");
  return h;
}

void EncodeFptNextFree(std::span<uint8_t> head, uint32_t nextFree) {
  EncodeBE32(head.data(), nextFree);
}

Result<uint64_t> FptBlockOffset(const FptHeader& header, uint32_t block,
                                std::string_view fileName) {
  const uint64_t offset = static_cast<uint64_t>(block) * header.blockSize;
  if (offset < kFptHeaderSize) {
    return Corruption(std::string(fileName), offset,
                      "memo block " + std::to_string(block) + " lies inside the file header");
  }
  return offset;
}

Result<FptBlockHead> DecodeFptBlockHead(std::span<const uint8_t> head, uint32_t block,
                                        uint64_t offset, std::string_view fileName) {
  if (head.size() < kFptBlockHeadSize) {
    return MemoBlockOutsideFile(std::string(fileName), block, offset);
  }
  return FptBlockHead{DecodeBE32(&head[0]), DecodeBE32(&head[4])};
}

FormatError FptDataPastEnd(std::string_view fileName, uint64_t offset, uint64_t length) {
  return Corruption(std::string(fileName), offset + 4,
                    "memo length " + std::to_string(length) + " runs past the end of the file");
}

void EncodeFptBlockHead(const FptBlockHead& head, std::span<uint8_t> out) {
  EncodeBE32(out.data(), head.type);
  EncodeBE32(out.data() + 4, head.length);
}

Result<FptMemoReader> FptMemoReader::Open(std::span<const uint8_t> file, std::string fileName) {
  Result<FptHeader> h = ParseFptHeader(file, fileName);
  if (!h) return h.error();
  return FptMemoReader(file, std::move(fileName), h.value());
}

Result<MemoData> FptMemoReader::ReadMemo(uint32_t block) const {
  Result<uint64_t> at = FptBlockOffset(header_, block, fileName_);
  if (!at) return at.error();
  const uint64_t offset = at.value();
  const std::span<const uint8_t> rest =
      offset < file_.size() ? file_.subspan(offset) : std::span<const uint8_t>();
  Result<FptBlockHead> head = DecodeFptBlockHead(
      rest.first(std::min(rest.size(), kFptBlockHeadSize)), block, offset, fileName_);
  if (!head) return head.error();
  const uint64_t length = head.value().length;
  if (length > rest.size() - kFptBlockHeadSize) return FptDataPastEnd(fileName_, offset, length);
  MemoData m;
  m.type = head.value().type;
  m.bytes.assign(reinterpret_cast<const char*>(&rest[kFptBlockHeadSize]), length);
  return m;
}

std::string NewFptFile(uint16_t blockSize) {
  std::string out(kFptHeaderSize, '\0');
  auto* p = reinterpret_cast<uint8_t*>(out.data());
  EncodeFptNextFree({p, kFptHeaderSize},
                    static_cast<uint32_t>(BlocksFor(kFptHeaderSize, blockSize)));
  EncodeBE16(p + 6, blockSize);
  return out;
}

Result<FptPlacement> PlaceFptAppend(const FptHeader& header, uint64_t fileSize,
                                    std::string_view fileName, uint64_t dataSize) {
  const uint16_t bs = header.blockSize;
  if (bs == 0) return Corruption(std::string(fileName), 6, "memo block size 0");
  if (dataSize > 0xFFFFFFFFull - 8) {
    return FormatError{FormatErrorKind::kInvalidValue, std::string(fileName), 0, "memo too long"};
  }
  const uint64_t needed = BlocksFor(8 + dataSize, bs);
  uint64_t next = header.nextFree;
  next = std::max(next, BlocksFor(kFptHeaderSize, bs));
  next = std::max(next, BlocksFor(fileSize, bs));
  const uint64_t newNext = next + needed;
  if (newNext > 0xFFFFFFFFull) {
    return FormatError{FormatErrorKind::kInvalidValue, std::string(fileName), 0, "memo file full"};
  }
  return FptPlacement{static_cast<uint32_t>(next), next * bs, needed * bs,
                      static_cast<uint32_t>(newNext)};
}

void EncodeFptBlock(uint32_t type, std::string_view data, std::span<uint8_t> out) {
  EncodeFptBlockHead({type, static_cast<uint32_t>(data.size())}, out);
  // memcpy and memset: char to byte copies would go byte by byte, for every memo written.
  std::memcpy(out.data() + 8, data.data(), data.size());
  std::memset(out.data() + 8 + data.size(), 0, out.size() - 8 - data.size());
}

Result<MemoWritePlan> PlanFptAppend(const FptHeader& header, uint64_t fileSize,
                                    std::string_view fileName, uint32_t type,
                                    std::string_view data) {
  MemoWritePlan plan;
  if (data.empty()) return plan;
  Result<FptPlacement> place = PlaceFptAppend(header, fileSize, fileName, data.size());
  if (!place) return place.error();
  const FptPlacement& p = place.value();
  std::string block(p.length, '\0');
  EncodeFptBlock(type, data, {reinterpret_cast<uint8_t*>(block.data()), block.size()});
  plan.block = p.block;
  plan.patches.reserve(2);
  plan.patches.push_back({p.offset, std::move(block)});
  std::string head(4, '\0');
  EncodeFptNextFree({reinterpret_cast<uint8_t*>(head.data()), head.size()}, p.nextFree);
  plan.patches.push_back({0, std::move(head)});
  return plan;
}

Result<MemoWritePlan> PlanFptReplace(const FptHeader& header, uint64_t fileSize,
                                     std::string_view fileName, uint32_t oldBlock,
                                     std::span<const uint8_t> oldHead, uint32_t type,
                                     std::string_view data) {
  MemoWritePlan plan;
  if (data.empty()) return plan;
  if (fileSize < kFptHeaderSize) {
    return Corruption(std::string(fileName), 0, "memo file shorter than its 512-byte header");
  }
  const uint16_t bs = header.blockSize;
  if (bs == 0) return Corruption(std::string(fileName), 6, "memo block size 0");
  if (data.size() > 0xFFFFFFFFull - 8) {
    return FormatError{FormatErrorKind::kInvalidValue, std::string(fileName), 0, "memo too long"};
  }
  const uint64_t needed = BlocksFor(8 + data.size(), bs);

  if (oldBlock != 0) {
    const uint64_t oldOffset = static_cast<uint64_t>(oldBlock) * bs;
    Result<FptBlockHead> old = DecodeFptBlockHead(oldHead, oldBlock, oldOffset, fileName);
    if (oldOffset >= kFptHeaderSize && oldOffset <= fileSize &&
        fileSize - oldOffset >= kFptBlockHeadSize && old) {
      const uint64_t oldLength = old.value().length;
      // Only a memo that really lies in the file owns its blocks.
      if (oldLength <= fileSize - oldOffset - kFptBlockHeadSize &&
          needed <= BlocksFor(kFptBlockHeadSize + oldLength, bs)) {
        std::string block(kFptBlockHeadSize, '\0');
        EncodeFptBlockHead({type, static_cast<uint32_t>(data.size())},
                           {reinterpret_cast<uint8_t*>(block.data()), block.size()});
        block.append(data);
        plan.block = oldBlock;
        plan.patches.push_back({oldOffset, std::move(block)});
        return plan;
      }
    }
  }
  return PlanFptAppend(header, fileSize, fileName, type, data);
}

Result<MemoWritePlan> PlanFptWrite(std::span<const uint8_t> file, std::string_view fileName,
                                   uint32_t oldBlock, uint32_t type, std::string_view data) {
  if (data.empty()) return MemoWritePlan{};
  if (file.size() < kFptHeaderSize) {
    return Corruption(std::string(fileName), 0, "memo file shorter than its 512-byte header");
  }
  Result<FptHeader> h = ParseFptHeader(file, fileName);
  if (!h) return h.error();
  std::span<const uint8_t> oldHead;
  const uint64_t oldOffset = static_cast<uint64_t>(oldBlock) * h.value().blockSize;
  if (oldBlock != 0 && oldOffset < file.size()) {
    oldHead = file.subspan(oldOffset, std::min<uint64_t>(8, file.size() - oldOffset));
  }
  return PlanFptReplace(h.value(), file.size(), fileName, oldBlock, oldHead, type, data);
}

}  // namespace tabrix
