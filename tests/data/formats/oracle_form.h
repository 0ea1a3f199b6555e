#pragma once
// The normalised text form in which the independent readers' dumps (scripts/compare_readers.py)
// show field values, applied to the values our decoder returns, so both can be compared
// field by field (dbf_dump, scripts/compare_readers.py, dbf_golden_test.cpp).
//
//   Null                 \N
//   text, memo text      trailing blanks removed; CR, LF, TAB as \r \n \t, other bytes outside
//                        0x20-0x7E as \xHH, '|' and '\' escaped with '\'; over 100 bytes:
//                        <N bytes sha1:first 12 hex digits>
//   numbers              shortest decimal form with 15 significant digits, no trailing zeros;
//                        an exact N/F value (Decimal) too, through its nearest double: the
//                        readers hand out doubles, so the dumps carry no more digits
//   currency             decimal, no trailing zeros
//   date                 YYYY-MM-DD; the empty date \N
//   date and time        YYYY-MM-DDTHH:MM:SS.mmm (milliseconds only when not 0); empty \N
//   logical              T / F
//   blob                 as text, without trimming

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "data/base/value.h"

namespace tabrix::testing {

// SHA-1 of `data` as 40 lower-case hex digits (the readers' dumps name long values by it).
inline std::string Sha1Hex(std::string_view data) {
  auto rol = [](uint32_t x, int n) { return (x << n) | (x >> (32 - n)); };
  uint32_t h[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476, 0xC3D2E1F0};
  std::string msg(data);
  uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
  msg.push_back(static_cast<char>(0x80));
  while (msg.size() % 64 != 56) msg.push_back(0);
  for (int i = 7; i >= 0; --i) msg.push_back(static_cast<char>((bits >> (i * 8)) & 0xFF));
  for (size_t chunk = 0; chunk < msg.size(); chunk += 64) {
    std::array<uint32_t, 80> w{};
    for (int i = 0; i < 16; ++i) {
      for (int b = 0; b < 4; ++b) {
        w[i] = (w[i] << 8) | static_cast<uint8_t>(msg[chunk + i * 4 + b]);
      }
    }
    for (int i = 16; i < 80; ++i) w[i] = rol(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    for (int i = 0; i < 80; ++i) {
      uint32_t f, k;
      if (i < 20) {
        f = (b & c) | (~b & d), k = 0x5A827999;
      } else if (i < 40) {
        f = b ^ c ^ d, k = 0x6ED9EBA1;
      } else if (i < 60) {
        f = (b & c) | (b & d) | (c & d), k = 0x8F1BBCDC;
      } else {
        f = b ^ c ^ d, k = 0xCA62C1D6;
      }
      uint32_t t = rol(a, 5) + f + e + k + w[i];
      e = d, d = c, c = rol(b, 30), b = a, a = t;
    }
    h[0] += a, h[1] += b, h[2] += c, h[3] += d, h[4] += e;
  }
  char out[41];
  for (int i = 0; i < 5; ++i) std::snprintf(out + i * 8, 9, "%08x", h[i]);
  return std::string(out, 40);
}

inline std::string OracleBytes(std::string_view bytes, bool trimBlanks) {
  if (trimBlanks) {
    while (!bytes.empty() && bytes.back() == ' ') bytes.remove_suffix(1);
  }
  if (bytes.size() > 100) {
    return "<" + std::to_string(bytes.size()) + " bytes sha1:" + Sha1Hex(bytes).substr(0, 12) + ">";
  }
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '|' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r' || c == '\n' || c == '\t') {
      out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\t";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

inline std::string OracleNumber(double v) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", v);
  std::string s = buf;
  if (s == "-0") s = "0";
  // 1e+15 and above: the readers print the integer digits.
  if (s.find('e') != std::string::npos && std::fabs(v) < 1e20 && v == std::floor(v)) {
    std::snprintf(buf, sizeof buf, "%.0f", v);
    s = buf;
  }
  return s;
}

inline std::string OracleDate(const Date& d) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year, d.month, d.day);
  return buf;
}

inline std::string OracleForm(const Value& v) {
  struct Visitor {
    std::string operator()(Null) const { return "\\N"; }
    std::string operator()(const std::string& s) const { return OracleBytes(s, true); }
    std::string operator()(double d) const { return OracleNumber(d); }
    std::string operator()(const Decimal& d) const { return OracleNumber(d.ToDouble()); }
    std::string operator()(int32_t i) const { return std::to_string(i); }
    std::string operator()(const Currency& c) const {
      int64_t t = c.tenThousandths;
      std::string sign = t < 0 ? "-" : "";
      uint64_t a = t < 0 ? static_cast<uint64_t>(-(t + 1)) + 1 : static_cast<uint64_t>(t);
      std::string s = sign + std::to_string(a / 10000);
      if (uint64_t frac = a % 10000) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
        std::string f = buf;
        while (f.back() == '0') f.pop_back();
        s += "." + f;
      }
      return s;
    }
    std::string operator()(const Date& d) const { return d.empty() ? "\\N" : OracleDate(d); }
    std::string operator()(const DateTime& t) const {
      if (t.date.empty()) return "\\N";
      int ms = t.millisOfDay;
      char buf[32];
      std::snprintf(buf, sizeof buf, "T%02d:%02d:%02d", ms / 3600000, ms / 60000 % 60,
                    ms / 1000 % 60);
      std::string s = OracleDate(t.date) + buf;
      if (ms % 1000) {
        std::snprintf(buf, sizeof buf, ".%03d", ms % 1000);
        s += buf;
      }
      return s;
    }
    std::string operator()(bool b) const { return b ? "T" : "F"; }
    std::string operator()(const Blob& b) const { return OracleBytes(b.bytes, false); }
  };
  return std::visit(Visitor{}, v);
}

}  // namespace tabrix::testing
