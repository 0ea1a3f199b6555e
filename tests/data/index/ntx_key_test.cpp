// Key forms and the collation of NTX keys.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

#include "data/index/ntx_key.h"

namespace tabrix {
namespace {

Decimal Dec(const char* text) {
  return Decimal::FromText(text).value();
}

TEST(NtxKey, GermanLettersSortRightAfterTheirBaseLetter) {
  struct Case {
    const char* a;
    const char* b;
    int expected;
  };
  const Case cases[] = {
      {"a", "\x84", -1},
      {"\x84", "b", -1},
      {"\x84", "\x84", 0},
      {"\x84"
       "a",
       "az", 1},
      {"ab",
       "\x84"
       "a",
       -1},
      {"A", "\x8E", -1},
      {"\x8E", "B", -1},
      {"\x8E", "a", -1},
      {"s", "\xE1", -1},
      {"\xE1", "t", -1},
      {"o", "\x94", -1},
      {"\x99", "P", -1},
      {"u", "\x81", -1},
      {"\x9A", "V", -1},
      {"z", "\x85", -1},
      {"Stra\xE1"
       "e",
       "Strass", 1},
      {"Stra\xE1"
       "e",
       "Strate", -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.a) + " / " + c.b);
    const std::string a = c.a, b = c.b;
    ASSERT_EQ(a.size(), b.size());
    EXPECT_EQ(NtxCompareKeys(a, b, a.size()), c.expected);
    EXPECT_EQ(NtxCompareKeys(b, a, a.size()), -c.expected);
  }
  EXPECT_EQ(NtxCompareKeys("abX", "abY", 2), 0);
  EXPECT_EQ(NtxCompareKeys("abX", "abY", 3), -1);
}

TEST(NtxKey, AllBytesSortAsBytesWithEachSpecialLetterBehindItsBase) {
  std::vector<int> bytes(256);
  std::iota(bytes.begin(), bytes.end(), 0);
  std::sort(bytes.begin(), bytes.end(), [](int x, int y) {
    const char a = static_cast<char>(x), b = static_cast<char>(y);
    return NtxCompareKeys(std::string_view(&a, 1), std::string_view(&b, 1), 1) < 0;
  });
  const std::pair<int, int> specials[] = {{0x84, 'a'}, {0x94, 'o'}, {0x81, 'u'}, {0x8E, 'A'},
                                          {0x99, 'O'}, {0x9A, 'U'}, {0xE1, 's'}};
  std::vector<int> plain;
  for (int b : bytes) {
    bool special =
        std::any_of(std::begin(specials), std::end(specials), [b](auto p) { return p.first == b; });
    if (!special) plain.push_back(b);
  }
  EXPECT_TRUE(std::is_sorted(plain.begin(), plain.end()));
  for (auto [letter, base] : specials) {
    auto at = std::find(bytes.begin(), bytes.end(), base);
    ASSERT_NE(at + 1, bytes.end());
    EXPECT_EQ(*(at + 1), letter);
  }
}

TEST(NtxKey, NumericKeysAreZeroPaddedTextNegativesMirrored) {
  struct Case {
    const char* value;
    int length;
    int decimals;
    const char* key;  // nullptr: does not fit
  };
  const Case cases[] = {
      {"12.5", 6, 2, "012.50"},   {"0", 4, 0, "0000"},         {"5", 4, 0, "0005"},
      {"-5", 4, 0, ",,,'"},       {"-12.5", 6, 2, ",+*.',"},   {"0.125", 6, 2, "000.13"},
      {"-0.001", 6, 2, "000.00"}, {"999.99", 6, 2, "999.99"},  {"999.995", 6, 2, nullptr},
      {"1000", 6, 2, nullptr},    {"-999.99", 6, 2, "###.##"}, {"9999", 4, 0, "9999"},
      {"10000", 4, 0, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    std::string key;
    ASSERT_EQ(NtxNumericKey(Dec(c.value), c.length, c.decimals, &key), c.key != nullptr);
    if (c.key) {
      EXPECT_EQ(key, c.key);
    }
  }
}

TEST(NtxKey, NumericKeysSortLikeTheirNumbers) {
  const char* ascending[] = {"-999.99", "-100", "-12.5", "-5",   "-0.5", "-0.01", "0",
                             "0.01",    "0.5",  "5",     "12.5", "100",  "999.99"};
  std::string previous;
  for (const char* v : ascending) {
    SCOPED_TRACE(v);
    std::string key;
    ASSERT_TRUE(NtxNumericKey(Dec(v), 6, 2, &key));
    if (!previous.empty()) {
      EXPECT_LT(NtxCompareKeys(previous, key, 6), 0) << previous;
    }
    previous = key;
  }
}

TEST(NtxKey, NormStrFollowsTheTextItIsGiven) {
  struct Case {
    const char* text;
    int length;
    int decimals;
    const char* key;
  };
  const Case cases[] = {
      {"5", 4, 0, "0005"},
      // Only as many bytes as the text is long are mirrored.
      {"-5", 4, 0, ",,05"},
      {"        -5", 4, 0, ",,,'"},
      {"12.5", 6, 2, "012.50"},
      {"-12.5", 8, 2, ",,,+*.50"},
      {"  -12.50", 8, 2, ",,,+*.',"},
      {"7", 6, 2, "007.00"},
      {"3.14159", 6, 2, "003.14"},
      {"1234567", 4, 0, "4567"},
      {"", 4, 0, "0000"},
      {"12.5", 4, 0, "0012"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(NtxNormStr(c.text, c.length, c.decimals), c.key);
  }
  // -5 before 5 in a key of length 4, whichever text width.
  EXPECT_LT(NtxCompareKeys(NtxNormStr("-5", 4, 0), NtxNormStr("5", 4, 0), 4), 0);
  EXPECT_LT(NtxCompareKeys(NtxNormStr("        -5", 4, 0), NtxNormStr("         5", 4, 0), 4), 0);
}

TEST(NtxKey, NormStrOfTenCharacterTextIsTheStoredForm) {
  // The browse passes numbers as 10-character right-aligned text; for keys of up to 10 bytes
  // that reaches the form the index stores.
  const char* values[] = {"0",    "5",       "-5",       "12.25", "-12.25",
                          "-0.5", "9999.99", "-9999.99", "1",     "-1"};
  for (int length : {4, 8, 10}) {
    for (const char* v : values) {
      SCOPED_TRACE(std::string(v) + " in " + std::to_string(length));
      const int decimals = length >= 8 ? 2 : 0;
      std::string stored;
      if (!NtxNumericKey(Dec(v), length, decimals, &stored)) continue;
      std::string text = Dec(v).MagnitudeText(decimals);
      if (Dec(v).RoundsBelowZero(decimals)) text.insert(0, "-");
      text.insert(0, 10 - text.size(), ' ');
      EXPECT_EQ(NtxNormStr(text, length, decimals), stored);
    }
  }
}

TEST(NtxKey, DateKeysAreEightDigitsOrBlanks) {
  EXPECT_EQ(NtxDateKey({2024, 3, 5}), "20240305");
  EXPECT_EQ(NtxDateKey({999, 12, 31}), "09991231");
  EXPECT_EQ(NtxDateKey({}), "        ");
  EXPECT_LT(NtxCompareKeys(NtxDateKey({}), NtxDateKey({1, 1, 1}), 8), 0);
}

}  // namespace
}  // namespace tabrix
