// FPT and DBT memo files: reading at any block size, writing by the formats' rules, and
// damaged pointers, lengths and headers.

#include <gtest/gtest.h>

#include <optional>

#include "data/base/byte_coding.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"

namespace tabrix {
namespace {

std::span<const uint8_t> Bytes(const std::string& s) {
  return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

void Apply(std::string& file, const MemoWritePlan& plan) {
  for (const FilePatch& p : plan.patches) {
    if (file.size() < p.offset + p.bytes.size()) file.resize(p.offset + p.bytes.size(), '\0');
    file.replace(p.offset, p.bytes.size(), p.bytes);
  }
}

uint32_t WriteFpt(std::string& file, uint32_t oldBlock, const std::string& data,
                  uint32_t type = kMemoTypeText) {
  Result<MemoWritePlan> plan = PlanFptWrite(Bytes(file), "m.fpt", oldBlock, type, data);
  EXPECT_TRUE(plan.ok()) << plan.error().ToString();
  Apply(file, plan.value());
  return plan.value().block;
}

std::string ReadFpt(const std::string& file, uint32_t block) {
  Result<FptMemoReader> r = FptMemoReader::Open(Bytes(file), "m.fpt");
  EXPECT_TRUE(r.ok());
  Result<MemoData> m = r.value().ReadMemo(block);
  EXPECT_TRUE(m.ok()) << m.error().ToString();
  return m.ok() ? m.value().bytes : std::string();
}

TEST(FptMemo, WritesAndReadsAtEveryBlockSize) {
  const std::string longText(3000, 'x');
  const std::string binary("a\0b\x1a\xff", 5);
  for (uint16_t bs : {1, 32, 64, 100, 512, 1024, 65535}) {
    SCOPED_TRACE(bs);
    std::string file = NewFptFile(bs);
    ASSERT_EQ(file.size(), kFptHeaderSize);
    const uint32_t first = (512 + bs - 1) / bs;
    EXPECT_EQ(ParseFptHeader(Bytes(file), "m").value().nextFree, first);
    uint32_t a = WriteFpt(file, 0, "hello");
    uint32_t b = WriteFpt(file, 0, longText);
    uint32_t c = WriteFpt(file, 0, binary, kMemoTypePicture);
    EXPECT_EQ(a, first);
    EXPECT_EQ(b, a + (8 + 5 + bs - 1) / bs);
    EXPECT_EQ(ReadFpt(file, a), "hello");
    EXPECT_EQ(ReadFpt(file, b), longText);
    EXPECT_EQ(ReadFpt(file, c), binary);
    EXPECT_EQ(FptMemoReader::Open(Bytes(file), "m").value().ReadMemo(c).value().type,
              kMemoTypePicture);
    // The header's next free block lies at the end of the file.
    EXPECT_EQ(uint64_t{ParseFptHeader(Bytes(file), "m").value().nextFree} * bs, file.size());
  }
}

// Appending from the header and the file size alone plans exactly what PlanFptWrite plans
// for a new memo, including a next-free pointer that lags behind the end of the file.
TEST(FptMemo, AppendFromHeaderAndSizeMatchesTheFullPlan) {
  std::string file = NewFptFile(64);
  WriteFpt(file, 0, std::string(100, 'a'));
  std::string lagging = file;
  lagging.replace(0, 4, std::string("\0\0\0\x08", 4));  // next free 8, file ends at block 10
  for (const std::string& f : {file, lagging}) {
    FptHeader h = ParseFptHeader(Bytes(f), "m").value();
    for (const std::string& data : {std::string("x"), std::string(500, 'y'), std::string()}) {
      Result<MemoWritePlan> full = PlanFptWrite(Bytes(f), "m", 0, kMemoTypeText, data);
      Result<MemoWritePlan> append = PlanFptAppend(h, f.size(), "m", kMemoTypeText, data);
      ASSERT_TRUE(full.ok() && append.ok());
      EXPECT_EQ(append.value().block, full.value().block);
      ASSERT_EQ(append.value().patches.size(), full.value().patches.size());
      for (size_t i = 0; i < full.value().patches.size(); ++i) {
        EXPECT_EQ(append.value().patches[i].offset, full.value().patches[i].offset);
        EXPECT_EQ(append.value().patches[i].bytes, full.value().patches[i].bytes);
      }
    }
  }
  EXPECT_FALSE(PlanFptAppend(FptHeader{8, 0}, 512, "m", kMemoTypeText, "x").ok());
}

TEST(FptMemo, ReplacingKeepsTheBlocksWhenTheValueFits) {
  std::string file = NewFptFile(64);
  uint32_t a = WriteFpt(file, 0, std::string(100, 'a'));  // 2 blocks
  uint32_t b = WriteFpt(file, 0, "neighbour");
  EXPECT_EQ(WriteFpt(file, a, std::string(120, 'c')), a);  // still 2 blocks: in place
  EXPECT_EQ(ReadFpt(file, a), std::string(120, 'c'));
  uint32_t moved = WriteFpt(file, a, std::string(200, 'd'));  // 4 blocks: appended
  EXPECT_GT(moved, b);
  EXPECT_EQ(ReadFpt(file, moved), std::string(200, 'd'));
  EXPECT_EQ(ReadFpt(file, b), "neighbour");
  // An empty value is no memo at all.
  Result<MemoWritePlan> empty = PlanFptWrite(Bytes(file), "m", moved, kMemoTypeText, "");
  ASSERT_TRUE(empty.ok());
  EXPECT_EQ(empty.value().block, 0u);
  EXPECT_TRUE(empty.value().patches.empty());
}

TEST(FptMemo, DamagedNextFreeNeverOverwritesMemos) {
  std::string file = NewFptFile(64);
  uint32_t a = WriteFpt(file, 0, "first");
  EncodeBE32(reinterpret_cast<uint8_t*>(file.data()), 8);  // points at "first" again
  uint32_t b = WriteFpt(file, 0, "second");
  EXPECT_NE(b, a);
  EXPECT_EQ(ReadFpt(file, a), "first");
  EXPECT_EQ(ReadFpt(file, b), "second");
  // A bogus old pointer is not replaced in place.
  uint32_t c = WriteFpt(file, 999999, "third");
  EXPECT_EQ(ReadFpt(file, c), "third");
  EXPECT_EQ(ReadFpt(file, a), "first");
}

TEST(FptMemo, DamagedPointersAndLengthsAreCorruption) {
  std::string file = NewFptFile(64);
  uint32_t a = WriteFpt(file, 0, "hello");  // block 8 at 512
  std::string badLength = file;
  EncodeBE32(reinterpret_cast<uint8_t*>(badLength.data()) + 512 + 4, 0xFFFFFFF0);
  std::string cut = file.substr(0, 512 + 6);
  struct Case {
    const char* what;
    const std::string* file;
    uint32_t block;
    uint64_t offset;
  } cases[] = {{"block inside the header", &file, 1, 64},
               {"block past the end", &file, 1000, 64000},
               {"block number overflowing 32 bits x block size", &file, 0xFFFFFFFF,
                uint64_t{0xFFFFFFFF} * 64},
               {"length past the end", &badLength, a, 512 + 4},
               {"block header cut", &cut, a, 512}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Result<FptMemoReader> r = FptMemoReader::Open(Bytes(*c.file), "m.fpt");
    ASSERT_TRUE(r.ok());
    Result<MemoData> m = r.value().ReadMemo(c.block);
    ASSERT_FALSE(m.ok());
    EXPECT_EQ(m.error().offset, c.offset);
    EXPECT_EQ(m.error().fileName, "m.fpt");
  }
  std::string zero = NewFptFile(64);
  zero[7] = 0;
  EXPECT_FALSE(FptMemoReader::Open(Bytes(zero), "m").ok());
  EXPECT_FALSE(FptMemoReader::Open(Bytes(std::string(5, '\0')), "m").ok());
  EXPECT_FALSE(PlanFptWrite(Bytes(zero), "m", 0, kMemoTypeText, "x").ok());
  EXPECT_FALSE(PlanFptWrite(Bytes(file.substr(0, 100)), "m", 0, kMemoTypeText, "x").ok());
}

TEST(FptMemo, LastMemoMayEndBeforeItsBlockDoes) {
  std::string file = NewFptFile(512);
  uint32_t a = WriteFpt(file, 0, "short");
  file.resize(512 + 8 + 5);  // padding of the last block missing
  EXPECT_EQ(ReadFpt(file, a), "short");
}

// The block head decoders that both the in-memory readers and the table's memo file use: the
// bytes found at a block's offset, whatever holds them.
TEST(FptMemo, BlockHeadsFromTheBytesFoundAtTheBlock) {
  struct Case {
    const char* what;
    std::string head;
    bool ok;
    uint32_t type;
    uint32_t length;
  };
  const Case cases[] = {
      {"text", std::string("\0\0\0\1\0\0\1\x02", 8), true, kMemoTypeText, 258},
      {"picture", std::string("\0\0\0\0\0\0\0\0", 8), true, kMemoTypePicture, 0},
      {"big-endian length", std::string("\0\0\0\2\x01\0\0\0", 8), true, kMemoTypeObject,
       0x01000000},
      {"file ends inside the head", std::string("\0\0\0\1\0\0", 6), false, 0, 0},
      {"file ends at the block", "", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Result<FptBlockHead> h = DecodeFptBlockHead(Bytes(c.head), 9, 576, "m.fpt");
    ASSERT_EQ(h.ok(), c.ok);
    if (!c.ok) {
      EXPECT_EQ(h.error().offset, 576u);
      continue;
    }
    EXPECT_EQ(h.value().type, c.type);
    EXPECT_EQ(h.value().length, c.length);
    std::string back(kFptBlockHeadSize, '\0');
    EncodeFptBlockHead(h.value(), {reinterpret_cast<uint8_t*>(back.data()), back.size()});
    EXPECT_EQ(back, c.head);
  }
  // Block offsets: blocks inside the 512-byte header are refused at every block size.
  for (uint16_t bs : {1, 64, 512}) {
    SCOPED_TRACE(bs);
    const FptHeader h{0, bs};
    const uint32_t first = static_cast<uint32_t>(kFptHeaderSize / bs);
    EXPECT_FALSE(FptBlockOffset(h, first - 1, "m").ok());
    EXPECT_EQ(FptBlockOffset(h, first, "m").value(), kFptHeaderSize);
  }
  EXPECT_EQ(FptDataPastEnd("m", 576, 9).offset, 580u);
}

uint32_t WriteDbt(std::string& file, DbtFlavour flavour, const std::string& data) {
  Result<MemoWritePlan> plan = PlanDbtWrite(Bytes(file), flavour, "m.dbt", data);
  EXPECT_TRUE(plan.ok()) << plan.error().ToString();
  Apply(file, plan.value());
  return plan.value().block;
}

Result<MemoData> ReadDbt(const std::string& file, DbtFlavour flavour, uint32_t block) {
  Result<DbtMemoReader> r = DbtMemoReader::Open(Bytes(file), flavour, "m.dbt");
  EXPECT_TRUE(r.ok());
  return r.value().ReadMemo(block);
}

TEST(DbtMemo, WritesAppendAndReadBack) {
  for (DbtFlavour flavour : {DbtFlavour::kDbase3, DbtFlavour::kDbase4}) {
    SCOPED_TRACE(static_cast<int>(flavour));
    std::string file = NewDbtFile(flavour, "KUNDEN_LANG");
    ASSERT_EQ(file.size(), 512u);
    const std::string longText(1500, 'z');
    uint32_t a = WriteDbt(file, flavour, "Zahlt p\x81nktlich.\r\n");
    uint32_t b = WriteDbt(file, flavour, longText);
    uint32_t c = WriteDbt(file, flavour, "x");
    EXPECT_EQ(a, 1u);
    EXPECT_EQ(b, 2u);
    EXPECT_EQ(c, 2u + (1500 + 8 + 511) / 512);
    EXPECT_EQ(ReadDbt(file, flavour, a).value().bytes, "Zahlt p\x81nktlich.\r\n");
    EXPECT_EQ(ReadDbt(file, flavour, b).value().bytes, longText);
    EXPECT_EQ(ReadDbt(file, flavour, c).value().bytes, "x");
    EXPECT_EQ(file.size() % 512, 0u);
    EXPECT_EQ(uint64_t{ParseDbtHeader(Bytes(file), flavour, "m").value().nextFree} * 512,
              file.size());
  }
  EXPECT_EQ(NewDbtFile(DbtFlavour::kDbase4, "KUNDEN_LANG").substr(8, 8), "KUNDEN_L");
}

TEST(DbtMemo, BlockHeadsFromTheBytesFoundAtTheBlock) {
  struct Case {
    const char* what;
    std::string head;
    bool ok;
    std::optional<uint32_t> length;
  };
  const Case cases[] = {
      {"marker and length", std::string("\xff\xff\x08\0\x0d\0\0\0", 8), true, 5},
      {"empty memo", std::string("\xff\xff\x08\0\x08\0\0\0", 8), true, 0},
      {"length below the head", std::string("\xff\xff\x08\0\x07\0\0\0", 8), false, {}},
      {"dBASE III text", "old text", true, std::nullopt},
      {"marker cut by the end of the file", std::string("\xff\xff\x08\0\x0d", 5), true,
       std::nullopt},
      {"nothing", "", true, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Result<std::optional<uint32_t>> n = DecodeDbase4BlockHead(Bytes(c.head), 512, "m.dbt");
    ASSERT_EQ(n.ok(), c.ok);
    if (c.ok) {
      EXPECT_EQ(n.value(), c.length);
    } else {
      EXPECT_EQ(n.error().offset, 516u);
    }
  }
  EXPECT_FALSE(DbtBlockOffset(DbtHeader{}, 0, "m").ok());
  EXPECT_EQ(DbtBlockOffset(DbtHeader{}, 3, "m").value(), 3u * kDbtBlockSize);

  struct TextCase {
    std::string bytes;
    size_t end;
  };
  const TextCase texts[] = {{"abc\x1a\x1a", 3},
                            {"\x1a", 0},
                            {"no end", 6},
                            {"", 0},
                            {"a\x1a"
                             "b\x1a",
                             1}};
  for (const TextCase& t : texts) {
    SCOPED_TRACE(t.bytes);
    EXPECT_EQ(DbtTextEnd(Bytes(t.bytes)), t.end);
  }
}

TEST(DbtMemo, Dbase3TextCannotHoldTheTerminator) {
  std::string file = NewDbtFile(DbtFlavour::kDbase3, "");
  Result<MemoWritePlan> plan = PlanDbtWrite(Bytes(file), DbtFlavour::kDbase3, "m",
                                            "a\x1a"
                                            "b");
  ASSERT_FALSE(plan.ok());
  EXPECT_EQ(plan.error().kind, FormatErrorKind::kInvalidValue);
  // dBASE IV stores a length, so the byte is fine there.
  std::string file4 = NewDbtFile(DbtFlavour::kDbase4, "");
  uint32_t b = WriteDbt(file4, DbtFlavour::kDbase4,
                        "a\x1a"
                        "b");
  EXPECT_EQ(ReadDbt(file4, DbtFlavour::kDbase4, b).value().bytes,
            "a\x1a"
            "b");
}

TEST(DbtMemo, DamagedFilesGiveErrorsOrDocumentedReads) {
  std::string file3 = NewDbtFile(DbtFlavour::kDbase3, "");
  WriteDbt(file3, DbtFlavour::kDbase3, "abc");
  std::string unterminated = file3.substr(0, 512) + "no end";
  EXPECT_EQ(ReadDbt(unterminated, DbtFlavour::kDbase3, 1).value().bytes, "no end");
  EXPECT_FALSE(ReadDbt(file3, DbtFlavour::kDbase3, 0).ok());
  Result<MemoData> past = ReadDbt(file3, DbtFlavour::kDbase3, 2);
  ASSERT_FALSE(past.ok());
  EXPECT_EQ(past.error().offset, 1024u);

  std::string file4 = NewDbtFile(DbtFlavour::kDbase4, "T");
  WriteDbt(file4, DbtFlavour::kDbase4, "hello");
  auto* p = reinterpret_cast<uint8_t*>(file4.data());
  std::string shortLen = file4, longLen = file4, noMarker = file4, zeroBs = file4;
  EncodeLE32(reinterpret_cast<uint8_t*>(shortLen.data()) + 512 + 4, 7);
  EncodeLE32(reinterpret_cast<uint8_t*>(longLen.data()) + 512 + 4, 5000);
  noMarker.replace(512, 8, "old text");
  noMarker[512 + 13] = 0x1A;
  zeroBs[20] = zeroBs[21] = 0;
  EXPECT_FALSE(ReadDbt(shortLen, DbtFlavour::kDbase4, 1).ok());
  Result<MemoData> tooLong = ReadDbt(longLen, DbtFlavour::kDbase4, 1);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().offset, 516u);
  EXPECT_EQ(ReadDbt(noMarker, DbtFlavour::kDbase4, 1).value().bytes, "old texthello");
  EXPECT_EQ(ReadDbt(zeroBs, DbtFlavour::kDbase4, 1).value().bytes, "hello");
  EXPECT_EQ(p[16 + 2], 0x02);
  EXPECT_FALSE(DbtMemoReader::Open(Bytes(file4.substr(0, 10)), DbtFlavour::kDbase4, "m").ok());
  EXPECT_FALSE(DbtMemoReader::Open(Bytes(std::string(3, '\0')), DbtFlavour::kDbase3, "m").ok());

  // A damaged next-available pointer: the new memo goes after the end of the file.
  std::string file = NewDbtFile(DbtFlavour::kDbase3, "");
  uint32_t a = WriteDbt(file, DbtFlavour::kDbase3, "keep me");
  EncodeLE32(reinterpret_cast<uint8_t*>(file.data()), 1);
  uint32_t b = WriteDbt(file, DbtFlavour::kDbase3, "new");
  EXPECT_NE(a, b);
  EXPECT_EQ(ReadDbt(file, DbtFlavour::kDbase3, a).value().bytes, "keep me");
}

}  // namespace
}  // namespace tabrix
