#include "data/base/error.h"

#include <optional>
#include <string_view>
#include <utility>

namespace tabrix {
namespace {

// Single-threaded program: one process-wide current handler.
ErrorHandler& Current() {
  static ErrorHandler handler;
  return handler;
}

}  // namespace

ErrorOutcome RaiseError(const ErrorObject& e, const CallSite& at) {
  // Copied only when the place is to be filled: most raisers fill it themselves.
  std::optional<ErrorObject> placed;
  if (e.procName.empty()) {
    placed = e;
    SetErrorPlace(&*placed, at);
  }
  const ErrorObject& raised = placed ? *placed : e;
  if (!Current()) throw ErrorAbandoned{raised};
  ErrorOutcome outcome = Current()(raised);
  if (outcome.action == ErrorAction::kAbandon) throw ErrorAbandoned{raised};
  return outcome;
}

void SetErrorPlace(ErrorObject* e, const CallSite& at) {
  e->procName = at.function ? at.function : "";
  e->procLine = at.line;
  e->moduleName = std::string(at.module());
}

void AddErrorCaller(ErrorObject* e, const CallSite& caller) {
  const std::string_view function = caller.function ? caller.function : "";
  const std::string_view module = caller.module();
  const bool hasCallers = !e->callers.empty();
  const std::string& innerFunction = hasCallers ? e->callers.back().procName : e->procName;
  const std::string& innerModule = hasCallers ? e->callers.back().moduleName : e->moduleName;
  if (function == innerFunction && module == innerModule) return;
  e->callers.push_back({std::string(function), caller.line, std::string(module)});
}

const ErrorHandler& CurrentErrorHandler() {
  return Current();
}

ErrorHandler SetErrorHandler(ErrorHandler handler) {
  return std::exchange(Current(), std::move(handler));
}

ScopedErrorHandler::ScopedErrorHandler(ErrorHandler handler)
    : previous_(SetErrorHandler(std::move(handler))) {}

ScopedErrorHandler::~ScopedErrorHandler() {
  SetErrorHandler(std::move(previous_));
}

}  // namespace tabrix
