// Resolving the engine's functions by name; the interface is described in ace_api.h.

#include "data/remote/ace_api.h"

namespace tabrix {

const std::vector<std::string>& AceFunctionNames() {
  static const std::vector<std::string> names = {
#define TABRIX_ACE_NAME(name, ...) #name,
      TABRIX_ACE_FUNCTIONS(TABRIX_ACE_NAME)
#undef TABRIX_ACE_NAME
  };
  return names;
}

std::optional<AceApi> ResolveAceApi(const std::function<void*(const char*)>& lookup) {
  AceApi api;
  bool complete = true;
#define TABRIX_ACE_RESOLVE(name, ...)                         \
  if (void* address = lookup(#name)) {                        \
    api.name = reinterpret_cast<decltype(api.name)>(address); \
  } else {                                                    \
    complete = false;                                         \
  }
  TABRIX_ACE_FUNCTIONS(TABRIX_ACE_RESOLVE)
#undef TABRIX_ACE_RESOLVE
  if (!complete) return std::nullopt;
  return api;
}

const char* AceLibraryName() {
  return sizeof(void*) == 8 ? "ace64.dll" : "ace32.dll";
}

}  // namespace tabrix
