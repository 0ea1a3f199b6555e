#include "data/stdlib/ntx_range_count.h"

#include "data/index/ntx_range.h"
#include "data/stdlib/o_s.h"
#include "data/table/table_area.h"

namespace tabrix {

int64_t NTXRANGEC(int order, uint32_t recordA, const std::string& keyA, uint32_t recordB,
                  const std::string& keyB, bool numeric, bool fileGiven,
                  const std::string& indexFile) {
  return NtxRangeCount(TableEnv(), order, recordA, keyA, recordB, keyB, numeric, fileGiven,
                       indexFile, [](std::string_view text) { DebuggerOutput(std::string(text)); });
}

}  // namespace tabrix
