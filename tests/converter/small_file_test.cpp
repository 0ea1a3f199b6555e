#include "converter/small_file.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "data/env/fault_env.h"
#include "data/env/memory_env.h"

namespace tabrix {
namespace {

TEST(SmallFile, ReadsAtMostTheLimitAndWhatIsThere) {
  const std::unique_ptr<Env> files = NewMemoryEnv();
  const std::string big(10000, 'x');
  ASSERT_TRUE(CreateFileWith(*files, "C:\\A.ZWS", "Tabrix-ZWS" + big));
  struct Case {
    const char* what;
    std::size_t maxBytes;
    std::size_t size;
  };
  for (const Case& c :
       {Case{"limit cuts", 12, 12}, Case{"whole file under the limit", 1 << 20, 10010},
        Case{"limit zero", 0, 0}}) {
    const std::optional<std::string> bytes = ReadFilePrefix(*files, "C:\\A.ZWS", c.maxBytes);
    ASSERT_TRUE(bytes) << c.what;
    EXPECT_EQ(bytes->size(), c.size) << c.what;
    EXPECT_EQ(*bytes, ("Tabrix-ZWS" + big).substr(0, c.size)) << c.what;
  }
  EXPECT_FALSE(ReadFilePrefix(*files, "C:\\FEHLT.ZWS", 100));
}

TEST(SmallFile, CreatingReplacesAnOldFileAndAFailedReadEndsTheBytes) {
  const std::unique_ptr<Env> memory = NewMemoryEnv();
  FaultEnv files(memory.get());
  ASSERT_TRUE(CreateFileWith(files, "C:\\L.LVK", std::string(5000, 'a')));
  ASSERT_TRUE(CreateFileWith(files, "C:\\L.LVK", "Tabrix-LVK"));
  EXPECT_EQ(ReadFilePrefix(files, "C:\\L.LVK", 100), "Tabrix-LVK");

  files.SetCallFault({.nth = 1, .osCode = kOsGeneralFailure, .only = FaultOp::kRead});
  EXPECT_EQ(ReadFilePrefix(files, "C:\\L.LVK", 100), "");
  files.SetCallFault({.nth = 1, .osCode = kOsAccessDenied, .only = FaultOp::kOpen});
  EXPECT_FALSE(ReadFilePrefix(files, "C:\\L.LVK", 100));
  files.SetCallFault({.nth = 1, .osCode = kOsAccessDenied, .only = FaultOp::kOpen});
  EXPECT_FALSE(CreateFileWith(files, "C:\\L.LVK", "x"));
}

}  // namespace
}  // namespace tabrix
