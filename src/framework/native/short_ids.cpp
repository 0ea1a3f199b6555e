#include "framework/native/short_ids.h"

namespace tabrix {
namespace {
bool gShortIds = false;
}

void SETSHORTIDS(bool on) {
  gShortIds = on;
}
bool ShortIdsOn() {
  return gShortIds;
}

int64_t ReportedControlId(int64_t id, bool shortIds) {
  if (shortIds && id >= 0x8000 && id <= 0xFFFF) return static_cast<int16_t>(id);
  return id;
}

}  // namespace tabrix
