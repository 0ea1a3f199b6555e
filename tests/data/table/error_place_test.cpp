// Table errors say where they were raised: the place is the line that found the failure, the
// caller is the public function the program called, and the default handler's reports print
// both. The expected lines are looked up in the sources by their text, so an edit elsewhere in
// those files moves nothing here.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/error.h"
#include "data/diagnostics/error_log_fixture.h"
#include "data/diagnostics/errorsys.h"
#include "data/env/fault_env.h"
#include "data/env/memory_env.h"
#include "data/table/table_area.h"
#include "data/table/table_test_support.h"

namespace tabrix {
namespace {

using testing_support::RecordingHandler;

// The number of the first line of src/data/<file> that holds `text`, looking only below the
// first line that holds `below` when one is given; 0 when there is none.
int SourceLine(const std::string& file, std::string_view text, std::string_view below = {}) {
  std::ifstream in(std::string(TABRIX_SOURCE_DIR) + "/src/data/" + file);
  EXPECT_TRUE(in) << file;
  std::string line;
  bool searching = below.empty();
  for (int number = 1; std::getline(in, line); ++number) {
    if (!searching) {
      searching = line.find(below) != std::string::npos;
      continue;
    }
    if (line.find(text) != std::string::npos) return number;
  }
  ADD_FAILURE() << "no line with \"" << text << "\" in " << file;
  return 0;
}

// A frame as the test expects it: function, module, and the source text that marks the line.
struct Where {
  const char* function;
  const char* file;  // below src/data/
  const char* text;
  const char* below = "";

  StackFrame Frame() const {
    const std::string_view path(file);
    return {function, SourceLine(file, text, below), std::string(path.substr(path.find('/') + 1))};
  }
};

std::string FrameText(const StackFrame& f) {
  return f.procName + "(" + std::to_string(f.procLine) + ") in " + f.moduleName;
}

std::vector<std::string> TraceOf(const ErrorObject& e) {
  std::vector<std::string> trace = {FrameText({e.procName, e.procLine, e.moduleName})};
  for (const StackFrame& caller : e.callers) trace.push_back(FrameText(caller));
  return trace;
}

std::vector<std::string> Expected(std::initializer_list<Where> frames) {
  std::vector<std::string> trace;
  for (const Where& w : frames) trace.push_back(FrameText(w.Frame()));
  return trace;
}

class ErrorPlace : public ErrorLogTest {
 public:  // the cases below reach the fixture from their lambdas
  void SetUp() override {
    ErrorLogTest::SetUp();
    previousEnv_ = SetTableEnv(&faults_);
    RecordingHandler quiet;
    CreateTable("KUNDEN.DBF", {{"NAME", 'C', 10, 0}}, "DBFCDX");
    ASSERT_TRUE(OpenTable(false, "DBFCDX", "KUNDEN.DBF", "", false, false));
    ASSERT_TRUE(AppendRecord());
    CloseArea();
    ASSERT_TRUE(quiet.errors.empty());
  }
  void TearDown() override {
    {
      RecordingHandler quiet;  // closes every area
    }
    SetTableEnv(previousEnv_);
    ErrorLogTest::TearDown();
  }
  // The shared table on its first record, nothing locked.
  void OpenShared() { ASSERT_TRUE(OpenTable(false, "DBFCDX", "KUNDEN.DBF", "", true, false)); }

  std::unique_ptr<Env> env_ = NewMemoryEnv();
  FaultEnv faults_{env_.get()};  // the tables' files, failing only where a case arms it
  Env* previousEnv_ = nullptr;
};

TEST_F(ErrorPlace, TableErrorsNameTheFailingLineAndThePublicCall) {
  struct Case {
    const char* what;
    std::function<void(ErrorPlace&)> run;
    int genCode;
    Where place;
    Where caller;
  };
  const Case cases[] = {
      {"write to an unlocked record of a shared table",
       [](ErrorPlace& t) {
         t.OpenShared();
         PutField(1, std::string("Meier"));
       },
       kGenUnlocked,
       {"WriteRefusal", "table/table_area.cpp", "kGenUnlocked"},
       {"PutField", "table/table_area.cpp", "FieldWriteFailed(a, column, value", "void PutField("}},
      {"open of a missing file",
       [](ErrorPlace&) { OpenTable(false, "DBFCDX", "FEHLT.DBF", "", true, false); },
       kGenOpen,
       {"Open", "table/table_file.cpp", "TableIoError(kGenOpen"},
       {"OpenTable", "table/table_area.cpp", "OpenBackend(request", "bool OpenTable("}},
      {"field write on a free area",
       [](ErrorPlace&) {
         SelectArea(7);
         PutField(1, std::string("Meier"));
       },
       kGenNoTable,
       {"TableOrRaise", "table/table_area.cpp", "\"Work area not in use\""},
       {"PutField", "table/table_area.cpp", "TableOrRaise(\"PutField\")"}},
      // Raised inside the lambda the public function runs in the area: still named after it.
      {"field name that the table lacks",
       [](ErrorPlace& t) {
         t.OpenShared();
         PutFieldByName(0, "FEHLT", std::string("x"));
       },
       kGenArg,
       {"PositionOrRaise", "table/table_area.cpp", "\"Argument error (no such field)\""},
       {"PutFieldByName", "table/table_area.cpp", "CallSite::Current()", "void PutFieldByName("}},
      // Through several helpers (Attempt) to the file layer and back.
      {"read failing on the way to the first record",
       [](ErrorPlace& t) {
         t.OpenShared();
         t.faults_.SetCallFault(
             {.nth = 1, .osCode = kOsGeneralFailure, .persistent = true, .only = FaultOp::kRead});
         GoTop();
         t.faults_.ClearFaults();
       },
       kGenRead,
       {"RefreshCount", "table/table_file.cpp", "\"RecordCount\""},
       {"GoTop", "table/table_area.cpp", "RefreshCount()", "void GoTop("}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingHandler handler;
    c.run(*this);
    ASSERT_FALSE(handler.errors.empty());
    const ErrorObject& e = handler.errors.front();
    EXPECT_EQ(e.genCode, c.genCode);
    EXPECT_EQ(TraceOf(e), Expected({c.place, c.caller}));
  }
}

// The trace of the long report: "name : line in Module: module" per line, as FrameText forms.
std::vector<std::string> ReportTrace(const std::string& log) {
  const std::string start = " Trace Through:\r\n" + std::string(16, '-') + "\r\n";
  std::vector<std::string> trace;
  size_t at = log.find(start);
  if (at == std::string::npos) return trace;
  at += start.size();
  for (size_t end; (end = log.find("\r\n", at)) != std::string::npos && end > at; at = end + 2) {
    const std::string line = log.substr(at, end - at);
    const size_t colon = line.find(" : ");
    const size_t module = line.find(" in Module: ");
    if (colon == std::string::npos || module == std::string::npos) break;
    std::string name = line.substr(0, colon);
    name.erase(name.find_last_not_of(' ') + 1);
    std::string digits;
    for (char c : line.substr(colon + 3, module - colon - 3)) {
      if (c >= '0' && c <= '9') digits += c;
    }
    trace.push_back(FrameText({name, digits.empty() ? -1 : std::stoi(digits),
                               line.substr(module + std::string(" in Module: ").size())}));
  }
  return trace;
}

// Under the default handler a fatal table error is reported with its place: the debug trace
// and the long report in the error log name the failing line and the public call.
TEST_F(ErrorPlace, DefaultHandlerReportsPrintThePlace) {
  OpenShared();
  ERRORSYS();
  EXPECT_THROW(PutField(1, std::string("Meier")), ErrorAbandoned);
  ASSERT_EQ(fake_.endCodes, std::vector<int>{1});

  const StackFrame place = Where{"WriteRefusal", "table/table_area.cpp", "kGenUnlocked"}.Frame();
  const StackFrame caller = Where{"PutField", "table/table_area.cpp",
                                  "FieldWriteFailed(a, column, value", "void PutField("}
                                .Frame();
  using Line = std::pair<std::string, std::optional<std::string>>;
  ASSERT_EQ(fake_.debug.size(), 3u);
  EXPECT_EQ(fake_.debug[1],
            Line("Error at ...: WriteRefusal(" + std::to_string(place.procLine) + ") in Module:",
                 "table_area.cpp"));
  EXPECT_EQ(fake_.debug[2],
            Line("Called from: PutField(" + std::to_string(caller.procLine) + ") in Module:",
                 "table_area.cpp"));
  EXPECT_EQ(ReportTrace(Read("error.log")),
            (std::vector<std::string>{FrameText(place), FrameText(caller)}));
}

}  // namespace
}  // namespace tabrix
