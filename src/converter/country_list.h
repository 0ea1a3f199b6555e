#pragma once
// The country list of a conversion: the countries of the country table "LAND.qzf" in natural
// record order (deleted records left out), each with the record it came from and the two flags
// the customer number depends on.
//
// Entries are addressed by their 1-based position, as the country chooser shows them and the
// country-link file stores them. An entry keeps its record number, because positions and
// record numbers differ as soon as the table holds a deleted record: whatever is read about a
// country is read from its own record.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tabrix {

struct CountryEntry {
  std::string nameOem;  // LANDN as stored (padded), written into the target's LAND
  int64_t recno = 0;    // record of the country table the entry came from
  std::string muster;   // MUSTER as stored
  std::string p1a;      // P1A as stored
};

class CountryList {
 public:
  void Add(CountryEntry entry);
  int size() const { return static_cast<int>(entries_.size()); }
  // REQUIRES: 1 <= position <= size().
  const CountryEntry& at(int position) const { return entries_[static_cast<size_t>(position - 1)]; }
  bool Contains(int position) const { return position >= 1 && position <= size(); }

  // The first entry whose name, without trailing blanks and in German upper case, equals the
  // designation without leading white space (blanks, TABs, CR, LF) and trailing blanks, in
  // German upper case: «Deutschland», «deutschland» and « Deutschland» all find DEUTSCHLAND.
  // 0 when none does.
  int Find(std::string_view designationOem) const;

  // The names as stored, in list order.
  std::vector<std::string> NamesOem() const;

 private:
  std::vector<CountryEntry> entries_;
  std::unordered_map<std::string, int> firstByKey_;  // upper-case trimmed name -> position
};

}  // namespace tabrix
