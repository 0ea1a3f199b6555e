#pragma once
// Writing a new, empty table and its memo file (CreateTable of table_area.h), and the memo
// file a table copied without one lacks (CreateMissingMemoFile).
//
//   driver   memo fields   table version          memo file
//   DBFCDX   none          0x03                   -
//   DBFCDX   some          0xF5 (FoxPro 2)        .fpt, 64-byte blocks
//   DBFNTX   none          0x03                   -
//   DBFNTX   some          0x83 (dBASE III)       .dbt, 512-byte blocks
// The header carries record count 0, today's date and the code page mark 0x02 (code page
// 850, the text of every table of this system), followed by the end-of-file byte 0x1A.
// Field names are stored upper case. An existing table, memo file and (for DBFCDX) production
// index of the same base name are replaced: an index of the old table would describe records
// that no longer exist.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/env/file_env.h"
#include "data/table/table_errors.h"

namespace tabrix {

// One field of a table structure: {name, type letter, length, decimals}.
struct StructureRow {
  std::string name;
  char type = 'C';
  uint32_t length = 0;
  uint32_t decimals = 0;
  friend bool operator==(const StructureRow&, const StructureRow&) = default;
};

// The code page mark written into new tables: 850 International MS-DOS.
inline constexpr uint8_t kNewTableCodePageMark = 0x02;

// Writes the files. fileName includes the extension. Failure: create error 20 (a structure
// the format cannot hold, or the OS code of the failed file call).
TableStatus CreateTableFiles(Env* env, const std::string& fileName,
                             const std::vector<StructureRow>& rows, const std::string& driver);

// What CreateMissingMemoFile did.
enum class MemoFileOutcome {
  kCreated,    // an empty memo file was written
  kNotNeeded,  // the table declares no memo fields, or its memo file is there
  kFailed,     // see MemoFileStatus::error
};

struct MemoFileStatus {
  MemoFileOutcome outcome = MemoFileOutcome::kNotNeeded;
  std::optional<ErrorObject> error;  // kFailed only
};

// Writes the empty memo file an existing table lacks: a table whose header declares memo
// fields cannot be opened without one, and tables copied from a template often come without
// it. The kind follows the table's version byte, as the files CreateTableFiles writes: FoxPro
// versions get an .fpt with 64-byte blocks, dBASE III (0x83) a dBASE III .dbt, dBASE IV
// (0x8B, 0xCB, 0x7B) a dBASE IV .dbt. The extension takes the case of the table's extension.
// A memo file of either case already beside the table is left alone. Failures: open error 21
// (the table file cannot be read, or its header is damaged), create error 20 (the memo file
// cannot be written), with the OS code of the failed file call.
MemoFileStatus CreateMissingMemoFile(Env* env, const std::string& tableFile);

}  // namespace tabrix
