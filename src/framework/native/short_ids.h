#pragma once
// Short control ids: while the process-wide mode is on, GETDLGCTRLID reports identifiers
// 0x8000 ... 0xFFFF as negative numbers (the low 16 bits read as signed), as 16-bit ids were.
#include <cstdint>

namespace tabrix {

void SETSHORTIDS(bool on);
bool ShortIdsOn();
// The id as reported in the current mode.
int64_t ReportedControlId(int64_t id, bool shortIds);

}  // namespace tabrix
