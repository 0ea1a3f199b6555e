// The native build has no client engine: every table runs on the local back-end.

#ifndef _WIN32

#include "data/remote/ace_library.h"

namespace tabrix {

std::optional<AceApi> LoadAceLibrary(const std::string&) {
  return std::nullopt;
}

}  // namespace tabrix

#endif  // _WIN32
