// The memo file of an open table (memo_file.h) on the in-memory Env: memos written, replaced
// and read through the read window and the write-behind tail, across flushes and reopening,
// with damaged next-free pointers, and between two handles of one shared file. What the file
// holds afterwards is checked with the format readers, as another program would read it.

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/base/byte_coding.h"
#include "data/env/env_test_support.h"
#include "data/env/memory_env.h"
#include "data/formats/dbt_memo.h"
#include "data/formats/fpt_memo.h"
#include "data/formats/lock_offsets.h"
#include "data/table/memo_file.h"

namespace tabrix {
namespace {

struct Kind {
  const char* name;
  MemoKind kind;
  std::string header;  // a new, empty file
};

const Kind kKinds[] = {
    {"FPT64", MemoKind::kFpt, NewFptFile(64)},
    {"FPT1", MemoKind::kFpt, NewFptFile(1)},
    {"FPT512", MemoKind::kFpt, NewFptFile(512)},
    {"DBT3", MemoKind::kDbt3, NewDbtFile(DbtFlavour::kDbase3, "T")},
    {"DBT4", MemoKind::kDbt4, NewDbtFile(DbtFlavour::kDbase4, "T")},
};

void PrintTo(const Kind& kind, std::ostream* os) {
  *os << kind.name;
}

// Memo text of `size` bytes that differs from memo to memo (never the byte 0x1A, which ends
// a dBASE III memo).
std::string Text(int seed, size_t size) {
  std::string s(size, ' ');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (seed * 7 + i * 13) % 26);
  return s;
}

class MemoFileTest : public testing::TestWithParam<Kind> {
 protected:
  void Put(const std::string& bytes) {
    ASSERT_TRUE(testing_support::WriteWholeFile(*env_, "T.MEM", bytes));
  }
  std::vector<uint8_t> FileBytes() {
    std::optional<std::string> bytes = testing_support::ReadWholeFile(*env_, "T.MEM");
    EXPECT_TRUE(bytes);
    return testing_support::Bytes(bytes.value_or(""));
  }
  std::unique_ptr<MemoFile> Open(bool shared) {
    std::unique_ptr<MemoFile> m;
    TableStatus s =
        MemoFile::Open(env_.get(), "T.MEM", {.exclusive = !shared}, GetParam().kind, "DBFCDX", &m);
    EXPECT_TRUE(s) << s.error().description;
    return m;
  }
  uint32_t Write(MemoFile& m, uint32_t old, const std::string& text) {
    uint32_t block = 0;
    TableStatus s = m.Write(old, text, &block);
    EXPECT_TRUE(s) << s.error().description;
    return block;
  }
  std::string Read(const MemoFile& m, uint32_t block) {
    Result<MemoData> r = m.ReadMemo(block);
    EXPECT_TRUE(r.ok()) << r.error().ToString();
    // Into the string that still holds the memo read before: the same bytes and type.
    Result<uint32_t> type = m.ReadMemoInto(block, &reused_);
    EXPECT_EQ(type.ok(), r.ok());
    if (r.ok() && type.ok()) {
      EXPECT_EQ(reused_, r.value().bytes);
      EXPECT_EQ(type.value(), r.value().type);
    }
    return r.ok() ? r.value().bytes : "<error>";
  }
  // Every memo of `memos` as another program reads it from the whole file; the header's
  // next-free pointer lies at or after the end of the data.
  void ExpectFileHolds(const std::map<uint32_t, std::string>& memos) {
    std::vector<uint8_t> file = FileBytes();
    std::unique_ptr<MemoSource> reader;
    uint64_t nextFreeOffset = 0;
    if (GetParam().kind == MemoKind::kFpt) {
      Result<FptMemoReader> r = FptMemoReader::Open(file, "T.MEM");
      ASSERT_TRUE(r.ok());
      nextFreeOffset = uint64_t{r.value().header().nextFree} * r.value().header().blockSize;
      reader = std::make_unique<FptMemoReader>(std::move(r.value()));
    } else {
      const DbtFlavour flavour =
          GetParam().kind == MemoKind::kDbt4 ? DbtFlavour::kDbase4 : DbtFlavour::kDbase3;
      Result<DbtMemoReader> r = DbtMemoReader::Open(file, flavour, "T.MEM");
      ASSERT_TRUE(r.ok());
      nextFreeOffset = uint64_t{r.value().header().nextFree} * r.value().header().blockSize;
      reader = std::make_unique<DbtMemoReader>(std::move(r.value()));
    }
    EXPECT_GE(nextFreeOffset, file.size());
    for (const auto& [block, text] : memos) {
      Result<MemoData> m = reader->ReadMemo(block);
      ASSERT_TRUE(m.ok()) << block << ": " << m.error().ToString();
      EXPECT_EQ(m.value().bytes, text) << "block " << block;
    }
  }

  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  std::string reused_;
};

// Sizes around the block sizes, the read window and the write-behind tail.
const size_t kSizes[] = {1,
                         7,
                         56,
                         57,
                         64,
                         500,
                         511,
                         513,
                         kMemoWindowBytes - 8,
                         kMemoWindowBytes + 9,
                         3 * kMemoWindowBytes + 5,
                         kMemoWriteBehindBytes + 3};

TEST_P(MemoFileTest, WrittenReplacedAndReadAcrossFlushesAndReopening) {
  for (bool shared : {false, true}) {
    SCOPED_TRACE(shared ? "shared" : "exclusive");
    Put(GetParam().header);
    // The "records": the block each one points to and its text.
    std::vector<std::pair<uint32_t, std::string>> records;
    auto readAll = [&](const MemoFile& m) {
      for (const auto& [block, text] : records) {
        // Block 0: the record holds no memo (emptied).
        ASSERT_EQ(block == 0 ? std::string() : Read(m, block), text) << block;
      }
    };
    auto round = [&](MemoFile& m, int first) {
      for (int i = first; i < first + 40; ++i) {
        const std::string text =
            Text(i, kSizes[static_cast<size_t>(i) % std::size(kSizes)] / 3 + 1);
        records.emplace_back(Write(m, 0, text), text);
        if (i % 5 == 4) {
          // Replace an earlier memo: shorter (in place in an FPT), longer (moves), or empty.
          auto& [block, text] = records[records.size() / 2];
          const size_t size = i % 15 == 4   ? text.size() / 2
                              : i % 15 == 9 ? text.size() * 2 + 70
                                            : 0;
          text = Text(i + 1000, size);
          block = Write(m, block, text);
          if (size == 0) {
            EXPECT_EQ(block, 0u);
          }
        }
        // The newest memo and one from the middle read back at once (from the tail or the
        // file, through the window).
        ASSERT_EQ(Read(m, records.back().first), records.back().second);
        const auto& middle = records[records.size() / 2];
        if (middle.first != 0) {
          ASSERT_EQ(Read(m, middle.first), middle.second);
        }
      }
      readAll(m);
    };
    std::map<uint32_t, std::string> expected;
    auto expectFile = [&] {
      expected.clear();
      for (const auto& [block, text] : records) {
        if (block != 0) expected[block] = text;
      }
      ExpectFileHolds(expected);
    };
    {
      std::unique_ptr<MemoFile> m = Open(shared);
      ASSERT_TRUE(m);
      round(*m, 0);
      ASSERT_TRUE(m->Flush().ok());
      if (shared) expectFile();  // others can read a shared file while it is open
      round(*m, 100);
    }  // closing writes what is held back
    expectFile();
    {
      std::unique_ptr<MemoFile> m = Open(shared);
      ASSERT_TRUE(m);
      readAll(*m);
      round(*m, 200);  // appends after reopening go after the end
      ASSERT_TRUE(m->Flush().ok());
    }
    expectFile();
  }
}

// A next-free pointer into the header, into the existing memos, or beyond the end of the file:
// no new memo ever overwrites an existing one, and every memo reads back after reopening.
TEST_P(MemoFileTest, DamagedNextFreePointerNeverOverwritesMemos) {
  const bool fpt = GetParam().kind == MemoKind::kFpt;
  for (bool shared : {false, true}) {
    for (int64_t shift : {-1000000, -1, 7}) {  // blocks from the end (0 as the least)
      SCOPED_TRACE(testing::Message() << (shared ? "shared " : "exclusive ") << shift);
      Put(GetParam().header);
      std::map<uint32_t, std::string> memos;
      {
        std::unique_ptr<MemoFile> m = Open(false);
        ASSERT_TRUE(m);
        for (int i = 0; i < 3; ++i) {
          const std::string text = Text(i, 100 + 300 * i);
          memos[Write(*m, 0, text)] = text;
        }
      }
      std::vector<uint8_t> file = FileBytes();
      const uint32_t stored = fpt ? DecodeBE32(file.data()) : DecodeLE32(file.data());
      const uint32_t damaged = static_cast<uint32_t>(std::max<int64_t>(0, stored + shift));
      uint8_t bytes[4];
      fpt ? EncodeBE32(bytes, damaged) : EncodeLE32(bytes, damaged);
      std::copy(bytes, bytes + 4, file.begin());
      Put(std::string(file.begin(), file.end()));
      {
        std::unique_ptr<MemoFile> m = Open(shared);
        ASSERT_TRUE(m);
        for (int i = 3; i < 6; ++i) {
          const std::string text = Text(i, 50 + 700 * (i - 3));
          const uint32_t block = Write(*m, 0, text);
          EXPECT_EQ(memos.count(block), 0u) << block;
          EXPECT_GE(block, shift > 0 ? damaged : stored);
          memos[block] = text;
        }
        for (const auto& [block, text] : memos) ASSERT_EQ(Read(*m, block), text) << block;
      }
      ExpectFileHolds(memos);
      std::unique_ptr<MemoFile> m = Open(shared);
      ASSERT_TRUE(m);
      for (const auto& [block, text] : memos) ASSERT_EQ(Read(*m, block), text) << block;
    }
  }
}

// Two handles of one shared file: each sees the memos the other appends, allocation honours
// the other's next-free pointer, and a memo rewritten in place by one is seen by the other
// after RefreshBlock (which the table calls after locking the record), even when the old
// value is in its read window.
TEST_P(MemoFileTest, TwoSharedHandlesKeepEachOthersMemos) {
  Put(GetParam().header);
  std::unique_ptr<MemoFile> a = Open(true), b = Open(true);
  ASSERT_TRUE(a && b);
  const uint32_t first = Write(*a, 0, "first memo");
  EXPECT_EQ(Read(*b, first), "first memo");
  const uint32_t second = Write(*b, 0, Text(2, 3000));
  EXPECT_GT(second, first);
  EXPECT_EQ(Read(*a, second), Text(2, 3000));
  const uint32_t third = Write(*a, 0, "third");
  EXPECT_GT(third, second);
  const uint32_t again = Write(*a, first, "FIRST memo");
  if (GetParam().kind == MemoKind::kFpt) {
    EXPECT_EQ(again, first);  // fits its blocks: rewritten in place
    ASSERT_TRUE(b->RefreshBlock(first).ok());
  }
  EXPECT_EQ(Read(*b, again), "FIRST memo");
  EXPECT_EQ(Read(*b, third), "third");
  a.reset();
  b.reset();
  ExpectFileHolds({{again, "FIRST memo"}, {second, Text(2, 3000)}, {third, "third"}});
}

// Another program holding the allocation lock: the write waits for it between its tries on
// the Env's clock, then fails with a lock error that may be retried, and writes nothing.
TEST_P(MemoFileTest, AllocationLockHeldElsewhereFailsAfterWaiting) {
  Put(GetParam().header);
  std::unique_ptr<MemoFile> m = Open(true);
  ASSERT_TRUE(m);
  const std::vector<uint8_t> before = FileBytes();
  std::unique_ptr<File> other;
  ASSERT_TRUE(env_->Open("T.MEM", {}, &other).ok());
  const LockSpan span = MemoLockRange(LockDialectOfDriver("DBFCDX"));
  ASSERT_TRUE(other->LockRange(span.offset, span.length, LockMode::kExclusive));
  uint32_t block = 0;
  TableStatus s = m->Write(0, "memo", &block);
  ASSERT_FALSE(s);
  EXPECT_EQ(s.error().genCode, kGenLock);
  EXPECT_TRUE(s.error().canRetry);
  EXPECT_GT(env_->totalSleep(), std::chrono::milliseconds(0));
  EXPECT_EQ(FileBytes(), before);
  ASSERT_TRUE(other->UnlockRange(span.offset, span.length).ok());
  const std::chrono::milliseconds slept = env_->totalSleep();
  block = Write(*m, 0, "memo");
  EXPECT_EQ(Read(*m, block), "memo");
  EXPECT_EQ(env_->totalSleep(), slept);  // a free lock is taken at the first try
}

// Memo pointers that lead outside the file or into its header read as damage, never as
// bytes from outside the file.
TEST_P(MemoFileTest, PointersOutsideTheFileAreCorruption) {
  Put(GetParam().header);
  for (bool shared : {false, true}) {
    std::unique_ptr<MemoFile> m = Open(shared);
    ASSERT_TRUE(m);
    const uint32_t block = Write(*m, 0, "x");
    for (uint32_t bad : {0u, block + 1000u, 0xFFFFFFFFu}) {
      SCOPED_TRACE(bad);
      EXPECT_FALSE(m->ReadMemo(bad).ok());
    }
    EXPECT_EQ(Read(*m, block), "x");
  }
}

INSTANTIATE_TEST_SUITE_P(Kinds, MemoFileTest, testing::ValuesIn(kKinds),
                         [](const testing::TestParamInfo<Kind>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tabrix
