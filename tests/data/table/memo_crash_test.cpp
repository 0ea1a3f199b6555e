// Memo writes against a crash at every point (memo_write_plan.h, memo_file.h): the process
// stops at the n-th file call of the write (n = 1, 2, ... until the write completes), then the
// machine loses what was not flushed, keeping of each file any prefix of its unflushed changes
// (memory_env.h). The table and its memo file, reopened, must then be consistent: every
// record's memo reads back whole, as its old value or its new one, and the next memo written
// lands where it overwrites none of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "data/env/fault_env.h"
#include "data/env/memory_env.h"
#include "data/table/table_create.h"
#include "data/table/table_file.h"

namespace tabrix {
namespace {

constexpr size_t kMemoField = 1;  // NOTIZ

// Memo text that differs from memo to memo (never 0x1A, which ends a dBASE III memo).
std::string Text(char first, size_t size) {
  std::string s(size, ' ');
  for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (first - 'a' + i * 7) % 26);
  return s;
}

struct Setup {
  const char* name;
  const char* driver;
  bool shared;
};

const Setup kSetups[] = {
    {"FptExclusive", "DBFCDX", false},
    {"FptShared", "DBFCDX", true},
    {"DbtExclusive", "DBFNTX", false},
    {"DbtShared", "DBFNTX", true},
};

void PrintTo(const Setup& s, std::ostream* os) {
  *os << s.name;
}

// What a write does to the table of two records whose memos are kOld1 and kOld2.
struct Write {
  const char* name;
  bool append;       // a new record 3 gets the memo; otherwise record 1's memo is replaced
  std::string memo;  // the new value
};

const std::string kOld1 = Text('a', 100);
const std::string kOld2 = Text('q', 70);

class MemoCrashTest : public testing::TestWithParam<Setup> {
 protected:
  std::string MemoName() const {
    return std::string("KUNDEN") + (GetParam().driver == std::string("DBFNTX") ? ".DBT" : ".FPT");
  }

  std::unique_ptr<TableFile> Open(Env* env, bool shared) {
    std::unique_ptr<TableFile> t;
    TableStatus s = TableFile::Open(env, "KUNDEN.DBF", GetParam().driver, shared, false, &t);
    EXPECT_TRUE(s) << s.error().description;
    return t;
  }

  // The two records, committed and flushed.
  void Baseline(MemoryEnv* env) {
    TableStatus s = CreateTableFiles(
        env, "KUNDEN.DBF", {{"NAME", 'C', 10, 0}, {"NOTIZ", 'M', 10, 0}}, GetParam().driver);
    ASSERT_TRUE(s) << s.error().description;
    std::unique_ptr<TableFile> t = Open(env, false);
    ASSERT_TRUE(t);
    for (const std::string& memo : {kOld1, kOld2}) {
      ASSERT_TRUE(t->Append(true));
      ASSERT_TRUE(t->PutField(0, std::string("x")));
      ASSERT_TRUE(t->PutField(kMemoField, memo));
    }
    ASSERT_TRUE(t->Close());
    ASSERT_EQ(env->UnflushedChanges("KUNDEN.DBF"), 0u);
    ASSERT_EQ(env->UnflushedChanges(MemoName()), 0u);
  }

  // Runs `w` on the baseline with every file call from the n-th on failing (the process
  // stops there). True when the fault fired, i.e. the write did not run to its end.
  bool RunUntilCall(MemoryEnv* memory, const Write& w, int n) {
    FaultEnv env(memory);
    std::unique_ptr<TableFile> t = Open(&env, GetParam().shared);
    if (!t) return false;
    env.SetCallFault({.nth = n, .persistent = true});
    if (w.append) {
      if (t->Append(true)) (void)t->PutField(kMemoField, w.memo);
    } else {
      if (t->GoTo(1, true) && (!GetParam().shared || t->LockRecord())) {
        (void)t->PutField(kMemoField, w.memo);
      }
    }
    (void)t->Commit();
    t.reset();  // what the destructor still tries fails as well
    return env.fired();
  }

  // The memo of every record after a crash: each is whole and one of its allowed values; a
  // memo written afterwards overwrites none of them.
  void CheckConsistent(MemoryEnv* env, const Write& w) {
    std::vector<std::string> memos;
    {
      std::unique_ptr<TableFile> t = Open(env, false);
      ASSERT_TRUE(t);
      ASSERT_GE(t->count(), 2u);
      ASSERT_LE(t->count(), w.append ? 3u : 2u);
      for (uint32_t r = 1; r <= t->count(); ++r) {
        ASSERT_TRUE(t->GoTo(r, true));
        Result<Value> v = t->Field(kMemoField);
        ASSERT_TRUE(v.ok()) << "record " << r << ": " << v.error().ToString();
        const std::string& memo = std::get<std::string>(v.value());
        std::vector<std::string> allowed;
        if (r == 1) allowed = {kOld1};
        if (r == 2) allowed = {kOld2};
        if (r == 3) allowed = {""};  // the blank record of the append
        if (r == (w.append ? 3u : 1u)) allowed.push_back(w.memo);
        EXPECT_NE(std::find(allowed.begin(), allowed.end(), memo), allowed.end())
            << "record " << r << " holds a memo of " << memo.size() << " bytes: " << memo;
        memos.push_back(memo);
      }
      // The next memo goes where the file says is free.
      ASSERT_TRUE(t->Append(true));
      ASSERT_TRUE(t->PutField(kMemoField, Text('z', 150)));
      ASSERT_TRUE(t->Close());
    }
    std::unique_ptr<TableFile> t = Open(env, false);
    ASSERT_TRUE(t);
    ASSERT_EQ(t->count(), memos.size() + 1);
    memos.push_back(Text('z', 150));
    for (uint32_t r = 1; r <= t->count(); ++r) {
      ASSERT_TRUE(t->GoTo(r, true));
      Result<Value> v = t->Field(kMemoField);
      ASSERT_TRUE(v.ok()) << "record " << r << ": " << v.error().ToString();
      EXPECT_EQ(std::get<std::string>(v.value()), memos[r - 1]) << "record " << r;
    }
  }
};

TEST_P(MemoCrashTest, EveryCrashPointLeavesOldOrNewMemo) {
  const Write writes[] = {
      {"append a record with a memo", true, Text('m', 200)},
      {"replace by a longer memo (new blocks)", false, Text('l', 300)},
      {"replace by a shorter memo (in place where the format allows)", false, Text('s', 20)},
  };
  for (const Write& w : writes) {
    SCOPED_TRACE(w.name);
    bool completed = false;
    for (int n = 1; !completed && !HasFatalFailure(); ++n) {
      SCOPED_TRACE("stopped at call " + std::to_string(n));
      // How many unflushed changes each file has at this crash point.
      size_t tableChanges = 0, memoChanges = 0;
      {
        std::unique_ptr<MemoryEnv> env = NewMemoryEnv();
        ASSERT_NO_FATAL_FAILURE(Baseline(env.get()));
        completed = !RunUntilCall(env.get(), w, n);
        tableChanges = env->UnflushedChanges("KUNDEN.DBF");
        memoChanges = env->UnflushedChanges(MemoName());
      }
      for (size_t keepTable = 0; keepTable <= tableChanges; ++keepTable) {
        for (size_t keepMemo = 0; keepMemo <= memoChanges; ++keepMemo) {
          SCOPED_TRACE("kept " + std::to_string(keepTable) + " table and " +
                       std::to_string(keepMemo) + " memo changes");
          std::unique_ptr<MemoryEnv> env = NewMemoryEnv();
          ASSERT_NO_FATAL_FAILURE(Baseline(env.get()));
          RunUntilCall(env.get(), w, n);
          ASSERT_TRUE(env->CrashFile("KUNDEN.DBF", keepTable).ok());
          ASSERT_TRUE(env->CrashFile(MemoName(), keepMemo).ok());
          ASSERT_NO_FATAL_FAILURE(CheckConsistent(env.get(), w));
        }
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Tables, MemoCrashTest, testing::ValuesIn(kSetups),
                         [](const testing::TestParamInfo<Setup>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tabrix
