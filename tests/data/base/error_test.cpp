// Where raised errors say they come from: RaiseError places an error that has no place yet at
// its own call, keeps what a raiser filled, and callers added on the way out skip a level seen
// twice.

#include "data/base/error.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/base/call_site.h"

namespace tabrix {
namespace {

CallSite CalledFrom(const CallSite& at = CallSite::Current()) {
  return at;
}

TEST(CallSite, DefaultArgumentNamesTheCaller) {
  const CallSite at = CalledFrom();
  const int line = __LINE__ - 1;
  EXPECT_STREQ(at.function, __func__);
  EXPECT_EQ(at.line, line);
  EXPECT_EQ(at.module(), "error_test.cpp");
}

TEST(CallSite, ModuleIsTheFileBaseName) {
  const struct {
    const char* file;
    const char* module;
  } cases[] = {
      {"/work/src/data/table/table_area.cpp", "table_area.cpp"},
      {"C:\\QZ\\SRC\\KUNDEN.PRG", "KUNDEN.PRG"},
      {"Z:/mixed\\dir/file.h", "file.h"},
      {"plain.cpp", "plain.cpp"},
      {"dir/", ""},
      {"", ""},
      {nullptr, ""},
  };
  for (const auto& c : cases) {
    const CallSite at{"F", 1, c.file};
    EXPECT_EQ(at.module(), c.module) << (c.file ? c.file : "(null)");
  }
}

class RaiseErrorPlace : public testing::Test {
 protected:
  ScopedErrorHandler handler_{[this](const ErrorObject& e) {
    seen_.push_back(e);
    return ErrorOutcome{ErrorAction::kDefault, {}};
  }};
  std::vector<ErrorObject> seen_;
};

TEST_F(RaiseErrorPlace, ErrorWithoutPlaceIsPlacedAtTheRaise) {
  ErrorObject e;
  e.description = "x";
  (void)RaiseError(e);
  const int line = __LINE__ - 1;
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].procName, __func__);
  EXPECT_EQ(seen_[0].procLine, line);
  EXPECT_EQ(seen_[0].moduleName, "error_test.cpp");
  EXPECT_TRUE(seen_[0].callers.empty());
  EXPECT_TRUE(e.procName.empty());  // the raiser's object is left alone
}

TEST_F(RaiseErrorPlace, PlaceFilledByTheRaiserStays) {
  ErrorObject e;
  e.procName = "OPENKUNDEN";
  e.procLine = 12;
  e.moduleName = "kunden.prg";
  e.callers = {{"MAIN", 7, "tabrix.prg"}};
  (void)RaiseError(e);
  ASSERT_EQ(seen_.size(), 1u);
  EXPECT_EQ(seen_[0].procName, "OPENKUNDEN");
  EXPECT_EQ(seen_[0].procLine, 12);
  EXPECT_EQ(seen_[0].moduleName, "kunden.prg");
  ASSERT_EQ(seen_[0].callers.size(), 1u);
  EXPECT_EQ(seen_[0].callers[0].procName, "MAIN");
}

TEST(RaiseError, AbandonedErrorCarriesThePlace) {
  ScopedErrorHandler none{ErrorHandler{}};
  ErrorObject e;
  try {
    (void)RaiseError(e, CallSite{"Opener", 321, "/src/opener.cpp"});
    ADD_FAILURE() << "no handler: the raise must abandon";
  } catch (const ErrorAbandoned& abandoned) {
    EXPECT_EQ(abandoned.error.procName, "Opener");
    EXPECT_EQ(abandoned.error.procLine, 321);
    EXPECT_EQ(abandoned.error.moduleName, "opener.cpp");
  }
}

TEST(AddErrorCaller, SkipsTheLevelSeenLast) {
  const struct {
    const char* what;
    std::vector<StackFrame> before;  // callers already known
    CallSite caller;
    std::vector<std::string> after;  // caller names afterwards
  } cases[] = {
      {"new level", {}, {"PutField", 560, "/s/table_area.cpp"}, {"PutField"}},
      {"the place's function again", {}, {"Check", 99, "/s/table_file.cpp"}, {}},
      {"same name, other module", {}, {"Check", 99, "/s/other.cpp"}, {"Check"}},
      {"the last caller again",
       {{"PutField", 560, "table_area.cpp"}},
       {"PutField", 570, "/s/table_area.cpp"},
       {"PutField"}},
      {"outward of the last caller",
       {{"PutField", 560, "table_area.cpp"}},
       {"Convert", 12, "/s/engine.cpp"},
       {"PutField", "Convert"}},
  };
  for (const auto& c : cases) {
    ErrorObject e;
    SetErrorPlace(&e, {"Check", 40, "/s/table_file.cpp"});
    e.callers = c.before;
    AddErrorCaller(&e, c.caller);
    std::vector<std::string> names;
    for (const StackFrame& f : e.callers) names.push_back(f.procName);
    EXPECT_EQ(names, c.after) << c.what;
    if (names.size() > c.before.size()) {
      EXPECT_EQ(e.callers.back().procLine, c.caller.line) << c.what;
      EXPECT_EQ(e.callers.back().moduleName, c.caller.module()) << c.what;
    }
  }
}

}  // namespace
}  // namespace tabrix
