#include "data/base/codepage.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

// Characters present in both code pages, with their bytes taken from the published charts.
struct SharedCharacter {
  const char* name;
  unsigned char oem;
  unsigned char ansi;
};

constexpr SharedCharacter kShared[] = {
    {"a umlaut", 0x84, 0xE4},  {"o umlaut", 0x94, 0xF6},    {"u umlaut", 0x81, 0xFC},
    {"A umlaut", 0x8E, 0xC4},  {"O umlaut", 0x99, 0xD6},    {"U umlaut", 0x9A, 0xDC},
    {"sharp s", 0xE1, 0xDF},   {"e acute", 0x82, 0xE9},     {"E acute", 0x90, 0xC9},
    {"C cedilla", 0x80, 0xC7}, {"section", 0xF5, 0xA7},     {"pound", 0x9C, 0xA3},
    {"micro", 0xE6, 0xB5},     {"degree", 0xF8, 0xB0},      {"one half", 0xAB, 0xBD},
    {"nbsp", 0xFF, 0xA0},      {"y diaeresis", 0x98, 0xFF}, {"f hook", 0x9F, 0x83},
};

TEST(CodePage, SharedCharactersMapBothWays) {
  for (const SharedCharacter& c : kShared) {
    EXPECT_EQ(Oem850ToAnsi1252(c.oem), c.ansi) << c.name;
    EXPECT_EQ(Ansi1252ToOem850(c.ansi), c.oem) << c.name;
  }
}

TEST(CodePage, AsciiIsUnchanged) {
  for (int b = 0; b < 0x80; ++b) {
    EXPECT_EQ(Oem850ToAnsi1252(static_cast<unsigned char>(b)), b);
    EXPECT_EQ(Ansi1252ToOem850(static_cast<unsigned char>(b)), b);
  }
}

// Whenever a byte maps onto a character of the other code page (not a plain fallback), the
// way back gives the original byte: no two bytes share a non-ASCII counterpart.
TEST(CodePage, EveryNonAsciiMappingIsReversible) {
  for (int b = 0x80; b < 0x100; ++b) {
    auto byte = static_cast<unsigned char>(b);
    unsigned char ansi = Oem850ToAnsi1252(byte);
    if (ansi >= 0x80) {
      EXPECT_EQ(Ansi1252ToOem850(ansi), byte) << "oem byte " << b;
    }
    unsigned char oem = Ansi1252ToOem850(byte);
    if (oem >= 0x80) {
      EXPECT_EQ(Oem850ToAnsi1252(oem), byte) << "ansi byte " << b;
    }
  }
}

struct FallbackCase {
  const char* name;
  bool fromOem;
  unsigned char in;
  unsigned char out;
};

TEST(CodePage, CharactersWithoutCounterpartGetTheDocumentedFallback) {
  constexpr FallbackCase kCases[] = {
      {"box horizontal", true, 0xC4, '-'},
      {"box vertical", true, 0xB3, '|'},
      {"box double horizontal", true, 0xCD, '='},
      {"box cross", true, 0xC5, '+'},
      {"box corner", true, 0xDA, '+'},
      {"full block", true, 0xDB, '#'},
      {"light shade", true, 0xB0, '#'},
      {"double low line", true, 0xF2, '_'},
      {"euro (858)", true, 0xD5, 0x80},
      {"euro", false, 0x80, 0xD5},
      {"low quote", false, 0x84, '"'},
      {"left quote", false, 0x93, '"'},
      {"en dash", false, 0x96, '-'},
      {"S caron", false, 0x8A, 'S'},
      {"bullet", false, 0x95, '*'},
      {"undefined 0x81", false, 0x81, '?'},
      {"undefined 0x9D", false, 0x9D, '?'},
  };
  for (const FallbackCase& c : kCases) {
    unsigned char got = c.fromOem ? Oem850ToAnsi1252(c.in) : Ansi1252ToOem850(c.in);
    EXPECT_EQ(got, c.out) << c.name;
  }
}

TEST(CodePage, GermanAlphabetRoundTrip) {
  // Every letter of the German alphabet, in Windows-1252.
  const std::string alphabetAnsi =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\xC4\xD6\xDC\xE4\xF6\xFC\xDF";
  const std::string alphabetOem =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz\x8E\x99\x9A\x84\x94\x81\xE1";
  EXPECT_EQ(Ansi1252ToOem850(alphabetAnsi), alphabetOem);
  EXPECT_EQ(Oem850ToAnsi1252(alphabetOem), alphabetAnsi);
  EXPECT_EQ(Oem850ToAnsi1252(Ansi1252ToOem850(alphabetAnsi)), alphabetAnsi);
  EXPECT_EQ(OemEuroToAnsi(AnsiEuroToOem(alphabetAnsi)), alphabetAnsi);
}

TEST(CodePage, LiteralsReachTheProgramAsWindows1252) {
  // Window texts are written with umlauts in the sources; they must be single 1252 bytes.
  EXPECT_EQ(std::string("ü"), "\xFC");
  EXPECT_EQ(std::string("ß"), "\xDF");
}

TEST(CodePage, EuroVariantsKeepByte0x80) {
  EXPECT_EQ(OemEuroToAnsi("12\x80 \x84"), "12\x80 \xE4");
  EXPECT_EQ(AnsiEuroToOem("12\x80 \xE4"), "12\x80 \x84");
  // The plain conversions treat 0x80 as the characters of their code pages.
  EXPECT_EQ(Oem850ToAnsi1252("\x80"), "\xC7");
  EXPECT_EQ(Ansi1252ToOem850("\x80"), "\xD5");
  // Every other byte converts as in the plain functions.
  for (int b = 0; b < 0x100; ++b) {
    if (b == 0x80) continue;
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(OemEuroToAnsi(one), Oem850ToAnsi1252(one)) << b;
    EXPECT_EQ(AnsiEuroToOem(one), Ansi1252ToOem850(one)) << b;
  }
}

TEST(CodePage, GermanUpperCase) {
  struct Case {
    const char* in;
    const char* out;
  };
  constexpr Case kCases[] = {
      {"m\x81ller", "M\x9ALLER"},            // müller -> MÜLLER
      {"\x84pfel \x94l", "\x8EPFEL \x99L"},  // äpfel öl -> ÄPFEL ÖL
      {"stra\xE1"
       "e",
       "STRA\xE1"
       "E"},                       // straße -> STRAßE: ß stays
      {"\x82t\x82", "\x82T\x82"},  // é is not a German letter: unchanged
      {"ABC 123 \x8E\x99\x9A", "ABC 123 \x8E\x99\x9A"},
      {"", ""},
  };
  for (const Case& c : kCases) EXPECT_EQ(UpperGerman850(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace tabrix
