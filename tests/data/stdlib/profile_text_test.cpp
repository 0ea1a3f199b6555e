// Profile (INI) text rules of the native build.

#include "data/stdlib/profile_text.h"

#include <gtest/gtest.h>

namespace tabrix {
namespace {

TEST(ProfileText, ReadsByTheProfileRules) {
  const std::string ini =
      "; Kommentar\r\n"
      "[Directory]\r\n"
      "SysDir = C:\\VELARTO\\ \r\n"
      "Quoted=\"  a b  \"\r\n"
      "Single='x'\r\n"
      "Half=\"x\r\n"
      "NoEquals\r\n"
      ";Hidden=1\r\n"
      "Dup=first\r\n"
      "Dup=second\r\n"
      "[Fenster]\n"
      "Main=1,2,3,4\n"
      "[directory]\r\n"
      "Late=1\r\n";
  struct Case {
    const char* section;
    const char* key;
    std::optional<std::string> want;
  } cases[] = {
      {"Directory", "SysDir", "C:\\VELARTO\\"},
      {"DIRECTORY", "sysdir", "C:\\VELARTO\\"},
      {"Directory", "Quoted", "  a b  "},
      {"Directory", "Single", "x"},
      {"Directory", "Half", "\"x"},
      {"Directory", "NoEquals", std::nullopt},
      {"Directory", "Hidden", std::nullopt},
      {"Directory", ";Hidden", std::nullopt},
      {"Directory", "Dup", "first"},
      {"Directory", "Main", std::nullopt},  // another section's key
      {"Fenster", "Main", "1,2,3,4"},       // LF-only lines
      {"Directory", "Late", std::nullopt},  // only the first section of a name counts
      {"Missing", "SysDir", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ReadProfileValue(ini, c.section, c.key), c.want) << c.section << "/" << c.key;
  }
}

TEST(ProfileText, WritesReplaceAppendOrCreate) {
  struct Case {
    const char* what;
    const char* before;
    const char* section;
    const char* key;
    const char* value;
    const char* after;
  } cases[] = {
      {"empty file", "", "Tabrix", "LASTPATH", "C:\\", "[Tabrix]\r\nLASTPATH=C:\\\r\n"},
      {"replace, other case", "[Tabrix]\r\nlastpath=old\r\nX=1\r\n", "TABRIX", "LASTPATH", "new",
       "[Tabrix]\r\nLASTPATH=new\r\nX=1\r\n"},
      {"append after the section's last key", "[A]\r\nK=1\r\n\r\n[B]\r\nL=2\r\n", "A", "M", "3",
       "[A]\r\nK=1\r\nM=3\r\n\r\n[B]\r\nL=2\r\n"},
      {"new section at the end", "[A]\r\nK=1", "B", "L", "2", "[A]\r\nK=1\r\n\r\n[B]\r\nL=2\r\n"},
      {"empty value", "[A]\r\nK=1\r\n", "A", "K", "", "[A]\r\nK=\r\n"},
  };
  for (const Case& c : cases) {
    std::string after = WriteProfileValue(c.before, c.section, c.key, c.value);
    EXPECT_EQ(after, c.after) << c.what;
    EXPECT_EQ(ReadProfileValue(after, c.section, c.key), std::string(c.value)) << c.what;
  }
}

}  // namespace
}  // namespace tabrix
