#include "data/diagnostics/errorsys.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/diagnostics/error_log_fixture.h"

namespace tabrix {
namespace {

struct StrValueCase {
  const char* name;
  Value value;
  bool onOff;
  const char* expected;
};

TEST(StrValue, PrintableUpperCaseForms) {
  const StrValueCase cases[] = {
      {"true", true, false, ".T."},
      {"true on/off", true, true, "ON"},
      {"false", false, false, ".F."},
      {"false on/off", false, true, "OFF"},
      {"string upper-cased", std::string("Abc x1"), false, "ABC X1"},
      {"bytes above ASCII kept", std::string("M\x81ller"), false, "M\x81LLER"},
      {"whole double", 3.0, false, "3"},
      {"negative fraction", -2.5, false, "-2.5"},
      {"negative zero", -0.0, false, "0"},
      {"int", int32_t{42}, false, "42"},
      {"currency", Currency{123450}, false, "12.345"},
      {"negative currency", Currency{-5}, false, "-0.0005"},
      {"date", Date{2024, 2, 9}, false, "09.02.2024"},
      {"empty date", Date{}, false, "  .  .    "},
      {"null", Null{}, false, ""},
      {"date and time", DateTime{{2024, 1, 1}, 5}, false, ""},
  };
  for (const StrValueCase& c : cases) EXPECT_EQ(STRVALUE(c.value, c.onOff), c.expected) << c.name;
}

ErrorObject OpenFailure() {
  ErrorObject e;
  e.genCode = kGenOpen;
  e.subSystem = "DBFCDX";
  e.subCode = 1001;
  e.description = "Open error";
  e.fileName = "KUNDEN.DBF";
  e.operation = "DBUSEAREA";
  return e;
}

TEST(ErrorMessage, Summary) {
  struct Case {
    const char* name;
    void (*change)(ErrorObject&);
    const char* expected;
  };
  const Case cases[] = {
      {"error with file", [](ErrorObject&) {}, "Error DBFCDX/1001  Open error: KUNDEN.DBF"},
      {"warning", [](ErrorObject& e) { e.severity = 1; },
       "Warning DBFCDX/1001  Open error: KUNDEN.DBF"},
      {"operation without file", [](ErrorObject& e) { e.fileName.clear(); },
       "Error DBFCDX/1001  Open error: DBUSEAREA"},
      {"neither file nor operation",
       [](ErrorObject& e) {
         e.fileName.clear();
         e.operation.clear();
       },
       "Error DBFCDX/1001  Open error"},
      {"no subsystem, no description",
       [](ErrorObject& e) {
         e.subSystem.clear();
         e.description.clear();
       },
       "Error ??"
       "?/1001: KUNDEN.DBF"},
  };
  for (const Case& c : cases) {
    ErrorObject e = OpenFailure();
    c.change(e);
    EXPECT_EQ(ERRORMESSAGE(e), c.expected) << c.name;
  }
}

TEST(Arguments, OneEntryPerElement) {
  ErrorObject e;
  EXPECT_EQ(ARGUMENTS(e), "");
  e.args = std::vector<Value>{};
  EXPECT_EQ(ARGUMENTS(e), "");
  e.args = std::vector<Value>{std::string("abc"), Null{}, 7.0, true, Date{2023, 12, 1}};
  EXPECT_EQ(ARGUMENTS(e),
            " [ 1] = Type: C Val: abc [ 2] = Type: U [ 3] = Type: N Val: 7"
            " [ 4] = Type: L Val: .T. [ 5] = Type: D Val: 01.12.2023");
  e.args = std::vector<Value>(10, Value{int32_t{1}});
  EXPECT_NE(ARGUMENTS(e).find(" [ 9] = Type: N Val: 1 [10] = Type: N Val: 1"), std::string::npos);
}

using DefErrorTest = ErrorLogTest;

struct SoftCase {
  const char* name;
  int genCode;
  int osCode;
  bool canRetry;
  bool canDefault;
  ErrorAction action;
  bool networkError;
};

TEST_F(DefErrorTest, SoftenedCasesShowNothingAndContinue) {
  const SoftCase cases[] = {
      {"division by zero", kGenZeroDiv, 0, false, false, ErrorAction::kSubstitute, false},
      {"lock error", kGenLock, 0, true, false, ErrorAction::kRetry, false},
      {"sharing violation", kGenOpen, 32, false, true, ErrorAction::kDefault, true},
      {"append lock", kGenAppendLock, 0, false, true, ErrorAction::kDefault, true},
  };
  ERRORSYS();
  for (const SoftCase& c : cases) {
    NetworkError(false);
    ErrorObject e;
    e.genCode = c.genCode;
    e.osCode = c.osCode;
    e.canRetry = c.canRetry;
    e.canDefault = c.canDefault;
    const ErrorOutcome outcome = RaiseError(e);
    EXPECT_EQ(outcome.action, c.action) << c.name;
    EXPECT_EQ(NetworkError(), c.networkError) << c.name;
    if (c.action == ErrorAction::kSubstitute) {
      EXPECT_EQ(outcome.substitute, Value{0.0}) << c.name;
    }
  }
  EXPECT_TRUE(fake_.boxes.empty());
  EXPECT_TRUE(fake_.endCodes.empty());
  EXPECT_FALSE(Exists("error.log"));
}

TEST_F(DefErrorTest, UnsoftenedVariantsEndTheProgram) {
  const SoftCase cases[] = {
      {"lock error without retry", kGenLock, 0, false, true, ErrorAction::kAbandon, false},
      {"open error, other OS code", kGenOpen, 2, false, true, ErrorAction::kAbandon, false},
      {"sharing violation without default", kGenOpen, 32, true, false, ErrorAction::kAbandon,
       false},
      {"append lock without default", kGenAppendLock, 0, true, false, ErrorAction::kAbandon, false},
      {"unlocked record", kGenUnlocked, 0, true, true, ErrorAction::kAbandon, false},
  };
  for (const SoftCase& c : cases) {
    fake_.endCodes.clear();
    ErrorObject e;
    e.genCode = c.genCode;
    e.osCode = c.osCode;
    e.canRetry = c.canRetry;
    e.canDefault = c.canDefault;
    EXPECT_EQ(DEFERROR(e).action, ErrorAction::kAbandon) << c.name;
    EXPECT_EQ(fake_.endCodes, std::vector<int>{1}) << c.name;
    EXPECT_FALSE(NetworkError()) << c.name;
  }
}

TEST_F(DefErrorTest, FatalErrorReportsAndEnds) {
  ERRORSYS();
  ErrorObject e = OpenFailure();
  e.osCode = 2;
  e.args = std::vector<Value>{std::string("KUNDEN")};
  e.procName = "OPENKUNDEN";
  e.procLine = 12;
  e.moduleName = "kunden.prg";
  e.callers = {{"CONVERTQZ", 340, "cnvdialg.prg"},
               {"MAIN", 7, "tabrix.prg"},
               {"", 0, ""},
               {"HIDDEN", 1, "x.prg"}};

  EXPECT_THROW(RaiseError(e), ErrorAbandoned);

  ASSERT_EQ(fake_.boxes.size(), 1u);
  EXPECT_EQ(fake_.boxes[0].text, "Fehler bei Programmausführung, Programm wird beendet");
  EXPECT_EQ(fake_.boxes[0].caption, "QZ-Hinweis");
  EXPECT_EQ(fake_.boxes[0].flags, 48u);

  using Line = std::pair<std::string, std::optional<std::string>>;
  const std::vector<Line> expected = {
      {"Error DBFCDX/1001  Open error: KUNDEN.DBF Arguments: ( [ 1] = Type: C Val: KUNDEN)"
       " (DOS Error 2)",
       std::nullopt},
      {"Error at ...: OPENKUNDEN(12) in Module:", "kunden.prg"},
      {"Called from: CONVERTQZ(340) in Module:", "cnvdialg.prg"},
      {"Called from: MAIN(7) in Module:", "tabrix.prg"},
  };
  EXPECT_EQ(fake_.debug, expected);
  EXPECT_EQ(fake_.endCodes, std::vector<int>{1});
  const std::string log = Read("error.log");
  EXPECT_NE(log.find("Description .......: Open error\r\n"), std::string::npos);
  EXPECT_NE(log.find("MAIN                  :       7 in Module: tabrix.prg\r\n"),
            std::string::npos);
  EXPECT_EQ(log.find("HIDDEN"), std::string::npos);
}

TEST_F(DefErrorTest, MessageWithoutArgumentsOrOsCode) {
  ErrorObject e = OpenFailure();
  DEFERROR(e);
  ASSERT_FALSE(fake_.debug.empty());
  EXPECT_EQ(fake_.debug[0].first, "Error DBFCDX/1001  Open error: KUNDEN.DBF");
}

// An object handed over without a place (DEFERROR called directly, as logs from before places
// were recorded show it) keeps the trace's old form: no name, line 0, no module.
TEST_F(DefErrorTest, TraceWithoutPlaceKeepsItsOldForm) {
  DEFERROR(OpenFailure());
  using Line = std::pair<std::string, std::optional<std::string>>;
  ASSERT_EQ(fake_.debug.size(), 2u);
  EXPECT_EQ(fake_.debug[1], Line("Error at ...: (0) in Module:", ""));
  EXPECT_NE(Read("error.log")
                .find(" Trace Through:\r\n----------------\r\n" + std::string(21, ' ') +
                      " :       0 in Module: \r\n\r\n"),
            std::string::npos);
}

TEST_F(DefErrorTest, ErrorModePassesThrough) {
  EXPECT_EQ(SETERRORMODE(32769), 0u);
  EXPECT_EQ(SETERRORMODE(32768), 32769u);
  EXPECT_EQ(fake_.modes, (std::vector<unsigned>{32769, 32768}));
}

TEST(NetworkErrorFlag, SetReturnsPrevious) {
  NetworkError(false);
  EXPECT_FALSE(NetworkError(true));
  EXPECT_TRUE(NetworkError());
  EXPECT_TRUE(NetworkError(false));
  EXPECT_FALSE(NetworkError());
}

}  // namespace
}  // namespace tabrix
