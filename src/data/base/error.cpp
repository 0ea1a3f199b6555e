#include "data/base/error.h"

#include <utility>

namespace tabrix {
namespace {

// Single-threaded program: one process-wide current handler.
ErrorHandler& Current() {
  static ErrorHandler handler;
  return handler;
}

}  // namespace

ErrorOutcome RaiseError(const ErrorObject& e) {
  if (!Current()) throw ErrorAbandoned{e};
  ErrorOutcome outcome = Current()(e);
  if (outcome.action == ErrorAction::kAbandon) throw ErrorAbandoned{e};
  return outcome;
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
