// What the in-memory Env adds to the rules of file_env.h (memory_env.h): a clock the test sets
// and moves, and crashes that take back the changes not yet flushed. The platform Env's clock
// and pauses are checked here as well, as far as they can be without a second clock.

#include "data/env/memory_env.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "data/env/env_test_support.h"
#include "data/env/fault_env.h"

namespace tabrix {

// Found by argument-dependent lookup, so it lives beside LocalTime.
void PrintTo(const LocalTime& t, std::ostream* os) {
  *os << t.date.year << '-' << t.date.month << '-' << t.date.day << ' ' << t.hour << ':' << t.minute
      << ':' << t.second;
}

namespace {

using std::chrono::milliseconds;
using testing_support::Bytes;
using testing_support::ReadWholeFile;

TEST(MemoryEnvClock, StartsAtTheEpochAndReadsWhatWasSet) {
  auto env = NewMemoryEnv();
  EXPECT_EQ(env->LocalNow(), kMemoryEnvEpoch);
  const LocalTime set{{2031, 7, 14}, 9, 30, 15};
  env->SetLocalTime(set);
  EXPECT_EQ(env->LocalNow(), set);
  EXPECT_EQ(env->totalSleep(), milliseconds(0));
}

// SleepFor moves the clock by the pause, across the ends of days, months and years, and
// returns at once.
TEST(MemoryEnvClock, SleepAdvancesTheClock) {
  struct Case {
    const char* name;
    LocalTime start;
    std::vector<milliseconds> pauses;
    LocalTime expected;
  };
  const Case cases[] = {
      {"no pause", {{2030, 5, 6}, 7, 8, 9}, {milliseconds(0)}, {{2030, 5, 6}, 7, 8, 9}},
      {"negative pause", {{2030, 5, 6}, 7, 8, 9}, {milliseconds(-5)}, {{2030, 5, 6}, 7, 8, 9}},
      {"just short of a second",
       {{2030, 5, 6}, 7, 8, 9},
       {milliseconds(999)},
       {{2030, 5, 6}, 7, 8, 9}},
      {"one second", {{2030, 5, 6}, 7, 8, 9}, {milliseconds(1000)}, {{2030, 5, 6}, 7, 8, 10}},
      {"pauses add up",
       {{2030, 5, 6}, 7, 8, 9},
       {milliseconds(400), milliseconds(600)},
       {{2030, 5, 6}, 7, 8, 10}},
      {"midnight", {{2030, 5, 6}, 23, 59, 59}, {milliseconds(1000)}, {{2030, 5, 7}, 0, 0, 0}},
      {"end of a year",
       {{2030, 12, 31}, 23, 59, 59},
       {milliseconds(1000)},
       {{2031, 1, 1}, 0, 0, 0}},
      {"into a leap day",
       {{2024, 2, 28}, 23, 59, 59},
       {milliseconds(1000)},
       {{2024, 2, 29}, 0, 0, 0}},
      {"past a leap day",
       {{2024, 2, 29}, 23, 59, 59},
       {milliseconds(1000)},
       {{2024, 3, 1}, 0, 0, 0}},
      {"no leap day in 2100",
       {{2100, 2, 28}, 23, 59, 59},
       {milliseconds(1000)},
       {{2100, 3, 1}, 0, 0, 0}},
      {"a whole day",
       {{2030, 1, 31}, 12, 0, 0},
       {milliseconds(86400000)},
       {{2030, 2, 1}, 12, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto env = NewMemoryEnv();
    env->SetLocalTime(c.start);
    milliseconds total{0};
    const auto before = std::chrono::steady_clock::now();
    for (milliseconds pause : c.pauses) {
      env->SleepFor(pause);
      total += std::max(pause, milliseconds(0));
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(1));
    EXPECT_EQ(env->LocalNow(), c.expected);
    EXPECT_EQ(env->totalSleep(), total);
  }
}

// The wrapper neither counts nor fails the clock and the pauses: they reach its target.
TEST(MemoryEnvClock, FaultEnvPassesTheClockThrough) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  env.SetCallFault({.nth = 1, .persistent = true});
  memory->SetLocalTime({{2029, 3, 4}, 5, 6, 7});
  env.SleepFor(milliseconds(2000));
  EXPECT_EQ(env.LocalNow(), (LocalTime{{2029, 3, 4}, 5, 6, 9}));
  EXPECT_EQ(memory->totalSleep(), milliseconds(2000));
  EXPECT_EQ(env.callCount(), 0);
  EXPECT_FALSE(env.fired());
}

TEST(PlatformEnvClock, ReadsACalendarDateAndSleeps) {
  const LocalTime now = DefaultEnv()->LocalNow();
  EXPECT_GE(now.date.year, 2020);
  EXPECT_TRUE(now.date.month >= 1 && now.date.month <= 12) << now.date.month;
  EXPECT_TRUE(now.date.day >= 1 && now.date.day <= 31) << now.date.day;
  EXPECT_TRUE(now.hour >= 0 && now.hour <= 23) << now.hour;
  EXPECT_TRUE(now.minute >= 0 && now.minute <= 59) << now.minute;
  EXPECT_TRUE(now.second >= 0 && now.second <= 60) << now.second;  // 60: a leap second
  const auto before = std::chrono::steady_clock::now();
  DefaultEnv()->SleepFor(milliseconds(30));
  EXPECT_GE(std::chrono::steady_clock::now() - before, milliseconds(25));
}

// One change to a file, through the handle `f` (or a second handle `other`).
struct Op {
  enum Kind { kWrite, kCut, kFlush, kFlushOther, kRecreate } kind;
  uint64_t offset = 0;  // kWrite: where; kCut: the new size
  std::string bytes = {};
};

Op Write(uint64_t offset, std::string bytes) {
  return {Op::kWrite, offset, std::move(bytes)};
}
Op Cut(uint64_t size) {
  return {Op::kCut, size};
}

// The file holds "abcdef", flushed; then the changes of a case; then a crash keeps the first
// `keep` unflushed changes.
TEST(MemoryEnvCrash, KeepsFlushedDataAndAPrefixOfTheRest) {
  struct Case {
    const char* name;
    std::vector<Op> ops;
    size_t unflushed;  // changes since the last flush before the crash
    size_t keep;
    std::string expected;
  };
  const Op flush{Op::kFlush};
  const Case cases[] = {
      {"nothing changed", {}, 0, 0, "abcdef"},
      {"unflushed write dropped", {Write(2, "XY")}, 1, 0, "abcdef"},
      {"unflushed write kept", {Write(2, "XY")}, 1, 1, "abXYef"},
      {"keeping more than there is", {Write(2, "XY")}, 1, 2, "abXYef"},
      {"flushed write kept", {Write(2, "XY"), flush}, 0, 0, "abXYef"},
      {"flush through another handle", {Write(2, "XY"), {Op::kFlushOther}}, 0, 0, "abXYef"},
      {"only what follows the flush is lost",
       {Write(0, "A"), flush, Write(1, "B")},
       1,
       0,
       "Abcdef"},
      {"prefix of three, none", {Write(0, "1"), Write(1, "2"), Write(2, "3")}, 3, 0, "abcdef"},
      {"prefix of three, two", {Write(0, "1"), Write(1, "2"), Write(2, "3")}, 3, 2, "12cdef"},
      {"prefix of three, all", {Write(0, "1"), Write(1, "2"), Write(2, "3")}, 3, 3, "123def"},
      {"prefix of three, one past", {Write(0, "1"), Write(1, "2"), Write(2, "3")}, 3, 4, "123def"},
      {"overlapping writes, the first kept", {Write(1, "XXXX"), Write(2, "YY")}, 2, 1, "aXXXXf"},
      {"overlapping writes, both kept", {Write(1, "XXXX"), Write(2, "YY")}, 2, 2, "aXYYXf"},
      {"growth dropped", {Write(4, "WXYZ")}, 1, 0, "abcdef"},
      {"growth over a gap kept", {Write(8, "Z")}, 1, 1, std::string("abcdef\0\0Z", 9)},
      {"growth, then a write into it",
       {Write(8, "Z"), Write(6, "12")},
       2,
       1,
       std::string("abcdef\0\0Z", 9)},
      {"cut dropped", {Cut(2)}, 1, 0, "abcdef"},
      {"cut kept, later write dropped", {Cut(2), Write(2, "Q")}, 2, 1, "ab"},
      {"cut to nothing dropped", {Cut(0)}, 1, 0, "abcdef"},
      {"extension dropped", {Cut(9)}, 1, 0, "abcdef"},
      {"emptying by kCreateAlways dropped", {{Op::kRecreate}, Write(0, "new")}, 2, 0, "abcdef"},
      {"emptying by kCreateAlways kept", {{Op::kRecreate}, Write(0, "new")}, 2, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto env = NewMemoryEnv();
    std::unique_ptr<File> f, other;
    ASSERT_TRUE(env->Open("T.DBF", {.disposition = Disposition::kCreateAlways}, &f).ok());
    ASSERT_TRUE(env->Open("t.dbf", {}, &other).ok());
    ASSERT_TRUE(f->WriteAt(0, Bytes("abcdef")).ok());
    ASSERT_TRUE(f->Flush().ok());
    for (const Op& op : c.ops) {
      switch (op.kind) {
        case Op::kWrite:
          ASSERT_TRUE(f->WriteAt(op.offset, Bytes(op.bytes)).ok());
          break;
        case Op::kCut:
          ASSERT_TRUE(f->Truncate(op.offset).ok());
          break;
        case Op::kFlush:
          ASSERT_TRUE(f->Flush().ok());
          break;
        case Op::kFlushOther:
          ASSERT_TRUE(other->Flush().ok());
          break;
        case Op::kRecreate:
          f.reset();
          other.reset();
          ASSERT_TRUE(env->Open("T.DBF", {.disposition = Disposition::kCreateAlways}, &f).ok());
          break;
      }
    }
    EXPECT_EQ(env->UnflushedChanges("t.DBF"), c.unflushed);
    f.reset();
    other.reset();
    ASSERT_TRUE(env->CrashFile("T.DBF", c.keep).ok());
    EXPECT_EQ(ReadWholeFile(*env, "T.DBF"), c.expected);
    // What survived a crash is durable: a second crash takes nothing more back.
    EXPECT_EQ(env->UnflushedChanges("T.DBF"), 0u);
    env->Crash();
    EXPECT_EQ(ReadWholeFile(*env, "T.DBF"), c.expected);
  }
}

TEST(MemoryEnvCrash, CrashTakesBackEveryFileAndHandlesSeeIt) {
  auto env = NewMemoryEnv();
  std::unique_ptr<File> a, b;
  ASSERT_TRUE(env->Open("A", {.disposition = Disposition::kCreateAlways}, &a).ok());
  ASSERT_TRUE(env->Open("B", {.disposition = Disposition::kCreateAlways}, &b).ok());
  ASSERT_TRUE(a->WriteAt(0, Bytes("kept")).ok());
  ASSERT_TRUE(a->Flush().ok());
  ASSERT_TRUE(a->WriteAt(0, Bytes("lost")).ok());
  ASSERT_TRUE(b->WriteAt(0, Bytes("lost")).ok());
  EXPECT_EQ(env->UnflushedChanges("A"), 1u);
  EXPECT_EQ(env->UnflushedChanges("B"), 2u);  // created, then written
  env->Crash();
  EXPECT_EQ(ReadWholeFile(*env, "A"), "kept");
  EXPECT_EQ(ReadWholeFile(*env, "B"), "");
  uint64_t size = 1;
  ASSERT_TRUE(b->Size(&size).ok());
  EXPECT_EQ(size, 0u);
}

TEST(MemoryEnvCrash, MissingFiles) {
  auto env = NewMemoryEnv();
  EXPECT_EQ(env->UnflushedChanges("NONE"), 0u);
  EXPECT_EQ(env->CrashFile("NONE", 0).osCode(), kOsFileNotFound);
}

// A failed write changes nothing, so a crash has nothing of it to take back.
TEST(MemoryEnvCrash, RefusedWritesAreNoChanges) {
  auto env = NewMemoryEnv();
  std::unique_ptr<File> f, readOnly;
  ASSERT_TRUE(env->Open("T", {.disposition = Disposition::kCreateAlways}, &f).ok());
  ASSERT_TRUE(f->Flush().ok());
  ASSERT_TRUE(env->Open("T", {.readOnly = true}, &readOnly).ok());
  EXPECT_EQ(readOnly->WriteAt(0, Bytes("x")).osCode(), kOsAccessDenied);
  EXPECT_EQ(f->WriteAt(0x7FFFFFFE, Bytes("x")).osCode(), kOsDiskFull);
  EXPECT_EQ(env->UnflushedChanges("T"), 0u);
}

}  // namespace
}  // namespace tabrix
