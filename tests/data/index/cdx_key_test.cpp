// Key bytes of CDX tags (values known from files FoxPro wrote) and the compact leaf coding
// (the constructed leaf of the format notes, byte for byte).

#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "data/index/cdx_test_util.h"

namespace tabrix {
namespace {

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    out += buf;
  }
  if (!out.empty()) out.pop_back();
  return out;
}

struct KeyCase {
  const char* what;
  KeyKind kind;
  int keyLength;
  bool nullable;
  Value value;
  bool partial;
  const char* hex;  // nullptr: refused
};

TEST(CdxKey, EncodingsOfEachKind) {
  const KeyCase cases[] = {
      {"double 1.0", KeyKind::kNumeric, 8, false, 1.0, false, "BF F0 00 00 00 00 00 00"},
      {"Decimal -1", KeyKind::kNumeric, 8, false, Decimal::FromInt(-1), false,
       "40 0F FF FF FF FF FF FF"},
      {"negative zero as zero", KeyKind::kNumeric, 8, false, -0.0, false,
       "80 00 00 00 00 00 00 00"},
      {"NaN refused", KeyKind::kNumeric, 8, false, std::nan(""), false, nullptr},
      {"integer 1", KeyKind::kNumeric, 4, false, int32_t{1}, false, "80 00 00 01"},
      {"integer 0", KeyKind::kNumeric, 4, false, int32_t{0}, false, "80 00 00 00"},
      {"integer -1", KeyKind::kNumeric, 4, false, int32_t{-1}, false, "7F FF FF FF"},
      {"integer largest", KeyKind::kNumeric, 4, false, 2147483647.0, false, "FF FF FF FF"},
      {"integer one past largest", KeyKind::kNumeric, 4, false, 2147483648.0, false, nullptr},
      {"integer smallest", KeyKind::kNumeric, 4, false, -2147483648.0, false, "00 00 00 00"},
      {"integer one below smallest", KeyKind::kNumeric, 4, false, -2147483649.0, false, nullptr},
      {"integer key of a fraction", KeyKind::kNumeric, 4, false, 1.5, false, nullptr},
      {"numeric of 5 bytes", KeyKind::kNumeric, 5, false, 1.0, false, nullptr},
      {"nullable integer", KeyKind::kNumeric, 5, true, int32_t{1}, false, "80 80 00 00 01"},
      {"date 1995-01-31", KeyKind::kDate, 8, false, Date{1995, 1, 31}, false,
       "C1 42 B0 AA 80 00 00 00"},
      {"date 2000-01-01", KeyKind::kDate, 8, false, Date{2000, 1, 1}, false,
       "C1 42 B4 2C 80 00 00 00"},
      {"empty date", KeyKind::kDate, 8, false, Date{}, false, "80 00 00 00 00 00 00 00"},
      {"date-time midnight", KeyKind::kDateTime, 8, false, DateTime{{1995, 1, 31}, 0}, false,
       "C1 42 B0 AA 80 00 00 00"},
      {"date-time noon", KeyKind::kDateTime, 8, false, DateTime{{1995, 1, 31}, 43200000}, false,
       "C1 42 B0 AA C0 00 00 00"},
      {"date for a date-time key", KeyKind::kDateTime, 8, false, Date{1995, 1, 31}, false,
       "C1 42 B0 AA 80 00 00 00"},
      {"text for a date key", KeyKind::kDate, 8, false, std::string("19950131"), false, nullptr},
      {"logical true", KeyKind::kLogical, 1, false, true, false, "54"},
      {"nullable logical", KeyKind::kLogical, 2, true, false, false, "80 46"},
      {"text padded", KeyKind::kCharacter, 4, false, std::string("AB"), false, "41 42 20 20"},
      {"text cut", KeyKind::kCharacter, 2, false, std::string("ABC"), false, "41 42"},
      {"partial text keeps its length", KeyKind::kCharacter, 4, false, std::string("AB"), true,
       "41 42"},
      {"partial text cut to the key", KeyKind::kCharacter, 2, false, std::string("ABC"), true,
       "41 42"},
      {"nullable text", KeyKind::kCharacter, 4, true, std::string("A"), false, "80 41 20 20"},
      {"null text", KeyKind::kCharacter, 4, true, Null{}, false, "00 20 20 20"},
      {"null number", KeyKind::kNumeric, 9, true, Null{}, false, "00 00 00 00 00 00 00 00 00"},
      {"null without prefix", KeyKind::kCharacter, 4, false, Null{}, false, nullptr},
      {"number for a text key", KeyKind::kCharacter, 4, false, 1.0, false, nullptr},
  };
  for (const KeyCase& c : cases) {
    SCOPED_TRACE(c.what);
    std::string key, error;
    bool ok = EncodeCdxKey(c.kind, c.keyLength, c.nullable, c.value, c.partial, &key, &error);
    ASSERT_EQ(ok, c.hex != nullptr) << error;
    if (ok) {
      EXPECT_EQ(Hex(key), c.hex);
    } else {
      EXPECT_FALSE(error.empty());
    }
  }
}

// Bytes compare as the values do, across signs, magnitudes and the calendar.
TEST(CdxKey, ByteOrderFollowsValueOrder) {
  std::mt19937_64 rng(5);
  std::vector<double> numbers = {-1e300, -1, -1e-300, 0, 1e-300, 1, 1e300, 0.1, -0.1};
  for (int i = 0; i < 2000; ++i) {
    double d;
    uint64_t bits = rng();
    std::memcpy(&d, &bits, sizeof d);
    if (!std::isnan(d)) numbers.push_back(d);
  }
  std::vector<std::pair<double, std::string>> keyed;
  for (double d : numbers) {
    std::string key, error;
    ASSERT_TRUE(EncodeCdxKey(KeyKind::kNumeric, 8, false, d, false, &key, &error));
    keyed.emplace_back(d, key);
  }
  std::sort(keyed.begin(), keyed.end(), [](auto& a, auto& b) { return a.second < b.second; });
  for (size_t i = 1; i < keyed.size(); ++i) EXPECT_LE(keyed[i - 1].first, keyed[i].first);

  EXPECT_EQ(JulianDayFromDate({2000, 1, 1}), 2451545);
  EXPECT_EQ(JulianDayFromDate({1, 1, 1}), 1721426);
  EXPECT_EQ(JulianDayFromDate({2000, 3, 1}) - JulianDayFromDate({2000, 2, 28}), 2);  // leap day
  EXPECT_EQ(JulianDayFromDate({1900, 3, 1}) - JulianDayFromDate({1900, 2, 28}), 1);  // no leap day
}

// The constructed leaf of the format notes: K = 10, keys MEIER (7), MEIERHOF (3), MUELLER (12),
// written with this program's widths (B = 3, RB = 16), and the notes' own B = 2 bytes read back.
TEST(CdxLeaf, CodingOfAConstructedLeaf) {
  CdxNode node;
  node.keyLength = 10;
  node.attributes = kCdxNodeRoot | kCdxNodeLeaf;
  for (auto [k, r] : {std::pair{"MEIER", 7u}, {"MEIERHOF", 3u}, {"MUELLER", 12u}}) {
    node.keys += testing::CharKey(k, 10);
    node.records.push_back(r);
  }
  std::array<uint8_t, kCdxPageSize> page;
  ASSERT_TRUE(EncodeCdxNode(node, ' ', page));
  const uint8_t header[] = {3,
                            0,
                            3,
                            0,
                            0xFF,
                            0xFF,
                            0xFF,
                            0xFF,
                            0xFF,
                            0xFF,
                            0xFF,
                            0xFF,
                            (488 - 9 - 14) & 0xFF,
                            (488 - 9 - 14) >> 8,
                            0xFF,
                            0xFF,
                            0,
                            0,
                            0x0F,
                            0x0F,
                            16,
                            4,
                            4,
                            3};
  EXPECT_EQ(0, std::memcmp(page.data(), header, sizeof header))
      << Hex(std::string(reinterpret_cast<const char*>(page.data()), 24));
  const uint8_t entries[] = {0x07, 0x00, 0x50, 0x03, 0x00, 0x25, 0x0C, 0x00, 0x31};
  EXPECT_EQ(0, std::memcmp(page.data() + 24, entries, sizeof entries));
  EXPECT_EQ(0, std::memcmp(page.data() + 512 - 14, "UELLERHOFMEIER", 14));

  // The notes' bytes: B = 2, RB = 8.
  std::array<uint8_t, kCdxPageSize> theirs{};
  const uint8_t theirHeader[] = {3,    0,    3,    0,    0xFF,       0xFF,     0xFF, 0xFF,
                                 0xFF, 0xFF, 0xFF, 0xFF, 468 & 0xFF, 468 >> 8, 0xFF, 0,
                                 0,    0,    0x0F, 0x0F, 8,          4,        4,    2};
  std::memcpy(theirs.data(), theirHeader, sizeof theirHeader);
  const uint8_t theirEntries[] = {0x07, 0x50, 0x03, 0x25, 0x0C, 0x31};
  std::memcpy(theirs.data() + 24, theirEntries, sizeof theirEntries);
  std::memcpy(theirs.data() + 512 - 14, "UELLERHOFMEIER", 14);
  Result<CdxNode> decoded = DecodeCdxNode(theirs, 0, 10, ' ', "t.cdx");
  ASSERT_TRUE(decoded.ok()) << decoded.error().ToString();
  EXPECT_EQ(decoded.value().keys, node.keys);
  EXPECT_EQ(decoded.value().records, node.records);
}

// Damage inside one page: each gives a corruption naming the page, never a key.
TEST(CdxLeaf, DamagedPagesAreRefused) {
  CdxNode node;
  node.keyLength = 10;
  node.attributes = kCdxNodeLeaf;
  for (auto [k, r] : {std::pair{"AB", 1u}, {"AC", 2u}}) {
    node.keys += testing::CharKey(k, 10);
    node.records.push_back(r);
  }
  std::array<uint8_t, kCdxPageSize> good;
  ASSERT_TRUE(EncodeCdxNode(node, ' ', good));
  struct Case {
    const char* what;
    size_t at;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"count past the page: 162 entries of 3 bytes fill it", 2, {163, 0}},
      {"entry width 9 bytes", 23, {9}},
      {"widths wider than the entry", 20, {17}},
      {"mask not matching the width", 14, {0x7F}},
      {"trail count past the key", 26, {0xB0}},   // entry 0: trail 11
      {"first entry sharing bytes", 26, {0x11}},  // entry 0: dup 1
      {"stored bytes into the entries", 2, {150, 0}},
      {"interior count past the page", 0, {0, 0, 28, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::array<uint8_t, kCdxPageSize> page = good;
    std::copy(c.bytes.begin(), c.bytes.end(), page.begin() + static_cast<ptrdiff_t>(c.at));
    Result<CdxNode> r = DecodeCdxNode(page, 4096, 10, ' ', "d.cdx");
    ASSERT_FALSE(r.ok());
    EXPECT_GE(r.error().offset, 4096u);
  }
  // Entries out of order: equal keys with falling records, encoded as given.
  CdxNode unordered = node;
  unordered.keys = testing::CharKey("AB", 10) + testing::CharKey("AB", 10);
  unordered.records = {2, 1};
  std::array<uint8_t, kCdxPageSize> bad;
  ASSERT_TRUE(EncodeCdxNode(unordered, ' ', bad));
  EXPECT_FALSE(DecodeCdxNode(bad, 4096, 10, ' ', "d.cdx").ok());
  // The limit itself: 162 entries of 3 bytes and no stored bytes fill the page exactly.
  CdxNode full;
  full.keyLength = 1;
  full.attributes = kCdxNodeLeaf;
  for (uint32_t r = 1; r <= 162; ++r) {
    full.keys += ' ';
    full.records.push_back(r);
  }
  std::array<uint8_t, kCdxPageSize> page;
  ASSERT_TRUE(EncodeCdxNode(full, ' ', page));
  EXPECT_TRUE(DecodeCdxNode(page, 0, 1, ' ', "f.cdx").ok());
  full.keys += ' ';
  full.records.push_back(163);
  EXPECT_FALSE(EncodeCdxNode(full, ' ', page));
}

}  // namespace
}  // namespace tabrix
