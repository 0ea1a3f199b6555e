// The table area cases (table_area_cases.h) and the order cases (table_orders_cases.h) a second
// time, through the database server's driver "ADS": the remote back-end calls the stand-in engine,
// which serves the tables from a scratch folder, dates them by its own clock and counts its own
// pauses.

#include <windows.h>

#include <filesystem>

#include "data/remote/ace_engine.h"
#include "data/remote/ace_standin_support_win.h"
#include "data/remote/ace_table.h"
#include "data/table/table_area_cases.h"
#include "data/table/table_orders_cases.h"

namespace tabrix {
namespace {

namespace fs = std::filesystem;

// The tables lie in a folder of their own, the current one while the case runs: the cases name
// their files without a folder, and the stand-in opens them as the server would, relative to
// its own current folder (this process's).
class ServerWorld final : public TableAreaWorld {
 public:
  ServerWorld() {
    standin::Engine& engine = standin::Engine::Get();
    EXPECT_TRUE(engine.loaded()) << standin::LibraryPath();
    engine.Reset();
    static AceEngine ace(engine.api());
    (void)ace.api().AdsShowDeleted(kAdsTrue);
    RegisterAceBackend(&ace);
    std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
    std::replace(name.begin(), name.end(), '/', '_');
    folder_ = fs::temp_directory_path() /
              ("tabrix_ads_" + std::to_string(GetCurrentProcessId()) + "_" + name);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    previous_ = fs::current_path();
    fs::current_path(folder_);
  }
  ~ServerWorld() override {
    CloseAllAreas();
    RegisterAceBackend(nullptr);
    fs::current_path(previous_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }
  Env* files() override { return DefaultEnv(); }
  void SetLocalTime(const LocalTime& now) override { standin::Engine::Get().SetClock(now); }
  void SleepFor(std::chrono::milliseconds pause) override {
    standin::Engine::Get().AdvanceClock(pause);
  }
  std::chrono::milliseconds totalSleep() override { return standin::Engine::Get().Slept(); }

 private:
  fs::path folder_;
  fs::path previous_;
};

}  // namespace

std::unique_ptr<TableAreaWorld> MakeTableAreaWorld(const std::string& driver) {
  if (driver != kDriverAds) return nullptr;
  return std::make_unique<ServerWorld>();
}

namespace table_area_cases {

INSTANTIATE_TEST_SUITE_P(Server, TableAreaTest, testing::Values("ADS"),
                         [](const testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

}  // namespace table_area_cases

namespace table_orders_cases {

INSTANTIATE_TEST_SUITE_P(Server, TableOrdersTest, testing::Values("ADS"));

}  // namespace table_orders_cases

namespace table_area_cases {

// The cases above run on the server: the engine creates, opens, appends, writes and closes, and
// the back-end asks for the last error only where something failed.
TEST(ServerTableArea, TablesAreOpenedByTheEngine) {
  std::unique_ptr<TableAreaWorld> world = MakeTableAreaWorld("ADS");
  testing_support::RecordingHandler handler;
  CreateTable("T", {{"NAME", 'C', 5, 0}}, "ADS");
  ASSERT_TRUE(OpenTable(false, "ADS", "T", "", true, false));
  ASSERT_TRUE(AppendRecord());
  PutField(1, std::string("abc"));
  CloseArea();
  const std::string calls = standin::Engine::Get().Calls();
  const struct {
    const char* function;
    int calls;
  } expected[] = {{"AdsCreateTable", 1},
                  {"AdsOpenTable", 1},
                  {"AdsAppendRecord", 1},
                  {"AdsSetString", 1},
                  {"AdsCloseTable", 2}};  // the new table, then ours
  for (const auto& e : expected) {
    EXPECT_EQ(standin::CountCalls(calls, e.function), e.calls) << e.function << "\n" << calls;
  }
  EXPECT_EQ(standin::CountCalls(calls, "AdsGetLastError"), 0);
  EXPECT_TRUE(handler.errors.empty());
}

}  // namespace table_area_cases
}  // namespace tabrix
