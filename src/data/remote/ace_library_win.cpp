// The engine's library on Windows: LoadLibrary and GetProcAddress.

#include <windows.h>

#include "data/remote/ace_library.h"

namespace tabrix {

std::optional<AceApi> LoadAceLibrary(const std::string& name) {
  // A missing library must not stop the start with the system's box.
  const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE library = LoadLibraryA(name.c_str());
  SetErrorMode(previousMode);
  if (library == nullptr) return std::nullopt;
  std::optional<AceApi> api = ResolveAceApi([library](const char* function) {
    return reinterpret_cast<void*>(GetProcAddress(library, function));
  });
  // The library of a complete engine stays loaded for the rest of the run.
  if (!api) FreeLibrary(library);
  return api;
}

}  // namespace tabrix
