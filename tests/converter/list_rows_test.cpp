#include "converter/list_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tabrix {
namespace {

const std::vector<FieldDescription> kSource{{"A", 'C', 254, 0},      {"B", 'C', 10, 0},
                                            {"MEMO", 'M', 36398, 0}, {"C", 'C', 34, 0},
                                            {"KDNAME", 'C', 60, 0},  {"D", 'C', 48, 0}};

TEST(StringNtz, ShowsFreeShareAndFields) {
  struct Case {
    const char* what;
    std::vector<int> fields;
    std::string row;
  };
  // MEMO alone costs 36400: 3600 free = 9 %; with C (36) 3564 free = 8.91 %.
  const Case cases[] = {
      {"no field", {}, "Notizen\t100% frei"},
      {"99.33 % capped at 99", {1, 2}, "Notizen\t99% frei <- A; B"},
      {"a tiny field still caps at 99", {2}, "Notizen\t99% frei <- B"},
      {"9 %", {3}, "Notizen\t9% frei <- MEMO"},
      {"8.91 % rounds to 9", {3, 4}, "Notizen\t9% frei <- MEMO; C"},
      {"list order", {2, 1}, "Notizen\t99% frei <- B; A"},
      {"full", {3, 3}, "Notizen\t0% frei <- MEMO; MEMO"},
  };
  for (const Case& c : cases) EXPECT_EQ(STRINGNTZ(c.fields, kSource), c.row) << c.what;

  const std::vector<FieldDescription> rounding{{"X", 'M', 36158, 0}, {"Y", 'M', 36198, 0}};
  const std::vector<int> x{1}, y{2};
  EXPECT_EQ(STRINGNTZ(x, rounding), "Notizen\t10% frei <- X");  // 3840 free, 9.6 %
  EXPECT_EQ(STRINGNTZ(y, rounding), "Notizen\t10% frei <- Y");  // 3800 free, 9.5 % half up
}

TEST(StringBem, ShowsCharactersLeftAndFields) {
  struct Case {
    const char* what;
    std::vector<int> fields;
    std::string row;
  };
  const Case cases[] = {
      {"no field", {}, "Bemerkung\t50 Zeichen frei"},
      {"one field", {2}, "Bemerkung\t38 Zeichen frei  <- B"},
      {"two fields", {2, 2}, "Bemerkung\t26 Zeichen frei  <- B; B"},
      {"over budget shows 0", {5}, "Bemerkung\t0 Zeichen frei  <- KDNAME"},
  };
  for (const Case& c : cases) EXPECT_EQ(STRINGBEM(c.fields, kSource), c.row) << c.what;
}

TEST(SourceRows, NameAndLengthAndRowMap) {
  std::vector<int> rowMap;
  EXPECT_EQ(FILLSTRING(kSource[4], rowMap), "KDNAME\t\t60");
  EXPECT_EQ(FILLSTRING(kSource[2], rowMap), "MEMO\t\t36398");
  EXPECT_EQ(rowMap, (std::vector<int>{1, 2}));
  EXPECT_EQ(MAKESTRING(kSource[1]), "B\t\t10");
}

TEST(SlotRows, FreeAssignedAndPostalCode) {
  std::vector<FieldDescription> target(30, FieldDescription{"X", 'C', 1, 0});
  target[1] = {"FIRMA", 'C', 40, 0};
  target[3] = {"PLZ", 'C', 10, 0};
  std::vector<int> assignment(50, 0);
  assignment[1] = 5;  // Name <- KDNAME
  assignment[3] = 2;  // PLZ <- B
  assignment[6] = 9;  // an entry naming no source field
  SlotRowContext context{false, assignment, target, kSource};

  struct Case {
    const char* what;
    bool postalFromCity;
    int targetField;
    std::string label, row;
  };
  const Case cases[] = {
      {"assigned", false, 2, "Name", "Name\t      <-\t\tKDNAME"},
      {"free", false, 25, "Name2", "Name2\t\t1"},
      {"postal code assigned", false, 4, "PLZ", "PLZ\t      <-\t\tB"},
      {"postal code from city", true, 4, "PLZ", "PLZ\t    aus Ortsnamen"},
      {"option affects only the postal code", true, 2, "Name", "Name\t      <-\t\tKDNAME"},
      {"entry naming no field shows free", false, 7,
       "Stra\xDF"
       "e",
       "Stra\xDF"
       "e\t\t1"},
      {"target field beyond the structure", false, 45, "X", "X\t\t0"},
  };
  for (const Case& c : cases) {
    context.postalCodeFromCity = c.postalFromCity;
    EXPECT_EQ(MAKESTRQZ(c.targetField, c.label, context), c.row) << c.what;
  }

  context.postalCodeFromCity = false;
  std::vector<int> rowMap;
  EXPECT_EQ(FILLQZ(25, "Name2", context, rowMap), "Name2\t\t1");
  EXPECT_EQ(FILLQZ(2, "Name", context, rowMap), "Name\t      <-\t\tKDNAME");
  EXPECT_EQ(rowMap, (std::vector<int>{25, 2}));
}

}  // namespace
}  // namespace tabrix
