#include "converter/file_names.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

TEST(Surchcharr, FindsFromTheRight) {
  struct Case {
    std::string s;
    char c;
    int mode0, mode1;
  };
  const Case cases[] = {
      {"ABC", '.', 0, 4}, {"A.B.C", '.', 4, 4}, {".ABC", '.', 1, 1},     {"ABC.", '.', 4, 4},
      {".", '.', 1, 1},   {"", '.', 0, 1},      {"a\\b\\c", '\\', 4, 4},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SURCHCHARR(c.s, c.c, 0), c.mode0) << c.s;
    EXPECT_EQ(SURCHCHARR(c.s, c.c, 1), c.mode1) << c.s;
  }
}

TEST(SourceBaseName, FileNameWithoutFolderAndExtension) {
  struct Case {
    std::string path, base;
  };
  const Case cases[] = {
      {"C:\\KUNDEN\\ADRESSEN.DBF", "ADRESSEN"},
      {"c:\\kunden\\Adressen.dbf", "Adressen"},
      {"C:\\KUNDEN\\ADRESSEN", "ADRESSEN"},
      {"C:\\KUNDEN\\ADR.2024.DBF", "ADR.2024"},
      {"C:\\DATEN.2024\\KUNDEN", "KUNDEN"},  // a folder's "." is no extension
      {"ADRESSEN.DBF", "ADRESSEN"},
      {"\\\\server\\share\\A.DBF", "A"},
      {"C:\\KUNDEN\\", ""},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(SourceBaseName(c.path), c.base) << c.path;
}

}  // namespace
}  // namespace tabrix
