#include "data/table/table_errors.h"

namespace tabrix {

ErrorObject TableError(int genCode, int subCode, std::string driver, std::string description,
                       std::string fileName, std::string operation, const CallSite& at) {
  ErrorObject e;
  SetErrorPlace(&e, at);
  e.genCode = genCode;
  e.subCode = subCode;
  e.subSystem = std::move(driver);
  e.description = std::move(description);
  e.fileName = std::move(fileName);
  e.operation = std::move(operation);
  e.severity = 2;
  e.canDefault = true;
  return e;
}

ErrorObject TableIoError(int genCode, int subCode, std::string driver, const IoStatus& io,
                         std::string operation, const CallSite& at) {
  std::string description;
  switch (genCode) {
    case kGenOpen:
      description = "Open error";
      break;
    case kGenCreate:
      description = "Create error";
      break;
    case kGenRead:
      description = "Read error";
      break;
    default:
      description = "Write error";
      break;
  }
  if (!io.detail().empty()) description += " (" + io.detail() + ")";
  ErrorObject e = TableError(genCode, subCode, std::move(driver), std::move(description),
                             io.fileName(), std::move(operation), at);
  e.osCode = io.osCode();
  e.canRetry = true;
  return e;
}

ErrorObject TableFormatError(const FormatError& error, std::string driver, std::string operation,
                             std::optional<int> genCode, const CallSite& at) {
  int gen = kGenCorruption;
  int sub = kSubCorruption;
  std::string description = "Corruption detected";
  if (error.kind == FormatErrorKind::kInvalidValue) {
    gen = kGenDataWidth;
    sub = kSubDataWidth;
    description = "Data width error";
  }
  if (genCode) {
    gen = *genCode;
    sub = gen == kGenOpen ? kSubOpen : sub;
  }
  description += " (" + error.reason;
  if (error.offset != 0) description += " at byte " + std::to_string(error.offset);
  description += ")";
  return TableError(gen, sub, std::move(driver), std::move(description), error.fileName,
                    std::move(operation), at);
}

}  // namespace tabrix
