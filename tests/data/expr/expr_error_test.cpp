// Expressions that must be refused, at compile time or when evaluated, with the generic code,
// the position of the part to blame and a message saying what is wrong; and values of another
// type than the structure promises.

#include <gtest/gtest.h>

#include "data/expr/expr_parser.h"
#include "data/expr/expr_test_record.h"

namespace tabrix {
namespace {

using testing::CustomerRecord;
using testing::CustomerStructure;

enum class When { kCompile, kEvaluate };

struct ErrorCase {
  std::string expression;
  When when;
  int genCode;
  int position;
  const char* message;  // a part of the message
};

void RunErrorCases(const std::vector<ErrorCase>& cases) {
  const ExprStructure structure = CustomerStructure();
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.expression.size() > 80 ? c.expression.substr(0, 80) + "..." : c.expression);
    ExprResult<Expression> e = Expression::Compile(c.expression, structure);
    std::optional<ExprError> error;
    if (!e.ok()) {
      EXPECT_EQ(c.when, When::kCompile) << e.error().ToString();
      error = e.error();
    } else {
      EXPECT_EQ(c.when, When::kEvaluate) << "compiled";
      testing::MemoryRecord record = CustomerRecord();
      Value v = std::string("unchanged");
      ExprStatus s = e.value().Evaluate(record, &v);
      ASSERT_FALSE(s.ok()) << "evaluated to " << testing::Show(v);
      EXPECT_EQ(testing::Show(v), R"(C"unchanged")");
      error = s.error();
    }
    EXPECT_EQ(error->genCode, c.genCode) << error->ToString();
    EXPECT_EQ(error->position, c.position) << error->ToString();
    EXPECT_NE(error->message.find(c.message), std::string::npos) << error->ToString();
    EXPECT_EQ(error->expression, c.expression);
  }
}

TEST(ExprError, Syntax) {
  RunErrorCases({
      {"", When::kCompile, kGenSyntax, 1, "expected a value but found end of expression"},
      {"NAME +", When::kCompile, kGenSyntax, 7, "expected a value but found end of expression"},
      {"(1+2", When::kCompile, kGenSyntax, 5, "expected ')' but found end of expression"},
      {"1+2)", When::kCompile, kGenSyntax, 4, "unexpected ')' after the end"},
      {"NAME NAME", When::kCompile, kGenSyntax, 6, "unexpected name NAME after the end"},
      {"1.2.3", When::kCompile, kGenSyntax, 4, "unexpected number .3 after the end"},
      {"'abc", When::kCompile, kGenSyntax, 1, "string not closed: ''' missing"},
      {"[abc", When::kCompile, kGenSyntax, 1, "string not closed: ']' missing"},
      {"1 + \"abc", When::kCompile, kGenSyntax, 5, "string not closed"},
      {".X.", When::kCompile, kGenSyntax, 1, "unknown operator .X."},
      {"1 .AND 2", When::kCompile, kGenSyntax, 3, "unknown operator .AND (no closing '.')"},
      {"1 . 2", When::kCompile, kGenSyntax, 3, "unexpected '.'"},
      {"1 & 2", When::kCompile, kGenSyntax, 3, "unexpected character '&'"},
      {"2 ^ 2", When::kCompile, kGenSyntax, 3, "unexpected character '^'"},
      {"NAME\x01", When::kCompile, kGenSyntax, 5, "unexpected character \\x01"},
      {"UPPER(", When::kCompile, kGenSyntax, 7, "expected a value but found end of expression"},
      {"UPPER(NAME", When::kCompile, kGenSyntax, 11, "expected ',' or ')' but found end"},
      {"UPPER(,NAME)", When::kCompile, kGenSyntax, 7, "expected a value but found ','"},
      {"STR(1,,2)", When::kCompile, kGenSyntax, 7, "expected a value but found ','"},
      {"CUST->", When::kCompile, kGenSyntax, 7, "expected a field name after ->"},
      {"CUST->UPPER(NAME)", When::kCompile, kGenNoVariable, 7, "unknown field UPPER"},
      {"123456789012345678901234567890123456789", When::kCompile, kGenSyntax, 1,
       "has more than 38 digits"},
  });
}

TEST(ExprError, Names) {
  RunErrorCases({
      {"FOO(1)", When::kCompile, kGenNoFunction, 1, "unknown function FOO"},
      {"1+DESCEND(NAME)", When::kCompile, kGenNoFunction, 3, "unknown function DESCEND"},
      {"UPP(NAME)", When::kCompile, kGenNoFunction, 1, "unknown function UPP"},  // 3 letters
      {"UPPERX(NAME)", When::kCompile, kGenNoFunction, 1, "unknown function UPPERX"},
      {"NOSUCH", When::kCompile, kGenNoVariable, 1, "unknown field NOSUCH"},
      {"NAM", When::kCompile, kGenNoVariable, 1, "unknown field NAM"},
      {"bignumberx", When::kCompile, kGenNoVariable, 1, "unknown field bignumberx"},
      {"X->NAME", When::kCompile, kGenNoAlias, 1, "alias X is not this table's (CUST)"},
      {"M->NAME", When::kCompile, kGenNoVariable, 1, "memory variables (M->) are not available"},
      {"memvar->x", When::kCompile, kGenNoVariable, 1, "memory variables"},
      {"CUST->NOSUCH", When::kCompile, kGenNoVariable, 7, "unknown field NOSUCH"},
      {"UPPER(PIC)", When::kCompile, kGenDataType, 7, "field PIC of type G cannot be used"},
  });
}

TEST(ExprError, Types) {
  RunErrorCases({
      {"NAME + 1", When::kCompile, kGenArg, 6, "cannot apply + to character and numeric"},
      {"1 - 'a'", When::kCompile, kGenArg, 3, "cannot apply - to numeric and character"},
      {"'a' * 2", When::kCompile, kGenArg, 5, "cannot apply * to character and numeric"},
      {"BORN / 2", When::kCompile, kGenArg, 6, "cannot apply / to date and numeric"},
      {"BORN + BORN", When::kCompile, kGenArg, 6, "cannot apply + to date and date"},
      {"BORN - STAMP", When::kCompile, kGenArg, 6, "cannot apply - to date and datetime"},
      {"1 - BORN", When::kCompile, kGenArg, 3, "cannot apply - to numeric and date"},
      {"-NAME", When::kCompile, kGenArg, 1,
       "operand of prefix - must be numeric, not character"},
      {".NOT. 1", When::kCompile, kGenArg, 1, "operand of .NOT. must be logical, not numeric"},
      {"!NAME", When::kCompile, kGenArg, 1, "operand of .NOT. must be logical"},
      {"1 .AND. .T.", When::kCompile, kGenArg, 3,
       "operands of .AND. must be logical, not numeric"},
      {".T. .OR. 'x'", When::kCompile, kGenArg, 5,
       "operands of .OR. must be logical, not character"},
      {"NAME = 1", When::kCompile, kGenArg, 6,
       "cannot compare character with numeric using ="},
      {"BORN < STAMP", When::kCompile, kGenArg, 6,
       "cannot compare date with datetime using <"},
      {"1 $ 'a'", When::kCompile, kGenArg, 3, "operands of $ must be character"},
  });
}

TEST(ExprError, FunctionArguments) {
  RunErrorCases({
      {"SUBSTR(NAME)", When::kCompile, kGenArg, 1, "SUBSTR takes 2 to 3 arguments, not 1"},
      {"SUBSTR(NAME,1,2,3)", When::kCompile, kGenArg, 1,
       "SUBSTR takes 2 to 3 arguments, not 4"},
      {"UPPER(NAME, 1)", When::kCompile, kGenArg, 1, "UPPER takes 1 argument, not 2"},
      {"UPPER()", When::kCompile, kGenArg, 1, "UPPER takes 1 argument, not 0"},
      {"RECNO(1)", When::kCompile, kGenArg, 1, "RECNO takes no arguments, not 1"},
      {"IIF(.T., 1)", When::kCompile, kGenArg, 1, "IIF takes 3 arguments, not 2"},
      {"STR()", When::kCompile, kGenArg, 1, "STR takes 1 to 3 arguments, not 0"},
      {"UPPER(1)", When::kCompile, kGenArg, 7,
       "argument 1 of UPPER must be character, not numeric"},
      {"SUBSTR(NAME, '1')", When::kCompile, kGenArg, 14,
       "argument 2 of SUBSTR must be numeric, not character"},
      {"IIF(1, 2, 3)", When::kCompile, kGenArg, 5,
       "argument 1 of IIF must be logical, not numeric"},
      {"IIF(.T., 'a', 1)", When::kCompile, kGenArg, 15,
       "IIF needs arguments 2 and 3 of one type, not character and numeric"},
      {"MAX(1, 'a')", When::kCompile, kGenArg, 8,
       "MAX needs arguments 1 and 2 of one type, not numeric and character"},
      {"MAX(.T., .F.)", When::kCompile, kGenArg, 5,
       "argument 1 of MAX must be character or numeric or date or datetime, not logical"},
      {"PADR(.T., 3)", When::kCompile, kGenArg, 6,
       "argument 1 of PADR must be character or numeric or date or datetime, not logical"},
      {"DTOS(NAME)", When::kCompile, kGenArg, 6,
       "argument 1 of DTOS must be date or datetime"},
      {"TTOC(BORN)", When::kCompile, kGenArg, 6,
       "argument 1 of TTOC must be datetime, not date"},
      {"LEN(AMOUNT)", When::kCompile, kGenArg, 5, "argument 1 of LEN must be character"},
  });
}

// Values the functions refuse. A character expression that fails over the blank record fails
// to compile (its key length cannot be taken); the others fail on the record.
TEST(ExprError, RunTime) {
  RunErrorCases({
      {"1/0", When::kEvaluate, kGenZeroDiv, 2, "division by zero"},
      {"AMOUNT/ZERO > 1", When::kEvaluate, kGenZeroDiv, 7, "division by zero"},
      {"CHR(256)", When::kCompile, kGenArg, 1, "CHR code 256 is outside 0..255"},
      {"CHR(-1)", When::kCompile, kGenArg, 1, "CHR code -1 is outside 0..255"},
      {"CHR(COUNT+214)", When::kEvaluate, kGenArg, 1, "CHR code 256 is outside 0..255"},
      {"UPPER(SPACE(65536))", When::kCompile, kGenStringOverflow, 7,
       "text of 65536 bytes is longer than 65535"},
      {"LEN(SPACE(65536))", When::kEvaluate, kGenStringOverflow, 5, "longer than 65535"},
      {"LEN(REPLICATE('ab', 32768))", When::kEvaluate, kGenStringOverflow, 5,
       "text of 65536 bytes"},
      {"LEN(PADL('x', 65536))", When::kEvaluate, kGenStringOverflow, 5, "longer than 65535"},
      {"LEN(SPACE(65535)+'x')", When::kEvaluate, kGenStringOverflow, 17,
       "text of 65536 bytes is longer than 65535"},
      {"STR(1, 0)", When::kCompile, kGenArg, 1, "STR length 0 is outside 1..65535"},
      {"STR(1, 65536)", When::kCompile, kGenArg, 1, "STR length 65536 is outside 1..65535"},
      {"STR(1, 5, -1)", When::kCompile, kGenArg, 1, "STR decimals -1 is below 0"},
      {"STRZERO(1, -2)", When::kCompile, kGenArg, 1, "STRZERO length -2"},
      {"TTOC(STAMP, 4)", When::kCompile, kGenArg, 1, "TTOC form 4 is not 0, 1, 2 or 3"},
      {"TTOC(STAMP, -1)", When::kCompile, kGenArg, 1, "TTOC form -1"},
      {"BINTOC(128, 1)", When::kCompile, kGenNumOverflow, 1,
       "BINTOC value 128 does not fit 1 bytes"},
      {"BINTOC(-129, 1)", When::kCompile, kGenNumOverflow, 1, "BINTOC value -129"},
      {"BINTOC(32768, 2)", When::kCompile, kGenNumOverflow, 1, "BINTOC value 32768"},
      {"BINTOC(2147483648)", When::kCompile, kGenNumOverflow, 1, "BINTOC value 2147483648"},
      {"BINTOC(1, 3)", When::kCompile, kGenArg, 1, "BINTOC size 3 is not 1, 2, 4 or 8"},
      {"BORN + 3000000", When::kEvaluate, kGenNumOverflow, 6, "date outside"},
      {"BORN - 720000", When::kEvaluate, kGenNumOverflow, 6, "date outside"},
      {"STAMP + 1e3", When::kCompile, kGenSyntax, 10, "unexpected name e3 after the end"},
      {"STAMP + 300000000000", When::kEvaluate, kGenNumOverflow, 7, "datetime outside"},
  });
}

TEST(ExprError, NestingDeeperThanTheLimit) {
  auto nested = [](int depth) {
    return std::string(static_cast<size_t>(depth), '(') + "1" +
           std::string(static_cast<size_t>(depth), ')');
  };
  auto chain = [](int terms) {
    std::string s = "1";
    for (int i = 1; i < terms; ++i) s += "+1";
    return s;
  };
  const ExprStructure structure = CustomerStructure();
  // On the limit: compiles and evaluates.
  for (const std::string& ok :
       {nested(kMaxExprDepth - 1), chain(kMaxExprDepth), std::string(kMaxExprDepth - 1, '-') + "1",
        std::string(kMaxExprDepth - 1, '!') + ".T."}) {
    ExprResult<Expression> e = Expression::Compile(ok, structure);
    ASSERT_TRUE(e.ok()) << e.error().ToString();
    testing::MemoryRecord record = CustomerRecord();
    Value v;
    EXPECT_TRUE(e.value().Evaluate(record, &v).ok());
  }
  // One past it: too complex, never a crash however deep.
  RunErrorCases({
      {nested(kMaxExprDepth), When::kCompile, kGenComplexity, kMaxExprDepth + 1,
       "nested deeper than 256"},
      {chain(kMaxExprDepth + 1), When::kCompile, kGenComplexity, 2 * kMaxExprDepth,
       "nested deeper"},
      {std::string(kMaxExprDepth, '-') + "1", When::kCompile, kGenComplexity, kMaxExprDepth,
       "nested deeper"},
      {nested(100000), When::kCompile, kGenComplexity, kMaxExprDepth + 1, "nested deeper"},
      {"UPPER(" + nested(kMaxExprDepth) + ")", When::kCompile, kGenComplexity, kMaxExprDepth + 6,
       "nested deeper"},
  });
}

TEST(ExprError, FieldValuesOfAnotherKind) {
  const ExprStructure structure = CustomerStructure();
  struct Case {
    const char* expression;
    int field;
    Value value;
    const char* message;
  };
  const Case cases[] = {
      {"UPPER(NAME)", 0, Decimal::FromInt(5), "field NAME holds a decimal value, not character"},
      {"AMOUNT+1", 3, std::string("12"), "field AMOUNT holds a text value, not numeric"},
      {"DTOS(BORN)", 9, DateTime{}, "field BORN holds a datetime value, not date"},
      {"DTOS(BORN)", 9, Date{2021, 2, 29}, "field BORN holds an impossible date"},
      {"DTOS(BORN)", 9, Date{2021, 13, 1}, "field BORN holds an impossible date"},
      {"TTOC(STAMP)", 11, DateTime{Date{2020, 1, 1}, 86400000}, "impossible datetime"},
      {"TTOC(STAMP)", 11, DateTime{Date{2020, 1, 1}, -1}, "impossible datetime"},
      {"!ACTIVE", 12, int32_t{1}, "field ACTIVE holds an integer value, not logical"},
      {"NOTES", 13, 1.5, "field NOTES holds a double value, not character"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    ExprResult<Expression> e = Expression::Compile(c.expression, structure);
    ASSERT_TRUE(e.ok()) << e.error().ToString();
    testing::MemoryRecord record = CustomerRecord();
    record.values()[static_cast<size_t>(c.field)] = c.value;
    Value v;
    ExprStatus s = e.value().Evaluate(record, &v);
    ASSERT_FALSE(s.ok());
    EXPECT_EQ(s.error().genCode, kGenDataType);
    EXPECT_NE(s.error().message.find(c.message), std::string::npos) << s.error().ToString();
  }
  // A field the record cannot read.
  ExprResult<Expression> e = Expression::Compile("TRIM(NOTES)", structure);
  ASSERT_TRUE(e.ok());
  testing::MemoryRecord record = CustomerRecord();
  record.set_unreadable(13);
  std::string text;
  ExprStatus s = e.value().EvaluateText(record, &text);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message, "field NOTES cannot be read");
  EXPECT_EQ(s.error().position, 6);
}

TEST(ExprError, TextAndErrorObject) {
  ExprResult<Expression> e = Expression::Compile("x+FOO(1)", CustomerStructure());
  ASSERT_FALSE(e.ok());
  // The field is unknown first: errors are reported in reading order.
  EXPECT_EQ(e.error().ToString(), "unknown field x at position 1 in \"x+FOO(1)\"");
  const ErrorObject o = ToErrorObject(e.error());
  EXPECT_EQ(o.genCode, kGenNoVariable);
  EXPECT_EQ(o.subSystem, "EXPR");
  EXPECT_EQ(o.description, e.error().ToString());
  EXPECT_EQ(o.operation, "x+FOO(1)");
  EXPECT_FALSE(o.canRetry);
  EXPECT_FALSE(o.canDefault);
  ExprError whole{kGenSyntax, "1", 0, "no single place"};
  EXPECT_EQ(whole.ToString(), "no single place in \"1\"");
}

TEST(ExprError, EvaluationOfTheWrongKind) {
  const ExprStructure structure = CustomerStructure();
  ExprResult<Expression> number = Expression::Compile("AMOUNT", structure);
  ExprResult<Expression> text = Expression::Compile("NAME", structure);
  ASSERT_TRUE(number.ok() && text.ok());
  testing::MemoryRecord record = CustomerRecord();
  std::string out = "kept";
  bool flag = true;
  ExprStatus s = number.value().EvaluateText(record, &out);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message, "the expression is numeric, not character");
  EXPECT_FALSE(number.value().EvaluateKey(record, &out).ok());
  EXPECT_EQ(out, "kept");
  s = text.value().EvaluateLogical(record, &flag);
  ASSERT_FALSE(s.ok());
  EXPECT_EQ(s.error().message, "the expression is character, not logical");
}

}  // namespace
}  // namespace tabrix
