// The table area cases (table_area_cases.h) on the local back-end's drivers, with the tables
// in an in-memory Env whose clock the cases set. The corpus tests (dbf_corpus_test.cpp) read
// real files through the same areas.

#include "data/table/table_area_cases.h"

#include "data/env/memory_env.h"

namespace tabrix {
namespace {

class MemoryWorld final : public TableAreaWorld {
 public:
  MemoryWorld() : previous_(SetTableEnv(env_.get())) {}
  ~MemoryWorld() override { SetTableEnv(previous_); }
  Env* files() override { return env_.get(); }
  void SetLocalTime(const LocalTime& now) override { env_->SetLocalTime(now); }
  void SleepFor(std::chrono::milliseconds pause) override { env_->SleepFor(pause); }
  std::chrono::milliseconds totalSleep() override { return env_->totalSleep(); }

 private:
  std::unique_ptr<MemoryEnv> env_ = NewMemoryEnv();
  Env* previous_;
};

}  // namespace

std::unique_ptr<TableAreaWorld> MakeTableAreaWorld(const std::string&) {
  return std::make_unique<MemoryWorld>();
}

namespace table_area_cases {

INSTANTIATE_TEST_SUITE_P(Drivers, TableAreaTest, testing::Values("DBFCDX", "DBFNTX"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace table_area_cases
}  // namespace tabrix
