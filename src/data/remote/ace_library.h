#pragma once
// Loading the client engine's library at run time.

#include <optional>
#include <string>

#include "data/remote/ace_api.h"

namespace tabrix {

// Loads the library `name` (searched as the system searches DLLs) and resolves every function
// of ace_api.h by name. Nothing when the library or any function is missing, without a
// message of the system's: a machine without the engine simply runs on the local back-end. A
// library that lacks a function is released again. Builds other than Windows have no engine.
std::optional<AceApi> LoadAceLibrary(const std::string& name);

}  // namespace tabrix
