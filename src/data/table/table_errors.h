#pragma once
// The error objects of the table access layer.
//
// The format and file layers return FormatError and IoStatus values; the table areas turn
// them into ErrorObjects here and hand them to the current error handler (error.h). Only the
// area functions (table_area.h) raise; everything below them returns a TableStatus.
//
// Generic codes used by the table layer (the xBase numbering; stored in logs, never renumber):
//   1  argument error          a field position or area number outside its range
//   15 no alias                SelectArea of an alias that no open table carries
//   18 duplicate alias         OpenTable with an alias already in use
//   20 create error            CreateTable could not write the files or the structure is bad
//   21 open error              the table or its memo file cannot be opened
//   23 read error, 24 write error
//   30 unsupported             writing to a table whose production index is not maintained yet
//   32 corruption              header, record or memo bytes contradict the format
//   33 data type               a value of the wrong type for the field
//   34 data width              a number that does not fit its field, memo text the format
//                              cannot hold
//   35 no table                a field operation on a free area
//   36 no order                Seek while the area has no controlling order
//   38 unlocked                a write to a shared table without record or table lock
//   39 read-only               a write to a table opened read-only
//   40 append lock             AppendRecord could not lock the header or the new record
//   41 lock error              a record number outside the lockable range
// The subcodes name the driver's situation in more detail (kSub* below).
//
// Each builder below records the place it was called from (`at`, by default its caller) as
// the place the error was raised: the line that found the failure, e.g. the check in
// table_file.cpp, which tells more than the area function that later hands the object to the
// handler. That area function adds itself as the caller (error.h, AddErrorCaller). A helper
// that builds errors on behalf of its callers passes its own caller's CallSite on.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/base/call_site.h"
#include "data/base/error.h"
#include "data/base/format_status.h"
#include "data/env/file_env.h"

namespace tabrix {

// Driver subcodes. Stored in logs; never renumber.
enum TableSubCode : int {
  kSubOpen = 1001,
  kSubCreate = 1004,
  kSubRead = 1010,
  kSubWrite = 1011,
  kSubCorruption = 1012,
  kSubDataType = 1020,
  kSubDataWidth = 1021,
  kSubLockRequired = 1022,
  kSubReadOnly = 1023,
  kSubAppendLock = 1024,
  kSubLock = 1025,
  kSubArgument = 1026,
  kSubNoTable = 1027,
  kSubAlias = 1028,
  kSubIndexNotMaintained = 1029,
  kSubNoOrder = 1030,
};

// Success or the error object of a failed table operation (not raised yet).
class [[nodiscard]] TableStatus {
 public:
  // User-provided: `return {};` would otherwise zero the whole error object's storage first
  // (value-initialisation), on every successful call of the layer.
  TableStatus() {}
  TableStatus(ErrorObject error) : error_(std::move(error)) {}
  bool ok() const { return !error_.has_value(); }
  explicit operator bool() const { return ok(); }
  // REQUIRES: !ok().
  const ErrorObject& error() const { return *error_; }
  ErrorObject& error() { return *error_; }

 private:
  std::optional<ErrorObject> error_;
};

// An error object of the table layer: severity 2, the driver as subsystem.
ErrorObject TableError(int genCode, int subCode, std::string driver, std::string description,
                       std::string fileName, std::string operation,
                       const CallSite& at = CallSite::Current());

// From a failed file call: the OS code and detail travel along; retry is allowed for reads
// and writes (a network drive may come back), default everywhere.
ErrorObject TableIoError(int genCode, int subCode, std::string driver, const IoStatus& io,
                         std::string operation, const CallSite& at = CallSite::Current());

// From a FormatError: kInvalidValue becomes a data width error, everything else corruption
// (or `genCode` when given, e.g. 21 while opening).
ErrorObject TableFormatError(const FormatError& error, std::string driver, std::string operation,
                             std::optional<int> genCode = std::nullopt,
                             const CallSite& at = CallSite::Current());

}  // namespace tabrix
