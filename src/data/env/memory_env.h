#pragma once
// An Env that keeps files in memory, for tests of the table layer.
//
// It applies the rules of file_env.h exactly as Windows does, including the sharing modes and
// the mandatory locks of rule L7 (a read through another handle into a range that handle
// does not own and another handle holds exclusively, or a write into any range locked by
// another handle, or into a range this handle holds shared, fails with kOsLockViolation).
// File names compare without regard to ASCII case, and '/' equals '\', as on Windows.
// Removing a file that is open fails with kOsSharingViolation, as on Windows.
// Files live as long as the Env or until removed; open handles keep their file's contents
// alive after the Env is gone.

#include <memory>
#include <string>

#include "data/env/file_env.h"

namespace tabrix {

std::unique_ptr<Env> NewMemoryEnv();

}  // namespace tabrix
