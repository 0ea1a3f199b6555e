#include "data/index/ntx_file.h"

#include <algorithm>
#include <cstring>

#include "data/base/byte_coding.h"

namespace tabrix {

namespace {

bool IsNtxSignature(uint16_t signature) {
  if (signature == kNtxSignatureOld) return true;
  return (signature & 0xFF00) == 0 && (signature & kNtxTypeBits) == kNtxTypeBits &&
         (signature & 0xE0) == 0;
}

uint32_t PageUsedBytes(uint32_t maxKeys, uint32_t keyLength) {
  return 2 + 2 * (maxKeys + 1) + (maxKeys + 1) * (keyLength + kNtxItemHeadSize);
}

}  // namespace

uint32_t NtxHeader::pageUsedBytes() const {
  return PageUsedBytes(maxKeys, keyLength);
}

uint16_t NtxMaxKeysForKeyLength(int keyLength) {
  return static_cast<uint16_t>((kNtxPageSize - 2) / static_cast<uint32_t>(keyLength + 10) - 1);
}

Result<NtxHeader> ParseNtxHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                 std::string_view fileName) {
  std::string file(fileName);
  if (head.size() < kNtxHeaderUsed || fileSize < kNtxHeaderUsed) {
    return Corruption(file, 0, "file shorter than the NTX header");
  }
  NtxHeader h;
  h.signature = DecodeLE16(&head[0]);
  if (!IsNtxSignature(h.signature)) {
    return FormatError{FormatErrorKind::kUnsupported, file, 0,
                       "signature " + std::to_string(h.signature) + " is no NTX index"};
  }
  h.version = DecodeLE16(&head[kNtxVersionOffset]);
  h.root = DecodeLE32(&head[kNtxRootOffset]);
  h.freePage = DecodeLE32(&head[kNtxFreeOffset]);
  uint16_t itemSize = DecodeLE16(&head[kNtxItemSizeOffset]);
  h.keyLength = DecodeLE16(&head[kNtxKeyLengthOffset]);
  h.decimals = DecodeLE16(&head[kNtxDecimalsOffset]);
  h.maxKeys = DecodeLE16(&head[kNtxMaxKeysOffset]);
  h.halfPage = DecodeLE16(&head[kNtxHalfPageOffset]);
  if (h.keyLength == 0 || itemSize != h.keyLength + kNtxItemHeadSize) {
    return Corruption(file, kNtxItemSizeOffset,
                      "item size " + std::to_string(itemSize) + " does not fit key length " +
                          std::to_string(h.keyLength));
  }
  if (h.maxKeys == 0 || PageUsedBytes(h.maxKeys, h.keyLength) > kNtxPageSize) {
    return Corruption(file, kNtxMaxKeysOffset,
                      std::to_string(h.maxKeys) + " keys of " + std::to_string(h.keyLength) +
                          " bytes do not fit a page");
  }
  if (h.decimals != 0 && h.decimals + 2 > h.keyLength) {
    return Corruption(file, kNtxDecimalsOffset, "more decimals than the key holds");
  }
  if (!IsNtxPageOffset(h.root) || h.root + uint64_t{h.pageUsedBytes()} > fileSize) {
    return Corruption(file, kNtxRootOffset,
                      "root page offset " + std::to_string(h.root) + " outside the file");
  }
  const uint8_t* expr = &head[kNtxExpressionOffset];
  const void* nul = std::memchr(expr, 0, kNtxExpressionSize);
  size_t exprLength = nul ? static_cast<const uint8_t*>(nul) - expr : kNtxExpressionSize;
  h.keyExpression.assign(reinterpret_cast<const char*>(expr), exprLength);
  h.unique = head[kNtxUniqueOffset] != 0;
  return h;
}

std::vector<uint8_t> EncodeNtxHeader(const NtxHeader& h) {
  std::vector<uint8_t> out(kNtxPageSize, 0);
  EncodeLE16(&out[0], h.signature);
  EncodeLE16(&out[kNtxVersionOffset], h.version);
  EncodeLE32(&out[kNtxRootOffset], h.root);
  EncodeLE32(&out[kNtxFreeOffset], h.freePage);
  EncodeLE16(&out[kNtxItemSizeOffset], static_cast<uint16_t>(h.itemSize()));
  EncodeLE16(&out[kNtxKeyLengthOffset], h.keyLength);
  EncodeLE16(&out[kNtxDecimalsOffset], h.decimals);
  EncodeLE16(&out[kNtxMaxKeysOffset], h.maxKeys);
  EncodeLE16(&out[kNtxHalfPageOffset], h.halfPage);
  size_t n = std::min(h.keyExpression.size(), kNtxExpressionSize - 1);
  std::memcpy(&out[kNtxExpressionOffset], h.keyExpression.data(), n);
  out[kNtxUniqueOffset] = h.unique ? 1 : 0;
  return out;
}

Status DecodeNtxPage(std::span<const uint8_t> bytes, const NtxHeader& h, uint64_t pageOffset,
                     std::string_view fileName, NtxPage* page) {
  const uint32_t used = h.pageUsedBytes();
  auto bad = [&](uint64_t at, std::string reason) {
    return Status(Corruption(std::string(fileName), pageOffset + at, std::move(reason)));
  };
  if (bytes.size() < used) return bad(0, "page cut short by the end of the file");
  const uint16_t n = DecodeLE16(&bytes[0]);
  if (n > h.maxKeys) {
    return bad(0,
               "page holds " + std::to_string(n) + " keys, more than " + std::to_string(h.maxKeys));
  }
  const uint32_t itemSize = h.itemSize();
  page->items.resize(n);
  bool leaf = true;
  for (uint32_t i = 0; i <= n; ++i) {
    const uint32_t slot = DecodeLE16(&bytes[2 + 2 * i]);
    if (slot < h.slotsOffset() || slot + itemSize > used) {
      return bad(2 + 2 * i, "item offset " + std::to_string(slot) + " outside the item slots");
    }
    const uint8_t* item = &bytes[slot];
    const uint32_t child = DecodeLE32(item);
    if (i == 0) leaf = child == 0;
    if (leaf != (child == 0)) return bad(slot, "leaf and interior children mixed in one page");
    if (child != 0 && !IsNtxPageOffset(child)) {
      return bad(slot, "child offset " + std::to_string(child) + " is not a page");
    }
    if (i == n) {
      page->rightChild = child;
      break;
    }
    NtxItem& it = page->items[i];
    it.child = child;
    it.record = DecodeLE32(item + 4);
    it.key.assign(reinterpret_cast<const char*>(item + kNtxItemHeadSize), h.keyLength);
  }
  return {};
}

std::vector<uint8_t> EncodeNtxPage(const NtxPage& page, const NtxHeader& h) {
  std::vector<uint8_t> out(kNtxPageSize, 0);
  const uint32_t slots = h.slotsOffset();
  const uint32_t itemSize = h.itemSize();
  EncodeLE16(&out[0], static_cast<uint16_t>(page.count()));
  for (uint32_t i = 0; i <= h.maxKeys; ++i) {
    EncodeLE16(&out[2 + 2 * i], static_cast<uint16_t>(slots + i * itemSize));
  }
  for (size_t i = 0; i < page.count(); ++i) {
    uint8_t* item = &out[slots + i * itemSize];
    EncodeLE32(item, page.items[i].child);
    EncodeLE32(item + 4, page.items[i].record);
    std::memcpy(item + kNtxItemHeadSize, page.items[i].key.data(),
                std::min<size_t>(page.items[i].key.size(), h.keyLength));
  }
  EncodeLE32(&out[slots + page.count() * itemSize], page.rightChild);
  return out;
}

std::vector<uint8_t> EncodeNtxFreePage(uint32_t nextFree) {
  std::vector<uint8_t> out(kNtxPageSize, 0);
  EncodeLE32(&out[0], nextFree);
  return out;
}

}  // namespace tabrix
