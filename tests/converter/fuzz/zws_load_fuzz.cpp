// Feeds arbitrary bytes to the assignment file reader. The first byte chooses the number of
// source fields (0-255); the rest is the file. Whatever the file holds, the result must name no
// source field beyond that count, keep each composite free of repeats, and must not assign the
// PLZ slot while the postal-code option is on.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "converter/assignment_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const int fieldCount = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto result = tabrix::DecodeAssignmentFile(bytes, fieldCount);
  if (!result) {
    if (bytes.substr(0, 10) == "Tabrix-ZWS") std::abort();
    return 0;
  }
  for (int v : result->entries) {
    if (v < 0 || v > fieldCount) std::abort();
  }
  for (const auto* list : {&result->remark, &result->notes}) {
    for (std::size_t i = 0; i < list->size(); ++i) {
      const int v = (*list)[i];
      if (v < 1 || v > fieldCount) std::abort();
      if (std::count(list->begin(), list->end(), v) != 1) std::abort();
    }
  }
  if (result->postalFromCity && result->entries[tabrix::kPostalCodeField - 1] != 0) std::abort();
  return 0;
}
