#include "converter/composite_texts.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "converter/composite_budget.h"

namespace tabrix {
namespace {

TEST(NormString, LaysOutLines) {
  struct Case {
    const char* what;
    std::string value, text;
  };
  const Case cases[] = {
      {"single character", "x", "\tx"},
      {"leading blanks dropped, trailing kept", "  ab  ", "\tab  "},
      {"TABs at the start stay", "\t ab", "\t\t ab"},
      {"CR LF indents the next line", "a\r\nb", "\ta\r\n\t\tb"},
      {"lone LF indents", "a\nb", "\ta\n\t\tb"},
      {"lone CR becomes CR LF, blanks before it go", "a  \r  b", "\ta\r\n\t\tb"},
      {"blanks after CR LF dropped", "a\r\n   b", "\ta\r\n\t\tb"},
      {"inner blanks stay", "a  b", "\ta  b"},
      {"last character unchanged, even a lone CR", "a\r", "\ta\r"},
      {"last character unchanged, even a blank at line start", "a\n ", "\ta\n\t\t "},
      {"empty line between lines", "a\r\r\nb", "\ta\r\n\t\t\r\n\t\tb"},
      {"empty value", "", "\t"},
  };
  for (const Case& c : cases) EXPECT_EQ(NORMSTRING(c.value), c.text) << c.what;
}

// A small source record: structure plus values, read by field number.
struct Record {
  std::vector<FieldDescription> structure;
  std::vector<Value> values;
  SourceFieldReader Reader() const {
    return [this](int fieldNumber) -> const Value& { return values.at(fieldNumber - 1); };
  }
};

TEST(NotesText, ComposesFilledFields) {
  const Record record{{{"NAME", 'C', 20, 0},
                       {"ORT", 'C', 10, 0},
                       {"INFO:", 'M', 10, 0},
                       {"SALDO", 'N', 8, 2},
                       {"LEER", 'C', 5, 0},
                       {"AKTIV", 'L', 1, 0}},
                      {std::string("  Zeile1\r  Zeile2"), std::string("Bonn      "),
                       std::string("memo"), -12.5, std::string(" \r\n  "), false}};
  struct Case {
    const char* what;
    std::vector<int> fields;
    std::string text;
  };
  const Case cases[] = {
      {"lone CR in a value", {1}, "NAME:\tZeile1\r\n\t\tZeile2\r\n"},
      {"padding blanks stay before CR LF", {2}, "ORT:\tBonn      \r\n"},
      {"a name ending in a colon gets none added", {3}, "INFO:\tmemo\r\n"},
      {"numbers in their text form", {4}, "SALDO:\t12.50 DB\r\n"},
      {"empty value skipped, false is not empty", {5, 6}, "AKTIV:\tF\r\n"},
      {"list order", {6, 2}, "AKTIV:\tF\r\nORT:\tBonn      \r\n"},
      {"field numbers outside the structure are passed over", {0, 7, 2}, "ORT:\tBonn      \r\n"},
      {"no fields", {}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NotesText(c.fields, record.structure, record.Reader()), c.text) << c.what;
  }
}

TEST(RemarkText, JoinsTrimmedValues) {
  const Record record{{{"SEIT", 'C', 20, 0},
                       {"LEER", 'C', 10, 0},
                       {"VIP", 'C', 5, 0},
                       {"SALDO", 'N', 8, 2},
                       {"DATUM", 'D', 8, 0}},
                      {std::string("  Kunde seit 1990   "), std::string("          "),
                       std::string("VIP  "), 0.0, Date{}}};
  struct Case {
    const char* what;
    std::vector<int> fields;
    std::string text;
  };
  const Case cases[] = {
      {"two values", {1, 3}, "Kunde seit 1990; VIP"},
      {"blank values leave no separators", {2, 1, 2, 3, 2}, "Kunde seit 1990; VIP"},
      {"zero and the empty date are not empty", {4, 5}, "0.00; .  ."},
      {"only blanks", {2}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemarkText(c.fields, record.structure, record.Reader()), c.text) << c.what;
  }
}

TEST(CompositeBudget, CountsLengthPlusTwo) {
  const std::vector<FieldDescription> structure{
      {"A", 'C', 254, 0}, {"B", 'C', 10, 0}, {"C", 'C', 48, 0}, {"D", 'M', 36398, 0}};
  struct Case {
    const char* what;
    std::vector<int> fields;
    int notesFree, remarkFree;
  };
  const Case cases[] = {
      {"nothing placed", {}, 40000, 50},
      {"A and B", {1, 2}, 39732, 0},
      {"B alone", {2}, 39988, 38},
      {"48 characters fill the remark exactly", {3}, 39950, 0},
      {"long memo", {4}, 3600, 0},
      {"never below zero", {4, 4, 4}, 0, 0},
      {"numbers outside the structure cost nothing", {0, 5}, 40000, 50},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NTZFREI(c.fields, structure), c.notesFree) << c.what;
    EXPECT_EQ(BEMFREI(c.fields, structure), c.remarkFree) << c.what;
  }
}

}  // namespace
}  // namespace tabrix
