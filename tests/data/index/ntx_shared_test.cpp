// NTX files shared between handles: every write is seen by the other handle at its next call,
// the index lock comes from the signature, reads and writes take it in their modes, and failed
// writes are reported.

#include <gtest/gtest.h>

#include "data/base/byte_coding.h"
#include "data/env/fault_env.h"
#include "data/index/ntx_test_util.h"

namespace tabrix {
namespace {

using ntx_testing::BuildFrom;
using ntx_testing::CharOptions;
using ntx_testing::Pad;
using ntx_testing::Walk;

constexpr uint64_t kOldLock = 1000000000;
constexpr uint64_t kNewLock = 0xFFFFFFFF;

IndexEntry E(const std::string& key, uint32_t record) {
  return {Pad(key, 6), record};
}

uint16_t StoredVersion(Env& env, const std::string& name) {
  std::string bytes = *testing_support::ReadWholeFile(env, name);
  return DecodeLE16(reinterpret_cast<const uint8_t*>(&bytes[kNtxVersionOffset]));
}

TEST(NtxShared, EachWriteIsSeenByTheOtherHandleAtItsNextCall) {
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> a, b;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "s.ntx", CharOptions(6, 3), &a).ok());
  ASSERT_TRUE(NtxOrder::Open(env.get(), "s.ntx", {}, &b).ok());
  std::vector<IndexEntry> model;
  uint32_t count = 0;
  ASSERT_TRUE(b->KeyCount(&count).ok());  // b now remembers a count and pages
  for (uint32_t r = 1; r <= 120; ++r) {
    NtxOrder& writer = r % 2 ? *a : *b;
    NtxOrder& reader = r % 2 ? *b : *a;
    const uint16_t before = StoredVersion(*env, "s.ntx");
    IndexEntry e = E(std::to_string(r * 37 % 101), r);
    ASSERT_TRUE(writer.Insert(e).ok());
    model.push_back(e);
    if (r % 5 == 0) {
      ASSERT_TRUE(writer.Remove(model.front()).ok());
      model.erase(model.begin());
    }
    EXPECT_NE(StoredVersion(*env, "s.ntx"), before);
    SCOPED_TRACE(r);
    std::vector<IndexEntry> walked;
    ASSERT_TRUE(Walk(reader, &walked).ok());
    ASSERT_EQ(walked, ntx_testing::Sorted(model));
    ASSERT_TRUE(reader.KeyCount(&count).ok());
    EXPECT_EQ(count, model.size());
    NtxTreeShape shape;
    IoStatus s = CheckNtxTree(reader.store(), {}, &shape);
    ASSERT_TRUE(s.ok()) << s.ToString();
  }
}

TEST(NtxShared, EveryWriteCountsTheVersionOnce) {
  auto env = NewMemoryEnv();
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Create(env.get(), "v.ntx", CharOptions(6, 3), &order).ok());
  const uint16_t start = StoredVersion(*env, "v.ntx");
  for (uint32_t r = 1; r <= 20; ++r) ASSERT_TRUE(order->Insert(E(std::to_string(r), r)).ok());
  ASSERT_TRUE(order->Remove(E("7", 7)).ok());
  // Nothing changes, nothing is written.
  ASSERT_TRUE(order->Remove(E("7", 7)).ok());
  ASSERT_TRUE(order->Insert(E("8", 8)).ok());
  EXPECT_EQ(StoredVersion(*env, "v.ntx"), start + 21);
}

TEST(NtxShared, TheSignaturePicksTheLockOffset) {
  struct Case {
    bool newLockOffset;
    uint64_t refused;
    bool blocked;
  };
  const Case cases[] = {
      {false, kOldLock, true},
      {false, kNewLock, false},
      {true, kNewLock, true},
      {true, kOldLock, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.newLockOffset) + " " + std::to_string(c.refused));
    auto mem = NewMemoryEnv();
    NtxCreateOptions o = CharOptions(6);
    o.newLockOffset = c.newLockOffset;
    ASSERT_TRUE(BuildFrom(mem.get(), "l.ntx", o, {E("a", 1)}).ok());
    FaultEnv env(mem.get());
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Open(&env, "l.ntx", {}, &order).ok());
    env.RefuseLocks(c.refused, 1);
    std::optional<IndexEntry> e;
    const IoStatus read = order->First(&e);
    const IoStatus write = order->Insert(E("b", 2));
    EXPECT_EQ(read.ok(), !c.blocked);
    EXPECT_EQ(write.ok(), !c.blocked);
    if (c.blocked) {
      EXPECT_EQ(read.osCode(), kOsLockViolation);
      EXPECT_EQ(write.osCode(), kOsLockViolation);
      // Both waited the brief-lock tries before giving up.
      EXPECT_GE(mem->totalSleep(), std::chrono::milliseconds(2 * 99 * 10));
    }
  }
}

TEST(NtxShared, ReadersShareTheLockAndWritersWaitForIt) {
  auto env = NewMemoryEnv();
  ASSERT_TRUE(BuildFrom(env.get(), "w.ntx", CharOptions(6), {E("a", 1)}).ok());
  std::unique_ptr<NtxOrder> order;
  ASSERT_TRUE(NtxOrder::Open(env.get(), "w.ntx", {}, &order).ok());
  std::unique_ptr<File> other;
  ASSERT_TRUE(env->Open("w.ntx", {}, &other).ok());
  std::optional<IndexEntry> e;

  // Another program reading: we read too, but do not write.
  ASSERT_TRUE(other->LockRange(kOldLock, 1, LockMode::kShared));
  EXPECT_TRUE(order->First(&e).ok());
  EXPECT_EQ(order->Insert(E("b", 2)).osCode(), kOsLockViolation);
  ASSERT_TRUE(other->UnlockRange(kOldLock, 1).ok());

  // Another program writing: we neither read nor write.
  ASSERT_TRUE(other->LockRange(kOldLock, 1, LockMode::kExclusive));
  EXPECT_EQ(order->First(&e).osCode(), kOsLockViolation);
  EXPECT_EQ(order->Insert(E("b", 2)).osCode(), kOsLockViolation);
  ASSERT_TRUE(other->UnlockRange(kOldLock, 1).ok());

  EXPECT_TRUE(order->Insert(E("b", 2)).ok());
  // Our lock is gone after the call: the other program gets it at once.
  EXPECT_TRUE(other->LockRange(kOldLock, 1, LockMode::kExclusive));
}

TEST(NtxShared, ExclusiveFilesTakeNoLocksAndKeepOthersOut) {
  auto mem = NewMemoryEnv();
  ASSERT_TRUE(BuildFrom(mem.get(), "x.ntx", CharOptions(6), {E("a", 1)}).ok());
  FaultEnv env(mem.get());
  env.RefuseLocks(0, kMaxLockEnd);
  NtxOpenOptions exclusive;
  exclusive.exclusive = true;
  std::unique_ptr<NtxOrder> order, second;
  ASSERT_TRUE(NtxOrder::Open(&env, "x.ntx", exclusive, &order).ok());
  EXPECT_TRUE(order->Insert(E("b", 2)).ok());
  std::vector<IndexEntry> walked;
  EXPECT_TRUE(Walk(*order, &walked).ok());
  EXPECT_EQ(walked.size(), 2u);
  EXPECT_EQ(NtxOrder::Open(mem.get(), "x.ntx", {}, &second).osCode(), kOsSharingViolation);
}

TEST(NtxShared, FailedWritesAreReportedAndLeaveAnAnsweringOrder) {
  // Each write of an insert that splits pages up to the root fails in turn. With M 2, entries
  // 1 ... 6 inserted in order leave a root [2 4] over leaves [1] [3] [5 6]; inserting 7 splits
  // the leaf and the root: two new pages, the two split pages, a new root and the header.
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE(nth);
    auto mem = NewMemoryEnv();
    {
      std::unique_ptr<NtxOrder> build;
      ASSERT_TRUE(NtxOrder::Create(mem.get(), "f.ntx", CharOptions(6, 2), &build).ok());
      for (uint32_t r = 1; r <= 6; ++r) ASSERT_TRUE(build->Insert(E(std::to_string(r), r)).ok());
    }
    FaultEnv env(mem.get());
    std::unique_ptr<NtxOrder> order;
    ASSERT_TRUE(NtxOrder::Open(&env, "f.ntx", {}, &order).ok());
    env.SetCallFault(
        {.nth = nth, .osCode = kOsDiskFull, .persistent = false, .only = FaultOp::kWrite});
    const IoStatus s = order->Insert(E("7", 7));
    if (!env.fired()) {
      ASSERT_TRUE(s.ok()) << s.ToString();
      EXPECT_EQ(nth, 7);
      NtxTreeShape shape;
      ASSERT_TRUE(CheckNtxTree(order->store(), {}, &shape).ok());
      EXPECT_EQ(shape.depth, 3);
      break;
    }
    EXPECT_EQ(s.osCode(), kOsDiskFull);
    env.ClearFaults();
    // The same order and a fresh one still answer: entries or a damaged-index status.
    for (int round = 0; round < 2; ++round) {
      std::unique_ptr<NtxOrder> fresh;
      NtxOrder* o = order.get();
      if (round == 1) {
        ASSERT_TRUE(NtxOrder::Open(mem.get(), "f.ntx", {}, &fresh).ok());
        o = fresh.get();
      }
      std::vector<IndexEntry> walked;
      const IoStatus w = Walk(*o, &walked);
      EXPECT_TRUE(w.ok() || w.osCode() == kNtxCorruptCode) << w.ToString();
    }
  }
}

}  // namespace
}  // namespace tabrix
