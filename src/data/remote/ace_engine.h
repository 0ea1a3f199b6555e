#pragma once
// One loaded client engine and the settings the program opens its tables with. The start-up
// contract fixes the settings once (CDX tables, OEM text, the server's own locking); the
// remote back-end (ace_table.h) and the server questions of the start-up and of the shared-table
// opener go through the same engine object, so "the last error" is the engine's one.

#include <string>

#include "data/base/call_site.h"
#include "data/base/error.h"
#include "data/remote/ace_api.h"

namespace tabrix {

// What tables are opened and created with (the start-up contract's steps 1, 4 and 5).
struct AceTableSettings {
  AceU16 tableType = kAdsCdx;                // CDX indexes, FPT memos
  AceU16 charType = kAdsOem;                 // text is code page 850, handed on as stored
  AceU16 lockType = kAdsProprietaryLocking;  // the server arbitrates the locks
};

class AceEngine {
 public:
  explicit AceEngine(const AceApi& api) : api_(api) {}

  const AceApi& api() const { return api_; }
  AceTableSettings& settings() { return settings_; }
  const AceTableSettings& settings() const { return settings_; }

  // What serves `drive` ("E:" or "\\server\share"): the engine's answer, 0 when the question
  // fails.
  int ServerAt(const std::string& drive) const;
  // The number of the engine's last error (0 when the last call succeeded) and its text.
  AceU32 LastError(std::string* text = nullptr) const;
  // The error object of a failed engine call: subsystem "ADS", the engine's number as subcode,
  // its text as description. REQUIRES: called right after the failed call (A1).
  ErrorObject Error(AceU32 code, int genCode, std::string fileName, std::string operation,
                    const CallSite& at = CallSite::Current()) const;

 private:
  AceApi api_;
  AceTableSettings settings_;
};

}  // namespace tabrix
