// The shared text helpers: ASCII upper case, file name parts and the shown date.

#include "data/base/text.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

TEST(AsciiUpper, OnlyTheAsciiLettersChange) {
  struct Case {
    std::string in, out;
  };
  const Case cases[] = {
      {"kunden.dbf", "KUNDEN.DBF"},
      {"dbfCdx", "DBFCDX"},
      {"az AZ @[`{", "AZ AZ @[`{"},          // the neighbours of both letter ranges stay
      {"m\x81ller \x84", "M\x81LLER \x84"},  // code page 850 letters are never touched
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AsciiUpper(c.in), c.out) << c.in;
    for (size_t i = 0; i < c.in.size(); ++i) EXPECT_EQ(AsciiUpper(c.in[i]), c.out[i]) << c.in;
  }
}

TEST(FileNameParts, NameWithoutFolderAndExtension) {
  struct Case {
    std::string path, name, stem, extension;
    bool hasExtension;
  };
  const Case cases[] = {
      {"C:\\KUNDEN\\ADRESSEN.DBF", "ADRESSEN.DBF", "C:\\KUNDEN\\ADRESSEN", "DBF", true},
      {"/tmp/x/kunden.dbf", "kunden.dbf", "/tmp/x/kunden", "dbf", true},
      {"C:\\KUNDEN\\ADR.2024.DBF", "ADR.2024.DBF", "C:\\KUNDEN\\ADR.2024", "DBF", true},
      {"C:\\DATEN.2024\\KUNDEN", "KUNDEN", "C:\\DATEN.2024\\KUNDEN", "", false},
      {"C:KUNDEN.DBF", "KUNDEN.DBF", "C:KUNDEN", "DBF", true},
      {"KUNDEN.", "KUNDEN.", "KUNDEN", "", true},
      {".\\KUNDEN", "KUNDEN", ".\\KUNDEN", "", false},
      {"C:\\KUNDEN\\", "", "C:\\KUNDEN\\", "", false},
      {"", "", "", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FileNamePart(c.path), c.name);
    EXPECT_EQ(WithoutExtension(c.path), c.stem);
    EXPECT_EQ(ExtensionOf(c.path), c.extension);
    EXPECT_EQ(HasExtension(c.path), c.hasExtension);
  }
}

TEST(DateText, DayMonthYearWithLeadingZeros) {
  struct Case {
    Date date;
    std::string text;
  };
  const Case cases[] = {
      {{2024, 1, 15}, "15.01.2024"},  {{1999, 12, 31}, "31.12.1999"},
      {{800, 3, 4}, "04.03.0800"},    {{}, "  .  .    "},
      {{12345, 1, 1}, "01.01.12345"},
  };
  for (const Case& c : cases) EXPECT_EQ(DateText(c.date), c.text);
}

}  // namespace
}  // namespace tabrix
