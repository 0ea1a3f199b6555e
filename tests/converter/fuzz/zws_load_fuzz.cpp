// Feeds arbitrary bytes to the assignment file reader. The first byte chooses the number of
// source fields (0-255); the rest is the file. Whatever the file holds, the result must name no
// source field beyond that count, keep each composite free of repeats, and must not assign the
// PLZ slot while the postal-code option is on. Loaded into a job, every list row can be built,
// and saving it again writes a file that loads back to the same assignment with nothing dropped.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "converter/assignment_file.h"
#include "converter/composite_budget.h"
#include "converter/list_rows.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tabrix;
  if (size == 0) return 0;
  const int fieldCount = data[0];
  const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const auto result = DecodeAssignmentFile(bytes, fieldCount);
  if (!result) {
    Check(bytes.substr(0, 10) != "Tabrix-ZWS");
    return 0;
  }
  for (int v : result->entries) Check(v >= 0 && v <= fieldCount);
  for (const auto* list : {&result->remark, &result->notes}) {
    for (int v : *list) {
      Check(v >= 1 && v <= fieldCount);
      Check(std::count(list->begin(), list->end(), v) == 1);
    }
  }
  Check(!(result->postalFromCity && result->entries[kPostalCodeField - 1] != 0));

  ConverterJobState state;
  for (int i = 1; i <= fieldCount; ++i) {
    state.ASSTRUCT.push_back({"F" + std::to_string(i), 'C', (i * 37) % 300 + 1, 0});
  }
  for (int i = 1; i <= 30; ++i) state.AZIELSTRUCT.push_back({"Z", 'C', 20, 0});
  ResetForNewJob(state);
  state.AZUWEISUNG = result->entries;
  state.ABEMFELDER = result->remark;
  state.ANOTIZFELDER = result->notes;
  state.LPLZAUSORT = result->postalFromCity;
  for (int row = 1; row <= kSlotCount; ++row) Check(!MAKESTRQZ(state, row).empty());
  Check(STRINGBEM(state).rfind("Bemerkung\t", 0) == 0);
  Check(STRINGNTZ(state).rfind("Notizen\t", 0) == 0);
  const int remarkRoom = BEMFREI(state.ABEMFELDER, state.ASSTRUCT);
  const int notesRoom = NTZFREI(state.ANOTIZFELDER, state.ASSTRUCT);
  Check(remarkRoom >= 0 && remarkRoom <= kRemarkBudget);
  Check(notesRoom >= 0 && notesRoom <= kNotesBudget);

  const auto again = DecodeAssignmentFile(EncodeAssignmentFile(state), fieldCount);
  Check(again.has_value() && !again->partlyUnassignable);
  Check(again->entries == result->entries && again->remark == result->remark &&
        again->notes == result->notes && again->postalFromCity == result->postalFromCity);
  return 0;
}
