#include "data/base/network_error.h"

#include <utility>

namespace tabrix {
namespace {

bool gNetworkError = false;

}  // namespace

bool NetworkError() {
  return gNetworkError;
}

bool NetworkError(bool value) {
  return std::exchange(gNetworkError, value);
}

}  // namespace tabrix
