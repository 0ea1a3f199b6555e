#pragma once
// The error object and the current error handler.
//
// A failing operation fills an ErrorObject and raises it with RaiseError(). The current handler
// decides: retry the operation, let it fail softly with its failure result ("default"), hand
// back a substitute value, or abandon the current operation. Abandoning throws ErrorAbandoned,
// the one exception type of the program; it is caught by the nearest protected section (a
// try block around a risky call) and at the window-system edge, so it never unwinds through
// platform frames.
//
// Code that must survive a failure installs its own handler for the span of the risky call
// with ScopedErrorHandler, which restores the previous handler on every path.
//
// Every raised error says where it was raised (procName, procLine, moduleName) so that the
// reports show a real place: whoever builds the object may fill it (the table layer's error
// builders do, with the line that found the failure), and RaiseError fills it with its own
// call site otherwise. The module is the source file's base name with its extension
// ("table_area.cpp"), as CallSite::module() gives it. A layer that raises through internal
// helpers adds its public entry point as a caller (AddErrorCaller), so the trace reads
// "found here, on behalf of this call"; there is no stack walk beyond that.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/base/call_site.h"
#include "data/base/value.h"

namespace tabrix {

// Generic codes, one numbering for every layer (the xBase one, so that a log line reads as one
// from another program of the family). What each layer means by its codes is written beside
// its error builders (table_errors.h, expr_error.h). Stored in logs; never renumber.
enum GenCode : int {
  kGenArg = 1,             // argument error
  kGenStringOverflow = 3,  // string overflow
  kGenNumOverflow = 4,     // numeric overflow
  kGenZeroDiv = 5,         // division by zero
  kGenSyntax = 7,          // syntax error
  kGenComplexity = 8,      // operation too complex
  kGenNoFunction = 12,     // undefined function
  kGenNoVariable = 14,     // undefined variable (field)
  kGenNoAlias = 15,        // alias does not exist
  kGenDupAlias = 18,       // alias already in use
  kGenCreate = 20,         // create error
  kGenOpen = 21,           // open error
  kGenRead = 23,           // read error
  kGenWrite = 24,          // write error
  kGenUnsupported = 30,    // operation not supported
  kGenCorruption = 32,     // corruption detected
  kGenDataType = 33,       // data type error
  kGenDataWidth = 34,      // data width error
  kGenNoTable = 35,        // work area not in use
  kGenNoOrder = 36,        // work area not indexed
  kGenUnlocked = 38,       // write to an unlocked record
  kGenReadOnly = 39,       // write to a read-only table
  kGenAppendLock = 40,     // append lock failed
  kGenLock = 41,           // lock error
};

// One caller level of the place where an error was raised.
struct StackFrame {
  std::string procName;
  int procLine = 0;
  std::string moduleName;
};

struct ErrorObject {
  int genCode = 0;
  std::string subSystem;  // e.g. the driver name "DBFCDX"
  int subCode = 0;
  int osCode = 0;  // operating-system error code, 0 when none
  std::string description;
  std::string fileName;
  std::string operation;
  std::optional<std::vector<Value>> args;  // arguments of the failed operation, if any
  int severity = 2;                        // 1 warning, 2 error
  bool canRetry = false;
  bool canDefault = false;
  // Where it was raised (see the top of this file); all empty in logs of objects raised
  // before places were recorded, which the reports still print in their old form.
  std::string procName;
  int procLine = 0;
  std::string moduleName;
  // The callers of procName, innermost first, as far as the raising code knows them; the
  // error reports list them up to the first one without a name.
  std::vector<StackFrame> callers;
};

enum class ErrorAction { kRetry, kDefault, kSubstitute, kAbandon };

struct ErrorOutcome {
  ErrorAction action = ErrorAction::kAbandon;
  Value substitute;  // meaningful for kSubstitute only
};

using ErrorHandler = std::function<ErrorOutcome(const ErrorObject&)>;

// Thrown when a handler abandons the current operation.
struct ErrorAbandoned {
  ErrorObject error;
};

// Hands e to the current handler and returns its outcome. When the handler abandons (or there
// is no handler), throws ErrorAbandoned. An e without a place (procName empty) reaches the
// handler and the exception placed at `at`, by default the call of RaiseError; a place the
// raiser filled stays as it is, callers included.
ErrorOutcome RaiseError(const ErrorObject& e, const CallSite& at = CallSite::Current());

// Sets the place where e was raised to `at`.
void SetErrorPlace(ErrorObject* e, const CallSite& at);

// Adds `caller` as the next caller outward of e's place. A caller in the same function and
// module as the innermost frame already known (the last caller, else the place) adds nothing:
// it is the same level seen twice.
void AddErrorCaller(ErrorObject* e, const CallSite& caller);

// The handler now current (empty when none is installed).
const ErrorHandler& CurrentErrorHandler();

// Installs a handler for the lifetime of this object and restores the previous one after.
class ScopedErrorHandler {
 public:
  explicit ScopedErrorHandler(ErrorHandler handler);
  ~ScopedErrorHandler();
  ScopedErrorHandler(const ScopedErrorHandler&) = delete;
  ScopedErrorHandler& operator=(const ScopedErrorHandler&) = delete;

 private:
  ErrorHandler previous_;
};

// Replaces the current handler for good (start-up installs the default handler this way) and
// returns the previous one.
ErrorHandler SetErrorHandler(ErrorHandler handler);

}  // namespace tabrix
