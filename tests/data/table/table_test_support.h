#pragma once
// Helpers for the table area tests: an error handler that records what the layer raises.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/base/error.h"
#include "data/env/env_test_support.h"
#include "data/table/table_area.h"

namespace tabrix::testing_support {

// Installs a handler that records every raised error and answers `action` (default:
// "default", so the operation fails softly). Closes every area when it goes away, so a test
// never leaves tables open for the next one.
class RecordingHandler {
 public:
  explicit RecordingHandler(ErrorAction action = ErrorAction::kDefault)
      : scope_([this, action](const ErrorObject& e) {
          errors.push_back(e);
          return ErrorOutcome{action, {}};
        }) {}
  ~RecordingHandler() {
    CloseAllAreas();
    SelectArea(1);
  }
  // The generic codes raised so far, in order; clears the record.
  std::vector<int> TakeCodes() {
    std::vector<int> codes;
    for (const ErrorObject& e : errors) codes.push_back(e.genCode);
    errors.clear();
    return codes;
  }

  std::vector<ErrorObject> errors;

 private:
  ScopedErrorHandler scope_;
};

}  // namespace tabrix::testing_support
