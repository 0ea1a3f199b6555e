#pragma once
// The two table operations the benchmark measures, in one place so that they can move onto the
// table areas API (OpenTable / GetField / AppendRecord / PutField) with a few lines: today they
// drive the format-level decoders and encoders with the file environment directly, the way the
// local back-end does.

#include <cstdint>
#include <string>

namespace tabrix::bench {

struct ReadTotals {
  uint64_t records = 0;    // live records read
  uint64_t fields = 0;     // field values handed out (memo text included)
  uint64_t memoBytes = 0;  // bytes of memo text
  uint64_t checksum = 0;   // folds every value, so that no read can be skipped
  std::string error;       // "" when the table read completely
};

// Reads every field of every live record of the table at `path` (memo text included).
ReadTotals ReadAllFields(const std::string& path);

// Creates a FoxPro-2-style customer table with an FPT memo at `path` (the memo file beside it,
// extension .fpt) and appends `count` records, each with a memo. "" on success, else the
// reason.
std::string AppendCustomers(const std::string& path, uint32_t count);

}  // namespace tabrix::bench
