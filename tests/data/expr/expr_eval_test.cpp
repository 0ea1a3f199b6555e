// Values of expressions over one record with a field of every kind (expr_test_record.h): fields
// and aliases, literals, every operator, every function at its edges, abbreviations.

#include <gtest/gtest.h>

#include "data/expr/expr_test_record.h"

namespace tabrix {
namespace {

using testing::CustomerRecord;
using testing::CustomerStructure;
using testing::Show;

struct Case {
  const char* expression;
  const char* expected;  // in the form of testing::Show
};

// Compiles and evaluates each case over CustomerRecord(); every failure names the case.
void RunCases(const std::vector<Case>& cases) {
  const ExprStructure structure = CustomerStructure();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expression);
    ExprResult<Expression> e = Expression::Compile(c.expression, structure);
    ASSERT_TRUE(e.ok()) << e.error().ToString();
    testing::MemoryRecord record = CustomerRecord();
    Value v;
    ExprStatus s = e.value().Evaluate(record, &v);
    ASSERT_TRUE(s.ok()) << s.error().ToString();
    EXPECT_EQ(Show(v), c.expected);
  }
}

TEST(ExprEval, FieldsAndAliases) {
  RunCases({
      {"NAME", R"(C"M\x81ller    ")"},
      {"name", R"(C"M\x81ller    ")"},
      {"Cust->Name", R"(C"M\x81ller    ")"},
      {"FIELD->NAME", R"(C"M\x81ller    ")"},
      {"_field->name", R"(C"M\x81ller    ")"},
      {"CUST->(TRIM(NAME)+'!')", R"(C"M\x81ller!")"},
      {"AMOUNT", "N1234.50"},
      {"BIGNUMBERS", "N12345678901234567890"},
      // Names are significant to 10 characters: a longer one finds the field its start names.
      {"bignumbersextra", "N12345678901234567890"},
      {"COUNT", "N42"},
      {"RATE", "N~0.1"},
      {"PRICE", "N12.3456"},
      {"BORN", "D1969-07-20"},
      {"NODATE", "D{}"},
      {"STAMP", "T2020-02-29 13:45:30.250"},
      {"ACTIVE", "L.T."},
      {"NOTES", R"(C"Line one")"},
      {"NULLC", R"(C"    ")"},  // a null C field reads as the blanks of its length
      {"ZERO", "N0"},
  });
}

TEST(ExprEval, Literals) {
  RunCases({
      {"'abc'", R"(C"abc")"},
      {"\"a'b\"", R"(C"a'b")"},
      {"[x\"y']", R"(C"x\x22y'")"},
      {"''", R"(C"")"},
      {"12.50", "N12.50"},
      {".5", "N0.5"},
      {"0", "N0"},
      {"12345678901234567890123456789012345678", "N12345678901234567890123456789012345678"},
      {".t.", "L.T."},
      {".Y.", "L.T."},
      {".f.", "L.F."},
      {".n.", "L.F."},
      {" ( 1 + 2 ) ", "N3"},
      {"\t1\r\n+2", "N3"},
  });
}

TEST(ExprEval, TextOperators) {
  RunCases({
      {"'ab'+'cd'", R"(C"abcd")"},
      {"'ab  '-'cd'", R"(C"abcd  ")"},
      {"'ab'-'cd '", R"(C"abcd ")"},
      {"'   '-'x'", R"(C"x   ")"},
      {"''-''", R"(C"")"},
      {"FIRST+NAME", R"(C"Anna    M\x81ller    ")"},
      {"FIRST-NAME", R"(C"AnnaM\x81ller        ")"},
  });
}

TEST(ExprEval, NumberOperators) {
  RunCases({
      {"1+2*3", "N7"},
      {"(1+2)*3", "N9"},
      {"-2*3", "N-6"},
      {"--2", "N2"},
      {"+3", "N3"},
      {"7-10", "N-3"},
      {"1.10+2.205", "N3.305"},
      {"AMOUNT*2", "N2469.00"},
      {"AMOUNT-AMOUNT", "N0.00"},
      {"BIGNUMBERS+1", "N12345678901234567891"},
      {"PRICE+COUNT", "N54.3456"},
      {"0.1+0.2=0.3", "L.T."},  // exact decimals, not binary doubles
      {"10/4", "N~2.5"},
      {"1/3*3", "N~1"},
      {"RATE*10", "N~1"},
      {"-ZERO", "N0"},
  });
}

TEST(ExprEval, DateOperators) {
  RunCases({
      {"BORN+1", "D1969-07-21"},
      {"1+BORN", "D1969-07-21"},
      {"BORN-20", "D1969-06-30"},
      {"BORN-CTOD('07/01/69')", "N19"},
      {"CTOD('12/31/99')+1", "D2000-01-01"},
      {"CTOD('02/28/00')+1", "D1900-03-01"},  // 1900 is not a leap year
      {"CTOD('02/28/2000')+1", "D2000-02-29"},
      {"NODATE+5", "D{}"},
      {"STAMP+30", "T2020-02-29 13:46:00.250"},
      {"STAMP+86400", "T2020-03-01 13:45:30.250"},
      {"STAMP-49530.25", "T2020-02-29 00:00:00.000"},
      {"STAMP-49530.251", "T2020-02-28 23:59:59.999"},
      {"STAMP-DTOT(BORN)", "N1597239930.250"},
      {"STAMP-STAMP", "N0.000"},
  });
}

TEST(ExprEval, Comparisons) {
  RunCases({
      // = compares up to the right side's length; == the whole of both.
      {"'abc'='ab'", "L.T."},
      {"'ab'='abc'", "L.F."},
      {"'abc'=''", "L.T."},
      {"''='abc'", "L.F."},
      {"'ab '='ab'", "L.T."},
      {"'ab'='ab '", "L.F."},
      {"'abc'=='abc'", "L.T."},
      {"'abc'=='ab'", "L.F."},
      {"'ab '=='ab'", "L.F."},
      {"'ab'<'abc'", "L.T."},
      {"'abc'>'ab'", "L.F."},
      {"'abc'>='ab'", "L.T."},
      {"'abc'<='ab'", "L.T."},
      {"'abc'!='ab'", "L.F."},
      {"'abc'<>'abd'", "L.T."},
      {"'abc'#'abd'", "L.T."},
      {"CHR(200)>'z'", "L.T."},  // unsigned bytes
      {"TRIM(UPPER(NAME))==\"M\x9aLLER\"", "L.T."},
      {"1<2", "L.T."},
      {"2<=2", "L.T."},
      {"3>2.5", "L.T."},
      {"2>=3", "L.F."},
      {"AMOUNT=1234.5", "L.T."},
      {"AMOUNT==1234.5", "L.T."},
      {"BIGNUMBERS>12345678901234567889", "L.T."},
      {"RATE>0.09", "L.T."},
      // Aligning the decimals would pass 38 digits: still compared exactly.
      {"12345678901234567890123456789012345678>0.1", "L.T."},
      {"0.1<12345678901234567890123456789012345678", "L.T."},
      {"-12345678901234567890123456789012345678<-0.1", "L.T."},
      {"BORN<CTOD('01/01/70')", "L.T."},
      {"NODATE<BORN", "L.T."},
      {"STAMP>DTOT(BORN)", "L.T."},
      {".F.<.T.", "L.T."},
      {".T.=.T.", "L.T."},
      {"'ll' $ NAME", "L.T."},
      {"'x' $ NAME", "L.F."},
      {"'' $ NAME", "L.F."},
  });
}

TEST(ExprEval, LogicalOperatorsAndPrecedence) {
  RunCases({
      {".T..AND..F.", "L.F."},
      {".T..OR..F.", "L.T."},
      {".NOT..T.", "L.F."},
      {"!.F.", "L.T."},
      {"!ACTIVE", "L.F."},
      {".not. 1=2", "L.T."},
      {".T. .OR. .F. .AND. .F.", "L.T."},
      {"1+2=3 .AND. 'a'+'b'='ab'", "L.T."},
      {"1=1.AND.2=2", "L.T."},
      // Short-circuit: the right side would fail.
      {".F. .AND. 1/0=1", "L.F."},
      {".T. .OR. 1/0=1", "L.T."},
  });
}

TEST(ExprEval, IifAndEmpty) {
  RunCases({
      {"IIF(ACTIVE,'yes','no ')", R"(C"yes")"},
      {"IIF(.F.,1,2)", "N2"},
      {"IF(.T.,BORN,NODATE)", "D1969-07-20"},
      {"IIF(.T.,1,1/0)", "N1"},  // only the chosen branch is evaluated
      // The sort orders the grid browse builds.
      {"iif(empty(BLANK),chr(250)+space(len(BLANK)),BLANK)", R"(C"\xfa     ")"},
      {"iif(empty(NAME),chr(250)+space(len(NAME)),NAME)", R"(C"M\x81ller    ")"},
      {"iif(empty(NAME),chr(250)+space(len(NAME)-1),UPPER(NAME))", R"(C"M\x9aLLER    ")"},
      {"iif(empty(BLANK),chr(250)+space(len(BLANK)-1),UPPER(BLANK))", R"(C"\xfa    ")"},
      {"EMPTY(BLANK)", "L.T."},
      {"EMPTY(NAME)", "L.F."},
      {"EMPTY(CHR(9)+CHR(13)+CHR(10)+' ')", "L.T."},
      {"EMPTY('')", "L.T."},
      {"EMPTY(CHR(0))", "L.F."},
      {"EMPTY(ZERO)", "L.T."},
      {"EMPTY(NEG)", "L.F."},
      {"EMPTY(NODATE)", "L.T."},
      {"EMPTY(BORN)", "L.F."},
      {"EMPTY(.F.)", "L.T."},
      {"EMPTY(DTOT(NODATE))", "L.T."},
      {"EMPTY(STAMP)", "L.F."},
  });
}

TEST(ExprEval, CharacterFunctions) {
  RunCases({
      {"CHR(65)", R"(C"A")"},
      {"CHR(0)", R"(C"\x00")"},
      {"CHR(255)", R"(C"\xff")"},
      {"CHR(65.9)", R"(C"A")"},
      {"LEN(CHR(0))", "N1"},
      {"SPACE(3)", R"(C"   ")"},
      {"SPACE(0)", R"(C"")"},
      {"SPACE(-1)", R"(C"")"},
      {"LEN(SPACE(65535))", "N65535"},
      {"REPLICATE('ab',3)", R"(C"ababab")"},
      {"REPLICATE('ab',0)", R"(C"")"},
      {"REPLICATE('ab',-1)", R"(C"")"},
      {"REPLICATE('',100000)", R"(C"")"},
      {"LEN(REPLICATE('x',65535))", "N65535"},
      {"LEN(NAME)", "N10"},
      {"LEN(NOTES)", "N8"},
      {"LEN('')", "N0"},
      {"LEN(NULLC)", "N4"},
      {"ASC('A')", "N65"},
      {"ASC('')", "N0"},
      {"ASC(CHR(255))", "N255"},
      {"ASC(NAME)", "N77"},
      {"AT('l',NAME)", "N3"},
      {"AT('z',NAME)", "N0"},
      {"AT('',NAME)", "N0"},
      {"UPPER('abc\x84\x94\x81\xe1')", R"(C"ABC\x8e\x99\x9a\xe1")"},
      {"LOWER('ABC\x8e\x99\x9a\xe1')", R"(C"abc\x84\x94\x81\xe1")"},
      {"UPPER(FIRST)", R"(C"ANNA    ")"},
      {"TRIM(NAME)", R"(C"M\x81ller")"},
      {"RTRIM('  a  ')", R"(C"  a")"},
      {"LTRIM('  a  ')", R"(C"a  ")"},
      {"ALLTRIM('  a  ')", R"(C"a")"},
      {"ALLTRIM(BLANK)", R"(C"")"},
      {"TRIM(CHR(9)+' ')", R"(C"\x09")"},  // blanks only
      {"LEFT('abc',2)", R"(C"ab")"},
      {"LEFT('abc',0)", R"(C"")"},
      {"LEFT('abc',-1)", R"(C"")"},
      {"LEFT('abc',3)", R"(C"abc")"},
      {"LEFT('abc',4)", R"(C"abc")"},
      {"RIGHT('abc',2)", R"(C"bc")"},
      {"RIGHT('abc',0)", R"(C"")"},
      {"RIGHT('abc',-2)", R"(C"")"},
      {"RIGHT('abc',5)", R"(C"abc")"},
      {"SUBSTR('abcdef',2,3)", R"(C"bcd")"},
      {"SUBSTR('abcdef',5)", R"(C"ef")"},
      {"SUBSTR('abcdef',6)", R"(C"f")"},
      {"SUBSTR('abcdef',6,5)", R"(C"f")"},
      {"SUBSTR('abcdef',7)", R"(C"")"},
      {"SUBSTR('abcdef',7,1)", R"(C"")"},
      {"SUBSTR('abcdef',0,2)", R"(C"ab")"},
      {"SUBSTR('abcdef',-2)", R"(C"ef")"},
      {"SUBSTR('abcdef',-6,2)", R"(C"ab")"},
      {"SUBSTR('abcdef',-7,2)", R"(C"ab")"},
      {"SUBSTR('abcdef',2,0)", R"(C"")"},
      {"SUBSTR('abcdef',2,-1)", R"(C"")"},
      {"SUBSTR('',1,1)", R"(C"")"},
      {"PADR('ab',4)", R"(C"ab  ")"},
      {"PADR('abcd',4)", R"(C"abcd")"},
      {"PADR('abcdef',3)", R"(C"abc")"},
      {"PADR('ab',4,'*')", R"(C"ab**")"},
      {"PADR('ab',4,'')", R"(C"ab  ")"},
      {"PADR('ab',0)", R"(C"")"},
      {"PADR('ab',-3)", R"(C"")"},
      {"PADL('ab',4)", R"(C"  ab")"},
      {"PADL('abcdef',3)", R"(C"abc")"},
      {"PADL('ab',4,'0')", R"(C"00ab")"},
      {"PADC('ab',5,'-')", R"(C"-ab--")"},
      {"PADC('ab',6)", R"(C"  ab  ")"},
      {"PADC('abcdef',3)", R"(C"abc")"},
      {"PADL(42,5)", R"(C"   42")"},
      {"PADR(AMOUNT,9)", R"(C"1234.50  ")"},
      {"PADL(NEG,3)", R"(C"-5.")"},
      {"PADR(RATE,4)", R"(C"0.1 ")"},
      {"PADR(BORN,10)", R"(C"07/20/69  ")"},
      {"PADR(STAMP,22,'.')", R"(C"02/29/20 01:45:30 PM..")"},
      {"LEN(PADR(NOTES,65535))", "N65535"},
  });
}

TEST(ExprEval, StrAndStrZero) {
  RunCases({
      {"STR(42)", R"(C"        42")"},
      {"STR(AMOUNT)", R"(C"      1235")"},  // 0 decimals by default, halves away from zero
      {"STR(AMOUNT,10,2)", R"(C"   1234.50")"},
      {"STR(AMOUNT,7,2)", R"(C"1234.50")"},  // exactly fits
      {"STR(AMOUNT,6,2)", R"(C"1234.5")"},   // decimals give way first
      {"STR(AMOUNT,5,2)", R"(C" 1235")"},
      {"STR(AMOUNT,4,2)", R"(C"1235")"},
      {"STR(AMOUNT,3,2)", R"(C"***")"},  // the integer part does not fit
      {"STR(NEG,5,2)", R"(C"-5.25")"},
      {"STR(NEG,4,2)", R"(C"-5.3")"},
      {"STR(NEG,2)", R"(C"-5")"},
      {"STR(NEG,1)", R"(C"*")"},
      {"STR(-0.4,3)", R"(C"  0")"},  // rounds to zero: no sign
      {"STR(BIGNUMBERS,20)", R"(C"12345678901234567890")"},
      {"STR(BIGNUMBERS,19)", R"(C"*******************")"},
      {"STR(BIGNUMBERS)", R"(C"**********")"},
      {"STR(9999999999)", R"(C"9999999999")"},
      {"STR(10000000000)", R"(C"**********")"},
      {"STR(-999999999)", R"(C"-999999999")"},
      {"STR(-1000000000)", R"(C"**********")"},
      {"STR(99999.995,8,2)", R"(C"100000.0")"},
      {"STR(1,1)", R"(C"1")"},
      {"STR(10,1)", R"(C"*")"},
      {"STR(RATE,5,2)", R"(C" 0.10")"},
      {"STR(1/3,10,4)", R"(C"    0.3333")"},
      {"STR(COUNT,3)", R"(C" 42")"},
      {"STR(PRICE,8,4)", R"(C" 12.3456")"},
      {"STR(2.5)", R"(C"         3")"},
      {"STR(-2.5)", R"(C"        -3")"},
      {"STR(1.005,5,2)", R"(C" 1.01")"},  // on the decimal digits, not the binary double
      {"STR(RECNO(),7)", R"(C"      7")"},
      {"STRZERO(42,5)", R"(C"00042")"},
      {"STRZERO(-5,4)", R"(C"-005")"},
      {"STRZERO(AMOUNT,9,2)", R"(C"001234.50")"},
      {"STRZERO(123,2)", R"(C"**")"},
      {"STRZERO(7)", R"(C"0000000007")"},
  });
}

TEST(ExprEval, DateFunctions) {
  RunCases({
      {"DTOS(BORN)", R"(C"19690720")"},
      {"DTOS(NODATE)", R"(C"        ")"},
      {"DTOS(STAMP)", R"(C"20200229")"},
      {"DTOC(BORN)", R"(C"07/20/69")"},
      {"DTOC(NODATE)", R"(C"  /  /  ")"},
      {"CTOD('07/20/1969')", "D1969-07-20"},
      {"CTOD(' 7/20/69 ')", "D1969-07-20"},
      {"CTOD('1/2/03')", "D1903-01-02"},
      {"CTOD('02/29/2020')", "D2020-02-29"},
      {"CTOD('02/30/2020')", "D{}"},
      {"CTOD('13/01/2000')", "D{}"},
      {"CTOD('01/01/200')", "D{}"},
      {"CTOD('2020-01-01')", "D{}"},
      {"CTOD('')", "D{}"},
      {"YEAR(BORN)", "N1969"},
      {"MONTH(BORN)", "N7"},
      {"DAY(BORN)", "N20"},
      {"YEAR(NODATE)", "N0"},
      {"MONTH(STAMP)", "N2"},
      {"TTOC(STAMP,1)", R"(C"20200229134530")"},
      {"TTOC(STAMP)", R"(C"02/29/20 01:45:30 PM")"},
      {"TTOC(STAMP,0)", R"(C"02/29/20 01:45:30 PM")"},
      {"TTOC(STAMP,2)", R"(C"01:45:30 PM")"},
      {"TTOC(STAMP,3)", R"(C"2020-02-29T13:45:30")"},
      {"TTOC(DTOT(BORN))", R"(C"07/20/69 12:00:00 AM")"},
      {"TTOC(DTOT(NODATE),1)", R"(C"              ")"},
      {"TTOD(STAMP)", "D2020-02-29"},
      {"DTOT(BORN)", "T1969-07-20 00:00:00.000"},
      {"DTOT(NODATE)", "T{}"},
  });
}

TEST(ExprEval, NumericFunctions) {
  RunCases({
      {"VAL('12.50')", "N12.50"},
      {"VAL('  -3')", "N-3"},
      {"VAL('abc')", "N0"},
      {"VAL('1.5abc')", "N1.5"},
      {"VAL('')", "N0"},
      {"VAL('.5')", "N0.5"},
      {"VAL('- 5')", "N0"},
      {"INT(-5.7)", "N-5"},
      {"INT(AMOUNT)", "N1234"},
      {"INT(10/4)", "N~2"},
      {"ABS(NEG)", "N5.25"},
      {"ABS(5)", "N5"},
      {"ROUND(NEG,1)", "N-5.3"},
      {"ROUND(2.5,0)", "N3"},
      {"ROUND(1234.5,-2)", "N1200"},
      {"ROUND(1250,-2)", "N1300"},
      {"ROUND(-1250,-2)", "N-1300"},
      {"ROUND(AMOUNT,5)", "N1234.50"},
      {"MAX(1,2)", "N2"},
      {"MIN(1,2)", "N1"},
      {"MIN('b','a')", R"(C"a")"},
      {"MAX('ab','abc')", R"(C"abc")"},
      {"MAX(BORN,NODATE)", "D1969-07-20"},
      {"MIN(BORN,NODATE)", "D{}"},
      {"MAX(STAMP,DTOT(BORN))", "T2020-02-29 13:45:30.250"},
      {"DELETED()", "L.F."},
      {"RECNO()", "N7"},
      {"BINTOC(1)", R"(C"\x80\x00\x00\x01")"},
      {"BINTOC(-1)", R"(C"\x7f\xff\xff\xff")"},
      {"BINTOC(0,1)", R"(C"\x80")"},
      {"BINTOC(127,1)", R"(C"\xff")"},
      {"BINTOC(-128,1)", R"(C"\x00")"},
      {"BINTOC(COUNT,2)", R"(C"\x80*")"},
      {"BINTOC(2147483647)", R"(C"\xff\xff\xff\xff")"},
      {"BINTOC(-2147483648)", R"(C"\x00\x00\x00\x00")"},
      {"BINTOC(1,8)", R"(C"\x80\x00\x00\x00\x00\x00\x00\x01")"},
  });
}

TEST(ExprEval, AbbreviatedFunctionNames) {
  RunCases({
      {"UPPE(FIRST)", R"(C"ANNA    ")"},
      {"upper(first)", R"(C"ANNA    ")"},
      {"Upper (First)", R"(C"ANNA    ")"},
      {"ALLT(FIRST)", R"(C"Anna")"},
      {"ALLTR(FIRST)", R"(C"Anna")"},
      {"SUBS(FIRST,2,2)", R"(C"nn")"},
      {"SUBST(FIRST,2,2)", R"(C"nn")"},
      {"REPL('x',2)", R"(C"xx")"},
      {"STRZ(7,3)", R"(C"007")"},
      {"DELE()", "L.F."},
      {"RECN()", "N7"},
      {"EMPT(BLANK)", "L.T."},
      {"SPAC(2)", R"(C"  ")"},
      {"RTRI(' a ')", R"(C" a")"},
      {"LTRI(' a ')", R"(C"a ")"},
      {"RIGH('abc',1)", R"(C"c")"},
      {"MONT(BORN)", "N7"},
      {"ROUN(2.5,0)", "N3"},
      {"LOWE('A')", R"(C"a")"},
      {"BINT(0,1)", R"(C"\x80")"},
  });
}

TEST(ExprEval, RecordStateFunctions) {
  const ExprStructure structure = CustomerStructure();
  ExprResult<Expression> deleted = Expression::Compile(".NOT.DELETED()", structure);
  ExprResult<Expression> recno = Expression::Compile("STR(RECNO(),10)", structure);
  ASSERT_TRUE(deleted.ok() && recno.ok());
  testing::MemoryRecord record({}, 123456, true);
  record.values() = CustomerRecord().values();
  bool live = true;
  ASSERT_TRUE(deleted.value().EvaluateLogical(record, &live).ok());
  EXPECT_FALSE(live);
  std::string text;
  ASSERT_TRUE(recno.value().EvaluateText(record, &text).ok());
  EXPECT_EQ(text, "    123456");
}

}  // namespace
}  // namespace tabrix
