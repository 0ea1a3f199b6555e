#include "data/index/ntx_key.h"

#include <algorithm>
#include <array>

namespace tabrix {

namespace {

// Sort rank of each byte: 2 * b for a plain byte, 2 * base + 1 for a German letter, which puts
// it right after its base letter and before the next byte value.
constexpr std::array<uint16_t, 256> MakeRanks() {
  std::array<uint16_t, 256> r{};
  for (int b = 0; b < 256; ++b) r[b] = static_cast<uint16_t>(2 * b);
  r[0x84] = 2 * 'a' + 1;
  r[0x94] = 2 * 'o' + 1;
  r[0x81] = 2 * 'u' + 1;
  r[0x8E] = 2 * 'A' + 1;
  r[0x99] = 2 * 'O' + 1;
  r[0x9A] = 2 * 'U' + 1;
  r[0xE1] = 2 * 's' + 1;
  return r;
}

constexpr std::array<uint16_t, 256> kRanks = MakeRanks();

}  // namespace

int NtxCompareKeys(std::string_view a, std::string_view b, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    const uint16_t x = kRanks[static_cast<uint8_t>(a[i])];
    const uint16_t y = kRanks[static_cast<uint8_t>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return 0;
}

bool NtxNumericKey(const Decimal& value, int keyLength, int decimals, std::string* key) {
  if (keyLength <= 0) return false;
  std::string text = value.MagnitudeText(decimals);
  if (text.empty() || text.size() > static_cast<size_t>(keyLength)) return false;
  key->assign(keyLength - text.size(), '0');
  key->append(text);
  if (value.RoundsBelowZero(decimals)) {
    for (char& c : *key) c = static_cast<char>(92 - static_cast<uint8_t>(c));
  }
  return true;
}

std::string NtxDateKey(const Date& date) {
  if (date.empty()) return std::string(8, ' ');
  std::string s(8, '0');
  int v[3] = {date.year, date.month, date.day};
  int width[3] = {4, 2, 2};
  size_t at = 8;
  for (int f = 2; f >= 0; --f) {
    int x = v[f] < 0 ? 0 : v[f];
    for (int i = 0; i < width[f]; ++i) {
      s[--at] = static_cast<char>('0' + x % 10);
      x /= 10;
    }
  }
  return s;
}

std::string NtxNormStr(std::string_view text, int keyLength, int decimals) {
  if (keyLength <= 0) return {};
  const int L = keyLength;
  std::string key(L, '0');
  const size_t dot = text.find('.');
  const std::string_view integer = dot == std::string_view::npos ? text : text.substr(0, dot);
  int integerEnd = L - 1;
  if (decimals > 0) {
    const int point = L - decimals - 1;
    if (point >= 0) key[point] = '.';
    if (dot != std::string_view::npos) {
      int at = L - decimals;
      for (size_t i = dot + 1; i < text.size() && at < L; ++i, ++at) {
        if (at >= 0) key[at] = text[i];
      }
    }
    integerEnd = L - decimals - 2;
  }
  bool negative = false;
  int at = integerEnd;
  for (size_t i = integer.size(); i-- > 0; --at) {
    const char c = integer[i];
    if (c == '-') {
      negative = true;
    } else if (c != ' ' && at >= 0) {
      key[at] = c;
    }
  }
  if (negative) {
    const size_t n = std::min(text.size(), key.size());
    for (size_t i = 0; i < n; ++i) key[i] = static_cast<char>(92 - static_cast<uint8_t>(key[i]));
  }
  return key;
}

}  // namespace tabrix
