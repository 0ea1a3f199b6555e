#pragma once
// The default error handler and the printable forms it uses.
//
// DEFERROR decides what happens to every error no caller handles itself: division by zero
// yields 0, a retryable lock error is retried, a sharing violation on open and a failed append
// lock set the network-error flag and fail softly. Everything else is fatal: a box, the
// message and the call trace to the debug output, the long report in the error log
// (error_log.h), exit code 1 and the end of the program. The system side of all this goes
// through ErrorSysPlatform (error_platform.h).

#include <string>

#include "data/base/error.h"
#include "data/base/text.h"
#include "data/base/value.h"
#include "data/diagnostics/error_platform.h"

namespace tabrix {

// Installs DEFERROR as the current handler for good. Runs at start-up before the main
// function.
void ERRORSYS();

// The default handler. Returns the substitute 0, retry or default for the softened cases;
// for a fatal error it reports, ends the program through the platform, and answers abandon
// should the platform return.
ErrorOutcome DEFERROR(const ErrorObject& e);

// One-line summary: "Error DBFCDX/1001  Description: file".
std::string ERRORMESSAGE(const ErrorObject& e);

// The printable argument list " [ 1] = Type: C Val: x [ 2] = Type: U"; "" when the error
// carries no list.
std::string ARGUMENTS(const ErrorObject& e);

// Printable upper-case form: strings as they are, numbers trimmed, dates dd.mm.yyyy,
// logicals ".T."/".F." (or "ON"/"OFF" with onOff), anything else "". Upper case touches
// ASCII letters only, since the text may be in either code page.
std::string STRVALUE(const Value& value, bool onOff = false);

// Bits of the operating system's error mode: they suppress its critical-error box and its
// file-error box (SEM_FAILCRITICALERRORS, SEM_NOOPENFILEERRORBOX; the Windows side checks the
// values against the system's).
inline constexpr unsigned kErrorModeFailCriticalErrors = 0x0001;
inline constexpr unsigned kErrorModeNoOpenFileErrorBox = 0x8000;

// Passes mode to the operating system's error mode and returns the previous mode.
unsigned SETERRORMODE(unsigned mode);

// Text forms shared by the error reports (the date: DateText, data/base/text.h).
std::string TimeText(const LocalTime& t);     // "hh:mm:ss"
std::string NumberText(const Value& number);  // trimmed decimal; "" for a non-number

}  // namespace tabrix
