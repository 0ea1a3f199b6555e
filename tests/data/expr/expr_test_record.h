#pragma once
// A record held in memory for expression tests, and the text form test tables write
// expected values in.

#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/expr/expression.h"

namespace tabrix::testing {

class MemoryRecord : public ExprRecord {
 public:
  MemoryRecord() = default;
  explicit MemoryRecord(std::vector<Value> values, uint32_t recno = 1, bool deleted = false)
      : values_(std::move(values)), recno_(recno), deleted_(deleted) {}

  const Value* Field(int index) override {
    if (index < 0 || static_cast<size_t>(index) >= values_.size()) return nullptr;
    if (unreadable_ == index) return nullptr;
    return &values_[static_cast<size_t>(index)];
  }
  bool IsDeleted() override { return deleted_; }
  uint32_t RecordNumber() override { return recno_; }

  std::vector<Value>& values() { return values_; }
  void set_unreadable(int index) { unreadable_ = index; }

 private:
  std::vector<Value> values_;
  uint32_t recno_ = 1;
  bool deleted_ = false;
  int unreadable_ = -1;
};

// Bytes outside 0x20-0x7E as \xHH, '"' and '\' escaped.
inline std::string ShowBytes(std::string_view bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// A value as the case tables write it:
//   C"text"  N12.50 (exact, the stored digits)  N~0.1 (a double, shortest form)
//   D1969-07-20  D{} (empty)  T2020-02-29 13:45:30.250  T{}  L.T.  L.F.
inline std::string Show(const Value& v) {
  char buf[64];
  if (const auto* s = std::get_if<std::string>(&v)) return "C\"" + ShowBytes(*s) + "\"";
  if (const auto* d = std::get_if<Decimal>(&v)) return "N" + d->Text();
  if (const auto* x = std::get_if<double>(&v)) {
    std::optional<Decimal> d = Decimal::FromDouble(*x);
    return "N~" + (d ? d->Text() : std::string("nan"));
  }
  if (const auto* d = std::get_if<Date>(&v)) {
    if (d->empty()) return "D{}";
    std::snprintf(buf, sizeof buf, "D%04d-%02d-%02d", d->year, d->month, d->day);
    return buf;
  }
  if (const auto* t = std::get_if<DateTime>(&v)) {
    if (t->date.empty()) return "T{}";
    const int ms = t->millisOfDay;
    std::snprintf(buf, sizeof buf, "T%04d-%02d-%02d %02d:%02d:%02d.%03d", t->date.year,
                  t->date.month, t->date.day, ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return buf;
  }
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "L.T." : "L.F.";
  return "?";
}

// The structure most tests compile against: one field of every kind, alias CUST.
inline ExprStructure CustomerStructure() {
  ExprStructure s;
  s.alias = "CUST";
  s.fields = {
      {"NAME", 'C', 10, 0},   {"FIRST", 'C', 8, 0},       {"BLANK", 'C', 5, 0},
      {"AMOUNT", 'N', 10, 2}, {"BIGNUMBERS", 'N', 20, 0}, {"NEG", 'N', 6, 2},
      {"COUNT", 'I', 4, 0},   {"RATE", 'B', 8, 2},        {"PRICE", 'Y', 8, 4},
      {"BORN", 'D', 8, 0},    {"NODATE", 'D', 8, 0},      {"STAMP", 'T', 8, 0},
      {"ACTIVE", 'L', 1, 0},  {"NOTES", 'M', 10, 0},      {"NULLC", 'C', 4, 0},
      {"PIC", 'G', 10, 0},    {"ZERO", 'N', 5, 0},
  };
  return s;
}

// Record 7 of that structure, not deleted. NAME is "Müller" in code page 850.
inline MemoryRecord CustomerRecord() {
  return MemoryRecord(
      {
          std::string("M\x81ller    "),
          std::string("Anna    "),
          std::string("     "),
          Decimal::FromText("1234.50").value(),
          Decimal::FromText("12345678901234567890").value(),
          Decimal::FromText("-5.25").value(),
          int32_t{42},
          0.1,
          Currency{123456},
          Date{1969, 7, 20},
          Date{},
          DateTime{Date{2020, 2, 29}, ((13 * 60 + 45) * 60 + 30) * 1000 + 250},
          true,
          std::string("Line one"),
          Null{},
          Blob{"GIF89a"},
          Decimal::FromText("0").value(),
      },
      7);
}

}  // namespace tabrix::testing
