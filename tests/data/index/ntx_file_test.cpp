// The NTX header and page layout: what is accepted, what is damage, at each limit.

#include <gtest/gtest.h>

#include <functional>

#include "data/base/byte_coding.h"
#include "data/index/ntx_file.h"

namespace tabrix {
namespace {

NtxHeader Header(uint16_t keyLength, uint16_t maxKeys) {
  NtxHeader h;
  h.keyLength = keyLength;
  h.maxKeys = maxKeys;
  h.halfPage = maxKeys / 2;
  h.root = kNtxPageSize;
  h.keyExpression = "NAME";
  return h;
}

Result<NtxHeader> Parse(const std::vector<uint8_t>& page, uint64_t fileSize = 2 * kNtxPageSize) {
  return ParseNtxHeader(page, fileSize, "t.ntx");
}

TEST(NtxFile, MaxKeysFillThePageAndOneMoreDoesNot) {
  // Figures of the fact sheet, one of them seen in a real file (key 78 -> 10).
  EXPECT_EQ(NtxMaxKeysForKeyLength(78), 10);
  EXPECT_EQ(NtxMaxKeysForKeyLength(10), 50);
  EXPECT_EQ(NtxMaxKeysForKeyLength(8), 55);
  for (int k = 1; k <= kNtxMaxKeyLength; ++k) {
    SCOPED_TRACE(k);
    const uint16_t m = NtxMaxKeysForKeyLength(k);
    EXPECT_GE(m, 2);
    EXPECT_TRUE(Parse(EncodeNtxHeader(Header(k, m))).ok());
    EXPECT_FALSE(Parse(EncodeNtxHeader(Header(k, m + 1))).ok());
  }
}

TEST(NtxFile, HeaderRoundTrips) {
  NtxHeader h = Header(12, 40);
  h.signature = kNtxSignature | kNtxNewLockFlag;
  h.version = 513;
  h.freePage = 3 * kNtxPageSize;
  h.decimals = 2;
  h.unique = true;
  h.keyExpression = std::string(255, 'x');
  Result<NtxHeader> r = Parse(EncodeNtxHeader(h));
  ASSERT_TRUE(r.ok()) << r.error().ToString();
  EXPECT_EQ(r.value().signature, h.signature);
  EXPECT_EQ(r.value().version, 513);
  EXPECT_EQ(r.value().freePage, h.freePage);
  EXPECT_EQ(r.value().decimals, 2);
  EXPECT_TRUE(r.value().unique);
  EXPECT_EQ(r.value().keyExpression, h.keyExpression);
  EXPECT_EQ(r.value().indexLock(), (LockSpan{0xFFFFFFFF, 1}));
  EXPECT_EQ(Header(12, 40).indexLock(), (LockSpan{1000000000, 1}));
}

TEST(NtxFile, SignaturesOfOtherFilesAreRefusedAndOldKindsReadOnly) {
  struct Case {
    uint16_t signature;
    bool accepted;
    bool maintainable;
  };
  const Case cases[] = {
      {0x0006, true, true},   {0x0016, true, true},   {0x0007, true, false},
      {0x000E, true, false},  {0x0003, true, false},  {0x0000, false, false},
      {0x0004, false, false}, {0x0106, false, false}, {0x0026, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signature);
    NtxHeader h = Header(10, 50);
    h.signature = c.signature;
    Result<NtxHeader> r = Parse(EncodeNtxHeader(h));
    ASSERT_EQ(r.ok(), c.accepted);
    if (r.ok()) {
      EXPECT_EQ(r.value().maintainable(), c.maintainable);
    } else {
      EXPECT_EQ(r.error().kind, FormatErrorKind::kUnsupported);
    }
  }
}

TEST(NtxFile, HeaderDamageIsCorruption) {
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
    int width;
    uint64_t fileSize;
    bool ok;
  };
  // Key 10, M 50: a page uses 1022 bytes, so a root at 1024 needs a file of 2046.
  const Case cases[] = {
      {"root page just inside the file", kNtxRootOffset, 1024, 4, 2046, true},
      {"root page cut by the end", kNtxRootOffset, 1024, 4, 2045, false},
      {"root at the header", kNtxRootOffset, 0, 4, 4096, false},
      {"root not on a page", kNtxRootOffset, 1536, 4, 4096, false},
      {"item size not key + 8", kNtxItemSizeOffset, 19, 2, 4096, false},
      {"key length 0", kNtxKeyLengthOffset, 0, 2, 4096, false},
      {"max keys 0", kNtxMaxKeysOffset, 0, 2, 4096, false},
      {"decimals leave a digit and the point", kNtxDecimalsOffset, 8, 2, 4096, true},
      {"decimals one more", kNtxDecimalsOffset, 9, 2, 4096, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> page = EncodeNtxHeader(Header(10, 50));
    if (c.width == 4) {
      EncodeLE32(&page[c.offset], c.value);
    } else {
      EncodeLE16(&page[c.offset], static_cast<uint16_t>(c.value));
    }
    Result<NtxHeader> r = Parse(page, c.fileSize);
    EXPECT_EQ(r.ok(), c.ok);
    if (!r.ok()) {
      EXPECT_EQ(r.error().kind, FormatErrorKind::kCorruption);
    }
  }
  std::vector<uint8_t> shortHead = EncodeNtxHeader(Header(10, 50));
  shortHead.resize(kNtxHeaderUsed);
  EXPECT_TRUE(Parse(shortHead).ok());
  shortHead.resize(kNtxHeaderUsed - 1);
  EXPECT_FALSE(Parse(shortHead).ok());
}

NtxPage SamplePage(int keys, bool leaf) {
  NtxPage p;
  for (int i = 0; i < keys; ++i) {
    p.items.push_back({leaf ? 0u : (i + 2) * kNtxPageSize, 100u + i, std::string(4, 'a' + i)});
  }
  p.rightChild = leaf ? 0 : 99 * kNtxPageSize;
  return p;
}

TEST(NtxFile, PagesRoundTripUpToMaxKeys) {
  const NtxHeader h = Header(4, 5);
  for (int keys : {0, 1, 5}) {
    for (bool leaf : {true, false}) {
      NtxPage in = SamplePage(keys, leaf);
      NtxPage out;
      ASSERT_TRUE(DecodeNtxPage(EncodeNtxPage(in, h), h, 1024, "t.ntx", &out).ok());
      EXPECT_EQ(out.count(), in.count());
      EXPECT_EQ(out.leaf(), leaf);
      EXPECT_EQ(out.rightChild, in.rightChild);
      for (int i = 0; i < keys; ++i) {
        EXPECT_EQ(out.items[i].key, in.items[i].key);
        EXPECT_EQ(out.items[i].record, in.items[i].record);
        EXPECT_EQ(out.items[i].child, in.items[i].child);
      }
    }
  }
}

TEST(NtxFile, OffsetTableOrdersTheItems) {
  // Other writers never move item bytes: they permute the offset table.
  const NtxHeader h = Header(4, 5);
  std::vector<uint8_t> bytes = EncodeNtxPage(SamplePage(3, true), h);
  const uint16_t first = DecodeLE16(&bytes[2]);
  EncodeLE16(&bytes[2], DecodeLE16(&bytes[6]));
  EncodeLE16(&bytes[6], first);
  NtxPage out;
  ASSERT_TRUE(DecodeNtxPage(bytes, h, 1024, "t.ntx", &out).ok());
  EXPECT_EQ(out.items[0].key, "cccc");
  EXPECT_EQ(out.items[2].key, "aaaa");
}

TEST(NtxFile, PageDamageIsCorruption) {
  const NtxHeader h = Header(4, 5);  // slots from 14, items of 12 bytes, 86 bytes used
  struct Case {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> damage;
    bool ok;
  };
  const Case cases[] = {
      {"count at max keys", [](auto& b) { EncodeLE16(&b[0], 5); }, true},
      {"count past max keys", [](auto& b) { EncodeLE16(&b[0], 6); }, false},
      {"item at the first slot", [](auto& b) { EncodeLE16(&b[2], 14); }, true},
      {"item inside the offset table", [](auto& b) { EncodeLE16(&b[2], 13); }, false},
      {"item ending at the last used byte", [](auto& b) { EncodeLE16(&b[2], 74); }, true},
      {"item past the used bytes", [](auto& b) { EncodeLE16(&b[2], 75); }, false},
      {"interior child beside leaf children", [](auto& b) { EncodeLE32(&b[26], 2048); }, false},
      {"child not on a page", [](auto& b) { EncodeLE32(&b[14], 1000); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bytes = EncodeNtxPage(SamplePage(2, true), h);
    c.damage(bytes);
    NtxPage out;
    Status s = DecodeNtxPage(bytes, h, 4096, "t.ntx", &out);
    EXPECT_EQ(s.ok(), c.ok) << s.error().ToString();
  }
  std::vector<uint8_t> cut = EncodeNtxPage(SamplePage(2, true), h);
  NtxPage out;
  cut.resize(h.pageUsedBytes());
  EXPECT_TRUE(DecodeNtxPage(cut, h, 1024, "t.ntx", &out).ok());
  cut.resize(h.pageUsedBytes() - 1);
  EXPECT_FALSE(DecodeNtxPage(cut, h, 1024, "t.ntx", &out).ok());
}

}  // namespace
}  // namespace tabrix
