#include "data/formats/lock_offsets.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "data/env/memory_env.h"

namespace tabrix {
namespace {

bool Inside(LockSpan inner, LockSpan outer) {
  return outer.offset <= inner.offset && inner.offset + inner.length <= outer.offset + outer.length;
}
bool Disjoint(LockSpan a, LockSpan b) {
  return a.offset + a.length <= b.offset || b.offset + b.length <= a.offset;
}

// Offsets as the locking fact sheet gives them, written out by hand.
struct KnownOffset {
  const char* name;
  LockSpan actual;
  LockSpan expected;
};

TEST(LockOffsets, MatchTheConventions) {
  const KnownOffset known[] = {
      {"FoxPro header", HeaderLockRange(LockDialect::kFoxPro), {2147483646, 1}},
      {"FoxPro record 1", *RecordLockRange(LockDialect::kFoxPro, 1, 65, 11), {2147483645, 1}},
      {"FoxPro record 2", *RecordLockRange(LockDialect::kFoxPro, 2, 65, 11), {2147483644, 1}},
      // N = floor((2^31 - 65 - 2) / 12) = 178956965; the range runs through 0x7FFFFFFF.
      {"FoxPro table",
       TableLockRange(LockDialect::kFoxPro, 65, 11),
       {2147483646 - 178956965, 178956967}},
      {"NTX record 1", *RecordLockRange(LockDialect::kNtx, 1, 65, 11), {1000000001, 1}},
      {"NTX record 5", *RecordLockRange(LockDialect::kNtx, 5, 65, 11), {1000000005, 1}},
      {"NTX table", TableLockRange(LockDialect::kNtx, 65, 11), {1000000000, 1000000000}},
      {"NTX index, old offset", IndexLockRange(LockDialect::kNtx, false), {1000000000, 1}},
      {"NTX index, new offset", IndexLockRange(LockDialect::kNtx, true), {0xFFFFFFFF, 1}},
      {"CDX index", IndexLockRange(LockDialect::kFoxPro, true), {0x7FFFFFFE, 1}},
  };
  for (const KnownOffset& k : known) {
    EXPECT_EQ(k.actual.offset, k.expected.offset) << k.name;
    EXPECT_EQ(k.actual.length, k.expected.length) << k.name;
  }
  EXPECT_EQ(TableLockRange(LockDialect::kFoxPro, 65, 11).offset +
                TableLockRange(LockDialect::kFoxPro, 65, 11).length,
            0x80000000u);
}

TEST(LockOffsets, DialectFollowsTheDriver) {
  EXPECT_EQ(LockDialectOfDriver("DBFNTX"), LockDialect::kNtx);
  EXPECT_EQ(LockDialectOfDriver("DBFCDX"), LockDialect::kFoxPro);
  EXPECT_EQ(LockDialectOfDriver("ADS"), LockDialect::kFoxPro);
}

struct Shape {
  LockDialect dialect;
  uint32_t headerLen;
  uint32_t recordLen;
};

class LockInvariants : public testing::TestWithParam<Shape> {};

// I1 to I4 at the boundaries of the lockable records.
TEST_P(LockInvariants, Hold) {
  const Shape s = GetParam();
  const uint64_t max = MaxLockableRecords(s.dialect, s.headerLen, s.recordLen);
  ASSERT_GT(max, 0u);
  const LockSpan table = TableLockRange(s.dialect, s.headerLen, s.recordLen);
  const LockSpan header = HeaderLockRange(s.dialect);

  EXPECT_FALSE(RecordLockRange(s.dialect, 0, s.headerLen, s.recordLen).has_value());
  EXPECT_FALSE(RecordLockRange(s.dialect, max + 1, s.headerLen, s.recordLen).has_value());

  const uint64_t probes[] = {1, 2, max / 2, max - 1, max};
  uint64_t lowest = header.offset;
  for (uint64_t recno : probes) {
    if (recno == 0) continue;
    SCOPED_TRACE(recno);
    auto rec = RecordLockRange(s.dialect, recno, s.headerLen, s.recordLen);
    ASSERT_TRUE(rec.has_value());
    EXPECT_TRUE(Inside(*rec, table));  // I1
    if (recno < max) {
      EXPECT_TRUE(Disjoint(*rec, *RecordLockRange(s.dialect, recno + 1, s.headerLen,
                                                  s.recordLen)));  // I2
    }
    EXPECT_TRUE(Disjoint(*rec, header));  // I3
    lowest = std::min(lowest, rec->offset);
  }
  EXPECT_TRUE(Inside(header, table));  // I3
  lowest = std::min(lowest, table.offset);
  EXPECT_LE(uint64_t{s.headerLen} + max * s.recordLen, lowest);  // I4
  EXPECT_LE(table.offset + table.length, uint64_t{1} << 32);
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, LockInvariants,
    testing::Values(Shape{LockDialect::kFoxPro, 65, 11}, Shape{LockDialect::kFoxPro, 33, 1},
                    Shape{LockDialect::kFoxPro, 4129, 4000},
                    Shape{LockDialect::kFoxPro, 65535, 65535}, Shape{LockDialect::kNtx, 65, 11},
                    Shape{LockDialect::kNtx, 33, 1}, Shape{LockDialect::kNtx, 4129, 4000},
                    Shape{LockDialect::kNtx, 65535, 65535}));

TEST(LockOffsets, AbsurdHeadersLeaveNothingToLock) {
  EXPECT_EQ(MaxLockableRecords(LockDialect::kFoxPro, 0xFFFFFFFF, 10), 0u);
  EXPECT_EQ(MaxLockableRecords(LockDialect::kNtx, 0xFFFFFFFF, 10), 0u);
  EXPECT_FALSE(RecordLockRange(LockDialect::kFoxPro, 1, 0xFFFFFFFF, 10).has_value());
}

// The protocol on two handles of one file: what another user sees while we hold locks.
TEST(RangeLock, ExcludesOthersAndReleasesOnEveryPath) {
  auto env = NewMemoryEnv();
  std::unique_ptr<File> ours, theirs;
  ASSERT_TRUE(env->Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &ours).ok());
  ASSERT_TRUE(env->Open("t.dbf", {}, &theirs).ok());
  const LockDialect d = LockDialect::kFoxPro;
  const LockSpan rec5 = *RecordLockRange(d, 5, 65, 11);
  const LockSpan rec6 = *RecordLockRange(d, 6, 65, 11);
  const LockSpan table = TableLockRange(d, 65, 11);
  {
    RangeLock lock = RangeLock::TryAcquire(ours.get(), rec5, LockMode::kExclusive);
    ASSERT_TRUE(lock.held());
    EXPECT_TRUE(LockHeld(*ours, rec5, LockMode::kExclusive));
    EXPECT_FALSE(RangeLock::TryAcquire(theirs.get(), rec5, LockMode::kExclusive).held());
    EXPECT_EQ(theirs->lastLockError().osCode(), kOsLockViolation);
    EXPECT_TRUE(RangeLock::TryAcquire(theirs.get(), rec6, LockMode::kExclusive).held());
    EXPECT_FALSE(RangeLock::TryAcquire(theirs.get(), table, LockMode::kExclusive).held());
    // I7: holding a record lock, our own table lock request is refused too.
    EXPECT_FALSE(RangeLock::TryAcquire(ours.get(), table, LockMode::kExclusive).held());

    RangeLock moved = std::move(lock);
    EXPECT_FALSE(lock.held());  // NOLINT(bugprone-use-after-move): moved-from state is defined
    EXPECT_TRUE(moved.held());
    EXPECT_EQ(moved.span(), rec5);
  }
  EXPECT_FALSE(LockHeld(*ours, rec5, LockMode::kShared));
  RangeLock theirTable = RangeLock::TryAcquire(theirs.get(), table, LockMode::kExclusive);
  ASSERT_TRUE(theirTable.held());
  EXPECT_FALSE(RangeLock::TryAcquire(ours.get(), HeaderLockRange(d), LockMode::kExclusive).held());
  EXPECT_TRUE(theirTable.Release().ok());
  EXPECT_FALSE(theirTable.held());
  EXPECT_TRUE(theirTable.Release().ok());  // releasing twice is harmless
  RangeLock header = RangeLock::TryAcquire(ours.get(), HeaderLockRange(d), LockMode::kExclusive);
  EXPECT_TRUE(header.held());

  RangeLock assigned = RangeLock::TryAcquire(ours.get(), rec5, LockMode::kExclusive);
  assigned = RangeLock::TryAcquire(ours.get(), rec6, LockMode::kExclusive);  // frees rec5
  EXPECT_TRUE(LockHeld(*ours, rec6, LockMode::kExclusive));
  EXPECT_FALSE(LockHeld(*ours, rec5, LockMode::kShared));
}

}  // namespace
}  // namespace tabrix
