#pragma once
// CDX compound index (FoxPro 2.x, Visual FoxPro): the bytes of its headers and B-tree pages and
// their coding (docs: shared formats/cdx.md). No I/O here; cdx_file.h reads and writes pages.
//
// The file is made of 512-byte pages at multiples of 512. All integers little-endian except
// the record number and child offset of interior entries (big-endian). Offsets are absolute
// byte offsets; 0xFFFFFFFF (kCdxNone) means none.
//
// Header, 1024 bytes (the file header at 0 describes the tag directory; each tag has its own):
//   offset size meaning
//   0      4    root node offset
//   4      4    free page list: written 0 (the free-list format is not known; pages freed by
//               this program are reused only while it has the file open)
//   8      4    change counter: other programs compare it to see that their cached pages are
//               stale; treated as an opaque number, read and advanced big-endian
//   12     2    key length K (tag directory: 10)
//   14     1    options: 0x01 unique, 0x02 key has a null-indicator prefix byte, 0x04 candidate,
//               0x08 FOR clause, 0x20 compact, 0x40 compound, 0x80 tag directory
//   15     1    signature, 1
//   16     486  reserved, 0
//   502    2    order: 0 ascending, 1 descending
//   504    2    key expression length again (what the FoxPro programs store)
//   506    2    FOR expression length including its NUL (1 without FOR)
//   508    2    reserved, 0
//   510    2    key expression length including its NUL
//   512    512  expression pool: key expression, NUL, FOR expression, NUL
//
// Node header, every page, bytes 0-11:
//   0  2  attributes: 0x01 root, 0x02 leaf (other bits are ignored; some writers add 0x04)
//   2  2  entry count n
//   4  4  left sibling on the same level, or kCdxNone
//   8  4  right sibling on the same level, or kCdxNone
// Interior node: from byte 12, n entries of K + 8 bytes: key (K bytes, uncompressed), record
// number (4, big-endian), child offset (4, big-endian). Entry i's key and record are the last
// (largest) entry of child i's subtree. At most floor(500 / (K + 8)) entries.
//
// Compact leaf ("exterior") node:
//   12  2  free bytes: 488 - n*B - stored key bytes
//   14  4  record number mask, 2^RB - 1
//   18  1  duplicate count mask, 2^DB - 1
//   19  1  trailing count mask, 2^TB - 1
//   20  1  RB, bits of the record number
//   21  1  DB, bits of the duplicate count
//   22  1  TB, bits of the trailing count
//   23  1  B, bytes per entry (RB + DB + TB <= 8B)
//   24  n*B entries: entry i at 24 + i*B, a B-byte little-endian number v:
//            record = v & recordMask
//            dup    = (v >> RB) & dupMask      leading bytes shared with the previous key
//            trail  = (v >> (RB + DB)) & trailMask   trailing fill bytes cut off
//   ...     free
//   ..511   stored key bytes, K - dup - trail per entry, packed from the end of the page
//           backwards: entry 0's bytes end at byte 511, entry 1's right before them, ...
// A key is: dup bytes of the previous key + its stored bytes + trail fill bytes. The fill byte
// is a blank for character keys and 0x00 for binary (numeric, date) keys; the file does not
// say which, the key's type decides (cdx_key.h).
//
// Writing: trail = the key's trailing fill bytes; dup = common prefix with the previous key
// within both keys' bytes before their trailing fill (entry 0: 0); DB = TB = bit length of K; B =
// the smallest of 3 or more bytes whose RB = 8B - 2DB bits hold the page's largest record number.
//
// Decoding checks everything a damaged page can get wrong: entry counts beyond the page,
// widths that do not fit B or their masks, dup + trail beyond K, stored bytes running into the
// entry array, entries out of order. Entries of a node ascend by key bytes and, among equal
// keys, by record number.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/format_status.h"

namespace tabrix {

inline constexpr uint32_t kCdxPageSize = 512;
inline constexpr uint32_t kCdxHeaderSize = 1024;
inline constexpr uint32_t kCdxNone = 0xFFFFFFFF;
inline constexpr int kCdxMaxKeyLength = 240;
inline constexpr int kCdxDirectoryKeyLength = 10;
inline constexpr size_t kCdxLeafHeaderSize = 24;
inline constexpr size_t kCdxLeafSpace = kCdxPageSize - kCdxLeafHeaderSize;  // 488
inline constexpr size_t kCdxInteriorHeaderSize = 12;
inline constexpr size_t kCdxInteriorSpace = kCdxPageSize - kCdxInteriorHeaderSize;  // 500
// The expression pool: key expression, NUL, FOR expression, NUL.
inline constexpr size_t kCdxExpressionPoolSize = 512;

// Header option bits (byte 14). Stored on disk, never renumber.
inline constexpr uint8_t kCdxOptionUnique = 0x01;
inline constexpr uint8_t kCdxOptionNullable = 0x02;
inline constexpr uint8_t kCdxOptionCandidate = 0x04;
inline constexpr uint8_t kCdxOptionFor = 0x08;
inline constexpr uint8_t kCdxOptionCompact = 0x20;
inline constexpr uint8_t kCdxOptionCompound = 0x40;
inline constexpr uint8_t kCdxOptionDirectory = 0x80;

// Node attribute bits. Stored on disk, never renumber.
inline constexpr uint16_t kCdxNodeRoot = 0x01;
inline constexpr uint16_t kCdxNodeLeaf = 0x02;

struct CdxHeader {
  uint32_t root = kCdxNone;
  uint32_t freeList = 0;
  uint32_t changeCounter = 0;
  int keyLength = 0;
  uint8_t options = 0;
  uint8_t signature = 1;
  bool descending = false;
  std::string keyExpression;
  std::string forExpression;
};

// Reads a header from its 1024 bytes. Fails on a key length outside 1 ... kCdxMaxKeyLength or
// expression lengths outside the pool. `offset` only names the place in errors.
Result<CdxHeader> DecodeCdxHeader(std::span<const uint8_t> bytes, uint64_t offset,
                                  std::string_view fileName);
// Writes the 1024 header bytes. REQUIRES: CdxExpressionsFit(header).
void EncodeCdxHeader(const CdxHeader& header, std::span<uint8_t> bytes);
bool CdxExpressionsFit(const CdxHeader& header);
// The change counter's bytes at header offset 8.
uint32_t DecodeCdxChangeCounter(const uint8_t* p);
void EncodeCdxChangeCounter(uint8_t* p, uint32_t counter);
inline constexpr size_t kCdxChangeCounterOffset = 8;

// One node, decoded: full keys, uncompressed.
struct CdxNode {
  uint16_t attributes = 0;
  uint32_t left = kCdxNone;
  uint32_t right = kCdxNone;
  int keyLength = 0;
  std::string keys;                // count() * keyLength bytes; entry i's key at i * keyLength
  std::vector<uint32_t> records;   // entry i's record number (tag directory: header offset)
  std::vector<uint32_t> children;  // interior nodes: entry i's child offset; empty in leaves

  bool leaf() const { return (attributes & kCdxNodeLeaf) != 0; }
  bool root() const { return (attributes & kCdxNodeRoot) != 0; }
  size_t count() const { return records.size(); }
  std::string_view key(size_t i) const {
    return std::string_view(keys).substr(i * static_cast<size_t>(keyLength),
                                         static_cast<size_t>(keyLength));
  }
};

// Bit widths of a compact leaf.
struct CdxLeafWidths {
  int recordBits = 0;
  int dupBits = 0;
  int trailBits = 0;
  int bytes = 0;
};

// The widths this program writes for a leaf of keyLength-byte keys whose largest record number
// is maxRecord.
CdxLeafWidths CdxLeafWidthsFor(int keyLength, uint32_t maxRecord);

// Trailing fill bytes of a key.
int CdxTrailingFill(std::string_view key, uint8_t fill);

// The dup count of a leaf entry: the bytes `key` shares with the key before it, counting
// neither key's trailing fill (FoxPro writes it so, and readers rebuild a key from the stored
// bytes of the one before it, without its fill).
int CdxSharedBytes(std::string_view previous, std::string_view key, uint8_t fill);

// Bytes node entries [begin, end) take in a compact leaf (entry array plus stored key bytes),
// when entry `begin` is the leaf's first. At most kCdxLeafSpace fit.
size_t CdxLeafBytes(const CdxNode& node, size_t begin, size_t end, uint8_t fill);

// Most entries an interior node of keyLength-byte keys holds.
inline size_t CdxInteriorCapacity(int keyLength) {
  return kCdxInteriorSpace / (static_cast<size_t>(keyLength) + 8);
}

// Decodes the page at `offset` (which only names the place in errors) with keys of
// keyLength bytes, trailing compression filled with `fill`.
Result<CdxNode> DecodeCdxNode(std::span<const uint8_t> page, uint64_t offset, int keyLength,
                              uint8_t fill, std::string_view fileName);
// Encodes into the 512 bytes of `page`. False (page unchanged) when the entries do not fit.
bool EncodeCdxNode(const CdxNode& node, uint8_t fill, std::span<uint8_t> page);

// Orders entries: key bytes, then record number. Negative, 0, positive.
int CompareCdxEntry(std::string_view keyA, uint32_t recordA, std::string_view keyB,
                    uint32_t recordB);

}  // namespace tabrix
