#pragma once
// NTXRANGEC: how many entries of an NTX index lie between two records, both included, read
// from the index file's pages (data/index/ntx_range.h does the counting). The grid browse asks
// it for its scroll position and record count in NTX orders.

#include <cstdint>
#include <string>

namespace tabrix {

// Keys as text: a numeric key's decimal text with `numeric` set, a date key's eight digits, a
// character key itself. Without `fileGiven`, or when the file cannot be opened: 0. When the
// first of the two entries is not in the index: -1, and "NTXRange ERROR!" with a line feed goes
// to the debugger output. The order number is accepted and not used. The index file is opened
// read-only, shared, for the call, through the table layer's Env.
int64_t NTXRANGEC(int order, uint32_t recordA, const std::string& keyA, uint32_t recordB,
                  const std::string& keyB, bool numeric, bool fileGiven,
                  const std::string& indexFile);

}  // namespace tabrix
