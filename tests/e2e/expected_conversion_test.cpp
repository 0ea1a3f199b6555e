// The end-to-end tests judge the program by what these rules expect, so the rules themselves are
// checked first, on the worked examples of the converter's documentation and on small tables.
#include "e2e/expected_conversion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace tabrix::e2e {
namespace {

TEST(ExpectedRules, SortKeySpellsOutUmlautsAndDropsTheRest) {
  EXPECT_EQ(SortKey("M\x81ller & S\x94hne GmbH"), "MUELLERSOEHNEGMBH");
  EXPECT_EQ(SortKey("\x8ERZTE-Zentrum 2"), "AERZTEZENTRUM");
  EXPECT_EQ(SortKey("  Stra\xE1"
                    "er  "),
            "STRASSER");
  EXPECT_EQ(SortKey("12345"), "");
  EXPECT_EQ(SortKey("Ren\x82 Caf\x82"), "RENCAF");  // é is no letter of the alphabet
}

TEST(ExpectedRules, CustomerNumberFromPostalCodesAndFlags) {
  struct Case {
    const char *plz, *plz2, *muster, *p1a;
    long number;
  };
  const Case cases[] = {
      {"70173     ", "          ", " ", "N", 700000},  // numeric region code
      {"01067     ", "          ", " ", "N", 130000},  // leading zero
      {"          ", "1010      ", "A", "N", 100000},  // PLZ2 of an "A" country
      {"          ", "          ", "A", "N", 120000},  // nothing at all
      {"AB12      ", "          ", " ", "N", 130000},  // prefix "AB" has the value 0
      {"5611 AB   ", "          ", " ", " ", 110000},  // country without region codes
      {"D-80331   ", "          ", " ", "N", 130000},  // "D-" has the value 0
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CustomerNumber(c.plz, c.plz2, c.muster, c.p1a), c.number) << c.plz << "|" << c.plz2;
  }
}

TEST(ExpectedRules, NotesLayoutIndentsContinuedLines) {
  EXPECT_EQ(NotesLayout("  Zeile1\r  Zeile2"), "\tZeile1\r\n\t\tZeile2");
  EXPECT_EQ(NotesLayout("a\r\nb\nc"), "\ta\r\n\t\tb\n\t\tc");
  EXPECT_EQ(NotesLayout("x  \r"), "\tx  \r");  // the last character stays as it is
  EXPECT_EQ(NotesLayout("wert   "), "\twert   ");
}

TEST(ExpectedRules, TrimsAndEmptiness) {
  EXPECT_TRUE(IsEmptyText(" \t\r\n "));
  EXPECT_FALSE(IsEmptyText("  .  .    "));
  EXPECT_EQ(TrimRight("a\t  "), "a\t");
  EXPECT_EQ(TrimLeft(" \t\r\nb "), "b ");
  EXPECT_EQ(UpperGerman("d\x84nemark \x94 \x81"), "D\x8ENEMARK \x99 \x9A");
  EXPECT_EQ(NumericValue("  -12.50xyz"), -12.5);
  EXPECT_EQ(NumericValue("AB"), 0.0);
}

TEST(ExpectedRules, FilesByteByByte) {
  FieldAssignment a;
  a.slots = {{2, 3}, {28, 8}};
  a.remark = {13, 17};
  a.notes = {18, 15, 13};
  a.postalCodeFromCity = true;
  const std::string zws = AssignmentFileBytes(a);
  ASSERT_EQ(zws.size(), 125u);
  EXPECT_EQ(zws.substr(0, 10), "Tabrix-ZWS");
  EXPECT_EQ(zws[10 + 2], 3);  // entry 2
  EXPECT_EQ(zws.back(), '1');
  const std::string lvk = LinkFileBytes({{std::string("BRD") + std::string(27, ' '), 1}});
  EXPECT_EQ(lvk.size(), 10u + 39u);
  EXPECT_EQ(lvk.substr(10, 3), " 30");
  EXPECT_EQ(lvk.substr(43), "   1\r\n");
}

TEST(ExpectedRules, Cp850ToUtf8) {
  EXPECT_EQ(Cp850ToUtf8("M\x81ller \x8E\x99\x9A\xE1 \x82"),
            "M\xC3\xBCller \xC3\x84\xC3\x96\xC3\x9C\xC3\x9F \xC3\xA9");
}

// A conversion over a small table: text forms, a skipped record reused by the next one, the
// replacement field, a country by name, by question and by link, the postal code from the city.
TEST(ExpectedConversion, SmallTableRecordByRecord) {
  const std::string dir = ::testing::TempDir();
  const std::string src = dir + "e2e_rules_src.dbf", land = dir + "e2e_rules_land.dbf",
                    tpl = dir + "e2e_rules_tpl.dbf";
  ASSERT_TRUE(WriteDbf(src,
                       {{"NAME", 'C', 20},
                        {"NAME2", 'C', 20},
                        {"ORT", 'C', 20},
                        {"LAND", 'C', 12},
                        {"TEL", 'C', 15},
                        {"UMSATZ", 'N', 8, 2}},
                       {{"Meier", "", "12345 Berlin", " deutschland", "(030) 12-3", "-12.5"},
                        {"", "", "Wien", "BRD", "", "3"},
                        {"", "Huber", "Bad Homburg", "BRD", "", ""},
                        {"  Zorn", "", "Berlin", "brd", "", "1"},
                        {"Xaver", "", "Graz", "X", "", "2"}}));
  ASSERT_TRUE(WriteDbf(land, {{"LANDN", 'C', 12}, {"MUSTER", 'C', 1}, {"P1A", 'C', 1}},
                       {{"DEUTSCHLAND", "", "N"}, {"\x99STERREICH", "A", "N"}}));
  std::vector<DbfWriterField> target = {
      {"KUNDEN_NR", 'N', 8}, {"FIRMA", 'C', 20}, {"ZUSATZ", 'C', 5},  {"PLZ", 'C', 10},
      {"PLZ2", 'C', 10},     {"ORT", 'C', 20},   {"STRASSE", 'C', 5}, {"TELEFON", 'C', 15}};
  for (int i = 9; i <= 27; ++i) target.push_back({"F" + std::to_string(i), 'C', 2});
  target[23] = {"SP1", 'C', 20};
  target.push_back({"LAND", 'C', 12});
  target.push_back({"F29", 'C', 2});
  target.push_back({"ANREDE", 'C', 5});
  for (const char* n : {"FSORT", "SP3", "ANWEND1", "ANWEND2", "BEMERKUNG"}) {
    target.push_back({n, 'C', 20});
  }
  ASSERT_TRUE(WriteDbf(tpl, target, {}));
  auto s = DbfFile::Load(src), l = DbfFile::Load(land), t = DbfFile::Load(tpl);
  ASSERT_TRUE(s && l && t);
  // The writer makes no date or memo fields; the rules need them only by name.
  t->fields.push_back({"ANLDAT", 'D', 8, 0, 0});
  t->fields.push_back({"AENDDAT", 'D', 8, 0, 0});
  t->fields.push_back({"NOTIZ", 'M', 10, 0, 0});

  ConversionPlan plan;
  plan.assignment.slots = {{2, 1}, {6, 3}, {28, 4}, {8, 5}};
  plan.assignment.remark = {6, 1};
  plan.assignment.notes = {6};
  plan.assignment.postalCodeFromCity = true;
  plan.replacementField = 2;
  plan.answer = [](const std::string& land) { return land.substr(0, 3) == "BRD" ? 1 : 2; };
  plan.date = "20250115";
  const ExpectedConversion e = ExpectConversion(*s, *l, *t, plan);

  EXPECT_EQ(e.accepted, 4);
  EXPECT_EQ(e.skipped, std::vector<unsigned>{2});
  EXPECT_EQ(e.replacementAskedAt, 2u);
  ASSERT_EQ(e.records.size(), 4u);  // record 2's target record is reused by record 3
  EXPECT_EQ(e.questions, (std::vector<std::string>{"BRD         ", "X           "}));
  ASSERT_EQ(e.links.size(), 2u);
  EXPECT_EQ(e.links[1].position, 2);
  const auto field = [&](size_t r, const char* name) {
    return TrimRight(e.records[r][static_cast<size_t>(t->FieldNumber(name) - 1)]);
  };
  EXPECT_EQ(field(0, "FIRMA"), "Meier");
  EXPECT_EQ(field(0, "PLZ"), "12345");
  EXPECT_EQ(field(0, "ORT"), "Berlin");
  EXPECT_EQ(field(0, "LAND"), "DEUTSCHLAND");
  EXPECT_EQ(field(0, "KUNDEN_NR"), "  120000");
  EXPECT_EQ(field(0, "SP3"), "030123");
  EXPECT_EQ(field(0, "BEMERKUNG"), "12.50 DB; Meier");
  EXPECT_EQ(e.records[0][static_cast<size_t>(t->FieldNumber("NOTIZ") - 1)],
            "UMSATZ:\t12.50 DB\r\n");
  EXPECT_EQ(field(1, "FIRMA"), "Huber");
  EXPECT_EQ(field(1, "PLZ"), "Bad");
  EXPECT_EQ(field(1, "ORT"), "Homburg");
  EXPECT_EQ(field(1, "LAND"), "DEUTSCHLAND");
  EXPECT_EQ(field(1, "KUNDEN_NR"), "  130000");  // prefix "Ba" has the value 0
  EXPECT_EQ(field(1, "FSORT"), "HUBER");
  EXPECT_EQ(field(1, "BEMERKUNG"), "0.00");
  EXPECT_EQ(field(2, "FIRMA"), "  Zorn");
  EXPECT_EQ(field(2, "FSORT"), "ZORN");
  EXPECT_EQ(field(2, "LAND"), "DEUTSCHLAND");  // "brd" follows the link made for "BRD"
  EXPECT_EQ(field(2, "KUNDEN_NR"), "  120000");
  EXPECT_EQ(field(3, "LAND"), "\x99STERREICH");
  EXPECT_EQ(field(3, "ORT"), "Graz");
  EXPECT_EQ(field(3, "KUNDEN_NR"), "  120000");  // "A" country without PLZ2: nothing at all
  EXPECT_EQ(field(3, "ANLDAT"), "20250115");
  std::remove(src.c_str());
  std::remove(land.c_str());
  std::remove(tpl.c_str());
}

}  // namespace
}  // namespace tabrix::e2e
