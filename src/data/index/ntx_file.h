#pragma once
// NTX single-order index file: the header page and the key pages (docs/formats/ntx.md).
//
// All integers little-endian. The file is a sequence of 1024-byte pages; page 0 is the header.
// Every page reference is an absolute file offset (a multiple of 1024), never a page number.
//
// Header (page 0):
//   offset size meaning
//   0      2    signature: 6 for the NTX dialect's 5.x indexes. Low-byte bits: 0x06 index
//               type, 0x01 conditional (condition text stored further on), 0x08 temporary,
//               0x10 "new lock offset" (index semaphore at 0xFFFFFFFF, lock_offsets.h). 3 is an
//               older dialect release. Anything else is not an NTX index.
//   2      2    indexing version: counts updates so that other programs see their pages are
//               stale; wraps at 16 bits
//   4      4    root page offset
//   8      4    first free page offset, 0 when none; a free page holds the next free page's
//               offset in its first 4 bytes
//   12     2    item size = key length + 8
//   14     2    key length K
//   16     2    decimals of a numeric key
//   18     2    max keys per page M
//   20     2    half page = M / 2, the fill every page but the root keeps
//   22     256  key expression, NUL-terminated (so at most 255 characters)
//   278    1    unique flag (1: one entry per key value)
//   279    745  zeros (later dialect releases keep FOR text and order names here; not read)
//
// Key page (pages >= 1):
//   0                2            n = number of keys in the page (0 ... M)
//   2                2 * (M + 1)  item offsets from the page start; entry i is the i-th item in
//                                 key order. All M + 1 entries are a permutation of the slots.
//   2 + 2 * (M + 1)  (M + 1) * (K + 8)  item slots
// Item: 0 4 left child page offset (0 in a leaf), 4 4 record number, 8 K key bytes.
// Items 0 ... n-1 hold keys in ascending order; item n holds only the child right of the last
// key (its record and key bytes are stale). A leaf has child 0 in every item, an interior page a
// child in every item. This is a B-tree, not a B+-tree: keys of interior pages are entries too,
// so every entry is stored exactly once in the whole tree. In order: child(0), key(0),
// child(1), key(1), ..., key(n-1), child(n).
//
// Page size arithmetic: a page must hold 2 + 2(M+1) + (M+1)(K+8) <= 1024 bytes, so a new
// index gets M = floor(1022 / (K + 10)) - 1 and half = M / 2 (K 10 -> M 50; K 78 -> M 10). Files
// of other writers are read with the M of their header.
//
// Reading distrusts every byte (DecodeNtxPage): counts beyond M, item offsets outside the slot
// area, a mix of leaf and interior children and child offsets that are not whole pages are
// Corruption with the page's file offset.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/format_status.h"
#include "data/formats/lock_offsets.h"

namespace tabrix {

// Stored on disk, never renumber.
inline constexpr uint32_t kNtxPageSize = 1024;
inline constexpr uint16_t kNtxSignature = 0x0006;
inline constexpr uint16_t kNtxSignatureOld = 0x0003;
inline constexpr uint16_t kNtxTypeBits = 0x0006;
inline constexpr uint16_t kNtxConditionalFlag = 0x0001;
inline constexpr uint16_t kNtxTemporaryFlag = 0x0008;
inline constexpr uint16_t kNtxNewLockFlag = 0x0010;
inline constexpr size_t kNtxVersionOffset = 2;
inline constexpr size_t kNtxRootOffset = 4;
inline constexpr size_t kNtxFreeOffset = 8;
inline constexpr size_t kNtxItemSizeOffset = 12;
inline constexpr size_t kNtxKeyLengthOffset = 14;
inline constexpr size_t kNtxDecimalsOffset = 16;
inline constexpr size_t kNtxMaxKeysOffset = 18;
inline constexpr size_t kNtxHalfPageOffset = 20;
inline constexpr size_t kNtxExpressionOffset = 22;
inline constexpr size_t kNtxExpressionSize = 256;
inline constexpr size_t kNtxUniqueOffset = 278;
inline constexpr size_t kNtxHeaderUsed = 279;
inline constexpr size_t kNtxItemHeadSize = 8;  // child offset + record number

// Longest key a new index takes: the dialect's documented limit. Every key length up to it
// leaves room for M >= 2.
inline constexpr int kNtxMaxKeyLength = 256;

struct NtxHeader {
  uint16_t signature = kNtxSignature;
  uint16_t version = 0;
  uint32_t root = 0;
  uint32_t freePage = 0;
  uint16_t keyLength = 0;
  uint16_t decimals = 0;
  uint16_t maxKeys = 0;
  uint16_t halfPage = 0;
  std::string keyExpression;
  bool unique = false;

  uint32_t itemSize() const { return keyLength + kNtxItemHeadSize; }
  // Bytes of a page that hold data: count, offset table and all M + 1 item slots.
  uint32_t pageUsedBytes() const;
  // Where the item slots begin in a page.
  uint32_t slotsOffset() const { return 2 + 2 * (uint32_t{maxKeys} + 1); }
  // Only the plain 5.x kind (with or without the new lock offset) is written; conditional,
  // temporary and older indexes are read only.
  bool maintainable() const { return (signature & ~kNtxNewLockFlag) == kNtxSignature; }
  // The index lock of this file (lock_offsets.h): the signature picks the offset.
  LockSpan indexLock() const {
    return IndexLockRange(LockDialect::kNtx, signature & kNtxNewLockFlag);
  }
};

// M and half for a new index with keys of keyLength bytes (1 ... kNtxMaxKeyLength).
uint16_t NtxMaxKeysForKeyLength(int keyLength);

// The header from the first bytes of the file (at least kNtxHeaderUsed of them unless the file
// is shorter). fileSize bounds the root page. Unsupported for a signature that is no NTX index;
// Corruption for sizes that contradict each other or a root that is not a whole page inside
// the file.
Result<NtxHeader> ParseNtxHeader(std::span<const uint8_t> head, uint64_t fileSize,
                                 std::string_view fileName);

// The whole header page. REQUIRES: the key expression has at most 255 bytes.
std::vector<uint8_t> EncodeNtxHeader(const NtxHeader& header);

struct NtxItem {
  uint32_t child = 0;  // left child page offset, 0 in a leaf
  uint32_t record = 0;
  std::string key;  // keyLength bytes
};

// A decoded key page: the n keyed items in order and the child right of the last key.
struct NtxPage {
  std::vector<NtxItem> items;
  uint32_t rightChild = 0;

  size_t count() const { return items.size(); }
  bool leaf() const { return (items.empty() ? rightChild : items[0].child) == 0; }
  // Child i = left child of item i; child count() = rightChild.
  uint32_t child(size_t i) const { return i < items.size() ? items[i].child : rightChild; }
  void setChild(size_t i, uint32_t offset) {
    (i < items.size() ? items[i].child : rightChild) = offset;
  }
};

// Decodes the page stored at pageOffset from its bytes (at least header.pageUsedBytes()).
Status DecodeNtxPage(std::span<const uint8_t> bytes, const NtxHeader& header, uint64_t pageOffset,
                     std::string_view fileName, NtxPage* page);

// The page's 1024 bytes: the offset table in slot order, item n with record 0 and a zero key.
// REQUIRES: page.count() <= header.maxKeys, keys of header.keyLength bytes.
std::vector<uint8_t> EncodeNtxPage(const NtxPage& page, const NtxHeader& header);

// A page on the free list: the next free page's offset in its first 4 bytes, zeros after.
std::vector<uint8_t> EncodeNtxFreePage(uint32_t nextFree);

// True when offset can address a page: a non-zero multiple of the page size.
inline bool IsNtxPageOffset(uint64_t offset) {
  return offset != 0 && offset % kNtxPageSize == 0 && offset <= UINT32_MAX;
}

}  // namespace tabrix
