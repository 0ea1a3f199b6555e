#include "data/index/cdx_page.h"

#include <algorithm>
#include <cstring>

#include "data/base/byte_coding.h"

namespace tabrix {
namespace {

constexpr size_t kOptionsOffset = 14;
constexpr size_t kOrderOffset = 502;
constexpr size_t kKeyPoolCopyOffset = 504;
constexpr size_t kForLengthOffset = 506;
constexpr size_t kKeyLengthOffset = 510;

int BitLength(uint64_t v) {
  int n = 0;
  while (v) {
    ++n;
    v >>= 1;
  }
  return n;
}

uint64_t Mask(int bits) {
  return bits >= 64 ? ~uint64_t{0} : (uint64_t{1} << bits) - 1;
}

size_t CommonPrefix(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Stored key bytes and the dup / trail counts of entry i when entry `first` starts the leaf.
struct LeafEntryCode {
  int dup = 0;
  int trail = 0;
  int stored = 0;
};

LeafEntryCode CodeOf(const CdxNode& node, size_t first, size_t i, uint8_t fill) {
  LeafEntryCode c;
  std::string_view key = node.key(i);
  c.trail = CdxTrailingFill(key, fill);
  if (i > first) c.dup = CdxSharedBytes(node.key(i - 1), key, fill);
  c.stored = node.keyLength - c.trail - c.dup;
  return c;
}

}  // namespace

bool CdxExpressionsFit(const CdxHeader& header) {
  return header.keyExpression.size() + header.forExpression.size() + 2 <= kCdxExpressionPoolSize;
}

uint32_t DecodeCdxChangeCounter(const uint8_t* p) {
  return DecodeBE32(p);
}

void EncodeCdxChangeCounter(uint8_t* p, uint32_t counter) {
  EncodeBE32(p, counter);
}

Result<CdxHeader> DecodeCdxHeader(std::span<const uint8_t> bytes, uint64_t offset,
                                  std::string_view fileName) {
  std::string name(fileName);
  if (bytes.size() < kCdxHeaderSize) return Corruption(name, offset, "index header cut short");
  const uint8_t* p = bytes.data();
  CdxHeader h;
  h.root = DecodeLE32(p);
  h.freeList = DecodeLE32(p + 4);
  h.changeCounter = DecodeCdxChangeCounter(p + kCdxChangeCounterOffset);
  h.keyLength = DecodeLE16(p + 12);
  h.options = p[kOptionsOffset];
  h.signature = p[15];
  h.descending = DecodeLE16(p + kOrderOffset) != 0;
  if (h.keyLength < 1 || h.keyLength > kCdxMaxKeyLength) {
    return Corruption(name, offset + 12, "key length " + std::to_string(h.keyLength));
  }
  size_t keyPool = DecodeLE16(p + kKeyLengthOffset);
  size_t forPool = DecodeLE16(p + kForLengthOffset);
  if (keyPool + forPool > kCdxExpressionPoolSize) {
    return Corruption(name, offset + kKeyLengthOffset, "expressions longer than their pool");
  }
  auto text = [&](size_t at, size_t len) {
    const char* s = reinterpret_cast<const char*>(p + kCdxPageSize + at);
    return std::string(s, strnlen(s, len));
  };
  h.keyExpression = text(0, keyPool);
  h.forExpression = text(keyPool, forPool);
  return h;
}

void EncodeCdxHeader(const CdxHeader& h, std::span<uint8_t> bytes) {
  uint8_t* p = bytes.data();
  std::memset(p, 0, kCdxHeaderSize);
  EncodeLE32(p, h.root);
  EncodeLE32(p + 4, h.freeList);
  EncodeCdxChangeCounter(p + kCdxChangeCounterOffset, h.changeCounter);
  EncodeLE16(p + 12, static_cast<uint16_t>(h.keyLength));
  p[kOptionsOffset] = h.options;
  p[15] = h.signature;
  EncodeLE16(p + kOrderOffset, h.descending ? 1 : 0);
  uint16_t keyPool = static_cast<uint16_t>(h.keyExpression.size() + 1);
  uint16_t forPool = static_cast<uint16_t>(h.forExpression.size() + 1);
  EncodeLE16(p + kKeyPoolCopyOffset, keyPool);
  EncodeLE16(p + kForLengthOffset, forPool);
  EncodeLE16(p + kKeyLengthOffset, keyPool);
  std::memcpy(p + kCdxPageSize, h.keyExpression.data(), h.keyExpression.size());
  std::memcpy(p + kCdxPageSize + keyPool, h.forExpression.data(), h.forExpression.size());
}

CdxLeafWidths CdxLeafWidthsFor(int keyLength, uint32_t maxRecord) {
  CdxLeafWidths w;
  w.dupBits = w.trailBits = BitLength(static_cast<uint64_t>(keyLength));
  int need = BitLength(maxRecord);
  w.bytes = 3;
  while (8 * w.bytes - 2 * w.dupBits < need) ++w.bytes;
  w.recordBits = 8 * w.bytes - 2 * w.dupBits;
  return w;
}

int CdxTrailingFill(std::string_view key, uint8_t fill) {
  int n = 0;
  for (size_t i = key.size(); i > 0 && static_cast<uint8_t>(key[i - 1]) == fill; --i) ++n;
  return n;
}

int CdxSharedBytes(std::string_view previous, std::string_view key, uint8_t fill) {
  size_t limit = std::min(key.size() - static_cast<size_t>(CdxTrailingFill(key, fill)),
                          previous.size() - static_cast<size_t>(CdxTrailingFill(previous, fill)));
  return static_cast<int>(std::min(CommonPrefix(previous, key), limit));
}

size_t CdxLeafBytes(const CdxNode& node, size_t begin, size_t end, uint8_t fill) {
  uint32_t maxRecord = 0;
  size_t stored = 0;
  for (size_t i = begin; i < end; ++i) {
    maxRecord = std::max(maxRecord, node.records[i]);
    stored += static_cast<size_t>(CodeOf(node, begin, i, fill).stored);
  }
  CdxLeafWidths w = CdxLeafWidthsFor(node.keyLength, maxRecord);
  return (end - begin) * static_cast<size_t>(w.bytes) + stored;
}

int CompareCdxEntry(std::string_view keyA, uint32_t recordA, std::string_view keyB,
                    uint32_t recordB) {
  int c = keyA.compare(keyB);
  if (c != 0) return c;
  return recordA < recordB ? -1 : recordA > recordB ? 1 : 0;
}

Result<CdxNode> DecodeCdxNode(std::span<const uint8_t> page, uint64_t offset, int keyLength,
                              uint8_t fill, std::string_view fileName) {
  std::string name(fileName);
  if (page.size() < kCdxPageSize) return Corruption(name, offset, "index page cut short");
  const uint8_t* p = page.data();
  CdxNode node;
  node.keyLength = keyLength;
  node.attributes = DecodeLE16(p);
  size_t n = DecodeLE16(p + 2);
  node.left = DecodeLE32(p + 4);
  node.right = DecodeLE32(p + 8);
  size_t k = static_cast<size_t>(keyLength);
  node.keys.resize(n * k);
  node.records.resize(n);
  if (!node.leaf()) {
    if (n * (k + 8) > kCdxInteriorSpace) {
      return Corruption(name, offset + 2, std::to_string(n) + " entries overflow the page");
    }
    node.children.resize(n);
    for (size_t i = 0; i < n; ++i) {
      const uint8_t* e = p + kCdxInteriorHeaderSize + i * (k + 8);
      std::memcpy(node.keys.data() + i * k, e, k);
      node.records[i] = DecodeBE32(e + k);
      node.children[i] = DecodeBE32(e + k + 4);
    }
  } else {
    uint32_t recordMask = DecodeLE32(p + 14);
    int rb = p[20], db = p[21], tb = p[22], b = p[23];
    if (b < 1 || b > 8 || rb > 32 || rb + db + tb > 8 * b || recordMask != Mask(rb) ||
        p[18] != Mask(db) || p[19] != Mask(tb) || db > 8 || tb > 8) {
      return Corruption(name, offset + 14, "leaf bit widths do not fit");
    }
    size_t entriesEnd = kCdxLeafHeaderSize + n * static_cast<size_t>(b);
    if (entriesEnd > kCdxPageSize) {
      return Corruption(name, offset + 2, std::to_string(n) + " entries overflow the page");
    }
    size_t cursor = kCdxPageSize;
    for (size_t i = 0; i < n; ++i) {
      uint64_t v = 0;
      for (int j = b - 1; j >= 0; --j) v = (v << 8) | p[kCdxLeafHeaderSize + i * b + j];
      uint32_t record = static_cast<uint32_t>(v & recordMask);
      size_t dup = static_cast<size_t>((v >> rb) & Mask(db));
      size_t trail = static_cast<size_t>((v >> (rb + db)) & Mask(tb));
      if (dup + trail > k || (i == 0 && dup != 0)) {
        return Corruption(name, offset + kCdxLeafHeaderSize + i * b,
                          "entry " + std::to_string(i) + " shares or cuts more than its key");
      }
      size_t stored = k - dup - trail;
      if (cursor < entriesEnd + stored) {
        return Corruption(name, offset + kCdxLeafHeaderSize + i * b,
                          "stored key bytes run into the entries");
      }
      cursor -= stored;
      char* key = node.keys.data() + i * k;
      if (dup) std::memcpy(key, key - k, dup);
      std::memcpy(key + dup, p + cursor, stored);
      std::memset(key + dup + stored, fill, trail);
      node.records[i] = record;
    }
  }
  for (size_t i = 1; i < n; ++i) {
    if (CompareCdxEntry(node.key(i - 1), node.records[i - 1], node.key(i), node.records[i]) >= 0) {
      return Corruption(name, offset, "entries out of order at " + std::to_string(i));
    }
  }
  return node;
}

bool EncodeCdxNode(const CdxNode& node, uint8_t fill, std::span<uint8_t> page) {
  size_t n = node.count();
  size_t k = static_cast<size_t>(node.keyLength);
  if (node.leaf()) {
    if (CdxLeafBytes(node, 0, n, fill) > kCdxLeafSpace) return false;
  } else if (n > CdxInteriorCapacity(node.keyLength)) {
    return false;
  }
  uint8_t* p = page.data();
  std::memset(p, 0, kCdxPageSize);
  EncodeLE16(p, node.attributes);
  EncodeLE16(p + 2, static_cast<uint16_t>(n));
  EncodeLE32(p + 4, node.left);
  EncodeLE32(p + 8, node.right);
  if (!node.leaf()) {
    for (size_t i = 0; i < n; ++i) {
      uint8_t* e = p + kCdxInteriorHeaderSize + i * (k + 8);
      std::memcpy(e, node.key(i).data(), k);
      EncodeBE32(e + k, node.records[i]);
      EncodeBE32(e + k + 4, node.children[i]);
    }
    return true;
  }
  uint32_t maxRecord = 0;
  for (uint32_t r : node.records) maxRecord = std::max(maxRecord, r);
  CdxLeafWidths w = CdxLeafWidthsFor(node.keyLength, maxRecord);
  size_t cursor = kCdxPageSize;
  for (size_t i = 0; i < n; ++i) {
    LeafEntryCode c = CodeOf(node, 0, i, fill);
    uint64_t v = node.records[i] | (static_cast<uint64_t>(c.dup) << w.recordBits) |
                 (static_cast<uint64_t>(c.trail) << (w.recordBits + w.dupBits));
    for (int j = 0; j < w.bytes; ++j) {
      p[kCdxLeafHeaderSize + i * w.bytes + j] = static_cast<uint8_t>(v >> (8 * j));
    }
    cursor -= static_cast<size_t>(c.stored);
    std::memcpy(p + cursor, node.key(i).data() + c.dup, static_cast<size_t>(c.stored));
  }
  size_t used = kCdxPageSize - cursor + n * static_cast<size_t>(w.bytes);
  EncodeLE16(p + 12, static_cast<uint16_t>(kCdxLeafSpace - used));
  EncodeLE32(p + 14, static_cast<uint32_t>(Mask(w.recordBits)));
  p[18] = static_cast<uint8_t>(Mask(w.dupBits));
  p[19] = static_cast<uint8_t>(Mask(w.trailBits));
  p[20] = static_cast<uint8_t>(w.recordBits);
  p[21] = static_cast<uint8_t>(w.dupBits);
  p[22] = static_cast<uint8_t>(w.trailBits);
  p[23] = static_cast<uint8_t>(w.bytes);
  return true;
}

}  // namespace tabrix
