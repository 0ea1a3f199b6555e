#pragma once
// The two-process lock checks, shared by the POSIX and the Windows test files: this process
// holds locks through the platform Env; lock_probe, started as a second process, reports
// which locks it gets. Each including file defines RunLockProbe for its platform.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/env/env_test_support.h"
#include "data/env/file_env.h"
#include "data/formats/lock_offsets.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {

// Runs lock_probe with args and returns its exit code (-1 when it could not be run).
int RunLockProbe(const std::vector<std::string>& args);

namespace two_process {

constexpr uint32_t kHeaderLen = 97;  // two fields
constexpr uint32_t kRecordLen = 51;

inline std::string Exclusive(LockSpan span) {
  return "x:" + std::to_string(span.offset) + ":" + std::to_string(span.length);
}

class TwoProcessLocks : public testing::TestWithParam<LockDialect> {
 protected:
  void SetUp() override {
    name_ = testing_support::ScratchName(GetParam() == LockDialect::kNtx ? "ntx" : "fox");
    ASSERT_TRUE(env_->Open(name_, {.disposition = Disposition::kCreateAlways}, &file_).ok());
    ASSERT_TRUE(file_->WriteAt(0, testing_support::Bytes(std::string(kHeaderLen, ' '))).ok());
  }
  void TearDown() override {
    file_.reset();
    (void)env_->RemoveFile(name_);
  }
  LockSpan Record(uint64_t recno) const {
    return *RecordLockRange(GetParam(), recno, kHeaderLen, kRecordLen);
  }
  LockSpan Table() const { return TableLockRange(GetParam(), kHeaderLen, kRecordLen); }
  LockSpan Header() const { return HeaderLockRange(GetParam()); }
  int Probe(const std::vector<std::string>& locks) {
    std::vector<std::string> args = {name_, "shared"};
    args.insert(args.end(), locks.begin(), locks.end());
    return RunLockProbe(args);
  }

  Env* env_ = DefaultEnv();
  std::string name_;
  std::unique_ptr<File> file_;
};

// Bits of the probe's answer for the locks record 5, record 6, table, header.
constexpr int kRec5 = 1, kRec6 = 2, kTable = 4, kHeader = 8;

TEST_P(TwoProcessLocks, RecordLockExcludesOnlyThatRecordAndTheTable) {
  RangeLock rec5 = RangeLock::TryAcquire(file_.get(), Record(5), LockMode::kExclusive);
  ASSERT_TRUE(rec5.held());
  EXPECT_EQ(
      Probe({Exclusive(Record(5)), Exclusive(Record(6)), Exclusive(Table()), Exclusive(Header())}),
      kRec6 | kHeader);
  ASSERT_TRUE(rec5.Release().ok());
  EXPECT_EQ(
      Probe({Exclusive(Record(5)), Exclusive(Record(6)), Exclusive(Table()), Exclusive(Header())}),
      kRec5 | kRec6 | kTable | kHeader);
}

TEST_P(TwoProcessLocks, TableLockExcludesEveryRecordAndTheHeader) {
  RangeLock table = RangeLock::TryAcquire(file_.get(), Table(), LockMode::kExclusive);
  ASSERT_TRUE(table.held());
  const uint64_t last = MaxLockableRecords(GetParam(), kHeaderLen, kRecordLen);
  EXPECT_EQ(Probe({Exclusive(Record(5)), Exclusive(Record(6)), Exclusive(Table()),
                   Exclusive(Header()), Exclusive(Record(1)), Exclusive(Record(last))}),
            0);
}

TEST_P(TwoProcessLocks, HeaderLockExcludesAppendersAndTableLockersOnly) {
  RangeLock header = RangeLock::TryAcquire(file_.get(), Header(), LockMode::kExclusive);
  ASSERT_TRUE(header.held());
  EXPECT_EQ(
      Probe({Exclusive(Record(5)), Exclusive(Record(6)), Exclusive(Table()), Exclusive(Header())}),
      kRec5 | kRec6);
}

TEST_P(TwoProcessLocks, ExclusiveOpenIsASharingViolationForTheOther) {
  file_.reset();
  ASSERT_TRUE(env_->Open(name_, {.exclusive = true}, &file_).ok());
  EXPECT_EQ(Probe({}), 128 + kOsSharingViolation);
  file_.reset();
  ASSERT_TRUE(env_->Open(name_, {}, &file_).ok());
  EXPECT_EQ(RunLockProbe({name_, "exclusive"}), 128 + kOsSharingViolation);
  EXPECT_EQ(Probe({}), 0);
  file_.reset();
  EXPECT_EQ(RunLockProbe({name_, "exclusive"}), 0);
}

INSTANTIATE_TEST_SUITE_P(Dialects, TwoProcessLocks,
                         testing::Values(LockDialect::kFoxPro, LockDialect::kNtx),
                         [](const testing::TestParamInfo<LockDialect>& info) {
                           return std::string(info.param == LockDialect::kNtx ? "Ntx" : "FoxPro");
                         });

// The same exclusion through the table areas on both sides: this process opens a table shared
// and locks through LockRecord / LockTable / AppendRecord; the probe opens it shared with
// OpenTable and answers which of its LockRecord / LockTable calls succeed.
class TwoProcessAreaLocks : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    name_ = testing_support::ScratchName(std::string("area_") + GetParam()) + ".dbf";
    CreateTable(name_, {{"NAME", 'C', 20, 0}, {"NR", 'N', 5, 0}}, GetParam());
    ASSERT_TRUE(OpenTable(false, GetParam(), name_, "HOLDER", false, false));
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(AppendRecord());
    CloseArea();
    ASSERT_TRUE(OpenTable(false, GetParam(), name_, "HOLDER", true, false));
  }
  void TearDown() override {
    CloseAllAreas();
    (void)DefaultEnv()->RemoveFile(name_);
  }
  int Probe(const std::vector<std::string>& locks) {
    std::vector<std::string> args = {name_, "area", GetParam()};
    args.insert(args.end(), locks.begin(), locks.end());
    return RunLockProbe(args);
  }

  testing_support::RecordingHandler handler_;
  std::string name_;
};

TEST_P(TwoProcessAreaLocks, RecordFiveHeldExcludesRecordFiveAndTheTableOnly) {
  GoTo(5);
  ASSERT_TRUE(LockRecord());
  EXPECT_EQ(Probe({"r:5", "r:6", "t"}), kRec6);
  UnlockArea();
  EXPECT_EQ(Probe({"r:5", "r:6", "t"}), kRec5 | kRec6 | kTable);
  ASSERT_TRUE(LockTable());
  EXPECT_EQ(Probe({"r:5", "r:6", "t", "r:1", "r:8"}), 0);
  UnlockArea();
  // An appended record stays locked until released; the other records do not.
  ASSERT_TRUE(AppendRecord());
  EXPECT_EQ(RecordNumber(), 9);
  EXPECT_EQ(Probe({"r:9", "r:8", "t"}), kRec6);
  UnlockArea();
  EXPECT_EQ(Probe({"r:9"}), kRec5);
  EXPECT_TRUE(handler_.errors.empty());
}

TEST_P(TwoProcessAreaLocks, ExclusiveOpenIsASharingViolationForTheProbe) {
  CloseArea();
  ASSERT_TRUE(OpenTable(false, GetParam(), name_, "HOLDER", false, false));
  EXPECT_EQ(Probe({}), 128 + kOsSharingViolation);
  CloseArea();
  EXPECT_EQ(Probe({"t"}), kRec5);
}

INSTANTIATE_TEST_SUITE_P(Drivers, TwoProcessAreaLocks, testing::Values("DBFCDX", "DBFNTX"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace two_process
}  // namespace tabrix
