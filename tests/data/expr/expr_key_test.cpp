// What an index needs of a compiled expression: the result type, the key length (taken over a
// blank record, as xBase programs take it), numeric width and decimals, the bare field; keys
// cut or padded to that length; many records in a row through the same buffers.

#include <gtest/gtest.h>

#include "data/expr/expr_functions.h"
#include "data/expr/expr_test_record.h"

namespace tabrix {
namespace {

using testing::CustomerRecord;
using testing::CustomerStructure;

TEST(ExprKey, StaticFacts) {
  struct Case {
    const char* expression;
    ExprType type;
    int keyLength;
    int decimals;
    int plainField;
  };
  using T = ExprType;
  const Case cases[] = {
      {"NAME", T::kCharacter, 10, 0, 0},
      {"cust->name", T::kCharacter, 10, 0, 0},
      {"(NAME)", T::kCharacter, 10, 0, 0},
      {"UPPER(NAME)+DTOS(BORN)", T::kCharacter, 18, 0, -1},
      {"TRIM(NAME)", T::kCharacter, 0, 0, -1},  // xBase takes the blank record's: empty
      {"iif(empty(NAME),chr(250)+space(len(NAME)),NAME)", T::kCharacter, 11, 0, -1},
      {"iif(empty(NAME),chr(250)+space(len(NAME)-1),UPPER(NAME))", T::kCharacter, 10, 0, -1},
      {"STR(AMOUNT,10,2)+NAME", T::kCharacter, 20, 0, -1},
      {"STR(COUNT)", T::kCharacter, 10, 0, -1},
      {"NOTES", T::kCharacter, 0, 0, 13},
      {"PADR(NOTES,30)", T::kCharacter, 30, 0, -1},
      {"NULLC", T::kCharacter, 4, 0, 14},
      {"DTOC(NODATE)+TTOC(STAMP,1)", T::kCharacter, 22, 0, -1},
      {"BINTOC(COUNT)", T::kCharacter, 4, 0, -1},
      {"AMOUNT", T::kNumeric, 10, 2, 3},
      {"BIGNUMBERS", T::kNumeric, 20, 0, 4},
      {"AMOUNT*2", T::kNumeric, 10, 2, -1},
      {"NEG+1.125", T::kNumeric, 10, 3, -1},
      {"COUNT", T::kNumeric, 10, 0, 6},
      {"PRICE", T::kNumeric, 10, 4, 8},
      {"RECNO()", T::kNumeric, 10, 0, -1},
      {"BORN", T::kDate, 8, 0, 9},
      {"BORN+1", T::kDate, 8, 0, -1},
      {"STAMP", T::kDateTime, 8, 0, 11},
      {"ACTIVE", T::kLogical, 1, 0, 12},
      {".NOT.DELETED()", T::kLogical, 1, 0, -1},
  };
  const ExprStructure structure = CustomerStructure();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    ExprResult<Expression> e = Expression::Compile(c.expression, structure);
    ASSERT_TRUE(e.ok()) << e.error().ToString();
    EXPECT_EQ(e.value().type(), c.type);
    EXPECT_EQ(e.value().keyLength(), c.keyLength);
    EXPECT_EQ(e.value().decimals(), c.decimals);
    EXPECT_EQ(e.value().plainField(), c.plainField);
    EXPECT_EQ(e.value().text(), c.expression);
  }
}

// Keys are the value cut or padded to the key length: a value longer than the blank
// record's is cut, as the index files of xBase programs hold it.
TEST(ExprKey, KeysTakeTheKeyLength) {
  struct Case {
    const char* expression;
    const char* key;
  };
  const Case cases[] = {
      {"NAME", "M\x81ller    "},
      {"TRIM(FIRST)+'|'", "A"},           // "|" over the blank record: length 1
      {"IIF(ACTIVE,'longer','x')", "l"},  // the blank record takes the .F. branch
      {"IIF(ACTIVE,'a','xyz')", "a  "},   // shorter than the blank record's: padded
      {"NOTES", ""},                      // an empty memo over the blank record
      {"PADR(NOTES,10)", "Line one  "},
      {"UPPER(FIRST)+STR(AMOUNT,8,2)", "ANNA     1234.50"},
  };
  const ExprStructure structure = CustomerStructure();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    ExprResult<Expression> e = Expression::Compile(c.expression, structure);
    ASSERT_TRUE(e.ok()) << e.error().ToString();
    testing::MemoryRecord record = CustomerRecord();
    std::string key = "previous content";
    ASSERT_TRUE(e.value().EvaluateKey(record, &key).ok());
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(key.size(), static_cast<size_t>(e.value().keyLength()));
  }
}

// One compiled expression over records of different lengths and kinds in a row: nothing of
// an earlier record may show in a later one (slots and buffers are reused).
TEST(ExprKey, ManyRecordsThroughOneExpression) {
  const ExprStructure structure = CustomerStructure();
  ExprResult<Expression> e = Expression::Compile(
      "IIF(EMPTY(NOTES), '-', TRIM(NOTES)) + '/' + SUBSTR(NOTES, 2, 3) + STR(COUNT, 3) + "
      "IIF(ACTIVE, UPPER(NOTES), LOWER(NOTES))",
      structure);
  ASSERT_TRUE(e.ok()) << e.error().ToString();
  struct Row {
    const char* notes;
    int32_t count;
    bool active;
    const char* text;
  };
  const Row rows[] = {
      {"a very long memo text  ", 1, true, "a very long memo text/ ve  1A VERY LONG MEMO TEXT  "},
      {"Bc", 22, false, "Bc/c 22bc"},
      {"", 333, true, "-/333"},
      {"   ", 4, false, "-/    4   "},
      {"Xyz", 5, true, "Xyz/yz  5XYZ"},
  };
  std::string text;
  Value value;
  for (const Row& r : rows) {
    testing::MemoryRecord record = CustomerRecord();
    record.values()[13] = std::string(r.notes);
    record.values()[6] = r.count;
    record.values()[12] = r.active;
    ASSERT_TRUE(e.value().EvaluateText(record, &text).ok());
    EXPECT_EQ(text, r.text);
    ASSERT_TRUE(e.value().Evaluate(record, &value).ok());
    EXPECT_EQ(std::get<std::string>(value), r.text);
  }
}

TEST(ExprKey, ValueKinds) {
  const ExprStructure structure = CustomerStructure();
  testing::MemoryRecord record = CustomerRecord();
  auto eval = [&](const char* text) {
    ExprResult<Expression> e = Expression::Compile(text, structure);
    EXPECT_TRUE(e.ok()) << text;
    Value v;
    EXPECT_TRUE(e.value().Evaluate(record, &v).ok()) << text;
    return v;
  };
  EXPECT_EQ(std::get<Decimal>(eval("AMOUNT")), Decimal::FromText("1234.5").value());
  EXPECT_EQ(std::get<Decimal>(eval("COUNT")), Decimal::FromInt(42));
  EXPECT_EQ(std::get<double>(eval("RATE")), 0.1);
  EXPECT_EQ(std::get<double>(eval("AMOUNT/2")), 617.25);
  EXPECT_EQ(std::get<Date>(eval("BORN")), (Date{1969, 7, 20}));
  EXPECT_EQ(std::get<DateTime>(eval("STAMP")).millisOfDay, 49530250);
  EXPECT_EQ(std::get<bool>(eval("ACTIVE")), true);
  // Exact while the result fits 38 digits; one past it, the double of both.
  const std::string max38(38, '9');
  EXPECT_EQ(std::get<Decimal>(eval((max38 + "+0").c_str())).Text(), max38);
  EXPECT_EQ(std::get<Decimal>(eval(("-" + max38 + "+1").c_str())).Text(),
            "-" + max38.substr(1) + "8");
  EXPECT_EQ(std::get<double>(eval((max38 + "+1").c_str())), 1e38);
  EXPECT_EQ(std::get<double>(eval(("-" + max38 + "-1").c_str())), -1e38);
  EXPECT_TRUE(std::holds_alternative<double>(eval("BIGNUMBERS*BIGNUMBERS")));
  EXPECT_EQ(std::get<Decimal>(eval("BIGNUMBERS*1000000000000000000")).Text(),
            "12345678901234567890000000000000000000");
  // A currency amount below zero, the most negative one included, keeps its digits.
  record.values()[8] = Currency{-INT64_MAX - 1};
  EXPECT_EQ(std::get<Decimal>(eval("PRICE")).Text(), "-922337203685477.5808");
}

TEST(ExprKey, NullFieldsReadAsBlanks) {
  const ExprStructure structure = CustomerStructure();
  testing::MemoryRecord record = CustomerRecord();
  for (size_t i : {0u, 3u, 6u, 7u, 8u, 9u, 11u, 12u, 13u}) record.values()[i] = Null{};
  ExprResult<Expression> e = Expression::Compile(
      "NAME+STR(AMOUNT,4)+STR(COUNT+RATE+PRICE,2)+DTOS(BORN)+TTOC(STAMP,1)+IIF(ACTIVE,'T','F')+"
      "NOTES+'|'",
      structure);
  ASSERT_TRUE(e.ok()) << e.error().ToString();
  std::string text;
  ASSERT_TRUE(e.value().EvaluateText(record, &text).ok());
  EXPECT_EQ(text, std::string(10, ' ') + "   0 0" + std::string(8 + 14, ' ') + "F|");
}

TEST(ExprKey, MovedExpressionStillEvaluates) {
  const ExprStructure structure = CustomerStructure();
  ExprResult<Expression> compiled = Expression::Compile("UPPER(FIRST)", structure);
  ASSERT_TRUE(compiled.ok());
  Expression moved = std::move(compiled).value();
  Expression other = std::move(Expression::Compile("NAME", structure)).value();
  other = std::move(moved);
  testing::MemoryRecord record = CustomerRecord();
  std::string text;
  ASSERT_TRUE(other.EvaluateText(record, &text).ok());
  EXPECT_EQ(text, "ANNA    ");
  EXPECT_EQ(other.keyLength(), 8);
}

// A structure without alias takes only the pseudo-aliases; field names in a structure may
// come in any case.
TEST(ExprKey, StructureWithoutAlias) {
  ExprStructure s;
  s.fields = {{"name", 'C', 3, 0}};
  EXPECT_TRUE(Expression::Compile("FIELD->NAME", s).ok());
  ExprResult<Expression> e = Expression::Compile("X->NAME", s);
  ASSERT_FALSE(e.ok());
  EXPECT_EQ(e.error().message, "alias X is not this table's");
}

// Every abbreviation of four letters or more finds its own function: none is ambiguous.
TEST(ExprFunctions, AbbreviationsAreUnambiguous) {
  for (const FunctionSpec& f : AllFunctions()) {
    const std::string name = f.name;
    for (size_t n = 4; n <= name.size(); ++n) {
      SCOPED_TRACE(name.substr(0, n));
      const FunctionMatch m = FindFunction(name.substr(0, n));
      ASSERT_NE(m.spec, nullptr);
      EXPECT_EQ(m.spec->id, f.id);
      EXPECT_EQ(m.other, nullptr);
    }
    EXPECT_EQ(FindFunction(name + "X").spec, nullptr);
    // Three letters are no abbreviation: they find only a function of that very name.
    if (name.size() > 3) {
      const FunctionMatch three = FindFunction(name.substr(0, 3));
      if (three.spec != nullptr) {
        EXPECT_EQ(three.spec->name, name.substr(0, 3));
      }
    }
  }
}

}  // namespace
}  // namespace tabrix
