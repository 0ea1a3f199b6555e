// error_box_probe: a Windows program that meets a fatal error under the default error handler
// with the Windows platform installed, for error_platform_win_test.cpp. Expected: the box
// "QZ-Hinweis", the long report in "error.log" of the current directory, exit code 1.

#include "data/base/error.h"
#include "data/diagnostics/error_platform_win.h"
#include "data/diagnostics/errorsys.h"

int main() {
  using namespace tabrix;
  static WinErrorSysPlatform platform;
  SetErrorSysPlatform(&platform);
  ERRORSYS();
  ErrorObject e;
  e.genCode = 1001;
  e.subSystem = "DBFCDX";
  e.subCode = 1012;
  e.description = "Corruption detected";
  e.fileName = "KUNDEN.DBF";
  e.operation = "GetField";
  e.procName = "PROBE";
  e.procLine = 17;
  e.moduleName = "error_box_probe.cpp";
  try {
    RaiseError(e);
  } catch (const ErrorAbandoned&) {
    return 2;  // the platform returned from EndProgram: wrong
  }
  return 3;  // the handler let a fatal error pass: wrong
}
