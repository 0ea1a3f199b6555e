#include "converter/country_list.h"

#include "converter/text_rules.h"
#include "data/base/codepage.h"

namespace tabrix {

void CountryList::Add(CountryEntry entry) {
  std::string key = UpperGerman850(TrimRight(entry.nameOem));
  entries_.push_back(std::move(entry));
  firstByKey_.try_emplace(std::move(key), size());
}

int CountryList::Find(std::string_view designationOem) const {
  const auto it = firstByKey_.find(UpperGerman850(TrimRight(TrimLeft(designationOem))));
  return it == firstByKey_.end() ? 0 : it->second;
}

std::vector<std::string> CountryList::NamesOem() const {
  std::vector<std::string> names;
  names.reserve(entries_.size());
  for (const CountryEntry& e : entries_) names.push_back(e.nameOem);
  return names;
}

}  // namespace tabrix
