#pragma once
// The two table operations the benchmark measures, each in two forms:
//   - through the table areas API (table_area.h: OpenTable, GoTop/Skip, GetFieldInto,
//     AppendRecord, PutField), as the program uses the tables: the figure that counts;
//   - "direct": the format-level decoders and encoders (dbf_header.h, dbf_record.h, fpt_memo.h;
//     memos read through memo_file.h) driven with whole-batch reads and buffered writes, the
//     floor of what this code base can do with these formats. The gap between the two is the
//     cost of the area layer. (The direct append hands its data to the system and does not
//     force it to the device; the areas' CommitArea and CloseArea do.)

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

// Reads every field of every live record of the table at `path` (memo text included): opened
// shared and read-only in a new area, which is closed again.
ReadTotals ReadAllFields(const std::string& path);
ReadTotals ReadAllFieldsDirect(const std::string& path);

// Creates a FoxPro-2-style customer table with an FPT memo at `path` (the memo file beside it,
// extension .fpt) and appends `count` records, each with a memo. "" on success, else the
// reason. The area form creates the table with CreateTable ("DBFCDX"), opens it exclusively,
// and ends with CommitArea and CloseArea.
std::string AppendCustomers(const std::string& path, uint32_t count);
std::string AppendCustomersDirect(const std::string& path, uint32_t count);

}  // namespace tabrix::bench
