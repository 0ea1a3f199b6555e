// Feeds arbitrary bytes to the country-link file reader. The first two bytes choose the length
// of the country list (0-65535); the rest is the file. Every link read must point into the
// list, and writing the links and reading them again must give the same links (less those
// whose position is too large for the written form).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "converter/country_link_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int countryCount = data[0] | (data[1] << 8);
  const std::string_view bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  const auto links = tabrix::DecodeCountryLinkFile(bytes, countryCount);
  if (!links) return 0;
  for (const tabrix::CountryLink& link : *links) {
    if (link.position < 1 || link.position > countryCount) std::abort();
    if (link.designationOem.size() > 999) std::abort();
  }
  // Positions above 9999 do not fit the written form and are left out when saving.
  std::vector<tabrix::CountryLink> writable;
  for (const tabrix::CountryLink& link : *links) {
    if (link.position <= 9999) writable.push_back(link);
  }
  const auto again =
      tabrix::DecodeCountryLinkFile(tabrix::EncodeCountryLinkFile(*links), countryCount);
  if (!again || *again != writable) std::abort();
  return 0;
}
