#include "data/env/fault_env.h"

#include <gtest/gtest.h>

#include <vector>

#include "data/env/env_test_support.h"
#include "data/env/memory_env.h"

namespace tabrix {
namespace {

using testing_support::Bytes;

// A small write path: create, write a header, lock, write a record, unlock, flush. Returns
// the first failure, or ok.
IoStatus WriteSomething(Env* env) {
  std::unique_ptr<File> file;
  if (IoStatus s = env->Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file);
      !s.ok()) {
    return s;
  }
  if (IoStatus s = file->WriteAt(0, Bytes("HEADER")); !s.ok()) return s;
  if (!file->LockRange(0x7FFFFFFD, 1, LockMode::kExclusive)) return file->lastLockError();
  if (IoStatus s = file->WriteAt(6, Bytes("RECORD")); !s.ok()) return s;
  if (IoStatus s = file->UnlockRange(0x7FFFFFFD, 1); !s.ok()) return s;
  return file->Flush();
}

TEST(FaultEnv, FailingCallNFailsExactlyThatCall) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  ASSERT_TRUE(WriteSomething(&env).ok());
  const int calls = env.callCount();
  EXPECT_EQ(calls, 6);  // open, write, lock, write, unlock, flush
  EXPECT_FALSE(env.fired());

  for (int n = 1; n <= calls + 1; ++n) {
    SCOPED_TRACE(n);
    env.SetCallFault({.nth = n, .osCode = kOsDiskFull});
    IoStatus s = WriteSomething(&env);
    if (n <= calls) {
      EXPECT_TRUE(env.fired());
      EXPECT_EQ(s.osCode(), kOsDiskFull);
      EXPECT_EQ(s.detail(), "injected fault");
    } else {
      EXPECT_FALSE(env.fired());  // the run completed: every call was tried once
      EXPECT_TRUE(s.ok());
    }
  }
}

TEST(FaultEnv, AFailedCallDoesNothing) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  std::unique_ptr<File> a, b;
  ASSERT_TRUE(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &a).ok());
  ASSERT_TRUE(memory->Open("t.dbf", {}, &b).ok());

  env.SetCallFault({.nth = 1, .only = FaultOp::kWrite});
  EXPECT_FALSE(a->WriteAt(0, Bytes("lost")).ok());
  uint64_t size = 1;
  ASSERT_TRUE(b->Size(&size).ok());
  EXPECT_EQ(size, 0u);

  ASSERT_TRUE(a->LockRange(10, 1, LockMode::kExclusive));
  env.SetCallFault({.nth = 1, .only = FaultOp::kUnlock});
  EXPECT_FALSE(a->UnlockRange(10, 1).ok());
  EXPECT_FALSE(b->LockRange(10, 1, LockMode::kExclusive)) << "a failed unlock released";
  EXPECT_TRUE(a->HoldsLock(10, 1, LockMode::kExclusive));
}

TEST(FaultEnv, OnlyCountsTheChosenKindAndPersists) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  std::unique_ptr<File> file;
  ASSERT_TRUE(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file).ok());
  env.SetCallFault(
      {.nth = 2, .osCode = kOsAccessDenied, .persistent = true, .only = FaultOp::kWrite});
  EXPECT_TRUE(file->WriteAt(0, Bytes("a")).ok());
  uint64_t size = 0;
  EXPECT_TRUE(file->Size(&size).ok());  // not counted
  EXPECT_EQ(file->WriteAt(1, Bytes("b")).osCode(), kOsAccessDenied);
  EXPECT_EQ(file->WriteAt(2, Bytes("c")).osCode(), kOsAccessDenied);
  EXPECT_EQ(env.callCount(), 3);
  env.ClearFaults();
  EXPECT_TRUE(file->WriteAt(1, Bytes("b")).ok());
  EXPECT_EQ(env.callCount(), 1);
}

TEST(FaultEnv, FailedLockReportsTheInjectedCode) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  std::unique_ptr<File> file;
  ASSERT_TRUE(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file).ok());
  env.SetCallFault({.nth = 1, .osCode = kOsLockViolation, .only = FaultOp::kLock});
  EXPECT_FALSE(file->LockRange(5, 1, LockMode::kExclusive));
  EXPECT_EQ(file->lastLockError().osCode(), kOsLockViolation);
  EXPECT_FALSE(file->HoldsLock(5, 1, LockMode::kShared));
  EXPECT_TRUE(file->LockRange(5, 1, LockMode::kExclusive));  // only the first one failed
  EXPECT_TRUE(file->lastLockError().ok());
}

TEST(FaultEnv, RefusedRangeLooksLikeAnotherUsersLock) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  std::unique_ptr<File> file;
  ASSERT_TRUE(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file).ok());
  env.RefuseLocks(0x7FFFFFFE - 5, 1);  // FoxPro lock byte of record 5
  EXPECT_FALSE(file->LockRange(0x7FFFFFFE - 5, 1, LockMode::kExclusive));
  EXPECT_EQ(file->lastLockError().osCode(), kOsLockViolation);
  EXPECT_TRUE(file->LockRange(0x7FFFFFFE - 6, 1, LockMode::kExclusive));
  EXPECT_FALSE(file->LockRange(0x70000000, 0x0FFFFFFD, LockMode::kExclusive));  // covers it
  env.ClearFaults();
  EXPECT_TRUE(file->LockRange(0x7FFFFFFE - 5, 1, LockMode::kExclusive));
}

TEST(FaultEnv, FailedOpenAndRemove) {
  auto memory = NewMemoryEnv();
  FaultEnv env(memory.get());
  env.SetCallFault({.nth = 1, .osCode = kOsSharingViolation, .only = FaultOp::kOpen});
  std::unique_ptr<File> file;
  EXPECT_EQ(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file).osCode(),
            kOsSharingViolation);
  EXPECT_FALSE(file);
  EXPECT_FALSE(env.FileExists("t.dbf"));  // nothing was created
  ASSERT_TRUE(env.Open("t.dbf", {.disposition = Disposition::kCreateAlways}, &file).ok());
  file.reset();
  env.SetCallFault({.nth = 1, .only = FaultOp::kRemove});
  EXPECT_FALSE(env.RemoveFile("t.dbf").ok());
  EXPECT_TRUE(env.FileExists("t.dbf"));
}

}  // namespace
}  // namespace tabrix
