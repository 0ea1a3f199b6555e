#pragma once
// The error log: the long report of a fatal error and the short entries of handled failures.
//
// Both write the newest entry at the top of the log. With append on and an existing log, the
// entry is written to "_error.txt" in the current directory, the old log is copied after it,
// and "_error.txt" then takes the log's place. When the log cannot be created, "error.log" in
// the current directory is created instead (no merging then). Relative names are taken
// relative to the platform's current directory (error_platform.h).
//
// Log layout (every line ends with CR LF), ZB_ERRLOG entry:
//   *** Programmereignis am: dd.mm.yyyy hh:mm:ss in <program> vom dd.mm.yyyy hh:mm:ss ***
//   Beschreibung: <heading> , <detail>
//   -------------------------------------------------------------------- (68)
//   <empty line>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "data/base/error.h"
#include "data/base/value.h"

namespace tabrix {

// The process-wide error-log setting. Without configuration: "error.log" in the current
// directory, created anew for every write. The application object sets its program folder's
// "Error.txt" with append on.
struct ErrorLogSetting {
  std::string fileName = "error.log";
  bool append = false;
};

const ErrorLogSetting& ErrorLog();
// Replaces the setting and returns the previous one.
ErrorLogSetting SetErrorLog(ErrorLogSetting setting);

// Writes text + CR LF. Returns false when the write was incomplete.
bool FWRITELINE(std::FILE* file, std::string_view text);

// Writes the long diagnostic report of e at the top of the log. Writes nothing, silently, when
// no log file can be created. Returns false (the handler contract of the report).
bool LOGERROR(const ErrorObject& e);

// Records a failure the caller has handled: one short entry per distinct heading and detail in
// this run. Heading and detail also go to the debug output (detail converted from table text to
// window text). Writes to the log only while ErrorLogWritesAllowed(). Never raises: when the log
// cannot be written it shows the box "Fehler in ZB_ERRLOG" with the entry's text.
// Detail forms: none "?"; a number trimmed; a logical ".T."/".F."; a string as it is; a list
// "1: a | 2: 5 | 3: NIL4: .T." (strings, numbers and dates trimmed and followed by " | ",
// missing "NIL", logicals ".T."/".F."); a date or any other value "??".
void ZB_ERRLOG(std::string_view heading);
void ZB_ERRLOG(std::string_view heading, const Value& detail);
void ZB_ERRLOG(std::string_view heading, const std::vector<Value>& detail);

// Forgets the entries written in this run and the program identification. Installing a new
// platform does this.
void ForgetErrLogRun();

// The runtime-library and compiler lines of the long report.
std::string RuntimeLibraryVersion();
std::string RuntimeLibraryDate();
std::string CompilerIdentification();

}  // namespace tabrix
